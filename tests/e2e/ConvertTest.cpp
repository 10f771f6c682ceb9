// One task end to end: the real stand-in encoder and ffmpeg on small clips
// generated here, probed, converted with a range, followed through the
// progress readings and stopped midway.
#include "TestProcesses.h"
#include "TestSupport.h"
#include "base/TimeText.h"
#include "engine/EncoderProber.h"
#include "engine/Invocation.h"
#include "engine/Progress.h"
#include "engine/Runner.h"
#include "platform/FileSystem.h"
#include "profiles/Profile.h"
#include "tasks/OutputSheet.h"
#include "tasks/TaskList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct ClipFacts {
    double Duration = -1;
    int Width = 0;
    int Height = 0;
};

ClipFacts Inspect(const std::string& path) {
    ClipFacts facts;
    ToolResult probe = RunCaptured(
        "ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                    "format=duration:stream=width,height", "-of", "default=nw=1", path});
    if (probe.Exit != 0) return facts;
    std::istringstream lines(probe.Output);
    std::string line;
    while (std::getline(lines, line)) {
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "duration") facts.Duration = std::atof(value.c_str());
        if (key == "width") facts.Width = std::atoi(value.c_str());
        if (key == "height") facts.Height = std::atoi(value.c_str());
    }
    return facts;
}

// The processes whose command line mentions text (the stand-in and its
// ffmpeg both name the output path).
std::vector<int> ProcessesMentioning(const std::string& text) {
    std::vector<int> found;
    for (const ProcessEntry& p : LiveProcesses())
        if (p.CommandLine.find(text) != std::string::npos) found.push_back(p.Pid);
    return found;
}

// The record the task list makes for a probed input.
ltvItemData ProbedTask(const std::string& input, const ProbeResult& probe,
                       const std::string& newName) {
    ltvItemData t;
    t.InputFile = input;
    t.Length = probe.Duration;
    t.Size = probe.Size;
    t.Status = "OK";
    t.NewFileName = newName;
    t.NewFileExt = ".mp4";
    t.SourceStart = t.StartTime = probe.Start;
    t.SourceEnd = t.EndTime = t.ClipLength = probe.End;
    t.LengthSec = TimeToSeconds(t.Length);
    t.SourceStartSec = t.StartSec = TimeToSeconds(t.StartTime);
    t.SourceEndSec = t.EndSec = t.ClipLengthSec = TimeToSeconds(t.EndTime);
    return t;
}

const char* const ProfileArguments = " -vcodec libx264 -s 320x240 -acodec aac";

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(FindProgram("", "ffmpeg").empty()) << "ffmpeg is needed";
        ASSERT_TRUE(fs::exists(EncoderStandInPath())) << EncoderStandInPath();
    }

    // A clip from ffmpeg's test sources: a 320x240 picture and a tone.
    std::string MakeClip(const std::string& path, int seconds = 5) {
        ToolResult made = MakeTestClip(path, {320, 240, double(seconds), "mpeg4"});
        EXPECT_EQ(made.Exit, 0) << "cannot make " << path << ": " << made.Output;
        return path;
    }

    TempDir Dir;
    EncoderRunner Runner{EncoderStandInPath()};
};

TEST_F(ConvertTest, ProbeGivesLengthAndSize) {
    std::string clip = MakeClip(Dir.file("clip.mp4"));
    EncoderProber prober(Runner);
    ProbeResult r = prober.ProbeMedia(clip);
    EXPECT_EQ(r.Duration, "00:00:05.00");
    EXPECT_EQ(r.Size, " 320x240");
    EXPECT_EQ(r.Start, "00:00:00.0");
    EXPECT_EQ(r.End, "00:00:05.00");

    // A file that is no video: no values, and the probe still ends.
    WriteFileBytes(Dir.file("junk.mp4"), "this is not a video");
    ProbeResult junk = prober.ProbeMedia(Dir.file("junk.mp4"));
    EXPECT_EQ(junk.Duration, "");
    EXPECT_EQ(junk.Size, "");
    EXPECT_EQ(junk.Start, "00:00:00.0");
}

