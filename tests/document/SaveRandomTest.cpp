// Random edits through the undo history, random undo and redo, saves in place
// and under new names (some made to fail half way), and reopening, all checked
// against a plain vector model after every step.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "StoreModel.h"
#include "document/Binary.h"
#include "document/ChunkWriter.h"
#include "document/Document.h"
#include "document/History.h"
#include "document/Save.h"
#include "document/Scratch.h"

using namespace hx;
using hx::test::Bytes;
using hx::test::CheckInvariants;
using hx::test::ReadFile;
using hx::test::RemoveTree;
using hx::test::StoreBytes;
using hx::test::StoreModel;

namespace {

uint32_t SeedFromEnvironment(uint32_t fallback) {
    const char *text = std::getenv("HEXALOOM_RANDOM_SEED");
    return text && *text ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) : fallback;
}

int StepsFromEnvironment(int fallback) {
    const char *text = std::getenv("HEXALOOM_RANDOM_STEPS");
    return text && *text ? std::atoi(text) : fallback;
}

std::string Folder() {
    struct stat st {};
    const char *base = ::stat("/dev/shm", &st) == 0 && ::access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                       : std::getenv("TMPDIR")                                        ? std::getenv("TMPDIR")
                                                                                      : "/tmp";
    std::string pattern = std::string(base) + "/hexaloom-saverandom-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    return ::mkdtemp(name.data()) ? name.data() : "";
}

// A memory budget and a copy limit of a few chunk lengths: large edits move
// chunks out (file references among them), new bytes go to the scratch file,
// and saves must copy the file bytes that undo steps still refer to.
class TinyLimits {
public:
    TinyLimits(int64_t budget, int64_t copyLimit)
        : budget_(ScratchSettings::MemoryBudget), copyLimit_(HistorySettings::CopyLimit) {
        ScratchSettings::MemoryBudget = budget;
        HistorySettings::CopyLimit = copyLimit;
    }
    ~TinyLimits() {
        ScratchSettings::MemoryBudget = budget_;
        HistorySettings::CopyLimit = copyLimit_;
    }

private:
    int64_t budget_, copyLimit_;
};

class RandomSession {
public:
    RandomSession(uint32_t seed, int64_t chunk)
        : rng_(seed), chunk_(chunk), folder_(Folder()), limits_(pick(0, 8 * chunk), pick(0, 2 * chunk)) {}
    ~RandomSession() {
        close();
        RemoveTree(folder_);   // a save cut off on purpose may have left its journal
    }

    // Returns an empty text, or what went wrong at which step.
    std::string go(int steps) {
        if (folder_.empty()) return "no temporary folder";
        Bytes initial(pick(0, 6 * chunk_));
        for (auto &b : initial) b = static_cast<uint8_t>(rng_());
        std::string name = folder_ + "/a";
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, initial.data(), initial.size()) != ssize_t(initial.size()))
            return "cannot write the first file";
        ::close(fd);
        reopen(name);
        for (step_ = 0; step_ < steps; ++step_) {
            std::string why = oneStep();
            if (why.empty()) why = check();
            if (!why.empty()) return "step " + std::to_string(step_) + " (" + last_ + "): " + why;
        }
        return "";
    }

