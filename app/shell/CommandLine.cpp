#include "app/shell/CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "document/ByteBuffer.h"
#include "platform/File.h"
#include "tools/AlgorithmRegistry.h"
#include "tools/Fingerprints.h"

#ifndef HEXALOOM_VERSION
#define HEXALOOM_VERSION "0"
#endif

namespace hx {

namespace {

void PrintHelp(std::ostream &out) {
    out << "Usage: hexaloom [OPTION]... [FILE]...\n"
           "Edit binary files of any size in a hex view, one tab per file.\n"
           "\n"
           "  -h, --help                    show this help and exit\n"
           "  -v, --version                 show the version and exit\n"
           "      --digest ALGORITHM FILE...  print the digest of each FILE and exit;\n"
           "                                ALGORITHM is MD5, CRC32, SHA1 or Adler32\n"
           "                                (any case); output as md5sum writes it\n"
           "  --                            end of options: later arguments are files\n"
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

const AlgorithmRecord *FindFingerprint(const std::string &name) {
    for (const auto &record : FingerprintRegistry().records())
        if (strcasecmp(record->Name.c_str(), name.c_str()) == 0 && HasCallbacks(*record)) return record.get();
    return nullptr;
}

int Digest(const std::vector<std::string> &arguments, size_t first, std::ostream &out, std::ostream &err) {
    if (first >= arguments.size()) {
        err << "hexaloom: --digest needs an algorithm (MD5, CRC32, SHA1, Adler32) and files\n";
        return 1;
    }
    const std::string &algorithm = arguments[first];
    RegisterBuiltinAlgorithms();
    if (!FindFingerprint(algorithm)) {
        err << "hexaloom: unknown digest algorithm \"" << algorithm << "\" (MD5, CRC32, SHA1, Adler32)\n";
        return 1;
    }
    if (first + 1 >= arguments.size()) {
        err << "hexaloom: --digest " << algorithm << " needs at least one file\n";
        return 1;
    }
    int code = 0;
    for (size_t i = first + 1; i < arguments.size(); ++i) {
        std::string error;
        std::optional<std::string> digest = FileDigestHex(algorithm, arguments[i], error);
        if (!digest) {
            err << "hexaloom: " << arguments[i] << ": " << error << "\n";
            code = 1;
            continue;
        }
        out << *digest << "  " << arguments[i] << "\n";
    }
    return code;
}

}  // namespace

std::optional<std::string> FileDigestHex(const std::string &algorithm, const std::string &path, std::string &error) {
    const AlgorithmRecord *record = FindFingerprint(algorithm);
    if (!record) {
        error = "unknown digest algorithm";
        return std::nullopt;
    }
    if (std::optional<ByteBuffer> digest = DigestOfFile(*record, path)) return Hex(*digest);
    if (!FileExists(path)) {
        error = std::strerror(ENOENT);
    } else if (IsSpecialFile(path)) {
        error = "not a regular file";
    } else {
        FileHandle probe = FileHandle::openReadOnly(path);
        error = probe ? "read error" : std::strerror(probe.lastError() ? probe.lastError() : EACCES);
    }
    return std::nullopt;
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
            out << "hexaloom " << HEXALOOM_VERSION << "\n";
            result.exitCode = 0;
            return result;
        } else if (a == "--digest") {
            result.exitCode = Digest(arguments, i + 1, out, err);
            return result;
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
