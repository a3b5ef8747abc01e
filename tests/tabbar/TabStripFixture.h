// A tab strip on a hidden window, driven by synthetic canvas events.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/Canvas.h"
#include "platform/Platform.h"
#include "tabbar/TabBar.h"

namespace hx {

class TabStripTest : public ::testing::Test {
public:
    static constexpr int Gadget = 0;
    static constexpr int Window = 0;
    static constexpr int Width = 300;
    static constexpr int Height = 25;

protected:
    static void SetUpTestSuite() { OpenWindow(Window, 0, 0, 800, 100, "Strip", WindowHidden); }
    static void TearDownTestSuite() { CloseWindow(Window); }

    void SetUp() override {
        ASSERT_TRUE(IsWindow(Window));
        Drain();
        ASSERT_EQ(CreateTabBar(Gadget, 0, 0, Width, Height,
                               TabBarCloseButton | TabBarNewTab | TabBarBottomLine, Window),
                  Gadget);
        AddTabBarItem(Gadget, TabBarNewTabItem, "", nullptr, nullptr);
        SetTabBarToolTips(Gadget, "%ITEM", "New", "Close");
        Flush();
    }
    void TearDown() override {
        DestroyTabBar(Gadget);
        Drain();
    }

    static void Drain() {
        while (PollEvent()) {
        }
    }
    // Processes the strip's queued events as the main loop would; returns how many there were.
    static int Flush() {
        int count = 0;
        while (auto event = PollEvent()) {
            if (event->kind != EventControl || event->control != Gadget) continue;
            ProcessTabBarEvent(Gadget, *event);
            ++count;
        }
        return count;
    }
    static int Send(int type, int x, int y, int wheel = 0) {
        Event event;
        event.window = Window;
        event.control = Gadget;
        event.kind = EventControl;
        event.type = type;
        event.input.mouseX = x;
        event.input.mouseY = y;
        event.input.wheelDelta = wheel;
        return ProcessTabBarEvent(Gadget, event);
    }
    // Tabs "file0", "file1", ... whose user data is 1, 2, ...
    static void AddTabs(int count) {
        const int first = CountTabBarItems(Gadget);
        for (int i = first; i < first + count; ++i) {
            AddTabBarItem(Gadget, -1, "file" + std::to_string(i), nullptr,
                          reinterpret_cast<void *>(static_cast<intptr_t>(i + 1)));
        }
        Flush();
    }
    static intptr_t DataOf(int index) {
        return reinterpret_cast<intptr_t>(TabBarItemData(GetTabBarItem(Gadget, index)));
    }
    static TabBar &Strip() { return *GetTabBar(Gadget); }
    static const TabBarItem &Item(int index) { return *GetTabBarItem(Gadget, index); }
    // A point on a tab's text, well away from its close button.
    static int BodyX(int index) { return Item(index).textX + 2; }
    static int BodyY(int index) { return Item(index).rect.y + Item(index).rect.height / 2; }
    static int CloseX(int index) { return Item(index).closeX + 6; }
    static int CloseY(int index) { return Item(index).closeY + 6; }
    static int RowY() { return Height - 8; }
};

}  // namespace hx