TEST_F(ConvertTest, ConvertsARangeWithProgressUpTo100Percent) {
    std::string clip = MakeClip(Dir.file("clip.mp4"));
    EncoderProber prober(Runner);
    ltvItemData task = ProbedTask(clip, prober.ProbeMedia(clip), "clip");
    task.StartTime = "00:00:01";
    task.StartSec = 1;
    task.EndTime = "00:00:04";
    task.EndSec = 4;
    task.ClipLengthSec = 3;

    fs::create_directory(Dir.path() / "out");
    std::string output = OutputPath(task, 0, OutputNaming{Dir.file("out"), ".mp4", false});
    EXPECT_EQ(output, Dir.file("out") + "/clip.mp4");
    CommandLine command = EncoderCommandLine(task, ProfileArguments, output);
    EXPECT_NE(command.Text.find(" -ss 00:00:01 -t 3 \""), std::string::npos);

    ProgressParser parser;
    parser.BeginTask(task.ClipLengthSec, 0, task.ClipLengthSec);
    ProgressBars bars;
    std::vector<int> currents;
    int pumps = 0;
    RunOutcome r = Runner.RunEncoder(
        command, [&] { ++pumps; },
        [&](std::string_view chunk) {
            if (parser.Consume(chunk, bars)) currents.push_back(bars.Current);
        });
    ASSERT_TRUE(r.Started);
    EXPECT_TRUE(r.Succeeded()) << r.LastErrorLine;
    EXPECT_GT(pumps, 0);
    ASSERT_FALSE(currents.empty());
    for (size_t k = 1; k < currents.size(); ++k)
        EXPECT_GE(currents[k], currents[k - 1]);
    EXPECT_EQ(currents.back(), 100);
    EXPECT_EQ(bars.Total, 100);

    ClipFacts out = Inspect(output);
    EXPECT_NEAR(out.Duration, 3.0, 0.15);
    EXPECT_EQ(out.Width, 320);
    EXPECT_EQ(out.Height, 240);
}

TEST_F(ConvertTest, PathsWithBlanksQuotesAndNonAsciiLetters) {
    std::string clip = MakeClip(Dir.file("in dir \xC3\xBC/a \"quoted\" clip, 1.mp4"));
    EncoderProber prober(Runner);
    ProbeResult probe = prober.ProbeMedia(clip);
    EXPECT_EQ(probe.Duration, "00:00:05.00");
    EXPECT_EQ(probe.Size, " 320x240");

    std::string outDir = Dir.file("out dir \xC3\xA9");
    fs::create_directory(outDir);
    ltvItemData task = ProbedTask(clip, probe, "b \"q\" \xC3\xA9, it's");
    std::string output = OutputPath(task, 0, OutputNaming{outDir, ".mp4", true});
    RunOutcome r = Runner.RunEncoder(
        EncoderCommandLine(task, ProfileArguments, output), [] {}, nullptr);
    EXPECT_TRUE(r.Succeeded()) << r.LastErrorLine;
    ClipFacts out = Inspect(output);
    EXPECT_NEAR(out.Duration, 5.0, 0.15);
    EXPECT_EQ(out.Width, 320);
}

TEST_F(ConvertTest, AFailingConversionReportsItsExitStatusAndReason) {
    std::string clip = MakeClip(Dir.file("clip.mp4"), 1);
    ltvItemData task = ProbedTask(clip, EncoderProber(Runner).ProbeMedia(clip), "clip");
    RunOutcome r = Runner.RunEncoder(
        EncoderCommandLine(task, " -vcodec no_such_codec", Dir.file("out.mp4")), [] {}, nullptr);
    ASSERT_TRUE(r.Started);
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_FALSE(r.LastErrorLine.empty());
}

