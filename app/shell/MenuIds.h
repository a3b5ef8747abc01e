// Command ids of the menu items and toolbar buttons. Items built with an
// automatic id (recent files, algorithms, Zip, LZMA) are told apart by their
// menu group instead (app/shell/MenuBuilder.h).
#pragma once

namespace hx {

enum MenuCommand : int {
    CommandNew = 4,
    CommandOpen = 5,
    CommandSave = 6,
    CommandSaveAs = 7,
    CommandClose = 9,
    CommandCloseAll = 10,
    CommandQuit = 11,
    CommandUndo = 12,
    CommandRedo = 13,
    CommandCut = 14,
    CommandCopy = 15,
    CommandPaste = 16,
    CommandSelectAll = 18,
    CommandSearchAndReplace = 20,
    CommandAddSplitter = 21,
    CommandRemoveSplitter = 22,
    CommandValuesEditor = 23,
    CommandHistogram = 24,
    CommandBriefLZ = 25,
    CommandSign = 26,
    CommandBigEndian = 28,
    CommandLittleEndian = 29,
    CommandConfigurations = 30,
    CommandSearchAgain = 31,   // F3: the Search button's work from the main view
    CommandGoTo = 32,          // Ctrl+G: the cursor to an offset typed in a small dialog
    CommandFindPrevious = 100, // Shift+F3: the search window's Find previous from the main view
    CommandCompare = 110,              // Tools: compare the document with another side by side
    CommandNextDifference = 111,       // F7
    CommandPreviousDifference = 112,   // Shift+F7
    // Bookmarks, tabs and help: 120 ... 139.
    CommandAddBookmark = 120,       // Ctrl+B
    CommandNextBookmark = 121,      // F2
    CommandPreviousBookmark = 122,  // Shift+F2
    CommandBookmarks = 123,         // the Bookmarks window
    CommandNextTab = 124,           // Ctrl+Tab, Ctrl+PageDown
    CommandPreviousTab = 125,       // Ctrl+Shift+Tab, Ctrl+PageUp
    CommandKeys = 126,              // F1: the keys
    CommandAbout = 127,
};

}  // namespace hx
