#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <dirent.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
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
using hx::test::CheckInvariants;
using hx::test::ReadFile;
using hx::test::StoreBytes;
using hx::test::TempDir;
using hx::test::WriteFile;

namespace {

// ---- files --------------------------------------------------------------

ino_t InodeOf(const std::string &path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

// The store's bytes as every reader sees them, and its invariants (a clean
// chunk must match the file at its offset).
::testing::AssertionResult Holds(Binary *store, const Bytes &expected) {
    std::string why;
    if (!CheckInvariants(*store, &why)) return ::testing::AssertionFailure() << why;
    if (StoreBytes(*store) != expected)
        return ::testing::AssertionFailure() << "store bytes differ from the expected content";
    return ::testing::AssertionSuccess();
}

int64_t ModifiedBytes(const Binary *store) {
    int64_t n = 0;
    for (const BinaryChunk &c : store->Chunks)
        if (c.Modified) n += c.Length;
    return n;
}

class SaveTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (Binary *s : stores) FreeBinary(s);
        SaveFaults::WriteBudget = -1;
        SaveFaults::FailFlush = false;
    }
    Binary *open(const std::string &path, int64_t chunk) {
        stores.push_back(OpenBinary(-1, path, chunk));
        return stores.back();
    }
    Binary *create(int64_t chunk) {
        stores.push_back(CreateBinary(-1, chunk));
        return stores.back();
    }

    TempDir dir;
    std::vector<Binary *> stores;
};

// ---- opening with the documents' chunk length ----------------------------

TEST_F(SaveTest, DocumentFilesAreLaidOutInChunksOfFourMillionWithoutReading) {
    struct Case {
        int64_t length;
        std::vector<int64_t> chunks;
    };
    const int64_t L = DocumentChunkLength;
    for (const Case &c : {Case{2 * L + 1, {L, L, 1}}, Case{2 * L, {L, L}}, Case{0, {0}}}) {
        const std::string path = dir / ("f" + std::to_string(c.length));
        WriteFile(path, {});
        ASSERT_EQ(::truncate(path.c_str(), c.length), 0);
        Binary *s = open(path, L);
        EXPECT_EQ(hx::test::ChunkLengths(*s), c.chunks) << c.length;
        EXPECT_EQ(GetBinaryCacheSize(s), 0) << "nothing was read";
    }
}

// ---- in place -----------------------------------------------------------

TEST_F(SaveTest, OneChangedByteRewritesOnlyItsChunkAndKeepsTheLength) {
    Bytes content = Random(160, 1);
    WriteFile(dir / "f", content);
    Binary *s = open(dir / "f", 16);
    const uint8_t x = 0xEE;
    ReplaceBinary(s, 77, 1, &x, 1);
    content[77] = x;
    SaveResult r = SaveBinary(s, "");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(ReadFile(dir / "f"), content);
    int loaded = 0;
    for (const BinaryChunk &c : s->Chunks) loaded += c.loaded();
    EXPECT_EQ(loaded, 1) << "only the changed chunk was loaded, so only it can have been written";
    EXPECT_TRUE(Holds(s, content));
}

TEST_F(SaveTest, InsertNearTheStartShiftsTheRestAndLetsGoOfMovedChunks) {
    Bytes content = Random(300, 2);
    WriteFile(dir / "f", content);
    Binary *s = open(dir / "f", 16);
    Bytes ins = {1, 2, 3, 4, 5};
    InsertBinary(s, 3, ins.data(), ins.size());
    content = Splice(content, 3, 0, ins);
    ASSERT_TRUE(SaveBinary(s, "").ok());
    EXPECT_EQ(ReadFile(dir / "f"), content);
    EXPECT_TRUE(Holds(s, content));
    // Every later chunk was read before its old place was overwritten, and let
    // go once its new place was flushed: memory holds the changed bytes only.
    EXPECT_EQ(GetBinaryCacheSize(s), ModifiedBytes(s));
    // A second save finds everything in place.
    ASSERT_TRUE(SaveBinary(s, "").ok());
    EXPECT_EQ(ReadFile(dir / "f"), content);
}

