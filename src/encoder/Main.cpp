// wmaspi: the command-line encoder the program drives, here a small front
// end to ffmpeg that speaks the texts the program reads.
//
//   wmaspi -i INPUT
//       describes the input (container, duration, streams) and fails, as
//       ffmpeg does when no output file is named;
//   wmaspi -y -i INPUT [options] [-ss START] [-t SECONDS] OUTPUT
//       converts with ffmpeg and prints a status line with "time=" several
//       times a second; exits with ffmpeg's status.
//
// Everything is printed on standard error, like ffmpeg.
#include "encoder/Arguments.h"
#include "encoder/MediaReport.h"
#include "encoder/ProgressText.h"
#include "encoder/Tools.h"
#include "platform/FileSystem.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int ToolMissing = 127;
constexpr const char* NoOutput = "At least one output file must be specified\n";

// What ffprobe is asked for when the probe cannot use FFmpeg's libraries.
constexpr const char* ProbeEntries =
    "format=format_name,duration,start_time,bit_rate:"
    "stream=index,codec_type,codec_name,pix_fmt,width,height,avg_frame_rate,r_frame_rate,"
    "sample_rate,channels,channel_layout,sample_fmt,start_time,duration:"
    "stream_disposition=attached_pic:stream_tags=DURATION";
// What a conversion needs to know about its input's streams beforehand.
constexpr const char* StreamEntries = "stream=index,codec_type:stream_disposition=attached_pic";

std::string NotFound(const std::string& tool) {
    return "wmaspi: " + tool + " not found next to the encoder or on PATH\n";
}

// TARVOLIN_STANDIN_PROBE=ffprobe skips the libraries (tests, benchmarks).
bool LibrariesAllowed() {
    const char* choice = std::getenv("TARVOLIN_STANDIN_PROBE");
    return !choice || std::string(choice) != "ffprobe";
}

// The input's streams as its header tells them, quietly: ffmpeg reports an
// input it cannot read. False when they could not be learnt.
bool ReadStreams(const std::string& ownDir, const std::string& input, MediaFacts& facts) {
    std::string error;
    if (LibrariesAllowed()) {
        switch (ReadWithLibav(input, facts, error, LibavDepth::Streams)) {
        case LibavOutcome::Read:
            return true;
        case LibavOutcome::Failed:
            return false;
        case LibavOutcome::Unavailable:
            break;
        }
    }
    const std::string ffprobe = FindProgram(ownDir, "ffprobe");
    if (ffprobe.empty()) return false;
    std::string text;
    const std::optional<int> rc = RunTool(
        ffprobe,
        {"-v", "quiet", "-show_entries", StreamEntries, "-of", "default", "-i", AsFileName(input)},
        [&text](std::string_view piece) { text.append(piece); }, error);
    if (rc != 0) return false;
    facts = ParseFfprobeOutput(text);
    return true;
}

int Probe(const std::string& ownDir, const std::string& input) {
    MediaFacts facts;
    std::string error;
    if (LibrariesAllowed()) {
        switch (ReadWithLibav(input, facts, error)) {
        case LibavOutcome::Read:
            WriteError(FormatMediaReport(input, facts) + NoOutput);
            return 1;
        case LibavOutcome::Failed:
            WriteError(input + ": " + error + "\n");
            return 1;
        case LibavOutcome::Unavailable:
            break;
        }
    }

    const std::string ffprobe = FindProgram(ownDir, "ffprobe");
    if (ffprobe.empty()) {
        WriteError(NotFound("ffprobe"));
        return ToolMissing;
    }
    std::string text;
    const std::optional<int> rc = RunTool(
        ffprobe,
        {"-v", "error", "-hide_banner", "-show_entries", ProbeEntries, "-of", "default", "-i",
         AsFileName(input)},
        [&text](std::string_view piece) { text.append(piece); }, error);
    if (!rc) {
        WriteError("wmaspi: cannot start " + ffprobe + ": " + error + "\n");
        return ToolMissing;
    }
    // ffprobe has already said why it could not read the input.
    if (*rc != 0) return *rc;
    WriteError(FormatMediaReport(input, ParseFfprobeOutput(text)) + NoOutput);
    return 1;
}

int Convert(const std::string& ownDir, RunRequest request) {
    const std::string ffmpeg = FindProgram(ownDir, "ffmpeg");
    if (ffmpeg.empty()) {
        WriteError(NotFound("ffmpeg"));
        return ToolMissing;
    }
    // ffmpeg would take an audio file's cover picture for the video to
    // encode, and most containers refuse it; an odd custom size fails the
    // encoders that need an even one.
    MediaFacts input;
    if (ReadStreams(ownDir, request.Input, input)) LeaveOutAttachedPictures(request, input);
    const std::string sizeNote = EvenOutputSize(request);
    // ffmpeg's own messages (errors only) reach our reader directly on
    // standard error; its progress comes through standard output as
    // key=value blocks, four times a second, and is turned into status lines.
    std::vector<std::string> args = {"-hide_banner", "-nostdin",      "-loglevel",
                                     "error",        "-nostats",      "-progress",
                                     "pipe:1",       "-stats_period", "0.25"};
    args.insert(args.end(), request.FfmpegArgs.begin(), request.FfmpegArgs.end());

    // A first line before ffmpeg starts, as ffmpeg prints its stream
    // overview before the first status line.
    WriteError("Output #0, to '" + request.Output + "':\n" + sizeNote);

    // After a stop, ffmpeg finishes its file without progress blocks; the
    // last status line said again while it works tells the program that the
    // encoder is still busy.
    ProgressText progress;
    std::string error;
    const std::optional<int> rc = RunTool(
        ffmpeg, args,
        [&progress](std::string_view piece) {
            std::string lines = progress.Feed(piece);
            if (!lines.empty()) WriteError(lines);
        },
        error, [&progress] { WriteError(progress.Current()); });
    if (!rc) {
        WriteError("wmaspi: cannot start " + ffmpeg + ": " + error + "\n");
        return ToolMissing;
    }
    return *rc;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const RunRequest request = ClassifyRun(args);
    const std::string ownDir = OwnDirectory(argc > 0 ? argv[0] : nullptr);
    switch (request.Kind) {
    case RunKind::Probe:
        return Probe(ownDir, request.Input);
    case RunKind::Convert:
        return Convert(ownDir, request);
    case RunKind::Usage:
        break;
    }
    WriteError("wmaspi: " + request.Problem +
               "\nusage: wmaspi -i INPUT\n"
               "       wmaspi -y -i INPUT [options] [-ss START] [-t SECONDS] OUTPUT\n");
    return 1;
}
