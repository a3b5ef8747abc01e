// The compression tool driven through the shell's loop: the Compress menu,
// the window's settings, Compress and Decompress over the range, the
// refusals with their offsets, the question before a large output, Cancel,
// and what the document and its undo history hold afterwards.
#include <gtest/gtest.h>

#include <lzma.h>
#include <zlib.h>

#include <fstream>

#include <QWidget>
#include <iterator>
#include <string>
#include <vector>

#include "app/settings/Language.h"
#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/toolwindows/CompressionWindow.h"
#include "document/Document.h"
#include "document/History.h"
#include "document/Scratch.h"
#include "document/SmallDisk.h"
#include "hexview/HexView.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

using Bytes = std::vector<uint8_t>;

class CompressionWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n");
        InitTestPlatform();
        Dialogs().message = [this](int, const std::string &, const std::string &text) { messages.push_back(text); };
        Dialogs().askYesNo = [this](const YesNoQuestion &) {
            ++questions;
            return answer;
        };
        StartUp("");
        doc = HexViewByGadget(MainViewGadget)->CurrentDocument;
    }
    void TearDown() override {
        ShutDown();
        Dialogs() = DialogHooks{};
    }

    static void Pump() {
        while (std::optional<Event> event = PollEvent()) DispatchEvent(*event);
    }
    void SetDocument(const Bytes &bytes) {
        HexViewCommand(MainViewGadget, HexReplaceAll, bytes.data(), static_cast<int64_t>(bytes.size()));
        Select(0, 0);
    }
    void Select(int64_t start, int64_t length) {
        doc->Cursor = start;
        doc->SelectionLength = length;
        RedrawHexView(MainViewGadget);
    }
    static void Press(int button) {
        ActivateControl(button);
        Pump();
    }
    // The Zip or LZMA entry of the main menu's Compress submenu.
    static int MenuEntry(const char *name) {
        for (int id : MenuItemIds(MainMenu))
            if (id >= FirstAutomaticMenuId && MenuItemText(MainMenu, id) == ShownMenuText(GetText(std::string("\\Menu\\") + name)))
                return id;
        ADD_FAILURE() << "no entry " << name;
        return -1;
    }
    Bytes Contents() const {
        ByteBuffer b = HexViewDocumentBytes(MainViewGadget);
        return b.valid() ? Bytes(b.data(), b.data() + b.size()) : Bytes();
    }
    int32_t Steps() const { return HistoryIndex(doc->Hist); }

    Document *doc = nullptr;
    std::vector<std::string> messages;
    int questions = 0;
    bool answer = true;
};

Bytes Text(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>("the quick brown fox jumps over the lazy dog\n"[i % 44]);
    return b;
}

