// Saves after a failed save, and the journal that makes a failed or cut-off
// in-place save repairable: sequences of saves with failing calls checked
// against a model after every step, the order of the calls that makes the
// journal worth having, and journals that must not be replayed.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "StoreModel.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "document/Journal.h"
#include "document/Save.h"
#include "document/SaveIo.h"

using namespace hx;
using hx::saveio::Call;
using hx::saveio::CallRecord;
using hx::saveio::Fault;
using hx::saveio::Seam;
using hx::test::Bytes;
using hx::test::CheckInvariants;
using hx::test::Random;
using hx::test::ReadFile;
using hx::test::Splice;
using hx::test::StoreBytes;
using hx::test::TempDir;
using hx::test::WriteFile;

namespace {

std::string FastBase() { return ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : ""; }

// Journals (live or put aside) and save temporaries.
bool IsJournalName(const std::string &name) {
    return name.rfind(".hxl-", 0) == 0 || name.find(".hexaloom-journal-") != std::string::npos;
}

std::map<std::string, Bytes> JournalFiles(const std::string &folder) {
    std::map<std::string, Bytes> out;
    if (DIR *d = ::opendir(folder.c_str())) {
        while (dirent *e = ::readdir(d))
            if (IsJournalName(e->d_name)) out[e->d_name] = ReadFile(folder + "/" + e->d_name);
        ::closedir(d);
    }
    return out;
}

void PutBack(const std::string &folder, const std::map<std::string, Bytes> &was) {
    for (const auto &[name, bytes] : JournalFiles(folder))
        if (!was.count(name)) ::unlink((folder + "/" + name).c_str());
    for (const auto &[name, bytes] : was) WriteFile(folder + "/" + name, bytes);
}

// What an open of the file reports.
struct Opened {
    Bytes content;
    int32_t recovery = -1;
    std::string keptAside;
};

void Append(Bytes &out, const void *p, size_t n) {
    out.insert(out.end(), static_cast<const uint8_t *>(p), static_cast<const uint8_t *>(p) + n);
}

class JournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char *a = std::getenv("APPDATA")) appData_ = a;
        ::setenv("APPDATA", config.path().c_str(), 1);
    }
    void TearDown() override {
        Seam::Disarm();
        Seam::Record = nullptr;
        if (appData_) ::setenv("APPDATA", appData_->c_str(), 1);
        else ::unsetenv("APPDATA");
    }

    std::string fallback() const { return JournalFallbackFolder(); }

    // Every journal and temporary of both folders.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> out;
        for (const auto &[name, bytes] : JournalFiles(dir.path())) out.push_back("beside: " + name);
        for (const auto &[name, bytes] : JournalFiles(fallback())) out.push_back("fallback: " + name);
        return out;
    }

    void removeLeftovers() {
        PutBack(dir.path(), {});
        PutBack(fallback(), {});
    }

    // What opening the file would find now. A child process opens it (and
    // repairs it when a journal says so) and reports; then the file and the
    // journals of both folders are put back as they were (bytes, length,
    // modification time), so that the store open here still reads its file.
    Opened whatAnOpenFinds(Binary *session) {
        const Bytes bytes = ReadFile(path);
        struct stat st {};
        ::stat(path.c_str(), &st);
        const auto beside = JournalFiles(dir.path()), away = JournalFiles(fallback());
        int fds[2];
        if (::pipe(fds) != 0) return {};
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            // Another open store of the file keeps the repair from happening.
            if (session) FreeBinary(session);
            Binary *s = OpenBinary(-1, path, 4096);
            Bytes report;
            Append(report, &s->Recovery, 4);
            const uint64_t n = s->RecoveryJournal.size();
            Append(report, &n, 8);
            Append(report, s->RecoveryJournal.data(), n);
            const Bytes content = StoreBytes(*s);
            Append(report, content.data(), content.size());
            (void)!::write(fds[1], report.data(), report.size());
            ::_exit(0);
        }
        ::close(fds[1]);
        Bytes report;
        uint8_t buffer[65536];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) Append(report, buffer, size_t(n));
        ::close(fds[0]);
        ::waitpid(pid, nullptr, 0);
        Opened out;
        uint64_t n = 0;
        if (report.size() >= 12) {
            std::memcpy(&out.recovery, report.data(), 4);
            std::memcpy(&n, report.data() + 4, 8);
            out.keptAside.assign(report.begin() + 12, report.begin() + 12 + n);
            out.content.assign(report.begin() + 12 + n, report.end());
        }
        const int fd = ::open(path.c_str(), O_WRONLY);
        (void)!::pwrite(fd, bytes.data(), bytes.size(), 0);
        (void)!::ftruncate(fd, static_cast<off_t>(bytes.size()));
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(fd, times);
        ::close(fd);
        PutBack(dir.path(), beside);
        PutBack(fallback(), away);
        return out;
    }

    TempDir dir{FastBase()}, config{FastBase()};
    const std::string path = dir / "f";