// A chunk that grew and was then split carries its old file offset plus the
// split point into its tail, which can lie beyond the next clean chunk's
// offset. The read-ahead must still read that clean chunk before the first
// write covers its place.
TEST_F(SaveTest, SplitTailOfAGrownChunkDoesNotStopTheReadAhead) {
    Bytes content = Random(64, 30);
    WriteFile(dir / "f", content);
    Binary *s = open(dir / "f", 16);
    Bytes twelve = Random(12, 31), ten = Random(10, 32);
    InsertBinary(s, 4, twelve.data(), twelve.size());  // first chunk: 28 bytes, from offset 0
    InsertBinary(s, 20, ten.data(), ten.size());       // split at 20: tail from offset 20
    content = Splice(Splice(content, 4, 0, twelve), 20, 0, ten);
    ASSERT_TRUE(SaveBinary(s, "").ok());
    EXPECT_EQ(ReadFile(dir / "f"), content);
    EXPECT_TRUE(Holds(s, content));
}

TEST_F(SaveTest, DeleteCutsTheFile) {
    Bytes content = Random(300, 3);
    WriteFile(dir / "f", content);
    Binary *s = open(dir / "f", 16);
    RemoveBinary(s, 100, 37);
    content = Splice(content, 100, 37, {});
    ASSERT_TRUE(SaveBinary(s, "").ok());
    EXPECT_EQ(ReadFile(dir / "f"), content);
    EXPECT_TRUE(Holds(s, content));
}

TEST_F(SaveTest, ReadOnlyFileIsNotWritten) {
    Bytes content = Random(50, 4);
    WriteFile(dir / "f", content);
    Binary *s = open(dir / "f", 16);
    s->Writable = 0;  // as when only a read-only open succeeded
    RemoveBinary(s, 0, 10);
    SaveResult r = SaveBinary(s, "");
    EXPECT_EQ(r.status, SaveStatus::ReadOnly);
    EXPECT_EQ(ReadFile(dir / "f"), content);
}

TEST_F(SaveTest, UnreadableBytesAreNeverWrittenAnywhere) {
    Bytes content = Random(100, 5);
    WriteFile(dir / "f", content);
    Binary *s = open(dir / "f", 16);
    ASSERT_EQ(::truncate((dir / "f").c_str(), 40), 0);  // the file shrank under the store
    ReadBinary(s, 0, -1, SlotSearch);                      // loading comes up short
    ASSERT_TRUE(BinaryHasReadFailure(s));
    const uint8_t x = 1;
    ReplaceBinary(s, 0, 1, &x, 1);
    Bytes onDisk = ReadFile(dir / "f");

    // The file shrank under the store: the in-place save stops at that.
    EXPECT_EQ(SaveBinary(s, "").status, SaveStatus::ChangedOnDisk);
    EXPECT_EQ(ReadFile(dir / "f"), onDisk);
    EXPECT_EQ(SaveBinary(s, dir / "copy").status, SaveStatus::UnreadableSource);
    EXPECT_FALSE(FileExists(dir / "copy"));
}

// ---- under a new name ---------------------------------------------------

TEST_F(SaveTest, SaveAsLeavesTheOldFileAndLaterSavesGoToTheNewOne) {
    Bytes original = Random(200, 6);
    WriteFile(dir / "old", original);
    Binary *s = open(dir / "old", 16);
    const uint8_t x[] = {9, 9};
    ReplaceBinary(s, 50, 4, x, 2);
    Bytes content = Splice(original, 50, 4, {9, 9});
    ASSERT_TRUE(SaveBinary(s, dir / "new").ok());
    EXPECT_EQ(ReadFile(dir / "old"), original);
    EXPECT_EQ(ReadFile(dir / "new"), content);
    EXPECT_EQ(s->FileName, dir / "new");
    EXPECT_TRUE(Holds(s, content));
    EXPECT_EQ(GetBinaryCacheSize(s), ModifiedBytes(s)) << "clean chunks now read from the new file";

    ::unlink((dir / "old").c_str());  // nothing is read from the old file any more
    RemoveBinary(s, 0, 7);
    content = Splice(content, 0, 7, {});
    ASSERT_TRUE(SaveBinary(s, "").ok());
    EXPECT_EQ(ReadFile(dir / "new"), content);
    EXPECT_TRUE(Holds(s, content));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"new"}) << "no temporary file is left";
}

