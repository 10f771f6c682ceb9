#pragma once
// What the encoder is handed for one task: the time-range pieces, the output
// path and the command line.
#include "platform/Process.h"
#include "tasks/TaskRecord.h"

#include <string>
#include <string_view>
#include <vector>

// " -ss <StartTime>" when StartSec differs from SourceStartSec, then
// " -t <seconds to the tenth>" when ClipLengthSec differs from LengthSec.
std::string TimeRangeArguments(const ltvItemData& task);

struct OutputNaming {
    std::string OutputDir;       // the main window's output directory text
    std::string OutputExtension; // "." + Type of the loaded profile, or empty
    bool Overwrite = true;       // the "Overwrite" preference
    // Files the current batch has already written; never overwritten, even
    // with Overwrite on (two inputs of the same name in one batch). Null or
    // empty: none.
    const std::vector<std::string>* Written = nullptr;
};

// The output path of the task at 0-based position index: the plain path
// <dir><NewFileName><OutputExtension>, unless something exists there and
// Overwrite is off, or the batch wrote it already, or it is the input file
// itself. Then a name of the series <dir><NewFileName>_<index+1><ext>,
// ..._<index+1>_2<ext>, ..._<index+1>_3<ext>, ..., where ext is the same
// OutputExtension (the file's type is the profile's, whatever name it gets):
// with Overwrite off the first where nothing exists, with Overwrite on the
// first that is not the input; never one the batch wrote. The input (and a
// written file) is recognised by text and by file identity (links, "./",
// letter case on file systems that ignore it), so the result is never the
// input.
std::string OutputPath(const ltvItemData& task, int index, const OutputNaming& naming);

// The temporary name a task's output has while its encoder writes it, in
// the output's folder: ".<name>.tarvolin-part-<task id><ext>" for the output
// <name><ext>, hidden, and with the output's extension, which chooses the
// container. The encoder is handed this name; the output gets its own once
// the encoder has finished.
std::string PartFilePath(const std::string& outputPath, TaskId id);
// Whether path is one of those names (for any task) and nothing else.
bool IsPartFilePath(const std::string& path);

// Gives a finished temporary output its final name output, the naming rules
// applied again: with Overwrite off, a name that something has taken
// meanwhile gives way to the next free numbered name (naming.Written holds
// output itself, so it is not chosen again); with Overwrite on, what is
// there is replaced. Returns the name given; empty with why when the file
// could not be renamed (it then stays where it is).
std::string GiveFinalName(const std::string& part, const std::string& output,
                          const ltvItemData& task, int index, const OutputNaming& naming,
                          std::string& reason);

// ` -y -i "<input>"<profile args><time args> "<output>"`, and the same as words.
CommandLine EncoderCommandLine(const ltvItemData& task, std::string_view profileArguments,
                               const std::string& outputPath);
// ` -i "<path>"`, and the same as words.
CommandLine ProbeCommandLine(const std::string& path);

// Splits text into words as a Windows program's start-up code does: blanks
// and tabs separate, double quotes group and are removed.
std::vector<std::string> SplitWindowsArguments(std::string_view text);
