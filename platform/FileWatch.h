// Watching the files open in documents for changes made by other programs.
#pragma once

#include <string>
#include <vector>

namespace hx {

// Watches exactly these paths (others are let go): each change of one
// (written, cut, replaced, removed) posts an EventFileChanged with the path in
// the event's text. A path that does not exist is not watched; setting the
// same list again re-adds paths that were replaced meanwhile (a rename drops
// the watch of the old file). Needs InitPlatform; ShutdownPlatform stops it.
void SetWatchedFiles(const std::vector<std::string> &paths);
std::vector<std::string> WatchedFiles();

}  // namespace hx
