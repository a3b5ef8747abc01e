// The shell's side of long edits: the progress window while an edit writes
// many bytes (a large paste or fill), stopping it when the program is asked
// to end meanwhile, a message when an edit of a view could not be made, and
// the question when a save has no room to keep what undo steps need.
#pragma once

#include <cstdint>

namespace hx {

// Sets the document model's EditProgress hooks for the program's run.
void InstallEditWatch();

// Asks whether a save may let go of the undo steps that need bytes of the
// file it overwrites (needed bytes), since the scratch folder has no room to
// keep them. True: save without them.
bool AskToDropUndoSteps(int64_t needed);

}  // namespace hx