private:
    int64_t pick(int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(rng_); }
    Bytes randomBytes(int64_t n) {
        Bytes b(static_cast<size_t>(n));
        for (auto &x : b) x = static_cast<uint8_t>(rng_());
        return b;
    }
    int64_t size() const { return static_cast<int64_t>(states_[index()].size()); }
    int32_t index() const { return HistoryIndex(doc_.Hist); }
    // A position, now and then before the start or past the end.
    int64_t position() { return pick(-chunk_, size() + chunk_); }

    void close() {
        FreeBinary(doc_.Store);
        FreeHistory(doc_.Hist);
        doc_.Store = nullptr;
        doc_.Hist = nullptr;
    }

    void reopen(std::string name) {  // a copy: the old store and its FileName go first
        close();
        doc_.Store = OpenBinary(-1, name, chunk_);
        // Now and then a limit small enough that old entries are dropped.
        doc_.Hist = CreateHistory(-1, pick(0, 3) == 0 ? pick(0, 40 * chunk_) : DocumentHistoryLimit);
        doc_.SavedHistoryIndex = 0;
        states_.assign(1, StoreBytes(*doc_.Store));
        saved_ = states_[0];
    }

    // Runs an edit through the history and the same edit on the model; keeps
    // the model's states in step with the history's entries.
    template <typename Edit, typename ModelEdit>
    std::string edit(Edit doEdit, ModelEdit onModel) {
        const int32_t before = index();
        const int64_t droppedBefore = doc_.Hist->Dropped;
        StoreModel model{states_[before]};
        onModel(model);
        doEdit();
        const int64_t dropped = doc_.Hist->Dropped - droppedBefore;
        const bool recorded = index() + dropped != before;
        if (!recorded) {
            if (model.bytes != states_[before]) return "an edit that changes bytes recorded nothing";
            return "";
        }
        states_.resize(before + 1);
        states_.push_back(model.bytes);
        states_.erase(states_.begin(), states_.begin() + dropped);
        if (static_cast<int32_t>(states_.size()) != CountHistoryEntries(doc_.Hist) + 1)
            return "history and model disagree on the number of entries";
        return "";
    }

    std::string save(const std::string &name) {
        SaveResult r = SaveDocument(&doc_, name);
        if (!r.ok()) return "save failed with status " + std::to_string(int(r.status));
        saved_ = states_[index()];
        if (ReadFile(doc_.Store->FileName) != saved_) return "the file differs from the model";
        return "";
    }

    // Undo and redo may drop entries to keep the history's bound (an entry
    // that keeps other bytes when undone): in effect ones from the front,
    // undone ones from the back. The model's states follow.
    template <typename Step>
    void stepThrough(Step step) {
        const int64_t droppedBefore = doc_.Hist->Dropped;
        step(doc_.Hist);
        states_.erase(states_.begin(), states_.begin() + (doc_.Hist->Dropped - droppedBefore));
        states_.resize(static_cast<size_t>(CountHistoryEntries(doc_.Hist)) + 1);
    }

    std::string oneStep() {
        switch (pick(0, 13)) {
        case 13: {
            // A replace of a range by pieces of itself and new bytes, as a
            // replace of every match makes it: references where they can be.
            int64_t p = position(), m = pick(0, 6 * chunk_);
            int64_t cp = p, cm = m;
            StoreModel(states_[index()]).clamp(cp, cm);
            ChunkWriter writer(doc_.Store);
            Bytes fresh;
            const Bytes &now = states_[index()];
            for (int64_t at = cp; at < cp + cm;) {
                const int64_t keep = std::min(pick(0, 3 * chunk_), cp + cm - at);
                writer.appendRange(at, keep);
                fresh.insert(fresh.end(), now.begin() + at, now.begin() + at + keep);
                at += keep + std::min(pick(0, 2), cp + cm - at - keep);   // a "match" skipped
                const Bytes b = randomBytes(pick(0, 2));
                writer.append(b.data(), static_cast<int64_t>(b.size()));
                fresh.insert(fresh.end(), b.begin(), b.end());
            }
            ChunkList chunks = writer.take();
            if (writer.status() != BinaryOk) return "the writer failed with " + std::to_string(writer.status());
            last_ = "replace by pieces " + std::to_string(p) + " " + std::to_string(m) + " " +
                    std::to_string(fresh.size());
            return edit([&] { ReplaceBytesMoving(&doc_, p, m, std::move(chunks)); },
                        [&](StoreModel &model) {
                            model.bytes.erase(model.bytes.begin() + cp, model.bytes.begin() + cp + cm);
                            model.bytes.insert(model.bytes.begin() + cp, fresh.begin(), fresh.end());
                        });
        }
        case 12: {
            // A replace by buffers handed over whole, as the transformation tool makes it.
            int64_t p = position(), m = pick(-1, 4 * chunk_);
            std::vector<ByteBuffer> buffers;
            Bytes fresh;
            for (int64_t k = pick(0, 3); k > 0; --k) {
                Bytes b = randomBytes(pick(0, 3 * chunk_));
                fresh.insert(fresh.end(), b.begin(), b.end());
                buffers.push_back(ByteBuffer::copyOf(b.data(), static_cast<int64_t>(b.size())));
            }
            last_ = "replace moving " + std::to_string(p) + " " + std::to_string(m) + " " +
                    std::to_string(fresh.size());
            return edit([&] { ReplaceBytesMoving(&doc_, p, m, std::move(buffers)); },
                        [&](StoreModel &model) {
                            int64_t cp = p, cm = std::max<int64_t>(m, 0);
                            model.clamp(cp, cm);
                            model.bytes.erase(model.bytes.begin() + cp, model.bytes.begin() + cp + cm);
                            model.bytes.insert(model.bytes.begin() + cp, fresh.begin(), fresh.end());
                        });
        }
        case 0:
        case 1: {
            int64_t p = position(), n = pick(0, 3 * chunk_);
            Bytes b = randomBytes(n);
            last_ = "insert " + std::to_string(p) + " " + std::to_string(n);
            return edit([&] { InsertBytes(&doc_, p, b.data(), n); },
                        [&](StoreModel &m) { m.insert(p, b.data(), n); });
        }
        case 2: {
            int64_t p = position(), n = pick(-2, 3 * chunk_);
            last_ = "delete " + std::to_string(p) + " " + std::to_string(n);
            return edit([&] { DeleteBytes(&doc_, p, n); }, [&](StoreModel &m) { m.remove(p, n); });
        }
        case 3: {
            int64_t p = position(), m = pick(-1, 3 * chunk_), n = pick(0, 3 * chunk_);
            Bytes b = randomBytes(n);
            last_ = "replace " + std::to_string(p) + " " + std::to_string(m) + " " + std::to_string(n);
            return edit([&] { ReplaceBytes(&doc_, p, m, b.data(), n); },
                        [&](StoreModel &model) { model.replace(p, m, b.data(), n); });
        }
        case 4: {
            int64_t p = position(), m = pick(-1, 2 * chunk_), count = pick(0, 3 * chunk_);
            Bytes pattern = randomBytes(pick(1, 5));
            Bytes filled(static_cast<size_t>(count));
            for (int64_t i = 0; i < count; ++i) filled[i] = pattern[i % pattern.size()];
            last_ = "fill " + std::to_string(p) + " " + std::to_string(m) + " x" + std::to_string(count);
            return edit(
                [&] { FillBytes(&doc_, p, m, pattern.data(), pattern.size(), count, -1); },
                [&](StoreModel &model) {
                    if (m <= 0) model.insert(p, filled.data(), count);
                    else model.replace(p, m, filled.data(), count);
                });
        }
        case 5:
        case 6:
            last_ = "undo";
            stepThrough(Undo);
            return "";
        case 7:
            last_ = "redo";
            stepThrough(Redo);
            return "";
        case 8:
            last_ = "save in place";
            return save("");
        case 9: {
            static const char *names[] = {"a", "b", "c"};
            std::string name = folder_ + "/" + names[pick(0, 2)];
            last_ = "save as " + name;
            return save(name);
        }
        case 10: {
            // A save that fails at a random byte: the document stays complete
            // and still counts as changed where it was, or as changed
            // everywhere when the failure touched the file.
            const bool changedBefore = DocumentChanged(doc_);
            SaveFaults::WriteBudget = pick(0, size() + 1);
            last_ = "failing save, budget " + std::to_string(SaveFaults::WriteBudget);
            SaveResult r = SaveDocument(&doc_, "");
            SaveFaults::WriteBudget = -1;
            if (r.ok()) {
                saved_ = states_[index()];
                if (ReadFile(doc_.Store->FileName) != saved_) return "the file differs from the model";
            } else if (r.touched ? !DocumentChanged(doc_) : DocumentChanged(doc_) != changedBefore) {
                // A failure that wrote part of the file leaves no state saved.
                return "a failed save left the document's state wrong";
            }
            return "";
        }
        default:
            last_ = "reopen";
            if (DocumentChanged(doc_)) {
                std::string why = save("");
                if (!why.empty()) return why;
            }
            reopen(doc_.Store->FileName);
            return "";
        }
    }

    std::string check() {
        std::string why;
        if (!CheckInvariants(*doc_.Store, &why)) return why;
        if (StoreBytes(*doc_.Store) != states_[index()]) return "the document differs from the model";
        if (!DocumentChanged(doc_) && states_[index()] != saved_)
            return "a changed document counts as unchanged";
        return "";
    }

    std::mt19937 rng_;
    int64_t chunk_;
    std::string folder_;
    TinyLimits limits_;
    Document doc_;
    std::vector<Bytes> states_;   // the content at each history index
    Bytes saved_;                 // the content last saved
    int step_ = 0;
    std::string last_;
};

TEST(SaveRandom, EditsUndoRedoAndSavesMatchTheModel) {
    const uint32_t seed = SeedFromEnvironment(20240612);
    const int steps = StepsFromEnvironment(600);
    for (int64_t chunk : {1, 2, 5, 16, 64}) {
        RandomSession run(seed + static_cast<uint32_t>(chunk), chunk);
        std::string why = run.go(steps);
        ASSERT_EQ(why, "") << "seed " << seed << " (HEXALOOM_RANDOM_SEED), chunk length " << chunk;
    }
}

}  // namespace
