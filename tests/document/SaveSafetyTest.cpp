// Saves that are cut off, fail half way, or meet a file that changed under
// them: the file on disk is always the old or the new content (after the next
// open), and the document never counts as saved when it is not.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "StoreModel.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "document/Save.h"

using namespace hx;
using hx::test::Bytes;
using hx::test::Random;
using hx::test::Splice;
using hx::test::ReadFile;
using hx::test::StoreBytes;
using hx::test::WriteFile;

namespace {

// Kill tests write a lot: /dev/shm, where it can be written, keeps them fast.
std::string FastFolderBase() {
    return ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";
}

struct Folder : hx::test::TempDir {
    Folder() : TempDir(FastFolderBase()) {}
};

// An edit of a freshly opened store; returns the content it gives.
struct Scenario {
    const char *name;
    std::function<Bytes(Binary *, Bytes)> edit;
    bool saveAs = false;   // save onto another, existing file instead of in place
};

const Bytes kInsert = Random(21, 101);
const Bytes kOverwrite = Random(30, 103);

std::vector<Scenario> Scenarios() {
    return {
        {"InsertNearStart",
         [](Binary *s, Bytes b) {
             InsertBinary(s, 2, kInsert.data(), kInsert.size());
             return Splice(b, 2, 0, kInsert);
         }},
        {"DeleteNearStart",
         [](Binary *s, Bytes b) {
             RemoveBinary(s, 1, 19);
             return Splice(b, 1, 19, {});
         }},
        {"InsertInTheMiddle",
         [](Binary *s, Bytes b) {
             InsertBinary(s, 120, kInsert.data(), kInsert.size());
             return Splice(b, 120, 0, kInsert);
         }},
        {"Overwrite",
         [](Binary *s, Bytes b) {
             ReplaceBinary(s, 40, 30, kOverwrite.data(), 30);
             ReplaceBinary(s, 200, 5, kOverwrite.data(), 5);
             b = Splice(b, 40, 30, kOverwrite);
             return Splice(b, 200, 5, Bytes(kOverwrite.begin(), kOverwrite.begin() + 5));
         }},
        {"GrowPastTheEnd",
         [](Binary *s, Bytes b) {
             InsertBinary(s, s->Length, kInsert.data(), kInsert.size());
             InsertBinary(s, s->Length, kInsert.data(), kInsert.size());
             b.insert(b.end(), kInsert.begin(), kInsert.end());
             b.insert(b.end(), kInsert.begin(), kInsert.end());
             return b;
         }},
        {"SaveAsOntoAnExistingFile",
         [](Binary *s, Bytes b) {
             RemoveBinary(s, 1, 19);
             return Splice(b, 1, 19, {});
         },
         true},
    };
}

void PrintTo(const Scenario &s, std::ostream *os) { *os << s.name; }

class KilledSave : public ::testing::TestWithParam<Scenario> {};

// The child saves and is killed with SIGKILL at its n-th write, flush, rename
// or removal (a write cut off half way), for every n until the save gets
// through. The next open finds exactly the old or the new bytes, says so when
// it had to finish the save, and leaves no journal or temporary behind.
TEST_P(KilledSave, NextOpenFindsTheOldOrTheNewContent) {
    const Scenario &sc = GetParam();
    const Bytes original = Random(240, 100);
    Bytes expected;
    {
        Binary *probe = CreateBinary(-1, 16);
        InsertBinary(probe, 0, original.data(), original.size());
        expected = sc.edit(probe, original);
        FreeBinary(probe);
    }
    Folder dir;
    const std::string path = dir / "f";
    const std::string target = sc.saveAs ? dir / "target" : path;
    const Bytes targetBefore = sc.saveAs ? Random(77, 102) : original;
    int sawOld = 0, sawNew = 0, repaired = 0;
    for (int64_t step = 1;; ++step) {
        ASSERT_LT(step, 400) << "the save never got through";
        SCOPED_TRACE("step " + std::to_string(step));
        WriteFile(path, original);
        if (sc.saveAs) WriteFile(target, targetBefore);
        pid_t pid = ::fork();
        if (pid == 0) {
            Binary *s = OpenBinary(-1, path, 16);
            sc.edit(s, original);
            SaveFaults::KillAtStep = step;
            SaveResult r = SaveBinary(s, sc.saveAs ? target : "");
            ::_exit(r.ok() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        const bool finished = WIFEXITED(status);
        if (finished) ASSERT_EQ(WEXITSTATUS(status), 0) << "the save failed";
        else ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        const bool hadJournal = dir.entries().size() > (sc.saveAs ? 2u : 1u);
        Binary *again = OpenBinary(-1, target, 16);
        const Bytes onDisk = ReadFile(target);
        const bool isOld = onDisk == targetBefore, isNew = onDisk == expected;
        EXPECT_TRUE(isOld || isNew) << "a torn file";
        EXPECT_EQ(StoreBytes(*again), onDisk);
        if (again->Recovery == RecoveryFinishedNew) {
            ++repaired;
            EXPECT_TRUE(isNew);
        }
        FreeBinary(again);
        if (sc.saveAs) EXPECT_EQ(ReadFile(path), original) << "save as changed the source";
        // Temporaries of the killed process go at the next open in their folder.
        if (sc.saveAs) OpenBinary(-1, path, 16);
        EXPECT_EQ(dir.entries(), sc.saveAs ? (std::vector<std::string>{"f", "target"})
                                           : std::vector<std::string>{"f"});
        (void)hadJournal;
        sawOld += isOld;
        sawNew += isNew;
        if (finished) {
            EXPECT_TRUE(isNew);
            break;
        }
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);
    if (!sc.saveAs) EXPECT_GT(repaired, 0) << "no kill landed between the journal and its removal";
}

INSTANTIATE_TEST_SUITE_P(Edits, KilledSave, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario> &info) {
                             return std::string(info.param.name);
                         });

class SafetyTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (Binary *s : stores) FreeBinary(s);
        SaveFaults::WriteBudget = -1;
        SaveFaults::FailFlush = false;
        SaveFaults::WriteDelayMicros = 0;
        SaveProgress::Report = nullptr;
    }
    Binary *open(const std::string &path, int64_t chunk = 16) {
        stores.push_back(OpenBinary(-1, path, chunk));
        return stores.back();
    }
    Folder dir;
    std::vector<Binary *> stores;
};

