// The configurations window (window 5) and the first start's language.
#pragma once

#include <string>
#include <vector>

namespace hx {

inline constexpr int ConfigurationsWindowNumber = 5;

// Control numbers of window 5.
enum ConfigurationsControl : int {
    ConfigTree = 57,
    ConfigApply = 58,
    ConfigGeneralPanel = 59,
    ConfigLanguageList = 60,
    ConfigLaunchCheck = 61,
    ConfigThemeList = 62,
    ConfigBinaryFilesPanel = 63,
    ConfigChunkSpin = 64,
    ConfigHistoryPanel = 65,
    ConfigHistorySpin = 66,
    ConfigFirstLabel = 500,  // 500 ... 505: the labels and the note under the panels
    ConfigOk = 520,          // apply and close
    ConfigCancel = 521,      // close without applying (also Escape and the close box)
};

// Opens window 5 built from the settings, shows it and disables windows 0–4 and 6.
void OpenConfigurationsWindow();

// The names (file names without extension) of the files in folder that end
// in extension, sorted and without repeats: the language and theme lists.
std::vector<std::string> SortedNames(const std::string &folder, const std::string &extension);

// German for a "de" locale (LC_ALL, else LC_MESSAGES, else LANG), English otherwise.
std::string LanguageForLocale();
// Sets the language from the locale when the configuration file could not be
// read (fileRead false) or holds no Language key in [General]; a Language key
// is always obeyed.
void ChooseLanguageOnFirstStart(const std::string &configurationText, bool fileRead);

}  // namespace hx