TEST_F(ConvertTest, StopMidwayEndsAtOnceAndLeavesAPlayableFile) {
    std::string clip = MakeClip(Dir.file("long.mp4"), 30);
    ltvItemData task = ProbedTask(clip, EncoderProber(Runner).ProbeMedia(clip), "stopped");
    std::string output = Dir.file("stopped.mp4");
    // The realtime filter holds the conversion to the clip's own pace, so
    // it is surely still running when Stop comes.
    CommandLine command =
        EncoderCommandLine(task, " -vcodec libx264 -vf realtime -acodec aac", output);

    ProgressParser parser;
    parser.BeginTask(task.ClipLengthSec, 0, task.ClipLengthSec);
    ProgressBars bars;
    Clock::time_point stoppedAt{};
    RunOutcome r = Runner.RunEncoder(
        command,
        [&] {
            if (stoppedAt == Clock::time_point{} && parser.Reading() >= 1.0) {
                stoppedAt = Clock::now();
                Runner.TerminateEncoder();
            }
        },
        [&](std::string_view chunk) { parser.Consume(chunk, bars); }, 60000);
    auto stopTook =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stoppedAt).count();
    ASSERT_NE(stoppedAt, Clock::time_point{}) << "no progress reading arrived";
    EXPECT_TRUE(r.Terminated);
    EXPECT_FALSE(r.TimedOut);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_LT(stopTook, 1000);

    // Neither the stand-in nor its ffmpeg lives on.
    std::vector<int> left = ProcessesMentioning(output);
    for (int k = 0; k < 20 && !left.empty(); ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        left = ProcessesMentioning(output);
    }
    EXPECT_TRUE(left.empty()) << left.size() << " processes left";

    ClipFacts out = Inspect(output);
    EXPECT_GT(out.Duration, 0.5);
    EXPECT_LT(out.Duration, 29.0);
    EXPECT_EQ(out.Width, 320);
}

// x264's slowest preset holds many frames of a large picture; after a stop
// it takes seconds to encode them and write the index, more on a busy
// machine. The stop waits for that, and the file left plays.
TEST_F(ConvertTest, AStopWaitsForASlowFinishAndLeavesAPlayableFile) {
    const std::string clip = Dir.file("large.mp4");
    ToolResult made = MakeTestClip(clip, {1280, 720, 10, "mpeg4"});
    ASSERT_EQ(made.Exit, 0) << made.Output;
    ltvItemData task = ProbedTask(clip, EncoderProber(Runner).ProbeMedia(clip), "stopped");
    const std::string output = Dir.file("stopped.mp4");
    const auto begin = Clock::now();
    Clock::time_point stoppedAt{};
    RunOutcome r = Runner.RunEncoder(
        EncoderCommandLine(task, " -c:v libx264 -preset veryslow -an", output),
        [&] {
            if (stoppedAt == Clock::time_point{} &&
                Clock::now() - begin > std::chrono::seconds(2)) {
                stoppedAt = Clock::now();
                Runner.TerminateEncoder();
            }
        },
        nullptr, 60000);
    const auto finishMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stoppedAt).count();
    ASSERT_NE(stoppedAt, Clock::time_point{});
    EXPECT_TRUE(r.Terminated);
    EXPECT_LT(finishMs, 13000);
    EXPECT_GT(Inspect(output).Duration, 0) << "unplayable after " << finishMs << " ms";
    RecordProperty("FinishMs", static_cast<int>(finishMs));
}

TEST_F(ConvertTest, AMissingStandInIsNotStarted) {
    EncoderRunner missing(Dir.file("wmaspi.dll"));
    RunOutcome r = missing.RunEncoder(
        ProbeCommandLine(Dir.file("x.mp4")), [] {}, nullptr);
    EXPECT_FALSE(r.Started);
    EXPECT_EQ(r.StartError, "Error on CreateProcess()");
    EncoderProber prober(missing);
    ProbeResult p = prober.ProbeMedia(MakeClip(Dir.file("clip.mp4"), 1));
    EXPECT_EQ(p.Duration, "");
    EXPECT_EQ(p.Start, "");
}

// A trim typed in the Output sheet reaches the output to the tenth: 5 s to
// 12.5 s gives 7.5 s, not 8; a rename alone leaves the whole clip.
TEST_F(ConvertTest, ATypedTrimGivesItsLengthToTheTenth) {
    std::string clip = MakeClip(Dir.file("long.mp4"), 14);
    EncoderProber prober(Runner);
    const ltvItemData probed = ProbedTask(clip, prober.ProbeMedia(clip), "long");

    ltvItemData renamed = probed;
    ApplyOutputEdit({"renamed.mp4", probed.StartTime, probed.EndTime}, renamed);
    EXPECT_EQ(TimeRangeArguments(renamed), "");

    ltvItemData task = probed;
    ApplyOutputEdit({"long.mp4", "00:00:05", "00:00:12.5"}, task);
    std::string output = Dir.file("trimmed.mp4");
    CommandLine command = EncoderCommandLine(task, " -vcodec mpeg4 -acodec aac", output);
    EXPECT_NE(command.Text.find(" -ss 00:00:05 -t 7.5 \""), std::string::npos) << command.Text;
    RunOutcome r = Runner.RunEncoder(
        command, [] {}, nullptr);
    ASSERT_TRUE(r.Started);
    EXPECT_TRUE(r.Succeeded()) << r.LastErrorLine;
    EXPECT_NEAR(Inspect(output).Duration, 7.5, 0.15);
}

