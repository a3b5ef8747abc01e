// Undo steps that keep references to the file's bytes, across saves that
// overwrite or replace the file: the save copies those bytes into the
// scratch file first, or, where the scratch folder has no room, asks to let
// the steps go; undo after a save restores exactly what was there.
#include <gtest/gtest.h>

#include <string>

#include "SmallDisk.h"
#include "StoreModel.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "document/Save.h"
#include "document/Scratch.h"

namespace hx::test {
namespace {

// The settings a test changes, put back at its end.
class Limits {
public:
    Limits(int64_t copyLimit, std::string scratchFolder = "")
        : copyLimit_(HistorySettings::CopyLimit), folder_(ScratchSettings::Folder) {
        HistorySettings::CopyLimit = copyLimit;
        ScratchSettings::Folder = std::move(scratchFolder);
    }
    ~Limits() {
        HistorySettings::CopyLimit = copyLimit_;
        ScratchSettings::Folder = folder_;
    }

private:
    int64_t copyLimit_;
    std::string folder_;
};

struct OpenDocument {
    Document doc;
    OpenDocument(const std::string &path, int64_t chunk) {
        doc.Store = OpenBinary(-1, path, chunk);
        doc.Hist = CreateHistory(-1, DocumentHistoryLimit);
    }
    ~OpenDocument() {
        FreeBinary(doc.Store);
        FreeHistory(doc.Hist);
    }
};

enum class SaveKind { InPlace, SaveAs, Full };

SaveResult SaveAgain(Document &doc, SaveKind kind, const std::string &other, SaveUndo undo = SaveUndo::Keep) {
    switch (kind) {
    case SaveKind::InPlace: return SaveDocument(&doc, "", undo);
    case SaveKind::SaveAs: return SaveDocument(&doc, other, undo);
    case SaveKind::Full: return SaveDocumentFull(&doc, doc.Store->FileName, undo);
    }
    return {};
}

struct Case {
    const char *name;
    SaveKind kind;
    bool saveBetween;   // delete all, save (an empty file), undo, save
};

class DeleteAllAcrossSaves : public ::testing::TestWithParam<Case> {};

TEST_P(DeleteAllAcrossSaves, UndoAndSaveGiveTheOriginalFile) {
    const Case &c = GetParam();
    TempDir dir;
    const Bytes original = Random(10000, 26);
    WriteFile(dir / "a", original);
    Limits limits(0);
    OpenDocument open(dir / "a", 64);
    Document &doc = open.doc;
    ASSERT_EQ(DeleteBytes(&doc, 0, doc.Store->Length), 0);
    EXPECT_LT(HistorySize(doc.Hist), 20000) << "the deleted bytes stay in the file";
    if (c.saveBetween) {
        ASSERT_TRUE(SaveAgain(doc, c.kind, dir / "b").ok());
        EXPECT_EQ(ReadFile(doc.Store->FileName), Bytes{});
    }
    ASSERT_EQ(Undo(doc.Hist), 1);
    std::string why;
    EXPECT_TRUE(CheckInvariants(*doc.Store, &why)) << why;
    EXPECT_EQ(StoreBytes(*doc.Store), original);
    ASSERT_TRUE(SaveAgain(doc, c.kind, dir / "c").ok());
    EXPECT_EQ(ReadFile(doc.Store->FileName), original);
    ASSERT_EQ(Redo(doc.Hist), 1);
    ASSERT_TRUE(SaveAgain(doc, SaveKind::InPlace, "").ok());
    EXPECT_EQ(ReadFile(doc.Store->FileName), Bytes{});
}

INSTANTIATE_TEST_SUITE_P(
    Saves, DeleteAllAcrossSaves,
    ::testing::Values(Case{"UndoThenSaveInPlace", SaveKind::InPlace, false},
                      Case{"SaveEmptyUndoSaveInPlace", SaveKind::InPlace, true},
                      Case{"SaveEmptyAsUndoSaveAs", SaveKind::SaveAs, true},
                      Case{"SaveEmptyFullUndoSaveFull", SaveKind::Full, true}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

// A scratch folder that is full: the save writes nothing and asks; with the
// steps let go it saves, and no undo step can bring back wrong bytes.
TEST(UndoAcrossSaves, FullScratchFolderAsksToLetTheStepsGo) {
    SmallDisk disk(64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small file system needs root";
    TempDir dir;
    const Bytes original = Random(1 << 20, 27);
    WriteFile(dir / "a", original);
    for (const SaveKind kind : {SaveKind::InPlace, SaveKind::SaveAs, SaveKind::Full}) {
        WriteFile(dir / "a", original);
        Limits limits(0, disk.path());
        OpenDocument open(dir / "a", 4096);
        Document &doc = open.doc;
        const Bytes typed = {1, 2, 3};
        ASSERT_EQ(InsertBytes(&doc, 0, typed.data(), 3), 0);      // needs no file bytes
        ASSERT_EQ(DeleteBytes(&doc, 100, 500000), 0);             // needs 500,000 of them
        const SaveResult refused = SaveAgain(doc, kind, dir / "b");
        EXPECT_EQ(refused.status, SaveStatus::UndoNeedsRoom);
        // The deleted bytes of the chunk the insert changed are in memory already.
        EXPECT_GT(refused.undoBytes, 490000);
        EXPECT_LE(refused.undoBytes, 500000);
        EXPECT_FALSE(refused.touched);
        EXPECT_EQ(ReadFile(dir / "a"), original) << "nothing was written";
        EXPECT_EQ(CountHistoryEntries(doc.Hist), 2);

        const Bytes expected = StoreBytes(*doc.Store);
        ASSERT_TRUE(SaveAgain(doc, kind, dir / "b", SaveUndo::DropWithoutRoom).ok());
        EXPECT_EQ(ReadFile(doc.Store->FileName), expected);
        EXPECT_EQ(CountHistoryEntries(doc.Hist), 0) << "the delete and everything before it went";
        EXPECT_EQ(Undo(doc.Hist), 0);
        RemoveFile(dir / "b");
    }
}

}  // namespace
}  // namespace hx::test
