#pragma once
// The user's choices in Preferences.ini. The live values belong to whoever
// shows them (the window's controls); this is the file side: what is read and
// written, in which order, through the INI store.
#include <optional>
#include <string>

struct GeneralPreferences {
    std::string OutputPath;   // the settings dialog's output folder box
    int SynMode = 0;          // 0 Auto, 1 Force Mode, 2 Progressive Mode
    bool AutoOpenDir = true;  // open the output folder when a batch completes
    bool AutoExit = false;    // exit when a batch completes
    bool AutoTurnOff = false; // power off when a batch completes
    bool Overwrite = true;    // overwrite existing outputs; else a numbered name
    // How many tasks a batch converts at once, 1..MaxSimultaneousConversions().
    int SimultaneousConversions = 1;
};

// The largest "Simultaneous conversions" setting: the number of processors
// (at least 1).
int MaxSimultaneousConversions();

// The top-left corner of the main window's frame.
struct WindowPosition {
    int Left = 0;
    int Top = 0;
};

// What the main window restores when it is first shown.
struct MainWindowPreferences {
    std::string OutputPath;
    bool ProfileRead = false; // "Profile" is read only when profiles exist
    int ProfileIndex = -1;    // the selector's item index; -1 selects none
    // Where the window was last ("Window Left", "Window Top"); files
    // written before the window kept its place have neither.
    std::optional<WindowPosition> Position;
};

// Each call opens a store on the file, reads or writes its keys in a fixed
// order and closes the store, which rewrites the file (EFileError when the
// file cannot be read or written). Keys new to a section are inserted below
// its header, so that order decides the order of the keys in the file.
class PreferencesFile {
public:
    // prefsPath: <program dir>Preferences.ini; programDir ends in a separator.
    PreferencesFile(std::string prefsPath, std::string programDir);

    // Main window creation: "Version" of "Main", default "3.0".
    std::string ReadVersion() const;
    // Settings dialog creation: the General values from "Main".
    GeneralPreferences ReadGeneral() const;
    // Main window first shown: "Output Path" (default the program dir), then
    // "Profile" (default 0) when the catalogue holds a profile, then the
    // window's place when both its keys are there; one store.
    MainWindowPreferences ReadMainWindow(bool catalogueHasProfiles) const;
    // Settings OK: Output Path, Syn Mode, Auto Open Dir, Auto Exit,
    // Auto Turn Off, Overwrite, Simultaneous Conversions, in this order
    // ("Profile" is not written). The last key came later: files written
    // before it lack it and read 1; it is written once it is not 1 or the
    // file holds it.
    void SaveGeneral(const GeneralPreferences& prefs) const;
    // Main window closing: Profile, Output Path (the main window's), the
    // dialog's values, then "Window Left" and "Window Top" when the window has
    // a place (it was shown), in this order.
    void SaveAll(int profileIndex, const std::string& mainOutputPath,
                 const GeneralPreferences& dialog,
                 const std::optional<WindowPosition>& position = std::nullopt) const;
    // Load Default: the "Default" section (Auto Open Dir defaults to false there).
    GeneralPreferences ReadDefaults() const;

    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    std::string FProgramDir;
};
