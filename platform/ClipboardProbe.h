// A cheap look at what the clipboard offers, for enabling a Paste command
// every few milliseconds without copying (possibly huge) clipboard contents.
#pragma once

namespace hx {

// The MIME type of raw bytes on the clipboard (next to their text form).
inline constexpr const char *ClipboardBytesType = "application/octet-stream";

// true when the clipboard offers text or raw bytes. Only the offered formats
// are looked at, so a clipboard that offers text which turns out to be empty
// still counts (pasting it then does nothing).
bool ClipboardHasPasteData();

}  // namespace hx
