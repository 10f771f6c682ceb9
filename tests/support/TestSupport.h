#pragma once
// Helpers shared by the tests: a private temporary folder, whole-file reads
// and writes, and where the built program keeps its files.
#include <filesystem>
#include <initializer_list>
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

// The lines joined, each ending in CR LF as the program's INI files do.
std::string Crlf(std::initializer_list<std::string> lines);

// The folder that holds the built program, wmaspi.dll and Profiles.
std::string ProgramDirectory();

// The encoder stand-in (wmaspi.dll) in the program directory.
std::string EncoderStandInPath();
