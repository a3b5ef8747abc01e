// The configurations window (window 5): language, icon theme, launch picture
// and the two cache sizes. Built anew from the settings each time it opens,
// modal by disabling the other windows; OK and Apply change the settings in
// memory (OK also closes; Cancel, Escape and the close box close without
// applying), which take effect at the next start and are written when the
// program ends.
#include "app/settings/ConfigurationsWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/shell/Globals.h"
#include "app/settings/Ini.h"
#include "app/settings/Language.h"
#include "app/shell/MenuIds.h"
#include "app/settings/Settings.h"
#include "app/shell/Status.h"
#include "app/toolwindows/ToolWindows.h"
#include "platform/Controls.h"
#include "platform/InputDialog.h"
#include "platform/Platform.h"

namespace hx {

namespace {

// The windows that are disabled while this one is open.
constexpr int OtherWindows[] = {0, 1, 2, 3, 4, 6};


// A size spin whose setting is not one of SizeSteps shows the setting itself
// until the user moves it; Apply then keeps the setting as it is, instead of
// storing whatever step the spin happens to rest on.
struct SizeSpin {
    int control = 0;
    int first = 0, last = 0;  // the spin's range of SizeSteps indexes
    int64_t setting = 0;     // the value the window was opened with
    bool offStep = false;    // setting is not one of SizeSteps (or outside the range)
    bool moved = false;      // the user changed the spin since the window opened
};

struct ConfigState {
    SizeSpin chunk{ConfigChunkSpin, ChunkStepFirst, ChunkStepLast};
    SizeSpin history{ConfigHistorySpin, HistoryStepFirst, HistoryStepLast};
    // Names the settings held that have no file: kept unless another one is picked.
    std::string missingLanguage, missingTheme;
};

ConfigState &State() {
    static ConfigState state;
    return state;
}

}  // namespace

std::vector<std::string> SortedNames(const std::string &folder, const std::string &extension) {
    std::vector<std::string> names;
    for (const std::string &file : ListFolder(folder, extension))
        if (file.size() > extension.size()) names.push_back(file.substr(0, file.size() - extension.size()));
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

namespace {

// Fills a drop-down with names and selects current; returns current when it
// is not among them (the name to keep), else "".
std::string FillNames(int control, const std::vector<std::string> &names, const std::string &current) {
    for (const std::string &name : names) AddDropDownItem(control, name);
    SetControlText(control, current);
    return GetControlState(control) < 0 ? current : std::string();
}

// The step index at or below value within first ... last (first when below).
int StepAtOrBelow(int64_t value, int first, int last) {
    int index = first;
    for (int i = first; i <= last; ++i)
        if (SizeSteps()[static_cast<size_t>(i)] <= value) index = i;
    return index;
}

void SetUpSpin(SizeSpin &spin, int64_t setting) {
    spin.setting = setting;
    spin.moved = false;
    const int index = SizeStepIndex(std::to_string(setting));
    spin.offStep = index < spin.first || index > spin.last;
    SetControlState(spin.control, spin.offStep ? StepAtOrBelow(setting, spin.first, spin.last) : index);
    SetSpinFormatter(spin.control, [&spin](int position) {
        if (spin.offStep && !spin.moved) return FormatSize(spin.setting);
        return FormatSize(SizeSteps()[static_cast<size_t>(std::clamp(position, 0, SizeStepCount - 1))]);
    });
}

// The user moved a spin. From a setting between two steps the spin rests on
// the step below it: a step down lands there, a step up on the step above.
// From a setting below the range any step lands on the first step.
void SpinMoved(SizeSpin &spin, int position) {
    if (spin.offStep && !spin.moved) {
        spin.moved = true;
        const int below = StepAtOrBelow(spin.setting, spin.first, spin.last);
        if (spin.setting < SizeSteps()[static_cast<size_t>(spin.first)]) position = spin.first;
        else if (position < below) position = below;
    }
    spin.moved = true;
    SetControlState(spin.control, position);   // shows the new text
}

int64_t SpinValue(const SizeSpin &spin) {
    if (spin.offStep && !spin.moved) return spin.setting;
    return SizeSteps()[static_cast<size_t>(GetControlState(spin.control))];
}

void ShowPanel(int index) {
    static constexpr int panels[] = {ConfigGeneralPanel, ConfigBinaryFilesPanel, ConfigHistoryPanel};
    for (int panel : panels) ShowControl(panel, false);
    if (index >= 0 && index < 3) ShowControl(panels[index], true);
}

void Apply() {
    Settings &s = AppSettings();
    ConfigState &state = State();
    s.BinaryChunkLength = SpinValue(state.chunk);
    s.HistoryCacheSize = SpinValue(state.history);
    const std::string language = GetControlText(ConfigLanguageList);
    s.Language = language.empty() ? state.missingLanguage : language;
    const std::string theme = GetControlText(ConfigThemeList);
    s.Theme = theme.empty() ? state.missingTheme : theme;
    s.LaunchWindow = GetControlState(ConfigLaunchCheck) ? 1 : 0;
}

void Close() {
    for (int w : OtherWindows)
        if (IsWindow(w)) DisableWindow(w, false);
    CloseWindow(ConfigurationsWindowNumber);
}

bool OnMenu(int id) {
    if (id != CommandConfigurations) return false;
    OpenConfigurationsWindow();
    return true;
}

bool OnControl(const Event &event) {
    if (event.window != ConfigurationsWindowNumber) return false;
    ConfigState &state = State();
    switch (event.control) {
    case ConfigTree:
        ShowPanel(static_cast<int>(event.data));
        return true;
    case ConfigChunkSpin:
        SpinMoved(state.chunk, static_cast<int>(event.data));
        return true;
    case ConfigHistorySpin:
        SpinMoved(state.history, static_cast<int>(event.data));
        return true;
    case ConfigApply:
        Apply();
        return true;
    case ConfigOk:
        Apply();
        Close();
        return true;
    case ConfigCancel:
        Close();
        return true;
    default:
        return true;   // the drop-downs and the check box are read at Apply
    }
}

bool OnClose(int window) {
    if (window != ConfigurationsWindowNumber) return false;
    Close();
    return true;
}

}  // namespace

void OpenConfigurationsWindow() {
    const Settings &s = AppSettings();
    constexpr int width = 540, height = 360;
    SetTextGroup("Configurations");
    OpenWindow(ConfigurationsWindowNumber, 0, 0, width, height, GetText("\\Window\\Configurations"),
               WindowTool | WindowCentered | WindowHidden, 0);
    SetTextGroup("Configurations");

    CreateTreeList(ConfigTree, ConfigurationsWindowNumber, 10, 10, 180, height - 20);
    AddTreeItem(ConfigTree, GetText("General"));
    AddTreeItem(ConfigTree, GetText("BinaryFiles"));
    AddTreeItem(ConfigTree, GetText("History"));
    SetControlState(ConfigTree, 0);

    const int panelWidth = width - 210;
    const int w = ConfigurationsWindowNumber;
    CreateGroup(ConfigGeneralPanel, w, 200, 5, panelWidth, 110, GetText("General"));
    // Labels have no number of their own; these are free numbers of this window.
    CreateLabel(ConfigFirstLabel, w, 0, 0, 200, 16, GetText("Language") + ":");
    PlaceInGroup(ConfigFirstLabel, ConfigGeneralPanel, 10, 24);
    CreateDropDown(ConfigLanguageList, w, 0, 0, 150, 20);
    PlaceInGroup(ConfigLanguageList, ConfigGeneralPanel, panelWidth - 160, 20);
    CreateLabel(ConfigFirstLabel + 1, w, 0, 0, 200, 16, GetText("Theme") + ":");
    PlaceInGroup(ConfigFirstLabel + 1, ConfigGeneralPanel, 10, 54);
    CreateDropDown(ConfigThemeList, w, 0, 0, 150, 20);
    PlaceInGroup(ConfigThemeList, ConfigGeneralPanel, panelWidth - 160, 50);
    CreateLabel(ConfigFirstLabel + 2, w, 0, 0, 200, 16, GetText("LaunchWindow") + ":");
    PlaceInGroup(ConfigFirstLabel + 2, ConfigGeneralPanel, 10, 84);
    CreateCheckBox(ConfigLaunchCheck, w, 0, 0, 20, 20, "");
    PlaceInGroup(ConfigLaunchCheck, ConfigGeneralPanel, panelWidth - 30, 80);

    CreateGroup(ConfigBinaryFilesPanel, w, 200, 5, panelWidth, 50, GetText("BinaryFiles"));
    CreateLabel(ConfigFirstLabel + 3, w, 0, 0, 200, 16, GetText("BinaryChunkLength") + ":");
    PlaceInGroup(ConfigFirstLabel + 3, ConfigBinaryFilesPanel, 10, 24);
    CreateSpinBox(ConfigChunkSpin, w, 0, 0, 100, 20, State().chunk.first, State().chunk.last);
    PlaceInGroup(ConfigChunkSpin, ConfigBinaryFilesPanel, panelWidth - 110, 20);

    CreateGroup(ConfigHistoryPanel, w, 200, 5, panelWidth, 50, GetText("History"));
    CreateLabel(ConfigFirstLabel + 4, w, 0, 0, 200, 16, GetText("HistoryCacheSize") + ":");
    PlaceInGroup(ConfigFirstLabel + 4, ConfigHistoryPanel, 10, 24);
    CreateSpinBox(ConfigHistorySpin, w, 0, 0, 100, 20, State().history.first, State().history.last);
    PlaceInGroup(ConfigHistorySpin, ConfigHistoryPanel, panelWidth - 110, 20);

    // When the changes apply: the Part's window says nothing, and users wonder.
    CreateLabel(ConfigFirstLabel + 5, w, 200, height - 80, panelWidth, 36, GetText("AppliesAtNextStart"));
    CreateButton(ConfigOk, w, width - 330, height - 35, 100, 25, GetText("OK"));
    CreateButton(ConfigCancel, w, width - 220, height - 35, 100, 25, GetText("Cancel"));
    CreateButton(ConfigApply, w, width - 110, height - 35, 100, 25, GetText("Apply"));

    ConfigState &state = State();
    const std::string data = DataFolder();
    state.missingLanguage = FillNames(ConfigLanguageList, SortedNames(data + "/Languages", ".ini"), s.Language);
    state.missingTheme = FillNames(ConfigThemeList, SortedNames(data + "/Themes", ".zip"), s.Theme);
    SetControlState(ConfigLaunchCheck, s.LaunchWindow != 0 ? 1 : 0);
    SetUpSpin(state.chunk, s.BinaryChunkLength);
    SetUpSpin(state.history, s.HistoryCacheSize);
    ShowPanel(0);

    // In front with the keyboard, so that Escape cancels at once (the main
    // window is disabled below and would swallow the key).
    ActivateWindow(ConfigurationsWindowNumber);
    for (int other : OtherWindows)
        if (IsWindow(other)) DisableWindow(other, true);
}

int64_t ConfiguredChunkLength(int64_t setting) {
    return std::clamp(setting, SizeSteps()[size_t{ChunkStepFirst}], SizeSteps()[size_t{ChunkStepLast}]);
}

int64_t ConfiguredHistoryLimit(int64_t setting) {
    return std::clamp(setting, SizeSteps()[size_t{HistoryStepFirst}], SizeSteps()[size_t{HistoryStepLast}]);
}

std::string LanguageForLocale() {
    // The first of these that is set decides, as for any program's messages.
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(name);
        if (!value || !*value) continue;
        const std::string locale = value;
        return locale.rfind("de", 0) == 0 ? "German" : "English";
    }
    return "English";
}

void ChooseLanguageOnFirstStart(const std::string &configurationText, bool fileRead) {
    if (fileRead && ParseIni(configurationText).value("General", "Language")) return;
    AppSettings().Language = LanguageForLocale();
}

const ToolModule ConfigurationsTool{nullptr, OnMenu, OnControl, OnClose, nullptr, nullptr};

}  // namespace hx
