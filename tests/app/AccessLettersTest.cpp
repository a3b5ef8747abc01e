// Access letters: in both languages every entry of every menu (bar, submenus,
// pop-ups) has one, no two entries of one menu share it, Alt+F, Alt+E,
// Alt+T, Alt+S open the English menus, and a recent file's "&" is shown as it is.
#include <gtest/gtest.h>

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <map>
#include <set>

#include "app/settings/Language.h"
#include "app/settings/Theme.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "tools/AlgorithmRegistry.h"

using namespace hx;

namespace {

// The access letter of an entry's text (the part before a shown shortcut); 0 for none.
QChar Letter(const QString &text) {
    const QString label = text.section('\t', 0, 0);
    for (qsizetype i = 0; i + 1 < label.size(); ++i) {
        if (label[i] != '&') continue;
        if (label[i + 1] != '&') return label[i + 1].toLower();
        ++i;
    }
    return QChar();
}

TEST(AccessLettersTest, EveryEntryHasOneAndNoMenuRepeatsIt) {
    RegisterBuiltinAlgorithms();
    for (const char *language : {"English", "German"}) {
        ASSERT_TRUE(LoadLanguage(std::string(HEXALOOM_SOURCE_DIR) + "/Languages/" + language + ".ini"));
        ASSERT_TRUE(OpenWindow(0, 0, 0, 800, 600, "main", WindowMain | WindowHidden));
        ResetMenuBuilder();
        BuildMainMenu({"/data/R&D.bin"});
        BuildPopupMenus();
        const int recent = FirstGroupItem(RecentGroup);
        EXPECT_EQ(MenuItemText(MainMenu, recent), "R&D.bin");

        QMenuBar *bar = MainWindowWidget(0)->menuBar();
        std::vector<QWidget *> menus{bar};
        for (QMenu *menu : WindowWidget(0)->findChildren<QMenu *>()) menus.push_back(menu);
        for (QWidget *menu : menus) {
            std::map<QChar, QString> taken;
            for (QAction *action : menu->actions()) {
                if (action->isSeparator() || action->text().isEmpty()) continue;
                const QString text = action->text();
                const QChar letter = Letter(text);
                // File names of the recent list and its "none" entry are shown as they are.
                auto *sub = qobject_cast<QMenu *>(menu);
                const bool literal = sub && sub->title() == QString::fromStdString(GetText("\\Menu\\Recent"));
                if (literal) {
                    EXPECT_TRUE(letter.isNull()) << language << ": " << text.toStdString();
                    continue;
                }
                EXPECT_FALSE(letter.isNull()) << language << ": " << text.toStdString();
                if (letter.isNull()) continue;
                EXPECT_TRUE(taken.emplace(letter, text).second)
                    << language << ": " << text.toStdString() << " and " << taken[letter].toStdString();
            }
        }
        if (std::string(language) == "English") {
            std::set<QKeySequence> titles;
            for (QAction *action : bar->actions()) titles.insert(QKeySequence::mnemonic(action->text()));
            for (const char *keys : {"Alt+F", "Alt+E", "Alt+T", "Alt+S", "Alt+H"})
                EXPECT_EQ(titles.count(QKeySequence(keys)), 1u) << keys;
        }
        for (int menu : {MainMenu, ViewPopupMenu, ToolPopupMenu}) FreeMenu(menu);
        CloseWindow(0);
    }
    ClearLanguage();
}

}  // namespace
