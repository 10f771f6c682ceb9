#include "platform/FileSystem.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>

std::string SystemErrorText(int code) {
    char* text = nullptr;
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = n ? std::string(text, n) : "System error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.'))
        result.pop_back();
    return result;
}

bool ReplaceFileContents(const std::string& path, std::string_view data, std::string& reason) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    bool exists = attrs != INVALID_FILE_ATTRIBUTES;
    if (exists && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        reason = SystemErrorText(ERROR_ACCESS_DENIED);
        return false;
    }
    // Unique per process and per call, so two writers never share a temporary.
    static std::atomic<unsigned> counter{0};
    std::string temp = path + ".~" + std::to_string(GetCurrentProcessId()) + "_" +
                       std::to_string(counter.fetch_add(1)) + ".part";
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        reason = SystemErrorText(static_cast<int>(GetLastError()));
        return false;
    }
    bool ok = true;
    size_t done = 0;
    while (ok && done < data.size()) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 20));
        ok = WriteFile(h, data.data() + done, chunk, &written, nullptr) != 0;
        done += written;
    }
    if (ok) ok = FlushFileBuffers(h) != 0;
    DWORD err = ok ? 0 : GetLastError();
    CloseHandle(h);
    if (ok && !MoveFileExA(temp.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        err = GetLastError();
    }
    if (!ok) {
        DeleteFileA(temp.c_str());
        reason = SystemErrorText(static_cast<int>(err));
        return false;
    }
    return true;
}

bool IsHiddenOrSystemFile(const std::string& path) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES &&
           (attrs & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

namespace {
bool IsPlainFile(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}
} // namespace

std::string FindProgram(const std::string& ownDir, const std::string& name) {
    const std::string file = name + ".exe";
    if (!ownDir.empty()) {
        std::string candidate = ownDir + "\\" + file;
        if (IsPlainFile(candidate)) return candidate;
    }
    const char* env = std::getenv("PATH");
    std::string path = env ? env : "";
    size_t start = 0;
    while (start <= path.size()) {
        size_t semi = path.find(';', start);
        if (semi == std::string::npos) semi = path.size();
        std::string dir = path.substr(start, semi - start);
        start = semi + 1;
        if (dir.size() >= 2 && dir.front() == '"' && dir.back() == '"')
            dir = dir.substr(1, dir.size() - 2);
        if (dir.empty()) continue;
        char last = dir.back();
        std::string candidate = dir + (last == '\\' || last == '/' ? "" : "\\") + file;
        if (IsPlainFile(candidate)) return candidate;
    }
    return {};
}
