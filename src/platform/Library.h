#pragma once
// A shared library that is already loaded into this process (by a plugin, a
// framework), reached without loading it: the program asks it questions only
// when it is there. Found() is false where the system cannot look a library
// up without loading it.

class LoadedLibrary {
public:
    // fileName: the library's file name as the system loads it
    // ("libgstreamer-1.0.so.0").
    explicit LoadedLibrary(const char* fileName);
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool Found() const { return FHandle != nullptr; }
    // The address of the library's function name; null when it has none.
    void* Function(const char* name) const;

private:
    void* FHandle = nullptr;
};
