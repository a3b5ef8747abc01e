// Size formatting and the status bar texts of the main window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <unistd.h>

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTemporaryDir>

#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/Status.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "document/Scratch.h"
#include "hexview/HexView.h"
#include "platform/Platform.h"
#include "platform/StatusBar.h"

using namespace hx;

namespace {

TEST(FormatSize, ThreeSignificantDigitsOnABaseOfAThousand) {
    const std::pair<int64_t, const char *> cases[] = {
        {0, "0 B"},
        {1, "1.00 B"},
        {12, "12.0 B"},
        {125, "125 B"},
        {999, "999 B"},
        {1000, "1.00 kB"},
        {16384, "16.4 kB"},
        {999999, "1000 kB"},  // the unit is chosen before rounding carries over
        {1000000, "1.00 MB"},
        {4000000, "4.00 MB"},
        {67108864, "67.1 MB"},
        {125000000, "125 MB"},
        {4000000000LL, "4.00 GB"},
        {8000000000LL, "8.00 GB"},
        {999000000000LL, "999 GB"},
    };
    for (auto [bytes, text] : cases) EXPECT_EQ(FormatSize(bytes), text) << bytes;
}

TEST(FormatSize, OutOfRangeSizesGiveNothing) {
    EXPECT_EQ(FormatSize(1000000000000LL), "");
    EXPECT_EQ(FormatSize(INT64_MAX), "");
    EXPECT_EQ(FormatSize(-1), "");
    EXPECT_EQ(FormatSize(INT64_MIN), "");
}

TEST(FormatSize, ExactPowersOfTenTakeTheHigherUnit) {
    // A digit count taken from a rounded logarithm would put these one unit low.
    int64_t value = 1;
    for (int d = 0; d <= 11; ++d, value *= 10) {
        static const char *units[] = {" B", " kB", " MB", " GB"};
        std::string text = FormatSize(value);
        EXPECT_NE(text.find(units[d / 3]), std::string::npos) << value << " -> " << text;
        EXPECT_EQ(text[0], '1') << value << " -> " << text;
    }
}

class StatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLanguage(std::string(HEXALOOM_SOURCE_DIR) + "/Languages/English.ini"));
        ASSERT_TRUE(OpenWindow(0, 0, 0, 800, 600, "main", WindowMain | WindowResizable | WindowHidden));
        BuildStatusBar();
        view = CreateHexView(1, 0, 0, 0, 600, 300, 0);
        ASSERT_NE(view, nullptr);
        doc = view->CurrentDocument;
        ASSERT_NE(doc, nullptr);
        uint8_t bytes[16];
        for (int i = 0; i < 16; ++i) bytes[i] = static_cast<uint8_t>(i);
        ASSERT_EQ(InsertBytes(doc, 0, bytes, 16), 0);
    }
    void TearDown() override {
        SetSelectionListener({});
        SetValuesListener({});
        DestroyHexView(32);
        DestroyHexView(1);
        CloseWindow(0);
        ClearLanguage();
        while (PollEvent()) {
        }
    }
    std::string CursorField(int mode, int64_t cursor, int64_t length) {
        doc->EditMode = mode;
        doc->Cursor = cursor;
        doc->SelectionLength = length;
        RefreshStatus(view, 0);
        return StatusBarText(StatusCursorField);
    }
    HexView *view = nullptr;
    Document *doc = nullptr;
};

TEST_F(StatusTest, CursorOrSelectionByEditMode) {
    EXPECT_EQ(StatusBarFieldCount(), 4);
    for (int field = 0; field < 3; ++field) EXPECT_EQ(StatusBarFieldWidth(field), StatusFieldWidth);

    EXPECT_EQ(CursorField(0, 5, 0), "Offset: 5");
    EXPECT_EQ(CursorField(0, 5, 1), "Selection: 5 - 5");
    EXPECT_EQ(CursorField(0, 5, 3), "Selection: 5 - 7");
    EXPECT_EQ(CursorField(0, 8, -3), "Selection: 5 - 7");
    // Overwrite mode selects the byte under the cursor: one byte is the cursor.
    EXPECT_EQ(CursorField(1, 5, 0), "Offset: 5");
    EXPECT_EQ(CursorField(1, 5, 2), "Selection: 5 - 7");
    EXPECT_EQ(CursorField(1, 16, 0), "Offset: 16");
}

TEST_F(StatusTest, FieldsCutAtTheirWidthShowTheWholeTextAsToolTip) {
    RefreshStatus(view, 0);
    const QList<QLabel *> labels = MainWindowWidget(0)->statusBar()->findChildren<QLabel *>();
    int shown = 0;
    for (const QLabel *label : labels) {
        EXPECT_EQ(label->toolTip(), label->text());
        if (!label->text().isEmpty()) ++shown;
    }
    EXPECT_EQ(shown, StatusBarFieldCount());
}

