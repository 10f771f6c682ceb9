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

namespace {
bool WriteAll(HANDLE h, std::string_view data) {
    size_t done = 0;
    while (done < data.size()) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 20));
        if (!WriteFile(h, data.data() + done, chunk, &written, nullptr)) return false;
        done += written;
    }
    return true;
}

bool ProcessIsRunning(unsigned long pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    // No such process gives ERROR_INVALID_PARAMETER; any other refusal
    // (access denied) means the process is there.
    if (!h) return GetLastError() != ERROR_INVALID_PARAMETER;
    bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

// Removes the temporary files that saves into the folder of target left
// behind when they were killed: only names of our own pattern, only plain
// files, and only those whose process is gone or that are long past any
// save. A live save holds its file open without sharing, so it could not
// be deleted anyway.
void RemoveStaleTempFiles(const std::string& target) {
    size_t sep = target.find_last_of("\\/:");
    std::string folder = sep == std::string::npos ? std::string() : target.substr(0, sep + 1);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.~*.part").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    FILETIME nowTime;
    GetSystemTimeAsFileTime(&nowTime);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    const unsigned long long now = ticks(nowTime);
    const unsigned long long maxAge =
        static_cast<unsigned long long>(StaleTempAgeSeconds) * 10000000ull; // 100 ns units
    do {
        unsigned long pid = 0;
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        if (!ParseReplaceTempName(found.cFileName, pid)) continue;
        unsigned long long written = ticks(found.ftLastWriteTime);
        bool old = now > written && now - written > maxAge;
        if (old || !ProcessIsRunning(pid)) DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// The data written into the file itself, flushed: for a folder that lets no
// temporary file be created. A failure midway leaves the file incomplete.
bool WriteInPlace(const std::string& path, std::string_view data, std::string& reason) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        reason = SystemErrorText(static_cast<int>(GetLastError()));
        return false;
    }
    bool ok = WriteAll(h, data) && SetEndOfFile(h) && FlushFileBuffers(h);
    DWORD err = ok ? 0 : GetLastError();
    CloseHandle(h);
    if (!ok) reason = SystemErrorText(static_cast<int>(err));
    return ok;
}
} // namespace

bool ReplaceFileContents(const std::string& path, std::string_view data, std::string& reason) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    bool exists = attrs != INVALID_FILE_ATTRIBUTES;
    if (exists && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        reason = SystemErrorText(ERROR_ACCESS_DENIED);
        return false;
    }
    RemoveStaleTempFiles(path);

    // Unique per process and per call, so two writers never share a
    // temporary; a name left by an earlier process with our id is skipped.
    static std::atomic<unsigned> counter{0};
    const unsigned long pid = GetCurrentProcessId();
    std::string temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    DWORD createError = 0;
    for (int attempt = 0; h == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
        temp = ReplaceTempName(path, pid, counter.fetch_add(1));
        h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        createError = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (createError != ERROR_FILE_EXISTS && createError != ERROR_ALREADY_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) {
        // No right to create files in the folder, where the file itself may
        // still be writable: write the file in place.
        if (createError == ERROR_ACCESS_DENIED) return WriteInPlace(path, data, reason);
        reason = SystemErrorText(static_cast<int>(createError));
        return false;
    }
    bool ok = WriteAll(h, data);
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

bool MakePrivateFolder(const std::string& dir, std::string& reason) {
    // A folder under the user's profile is the user's already.
    return MakeFolders(dir, reason);
}

bool WriteNewPrivateFile(const std::string& path, std::string_view data, std::string& reason) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        reason = SystemErrorText(static_cast<int>(GetLastError()));
        return false;
    }
    bool ok = WriteAll(h, data);
    DWORD err = ok ? 0 : GetLastError();
    CloseHandle(h);
    if (!ok) {
        DeleteFileA(path.c_str());
        reason = SystemErrorText(static_cast<int>(err));
    }
    return ok;
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

RenameResult RenameFile(const std::string& from, const std::string& to, bool replace,
                        std::string& reason) {
    if (MoveFileExA(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0))
        return RenameResult::Done;
    const DWORD err = GetLastError();
    if (!replace && (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS))
        return RenameResult::TargetExists;
    reason = SystemErrorText(static_cast<int>(err));
    return RenameResult::Failed;
}

FileClaim::~FileClaim() {
    if (FHandle != -1) CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(FHandle)));
}

bool FileClaim::Take(const std::string& path, std::string& reason) {
    if (FHandle != -1) return true;
    // Opened without sharing: no other open of the file succeeds while this
    // handle lives, and the system closes it when the process ends.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        reason = err == ERROR_SHARING_VIOLATION ? "another copy of the program holds it"
                                                : SystemErrorText(static_cast<int>(err));
        return false;
    }
    FHandle = static_cast<long long>(reinterpret_cast<intptr_t>(h));
    return true;
}