TEST_F(SaveTest, SaveAsOverAnExistingFileKeepsItsPermissions) {
    WriteFile(dir / "target", Random(10, 7));
    ::chmod((dir / "target").c_str(), 0640);
    Binary *s = create(16);
    Bytes content = Random(40, 8);
    InsertBinary(s, 0, content.data(), content.size());
    ASSERT_TRUE(SaveBinary(s, dir / "target").ok());
    EXPECT_EQ(ReadFile(dir / "target"), content);
    struct stat st {};
    ::stat((dir / "target").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(SaveTest, SaveAsOverAReadOnlyFileIsRefused) {
    const Bytes target = Random(10, 33);
    WriteFile(dir / "target", target);
    ::chmod((dir / "target").c_str(), 0444);
    if (::access((dir / "target").c_str(), W_OK) == 0) GTEST_SKIP() << "file modes do not bind root";
    Binary *s = create(16);
    Bytes content = Random(40, 34);
    InsertBinary(s, 0, content.data(), content.size());
    SaveResult r = SaveBinary(s, dir / "target");
    EXPECT_EQ(r.status, SaveStatus::CannotCreate);
    EXPECT_EQ(r.error, EACCES);
    EXPECT_EQ(ReadFile(dir / "target"), target);
}

TEST_F(SaveTest, SaveAsThroughALinkReplacesTheFileAndKeepsTheLink) {
    WriteFile(dir / "real", Random(10, 9));
    ASSERT_EQ(::symlink((dir / "real").c_str(), (dir / "link").c_str()), 0);
    Binary *s = create(16);
    Bytes content = Random(30, 10);
    InsertBinary(s, 0, content.data(), content.size());
    ASSERT_TRUE(SaveBinary(s, dir / "link").ok());
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(dir / "real"), content);
}

TEST_F(SaveTest, AnotherNameOfTheOwnFileSavesInPlace) {
    Bytes content = Random(200, 11);
    WriteFile(dir / "f", content);
    ASSERT_EQ(::link((dir / "f").c_str(), (dir / "hard").c_str()), 0);
    const ino_t inode = InodeOf(dir / "f");
    Binary *s = open(dir / "f", 16);
    for (const std::string &name : {dir / "hard", dir.path() + "/./f", dir.path() + "//f"}) {
        const uint8_t x = static_cast<uint8_t>(name.size());
        ReplaceBinary(s, 150, 1, &x, 1);
        content[150] = x;
        ASSERT_TRUE(SaveBinary(s, name).ok()) << name;
        EXPECT_EQ(InodeOf(dir / "f"), inode) << name << ": the file was rewritten, not replaced";
        EXPECT_EQ(ReadFile(dir / "f"), content) << name;
        EXPECT_EQ(s->FileName, dir / "f");
        EXPECT_TRUE(Holds(s, content));
    }
}

TEST_F(SaveTest, TargetThatAnotherDocumentReadsIsRefused) {
    Bytes a = Random(100, 12), b = Random(100, 13);
    WriteFile(dir / "a", a);
    WriteFile(dir / "b", b);
    Binary *sa = open(dir / "a", 16);
    Binary *sb = open(dir / "b", 16);
    SaveResult r = SaveBinary(sa, dir / "b");
    EXPECT_EQ(r.status, SaveStatus::TargetInUse);
    EXPECT_EQ(ReadFile(dir / "b"), b);
    EXPECT_TRUE(Holds(sb, b));
    EXPECT_EQ(sa->FileName, dir / "a");
}

// ---- a document without file ---------------------------------------------

TEST_F(SaveTest, FirstSaveUnderANameGivesTheDocumentItsFile) {
    Binary *s = create(16);
    Bytes content = Random(70, 14);
    InsertBinary(s, 0, content.data(), content.size());
    EXPECT_EQ(SaveBinary(s, "").status, SaveStatus::NothingToDo);
    ASSERT_TRUE(SaveBinary(s, dir / "first").ok());
    EXPECT_EQ(s->FileName, dir / "first");
    EXPECT_EQ(s->Writable, 1);
    EXPECT_EQ(ReadFile(dir / "first"), content);
    RemoveBinary(s, 60, 10);
    content.resize(60);
    ASSERT_TRUE(SaveBinary(s, "").ok());
    EXPECT_EQ(ReadFile(dir / "first"), content);
}

TEST_F(SaveTest, TargetThatCannotBeCreatedChangesNothing) {
    Binary *s = create(16);
    Bytes content = Random(20, 15);
    InsertBinary(s, 0, content.data(), content.size());
    SaveResult r = SaveBinary(s, dir / "missing-folder/f");
    EXPECT_EQ(r.status, SaveStatus::CannotCreate);
    EXPECT_EQ(r.error, ENOENT);
    ::mkdir((dir / "folder").c_str(), 0755);
    EXPECT_EQ(SaveBinary(s, dir / "folder").status, SaveStatus::CannotCreate);
    EXPECT_FALSE(s->File.isOpen());
    EXPECT_TRUE(s->FileName.empty());
    EXPECT_TRUE(Holds(s, content));
}

TEST_F(SaveTest, SaveDocumentMarksTheDocumentUnchangedOnlyOnSuccess) {
    Bytes content = Random(40, 16);
    WriteFile(dir / "f", content);
    Document doc;
    doc.Store = open(dir / "f", 16);
    doc.Hist = CreateHistory(-1, DocumentHistoryLimit);
    const uint8_t x[] = {1, 2, 3};
    InsertBytes(&doc, 5, x, 3);
    ASSERT_TRUE(DocumentChanged(doc));
    SaveFaults::FailFlush = true;
    EXPECT_EQ(SaveDocument(&doc, "").status, SaveStatus::WriteFailed);
    EXPECT_TRUE(DocumentChanged(doc));
    SaveFaults::FailFlush = false;
    EXPECT_TRUE(SaveDocument(&doc, "").ok());
    EXPECT_FALSE(DocumentChanged(doc));
    Undo(doc.Hist);
    EXPECT_TRUE(DocumentChanged(doc));
    FreeHistory(doc.Hist);
}

// ---- failing writes -------------------------------------------------------

// A failed in-place save at every possible byte: afterwards the document is
// complete (every chunk in memory or matching the file at its offset), saving
// under another name rescues it, and a later in-place save succeeds.
struct FaultCase {
    const char *name;
    std::function<Bytes(Binary *, Bytes)> edit;
};

void PrintTo(const FaultCase &c, std::ostream *os) { *os << c.name; }

// The sweep saves a few hundred times; a memory file system keeps its flushes cheap.
std::string FastFolder() {
    struct stat st {};
    return ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK) == 0
               ? "/dev/shm"
               : "";
}