// A save failing at every possible byte: either it failed before the file
// changed (the file is exactly as it was, a grown file cut back, and the
// document's saved state is kept), or it changed the file, no history state
// counts as saved any more, and the next open finishes the save.
TEST_F(SafetyTest, FailedSaveLeavesTheFileUntouchedOrNothingCountsAsSaved) {
    const Bytes original = Random(150, 103);
    int untouched = 0, touched = 0;
    for (int64_t budget = 0;; budget += 5) {
        ASSERT_LT(budget, 3000) << "the save never succeeded";
        SCOPED_TRACE("budget " + std::to_string(budget));
        for (const std::string &e : dir.entries()) ::unlink((dir / e).c_str());
        WriteFile(dir / "f", original);
        Document doc;
        doc.Store = OpenBinary(-1, dir / "f", 16);
        doc.Hist = CreateHistory(-1, DocumentHistoryLimit);
        const uint8_t first = 0x77;
        ReplaceBytes(&doc, 3, 1, &first, 1);
        doc.SavedHistoryIndex = HistoryIndex(doc.Hist);   // as after a save of this state
        InsertBytes(&doc, 1, kInsert.data(), kInsert.size());   // grows the file, shifts all
        Bytes content = Splice(original, 1, 0, kInsert);
        content[3 + kInsert.size()] = first;
        const int32_t saved = doc.SavedHistoryIndex;
        SaveFaults::WriteBudget = budget;
        SaveResult r = SaveDocument(&doc, "");
        SaveFaults::WriteBudget = -1;
        const bool done = r.ok();
        if (!done && !r.touched) {
            ++untouched;
            EXPECT_EQ(ReadFile(dir / "f"), original) << "untouched means the old bytes and length";
            EXPECT_EQ(doc.SavedHistoryIndex, saved);
        } else if (!done) {
            ++touched;
            EXPECT_EQ(doc.SavedHistoryIndex, -1);
            Undo(doc.Hist);
            EXPECT_TRUE(DocumentChanged(doc)) << "undo back to the old save point";
            Redo(doc.Hist);
            EXPECT_TRUE(DocumentChanged(doc));
        }
        EXPECT_EQ(StoreBytes(*doc.Store), content);
        FreeBinary(doc.Store);
        FreeHistory(doc.Hist);
        if (!done && r.touched) {
            Binary *again = OpenBinary(-1, dir / "f", 16);
            EXPECT_EQ(again->Recovery, RecoveryFinishedNew);
            EXPECT_EQ(ReadFile(dir / "f"), content);
            FreeBinary(again);
        }
        if (done) {
            EXPECT_EQ(ReadFile(dir / "f"), content);
            break;
        }
        if (HasFailure()) break;
    }
    EXPECT_GT(untouched, 0);
    EXPECT_GT(touched, 0);
}

