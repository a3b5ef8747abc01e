// A cheap look at what the clipboard offers, for enabling a Paste command
// every few milliseconds without copying (possibly huge) clipboard contents.
#pragma once

namespace hx {

// The MIME type of raw bytes on the clipboard (next to their text form).
inline constexpr const char *ClipboardBytesType = "application/octet-stream";

// true when the clipboard holds non-empty text or non-empty raw bytes of
// ClipboardBytesType; an empty text (or an offer of text that turns out
// empty) pastes nothing and counts as nothing. The contents are looked at
// once per clipboard change (and when the program becomes active again), not
// at every call. false without an application object.
bool ClipboardHasPasteData();

}  // namespace hx
