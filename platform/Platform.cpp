// Runtime, folders, clipboard and message boxes of the platform layer.
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

#include "Platform.h"
#include "PlatformInternal.h"

namespace hx {
namespace {

struct Runtime {
    std::unique_ptr<QApplication> application;
    std::vector<std::string> arguments;  // after the program name
    std::string startDirectory;
};

Runtime &TheRuntime() {
    static Runtime runtime;
    return runtime;
}

std::string CurrentDirectory() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::current_path(error);
    return error ? std::string() : path.string();
}

std::string ExecutableFolderFromProc() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? CurrentDirectory() : exe.parent_path().string();
}

bool IsFolder(const std::string &path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::string EnvironmentValue(const char *name) {
    const char *value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = EnvironmentValue("HOME");
    if (!home.empty())
        return home;
    if (const passwd *entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return std::string();
}

bool EndsWithNoCase(const std::string &text, const std::string &tail) {
    if (tail.size() > text.size())
        return false;
    return std::equal(tail.rbegin(), tail.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

// Latin-1 bytes of a text: one byte per code point, "?" for code points above
// 255 (a character outside the BMP is one "?", not two).
std::string ToLatin1(const QString &text) {
    std::string bytes;
    // One pass over the UTF-16 units, without a UCS-4 copy (clipboard text can
    // be hundreds of megabytes). A surrogate pair is one character: one "?".
    const qsizetype n = text.size();
    bytes.resize(static_cast<size_t>(n));
    const QChar *units = text.constData();
    size_t out = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t code = units[i].unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < n && QChar::isLowSurrogate(units[i + 1].unicode())) ++i;
        bytes[out++] = code <= 255 ? static_cast<char>(code) : '?';
    }
    bytes.resize(out);
    return bytes;
}

QString FromLatin1(const std::string &bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QClipboard *Clipboard() {
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr
               ? QGuiApplication::clipboard()
               : nullptr;
}

}  // namespace

// ---- runtime ----

void InitPlatform(int &argc, char **argv) {
    Runtime &runtime = TheRuntime();
    if (runtime.startDirectory.empty())
        runtime.startDirectory = CurrentDirectory();
    if (QCoreApplication::instance() != nullptr) {
        // Made by someone else (a test's main): use it, and its arguments.
        const QStringList arguments = QCoreApplication::arguments();
        runtime.arguments.clear();
        for (qsizetype i = 1; i < arguments.size(); ++i)
            runtime.arguments.push_back(arguments[i].toStdString());
        return;
    }
    runtime.application = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName("Hexaloom");
    QApplication::setOrganizationName("Quillstone");
    QApplication::setQuitOnLastWindowClosed(false);
    // QApplication has taken out its own options (-platform, -style ...).
    runtime.arguments.clear();
    for (int i = 1; i < argc; ++i)
        runtime.arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
}

void ShutdownPlatform() {
    detail::RemoveQuitSignals();
    detail::DestroyWindowsAndControls();
    detail::StopWatchingFiles();
    detail::ClearEventQueue();
    TheRuntime().application.reset();
}

std::string CommandLineArgument(int i) {
    const std::vector<std::string> &arguments = TheRuntime().arguments;
    if (i < 0 || static_cast<size_t>(i) >= arguments.size())
        return std::string();
    return arguments[static_cast<size_t>(i)];
}

std::string StartDirectory() {
    Runtime &runtime = TheRuntime();
    if (runtime.startDirectory.empty())
        runtime.startDirectory = CurrentDirectory();
    return runtime.startDirectory;
}

std::string ProgramFolder() {
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationDirPath().toStdString();
    return ExecutableFolderFromProc();
}

std::string DataFolder() {
    const std::string program = ProgramFolder();
    if (IsFolder(program + "/Languages") || IsFolder(program + "/Themes"))
        return program;
    // Installed as <prefix>/bin/hexaloom with the data in <prefix>/share/hexaloom.
    const std::string shared = std::filesystem::path(program).parent_path().string() + "/share/hexaloom";
    if (IsFolder(shared))
        return shared;
    return program;
}

std::string ResolveUserPath(const std::string &path) {
    if (path.empty() || path.front() == '/')
        return path;
    std::string start = StartDirectory();
    if (start.empty())
        return path;
    if (start.back() != '/')
        start.push_back('/');
    return start + path;
}

std::string ConfigFolderPath() {
    std::string base = EnvironmentValue("APPDATA");
    if (base.empty()) {
        // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
        const std::string xdg = EnvironmentValue("XDG_CONFIG_HOME");
        base = !xdg.empty() && xdg.front() == '/' ? xdg : HomeFolder() + "/.config";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/Quillstone/Hexaloom/";
}

std::vector<std::string> ListFolder(const std::string &folder, const std::string &extension) {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(folder.empty() ? std::string(".") : folder, error);
    if (error)
        return names;
    for (const std::filesystem::directory_entry &entry : it) {
        std::error_code typeError;
        if (!entry.is_regular_file(typeError))
            continue;
        std::string name = entry.path().filename().string();
        // "*.ini" of a case-insensitive file system: "German.INI" is listed too.
        if (EndsWithNoCase(name, extension))
            names.push_back(std::move(name));
    }
    // Directory order is arbitrary on Linux; sorted names keep lists stable.
    std::sort(names.begin(), names.end());
    return names;
}

// ---- clipboard ----

std::string ClipboardText() {
    QClipboard *clipboard = Clipboard();
    return clipboard != nullptr ? ToLatin1(clipboard->text()) : std::string();
}

void SetClipboardText(const std::string &latin1) {
    if (QClipboard *clipboard = Clipboard())
        clipboard->setText(FromLatin1(latin1));
}

std::optional<std::string> ClipboardData(const std::string &mimeType) {
    QClipboard *clipboard = Clipboard();
    if (clipboard == nullptr)
        return std::nullopt;
    const QMimeData *data = clipboard->mimeData();
    const QString type = QString::fromStdString(mimeType);
    if (data == nullptr || !data->hasFormat(type))
        return std::nullopt;
    const QByteArray bytes = data->data(type);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void SetClipboardTextAndData(const std::string &latin1, const std::string &mimeType,
                             const std::string &bytes) {
    QClipboard *clipboard = Clipboard();
    if (clipboard == nullptr)
        return;
    auto data = std::make_unique<QMimeData>();
    data->setText(FromLatin1(latin1));
    if (!mimeType.empty())
        data->setData(QString::fromStdString(mimeType),
                      QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    clipboard->setMimeData(data.release());  // the clipboard owns it from here
}

// ---- messages ----

void MessageBox(int window, const std::string &title, const std::string &text) {
    if (qobject_cast<QApplication *>(QCoreApplication::instance()) == nullptr)
        return;
    detail::StepAsideForDialog();
    QMessageBox::information(WindowWidget(window), QString::fromStdString(title),
                             QString::fromStdString(text));
}

}  // namespace hx