// What another program did to the file since we opened it stops the in-place
// save before it writes anything; the whole-content save then writes what the
// document holds to the path.
TEST_F(SafetyTest, FileChangedOrReplacedUnderUsIsNotOverwrittenUnasked) {
    struct Case {
        const char *name;
        std::function<void(const std::string &)> meddle;
        SaveStatus status;
    };
    const std::vector<Case> cases = {
        {"deleted", [](const std::string &p) { ::unlink(p.c_str()); }, SaveStatus::FileReplaced},
        {"renamed over",
         [](const std::string &p) {
             WriteFile(p + ".new", Random(60, 104));
             ::rename((p + ".new").c_str(), p.c_str());
         },
         SaveStatus::FileReplaced},
        {"cut shorter", [](const std::string &p) { (void)!::truncate(p.c_str(), 50); }, SaveStatus::ChangedOnDisk},
        {"made longer", [](const std::string &p) { (void)!::truncate(p.c_str(), 500); }, SaveStatus::ChangedOnDisk},
        {"rewritten, same size",
         [](const std::string &p) {
             int fd = ::open(p.c_str(), O_WRONLY);
             (void)!::pwrite(fd, "zz", 2, 10);
             struct timespec later[2] = {{0, UTIME_OMIT}, {2000000000, 0}};
             ::futimens(fd, later);
             ::close(fd);
         },
         SaveStatus::ChangedOnDisk},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes original = Random(300, 105);
        WriteFile(dir / "f", original);
        Binary *s = OpenBinary(-1, dir / "f", 16);
        InsertBinary(s, 5, kInsert.data(), kInsert.size());
        const Bytes content = Splice(original, 5, 0, kInsert);
        ReadBinary(s, 0, 16, SlotFirstPane);   // as shown: the view read the start
        c.meddle(dir / "f");
        const bool exists = FileExists(dir / "f");
        const Bytes before = exists ? ReadFile(dir / "f") : Bytes{};
        for (const std::string &name : {std::string(), dir / "f"}) {
            SaveResult r = SaveBinary(s, name);
            EXPECT_EQ(r.status, c.status);
            EXPECT_FALSE(r.touched);
            EXPECT_EQ(FileExists(dir / "f"), exists);
            if (exists) EXPECT_EQ(ReadFile(dir / "f"), before) << "nothing was written";
        }
        if (std::string(c.name) == "cut shorter") {
            // The bytes cut away cannot be read from the open file any more.
            EXPECT_EQ(SaveBinaryFull(s, "").status, SaveStatus::UnreadableSource);
            EXPECT_EQ(ReadFile(dir / "f"), before);
            FreeBinary(s);
            continue;
        }
        ASSERT_TRUE(SaveBinaryFull(s, "").ok());
        EXPECT_EQ(ReadFile(dir / "f"), content);
        EXPECT_EQ(StoreBytes(*s), content);
        // The store now reads the new file; in-place saves work again.
        RemoveBinary(s, 0, 1);
        ASSERT_TRUE(SaveBinary(s, "").ok());
        EXPECT_EQ(ReadFile(dir / "f"), Splice(content, 0, 1, {}));
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"f"});
        FreeBinary(s);
    }
}

