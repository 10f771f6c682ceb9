#include "platform/Library.h"
#include "platform/System.h"

#include <climits>
#include <dlfcn.h>
#include <unistd.h>

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

LoadedLibrary::LoadedLibrary(const char* fileName) {
#ifdef RTLD_NOLOAD
    FHandle = ::dlopen(fileName, RTLD_LAZY | RTLD_NOLOAD);
#else
    (void)fileName;
#endif
}

LoadedLibrary::~LoadedLibrary() {
    if (FHandle) ::dlclose(FHandle);
}

void* LoadedLibrary::Function(const char* name) const {
    return FHandle ? ::dlsym(FHandle, name) : nullptr;
}

std::string ExecutableFolder() {
    char path[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", path, PATH_MAX);
    if (n <= 0) return {};
    std::string folder(path, static_cast<size_t>(n));
    folder.erase(folder.rfind('/') + 1);
    return folder;
}
