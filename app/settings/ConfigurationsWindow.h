// The configurations window (window 5) and the first start's language.
#pragma once

#include <cstdint>
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

// The SizeSteps indexes the two size spins offer: chunk lengths of 500 kB to
// 500 MB, history limits of 4 MB to 8 GB.
inline constexpr int ChunkStepFirst = 19, ChunkStepLast = 29;
inline constexpr int HistoryStepFirst = 22, HistoryStepLast = 33;
// The chunk length and history limit documents get from the stored settings:
// clamped to the first and last step its spin offers (a value between two
// steps, the default history limit 67108864 for one, stays as it is).
int64_t ConfiguredChunkLength(int64_t setting);
int64_t ConfiguredHistoryLimit(int64_t setting);

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
