// Go to offset: the Edit menu's "Go to…" (Ctrl+G) asks for an offset in a
// small dialog and moves the main view's cursor there.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace hx {

// The offset a text typed into the Go to dialog names, clamped to
// 0 ... size. Read leniently: leading blanks and tabs skipped; a leading "+"
// or "-" makes it relative to cursor; then decimal digits, "$" or "0x" and
// hexadecimal digits, or "%" and binary digits; reading stops at the first
// other character. Values too large for 64 bits count as the largest one
// (and are clamped like it). nullopt when the text holds no digit of the
// number's kind at all (an empty text included): there is nowhere to go.
std::optional<int64_t> GoToTarget(std::string_view text, int64_t cursor, int64_t size);

// The menu command: asks (texts of the "GoTo" group), then goes to the
// target in the main view with the view's go-to command. Escape, Cancel or a
// text without a number leave everything as it was.
void GoToFromMenu();

}  // namespace hx