private:
    std::optional<std::string> appData_;
};

// ---- sequences of saves against a model ----------------------------------

using Edit = std::function<Bytes(Document &, Bytes)>;

struct SaveStep {
    Edit edit;                  // none: save again as it is
    std::vector<Fault> faults;  // armed for this save
};

struct Sequence {
    std::string name;
    Bytes original;
    int64_t chunk;
    std::vector<SaveStep> saves;
    // A named case's own expectations after save i (all: its faults fired).
    std::function<void(size_t i, const SaveResult &, Document &, const Opened &, bool all)> expect;
};

Bytes Insert(Document &doc, Bytes b, int64_t at, const Bytes &x) {
    InsertBytes(&doc, at, x.data(), static_cast<int64_t>(x.size()));
    return Splice(std::move(b), size_t(at), 0, x);
}

Bytes Delete(Document &doc, Bytes b, int64_t at, int64_t n) {
    DeleteBytes(&doc, at, n);
    return Splice(std::move(b), size_t(at), size_t(n), {});
}

// One to three random edits: insert, delete, overwrite, cut to a shorter
// length, grow at the end.
Edit RandomEdits(uint32_t seed) {
    return [seed](Document &doc, Bytes b) {
        std::mt19937 rng(seed);
        auto pick = [&](int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(rng); };
        for (int64_t k = pick(1, 3); k > 0; --k) {
            const int64_t size = static_cast<int64_t>(b.size()), at = pick(0, size);
            switch (pick(0, 4)) {
            case 0: b = Insert(doc, b, at, Random(size_t(pick(1, 9000)), uint32_t(rng()))); break;
            case 1: b = Delete(doc, b, at, pick(0, size - at)); break;
            case 2: {
                const Bytes x = Random(size_t(pick(0, size - at)), uint32_t(rng()));
                ReplaceBytes(&doc, at, int64_t(x.size()), x.data(), int64_t(x.size()));
                b = Splice(b, size_t(at), x.size(), x);
                break;
            }
            case 3: b = Delete(doc, b, at, size - at); break;
            default: b = Insert(doc, b, size, Random(size_t(pick(1, 9000)), uint32_t(rng()))); break;
            }
        }
        return b;
    };
}

