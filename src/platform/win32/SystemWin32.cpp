#include "platform/Library.h"
#include "platform/System.h"

#include <windows.h>

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_s(&local, &time);
    return local;
}

LoadedLibrary::LoadedLibrary(const char* fileName) {
    // A module already in the process, held until this object goes; never
    // loaded here.
    HMODULE module = nullptr;
    if (::GetModuleHandleExA(0, fileName, &module)) FHandle = module;
}

LoadedLibrary::~LoadedLibrary() {
    if (FHandle) ::FreeLibrary(static_cast<HMODULE>(FHandle));
}

void* LoadedLibrary::Function(const char* name) const {
    if (!FHandle) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(FHandle), name));
}

std::string ExecutableFolder() {
    char path[MAX_PATH * 4];
    const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return {};
    std::string folder(path, n);
    const size_t separator = folder.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : folder.substr(0, separator + 1);
}
