#pragma once
// Helpers shared by the tests: a private temporary folder and whole-file
// reads and writes.
#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return FPath; }
    // path / name as a text.
    std::string file(const std::string& name) const;

private:
    std::filesystem::path FPath;
};

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);

// The folder that holds the built program, wmaspi.dll and Profiles.
std::string ProgramDirectory();
