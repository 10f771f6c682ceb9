#include "engine/Invocation.h"

#include "base/FileNames.h"
#include "base/TimeText.h"
#include "platform/FileSystem.h"

std::string TimeRangeArguments(const ltvItemData& task) {
    std::string text;
    // Exact comparisons: an untouched task has its start and clip length
    // equal to its source start and length, to the last bit.
    // A start or clip length that is no time (-1) has nothing to give; the
    // clip length goes out to the tenth, as the time text holds it.
    if (task.StartSec != task.SourceStartSec && task.StartSec >= 0)
        text += " -ss " + task.StartTime;
    if (task.ClipLengthSec != task.LengthSec && task.ClipLengthSec >= 0)
        text += " -t " + DecimalSeconds(task.ClipLengthSec);
    return text;
}

namespace {

// Whether path names the input file: the same text, or another spelling of
// the same file (a symbolic link, "./", letter case on a file system that
// ignores it, a hard link).
bool IsInputFile(const std::string& path, const std::string& input) {
    return path == input || SameFile(path, input);
}

// Whether anything (a file, a directory, even a dangling link) occupies path.
bool Occupied(const std::string& path) {
    return FileStateOf(path).Exists;
}

// Whether an earlier task of this batch wrote path (under this or another
// spelling).
bool WrittenByBatch(const std::string& path, const OutputNaming& naming) {
    if (!naming.Written) return false;
    for (const std::string& written : *naming.Written)
        if (IsInputFile(path, written)) return true;
    return false;
}

} // namespace

std::string OutputPath(const ltvItemData& task, int index, const OutputNaming& naming) {
    const std::string dir = WithTrailingBackslash(naming.OutputDir);
    const std::string& ext = naming.OutputExtension;
    const std::string plain = dir + task.NewFileName + ext;
    const bool plainTaken = (!naming.Overwrite && Occupied(plain)) || WrittenByBatch(plain, naming);
    if (!plainTaken && !IsInputFile(plain, task.InputFile)) return plain;

    // The numbered series: <name>_<i+1><ext>, then <name>_<i+1>_2<ext>, ...
    // With Overwrite off the first name where nothing exists is taken; with
    // Overwrite on the first one that is not the input; never one this batch
    // wrote. The series is cut off at a bound no real directory reaches.
    const std::string stem = dir + task.NewFileName + "_" + std::to_string(index + 1);
    std::string candidate = stem + ext;
    for (int k = 2; k <= 1000000; ++k) {
        bool usable = naming.Overwrite ? !IsInputFile(candidate, task.InputFile)
                                       : !Occupied(candidate) && candidate != task.InputFile;
        if (usable && !WrittenByBatch(candidate, naming)) break;
        candidate = stem + "_" + std::to_string(k) + ext;
    }
    return candidate;
}

namespace {
constexpr std::string_view PartMark = ".tarvolin-part-";
} // namespace

std::string PartFilePath(const std::string& outputPath, TaskId id) {
    const std::string name = ExtractFileName(outputPath);
    const std::string folder = outputPath.substr(0, outputPath.size() - name.size());
    const std::string ext = ExtractFileExt(name);
    return folder + "." + name.substr(0, name.size() - ext.size()) + std::string(PartMark) +
           std::to_string(id) + ext;
}

bool IsPartFilePath(const std::string& path) {
    const std::string name = ExtractFileName(path);
    const size_t mark = name.rfind(PartMark);
    if (name.empty() || name[0] != '.' || mark == std::string::npos) return false;
    // The id, then the extension (a dot and what follows) or nothing.
    size_t at = mark + PartMark.size();
    const size_t digits = at;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9')
        ++at;
    return at > digits && (at == name.size() || name[at] == '.');
}

std::string GiveFinalName(const std::string& part, const std::string& output,
                          const ltvItemData& task, int index, const OutputNaming& naming,
                          std::string& reason) {
    std::string target = output;
    // A name taken between the look and the rename is looked for again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (!naming.Overwrite && Occupied(target)) target = OutputPath(task, index, naming);
        switch (RenameFile(part, target, naming.Overwrite, reason)) {
        case RenameResult::Done:
            return target;
        case RenameResult::Failed:
            return {};
        case RenameResult::TargetExists:
            break;
        }
    }
    reason = "no free name was found";
    return {};
}

CommandLine EncoderCommandLine(const ltvItemData& task, std::string_view profileArguments,
                               const std::string& outputPath) {
    // The pieces between the input and the output, each with its own blank.
    std::string options(profileArguments);
    options += TimeRangeArguments(task);

    CommandLine command;
    command.Text = " -y -i \"" + task.InputFile + "\"" + options + " \"" + outputPath + "\"";
    command.Args = {"-y", "-i", task.InputFile};
    for (std::string& word : SplitWindowsArguments(options))
        command.Args.push_back(std::move(word));
    command.Args.push_back(outputPath);
    return command;
}

CommandLine ProbeCommandLine(const std::string& path) {
    CommandLine command;
    command.Text = " -i \"" + path + "\"";
    command.Args = {"-i", path};
    return command;
}

std::vector<std::string> SplitWindowsArguments(std::string_view text) {
    // The rules of the Microsoft C runtime's start-up code for the words
    // after the program name:
    //  - blanks and tabs outside double quotes separate words;
    //  - a double quote starts or ends a quoted part and is removed;
    //  - inside a quoted part, two double quotes give one literal quote;
    //  - 2n backslashes before a double quote give n backslashes (the quote
    //    then acts as above), 2n+1 give n backslashes and a literal quote;
    //  - backslashes not followed by a double quote are taken as they are.
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        char c = text[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
            ++i;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            size_t count = 0;
            while (i < n && text[i] == '\\') {
                ++count;
                ++i;
            }
            if (i < n && text[i] == '"') {
                word.append(count / 2, '\\');
                if (count % 2 == 1) {
                    word.push_back('"');
                    ++i;
                }
                // An even count leaves the quote to the next round.
            } else {
                word.append(count, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < n && text[i + 1] == '"') {
                word.push_back('"');
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        word.push_back(c);
        ++i;
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}
