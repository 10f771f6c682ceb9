#pragma once
// Small file-system services whose implementation differs between POSIX and
// Win32. Paths are 8-bit texts as the rest of the program holds them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The platform's directory separator; "\" on Windows. IsPathDelimiter: a
// character that ends the folder part of a path, so that the file name
// begins after it: the separator, and on Windows also "/" and a drive's ":".
#ifdef _WIN32
inline constexpr char PathDelim = '\\';
inline constexpr bool IsPathDelimiter(char c) {
    return c == '\\' || c == '/' || c == ':';
}
#else
inline constexpr char PathDelim = '/';
inline constexpr bool IsPathDelimiter(char c) {
    return c == '/';
}
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
// An existing regular file (a link to one counts). False for an empty path.
bool RegularFileExists(const std::string& path);

// The absolute form of path, for messages.
std::string FullPathName(const std::string& path);

// The absolute form of path as a user would write it: its "." parts and
// doubled separators dropped, its ".." parts kept (after a link, ".." leads
// elsewhere than the text suggests). path itself when it cannot be made
// absolute.
std::string AbsolutePath(const std::string& path);
// path with each ".." taken out together with the folder before it, by the
// text alone.
std::string LexicallyNormalPath(const std::string& path);
// Whether a and b name the same existing file or folder: another spelling,
// a link to it, a hard link. False when either does not exist.
bool SameFile(const std::string& a, const std::string& b);

// What is at a path itself; a link there is not followed.
struct FileState {
    bool Exists = false;    // anything, a dangling link too
    bool Regular = false;   // a regular file itself, not a link to one nor a folder
    std::uint64_t Size = 0; // of a regular file
    std::int64_t Time = 0;  // a regular file's last write, in the system's units: for comparing
};
FileState FileStateOf(const std::string& path);

// Removes the file, or the link itself, at path. False when nothing was
// removed (nothing there, a folder, no right to).
bool RemoveFile(const std::string& path);

// One entry of a folder.
struct FolderEntry {
    std::string Name;     // the name alone, without the folder
    bool Folder = false;  // a folder, or a link to one
    bool Regular = false; // a regular file, or a link to one
    bool Link = false;    // a symbolic link itself
};
// The entries of the folder dir in the order the system gives them ("." and
// ".." left out); an entry the system refuses to show is skipped. Empty when
// the folder cannot be read.
std::vector<FolderEntry> ListFolder(const std::string& dir);

// Makes the folder dir and the missing folders above it, with the rights a
// new folder gets (the umask decides on POSIX). False with the system's text
// in reason when dir is not a folder afterwards.
bool MakeFolders(const std::string& dir, std::string& reason);

// Copies the file source to target, which must not exist yet. The copy can
// be read and written by its owner even when the source is read-only. False
// with the system's text in reason.
bool CopyNewFile(const std::string& source, const std::string& target, std::string& reason);

// The whole content of the file at path into data. False with the system's
// text in reason.
bool ReadFileContents(const std::string& path, std::string& data, std::string& reason);

// Renames the file from to to (in the same file system). replace: a file at
// to is replaced in the same step; otherwise whatever is at to stays and the
// rename is refused with TargetExists, even when something else takes the
// name between a look and the rename. Failed: the system's text in reason.
enum class RenameResult { Done, TargetExists, Failed };
RenameResult RenameFile(const std::string& from, const std::string& to, bool replace,
                        std::string& reason);

// A claim that one process at a time can hold on a file (a lock on a file of
// its own, made when missing): let go when the object goes or the process
// ends, however it ends.
class FileClaim {
public:
    FileClaim() = default;
    ~FileClaim();
    FileClaim(const FileClaim&) = delete;
    FileClaim& operator=(const FileClaim&) = delete;
    // False with why when another process (or another claim of this one)
    // holds it, or the file cannot be made.
    bool Take(const std::string& path, std::string& reason);
    bool Held() const { return FHandle != -1; }

private:
    long long FHandle = -1;
};
