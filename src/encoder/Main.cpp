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
// The options are ffmpeg's, and two of the stand-in's own that profiles
// use: "-s fit<long>x<short>", a size the picture is shrunk to fit as it is
// seen (Arguments.h), and "-audio_tracks first|all", which sound tracks the
// output keeps.
//
// Everything is printed on standard error, like ffmpeg.
#include "encoder/Arguments.h"
#include "encoder/MediaReport.h"
#include "encoder/ProgressText.h"
#include "encoder/Tools.h"
#include "platform/FileSystem.h"

#include <chrono>
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
    "stream_disposition=attached_pic:stream_tags=DURATION,rotate,title:stream_side_data=rotation";
// What a look at an input's streams before or after a conversion needs.
constexpr const char* StreamEntries =
    "stream=index,codec_type:stream_disposition=attached_pic:stream_tags=title";
// Where each packet lies, for a length the header only estimates.
constexpr const char* PacketEntries = "packet=stream_index,pts_time,dts_time,duration_time";
// FFmpeg's words when a length is no more than an estimate.
constexpr const char* EstimateWarning = "Estimating duration from bitrate";

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

// Lists the input's packets with ffprobe for where its streams truly end;
// false (facts untouched) when that takes too long or fails.
bool MeasureWithFfprobe(const std::string& ffprobe, const std::string& input, MediaFacts& facts) {
    PacketSpans spans;
    std::string partial, error;
    ToolOptions options;
    options.TimeLimit = MeasureLimit;
    const std::optional<int> rc = RunTool(
        ffprobe,
        {"-v", "quiet", "-show_entries", PacketEntries, "-of", "compact=p=0", "-i",
         AsFileName(input)},
        [&](std::string_view piece) {
            partial.append(piece);
            const size_t lines = partial.rfind('\n');
            if (lines == std::string::npos) return;
            AddFfprobePackets(std::string_view(partial).substr(0, lines), spans);
            partial.erase(0, lines + 1);
        },
        error, options);
    return rc == 0 && spans.ApplyTo(facts);
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
    // Its warnings come with the description, as one of them tells whether
    // the length is only an estimate.
    std::string text;
    ToolOptions options;
    options.ErrorsWithOutput = true;
    const std::optional<int> rc = RunTool(
        ffprobe,
        {"-v", "warning", "-hide_banner", "-show_entries", ProbeEntries, "-of", "default", "-i",
         AsFileName(input)},
        [&text](std::string_view piece) { text.append(piece); }, error, options);
    if (!rc) {
        WriteError("wmaspi: cannot start " + ffprobe + ": " + error + "\n");
        return ToolMissing;
    }
    if (*rc != 0) {
        // ffprobe's own words on why it could not read the input.
        WriteError(text);
        return *rc;
    }
    facts = ParseFfprobeOutput(text);
    facts.LengthEstimated = !facts.DurationUs || text.find(EstimateWarning) != std::string::npos;
    if (facts.LengthEstimated) MeasureWithFfprobe(ffprobe, input, facts);
    WriteError(FormatMediaReport(input, facts) + NoOutput);
    return 1;
}

int Convert(const std::string& ownDir, RunRequest request) {
    const std::string ffmpeg = FindProgram(ownDir, "ffmpeg");
    if (ffmpeg.empty()) {
        WriteError(NotFound("ffmpeg"));
        return ToolMissing;
    }
    // The stand-in's own options become ffmpeg's: which streams, and an
    // "up to" size as a filter. Nothing here opens the input: ffmpeg's
    // stream specifiers and filter expressions do what needs its facts.
    const AudioTracks tracks = TakeAudioTracks(request);
    FitPictureSize(request);
    const std::string sizeNote = EvenOutputSize(request);
    const bool needsPicture = ChooseStreams(request, tracks);
    // MP4 keeps a track's name only as its handler name, which ffmpeg does
    // not take from a title: only then the titles are looked up.
    if (tracks == AudioTracks::All && NamesTracksByHandler(request.Output)) {
        MediaFacts input;
        if (ReadStreams(ownDir, request.Input, input)) NameAudioTracks(request, input);
    }
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
    ToolOptions finishing;
    finishing.OnFinishing = [&progress] { WriteError(progress.Current()); };
    const std::optional<int> rc = RunTool(
        ffmpeg, args,
        [&progress](std::string_view piece) {
            std::string lines = progress.Feed(piece);
            if (!lines.empty()) WriteError(lines);
        },
        error, finishing);
    if (!rc) {
        WriteError("wmaspi: cannot start " + ffmpeg + ": " + error + "\n");
        return ToolMissing;
    }
    // ffmpeg refuses a video without a picture in its own words; the last
    // line says it plainly. Only a failure costs this look.
    if (*rc != 0 && needsPicture && !TerminationRequested()) {
        MediaFacts input;
        if (ReadStreams(ownDir, request.Input, input) && !HasPicture(input))
            WriteError(NoPictureReason(request.Input) + "\n");
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
