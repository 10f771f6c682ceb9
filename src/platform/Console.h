#pragma once
// The program's standard output and error as a command line sees them:
// whether one is a terminal that can be redrawn in place, and how wide it is.
#include <cstdio>

// Whether stream (stdout or stderr) is a terminal that takes the few controls
// a redrawn display needs: carriage return, cursor up and erase to the end of
// the screen. POSIX: a terminal whose TERM is set and is not "dumb". Windows:
// a console in which these controls could be turned on. False for files,
// pipes and anything else.
bool IsRedrawableTerminal(std::FILE* stream);

// The width of the terminal of stream in columns; 0 when it cannot be told.
int TerminalColumns(std::FILE* stream);