// The three reported cases, then every kind of call failing at its first few
// calls in the first of two or three saves of random edits, then random
// failures in every save.
std::vector<Sequence> Sequences() {
    std::vector<Sequence> out;
    const Bytes big = Random(100000, 7);
    const Bytes x = Random(40, 8);
    const Edit insertNearStart = [x](Document &doc, Bytes b) { return Insert(doc, b, 5, x); };
    out.push_back({"SecondFailedSaveKeepsTheFirstJournal", big, 16384,
                   {{insertNearStart, {{Call::Pwrite, 2, EIO}}}, {{}, {{Call::Fsync, 1, EIO}}}},
                   [big, x](size_t i, const SaveResult &r, Document &, const Opened &o, bool all) {
                       EXPECT_TRUE(all);
                       EXPECT_TRUE(r.touched);
                       if (i == 0) return;
                       EXPECT_EQ(r.status, SaveStatus::NeedsRepair);
                       EXPECT_EQ(o.recovery, RecoveryFinishedNew);
                       EXPECT_EQ(o.content, Splice(big, 5, 0, x)) << "the first save's new content";
                   }});
    out.push_back({"CutWithFailedFlushCountsAsTouched", big, 16384,
                   {{[](Document &doc, Bytes b) { return Delete(doc, b, 50000, 50000); }, {{Call::Fsync, 3, EIO}}}},
                   [](size_t, const SaveResult &r, Document &doc, const Opened &, bool all) {
                       EXPECT_TRUE(all);
                       EXPECT_EQ(r.status, SaveStatus::WriteFailed);
                       EXPECT_TRUE(r.touched);
                       Undo(doc.Hist);
                       EXPECT_EQ(doc.Store->Length, 100000);
                       EXPECT_TRUE(DocumentChanged(doc)) << "closing asks";
                       Redo(doc.Hist);
                   }});
    out.push_back({"FallbackJournalIsNotReplayedOverLaterSaves", big, 16384,
                   {{insertNearStart, {{Call::Create, 1, ENOSPC}, {Call::Pwrite, 1, EIO}}},
                    {{}, {}},
                    {[](Document &doc, Bytes b) { return Delete(doc, b, 70000, 3); }, {}}},
                   [](size_t i, const SaveResult &r, Document &, const Opened &o, bool all) {
                       EXPECT_TRUE(all);
                       EXPECT_EQ(r.ok(), i > 0);
                       if (i == 2) {
                           EXPECT_EQ(o.recovery, RecoveryNone) << "nothing was repaired";
                       }
                   }});
    const Call kinds[] = {Call::Create, Call::Write, Call::Pwrite, Call::Fsync,
                          Call::Ftruncate, Call::Fallocate, Call::Rename, Call::Unlink};
    uint32_t seed = 100;
    for (Call kind : kinds) {
        for (int64_t nth : {1, 2, 3, 5}) {
            ++seed;
            Sequence s{std::string(saveio::CallName(kind)) + " #" + std::to_string(nth), Random(seed % 20000, seed),
                       int64_t(700 + seed % 5000), {}, {}};
            const int error = nth % 2 ? EIO : ENOSPC;
            s.saves.push_back({RandomEdits(seed), {{kind, nth, error}}});
            s.saves.push_back({seed % 3 ? RandomEdits(seed + 1) : Edit(), {}});
            if (seed % 2) s.saves.push_back({RandomEdits(seed + 2), {{kinds[seed % 8], 1 + seed % 3, EIO}}});
            out.push_back(s);
        }
    }
    for (uint32_t k = 0; k < 16; ++k) {
        std::mt19937 rng(500 + k);
        Sequence s{"random " + std::to_string(k), Random(rng() % 30000, rng()), int64_t(500 + rng() % 9000), {}, {}};
        for (int n = 2 + int(rng() % 2); n > 0; --n)
            s.saves.push_back({RandomEdits(rng()), {{kinds[rng() % 8], int64_t(1 + rng() % 4), rng() % 2 ? EIO : ENOSPC}}});
        out.push_back(s);
    }
    return out;
}

// After every save: the document still holds every byte; a successful save
// leaves the new content and no journal; an open finds the old or the new
// content, never a third; a failure that did not touch the file left it as
// it was; and a state counted as unchanged is what the file holds.
TEST_F(JournalTest, SavesWithOneFailingCallKeepTheFileOldOrNew) {
    for (const Sequence &sq : Sequences()) {
        SCOPED_TRACE(sq.name);
        removeLeftovers();
        WriteFile(path, sq.original);
        Document doc;
        doc.Store = OpenBinary(-1, path, sq.chunk);
        doc.Hist = CreateHistory(-1, DocumentHistoryLimit);
        std::vector<std::optional<Bytes>> states{sq.original};  // by history index
        Bytes meaning = sq.original;                            // what an open finds
        for (size_t i = 0; i < sq.saves.size() && !HasFailure(); ++i) {
            SCOPED_TRACE("save " + std::to_string(i + 1));
            const SaveStep &step = sq.saves[i];
            Bytes content = StoreBytes(*doc.Store);
            if (step.edit) {
                content = step.edit(doc, content);
                states.resize(size_t(HistoryIndex(doc.Hist)) + 1);
                states.back() = content;
            }
            ASSERT_EQ(StoreBytes(*doc.Store), content);
            const Bytes before = ReadFile(path);
            Seam::Arm(step.faults);
            const SaveResult r = SaveDocument(&doc, "");
            const bool allFired = Seam::Faults.empty();
            Seam::Disarm();
            std::string why;
            ASSERT_TRUE(CheckInvariants(*doc.Store, &why)) << why;
            EXPECT_EQ(StoreBytes(*doc.Store), content) << "the document lost bytes";
            EXPECT_EQ(r.keptAside, "");
            const Opened o = whatAnOpenFinds(doc.Store);
            EXPECT_EQ(o.keptAside, "") << "a journal of ours did not fit";
            if (r.ok()) {
                EXPECT_EQ(ReadFile(path), content);
                EXPECT_EQ(o.content, content);
                EXPECT_EQ(o.recovery, RecoveryNone);
                EXPECT_EQ(leftovers(), std::vector<std::string>{}) << "a journal after a successful save";
            } else {
                EXPECT_TRUE(o.content == meaning || o.content == content) << "a third content";
                if (!r.touched) {
                    EXPECT_EQ(ReadFile(path), before) << "untouched, but the file changed";
                }
            }
            meaning = o.content;
            const int32_t saved = doc.SavedHistoryIndex;
            if (saved >= 0) {
                ASSERT_LT(size_t(saved), states.size());
                EXPECT_TRUE(states[size_t(saved)] == meaning) << "counted as unchanged, but not what the file holds";
            }
            if (sq.expect) sq.expect(i, r, doc, o, allFired);
        }
        FreeBinary(doc.Store);
        FreeHistory(doc.Hist);
        Binary *again = OpenBinary(-1, path, sq.chunk);
        EXPECT_EQ(StoreBytes(*again), meaning);
        FreeBinary(again);
        EXPECT_EQ(leftovers(), std::vector<std::string>{}) << "the open left a journal";
        if (HasFailure()) break;
    }
}

