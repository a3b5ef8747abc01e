#include "app/shell/Help.h"

#include <cstdio>

#include <isa-l.h>
#include <libdeflate.h>
#include <lzma.h>
#include <openssl/crypto.h>
#include <png.h>
#include <xxhash.h>
#include <zip.h>
#include <zlib.h>

#include <QtGlobal>

#include "app/settings/Language.h"
#include "app/shell/BuildInfo.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuIds.h"
#include "platform/Dialogs.h"
#include "platform/InputDialog.h"
#include "platform/Platform.h"
#include "platform/Table.h"

namespace hx {

namespace {

constexpr int Window = KeysWindowNumber;

std::string Text(const char *key) { return GetText(std::string("\\Help\\") + key); }

void ShowKeysWindow() {
    if (!IsWindow(Window)) {
        OpenWindow(Window, 0, 0, KeysWindowWidth, KeysWindowHeight, GetText("\\Window\\Keys"),
                   WindowTool | WindowHidden | WindowCentered, MainWindowNumber);
        CreateTable(KeysTable, Window, 10, 10, KeysWindowWidth - 20, KeysWindowHeight - 20,
                    {Text("KeysColumn"), Text("ActionColumn")}, {330, 0});
    }
    std::vector<TableRow> rows;
    for (const auto &[keys, action] : KeyRows()) rows.push_back({{keys, action}});
    SetTableRows(KeysTable, rows);
    ShowWindow(Window, true);
    ActivateWindow(Window);
}

bool OnMenu(int id) {
    if (id == CommandKeys) {
        ShowKeysWindow();
        return true;
    }
    if (id == CommandAbout) {
        ShowMessage(MainWindowNumber, Text("AboutTitle"), AboutText());
        return true;
    }
    return false;
}

bool OnControl(const Event &event) { return event.window == Window; }

bool OnClose(int window) {
    if (window != Window) return false;
    ShowWindow(Window, false);
    return true;
}

// A version number major * 10000 + minor * 100 + patch as "major.minor.patch".
std::string DottedVersion(unsigned number) {
    return std::to_string(number / 10000) + "." + std::to_string(number / 100 % 100) + "." + std::to_string(number % 100);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> KeyRows() {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 1; i < 100; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "\\Help\\Row%02d", i);
        if (!HasText(key)) break;
        const std::string row = GetText(key);
        const size_t bar = row.find('|');
        if (bar == std::string::npos) rows.emplace_back(row, std::string());
        else rows.emplace_back(row.substr(0, bar), row.substr(bar + 1));
    }
    return rows;
}

std::vector<std::pair<std::string, std::string>> LibraryVersions() {
    return {
        {"Qt", qVersion()},
        {"libzip", zip_libzip_version()},
        {"libpng", png_get_libpng_ver(nullptr)},
        {"zlib", zlibVersion()},
        {"libdeflate", LIBDEFLATE_VERSION_STRING},
        {"OpenSSL", OpenSSL_version(OPENSSL_VERSION_STRING)},
        {"liblzma", lzma_version_string()},
        {"xxHash", DottedVersion(XXH_versionNumber())},
        {"ISA-L", DottedVersion(ISAL_MAJOR_VERSION * 10000 + ISAL_MINOR_VERSION * 100 + ISAL_PATCH_VERSION)},
    };
}

std::string AboutText() {
    std::string text = std::string("Hexaloom ") + ProgramVersion + "\n" + Text("Description") + "\n\n" +
                       Text("Libraries") + "\n";
    for (const auto &[name, version] : LibraryVersions()) text += name + " " + version + "\n";
    return text;
}

const ToolModule HelpTool{
    .menu = OnMenu,
    .control = OnControl,
    .close = OnClose,
};

}  // namespace hx
