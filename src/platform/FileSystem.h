#pragma once
// Small file-system services whose implementation differs between POSIX and
// Win32. Paths are 8-bit texts as the rest of the program holds them.
#include <string>
#include <string_view>

// The platform's directory separator; "\" on Windows.
#ifdef _WIN32
inline constexpr char PathDelim = '\\';
#else
inline constexpr char PathDelim = '/';
#endif

// Replaces the whole content of the file at path with data, or creates it.
// The data goes to a temporary file in the same directory first, which is
// then renamed over the target: a failure at any step (full disk, no right
// to write the target) leaves the old file as it was. When the folder lets
// no file be created but the file itself may be written, the data is
// written into the file in place and flushed instead. Before that, stale
// temporary files of earlier saves in the folder (see ReplaceTempName) are
// removed. On failure returns false and puts the system's text for the
// error into reason.
bool ReplaceFileContents(const std::string& path, std::string_view data, std::string& reason);

// Makes the folder dir and the missing folders above it, open to the user
// alone (0700 on POSIX); an existing dir of the user's is closed to others
// too. Windows: made as any folder. False with the system's text in reason
// when dir is not a folder afterwards.
bool MakePrivateFolder(const std::string& dir, std::string& reason);

// Creates a new file at path holding data, readable and writable by the user
// alone (0600 on POSIX). Fails when anything is at path already; a failed
// write leaves no file.
bool WriteNewPrivateFile(const std::string& path, std::string_view data, std::string& reason);

// The temporary file ReplaceFileContents writes beside target:
// "<target>.~<process id>_<n>.part", n counting the saves of the process.
std::string ReplaceTempName(const std::string& target, unsigned long pid, unsigned n);

// The process id in a file name of that form ("Preferences.ini.~1234_0.part",
// without the folder); false for every other name.
bool ParseReplaceTempName(std::string_view fileName, unsigned long& pid);

// A temporary file is stale when no running process has its process id, or
// when it is older than this (the id of a killed writer may have been given
// to another process since). No save takes anywhere near as long.
inline constexpr long long StaleTempAgeSeconds = 24 * 60 * 60;

// The system's text for an error number (errno on POSIX, GetLastError on
// Windows).
std::string SystemErrorText(int code);

// A hidden or system file or folder: a name starting with "." on POSIX, the
// hidden or system attribute on Windows.
bool IsHiddenOrSystemFile(const std::string& path);

// The full path of the program name ("ffmpeg"; ".exe" is added on Windows):
// the one in ownDir first when ownDir is not empty, else the first one on
// PATH (an empty PATH entry, the current directory, is never searched).
// Empty when there is none.
std::string FindProgram(const std::string& ownDir, const std::string& name);

// An existing file, or anything else that is not a folder (a device, a
// pipe); a link counts as what it points to. False for an empty path.
bool FileExists(const std::string& path);
// An existing folder (a link to one counts). False for an empty path.
bool DirectoryExists(const std::string& path);

// The absolute form of path, for messages.
std::string FullPathName(const std::string& path);