// ---- the order of the calls ---------------------------------------------

struct Calls {
    const std::vector<CallRecord> &all;

    // Index of the first call from `from` on that matches; -1 when none.
    int64_t find(int64_t from, const std::function<bool(const CallRecord &)> &match) const {
        for (size_t i = size_t(std::max<int64_t>(from, 0)); i < all.size(); ++i)
            if (match(all[i])) return int64_t(i);
        return -1;
    }
    int64_t last(const std::function<bool(const CallRecord &)> &match) const {
        for (size_t i = all.size(); i-- > 0;)
            if (match(all[i])) return int64_t(i);
        return -1;
    }
};

bool Changes(const CallRecord &c, const std::string &file) {
    return c.path == file && (c.call == Call::Pwrite || c.call == Call::Write || c.call == Call::Ftruncate ||
                              c.call == Call::Fallocate);
}

bool IsJournal(const std::string &p) { return p.find("/.hxl-j") != std::string::npos; }
bool IsTemporary(const std::string &p) { return p.find("/.hxl-t") != std::string::npos; }

// The journal (its bytes and its folder entry) is on disk before the first
// byte of the file changes; the file is on disk before the journal goes; the
// repair at open writes and flushes the file before it removes the journal.
TEST_F(JournalTest, CallsComeInTheOrderThatMakesTheJournalWorthHaving) {
    const Bytes original = Random(30000, 11);
    const Bytes x = Random(100, 12);
    std::vector<CallRecord> record;
    for (bool fail : {false, true}) {
        SCOPED_TRACE(fail ? "failing save, then the repair" : "save");
        removeLeftovers();
        WriteFile(path, original);
        Binary *s = OpenBinary(-1, path, 4000);
        InsertBinary(s, 10, x.data(), int64_t(x.size()));
        record.clear();
        Seam::Record = &record;
        Seam::Arm(fail ? std::vector<Fault>{{Call::Pwrite, 3, EIO}} : std::vector<Fault>{});
        const SaveResult r = SaveBinary(s, "");
        Seam::Record = nullptr;
        FreeBinary(s);
        ASSERT_EQ(r.ok(), !fail);
        const Calls calls{record};
        const int64_t first = calls.find(0, [&](const CallRecord &c) { return Changes(c, path); });
        ASSERT_GE(first, 0);
        const int64_t wrote = calls.last([](const CallRecord &c) { return c.call == Call::Write && IsTemporary(c.path); });
        ASSERT_GE(wrote, 0);
        const std::string temporary = record[size_t(wrote)].path;
        const int64_t flushed = calls.find(wrote, [&](const CallRecord &c) { return c.call == Call::Fsync && c.path == temporary; });
        const int64_t renamed = calls.find(flushed, [&](const CallRecord &c) { return c.call == Call::Rename && c.path == temporary; });
        ASSERT_GE(renamed, 0) << "the journal's bytes were not flushed before its rename";
        const std::string journal = record[size_t(renamed)].to;
        const int64_t entry = calls.find(renamed, [&](const CallRecord &c) { return c.call == Call::Fsync && c.path == FolderOf(journal); });
        EXPECT_GE(flushed, 0);
        EXPECT_GE(entry, 0);
        EXPECT_LT(entry, first) << "the file changed before its journal was on disk";
        if (!fail) {
            const int64_t lastChange = calls.last([&](const CallRecord &c) { return Changes(c, path); });
            const int64_t durable = calls.find(lastChange, [&](const CallRecord &c) { return c.call == Call::Fsync && c.path == path; });
            const int64_t removed = calls.find(0, [&](const CallRecord &c) { return c.call == Call::Unlink && c.path == journal; });
            ASSERT_GE(removed, 0);
            EXPECT_GE(durable, 0);
            EXPECT_LT(durable, removed) << "the journal went before the file was on disk";
            continue;
        }
        record.clear();
        Seam::Record = &record;
        Binary *again = OpenBinary(-1, path, 4000);
        Seam::Record = nullptr;
        EXPECT_EQ(again->Recovery, RecoveryFinishedNew);
        EXPECT_EQ(StoreBytes(*again), Splice(original, 10, 0, x));
        FreeBinary(again);
        const int64_t wroteAgain = calls.find(0, [&](const CallRecord &c) { return Changes(c, path); });
        const int64_t lastChange = calls.last([&](const CallRecord &c) { return Changes(c, path); });
        const int64_t durable = calls.find(lastChange, [&](const CallRecord &c) { return c.call == Call::Fsync && c.path == path; });
        const int64_t removed = calls.find(0, [&](const CallRecord &c) { return c.call == Call::Unlink && IsJournal(c.path); });
        ASSERT_GE(wroteAgain, 0) << "the repair wrote nothing";
        ASSERT_GE(removed, 0);
        EXPECT_GE(durable, 0);
        EXPECT_LT(durable, removed) << "the journal went before the repaired file was on disk";
    }
}

