#include "platform/Library.h"
#include "platform/System.h"

#include <dlfcn.h>

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
