// The transformation tool driven through the shell's loop: the Cipher menu,
// the window's controls, Apply, Cancel and the close box, and what the main
// view's document and its undo history hold afterwards.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <QWidget>

#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/toolwindows/TransformationWindow.h"
#include "document/Document.h"
#include "document/Scratch.h"
#include "document/SmallDisk.h"
#include "hexview/HexView.h"
#include "hexview/Selection.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/File.h"
#include "platform/Platform.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

using Bytes = std::vector<uint8_t>;

// Menu order of the Cipher group.
enum Algorithm { XOr, AESEncoder, AESDecoder, Base64Encoder, Base64Decoder };

class TransformationWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n");
        InitTestPlatform();
        Dialogs().message = [this](int, const std::string &, const std::string &text) { messages.push_back(text); };
        StartUp("");
        doc = HexViewByGadget(MainViewGadget)->CurrentDocument;
    }
    void TearDown() override {
        ByteBufferFaults::Budget = -1;
        ShutDown();
        Dialogs() = DialogHooks{};
    }

    // Handles every pending event as the loop would.
    static void Pump() {
        while (std::optional<Event> event = PollEvent()) DispatchEvent(*event);
    }
    static void Menu(Algorithm algorithm) { ChooseMenuItem(FirstGroupItem(CipherGroup) + algorithm); }
    static void Apply() {
        ActivateControl(TransformApplyButton);
        Pump();
    }
    // The document's bytes, outside the history (a fresh, unchanged document).
    void SetDocument(const Bytes &bytes, int64_t chunkLength = 0) {
        if (chunkLength > 0) doc->Store->ChunkLength = chunkLength;
        HexViewCommand(MainViewGadget, HexReplaceAll, bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    void Select(int64_t start, int64_t length) {
        doc->Cursor = start;
        doc->SelectionLength = length;
        RedrawHexView(MainViewGadget);
    }
    static void SetField(int gadget, const Bytes &bytes) {
        HexViewCommand(gadget, HexReplaceAll, bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    static Bytes Field(int gadget) {
        ByteBuffer b = HexViewDocumentBytes(gadget);
        return b.valid() ? Bytes(b.data(), b.data() + b.size()) : Bytes();
    }
    Bytes Contents() const { return Field(MainViewGadget); }
    static void SetRange(const std::string &position, const std::string &length) {
        SetControlText(TransformPositionField, position);
        SetControlText(TransformLengthField, length);
    }
    static bool AllWindowsEnabled() {
        for (int w = 0; w <= 6; ++w)
            if (QWidget *widget = WindowWidget(w); widget && !widget->isEnabled()) return false;
        return true;
    }
    int32_t Steps() const { return HistoryIndex(doc->Hist); }

    Document *doc = nullptr;
    std::vector<std::string> messages;
};

Bytes Counting(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + 1);
    return b;
}

}  // namespace

TEST_F(TransformationWindowTest, CipherMenuOpensTheWindowForTheAlgorithmAndTheSelection) {
    SetDocument(Counting(64));
    Select(16, 3);
    const struct {
        Algorithm algorithm;
        int height;
        bool mask, mode;
    } layouts[] = {
        {XOr, 210, true, false},          {AESEncoder, 325, false, true}, {Base64Decoder, 120, false, false},
        {AESDecoder, 325, false, true},   {Base64Encoder, 120, false, false},
    };
    for (const auto &l : layouts) {
        Menu(l.algorithm);
        EXPECT_TRUE(IsWindowVisible(TransformationWindowNumber));
        EXPECT_EQ(GetControlState(TransformAlgorithmList), l.algorithm);
        EXPECT_EQ(GetControlText(TransformPositionField), "16");
        EXPECT_EQ(GetControlText(TransformLengthField), "3");
        EXPECT_EQ(WindowHeight(TransformationWindowNumber), l.height) << l.algorithm;
        EXPECT_EQ(IsControlVisible(TransformMaskField), l.mask) << l.algorithm;
        EXPECT_EQ(IsControlVisible(TransformKeyField), l.mode) << l.algorithm;
        EXPECT_EQ(IsControlVisible(TransformApplyButton), true);
    }
    // Picking in the list lays the window out anew, as the menu does.
    ActivateControl(TransformAlgorithmList, XOr);
    Pump();
    EXPECT_EQ(WindowHeight(TransformationWindowNumber), 210);
    // The selection follows into the fields while the window is open.
    Select(40, -8);
    EXPECT_EQ(GetControlText(TransformPositionField), "32");
    EXPECT_EQ(GetControlText(TransformLengthField), "8");
}

TEST_F(TransformationWindowTest, XorInvertsTheRangeSelectsItAndOneUndoRestoresIt) {
    const Bytes original = Counting(64);
    SetDocument(original);
    Select(16, 16);
    Menu(XOr);
    Apply();
    Bytes expected = original;
    for (int i = 16; i < 32; ++i) expected[i] = static_cast<uint8_t>(~expected[i]);
    EXPECT_EQ(Contents(), expected);
    EXPECT_EQ(SelectionStart(*doc), 16);
    EXPECT_EQ(SelectionSize(*doc), 16);
    EXPECT_EQ(Steps(), 1);
    EXPECT_EQ(GetControlState(TransformProgressBar), 1000);
    EXPECT_EQ(FocusedControl(), MainViewGadget) << "Ctrl+Z reaches the main view at once";
    ChooseMenuItem(CommandUndo);
    EXPECT_EQ(Contents(), original);
    EXPECT_TRUE(messages.empty());
}

TEST_F(TransformationWindowTest, RangeIsReadLenientlyAndNothingHappensWithoutALength) {
    const Bytes original(32, 0);
    SetDocument(original);
    Menu(XOr);
    for (const char *length : {"0", "-5", "", "  x"}) {
        SetRange("0", length);
        Apply();
        EXPECT_EQ(Contents(), original) << "length \"" << length << "\"";
        EXPECT_EQ(Steps(), 0);
    }
    SetRange(" $10", "%11");
    Apply();
    Bytes expected = original;
    expected[16] = expected[17] = expected[18] = 0xFF;
    EXPECT_EQ(Contents(), expected);
    // A range running past the end stops there; one starting before 0 loses that part.
    SetRange("-2", "4");
    Apply();
    expected[0] = expected[1] = 0xFF;
    EXPECT_EQ(Contents(), expected);
    SetRange("30", "100");
    Apply();
    expected[30] = expected[31] = 0xFF;
    EXPECT_EQ(Contents(), expected);
    EXPECT_EQ(Steps(), 3);
    // An empty mask does not start.
    SetField(TransformMaskField, {});
    SetRange("0", "4");
    Apply();
    EXPECT_EQ(Steps(), 3);
    EXPECT_TRUE(messages.empty());
}

TEST_F(TransformationWindowTest, KeySizeChangeKeepsTheBytesFromTheStart) {
    Menu(AESEncoder);
    Bytes key(16);
    for (int i = 0; i < 16; ++i) key[i] = static_cast<uint8_t>(i);
    SetField(TransformKeyField, key);
    ActivateControl(TransformKeySizeList, 2);
    Pump();
    Bytes longKey = key;
    longKey.resize(32, 0);
    EXPECT_EQ(Field(TransformKeyField), longKey);
    EXPECT_EQ(Field(TransformVectorField), Bytes(32, 0));
    ActivateControl(TransformKeySizeList, 1);
    Pump();
    EXPECT_EQ(Field(TransformVectorField), Bytes(24, 0));
    ActivateControl(TransformKeySizeList, 0);
    Pump();
    EXPECT_EQ(Field(TransformKeyField), key);
}

TEST_F(TransformationWindowTest, AesEncryptThenDecryptReturnsTheOriginalOverTinyChunks) {
    std::mt19937 rng(197);
    Bytes original(80);
    for (auto &b : original) b = static_cast<uint8_t>(rng());
    SetDocument(original, 5);
    for (int keySize : {0, 2}) {
        for (int blockMode : {0, 1}) {
            Menu(AESEncoder);
            ActivateControl(TransformKeySizeList, keySize);
            Pump();
            ActivateControl(TransformBlockModeList, blockMode);
            Pump();
            Bytes key(16 + 8 * keySize), vector(key.size());
            for (auto &b : key) b = static_cast<uint8_t>(rng());
            for (auto &b : vector) b = static_cast<uint8_t>(rng());
            SetField(TransformKeyField, key);
            SetField(TransformVectorField, vector);
            SetRange("8", "64");
            Apply();
            const Bytes encrypted = Contents();
            EXPECT_NE(encrypted, original);
            EXPECT_TRUE(std::equal(original.begin(), original.begin() + 8, encrypted.begin()));
            EXPECT_EQ(SelectionSize(*doc), 64);
            Menu(AESDecoder);
            SetRange("8", "64");
            Apply();
            EXPECT_EQ(Contents(), original) << "key size " << keySize << ", block mode " << blockMode;
        }
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(TransformationWindowTest, RefusedRunsTellWhyAndLeaveTheDocumentAlone) {
    const Bytes original = Counting(64);
    SetDocument(original);
    struct Case {
        Algorithm algorithm;
        Bytes key, vector;
        int blockMode;
        const char *position, *length;
    } cases[] = {
        {AESEncoder, Bytes(16, 1), Bytes(16, 0), 0, "0", "20"},   // not whole blocks
        {AESEncoder, Bytes(16, 1), Bytes(16, 0), 0, "60", "16"},  // whole blocks, but clamped to 4 bytes
        {AESDecoder, Bytes(15, 1), Bytes(16, 0), 0, "0", "16"},   // key length
        {AESDecoder, Bytes(), Bytes(16, 0), 1, "0", "16"},        // no key
        {AESEncoder, Bytes(16, 1), Bytes(8, 0), 0, "0", "16"},    // short vector for CBC
    };
    for (const Case &c : cases) {
        Menu(c.algorithm);
        SetField(TransformKeyField, c.key);
        SetField(TransformVectorField, c.vector);
        ActivateControl(TransformBlockModeList, c.blockMode);
        Pump();
        SetRange(c.position, c.length);
        messages.clear();
        Apply();
        EXPECT_EQ(messages.size(), 1u) << c.position << " " << c.length;
        EXPECT_EQ(Contents(), original);
    }
    // ECB ignores the vector, even a short one.
    SetField(TransformVectorField, Bytes(8, 0));
    ActivateControl(TransformBlockModeList, 1);
    Pump();
    SetRange("0", "16");
    messages.clear();
    Apply();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Steps(), 1);
}

TEST_F(TransformationWindowTest, Base64ChangesTheLengthAndRefusesBadInputWithItsOffset) {
    const std::string text = "<foobar>";
    SetDocument(Bytes(text.begin(), text.end()));
    Select(1, 6);
    Menu(Base64Encoder);
    Apply();
    const std::string encoded = "<Zm9vYmFy>";
    EXPECT_EQ(Contents(), Bytes(encoded.begin(), encoded.end()));
    EXPECT_EQ(SelectionStart(*doc), 1);
    EXPECT_EQ(SelectionSize(*doc), 8);
    Menu(Base64Decoder);
    Apply();
    EXPECT_EQ(Contents(), Bytes(text.begin(), text.end()));
    EXPECT_EQ(SelectionSize(*doc), 6);

    const std::string bad = "xxZm9v Zm*9v";
    SetDocument(Bytes(bad.begin(), bad.end()));
    const int32_t steps = Steps();
    SetRange("2", "10");
    Apply();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("9"), std::string::npos) << messages[0];   // "*" lies at 9 in the document
    EXPECT_EQ(Contents(), Bytes(bad.begin(), bad.end()));
    EXPECT_EQ(Steps(), steps);
}

TEST_F(TransformationWindowTest, CancelAndCloseDuringARunLeaveTheDocumentAndEnableEveryWindow) {
    const Bytes original = Counting(64);
    SetDocument(original, 16);
    Menu(XOr);
    SetRange("0", "64");
    for (bool close : {false, true}) {
        ActivateControl(TransformApplyButton);
        // Waiting in the queue behind Apply: served by the run between its pieces.
        if (close) {
            Event e;
            e.window = TransformationWindowNumber;
            e.kind = EventCloseWindow;
            PostEvent(e);
        } else {
            PostControlEvent(TransformationWindowNumber, TransformCancelButton, ControlActivated);
        }
        Pump();
        EXPECT_EQ(Contents(), original) << (close ? "close" : "cancel");
        EXPECT_EQ(Steps(), 0);
        EXPECT_TRUE(AllWindowsEnabled());
        EXPECT_TRUE(IsControlVisible(TransformApplyButton));
        EXPECT_FALSE(IsControlVisible(TransformCancelButton));
        EXPECT_EQ(IsWindowVisible(TransformationWindowNumber), !close);
    }
    // The cancelled runs left nothing behind: the next one is whole.
    Menu(XOr);
    SetRange("0", "64");
    Apply();
    EXPECT_EQ(Contents()[63], static_cast<uint8_t>(~original[63]));
    EXPECT_TRUE(AllWindowsEnabled());
}

// The part of the result beyond the edits' memory budget goes to the scratch
// file: when its folder has no room, the run is refused before it starts.
TEST_F(TransformationWindowTest, ResultTheScratchFolderCannotHoldIsRefusedBeforeTheRun) {
    hx::test::SmallDisk disk(64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small file system needs root";
    ScratchSettings::Folder = disk.path();
    const int64_t budget = ScratchSettings::MemoryBudget;
    ScratchSettings::MemoryBudget = 0;
    const Bytes original = Counting(1 << 20);
    SetDocument(original);
    Select(0, static_cast<int64_t>(original.size()));
    Menu(XOr);
    SetControlState(TransformProgressBar, 123);
    messages.clear();
    Apply();
    ScratchSettings::MemoryBudget = budget;
    ScratchSettings::Folder.clear();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(disk.path()), std::string::npos) << messages[0];
    EXPECT_EQ(GetControlState(TransformProgressBar), 123) << "the run did not start";
    EXPECT_EQ(Contents(), original);
    EXPECT_EQ(Steps(), 0);
}

TEST_F(TransformationWindowTest, RunningOutOfMemoryAnywhereChangesNothingAndSaysSo) {
    const Bytes original = Counting(200);
    SetDocument(original, 32);
    Select(0, 200);   // any redraw of the main view copies the selection into the range fields
    Menu(Base64Encoder);
    bool sawRefusal = false, sawSuccess = false;
    for (int64_t budget = 0; budget < 200 && !sawSuccess; ++budget) {
        messages.clear();
        ByteBufferFaults::Budget = budget;
        ActivateControl(TransformApplyButton);
        Pump();
        ByteBufferFaults::Budget = -1;
        const Bytes now = Contents();
        if (now == original) {
            ASSERT_EQ(messages.size(), 1u) << "budget " << budget;
            sawRefusal = true;
            continue;
        }
        EXPECT_EQ(now.size(), 268u) << "budget " << budget;
        EXPECT_TRUE(messages.empty()) << "budget " << budget;
        EXPECT_EQ(Steps(), 1);
        sawSuccess = true;
    }
    EXPECT_TRUE(sawRefusal);
    EXPECT_TRUE(sawSuccess);
    EXPECT_TRUE(AllWindowsEnabled());
}
