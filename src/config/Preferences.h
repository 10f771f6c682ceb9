#pragma once
// The user's choices in Preferences.ini: the values a front end holds, what
// the settings dialog hands back as it closes, and the file side (what is
// read and written, in which order, through the INI store).
#include "config/NewInifiles.h"

#include <optional>
#include <string>
#include <vector>

struct GeneralPreferences {
    std::string OutputPath;   // the settings dialog's output folder box
    int SynMode = 0;          // 0 Auto, 1 Force Mode, 2 Progressive Mode
    bool AutoOpenDir = true;  // open the output folder when a batch completes
    bool AutoExit = false;    // exit when a batch completes
    bool AutoTurnOff = false; // power off when a batch completes
    bool Overwrite = true;    // overwrite existing outputs; else a numbered name
    // How many tasks a batch converts at once, 1..MaxSimultaneousConversions().
    int SimultaneousConversions = 1;
    // A list left by a normal exit comes back at the next start (one left by
    // a crash always does).
    bool KeepTaskList = true;
};

// How the settings dialog was closed: OK, or Cancel (the button, Esc or the
// close box).
enum class SettingsClose { Ok, Cancel };

// The General values in force once the settings dialog has closed, from the
// ones in force when it opened and the ones it shows. After OK, all it shows
// (its output folder becomes the main window's); after Cancel its choices
// stay in force for the run and are saved at exit, but its output folder
// does not. Only OK writes Preferences.ini.
GeneralPreferences SettingsInForce(SettingsClose how, const GeneralPreferences& inForce,
                                   const GeneralPreferences& shown);

// The largest "Simultaneous conversions" setting: the number of processors
// (at least 1).
int MaxSimultaneousConversions();

// The top-left corner of the main window's frame, and the window's size
// (0 where it is not known: the default size).
struct WindowPosition {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// What the main window restores when it is first shown.
struct MainWindowPreferences {
    std::string OutputPath;
    bool ProfileRead = false; // "Profile" is read only when profiles exist
    // The selector's item index; -1 selects none. The profile's stored name
    // when it is still in the catalogue, else the stored position.
    int ProfileIndex = -1;
    // Where the window was last; files written before the window kept its
    // place have none.
    std::optional<WindowPosition> Position;
};

// Section "Main" holds the keys of the original file format only, so that
// the file stays as its readers expect it; every later key lives in a
// section of its own after it: "Options" ("Simultaneous Conversions",
// "Keep Task List", "Profile Name") and "Window" ("Left", "Top", "Width",
// "Height"). A key an older version wrote into "Main" is read from there
// until the first save writes its section.
// Keys are found as the text "key=" anywhere in a line of their section, so
// no key may end with the name of another key of the same section.
//
// Each call opens a store on the file, reads or writes its keys in a fixed
// order and closes the store, which rewrites the file (EFileError when the
// file cannot be read or written). Keys new to a section are inserted below
// its header, so that order decides the order of the keys in the file.
// Opened ReadOnly, the file is read the same way and never written: not by
// the reads, nor by the saves, which then change nothing.
class PreferencesFile {
public:
    // prefsPath: <program dir>Preferences.ini; programDir ends in a separator.
    PreferencesFile(std::string prefsPath, std::string programDir,
                    IniAccess access = IniAccess::ReadWrite);

    // Main window creation: "Version" of "Main", default "3.0".
    std::string ReadVersion() const;
    // Settings dialog creation: the General values.
    GeneralPreferences ReadGeneral() const;
    // Main window first shown: "Output Path" (default the program dir), then,
    // when the catalogue (the profiles' names in the selector's order) holds
    // a profile, "Profile" (default 0) and "Profile Name", then the window's
    // place when both its keys are there; one store.
    MainWindowPreferences ReadMainWindow(const std::vector<std::string>& catalogue) const;
    // Settings OK: Output Path, Syn Mode, Auto Open Dir, Auto Exit,
    // Auto Turn Off, Overwrite, in this order ("Profile" is not written),
    // then Simultaneous Conversions once it is not 1 and Keep Task List once
    // it is off, or when the file holds them (files written before them lack
    // them and read 1 and on).
    void SaveGeneral(const GeneralPreferences& prefs) const;
    // Main window closing: Profile, Output Path (the main window's), the
    // dialog's values as SaveGeneral writes them, the profile's name, then the
    // window's place when it has one (it was shown), with its size when that
    // is known. A name holding "[", "=" or a line break is not stored (an
    // empty one is): the position is then what finds the profile again.
    void SaveAll(int profileIndex, const std::string& profileName,
                 const std::string& mainOutputPath, const GeneralPreferences& dialog,
                 const std::optional<WindowPosition>& position = std::nullopt) const;
    // Load Default: the "Default" section (Auto Open Dir defaults to false there).
    GeneralPreferences ReadDefaults() const;

    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    std::string FProgramDir;
    IniAccess FAccess;
};
