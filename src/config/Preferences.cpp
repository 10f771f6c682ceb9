#include "config/Preferences.h"

#include "config/NewInifiles.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>

namespace {
const char Main[] = "Main";
const char Default[] = "Default";
const char Options[] = "Options";
const char Window[] = "Window";

// Where a key of "Options" is read: there, or in "Main" when only an older
// version wrote it (there).
const char* OptionSection(const TNewInifile& ini, const char* key) {
    return !ini.ValueExists(Options, key) && ini.ValueExists(Main, key) ? Main : Options;
}

// The General values of one section, read in the order the settings dialog
// fills its controls; the option that came later is read from "Options" for
// "Main" and from the section itself for "Default".
GeneralPreferences ReadGeneralSection(const TNewInifile& ini, const char* section,
                                      const std::string& programDir, bool openDirDefault) {
    GeneralPreferences p;
    p.OutputPath = ini.ReadString(section, "Output Path", programDir);
    p.SynMode = ini.ReadInteger(section, "Syn Mode", 0);
    p.AutoOpenDir = ini.ReadBool(section, "Auto Open Dir", openDirDefault);
    p.AutoExit = ini.ReadBool(section, "Auto Exit", false);
    p.AutoTurnOff = ini.ReadBool(section, "Auto Turn Off", false);
    p.Overwrite = ini.ReadBool(section, "Overwrite", true);
    const char* key = "Simultaneous Conversions";
    const char* from = std::string_view(section) == Main ? OptionSection(ini, key) : section;
    p.SimultaneousConversions =
        std::clamp(ini.ReadInteger(from, key, 1), 1, MaxSimultaneousConversions());
    p.KeepTaskList =
        ini.ReadBool(std::string_view(section) == Main ? Options : section, "Keep Task List", true);
    return p;
}

// Output Path, Syn Mode, Auto Open Dir, Auto Exit, Auto Turn Off, Overwrite
// into "Main", then Simultaneous Conversions into "Options": the order of
// the settings OK and of the save at exit.
void WriteGeneral(TNewInifile& ini, const std::string& outputPath, const GeneralPreferences& p) {
    ini.WriteString(Main, "Output Path", outputPath);
    ini.WriteInteger(Main, "Syn Mode", p.SynMode);
    ini.WriteBool(Main, "Auto Open Dir", p.AutoOpenDir);
    ini.WriteBool(Main, "Auto Exit", p.AutoExit);
    ini.WriteBool(Main, "Auto Turn Off", p.AutoTurnOff);
    ini.WriteBool(Main, "Overwrite", p.Overwrite);
    // Written once it matters (more than one at once) or the file holds it,
    // where an older version may have put it too; until then the file stays
    // as it was.
    const char* key = "Simultaneous Conversions";
    if (p.SimultaneousConversions != 1 || ini.ValueExists(Options, key) ||
        ini.ValueExists(Main, key))
        ini.WriteInteger(Options, key, p.SimultaneousConversions);
    if (!p.KeepTaskList || ini.ValueExists(Options, "Keep Task List"))
        ini.WriteBool(Options, "Keep Task List", p.KeepTaskList);
}

// A name the store can keep and find again: "[" would start a section and
// "=" a key in the middle of the value, and a line break would split it.
bool StorableName(const std::string& name) {
    return name.find_first_of("[=\r\n") == std::string::npos;
}

// The window's place: "Left" and "Top" of "Window", or the keys an older
// version kept in "Main"; its size, "Width" and "Height" of "Window", only
// with both.
std::optional<WindowPosition> ReadPosition(const TNewInifile& ini) {
    const int32_t none = std::numeric_limits<int32_t>::min();
    for (auto [section, left, top] :
         {std::tuple{Window, "Left", "Top"}, std::tuple{Main, "Window Left", "Window Top"}}) {
        const int32_t x = ini.ReadInteger(section, left, none);
        const int32_t y = ini.ReadInteger(section, top, none);
        if (x == none || y == none) continue;
        WindowPosition place{x, y};
        const int32_t width = ini.ReadInteger(Window, "Width", 0);
        const int32_t height = ini.ReadInteger(Window, "Height", 0);
        if (width > 0 && height > 0) {
            place.Width = width;
            place.Height = height;
        }
        return place;
    }
    return std::nullopt;
}
} // namespace

GeneralPreferences SettingsInForce(SettingsClose how, const GeneralPreferences& inForce,
                                   const GeneralPreferences& shown) {
    GeneralPreferences now = shown;
    if (how == SettingsClose::Cancel) now.OutputPath = inForce.OutputPath;
    return now;
}

int MaxSimultaneousConversions() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

PreferencesFile::PreferencesFile(std::string prefsPath, std::string programDir, IniAccess access)
    : FPath(std::move(prefsPath)), FProgramDir(std::move(programDir)), FAccess(access) {}

std::string PreferencesFile::ReadVersion() const {
    TNewInifile ini(FPath, FAccess);
    std::string version = ini.ReadString(Main, "Version", "3.0");
    ini.Close();
    return version;
}

GeneralPreferences PreferencesFile::ReadGeneral() const {
    TNewInifile ini(FPath, FAccess);
    GeneralPreferences p = ReadGeneralSection(ini, Main, FProgramDir, true);
    ini.Close();
    return p;
}

MainWindowPreferences
PreferencesFile::ReadMainWindow(const std::vector<std::string>& catalogue) const {
    TNewInifile ini(FPath, FAccess);
    MainWindowPreferences p;
    p.OutputPath = ini.ReadString(Main, "Output Path", FProgramDir);
    if (!catalogue.empty()) {
        p.ProfileRead = true;
        p.ProfileIndex = ini.ReadInteger(Main, "Profile", 0);
        // The position alone would pick another profile once a file is added
        // to (or removed from) the folder; the name finds it again.
        const std::string name = ini.ReadString(Options, "Profile Name", "");
        auto named = std::find(catalogue.begin(), catalogue.end(), name);
        if (!name.empty() && named != catalogue.end())
            p.ProfileIndex = static_cast<int>(named - catalogue.begin());
    }
    p.Position = ReadPosition(ini);
    ini.Close();
    return p;
}

void PreferencesFile::SaveGeneral(const GeneralPreferences& prefs) const {
    TNewInifile ini(FPath, FAccess);
    WriteGeneral(ini, prefs.OutputPath, prefs);
    ini.Close();
}

void PreferencesFile::SaveAll(int profileIndex, const std::string& profileName,
                              const std::string& mainOutputPath, const GeneralPreferences& dialog,
                              const std::optional<WindowPosition>& position) const {
    TNewInifile ini(FPath, FAccess);
    ini.WriteInteger(Main, "Profile", profileIndex);
    WriteGeneral(ini, mainOutputPath, dialog);
    // An empty name also clears one stored before.
    ini.WriteString(Options, "Profile Name", StorableName(profileName) ? profileName : "");
    if (position) {
        ini.WriteInteger(Window, "Left", position->Left);
        ini.WriteInteger(Window, "Top", position->Top);
        if (position->Width > 0 && position->Height > 0) {
            ini.WriteInteger(Window, "Width", position->Width);
            ini.WriteInteger(Window, "Height", position->Height);
        }
    }
    ini.Close();
}

GeneralPreferences PreferencesFile::ReadDefaults() const {
    TNewInifile ini(FPath, FAccess);
    GeneralPreferences p = ReadGeneralSection(ini, Default, FProgramDir, false);
    ini.Close();
    return p;
}
