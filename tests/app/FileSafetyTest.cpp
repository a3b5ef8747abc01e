// Saving when the file on disk is no longer what the document was read from,
// one tab per file however it is named, and new documents under a name that
// does not exist yet.
#include <unistd.h>

#include <fstream>

#include "FileSafetyFixture.h"

namespace hx::test {
namespace {

enum class DiskChange { None, Deleted, RenamedOver, ChangedInPlace };

// What another program does to x.bin ("0123") while it is open; returns what
// the path holds afterwards ("" for nothing there).
std::string Change(DiskChange change, const std::string &path, const std::string &spare) {
    switch (change) {
    case DiskChange::None: return "0123";
    case DiskChange::Deleted: RemoveFile(path); return "";
    case DiskChange::RenamedOver:
        WriteAll(spare, "OTHER");
        RenameFile(spare, path);
        return "OTHER";
    case DiskChange::ChangedInPlace: {
        std::fstream same(path, std::ios::in | std::ios::out | std::ios::binary);
        same.seekp(0, std::ios::end);
        same << "XY";
        return "0123XY";
    }
    }
    return "";
}

struct DiskCase {
    const char *name;
    DiskChange change;
    SaveChoice answer;   // Save: write anyway / overwrite; Discard: save as elsewhere
};

class SaveAfterDiskChange : public FileSafetyTest, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(SaveAfterDiskChange, AsksAndEachAnswerKeepsEveryByte) {
    const DiskCase c = GetParam();
    const std::string x = file("x.bin", "0123");
    const std::string elsewhere = path("elsewhere.bin");
    StartUp(x);
    type("41");   // inserts the byte "A" at the start
    const std::string onDisk = Change(c.change, x, path("spare.bin"));
    saveAsName = elsewhere;
    answers = {c.answer};
    menu(CommandSave);

    if (c.change == DiskChange::None) {
        EXPECT_TRUE(questions.empty());
        EXPECT_EQ(ReadFile(x), "A0123");
        return;
    }
    ASSERT_EQ(questions.size(), 1u);
    const char *key = c.change == DiskChange::ChangedInPlace ? "\\Messages\\ChangedOnDisk" : "\\Messages\\FileReplaced";
    EXPECT_EQ(questions[0].text, FillPlaceholder(GetText(key), "%FILE", x));
    switch (c.answer) {
    case SaveChoice::Save:
        EXPECT_EQ(ReadFile(x), "A0123");
        EXPECT_FALSE(FileExists(elsewhere));
        EXPECT_FALSE(DocumentChanged(*current()));
        break;
    case SaveChoice::Discard:
        EXPECT_EQ(ReadFile(elsewhere), "A0123");
        EXPECT_EQ(ReadFile(x), onDisk);
        EXPECT_EQ(current()->Store->FileName, elsewhere);
        EXPECT_FALSE(DocumentChanged(*current()));
        break;
    case SaveChoice::Cancel:
        EXPECT_EQ(ReadFile(x), onDisk);
        EXPECT_EQ(FileExists(x), c.change != DiskChange::Deleted);
        EXPECT_FALSE(FileExists(elsewhere));
        EXPECT_TRUE(DocumentChanged(*current()));
        // Nothing lost: the edited content can still be saved elsewhere.
        menu(CommandSaveAs);
        EXPECT_EQ(ReadFile(elsewhere), "A0123");
        break;
    }
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SaveAfterDiskChange,
    ::testing::Values(DiskCase{"Unchanged", DiskChange::None, SaveChoice::Cancel},
                      DiskCase{"DeletedAnyway", DiskChange::Deleted, SaveChoice::Save},
                      DiskCase{"DeletedElsewhere", DiskChange::Deleted, SaveChoice::Discard},
                      DiskCase{"DeletedCancel", DiskChange::Deleted, SaveChoice::Cancel},
                      DiskCase{"RenamedOverAnyway", DiskChange::RenamedOver, SaveChoice::Save},
                      DiskCase{"RenamedOverElsewhere", DiskChange::RenamedOver, SaveChoice::Discard},
                      DiskCase{"RenamedOverCancel", DiskChange::RenamedOver, SaveChoice::Cancel},
                      DiskCase{"ChangedInPlaceOverwrite", DiskChange::ChangedInPlace, SaveChoice::Save},
                      DiskCase{"ChangedInPlaceElsewhere", DiskChange::ChangedInPlace, SaveChoice::Discard},
                      DiskCase{"ChangedInPlaceCancel", DiskChange::ChangedInPlace, SaveChoice::Cancel}),
    [](const ::testing::TestParamInfo<DiskCase> &info) { return std::string(info.param.name); });

TEST_F(FileSafetyTest, OurOwnSavesAreNotTakenForAnotherWriter) {
    const std::string x = file("x.bin", "0123");
    StartUp(x);
    for (const char *digits : {"41", "42", "43"}) {
        type(digits);
        menu(CommandSave);
    }
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(ReadFile(x), "ABC0123");
}

TEST_F(FileSafetyTest, SaveAsOntoItsOwnReplacedNameAsksTheSameQuestion) {
    const std::string x = file("x.bin", "0123");
    StartUp(x);
    type("41");
    Change(DiskChange::RenamedOver, x, path("spare.bin"));
    saveAsName = x;
    answers = {SaveChoice::Cancel};
    menu(CommandSaveAs);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].text, FillPlaceholder(GetText("\\Messages\\FileReplaced"), "%FILE", x));
    EXPECT_EQ(ReadFile(x), "OTHER");
    EXPECT_TRUE(DocumentChanged(*current()));
}