Bytes ReadSample(const std::string &name) {
    std::ifstream in(std::string(HEXALOOM_SOURCE_DIR) + "/tests/tools/data/brieflz/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(CompressionWindowTest, MenuEntriesOpenTheWindowForTheirFormatAndTheRange) {
    SetDocument(Text(1000));
    const struct {
        int id;
        const char *format;
        bool settings;
        int64_t start, length, position, lengthShown;
    } cases[] = {
        {MenuEntry("Zip"), "Zip", true, 10, 20, 10, 20},
        {MenuEntry("LZMA"), "LZMA", true, 5, 0, 0, 1000},   // nothing selected: the whole document
        {CommandBriefLZ, "BriefLZ", false, 0, 1000, 0, 1000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_TRUE(IsMenuItemEnabled(MainMenu, c.id));
        Select(c.start, c.length);
        ChooseMenuItem(c.id);
        EXPECT_TRUE(IsWindowVisible(CompressionWindowNumber));
        EXPECT_EQ(GetControlText(CompressionFormatList), GetText(std::string("\\Menu\\") + c.format));
        EXPECT_EQ(IsControlVisible(CompressionLevelList), c.settings);
        EXPECT_EQ(GetControlText(CompressionPositionField), std::to_string(c.position));
        EXPECT_EQ(GetControlText(CompressionLengthField), std::to_string(c.lengthShown));
    }
    // The pop-up menu's Zip entry has an id of its own and opens the same window.
    ShowWindow(CompressionWindowNumber, false);
    for (int id : MenuItemIds(ViewPopupMenu))
        if (id >= FirstAutomaticMenuId && MenuItemText(ViewPopupMenu, id) == ShownMenuText(GetText("\\Menu\\Zip"))) ChooseMenuItem(id);
    EXPECT_TRUE(IsWindowVisible(CompressionWindowNumber));
    EXPECT_EQ(GetControlText(CompressionFormatList), GetText("\\Menu\\Zip"));
}

// Compress writes the stream in place of the range as one step with it
// selected; zlib reads it; Decompress of the selection gives the bytes back.
TEST_F(CompressionWindowTest, CompressThenDecompressTheSelectionComesBackInTwoUndoableSteps) {
    const Bytes original = Text(100000);
    Bytes document = {'H', 'D', 'R'};
    document.insert(document.end(), original.begin(), original.end());
    SetDocument(document);
    const int32_t before = Steps();
    for (int container : {int(ZipContainer::Zlib), int(ZipContainer::Gzip), int(ZipContainer::Raw)}) {
        SCOPED_TRACE(container);
        Select(3, static_cast<int64_t>(original.size()));
        ChooseMenuItem(MenuEntry("Zip"));
        ActivateControl(CompressionContainerList, container);
        Pump();
        Press(CompressionCompressButton);
        ASSERT_EQ(Steps(), before + 1);
        const Bytes now = Contents();
        const Bytes packed(now.begin() + 3, now.end());
        ASSERT_LT(packed.size(), original.size() / 10);
        EXPECT_EQ(doc->SelectionLength, -static_cast<int64_t>(packed.size()));   // the written bytes selected
        if (container == int(ZipContainer::Zlib)) {
            Bytes unpacked(original.size());
            uLongf n = unpacked.size();
            ASSERT_EQ(uncompress(unpacked.data(), &n, packed.data(), packed.size()), Z_OK);
            EXPECT_TRUE(unpacked == original);
        }
        Select(3, static_cast<int64_t>(packed.size()));
        Press(CompressionDecompressButton);
        EXPECT_EQ(Steps(), before + 2);
        EXPECT_TRUE(Contents() == document);
        EXPECT_EQ(doc->SelectionLength, -static_cast<int64_t>(original.size()));
        HexViewCommand(MainViewGadget, HexUndo, nullptr, 0);
        HexViewCommand(MainViewGadget, HexUndo, nullptr, 0);
        EXPECT_TRUE(Contents() == document);
        EXPECT_EQ(Steps(), before);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(CompressionWindowTest, BriefLzSampleDecompressesToItsOriginal) {
    SetDocument(ReadSample("mixed-70000.c16k.blz"));
    ChooseMenuItem(CommandBriefLZ);
    Press(CompressionDecompressButton);
    EXPECT_TRUE(Contents() == ReadSample("mixed-70000.bin"));
    EXPECT_TRUE(messages.empty());
}

// Invalid data is refused with the document's offset where it went wrong;
// nothing changes and no step is recorded.
TEST_F(CompressionWindowTest, RefusalNamesTheDocumentOffsetAndChangesNothing) {
    Bytes document = Text(50);
    const Bytes blz = ReadSample("text.blz");
    document.insert(document.end(), blz.begin(), blz.end());
    document[50 + 4 + 3] = 2;   // version 2
    SetDocument(document);
    Select(50, static_cast<int64_t>(blz.size()));
    ChooseMenuItem(CommandBriefLZ);
    Press(CompressionDecompressButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("54 ($36)"), std::string::npos) << messages[0];
    EXPECT_TRUE(Contents() == document);
    EXPECT_EQ(Steps(), 0);
}

// 65 MiB of zeros in a few kB of .xz: more than 16 times the range and more
// than 64 MiB, so the window asks; "stop" changes nothing and says nothing.
TEST_F(CompressionWindowTest, LargeOutputAsksFirstAndStopsOnNo) {
    const size_t n = size_t(65) << 20;
    Bytes zeros(n, 0), packed(1 << 20);
    size_t packedLength = 0;
    ASSERT_EQ(lzma_easy_buffer_encode(0, LZMA_CHECK_CRC64, nullptr, zeros.data(), n, packed.data(), &packedLength,
                                      packed.size()),
              LZMA_OK);
    packed.resize(packedLength);
    zeros = Bytes();
    SetDocument(packed);
    for (bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        answer = yes;
        questions = 0;
        ChooseMenuItem(MenuEntry("LZMA"));
        Press(CompressionDecompressButton);
        EXPECT_EQ(questions, 1);
        EXPECT_EQ(doc->Store->Length, yes ? int64_t(n) : int64_t(packedLength));
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(CompressionWindowTest, CancelDuringTheRunChangesNothing) {
    const Bytes original = Text(20000);
    SetDocument(original);
    ChooseMenuItem(MenuEntry("Zip"));
    // Pressed while the run goes: served between the slices.
    PostControlEvent(CompressionWindowNumber, CompressionCancelButton, ControlActivated);
    ApplyCompression(true);
    EXPECT_TRUE(Contents() == original);
    EXPECT_EQ(Steps(), 0);
    EXPECT_TRUE(IsControlVisible(CompressionCompressButton));
    EXPECT_FALSE(IsControlVisible(CompressionCancelButton));
    for (int w = 0; w < ToolBusyWindows; ++w)
        if (IsWindow(w)) {
            EXPECT_TRUE(WindowWidget(w)->isEnabled()) << w;
        }
}

// Output beyond the edits' memory budget lies in the scratch file; an output
// that the scratch folder cannot hold is refused, naming the folder, and the
// document stays as it was.
TEST_F(CompressionWindowTest, OutputBeyondTheMemoryBudgetGoesToTheScratchFolderOrIsRefused) {
    const Bytes original = Text(3 << 20);
    SetDocument(original);
    Select(0, static_cast<int64_t>(original.size()));
    ChooseMenuItem(MenuEntry("Zip"));
    Press(CompressionCompressButton);
    const Bytes packed = Contents();
    ASSERT_LT(packed.size(), original.size());

    const int64_t budget = ScratchSettings::MemoryBudget;
    ScratchSettings::MemoryBudget = 0;
    hx::test::SmallDisk disk(64 * 1024);
    if (disk.mounted()) {
        ScratchSettings::Folder = disk.path();
        Select(0, static_cast<int64_t>(packed.size()));
        Press(CompressionDecompressButton);
        ScratchSettings::Folder.clear();
        EXPECT_TRUE(Contents() == packed);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(disk.path()), std::string::npos) << messages[0];
        messages.clear();
    }
    const int64_t scratchBefore = ScratchBytesInUse();
    Select(0, static_cast<int64_t>(packed.size()));
    Press(CompressionDecompressButton);
    EXPECT_GE(ScratchBytesInUse() - scratchBefore, static_cast<int64_t>(original.size()));
    ScratchSettings::MemoryBudget = budget;
    EXPECT_TRUE(Contents() == original);
    EXPECT_TRUE(messages.empty());
}
