#include "tasks/TaskList.h"

#include "base/FileNames.h"
#include "base/Text.h"
#include "base/TimeText.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

const std::vector<std::string>& SupportedExts() {
    // The types of old first, in their order; then the ones cameras, phones,
    // the web and disc rips give today; then sound files. Each one converts
    // with the encoder (an end-to-end test makes and converts a clip of every
    // type listed).
    static const std::vector<std::string> exts = [] {
        std::vector<std::string> all{".avi", ".mpg", ".mpeg", ".mp4",  ".wmv",  ".mov",
                                     ".vob", ".asf", ".mkv",  ".webm", ".flv",  ".m4v",
                                     ".3gp", ".3g2", ".ts",   ".mts",  ".m2ts", ".ogv",
                                     ".dv",  ".mxf", ".divx", ".rm",   ".rmvb"};
        all.insert(all.end(), SoundExts().begin(), SoundExts().end());
        return all;
    }();
    return exts;
}

const std::vector<std::string>& SoundExts() {
    static const std::vector<std::string> exts{".mp3", ".m4a",  ".flac", ".wav",
                                               ".ogg", ".opus", ".aac",  ".wma"};
    return exts;
}

std::string BuildSupportedMask(const std::vector<std::string>& exts) {
    std::string mask;
    for (const auto& e : exts)
        mask += "*" + e + ";";
    return mask;
}

std::string BuildOpenDialogFilter(const std::vector<std::string>& exts) {
    std::string mask = BuildSupportedMask(exts);
    std::string filter = "All Support Files(" + mask + ")|" + mask + "|";
    for (const auto& e : exts) {
        std::string upper;
        for (char c : e.substr(1))
            upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        filter += upper + " Files (*" + e + ")|*" + e + "|";
    }
    return filter + "All Files (*.*)|*.*";
}

bool IsSupportedFile(std::string_view path, const std::vector<std::string>& exts) {
    std::string ext = LowerAscii(ExtractFileExt(path));
    if (ext.empty()) return false;
    return std::find(exts.begin(), exts.end(), ext) != exts.end();
}

namespace {
// Whether path has a ".." part.
bool ClimbsUp(std::string_view path) {
    for (size_t at = path.find(".."); at != std::string_view::npos; at = path.find("..", at + 1))
        if ((at == 0 || IsPathDelimiter(path[at - 1])) &&
            (at + 2 == path.size() || IsPathDelimiter(path[at + 2])))
            return true;
    return false;
}
} // namespace

std::string IntakePath(const std::string& path) {
    const std::string shown = AbsolutePath(path);
    if (!ClimbsUp(shown)) return shown;
    // ".." after a link leads elsewhere than the text before it suggests:
    // it is taken out only when the shorter path names the same file.
    const std::string normal = LexicallyNormalPath(shown);
    return SameFile(normal, shown) ? normal : shown;
}

bool IsPlainlyNotMedia(std::string_view path) {
    static const std::vector<std::string> exts{
        ".jpg", ".jpeg", ".png", ".gif", ".bmp", ".heic", ".webp", ".thm", ".srt", ".ass", ".ssa",
        ".vtt", ".sub",  ".idx", ".txt", ".nfo", ".xml",  ".json", ".pdf", ".ini", ".db"};
    return IsSupportedFile(path, exts);
}

namespace {
bool LessIgnoringCase(const std::string& a, const std::string& b) {
    std::string la = LowerAscii(a), lb = LowerAscii(b);
    if (la != lb) return la < lb;
    return a < b; // names that differ only in case keep one fixed order
}
} // namespace

