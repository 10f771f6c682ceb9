#pragma once
// The user's choices in Preferences.ini. The live values belong to whoever
// shows them (the window's controls); this is the file side: what is read and
// written, in which order, through the INI store.
#include <string>

struct GeneralPreferences {
    std::string OutputPath;   // the settings dialog's output folder box
    int SynMode = 0;          // 0 Auto, 1 Force Mode, 2 Progressive Mode
    bool AutoOpenDir = true;  // open the output folder when a batch completes
    bool AutoExit = false;    // exit when a batch completes
    bool AutoTurnOff = false; // power off when a batch completes
    bool Overwrite = true;    // overwrite existing outputs; else a numbered name
};

class PreferencesFile {
public:
    // prefsPath: <program dir>Preferences.ini; programDir ends in a separator.
    PreferencesFile(std::string prefsPath, std::string programDir);

    // Main window creation: "Version" of "Main", default "3.0".
    std::string ReadVersion() const;
    // Settings dialog creation: the General values from "Main".
    GeneralPreferences ReadGeneral() const;
    // Main window first shown: "Output Path" (default the program dir).
    std::string ReadOutputPath() const;
    // Main window first shown, when the catalogue is not empty: "Profile".
    int ReadProfileIndex() const;
    // Settings OK: Output Path, Syn Mode, Auto Open Dir, Auto Exit,
    // Auto Turn Off, Overwrite, in this order ("Profile" is not written).
    void SaveGeneral(const GeneralPreferences& prefs) const;
    // Main window closing: Profile, Output Path (the main window's), then the
    // dialog's values, in this order.
    void SaveAll(int profileIndex, const std::string& mainOutputPath,
                 const GeneralPreferences& dialog) const;
    // Load Default: the "Default" section (Auto Open Dir defaults to false there).
    GeneralPreferences ReadDefaults() const;

    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    std::string FProgramDir;
};