TEST_F(StatusTest, MemoryFieldsShowHistoryAndStoreSizes) {
    RefreshStatus(view, 0);
    std::string history = StatusBarText(StatusHistoryField);
    EXPECT_EQ(history, "Undo memory: " + FormatSize(HistorySize(doc->Hist)));
    EXPECT_NE(history, "Undo memory: 0 B");
    EXPECT_EQ(StatusBarText(StatusStoreField), "In memory: 16.0 B (100%)");

    // An empty document counts as wholly in memory.
    Document *empty = NewEditorFile(1, "");
    ASSERT_EQ(view->CurrentDocument, empty);
    RefreshStatus(view, 0);
    EXPECT_EQ(StatusBarText(StatusStoreField), "In memory: 0 B (100%)");
    EXPECT_EQ(StatusBarText(StatusHistoryField), "Undo memory: 0 B");
}

TEST_F(StatusTest, StoreFieldGivesTheLoadedShareOfAFile) {
    QTemporaryDir folder;
    std::string path = folder.filePath("sparse.bin").toStdString();
    FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(ftruncate(fileno(file), 10000000), 0);
    std::fclose(file);

    Document *opened = NewEditorFile(1, path);
    ASSERT_NE(opened, nullptr);
    ASSERT_EQ(opened->Store->Length, 10000000);
    RefreshStatus(view, 0);
    int64_t used = GetBinaryCacheSize(opened->Store);
    ASSERT_GT(used, 0);  // the shown rows were read
    ASSERT_LT(used, opened->Store->Length);
    long long percent = std::llround(used * 100.0 / 10000000.0);
    EXPECT_EQ(StatusBarText(StatusStoreField),
              "In memory: " + FormatSize(used) + " (" + std::to_string(percent) + "%)");
    CloseEditorFile(1, opened);
}

// Bytes of large edits that lie in the scratch file (the document's and
// those undo steps keep) are added to the store field.
TEST_F(StatusTest, StoreFieldAddsTheBytesInTheScratchFile) {
    const int64_t budget = ScratchSettings::MemoryBudget, limit = HistorySettings::CopyLimit;
    ScratchSettings::MemoryBudget = 0;
    HistorySettings::CopyLimit = 0;
    // Chunks of at least half the chunk length, so that the store keeps them apart.
    const int64_t n = 3 * doc->Store->ChunkLength;
    const std::vector<uint8_t> bytes(static_cast<size_t>(n), 0x5A);
    const int inserted = InsertBytes(doc, 16, bytes.data(), n);
    const int deleted = DeleteBytes(doc, doc->Store->Length - n / 3, n / 3);   // undo keeps the last third
    RefreshStatus(view, 0);
    const std::string field = StatusBarText(StatusStoreField);
    const int64_t kept = HistoryScratchBytes(doc->Hist), inStore = GetBinaryScratchSize(doc->Store);
    ScratchSettings::MemoryBudget = budget;
    HistorySettings::CopyLimit = limit;

    ASSERT_EQ(inserted, 0);
    ASSERT_EQ(deleted, 0);
    ASSERT_GT(kept, 0);
    ASSERT_GT(inStore, 0);
    EXPECT_NE(field.find(") + " + FormatSize(kept + inStore) + " on disk"), std::string::npos) << field;
}

TEST_F(StatusTest, OnlyTheMainViewFillsTheBarButEveryViewReachesTheValues) {
    std::vector<std::pair<int64_t, int64_t>> selections;
    std::vector<int> valueViews;
    SetSelectionListener([&](int64_t start, int64_t length) { selections.emplace_back(start, length); });
    SetValuesListener([&](HexView *v) { valueViews.push_back(v->Gadget); });

    doc->Cursor = 2;
    doc->SelectionLength = 4;
    RefreshStatus(view, 0);
    ASSERT_EQ(selections.size(), 1u);
    EXPECT_EQ(selections[0], (std::pair<int64_t, int64_t>{2, 4}));

    HexView *tool = CreateHexView(32, 0, 0, 0, 300, 100, 0);
    ASSERT_NE(tool, nullptr);
    SetStatusBarText(StatusCursorField, "unchanged");
    RefreshStatus(tool, 0);
    EXPECT_EQ(StatusBarText(StatusCursorField), "unchanged");
    EXPECT_EQ(selections.size(), 1u);
    EXPECT_EQ(valueViews, (std::vector<int>{1, 32}));

    // A view without a document changes nothing and calls nobody.
    HexView *bare = CreateHexView(33, 0, 0, 0, 300, 100, HexViewNoDocument);
    ASSERT_NE(bare, nullptr);
    RefreshStatus(bare, 0);
    RefreshStatus(nullptr, 0);
    EXPECT_EQ(valueViews.size(), 2u);
    EXPECT_EQ(StatusBarText(StatusCursorField), "unchanged");
    DestroyHexView(33);
}

}  // namespace