// Every input type the task list takes converts: a one-second clip of the
// type, written the way today's cameras, phones, discs and web sites write
// it, is probed for its length and size and converted with the shipped
// "MP4 - H.264 AAC" profile's defaults through the real stand-in. A sound
// file (some with cover art) shows no size, converts with "MP3 - Audio
// Only", and the video profile fails saying why.
struct InputType {
    const char* Ext;
    int Width, Height, SampleRate; // no width: a sound file
    const char* Options;           // ffmpeg's output options that make it, blank-separated
    bool Cover = false;            // a sound file with a cover picture
};

const std::vector<InputType>& InputTypes() {
    static const std::vector<InputType> types{
        {".avi", 160, 120, 44100, "-c:v mpeg4 -vtag XVID -c:a libmp3lame"},
        {".mpg", 160, 120, 44100, "-c:v mpeg1video -c:a mp2 -f mpeg"},
        {".mpeg", 160, 120, 48000, "-c:v mpeg2video -c:a mp2 -f vob"},
        {".mp4", 160, 120, 44100, "-c:v libx264 -c:a aac"},
        {".wmv", 160, 120, 44100, "-c:v wmv2 -c:a wmav2"},
        {".mov", 160, 120, 48000, "-c:v libx264 -c:a aac -f mov"},
        {".vob", 160, 120, 48000, "-c:v mpeg2video -c:a ac3 -f vob"},
        {".asf", 160, 120, 44100, "-c:v msmpeg4 -c:a wmav2 -f asf"},
        {".mkv", 160, 120, 48000, "-c:v libx264 -c:a libopus -f matroska"},
        {".webm", 160, 120, 48000, "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -c:a libopus"},
        {".flv", 160, 120, 44100, "-c:v flv -c:a libmp3lame -f flv"},
        {".m4v", 160, 120, 44100, "-c:v libx264 -c:a aac -f mp4"},
        {".3gp", 176, 144, 8000, "-c:v h263 -c:a aac -ac 1 -f 3gp"},
        {".3g2", 160, 120, 44100, "-c:v mpeg4 -c:a aac -f 3g2"},
        {".ts", 160, 120, 48000, "-c:v mpeg2video -c:a mp2 -f mpegts"},
        {".mts", 160, 120, 48000, "-c:v libx264 -c:a ac3 -f mpegts"},
        {".m2ts", 160, 120, 48000, "-c:v libx264 -c:a ac3 -f mpegts -mpegts_m2ts_mode 1"},
        {".ogv", 160, 120, 44100, "-c:v libtheora -c:a libvorbis -f ogg"},
        {".dv", 720, 576, 48000, "-c:v dvvideo -c:a pcm_s16le -ac 2 -f dv"},
        {".mxf", 160, 120, 48000, "-c:v mpeg2video -c:a pcm_s16le -f mxf"},
        {".divx", 160, 120, 44100, "-c:v mpeg4 -vtag DIVX -c:a libmp3lame -f avi"},
        {".rm", 176, 144, 8000, "-c:v rv10 -c:a real_144 -ac 1 -f rm"},
        // ffmpeg writes RealVideo 2 into it; most such files carry RealVideo 4,
        // which ffmpeg reads but cannot write.
        {".rmvb", 160, 120, 44100, "-c:v rv20 -c:a ac3 -f rm"},
        {".mp3", 0, 0, 44100, "-c:a libmp3lame", true},
        {".m4a", 0, 0, 44100, "-c:a aac", true},
        {".flac", 0, 0, 48000, "-c:a flac", true},
        {".wav", 0, 0, 44100, "-c:a pcm_s16le"},
        {".ogg", 0, 0, 44100, "-c:a libvorbis"},
        {".opus", 0, 0, 48000, "-c:a libopus"},
        // Raw AAC, whose length only its packets tell.
        {".aac", 0, 0, 44100, "-c:a aac"},
        {".wma", 0, 0, 44100, "-c:a wmav2 -f asf"},
    };
    return types;
}

