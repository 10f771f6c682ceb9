#include "platform/Console.h"

#include <io.h>
#include <windows.h>

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace {
HANDLE ConsoleOf(std::FILE* stream) {
    const int fd = ::_fileno(stream);
    if (fd < 0 || !::_isatty(fd)) return nullptr;
    HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}
} // namespace

bool IsRedrawableTerminal(std::FILE* stream) {
    HANDLE console = ConsoleOf(stream);
    if (!console) return false;
    DWORD mode = 0;
    ::GetConsoleMode(console, &mode);
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
    // Consoles before Windows 10 refuse the mode: plain lines there.
    return ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int TerminalColumns(std::FILE* stream) {
    HANDLE console = ConsoleOf(stream);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!console || !::GetConsoleScreenBufferInfo(console, &info)) return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}