class FailedInPlaceSave : public ::testing::TestWithParam<FaultCase> {
protected:
    void TearDown() override { SaveFaults::WriteBudget = -1; }
    TempDir dir{FastFolder()};
};

TEST_P(FailedInPlaceSave, LeavesEveryByteRescuable) {
    const Bytes original = Random(240, 17);
    for (int64_t budget = 0;; budget += 7) {
        ASSERT_LT(budget, 2000) << "the save never succeeded";
        // rescue: save under another name; else retry in place.
        for (bool rescue : {true, false}) {
            SCOPED_TRACE("budget " + std::to_string(budget) + (rescue ? " rescue" : " retry"));
            // The failed save of the last round left its journal beside the
            // file; this round starts from a fresh original.
            for (const std::string &e : dir.entries())
                if (e.rfind(".hxl-j", 0) == 0) ::unlink((dir / e).c_str());
            WriteFile(dir / "f", original);
            ::unlink((dir / "rescue").c_str());
            Binary *s = OpenBinary(-1, dir / "f", 16);
            Bytes content = GetParam().edit(s, original);
            SaveFaults::WriteBudget = budget;
            SaveResult r = SaveBinary(s, "");
            SaveFaults::WriteBudget = -1;
            if (r.ok()) {
                EXPECT_EQ(ReadFile(dir / "f"), content);
                FreeBinary(s);
                return;
            }
            // Stop at the first failed check: the store is freed at the end.
            ASSERT_EQ(r.status, SaveStatus::WriteFailed);
            EXPECT_EQ(r.error, EIO);
            ASSERT_TRUE(Holds(s, content));
            const std::string name = rescue ? dir / "rescue" : "";
            ASSERT_TRUE(SaveBinary(s, name).ok());
            EXPECT_EQ(ReadFile(rescue ? dir / "rescue" : dir / "f"), content);
            EXPECT_TRUE(Holds(s, content));
            FreeBinary(s);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edits, FailedInPlaceSave,
    ::testing::Values(
        FaultCase{"InsertNearStart",
                  [](Binary *s, Bytes b) {
                      Bytes ins = Random(21, 18);
                      InsertBinary(s, 2, ins.data(), ins.size());
                      return Splice(b, 2, 0, ins);
                  }},
        FaultCase{"DeleteNearStart",
                  [](Binary *s, Bytes b) {
                      RemoveBinary(s, 1, 19);
                      return Splice(b, 1, 19, {});
                  }},
        FaultCase{"ScatteredChanges",
                  [](Binary *s, Bytes b) {
                      Bytes x = Random(40, 19);
                      ReplaceBinary(s, 30, 3, x.data(), 40);
                      RemoveBinary(s, 150, 9);
                      InsertBinary(s, 200, x.data(), 7);
                      b = Splice(b, 30, 3, x);
                      b = Splice(b, 150, 9, {});
                      return Splice(b, 200, 0, Bytes(x.begin(), x.begin() + 7));
                  }}),
    [](const ::testing::TestParamInfo<FaultCase> &info) { return std::string(info.param.name); });

TEST_F(SaveTest, FailedSaveAsLeavesTheTargetAndTheDocumentAsTheyWere) {
    Bytes original = Random(100, 20);
    Bytes target = Random(30, 21);
    WriteFile(dir / "f", original);
    WriteFile(dir / "target", target);
    Binary *s = open(dir / "f", 16);
    RemoveBinary(s, 10, 10);
    Bytes content = Splice(original, 10, 10, {});
    for (bool failFlush : {false, true}) {
        SaveFaults::WriteBudget = failFlush ? -1 : 50;
        SaveFaults::FailFlush = failFlush;
        SaveResult r = SaveBinary(s, dir / "target");
        SaveFaults::WriteBudget = -1;
        SaveFaults::FailFlush = false;
        EXPECT_EQ(r.status, SaveStatus::WriteFailed);
        EXPECT_EQ(ReadFile(dir / "target"), target);
        EXPECT_EQ(s->FileName, dir / "f");
        EXPECT_TRUE(Holds(s, content));
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"f", "target"}));
    }
}

