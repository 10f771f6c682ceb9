#include "config/Preferences.h"

#include "config/NewInifiles.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <thread>
#include <utility>

namespace {
const char Main[] = "Main";
const char Default[] = "Default";

// The General values of one section, read in the order the settings dialog
// fills its controls.
GeneralPreferences ReadGeneralSection(const TNewInifile& ini, const char* section,
                                      const std::string& programDir, bool openDirDefault) {
    GeneralPreferences p;
    p.OutputPath = ini.ReadString(section, "Output Path", programDir);
    p.SynMode = ini.ReadInteger(section, "Syn Mode", 0);
    p.AutoOpenDir = ini.ReadBool(section, "Auto Open Dir", openDirDefault);
    p.AutoExit = ini.ReadBool(section, "Auto Exit", false);
    p.AutoTurnOff = ini.ReadBool(section, "Auto Turn Off", false);
    p.Overwrite = ini.ReadBool(section, "Overwrite", true);
    p.SimultaneousConversions = std::clamp(ini.ReadInteger(section, "Simultaneous Conversions", 1),
                                           1, MaxSimultaneousConversions());
    return p;
}

// Output Path, Syn Mode, Auto Open Dir, Auto Exit, Auto Turn Off, Overwrite,
// Simultaneous Conversions: the order of the settings OK and of the save at
// exit.
void WriteGeneral(TNewInifile& ini, const std::string& outputPath, const GeneralPreferences& p) {
    ini.WriteString(Main, "Output Path", outputPath);
    ini.WriteInteger(Main, "Syn Mode", p.SynMode);
    ini.WriteBool(Main, "Auto Open Dir", p.AutoOpenDir);
    ini.WriteBool(Main, "Auto Exit", p.AutoExit);
    ini.WriteBool(Main, "Auto Turn Off", p.AutoTurnOff);
    ini.WriteBool(Main, "Overwrite", p.Overwrite);
    // Files from before this setting lack the key. It is added once it
    // matters (more than one at once); until then the file stays as it was.
    if (p.SimultaneousConversions != 1 || ini.ValueExists(Main, "Simultaneous Conversions"))
        ini.WriteInteger(Main, "Simultaneous Conversions", p.SimultaneousConversions);
}
} // namespace

int MaxSimultaneousConversions() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

PreferencesFile::PreferencesFile(std::string prefsPath, std::string programDir)
    : FPath(std::move(prefsPath)), FProgramDir(std::move(programDir)) {}

std::string PreferencesFile::ReadVersion() const {
    TNewInifile ini(FPath);
    std::string version = ini.ReadString(Main, "Version", "3.0");
    ini.Close();
    return version;
}

GeneralPreferences PreferencesFile::ReadGeneral() const {
    TNewInifile ini(FPath);
    GeneralPreferences p = ReadGeneralSection(ini, Main, FProgramDir, true);
    ini.Close();
    return p;
}

MainWindowPreferences PreferencesFile::ReadMainWindow(bool catalogueHasProfiles) const {
    TNewInifile ini(FPath);
    MainWindowPreferences p;
    p.OutputPath = ini.ReadString(Main, "Output Path", FProgramDir);
    if (catalogueHasProfiles) {
        p.ProfileRead = true;
        p.ProfileIndex = ini.ReadInteger(Main, "Profile", 0);
    }
    const int32_t none = std::numeric_limits<int32_t>::min();
    const int32_t left = ini.ReadInteger(Main, "Window Left", none);
    const int32_t top = ini.ReadInteger(Main, "Window Top", none);
    if (left != none && top != none) p.Position = WindowPosition{left, top};
    ini.Close();
    return p;
}

void PreferencesFile::SaveGeneral(const GeneralPreferences& prefs) const {
    TNewInifile ini(FPath);
    WriteGeneral(ini, prefs.OutputPath, prefs);
    ini.Close();
}

void PreferencesFile::SaveAll(int profileIndex, const std::string& mainOutputPath,
                              const GeneralPreferences& dialog,
                              const std::optional<WindowPosition>& position) const {
    TNewInifile ini(FPath);
    ini.WriteInteger(Main, "Profile", profileIndex);
    WriteGeneral(ini, mainOutputPath, dialog);
    if (position) {
        ini.WriteInteger(Main, "Window Left", position->Left);
        ini.WriteInteger(Main, "Window Top", position->Top);
    }
    ini.Close();
}

GeneralPreferences PreferencesFile::ReadDefaults() const {
    TNewInifile ini(FPath);
    GeneralPreferences p = ReadGeneralSection(ini, Default, FProgramDir, false);
    ini.Close();
    return p;
}
