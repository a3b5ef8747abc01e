// Files that another program changes while they are open here. A document
// shows its file's bytes as they were when it was opened or last saved, read
// as they are needed: after a change on disk, the bytes already read and the
// bytes read later would come from two different files. So a change is
// looked for when a watched file changes (a moment after, so that a program
// still writing causes one look) and whenever the main window is activated:
// a document without changes of its own is reloaded (cursor and scrolling
// kept where they still exist) and the status bar says so; one with changes
// asks whether to reload and lose them or to keep them (a later save then
// asks before it overwrites the other program's file).
#pragma once

#include <string>

#include "platform/Event.h"

namespace hx {

struct Document;

// Handles the loop's events of this concern: EventFileChanged, the main
// window's EventWindowActivated and the check timer. false for other events.
bool HandleDiskWatchEvent(const Event &event);
// Looks at every document of the main view now (tests; the events call it).
void CheckOpenFilesOnDisk();
// Keeps the file watch on the files of the main view's documents; cheap when
// nothing changed (the upkeep timer calls it).
void WatchOpenFiles();
// Replaces a document's bytes by its file as it is now, with a new, empty
// undo history. false (the document as it was) when the file cannot be opened.
bool ReloadDocument(Document *doc);

// The timer of window 0 that runs the check after a change was reported.
inline constexpr int DiskCheckTimer = 27;
inline constexpr int DiskCheckDelay = 300;   // milliseconds after the last report

}  // namespace hx
