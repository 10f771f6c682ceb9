#pragma once
// Where the program finds and keeps things, for both of its layouts. Every
// other part asks these paths here instead of composing its own.
//
// Portable (the build tree, a copied folder, Windows): the program's folder
// holds Preferences.ini or a folder Profiles (the portable build ships
// Profiles), and the encoder, the manual and the output folder at first are
// there too.
//
// Installed (the program's folder holds neither, as /usr/bin): the program lies in
// <prefix>/bin, the encoder in <prefix>/lib/tarvolin, the shipped profiles and
// the manual in <prefix>/share/tarvolin. The user's Preferences.ini and
// Profiles live in $XDG_CONFIG_HOME/tarvolin (default ~/.config/tarvolin); the
// default output folder is the user's Videos folder, else the home folder.
// What the program keeps of its own work goes to the state folder
// $XDG_STATE_HOME/tarvolin (default ~/.local/state/tarvolin): the task list
// between runs, and the logs of the batches in its "logs" folder; a portable
// program keeps both beside itself. Nothing is ever written under the prefix.
#include "platform/System.h"

#include <functional>
#include <string>

struct Locations {
    bool Installed = false;
    std::string ProgramDir;         // the program's folder, with a trailing separator
    std::string EncoderPath;        // the encoder wmaspi.dll
    std::string ConfigDir;          // holds Preferences.ini and Profiles; trailing separator
    std::string PreferencesFile;    // ConfigDir + "Preferences.ini"
    std::string ProfilesDir;        // the user's profiles; trailing separator
    std::string ShippedProfilesDir; // the profiles that came with the program; trailing separator
    std::string ManualFile;         // the manual's first page
    std::string DefaultOutputDir;   // with a trailing separator
    std::string LogsDir;            // the batches' logs; trailing separator; made on first use
    std::string StateDir;           // the task list kept between runs; trailing separator
};

// Reads an environment variable; empty when it is not set.
using EnvLookup = std::function<std::string(const char* name)>;

// The locations for a program in programDir (a trailing separator is added
// when missing). The layout is told by programDir alone: Preferences.ini or
// a folder Profiles there means portable, whether or not the encoder is
// there. env answers HOME, XDG_CONFIG_HOME and friends.
Locations FindLocations(const std::string& programDir, const EnvLookup& env = EnvironmentVariable);

// The user's Videos folder: XDG_VIDEOS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs
// ("$HOME/..." expanded), else the home folder. Trailing separator; empty
// when not even a home folder is known.
std::string UserVideosDir(const EnvLookup& env);

// Makes the user's folders of an installed program: ConfigDir, ProfilesDir and
// a missing default output folder, then copies each shipped profile the user has not been given
// yet. A profile once given is never copied again (the list is kept in ProfilesDir), so the user's
// edits and deletions stay; a newly shipped one arrives on the next start. Does nothing for the
// portable layout. Returns false with reason when a folder cannot be made or a profile cannot be
// copied (the rest still are).
bool PrepareUserFolders(const Locations& where, std::string& reason);
