// The shell driven in-process over real files in a temporary folder, with
// every dialog answered by the test: the save question's answers, the name a
// save-as dialog returns, the files an open dialog returns; messages are
// collected.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuIds.h"
#include "app/settings/Settings.h"
#include "document/Document.h"
#include "document/Save.h"
#include "hexview/HexView.h"
#include "platform/Dialogs.h"
#include "platform/File.h"
#include "platform/Platform.h"
#include "tabbar/TabBar.h"
#include "ShellTestSupport.h"

namespace hx::test {

inline std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class FileSafetyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // No launch window: it would hold start-up for a second.
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n");
        InitTestPlatform();
        Dialogs().askSave = [this](const SaveQuestion &q) {
            questions.push_back(q);
            if (answers.empty()) return SaveChoice::Cancel;
            SaveChoice next = answers.front();
            answers.erase(answers.begin());
            return next;
        };
        Dialogs().message = [this](int, const std::string &, const std::string &text) { messages.push_back(text); };
        Dialogs().saveFile = [this](const SaveFileRequest &) {
            ++saveDialogs;
            return saveAsName;
        };
        Dialogs().openFile = [this](const OpenFileRequest &) { return openNames; };
    }
    void TearDown() override {
        ShutDown();
        Dialogs() = DialogHooks{};
    }

    std::string path(const std::string &name) const { return dir.path().toStdString() + "/" + name; }
    std::string file(const std::string &name, const std::string &bytes) {
        WriteAll(path(name), bytes);
        return path(name);
    }
    HexView *view() { return HexViewByGadget(MainViewGadget); }
    Document *current() { return view()->CurrentDocument; }
    int tabs() { return CountTabBarItems(TabBarGadget); }
    bool recentHas(const std::string &name) {
        for (const std::string &entry : AppSettings().RecentFiles)
            if (entry == name) return true;
        return false;
    }
    bool menu(int id) { return ChooseMenuItem(id); }
    // Types characters into the main view (hexadecimal digits in its default column).
    void type(const std::string &characters) {
        for (unsigned char c : characters) TypeIntoMainView(c);
    }
    void drop(int control, int type, const std::vector<std::string> &paths, const std::string &text = {},
              int x = 0, int y = 0) {
        Event e;
        e.window = MainWindowNumber;
        e.control = control;
        e.kind = EventDrop;
        e.type = type;
        e.paths = paths;
        e.text = text;
        e.input.mouseX = x;
        e.input.mouseY = y;
        DispatchEvent(e);
    }

    QTemporaryDir dir;
    std::vector<SaveQuestion> questions;
    std::vector<SaveChoice> answers;
    std::vector<std::string> messages;
    std::string saveAsName;
    int saveDialogs = 0;
    std::vector<std::string> openNames;
};

}  // namespace hx::test
