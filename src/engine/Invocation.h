#pragma once
// What the encoder is handed for one task: the time-range pieces, the output
// path and the command line.
#include "platform/Process.h"
#include "tasks/TaskRecord.h"

#include <string>
#include <string_view>
#include <vector>

// " -ss <StartTime>" when StartSec differs from SourceStartSec, then
// " -t <whole seconds>" when ClipLengthSec differs from LengthSec.
std::string TimeRangeArguments(const ltvItemData& task);

struct OutputNaming {
    std::string OutputDir;       // the main window's output directory text
    std::string OutputExtension; // "." + Type of the loaded profile, or empty
    bool Overwrite = true;       // the "Overwrite" preference
};

// The output path of the task at 0-based position index: the plain path
// <dir><NewFileName><OutputExtension>, or the first free numbered one
// <dir><NewFileName>_<index+1>[_k]<NewFileExt> when the plain one exists and
// Overwrite is off, or when it is the input file itself. Never the input.
std::string OutputPath(const ltvItemData& task, int index, const OutputNaming& naming);

// ` -y -i "<input>"<profile args><time args> "<output>"`, and the same as words.
CommandLine EncoderCommandLine(const ltvItemData& task, std::string_view profileArguments,
                               const std::string& outputPath);
// ` -i "<path>"`, and the same as words.
CommandLine ProbeCommandLine(const std::string& path);

// Splits text into words as a Windows program's start-up code does: blanks
// and tabs separate, double quotes group and are removed.
std::vector<std::string> SplitWindowsArguments(std::string_view text);