class InputTypeTest : public ConvertTest, public testing::WithParamInterface<std::string> {
protected:
    // Converts clip with the shipped profile's defaults into output.
    RunOutcome ConvertWith(const char* profileName, const std::string& clip,
                           const ProbeResult& probe, const std::string& output) {
        const std::string profile = Dir.file("profile.apf");
        fs::copy_file(ProgramDirectory() + "/Profiles/" + profileName + ".apf", profile,
                      fs::copy_options::overwrite_existing);
        ParamSheet video, audio, advanced;
        SheetSet sheets{&video, &audio, &advanced};
        LoadProfile(profile, sheets, nullptr);
        ltvItemData task = ProbedTask(clip, probe, "converted");
        return Runner.RunEncoder(
            EncoderCommandLine(task, BuildProfileArguments(profile, sheets), output), [] {},
            nullptr);
    }
};

TEST_P(InputTypeTest, ProbesAndConvertsWithAShippedProfile) {
    const std::string ext = GetParam();
    auto type = std::find_if(InputTypes().begin(), InputTypes().end(),
                             [&ext](const InputType& t) { return t.Ext == ext; });
    ASSERT_NE(type, InputTypes().end()) << "no clip of this type is made here; list a type only "
                                           "once a clip of it converts";
    const bool sound = type->Width == 0;
    const std::string size = std::to_string(type->Width) + "x" + std::to_string(type->Height);
    const std::string rate = std::to_string(type->SampleRate);
    std::vector<std::string> args{"-f", "lavfi", "-i",
                                  "sine=frequency=440:sample_rate=" + rate + ":duration=1"};
    if (!sound) {
        args.insert(args.end(),
                    {"-f", "lavfi", "-i", "testsrc=size=" + size + ":rate=25:duration=1",
                     "-pix_fmt", "yuv420p"});
    } else if (type->Cover) {
        const std::string cover = Dir.file("cover.png");
        ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "testsrc=size=64x64", "-frames:v", "1", cover}).Exit,
                  0);
        args.insert(args.end(), {"-i", cover, "-map", "0:a", "-map", "1:v", "-c:v", "png",
                                 "-disposition:v", "attached_pic"});
    }
    std::istringstream options(type->Options);
    for (std::string word; options >> word;)
        args.push_back(word);
    const std::string clip = Dir.file(std::string("clip") + ext);
    args.push_back(clip);
    ToolResult made = Ffmpeg(args);
    ASSERT_EQ(made.Exit, 0) << made.Output;

    ProbeResult probe = EncoderProber(Runner).ProbeMedia(clip);
    EXPECT_NEAR(TimeToSeconds(probe.Duration), 1.0, 0.1) << probe.Duration;
    EXPECT_EQ(probe.Size, sound ? "" : " " + size);
    EXPECT_EQ(probe.Problem, "");

    std::string output = Dir.file("converted.mp4");
    RunOutcome r = ConvertWith("MP4 - H.264 AAC", clip, probe, output);
    ASSERT_TRUE(r.Started);
    if (sound) {
        EXPECT_FALSE(r.Succeeded());
        EXPECT_EQ(r.LastErrorLine, "clip" + ext + " has no picture to convert.");
        output = Dir.file("converted.mp3");
        r = ConvertWith("MP3 - Audio Only", clip, probe, output);
    }
    EXPECT_TRUE(r.Succeeded()) << r.LastErrorLine;
    ClipFacts out = Inspect(output);
    EXPECT_NEAR(out.Duration, 1.0, 0.15);
    EXPECT_EQ(out.Width, type->Width);
    EXPECT_EQ(out.Height, type->Height);
}

std::string ExtName(const testing::TestParamInfo<std::string>& info) {
    return info.param.substr(1);
}

INSTANTIATE_TEST_SUITE_P(Supported, InputTypeTest, testing::ValuesIn(SupportedExts()), ExtName);

} // namespace
