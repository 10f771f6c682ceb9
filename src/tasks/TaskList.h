#pragma once
// The intake rules of the task list: which files may be added, the paths
// they are listed under, what a folder gives, sharing a change of the list's
// width among its columns, and taking files from the command line. The task
// queue (TaskQueue) holds what was added; nothing here knows of windows.
#include <array>
#include <string>
#include <string_view>
#include <vector>

// The input extensions the program accepts, lower case: first the eight of
// old in their order (".avi", ".mpg", ".mpeg", ".mp4", ".wmv", ".mov", ".vob",
// ".asf"), then ".mkv", ".webm", ".flv", ".m4v", ".3gp", ".3g2", ".ts",
// ".mts", ".m2ts", ".ogv", ".dv", ".mxf", ".divx", ".rm", ".rmvb", and the
// sound files of SoundExts. The open dialog's filter, folders, drops and the
// command line all take these.
const std::vector<std::string>& SupportedExts();

// The sound files the program takes, to convert with a profile made for
// sound: ".mp3", ".m4a", ".flac", ".wav", ".ogg", ".opus", ".aac", ".wma".
const std::vector<std::string>& SoundExts();

// "*.avi;*.mpg;...;" with the trailing ";".
std::string BuildSupportedMask(const std::vector<std::string>& exts);

// The open dialog's filter as pairs joined by "|": "All Support Files(<mask>)|
// <mask>|AVI Files (*.avi)|*.avi|...|All Files (*.*)|*.*".
std::string BuildOpenDialogFilter(const std::vector<std::string>& exts);

// True when the extension of the file-name part of path, lowered, is one of
// exts. A name without an extension never matches.
bool IsSupportedFile(std::string_view path, const std::vector<std::string>& exts);

// The path a file named to the program (on the command line, in a list file,
// a dialog or a drop) is listed under: made absolute against the current
// directory, its "." parts and, where that names the same file, ".." parts
// taken out. So a file is shown and compared by its full path however it
// was named.
std::string IntakePath(const std::string& path);

// Whether a file's extension says it is plainly not a video: pictures
// (".jpg", ".png", a camera's ".thm"...), subtitles (".srt", ".vtt"...), and
// texts and data (".txt", ".nfo", ".xml", ".json", ".pdf", ".ini", ".db").
// Folders hold these beside their videos.
bool IsPlainlyNotMedia(std::string_view path);

// The supported files directly inside dir, as full paths (a relative dir is
// taken from the current directory), sorted by name ignoring letter case.
// Folders, hidden files and system files are left out; a folder that cannot
// be listed gives what could be read of it. skipped, when given, gets the
// other files of the folder that the list cannot take, in the same order,
// leaving out those that are plainly not media (IsPlainlyNotMedia).
std::vector<std::string> SupportedFilesInDir(const std::string& dir,
                                             const std::vector<std::string>& exts,
                                             std::vector<std::string>* skipped = nullptr);

// Shares a change of the list's width among the four columns: each column
// grows by its share (0.49, 0.17, 0.15, 0.19) of the change, rounded half to
// even. The width last seen starts at initialWidth.
class ColumnWidthSharing {
public:
    static constexpr std::array<int, 4> DefaultWidths{230, 90, 80, 100};
    explicit ColumnWidthSharing(int initialWidth = 562) : FLastWidth(initialWidth) {}

    // Applies the change from the width last seen to newWidth to widths and
    // remembers newWidth. Returns false (widths untouched) for no change.
    bool ListResized(int newWidth, std::array<int, 4>& widths);
    int LastWidth() const { return FLastWidth; }

private:
    int FLastWidth;
};

// What to do with one path named on the command line or dropped on the
// window.
enum class PathAction { AddFile, AddDir, Skip };

// Command line: an existing file with a supported extension is added; an
// existing folder is added as a folder; anything else is skipped.
PathAction CommandLineAction(const std::string& entry, const std::vector<std::string>& exts);
// Drop: an existing folder is added as a folder, else a path with a supported
// extension is added as a file, else it is skipped.
PathAction DropAction(const std::string& path, const std::vector<std::string>& exts);

// What paths named to the program give the task list.
struct IntakeFiles {
    // The files to add, in the order named, a folder's as SupportedFilesInDir
    // gives them.
    std::vector<std::string> Files;
    // What cannot be taken, in the order met (for NotTakenMessage).
    std::vector<std::string> NotTaken;
};
// Takes paths by rule (CommandLineAction or DropAction) with the supported
// extensions.
IntakeFiles TakeFiles(const std::vector<std::string>& paths,
                      PathAction (*rule)(const std::string&, const std::vector<std::string>&));

// The message that names what an intake (a drop, a folder, the command line)
// left out: how many, then the first few paths, then how many more. Empty
// entries (blank lines of a list file) are not files and are not counted.
// "" when nothing is left.
std::string NotTakenMessage(const std::vector<std::string>& notTaken);

struct CommandLineEntries {
    std::vector<std::string> Entries;
    // Set when a list file could not be read: "Cannot open file "<full
    // path>". <reason>". Entries is then empty.
    std::string Error;
};

// The paths the command line names: when the first argument's extension,
// lowered, is ".tmp", the lines of that list file (CR LF, CR or LF ends; the
// other arguments are ignored); otherwise every argument in order.
CommandLineEntries ReadCommandLineEntries(const std::vector<std::string>& args);
