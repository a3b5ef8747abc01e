// Standard controls: texts in the right encoding, events only for the user's
// actions, states clamped, and a window disabled by the program leaving the
// windows it owns as they were.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "platform/Controls.h"
#include "platform/Platform.h"

namespace hx {
namespace {

constexpr int Owner = 930, Tool = 931;

class Controls : public testing::Test {
protected:
    void SetUp() override {
        OpenWindow(Owner, 0, 0, 300, 200, "owner", 0);
        OpenWindow(Tool, 0, 0, 200, 100, "tool", WindowTool, Owner);
        Drain();
    }
    void TearDown() override {
        CloseWindow(Tool);
        CloseWindow(Owner);
        Drain();
    }
    static std::vector<Event> Drain() {
        std::vector<Event> events;
        while (std::optional<Event> event = PollEvent())
            if (event->kind == EventControl) events.push_back(*event);
        return events;
    }
};

TEST_F(Controls, LanguageTextsAreUtf8AndTypedTextIsLatin1) {
    const std::string umlaut = "L\xC3\xA4nge";   // "Länge" as the language files hold it
    CreateLabel(9301, Owner, 0, 0, 100, 20, umlaut);
    CreateInputField(9302, Owner, 0, 30, 100, 20, "\xE4");   // byte E4, as a hex editor shows it
    CreateDropDown(9303, Owner, 0, 60, 100, 20);
    AddDropDownItem(9303, umlaut, 7);
    EXPECT_EQ(GetControlText(9301), umlaut);
    EXPECT_EQ(GetControlText(9302), "\xE4");
    EXPECT_EQ(DropDownText(9303, 0), umlaut);
    EXPECT_EQ(DropDownData(9303, 0), 7);
    SetControlText(9303, umlaut);
    EXPECT_EQ(GetControlState(9303), 0);
}

TEST_F(Controls, ALongChoiceInANarrowDropDownIsShownWhole) {
    const std::string longText = "Cipher Block Chaining (CBC) with a long name";
    CreateDropDown(9305, Owner, 0, 0, 60, 20);
    AddDropDownItem(9305, "ECB", 0);
    AddDropDownItem(9305, longText, 1);
    auto *box = qobject_cast<QComboBox *>(ControlWidget(9305));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->width(), 60);
    EXPECT_GE(box->view()->minimumWidth(), box->fontMetrics().horizontalAdvance(QString::fromStdString(longText)));
    EXPECT_TRUE(box->toolTip().isEmpty());
    SetControlState(9305, 1);
    EXPECT_EQ(box->toolTip().toStdString(), longText);
}

TEST_F(Controls, ALongTextSetInANarrowFieldShowsItsStart) {
    CreateInputField(9304, Owner, 0, 0, 40, 20, "");
    SetControlText(9304, "-12345678901234567890.0000000");
    auto *field = qobject_cast<QLineEdit *>(ControlWidget(9304));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->cursorPosition(), 0);
}

TEST_F(Controls, OnlyTheUsersActionsPostEvents) {
    CreateSpinBox(9304, Owner, 0, 0, 100, 20, 19, 29);
    CreateButton(9305, Owner, 0, 30, 100, 20, "toggle", ControlToggle);
    SetControlState(9304, 40);
    SetControlState(9305, 1);
    EXPECT_EQ(GetControlState(9304), 29);   // clamped
    EXPECT_TRUE(Drain().empty());
    ActivateControl(9305);
    ActivateControl(9304, 20);
    std::vector<Event> events = Drain();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].control, 9305);
    EXPECT_EQ(events[0].data, 0);            // the toggle went from 1 to 0
    EXPECT_EQ(events[1].control, 9304);
    EXPECT_EQ(events[1].data, 20);
    ShowControl(9305, false);
    ActivateControl(9305);                   // a hidden button cannot be pressed
    EXPECT_TRUE(Drain().empty());
}

TEST_F(Controls, DisablingTheOwnerLeavesAnOwnedWindowEnabled) {
    CreateButton(9306, Tool, 0, 0, 100, 20, "Cancel");
    DisableWindow(Owner, true);
    EXPECT_FALSE(WindowWidget(Owner)->isEnabled());
    EXPECT_TRUE(WindowWidget(Tool)->isEnabled());
    EXPECT_TRUE(IsControlEnabled(9306));
    DisableWindow(Tool, true);
    DisableWindow(Owner, false);
    EXPECT_FALSE(WindowWidget(Tool)->isEnabled());   // its own state stays
    DisableWindow(Tool, false);
    EXPECT_TRUE(WindowWidget(Tool)->isEnabled());
}

}  // namespace
}  // namespace hx