// Runs body in a child with a file-size limit and the signal at its default.
std::string InChildWithLimit(rlim_t bytes, const std::function<std::string()> &body) {
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_DFL);
        struct rlimit lim {};
        ::getrlimit(RLIMIT_FSIZE, &lim);
        lim.rlim_cur = bytes;
        std::string report = ::setrlimit(RLIMIT_FSIZE, &lim) == 0 ? body() : "setrlimit failed";
        (void)!::write(fds[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string out;
    char buf[256];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return out;
}

TEST_F(SafetyTest, FileSizeLimitFailsTheSaveInsteadOfEndingTheProgram) {
    const Bytes original = Random(100, 106);
    WriteFile(dir / "f", original);
    const std::string report = InChildWithLimit(4096, [&]() -> std::string {
        Binary *s = OpenBinary(-1, dir / "f", 16);
        Bytes big(8192, 1);
        InsertBinary(s, 0, big.data(), big.size());
        SaveResult r = SaveBinary(s, dir / "copy");
        if (r.status != SaveStatus::WriteFailed || r.error != EFBIG) return "save as: expected EFBIG";
        r = SaveBinary(s, "");
        if (r.status != SaveStatus::WriteFailed || r.error != EFBIG) return "in place: expected EFBIG";
        return "";
    });
    EXPECT_EQ(report, "");
    EXPECT_EQ(ReadFile(dir / "f"), original);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"f"});
}

TEST_F(SafetyTest, UnreadableBytesAreSavedAsZerosOnlyToAnotherFile) {
    const Bytes original = Random(100, 107);
    WriteFile(dir / "f", original);
    Binary *s = open(dir / "f");
    ASSERT_EQ(::truncate((dir / "f").c_str(), 40), 0);   // cut under the store
    ReadBinary(s, 0, -1, SlotSearch);
    ASSERT_TRUE(BinaryHasReadFailure(s));
    EXPECT_EQ(UnreadableBytes(s), 68) << "the chunks from 32 on came up short";
    const uint8_t x = 9;
    ReplaceBinary(s, 0, 1, &x, 1);
    Bytes content = StoreBytes(*s);
    EXPECT_EQ(SaveBinaryWithZeros(s, "").status, SaveStatus::UnreadableSource);
    EXPECT_EQ(SaveBinaryWithZeros(s, dir / "f").status, SaveStatus::UnreadableSource);
    EXPECT_EQ(SaveBinary(s, dir / "copy").status, SaveStatus::UnreadableSource);
    ASSERT_TRUE(SaveBinaryWithZeros(s, dir / "copy").ok());
    Bytes want = Bytes(original.begin(), original.begin() + 40);
    want[0] = x;
    want.resize(100, 0);
    EXPECT_EQ(ReadFile(dir / "copy"), want);
    EXPECT_EQ(UnreadableBytes(s), 0) << "the zeros are now the document's bytes";
    EXPECT_EQ(StoreBytes(*s), want);
    RemoveBinary(s, 99, 1);
    ASSERT_TRUE(SaveBinary(s, "").ok()) << "saves work again";
    EXPECT_EQ(ReadFile(dir / "copy"), Bytes(want.begin(), want.end() - 1));
}