std::vector<std::string> SupportedFilesInDir(const std::string& dir,
                                             const std::vector<std::string>& exts,
                                             std::vector<std::string>* skipped) {
    if (dir.empty()) return {};
    const std::string prefix = WithTrailingBackslash(AbsolutePath(dir));
    std::vector<std::string> names, others;
    for (FolderEntry& entry : ListFolder(prefix)) {
        if (entry.Folder || IsHiddenOrSystemFile(prefix + entry.Name)) continue;
        if (IsSupportedFile(entry.Name, exts))
            names.push_back(std::move(entry.Name));
        else if (!IsPlainlyNotMedia(entry.Name))
            others.push_back(std::move(entry.Name));
    }
    auto fullPaths = [&prefix](std::vector<std::string>& list) {
        std::sort(list.begin(), list.end(), LessIgnoringCase);
        for (auto& n : list)
            n = prefix + n;
    };
    fullPaths(names);
    if (skipped) {
        fullPaths(others);
        skipped->insert(skipped->end(), others.begin(), others.end());
    }
    return names;
}

bool ColumnWidthSharing::ListResized(int newWidth, std::array<int, 4>& widths) {
    static constexpr std::array<double, 4> shares{0.49, 0.17, 0.15, 0.19};
    int d = newWidth - FLastWidth;
    FLastWidth = newWidth;
    if (d == 0) return false;
    for (size_t i = 0; i < widths.size(); ++i)
        widths[i] += static_cast<int>(RoundHalfEven(d * shares[i]));
    return true;
}

PathAction CommandLineAction(const std::string& entry, const std::vector<std::string>& exts) {
    if (entry.empty()) return PathAction::Skip;
    if (RegularFileExists(entry))
        return IsSupportedFile(entry, exts) ? PathAction::AddFile : PathAction::Skip;
    if (DirectoryExists(entry)) return PathAction::AddDir;
    return PathAction::Skip;
}

PathAction DropAction(const std::string& path, const std::vector<std::string>& exts) {
    if (DirectoryExists(path)) return PathAction::AddDir;
    return IsSupportedFile(path, exts) ? PathAction::AddFile : PathAction::Skip;
}

IntakeFiles TakeFiles(const std::vector<std::string>& paths,
                      PathAction (*rule)(const std::string&, const std::vector<std::string>&)) {
    IntakeFiles intake;
    for (const std::string& path : paths) {
        switch (rule(path, SupportedExts())) {
        case PathAction::AddFile:
            intake.Files.push_back(path);
            break;
        case PathAction::AddDir:
            for (std::string& file : SupportedFilesInDir(path, SupportedExts(), &intake.NotTaken))
                intake.Files.push_back(std::move(file));
            break;
        case PathAction::Skip:
            intake.NotTaken.push_back(path);
            break;
        }
    }
    return intake;
}

std::string NotTakenMessage(const std::vector<std::string>& notTaken) {
    constexpr size_t Shown = 5;
    std::vector<const std::string*> paths;
    for (const auto& path : notTaken)
        if (!path.empty()) paths.push_back(&path);
    if (paths.empty()) return "";
    std::string text =
        paths.size() == 1 ? "1 file was" : std::to_string(paths.size()) + " files were";
    text += " not added to the Task List: the program does not convert files of "
            "that type, or the file was not found.\n";
    for (size_t i = 0; i < paths.size() && i < Shown; ++i)
        text += "\n" + *paths[i];
    if (paths.size() > Shown)
        text += "\n... and " + std::to_string(paths.size() - Shown) + " more.";
    return text;
}

namespace {
// Reads the whole file; on failure returns false with the system's reason.
bool ReadWholeFile(const std::string& path, std::string& data, std::string& reason) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        reason = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    bool failed = std::ferror(f) != 0;
    int err = errno;
    std::fclose(f);
    if (failed) {
        reason = std::strerror(err ? err : EIO);
        return false;
    }
    return true;
}
} // namespace

CommandLineEntries ReadCommandLineEntries(const std::vector<std::string>& args) {
    CommandLineEntries result;
    if (args.empty()) return result;
    if (LowerAscii(ExtractFileExt(args[0])) != ".tmp") {
        result.Entries = args;
        return result;
    }
    std::string data, reason;
    if (!ReadWholeFile(args[0], data, reason)) {
        result.Error = "Cannot open file \"" + FullPathName(args[0]) + "\". " + reason;
        return result;
    }
    result.Entries = SplitLines(data);
    return result;
}
