// What the user is told about the journal of an interrupted save: one that
// does not fit the file is named once; a repair that fails leaves the file
// read-only; a save that cannot take over an unfinished one says the file
// needs the repair first, and the document stays changed.
#include <dirent.h>

#include "FileSafetyFixture.h"
#include "document/SaveIo.h"

namespace hx::test {
namespace {

using saveio::Call;
using saveio::Seam;

const std::string kOld(256, 'o');
const std::string kNew = "A" + kOld;

// Saves kNew over x (holding kOld) and fails after touching it: the journal stays.
void FailSaveAfterTouching(const std::string &x) {
    Binary *store = OpenBinary(-1, x, 16);
    const uint8_t a = 'A';
    InsertBinary(store, 0, &a, 1);
    Seam::Arm({{Call::Pwrite, 2, EIO}});
    const SaveResult r = SaveBinary(store, "");
    Seam::Disarm();
    FreeBinary(store);
    ASSERT_TRUE(r.touched);
}

std::string Told(const char *key, const std::string &file, const std::string &journal = {}) {
    return FillPlaceholder(FillPlaceholder(GetText(key), "%FILE", file), "%JOURNAL", journal);
}

std::string KeptAsideIn(const std::string &folder) {
    std::string found;
    if (DIR *d = ::opendir(folder.c_str())) {
        while (dirent *e = ::readdir(d))
            if (std::string(e->d_name).rfind("x.bin.hexaloom-journal-", 0) == 0) found = folder + "/" + e->d_name;
        ::closedir(d);
    }
    return found;
}

TEST_F(FileSafetyTest, JournalThatDoesNotFitIsNamedOnceAndNotUsed) {
    const std::string x = file("x.bin", kOld);
    FailSaveAfterTouching(x);
    WriteAll(x, std::string(300, 'z'));  // another program wrote the file since
    StartUp(x);
    const std::string aside = KeptAsideIn(dir.path().toStdString());
    ASSERT_NE(aside, "");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], Told("\\Messages\\JournalKeptAside", x, aside));
    EXPECT_EQ(ReadFile(x), std::string(300, 'z'));
    menu(CommandClose);
    openNames = {x};
    menu(CommandOpen);
    EXPECT_EQ(messages.size(), 1u) << "told once";
}

TEST_F(FileSafetyTest, FailedRepairOpensReadOnlyAndTheNextOpenFinishesIt) {
    const std::string x = file("x.bin", kOld);
    FailSaveAfterTouching(x);
    const std::string torn = ReadFile(x);
    Seam::Arm({{Call::Pwrite, 1, EIO}});
    StartUp(x);
    Seam::Disarm();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], Told("\\Messages\\RecoveryRepairFailed", x));
    EXPECT_EQ(current()->Store->Writable, 0);
    EXPECT_EQ(ReadFile(x), torn);
    menu(CommandClose);
    openNames = {x};
    menu(CommandOpen);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], Told("\\Messages\\RecoveryFinishedNew", x));
    EXPECT_EQ(ReadFile(x), kNew);
}

TEST_F(FileSafetyTest, SaveAfterAFailedSaveSaysTheFileNeedsTheRepairFirst) {
    const std::string x = file("x.bin", kOld);
    StartUp(x);
    type("41");  // "A" at the start
    Seam::Arm({{Call::Pwrite, 1, EIO}});
    menu(CommandSave);
    Seam::Arm({{Call::Fsync, 1, EIO}});  // the new journal's flush
    menu(CommandSave);
    Seam::Disarm();
    ASSERT_EQ(messages.size(), 2u);
    auto failed = [&](const char *reason) {
        return FillPlaceholder(Told("\\Messages\\SaveFailed", x), "%REASON", GetText(reason));
    };
    EXPECT_EQ(messages[0], failed("\\Messages\\ReasonWriteFailed"));
    EXPECT_EQ(messages[1], failed("\\Messages\\ReasonNeedsRepair"));
    HexViewCommand(MainViewGadget, HexUndo, nullptr, 0);
    EXPECT_TRUE(DocumentChanged(*current())) << "no state counts as saved";
    answers = {SaveChoice::Discard};
    menu(CommandClose);
    EXPECT_EQ(questions.size(), 1u) << "closing asks";
    openNames = {x};
    menu(CommandOpen);
    EXPECT_EQ(messages.back(), Told("\\Messages\\RecoveryFinishedNew", x));
    EXPECT_EQ(ReadFile(x), kNew);
}

}  // namespace
}  // namespace hx::test