TEST_F(SafetyTest, TemporariesHaveShortNamesAndStaleOnesAreRemoved) {
    const std::string longName(250, 'n');
    pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string stale = ".hxl-t" + std::to_string(dead) + "-abcdef";
    const std::string live = ".hxl-t" + std::to_string(::getppid()) + "-abcdef";
    WriteFile(dir / stale, Random(10, 108));
    WriteFile(dir / live, Random(10, 109));
    Binary *s = CreateBinary(-1, 16);
    stores.push_back(s);
    const Bytes content = Random(40, 110);
    InsertBinary(s, 0, content.data(), content.size());
    ASSERT_TRUE(SaveBinary(s, dir / longName).ok());
    EXPECT_EQ(ReadFile(dir / longName), content);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{live, longName}))
        << "the dead process's temporary went, the running one's stayed";
    struct stat st {};
    ::stat((dir / longName).c_str(), &st);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask) << "a new file gets the usual mode";
}

TEST_F(SafetyTest, SaveAsKeepsTheTargetsOwnerAndGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give files to others";
    WriteFile(dir / "target", Random(10, 111));
    ASSERT_EQ(::chown((dir / "target").c_str(), 1234, 4321), 0);
    Binary *s = CreateBinary(-1, 16);
    stores.push_back(s);
    const Bytes content = Random(30, 112);
    InsertBinary(s, 0, content.data(), content.size());
    ASSERT_TRUE(SaveBinary(s, dir / "target").ok());
    struct stat st {};
    ::stat((dir / "target").c_str(), &st);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 4321u);
}

TEST_F(SafetyTest, SavesReportProgressAndHonourTheSlowDiskHook) {
    const int64_t length = 10 << 20;
    WriteFile(dir / "f", {});
    ASSERT_EQ(::truncate((dir / "f").c_str(), length), 0);
    Binary *s = open(dir / "f", 1 << 20);
    std::vector<std::pair<int64_t, int64_t>> reports;
    SaveProgress::Report = [&](int64_t done, int64_t total) { reports.emplace_back(done, total); };
    for (const std::string &name : {dir / "copy", std::string()}) {
        reports.clear();
        const uint8_t x = 1;
        InsertBinary(s, 0, &x, 1);
        ASSERT_TRUE(SaveBinary(s, name).ok());
        ASSERT_GE(reports.size(), 3u) << "start, every few MiB, end";
        EXPECT_EQ(reports.front().first, 0);
        EXPECT_EQ(reports.back().first, reports.back().second);
        EXPECT_GE(reports.back().second, length);
        for (size_t i = 1; i < reports.size(); ++i) EXPECT_GE(reports[i].first, reports[i - 1].first);
    }
    SaveProgress::Report = nullptr;
    SaveFaults::WriteDelayMicros = 20000;
    const uint8_t x = 2;
    ReplaceBinary(s, 0, 1, &x, 1);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(SaveBinary(s, "").ok());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40))
        << "the journal's writes and the file's write each waited";
}

// Our own saves update what we last saw: saving twice in a row is no
// "changed by another program".
TEST_F(SafetyTest, OwnSavesAndOpensRecordTheFileStamp) {
    WriteFile(dir / "f", Random(64, 113));
    Binary *s = open(dir / "f");
    struct stat st {};
    ::stat((dir / "f").c_str(), &st);
    EXPECT_EQ(s->FileStamp.Inode, st.st_ino);
    EXPECT_EQ(s->FileStamp.Size, 64);
    for (int i = 0; i < 3; ++i) {
        const uint8_t x = static_cast<uint8_t>(i);
        InsertBinary(s, 0, &x, 1);
        ASSERT_TRUE(SaveBinary(s, "").ok()) << i;
        EXPECT_EQ(s->FileStamp.Size, 65 + i);
    }
    ASSERT_TRUE(SaveBinary(s, dir / "g").ok());
    ::stat((dir / "g").c_str(), &st);
    EXPECT_EQ(s->FileStamp.Inode, st.st_ino);
    ASSERT_TRUE(SaveBinary(s, "").ok());
}

}  // namespace
