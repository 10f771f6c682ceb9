#pragma once
// What the program asks of the system beyond files and processes: the local
// time, the environment, and how programs are laid out here.
#include <ctime>
#include <string>

// time broken down in the local time zone.
std::tm LocalTime(std::time_t time);

// The value of an environment variable; empty when it is not set.
std::string EnvironmentVariable(const char* name);

// The process's current folder; empty when it cannot be told.
std::string CurrentFolder();

// The folder of the running program's own file, with a trailing separator
// (links to the program followed); empty when it cannot be told.
std::string ExecutableFolder();

// InstallsUnderPrefix: programs may be installed spread over a prefix
// (<prefix>/bin, lib and share) with the user's files in the XDG folders.
// HelpIsCompiled: the system's help format is compiled HTML help (a .chm
// file). Windows keeps a program in one folder of its own, with such help.
#ifdef _WIN32
inline constexpr bool InstallsUnderPrefix = false;
inline constexpr bool HelpIsCompiled = true;
#else
inline constexpr bool InstallsUnderPrefix = true;
inline constexpr bool HelpIsCompiled = false;
#endif
