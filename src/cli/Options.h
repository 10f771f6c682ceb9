#pragma once
// The command line of tarvolin-cli: what it names, read without touching
// any file. What needs the files (a profile's rows, whether an output folder
// exists, how many inputs a folder gives) is checked later, by the run.
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The exit statuses.
inline constexpr int ExitAllComplete = 0;
inline constexpr int ExitSomeFailed = 1; // a task Incomplete or Failed
inline constexpr int ExitUsage = 2;
inline constexpr int ExitInterrupted = 130;

// The most conversions at once the command line takes.
inline constexpr int MaxJobs = 64;

struct CliOptions {
    std::string Profile; // -p: a catalogue name or a .apf file; empty: the window's
    // --set "CAPTION=VALUE", in the order given.
    std::vector<std::pair<std::string, std::string>> Sets;
    std::optional<std::string> OutputDir;
    std::optional<std::string> Name;  // the output's file name (one input only)
    std::optional<std::string> Start; // the range, as time texts (one input only)
    std::optional<std::string> End;
    std::optional<int> Jobs;
    std::optional<bool> Overwrite;
    bool ListProfiles = false;
    std::optional<std::string> ShowProfile;
    bool DryRun = false;
    bool Json = false;
    bool Quiet = false;
    bool Version = false;
    bool Help = false;
    std::vector<std::string> Inputs; // files and folders, in the order named
};

struct ParsedCommandLine {
    CliOptions Options;
    // Why the command line cannot be used, in one line; empty when it can.
    std::string Error;
};

// Reads the arguments after the program's name. Long options take their
// value as the next argument or after "=" ("--jobs=2"); short ones as the
// next argument or joined ("-j2"), and short flags combine ("-nq"). "--"
// ends the options; a lone "-" is an input.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// What --help prints.
std::string HelpText();
// What --version prints.
std::string VersionText();