// However the path is spelled, and from every way in, a file opens in one tab.
TEST_F(FileSafetyTest, OneFileOpensInOneTabHoweverItIsReached) {
    const std::string x = file("x.bin", "0123");
    const std::string hardLink = path("hard.bin");
    const std::string softLink = path("soft.bin");
    ASSERT_EQ(::link(x.c_str(), hardLink.c_str()), 0);
    ASSERT_EQ(::symlink(x.c_str(), softLink.c_str()), 0);
    const std::string dotted = dir.path().toStdString() + "/./x.bin";
    StartUp(x);   // the command line
    type("41");   // a change that a second document would lose
    Document *doc = current();

    openNames = {dotted, hardLink, softLink};
    menu(CommandOpen);
    drop(TabBarGadget, DropFiles, {x, hardLink});
    drop(MainViewGadget, DropFiles, {softLink});
    OpenFileInEditor(MainViewGadget, dotted);
    EXPECT_EQ(tabs(), 1);
    EXPECT_EQ(current(), doc);
    EXPECT_TRUE(DocumentChanged(*doc));

    // Another file gets its own tab, and reopening the first selects its tab again.
    openNames = {file("y.bin", "Y")};
    menu(CommandOpen);
    EXPECT_EQ(tabs(), 2);
    openNames = {hardLink};
    menu(CommandOpen);
    EXPECT_EQ(tabs(), 2);
    EXPECT_EQ(current(), doc);
    EXPECT_EQ(GetTabBarItem(TabBarGadget, TabBarSelectedItem), doc->Tab);
}

TEST_F(FileSafetyTest, MissingPathBecomesANewDocumentThatItsFirstSaveCreates) {
    const std::string fresh = path("fresh.bin");
    StartUp(fresh);
    EXPECT_FALSE(FileExists(fresh));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(current()->Tab->text, "fresh.bin");
    EXPECT_FALSE(recentHas(fresh));

    // Opening another file keeps the named document: it is not an untouched one.
    openNames = {file("y.bin", "Y")};
    menu(CommandOpen);
    EXPECT_EQ(tabs(), 2);
    openNames = {fresh};
    menu(CommandOpen);
    EXPECT_EQ(tabs(), 2);
    EXPECT_FALSE(FileExists(fresh));

    type("41");
    menu(CommandSave);
    EXPECT_EQ(saveDialogs, 0);
    EXPECT_EQ(ReadFile(fresh), "A");
    EXPECT_TRUE(recentHas(fresh));
    EXPECT_FALSE(DocumentChanged(*current()));
    EXPECT_TRUE(messages.empty());
}

TEST_F(FileSafetyTest, NewDocumentDoesNotReplaceAFileThatAppearedUnderItsName) {
    const std::string fresh = path("fresh.bin");
    StartUp(fresh);
    type("41");
    WriteAll(fresh, "THEIRS");
    answers = {SaveChoice::Cancel};
    menu(CommandSave);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(ReadFile(fresh), "THEIRS");
    answers = {SaveChoice::Save};
    menu(CommandSave);
    EXPECT_EQ(ReadFile(fresh), "A");
}

// A path that is there but cannot be opened as a file is reported, and Save
// asks for a name instead of replacing what it never read.
TEST_F(FileSafetyTest, UnopenablePathIsReportedAndNotReplacedBySave) {
    const std::string folder = path("folder.bin");
    ASSERT_TRUE(CreateFolder(folder));
    StartUp(folder);
    ASSERT_EQ(messages.size(), 1u);
    const std::string says = FillPlaceholder(GetText("\\Notices\\OpenFailedBecause"), "%FILE", folder);
    EXPECT_EQ(messages[0], FillPlaceholder(says, "%REASON", GetText("\\Notices\\ReasonFolder")));
    type("41");
    saveAsName = "";   // the dialog cancelled
    menu(CommandSave);
    EXPECT_EQ(saveDialogs, 1);
    EXPECT_TRUE(IsSpecialFile(folder));
}

// A save cut short after it began moving bytes in place is finished by the
// next open; the user is told which content the file now holds.
TEST_F(FileSafetyTest, RepairedInterruptedSaveIsReportedOnce) {
    const std::string x = file("x.bin", std::string(256, 'o'));
    Binary *store = OpenBinary(-1, x, 16);
    ASSERT_NE(store, nullptr);
    const uint8_t a = 'A';
    InsertBinary(store, 0, &a, 1);
    SaveResult result;
    for (int64_t budget = 0; budget < 4096 && !result.touched; ++budget) {
        SaveFaults::WriteBudget = budget;
        result = SaveBinary(store, "");
    }
    SaveFaults::WriteBudget = -1;
    FreeBinary(store);
    ASSERT_TRUE(result.touched) << "no write budget cut the save after it touched the file";

    StartUp(x);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], FillPlaceholder(GetText("\\Messages\\RecoveryFinishedNew"), "%FILE", x));
    EXPECT_EQ(current()->Store->Recovery, RecoveryNone);
    EXPECT_EQ(ReadFile(x), "A" + std::string(256, 'o'));
}

}  // namespace
}  // namespace hx::test