// Runs body in a child process (so that resource limits stay there) and
// returns what it reports: an empty text for success, else what went wrong.
std::string InChild(const std::function<std::string()> &body) {
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string report = body();
        (void)!::write(fds[1], report.data(), report.size());
        ::close(fds[1]);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string out;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) return "child died: " + out;
    return out;
}

// A file-size limit: writes beyond it fail with EFBIG (the signal ignored).
bool LimitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim {};
    ::getrlimit(RLIMIT_FSIZE, &lim);
    lim.rlim_cur = bytes;
    return ::setrlimit(RLIMIT_FSIZE, &lim) == 0;
}

TEST_F(SaveTest, GrowingSaveOnAFullDiskFailsBeforeOverwritingAnything) {
    const Bytes original = Random(100, 22);
    WriteFile(dir / "f", original);
    std::string report = InChild([&]() -> std::string {
        Binary *s = OpenBinary(-1, dir / "f", 16);
        Bytes ins = Random(50, 23);
        InsertBinary(s, 0, ins.data(), ins.size());
        Bytes content = Splice(original, 0, 0, ins);
        if (!LimitFileSize(120)) return "setrlimit failed";
        SaveResult r = SaveBinary(s, "");
        if (r.status != SaveStatus::WriteFailed || r.error != EFBIG)
            return "expected WriteFailed/EFBIG, got status " + std::to_string(int(r.status)) +
                   " error " + std::to_string(r.error);
        if (ReadFile(dir / "f") != original) return "the original file changed";
        std::string why;
        if (!CheckInvariants(*s, &why)) return why;
        if (StoreBytes(*s) != content) return "the document lost bytes";
        return "";
    });
    EXPECT_EQ(report, "");
}

