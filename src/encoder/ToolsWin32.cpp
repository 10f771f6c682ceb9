#ifdef _WIN32

#include "encoder/Tools.h"

#include <windows.h>

std::string OwnDirectory(const char* argv0) {
    char buf[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string exe = n > 0 && n < MAX_PATH ? std::string(buf, n) : (argv0 ? argv0 : "");
    size_t sep = exe.find_last_of("\\/");
    return sep == std::string::npos ? std::string() : exe.substr(0, sep);
}

void WatchTerminationRequests() {}

bool TerminationRequested() {
    return false;
}

void PassPausesTo(long long) {}

std::chrono::steady_clock::duration TimePaused() {
    return {};
}

std::string LastSystemError() {
    char buf[512] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             GetLastError(), 0, buf, sizeof buf, nullptr);
    std::string s(buf, n);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

void WriteError(std::string_view text) {
    HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
    while (!text.empty()) {
        DWORD written = 0;
        if (!WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written == 0)
            return;
        text.remove_prefix(written);
    }
}

#endif