// ---- journals that must not be replayed ------------------------------------

// A failed save leaves the file torn with its journal; then the journal or
// the file is spoilt. The open puts the journal aside under a plain name,
// says so, and leaves the file as it is.
TEST_F(JournalTest, JournalThatDoesNotFitIsPutAsideAndNotReplayed) {
    struct Case {
        const char *name;
        std::function<void(const std::string &journal, const std::string &file)> spoil;
    };
    const Bytes original = Random(20000, 13);
    const Bytes x = Random(50, 14);
    const Bytes saved = Splice(original, 0, 0, x);
    ASSERT_NE(original[12288], saved[12288]);
    ASSERT_NE(original[16384], saved[16384]);
    auto flip = [](const std::string &p, int64_t at) {
        Bytes b = ReadFile(p);
        b[size_t(at < 0 ? int64_t(b.size()) + at : at)] ^= 0x20;
        WriteFile(p, b);
    };
    const std::vector<Case> cases = {
        {"shorter than its header says", [](const std::string &j, const std::string &) { (void)!::truncate(j.c_str(), ::lseek(::open(j.c_str(), O_RDONLY), 0, SEEK_END) - 1); }},
        {"longer than its header says", [](const std::string &j, const std::string &) {
             Bytes b = ReadFile(j);
             b.push_back(0);
             WriteFile(j, b);
         }},
        {"header changed", [&](const std::string &j, const std::string &) { flip(j, 40); }},
        {"record header changed", [&](const std::string &j, const std::string &) { flip(j, 80 + 3); }},
        {"a new byte changed", [&](const std::string &j, const std::string &) { flip(j, 80 + 16 + 12 + 7); }},
        {"trailer changed", [&](const std::string &j, const std::string &) { flip(j, -2); }},
        {"file made longer since", [](const std::string &, const std::string &f) {
             Bytes b = ReadFile(f);
             b.push_back(1);
             WriteFile(f, b);
         }},
        {"file rewritten since", [&](const std::string &, const std::string &f) { flip(f, 9000); }},
        // Blocks that look like a write cut off in them: one whose first byte
        // is new, followed by blocks of new bytes; or two such blocks.
        {"file saved since, its first byte kept", [&](const std::string &, const std::string &f) {
             Bytes b = saved;
             b[100] ^= 1;
             WriteFile(f, b);
         }},
        {"two blocks begin with their new byte", [&](const std::string &, const std::string &f) {
             Bytes b = ReadFile(f);
             for (size_t at : {size_t(12288), size_t(16384)}) b[at] = saved[at];
             WriteFile(f, b);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        removeLeftovers();
        WriteFile(path, original);
        Binary *s = OpenBinary(-1, path, 4000);
        InsertBinary(s, 0, x.data(), int64_t(x.size()));
        Seam::Arm({{Call::Pwrite, 2, EIO}});
        ASSERT_TRUE(SaveBinary(s, "").touched);
        Seam::Disarm();
        FreeBinary(s);
        const auto journals = JournalFiles(dir.path());
        ASSERT_EQ(journals.size(), 1u);
        const std::string journal = dir / journals.begin()->first;
        c.spoil(journal, path);
        const Bytes before = ReadFile(path), spoilt = ReadFile(journal);
        Binary *again = OpenBinary(-1, path, 4000);
        EXPECT_NE(again->Recovery, RecoveryFinishedNew);
        EXPECT_EQ(ReadFile(path), before) << "the file was touched";
        EXPECT_NE(again->RecoveryJournal.find(dir / "f.hexaloom-journal-"), std::string::npos) << again->RecoveryJournal;
        EXPECT_EQ(ReadFile(again->RecoveryJournal), spoilt) << "kept as it was";
        EXPECT_FALSE(FileExists(journal));
        FreeBinary(again);
    }
}

// One journal beside the file from a save that was later superseded by
// another program's change, one in the fallback folder that fits: the open
// looks in both places and replays only the one that fits.
TEST_F(JournalTest, OpenReplaysOnlyTheJournalThatFitsWhereverItLies) {
    const Bytes original = Random(20000, 15);
    const Bytes x = Random(30, 16);
    WriteFile(path, original);
    Binary *s = OpenBinary(-1, path, 4000);
    InsertBinary(s, 0, x.data(), int64_t(x.size()));
    Seam::Arm({{Call::Pwrite, 1, EIO}});
    ASSERT_TRUE(SaveBinary(s, "").touched);
    const auto stale = JournalFiles(dir.path());
    ASSERT_EQ(stale.size(), 1u);
    Seam::Disarm();
    ASSERT_TRUE(SaveBinary(s, "").ok());
    const Bytes y = Random(4000, 17);
    ReplaceBinary(s, 100, int64_t(y.size()), y.data(), int64_t(y.size()));
    ReplaceBinary(s, 15000, 10, y.data(), 10);
    Seam::Arm({{Call::Create, 1, ENOSPC}, {Call::Pwrite, 3, EIO}});
    ASSERT_TRUE(SaveBinary(s, "").touched);
    Seam::Disarm();
    const Bytes expected = StoreBytes(*s);
    FreeBinary(s);
    EXPECT_EQ(JournalFiles(fallback()).size(), 1u) << "the second journal went to the fallback folder";
    PutBack(dir.path(), stale);
    ASSERT_NE(ReadFile(path), expected) << "the second save left the file as it should be";
    Binary *again = OpenBinary(-1, path, 4000);
    EXPECT_EQ(again->Recovery, RecoveryFinishedNew);
    EXPECT_EQ(StoreBytes(*again), expected);
    EXPECT_NE(again->RecoveryJournal, "") << "the stale one was put aside";
    FreeBinary(again);
    EXPECT_EQ(JournalFiles(fallback()).size(), 0u);
}

// A second store of the same file (another window reading it) does not
// repair it under the first one, whose failed save the journal belongs to.
TEST_F(JournalTest, OpenLeavesTheJournalOfAFileAnotherStoreHasOpen) {
    const Bytes original = Random(20000, 18);
    WriteFile(path, original);
    Binary *s = OpenBinary(-1, path, 4000);
    const Bytes x = Random(10, 19);
    InsertBinary(s, 0, x.data(), int64_t(x.size()));
    Seam::Arm({{Call::Pwrite, 2, EIO}});
    ASSERT_TRUE(SaveBinary(s, "").touched);
    Seam::Disarm();
    const Bytes torn = ReadFile(path);
    Binary *second = OpenBinary(-1, path, 4000);
    EXPECT_EQ(second->Recovery, RecoveryNone);
    EXPECT_EQ(ReadFile(path), torn);
    EXPECT_EQ(JournalFiles(dir.path()).size(), 1u);
    FreeBinary(second);
    EXPECT_EQ(StoreBytes(*s), Splice(original, 0, 0, x));
    ASSERT_TRUE(SaveBinary(s, "").ok());
    FreeBinary(s);
    EXPECT_EQ(ReadFile(path), Splice(original, 0, 0, x));
}

}  // namespace
