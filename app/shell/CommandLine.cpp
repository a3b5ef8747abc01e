#include "app/shell/CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <unistd.h>

#include "app/shell/BuildInfo.h"
#include "app/shell/QtOptions.h"
#include "document/ByteBuffer.h"
#include "platform/File.h"
#include "tools/AlgorithmRegistry.h"
#include "tools/Compare.h"
#include "tools/Fingerprints.h"

namespace hx {

namespace {

// The digest names for messages: "MD5, CRC32, ..." in registration order.
std::string DigestNames() {
    RegisterBuiltinAlgorithms();
    std::string names;
    for (const auto &record : FingerprintRegistry().records()) names += (names.empty() ? "" : ", ") + record->Name;
    return names;
}

// The names in lines of the help's option column, each ending in a new line.
std::string WrappedDigestNames() {
    const std::string indent(32, ' ');
    std::string text, line;
    const std::string names = DigestNames() + ",";
    for (size_t start = 0, comma; (comma = names.find(',', start)) != std::string::npos; start = comma + 2) {
        const std::string name = names.substr(start, comma - start);
        if (!line.empty() && indent.size() + line.size() + name.size() + 2 > 78) {
            text += indent + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + name + (comma + 1 < names.size() ? "," : "");
    }
    return text + indent + line + "\n";
}

void PrintHelp(std::ostream &out) {
    out << "Usage: hexaloom [OPTION]... [FILE]...\n"
           "Edit binary files of any size in a hex view, one tab per file.\n"
           "\n"
           "  -h, --help                    show this help and exit\n"
           "  -v, --version                 show the version and exit\n"
           "      --digest ALGORITHM FILE...  print the digest of each FILE and exit;\n"
           "                                output as md5sum writes it; ALGORITHM is one of\n"
        << WrappedDigestNames()
        << "                                (case, \"-\" and \"_\" do not matter: sha-256)\n"
           "      --compare A B             open A and B and compare them side by side\n"
           "      --compare --list A B      print where A and B differ and exit, one\n"
           "                                \"OFFSET LENGTH\" line (hexadecimal) per range;\n"
           "                                bytes past the end of the shorter file count\n"
           "                                as different; exit status 0 when the files\n"
           "                                are equal, 1 when they differ, 2 on trouble\n"
           "  --                            end of options: later arguments are files\n"
           "\n"
           "Qt's standard options (-style STYLE, -platform NAME, -display DISPLAY,\n"
           "-geometry GEOMETRY, -reverse, ...) are accepted before \"--\" and go to Qt.\n"
           "\n"
           "Each FILE opens in a tab of its own, in the order given, the first selected.\n"
           "A FILE that does not exist yet opens as a new, empty document of that name;\n"
           "it is created when it is first saved.\n";
}

std::string Hex(const ByteBuffer &bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(static_cast<size_t>(bytes.size()) * 2);
    for (int64_t i = 0; i < bytes.size(); ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

std::optional<std::string> StandardInputDigestHex(const std::string &algorithm, std::string &error) {
    const AlgorithmRecord *record = FindFingerprintByName(algorithm);
    FileHandle input = FileHandle::adopt(::dup(STDIN_FILENO));
    if (!record || !input) {
        error = record ? std::strerror(errno) : "unknown digest algorithm";
        return std::nullopt;
    }
    if (std::optional<ByteBuffer> digest = DigestOfStream(*record, input)) return Hex(*digest);
    error = "read error";
    return std::nullopt;
}

int Digest(const std::vector<std::string> &arguments, size_t first, std::ostream &out, std::ostream &err) {
    if (first >= arguments.size()) {
        err << "hexaloom: --digest needs an algorithm (" << DigestNames() << ") and files\n";
        return 1;
    }
    const std::string &algorithm = arguments[first];
    RegisterBuiltinAlgorithms();
    if (!FindFingerprintByName(algorithm)) {
        err << "hexaloom: unknown digest algorithm \"" << algorithm << "\" (" << DigestNames() << ")\n";
        return 1;
    }
    if (first + 1 >= arguments.size()) {
        err << "hexaloom: --digest " << algorithm << " needs at least one file\n";
        return 1;
    }
    int code = 0;
    bool options = true;
    for (size_t i = first + 1; i < arguments.size(); ++i) {
        const std::string &name = arguments[i];
        // "--" once ends the options; later ones are names like any other.
        if (options && name == "--") {
            options = false;
            continue;
        }
        std::string error;
        std::optional<std::string> digest =
            name == "-" ? StandardInputDigestHex(algorithm, error) : FileDigestHex(algorithm, name, error);
        if (!digest) {
            err << "hexaloom: " << name << ": " << error << "\n";
            code = 1;
            continue;
        }
        out << DigestLine(*digest, name);
    }
    return code;
}

std::string OpenProblem(const std::string &path, const FileSource &source) {
    if (!FileExists(path)) return std::strerror(ENOENT);
    if (IsSpecialFile(path)) return "not a regular file";
    return std::strerror(source.error() ? source.error() : EACCES);
}

// --compare --list A B: the files as they are, read-only. Exit status as cmp
// gives it: 0 equal, 1 different, 2 when a file cannot be opened or read.
int ListDifferences(const std::string &pathA, const std::string &pathB, std::ostream &out, std::ostream &err) {
    FileSource a, b;
    for (auto [path, source] : {std::pair{&pathA, &a}, std::pair{&pathB, &b}}) {
        if (source->open(*path)) continue;
        err << "hexaloom: " << *path << ": " << OpenProblem(*path, *source) << "\n";
        return 2;
    }
    const CompareGeometry geometry = CompareGeometry::Of(a.length(), b.length(), 0);
    CompareScan scan(geometry, 0, geometry.Shared);
    bool different = false;
    const auto print = [&](const CompareRange &r) {
        different = true;
        out << std::hex << r.OffsetA << ' ' << std::max(r.LengthA, r.LengthB) << std::dec << '\n';
        return true;
    };
    CompareScan::Status status = CompareScan::Status::Running;
    while (status == CompareScan::Status::Running) status = scan.step(a, b, int64_t{64} << 20, print);
    if (status != CompareScan::Status::Done) {
        err << "hexaloom: " << (a.failed() ? pathA : pathB) << ": read error\n";
        return 2;
    }
    return different ? 1 : 0;
}

// After --compare: "--list A B" or "A B" ("--" may come first).
int ReadCompare(const std::vector<std::string> &arguments, size_t first, CommandLine &result, std::ostream &out,
                std::ostream &err) {
    const bool list = first < arguments.size() && arguments[first] == "--list";
    if (list) ++first;
    if (first < arguments.size() && arguments[first] == "--") ++first;
    if (arguments.size() - std::min(first, arguments.size()) != 2) {
        err << "hexaloom: --compare" << (list ? " --list" : "") << " needs two files\nTry 'hexaloom --help'.\n";
        return 2;
    }
    if (list) return ListDifferences(arguments[first], arguments[first + 1], out, err);
    result.files = {arguments[first], arguments[first + 1]};
    result.compare = true;
    return -1;
}

}  // namespace

std::optional<std::string> FileDigestHex(const std::string &algorithm, const std::string &path, std::string &error) {
    const AlgorithmRecord *record = FindFingerprintByName(algorithm);
    if (!record) {
        error = "unknown digest algorithm";
        return std::nullopt;
    }
    // Looked at before it is opened: opening a pipe for reading would wait
    // for a writer, and a folder or device is no file to digest.
    int code = 0;
    switch (ProbeOpen(path, &code)) {
    case OpenProblem::None: break;
    case OpenProblem::Folder:
    case OpenProblem::NotRegular: error = "not a regular file"; return std::nullopt;
    case OpenProblem::Missing: error = std::strerror(ENOENT); return std::nullopt;
    case OpenProblem::PermissionDenied: error = std::strerror(EACCES); return std::nullopt;
    case OpenProblem::NoDevice:
    case OpenProblem::Other: error = std::strerror(code ? code : EIO); return std::nullopt;
    }
    if (std::optional<ByteBuffer> digest = DigestOfFile(*record, path)) return Hex(*digest);
    error = "read error";
    return std::nullopt;
}

std::string DigestLine(const std::string &digest, const std::string &name) {
    // A name holding a backslash or a line break is escaped as md5sum
    // escapes it, the line then starting with a backslash, so that one name
    // stays one line and "md5sum -c" reads it back.
    if (name.find_first_of("\\\n\r") == std::string::npos) return digest + "  " + name + "\n";
    std::string escaped;
    for (char c : name) {
        if (c == '\\') escaped += "\\\\";
        else if (c == '\n') escaped += "\\n";
        else if (c == '\r') escaped += "\\r";
        else escaped += c;
    }
    return "\\" + digest + "  " + escaped + "\n";
}

CommandLine ReadCommandLine(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err) {
    CommandLine result;
    bool options = true;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string &a = arguments[i];
        if (!options || a.empty() || a[0] != '-' || a == "-") {
            result.files.push_back(a);
            continue;
        }
        if (a == "--") {
            options = false;
        } else if (a == "-h" || a == "--help") {
            PrintHelp(out);
            result.exitCode = 0;
            return result;
        } else if (a == "-v" || a == "--version") {
            out << "hexaloom " << ProgramVersion << "\n";
            result.exitCode = 0;
            return result;
        } else if (a == "--compare") {
            if (const int code = ReadCompare(arguments, i + 1, result, out, err); code >= 0) result.exitCode = code;
            return result;
        } else if (a == "--digest") {
            result.exitCode = Digest(arguments, i + 1, out, err);
            return result;
        } else if (std::optional<int> values = QtOptionValueCount(a)) {
            if (arguments.size() - i - 1 < static_cast<size_t>(*values)) {
                err << "hexaloom: option " << a << " needs a value\nTry 'hexaloom --help'.\n";
                result.exitCode = 1;
                return result;
            }
            result.qtOptions.insert(result.qtOptions.end(), arguments.begin() + static_cast<ptrdiff_t>(i),
                                    arguments.begin() + static_cast<ptrdiff_t>(i) + 1 + *values);
            i += static_cast<size_t>(*values);
        } else {
            err << "hexaloom: unknown option " << a << "\nTry 'hexaloom --help'.\n";
            result.exitCode = 1;
            return result;
        }
    }
    return result;
}

bool HaveDisplay() {
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char *value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace hx
