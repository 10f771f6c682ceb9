#pragma once
// tarvolin-cli's run: the window's settings and profiles read from where the
// window keeps them, without writing anything there; the inputs taken,
// probed and converted by the core's batch driver; no completion action
// ever. Returns the exit status (cli/Options.h).
#include <string>
#include <vector>

// args: the command line after the program's name; programDir: the folder
// of the program's file, which tells the portable layout from the installed
// one as it does for the window.
int RunCommandLine(const std::vector<std::string>& args, const std::string& programDir);
