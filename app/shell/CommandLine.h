// The command line: options that end the program before any window
// (--help, --version, --digest) and the files to open at start-up.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace hx {

struct CommandLine {
    std::vector<std::string> files;   // in the order given, as typed (not yet resolved)
    std::optional<int> exitCode;      // set when the program is to end at once with this code
    std::vector<std::string> qtOptions;  // Qt's own options with their values, in order, for QApplication
    bool compare = false;             // --compare A B: files holds A and B, compared once open
};

// Reads the arguments after the program name. --help and --version print to
// out; --digest ALGORITHM FILE... prints one "digest  name" line per file to
// out (lower-case hex, names escaped as md5sum escapes them; "-" is standard
// input; a file that is not a regular file is refused without being opened)
// and problems to err; a bad option prints a message to err. Each of these
// sets exitCode (0, or 1 on a problem). "--" ends the options: what follows
// are file names even when they start with "-" (also among the files of
// --digest). Qt's standard options (QtOptions.h) before "--" go to qtOptions
// with their values; one missing its value is a bad option.
// --compare --list A B prints the differing ranges of the two files to out
// and sets exitCode (0 equal, 1 different, 2 trouble, as cmp has it);
// --compare A B (without --list) sets compare and the two files.
CommandLine ReadCommandLine(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err);

// The digest of a file's bytes with a fingerprint algorithm of the registry
// (case-insensitive name), read in slices through the algorithm's callbacks
// as the fingerprint tool feeds them; nullopt with a message in error when
// the algorithm is unknown or the file cannot be read.
std::optional<std::string> FileDigestHex(const std::string &algorithm, const std::string &path, std::string &error);

// One line of --digest output for name, as md5sum writes it: "digest  name",
// or, when the name holds a backslash, line feed or carriage return, a
// leading backslash and the name with those written "\\", "\n" and "\r".
std::string DigestLine(const std::string &digest, const std::string &name);

// True when a window can be shown: a platform was chosen (QT_QPA_PLATFORM)
// or an X11 or Wayland display is named in the environment.
bool HaveDisplay();

}  // namespace hx