TEST_F(SaveTest, ShrinkingSaveHittingTheLimitHalfWayIsRescued) {
    const Bytes original = Random(400, 24);
    WriteFile(dir / "f", original);
    std::string report = InChild([&]() -> std::string {
        Binary *s = OpenBinary(-1, dir / "f", 16);
        RemoveBinary(s, 0, 1);
        Bytes content = Splice(original, 0, 1, {});
        if (!LimitFileSize(200)) return "setrlimit failed";
        SaveResult r = SaveBinary(s, "");
        if (r.status != SaveStatus::WriteFailed || r.error != EFBIG) return "expected EFBIG";
        std::string why;
        if (!CheckInvariants(*s, &why)) return why;
        if (StoreBytes(*s) != content) return "the document lost bytes";
        if (!LimitFileSize(RLIM_INFINITY)) return "cannot lift the limit";
        if (!SaveBinary(s, dir / "rescue").ok()) return "rescue failed";
        if (ReadFile(dir / "rescue") != content) return "rescued bytes differ";
        return "";
    });
    EXPECT_EQ(report, "");
}

TEST_F(SaveTest, SaveAsOverTheLimitLeavesTheExistingTarget) {
    const Bytes original = Random(300, 25);
    const Bytes target = Random(50, 26);
    WriteFile(dir / "f", original);
    WriteFile(dir / "target", target);
    std::string report = InChild([&]() -> std::string {
        Binary *s = OpenBinary(-1, dir / "f", 16);
        if (!LimitFileSize(100)) return "setrlimit failed";
        SaveResult r = SaveBinary(s, dir / "target");
        if (r.status != SaveStatus::WriteFailed || r.error != EFBIG) return "expected EFBIG";
        if (ReadFile(dir / "target") != target) return "the target changed";
        if (s->FileName != dir / "f") return "the document switched files";
        return "";
    });
    EXPECT_EQ(report, "");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"f", "target"}));
}

// ---- beyond 4 GiB -------------------------------------------------------

TEST_F(SaveTest, OneByteNearTheEndOfAFileBeyondFourGigabytes) {
    const int64_t length = (int64_t{4} << 30) + 4000123;
    const std::string path = dir / "big";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    if (::ftruncate(fd, length) != 0) {
        ::close(fd);
        GTEST_SKIP() << "the file system cannot hold a sparse file of " << length << " bytes";
    }
    const uint8_t marker = 0x11;
    ASSERT_EQ(::pwrite(fd, &marker, 1, length - 1), 1);
    ::close(fd);
    struct stat before {};
    ::stat(path.c_str(), &before);

    Binary *s = open(path, DocumentChunkLength);
    const int64_t at = length - 10;
    const uint8_t x = 0x5A;
    ReplaceBinary(s, at, 1, &x, 1);
    ASSERT_TRUE(SaveBinary(s, "").ok());

    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(after.st_size, length);
    EXPECT_LE((after.st_blocks - before.st_blocks) * 512, 2 * DocumentChunkLength)
        << "only the changed chunk was written";
    Bytes window(64);
    fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_EQ(::pread(fd, window.data(), window.size(), length - 64), 64);
    ::close(fd);
    Bytes expected(64, 0);
    expected[63 - 9] = x;
    expected[63] = marker;
    EXPECT_EQ(window, expected);
}

}  // namespace
