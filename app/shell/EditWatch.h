// The shell's side of long edits: the progress window while an edit writes
// many bytes (a large paste or fill), stopping it when the program is asked
// to end meanwhile, and a message when an edit of a view could not be made.
#pragma once

namespace hx {

// Sets the document model's EditProgress hooks for the program's run.
void InstallEditWatch();

}  // namespace hx
