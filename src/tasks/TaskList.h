#pragma once
// The rules of the task list: which files may be added, how a file becomes a
// task, adding a folder, moving and removing rows, sharing a change of the
// list's width among its columns, and taking files from the command line.
// The window calls these with its own rows and selection; nothing here knows
// of windows.
#include "tasks/Probe.h"
#include "tasks/TaskRecord.h"

#include <array>
#include <functional>
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

// The record of a task just added: Length and Size from the probe, status
// "OK" ("Unreadable" when the probe names a problem), the output name from the input's name and the
// profile's extension, the whole input as the part to convert.
ltvItemData NewTaskRecord(const std::string& path, const ProbeResult& probe,
                          const std::string& outputExtension);

// The status of a row whose probe has not ended yet.
inline constexpr const char* ProbingStatus = "Probing";

// Appends the row of a file whose probe runs elsewhere: status "Probing",
// Length, Size and the times empty until ApplyProbeResult fills them. Paths
// compare exactly (letter case counts); a path already in the list adds
// nothing and returns -1. Otherwise returns the index of the new row.
// Neither existence nor extension is checked here.
int AddPendingTaskFile(TaskRows& rows, const std::string& path, const std::string& outputExtension);
// Fills the row at index with what its probe found, as NewTaskRecord makes
// it. The output name and extension stay as they are; a start or end time
// already set on the row stays when it fits the probed length
// (ApplyKeptTimes), and what did not fit is returned as the message for the
// user (empty when all fits).
std::string ApplyProbeResult(TaskRows& rows, int index, const ProbeResult& probe);

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

// Adds the supported files of dir one by one through addFile. Before each
// file handleMessages runs (the window repaints and takes commands between
// files); when it returns false the rest of the folder is left out. skipped
// as for SupportedFilesInDir.
void AddTaskDir(const std::string& dir, const std::vector<std::string>& exts,
                const std::function<bool()>& handleMessages,
                const std::function<void(const std::string&)>& addFile,
                std::vector<std::string>* skipped = nullptr);

// Move Up: for i = 1 .. count-1, a selected row i changes places with row
// i-1 and the selection goes with it. selected holds one flag per row and is
// updated. Nothing happens when no row is selected.
void MoveTasksUp(TaskRows& rows, std::vector<bool>& selected);
// Move Down: the same from count-2 down to 0, with row i+1.
void MoveTasksDown(TaskRows& rows, std::vector<bool>& selected);
// Deletes the selected rows, from the last to the first.
void RemoveTasks(TaskRows& rows, const std::vector<bool>& selected);

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
