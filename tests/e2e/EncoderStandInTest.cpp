// The encoder stand-in wmaspi.dll, really started, on small clips that
// ffmpeg generates: the probe's texts, conversions with a range and odd
// paths, audio with a cover picture, odd sizes, stopping it at any moment
// (the program killed included), and finding ffmpeg.
#include "TestProcesses.h"
#include "TestSupport.h"
#include "base/TimeText.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <optional>
#include <poll.h>
#include <regex>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string Ffprobe(const std::string& path, const std::string& entries,
                    const std::string& streams = "") {
    std::vector<std::string> args = {"-v", "error", "-show_entries", entries, "-of", "csv=p=0"};
    if (!streams.empty()) args.insert(args.end(), {"-select_streams", streams});
    args.push_back(path);
    return RunCaptured("ffprobe", args).Output;
}

std::optional<double> DurationOf(const std::string& path) {
    std::string text = Ffprobe(path, "format=duration");
    char* end = nullptr;
    double d = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) return std::nullopt;
    return d;
}

// The program's way of reading a probe: the duration after "Duration: "
// up to the next comma, and the size as the text between the second and
// third comma after the first "Video"; both searched after the path.
struct ProbeReading {
    std::string Duration;
    std::string Size;
};
ProbeReading ReadProbe(const std::string& text, const std::string& path) {
    ProbeReading r;
    size_t p = text.find(path);
    std::string rest = p == std::string::npos ? text : text.substr(p + path.size());
    p = rest.find("Duration: ");
    if (p == std::string::npos) return r;
    rest = rest.substr(p + 10);
    p = rest.find(',');
    r.Duration = rest.substr(0, p);
    p = rest.find("Video");
    if (p == std::string::npos) return r;
    rest = rest.substr(p);
    for (int i = 0; i < 2 && (p = rest.find(',')) != std::string::npos; ++i)
        rest = rest.substr(p + 1);
    r.Size = rest.substr(0, rest.find(','));
    return r;
}

// The processes of group pgid and the process pid that still live.
std::vector<std::string> Survivors(pid_t pgid, pid_t pid) {
    std::vector<std::string> left;
    for (const ProcessEntry& p : LiveProcesses())
        if (p.Group == pgid || p.Pid == pid) left.push_back(std::to_string(p.Pid) + " " + p.Name);
    return left;
}

std::vector<double> TimeReadings(const std::string& output) {
    std::vector<double> times;
    static const std::regex re(R"(time=(\d+\.\d\d) )");
    for (auto it = std::sregex_iterator(output.begin(), output.end(), re);
         it != std::sregex_iterator(); ++it)
        times.push_back(std::stod((*it)[1]));
    return times;
}

// The stand-in's probe of path through FFmpeg's libraries, which reading
// through ffprobe must tell exactly alike.
ToolResult ProbeBothWays(const std::string& path) {
    ToolResult lib = RunCaptured(EncoderStandInPath(), {"-i", path});
    ToolResult viaFfprobe =
        RunCaptured(EncoderStandInPath(), {"-i", path}, {"TARVOLIN_STANDIN_PROBE=ffprobe"});
    EXPECT_EQ(viaFfprobe.Output, lib.Output);
    return lib;
}

class StandInTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (Clips) return;
        Clips = std::make_unique<TempDir>();
        // 5 s of test picture and tone: video first, the usual layout.
        Clip = Clips->file("clip.mp4");
        ToolResult r = MakeTestClip(Clip);
        ASSERT_EQ(r.Exit, 0) << r.Output;
    }

    // Shared by all the suites below; removed when the test program ends.
    static inline std::unique_ptr<TempDir> Clips;
    static inline std::string Clip;
};

using StandInProbe = StandInTest;
using StandInConvert = StandInTest;
using StandInStop = StandInTest;
using StandInTools = StandInTest;

TEST_F(StandInProbe, DescribesDurationAndStreamsInTheReadableForm) {
    ToolResult lib = RunCaptured(EncoderStandInPath(), {"-i", Clip});
    EXPECT_NE(lib.Exit, 0) << "a probe names no output, so it fails like ffmpeg";
    EXPECT_NE(lib.Output.find("Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '" + Clip + "':\n"),
              std::string::npos)
        << lib.Output;
    EXPECT_TRUE(std::regex_search(
        lib.Output,
        std::regex(R"(\n  Duration: 00:00:05\.00, start: 0\.000000, bitrate: \d+ kb/s\n)")))
        << lib.Output;
    EXPECT_NE(lib.Output.find("\n    Stream #0.0: Video: h264, yuv420p, 320x240, 25 fps\n"),
              std::string::npos)
        << lib.Output;
    EXPECT_NE(lib.Output.find("\n    Stream #0.1: Audio: aac, 44100 Hz"), std::string::npos);
    ProbeReading reading = ReadProbe(lib.Output, Clip);
    EXPECT_EQ(reading.Duration, "00:00:05.00");
    EXPECT_EQ(reading.Size, " 320x240");

    // Reading through ffprobe tells exactly the same.
    ToolResult viaFfprobe =
        RunCaptured(EncoderStandInPath(), {"-i", Clip}, {"TARVOLIN_STANDIN_PROBE=ffprobe"});
    EXPECT_NE(viaFfprobe.Exit, 0);
    EXPECT_EQ(viaFfprobe.Output, lib.Output);
}

TEST_F(StandInProbe, FindsTheVideoAfterAudioAndNoneInAudioOnlyFiles) {
    TempDir dir;
    std::string audioFirst = dir.file("audio first.mkv");
    std::string audioOnly = dir.file("tone.m4a");
    ASSERT_EQ(Ffmpeg({"-i", Clip, "-map", "0:a", "-map", "0:v", "-c", "copy", audioFirst}).Exit, 0);
    ASSERT_EQ(Ffmpeg({"-i", Clip, "-map", "0:a", "-c", "copy", audioOnly}).Exit, 0);

    for (const char* backend : {"libs", "ffprobe"}) {
        SCOPED_TRACE(backend);
        std::vector<std::string> env = {std::string("TARVOLIN_STANDIN_PROBE=") + backend};
        ToolResult r = RunCaptured(EncoderStandInPath(), {"-i", audioFirst}, env);
        EXPECT_NE(r.Output.find("Stream #0.0: Audio: aac"), std::string::npos) << r.Output;
        EXPECT_EQ(ReadProbe(r.Output, audioFirst).Size, " 320x240") << r.Output;

        r = RunCaptured(EncoderStandInPath(), {"-i", audioOnly}, env);
        EXPECT_NE(r.Exit, 0);
        EXPECT_EQ(ReadProbe(r.Output, audioOnly).Duration, "00:00:05.00") << r.Output;
        EXPECT_EQ(r.Output.find("Video"), std::string::npos) << r.Output;
    }
}

TEST_F(StandInProbe, TellsWhereEachStreamEndsAndListsEachStreamOnce) {
    TempDir dir;
    for (const char* name : {"clip.mkv", "clip.ts"}) {
        SCOPED_TRACE(name);
        const std::string clip = dir.file(name);
        ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "testsrc=duration=2:size=160x120", "-f", "lavfi",
                          "-i", "sine=duration=1", "-c:v", "mpeg2video", "-c:a", "mp2", clip})
                      .Exit,
                  0);
        ToolResult lib = RunCaptured(EncoderStandInPath(), {"-i", clip});
        EXPECT_TRUE(std::regex_search(
            lib.Output,
            std::regex(R"(\n  Stream lengths: video 00:00:02\.\d\d, audio 00:00:01\.\d\d\n)")))
            << lib.Output;
        ToolResult viaFfprobe =
            RunCaptured(EncoderStandInPath(), {"-i", clip}, {"TARVOLIN_STANDIN_PROBE=ffprobe"});
        EXPECT_EQ(viaFfprobe.Output, lib.Output);
    }
}

TEST_F(StandInProbe, GivesThePictureSizeAsItIsSeen) {
    TempDir dir;
    // A phone's landscape sensor held upright: 320x180 stored, turned 90°.
    const std::string turned = dir.file("turned.mp4");
    ASSERT_EQ(MakeTestClip(turned, {320, 180, 0.2, "mpeg4", 90}).Exit, 0);
    ToolResult lib = ProbeBothWays(turned);
    EXPECT_EQ(ReadProbe(lib.Output, turned).Size, " 180x320") << lib.Output;
}

// Files whose header only estimates the length from a bit rate: the probe
// reads their packets for the true one, which is what a conversion gives.
TEST_F(StandInProbe, MeasuresALengthTheHeaderOnlyEstimates) {
    TempDir dir;
    // Elementary MPEG-1 video, as some cameras write .mpg: the header's bit
    // rate is a marker for "variable", which makes 5.4 s look like 0.01 s.
    const std::string camera = dir.file("camera.mpg");
    ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=5.4", "-c:v",
                      "mpeg1video", "-q:v", "4", "-f", "mpeg1video", camera})
                  .Exit,
              0);
    // An MP3 without a header of its own, 2 s at 32 kb/s and then 3 s at
    // 320 kb/s: its first frames make it 32 s long.
    const std::string song = dir.file("song.mp3");
    std::string bytes;
    for (auto [rate, seconds] : {std::pair{"32k", "2"}, std::pair{"320k", "3"}}) {
        const std::string part = dir.file(std::string("part") + rate + ".mp3");
        ASSERT_EQ(
            Ffmpeg({"-f", "lavfi", "-i", std::string("sine=duration=") + seconds, "-c:a",
                    "libmp3lame", "-b:a", rate, "-write_xing", "0", "-id3v2_version", "0", part})
                .Exit,
            0);
        bytes += ReadFileBytes(part);
    }
    WriteFileBytes(song, bytes);
    // Raw AAC has no header of its own either.
    const std::string raw = dir.file("voice.aac");
    ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "sine=duration=3", "-c:a", "aac", raw}).Exit, 0);

    struct Case {
        std::string Path;
        double Seconds;
        const char* Kind;
        bool Misstated;
    } cases[] = {
        {camera, 5.4, "video", true}, {song, 5.0, "audio", true}, {raw, 3.0, "audio", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        if (c.Misstated) {
            EXPECT_GT(std::abs(DurationOf(c.Path).value_or(0) - c.Seconds), 1.0);
        }
        ToolResult lib = ProbeBothWays(c.Path);
        const double probed = TimeToSeconds(ReadProbe(lib.Output, c.Path).Duration);
        EXPECT_NEAR(probed, c.Seconds, 0.1) << lib.Output;
        EXPECT_NE(lib.Output.find(std::string("Stream lengths: ") + c.Kind + " " +
                                  ReadProbe(lib.Output, c.Path).Duration + "\n"),
                  std::string::npos)
            << lib.Output;

        const std::string out = c.Path + ".mkv";
        const bool sound = std::string(c.Kind) == "audio";
        ToolResult r = RunCaptured(EncoderStandInPath(), {"-y", "-i", c.Path, sound ? "-vn" : "-an",
                                                          "-c:v", "mpeg4", "-c:a", "aac", out});
        EXPECT_EQ(r.Exit, 0) << r.Output;
        EXPECT_NEAR(DurationOf(out).value_or(0), probed, 0.1);
    }
}

TEST_F(StandInProbe, ReportsUnreadableInputLikeFfmpeg) {
    TempDir dir;
    std::string text = dir.file("notes, not a video.mp4");
    WriteFileBytes(text, "just some words, no pictures\n");
    std::string missing = dir.file("gone.mp4");
    for (const char* backend : {"libs", "ffprobe"}) {
        SCOPED_TRACE(backend);
        std::vector<std::string> env = {std::string("TARVOLIN_STANDIN_PROBE=") + backend};
        ToolResult r = RunCaptured(EncoderStandInPath(), {"-i", text}, env);
        EXPECT_NE(r.Exit, 0);
        EXPECT_NE(r.Output.find(text + ": Invalid data found when processing input"),
                  std::string::npos)
            << r.Output;
        EXPECT_EQ(r.Output.find("Duration"), std::string::npos);

        r = RunCaptured(EncoderStandInPath(), {"-i", missing}, env);
        EXPECT_NE(r.Exit, 0);
        EXPECT_NE(r.Output.find(missing + ": No such file or directory"), std::string::npos)
            << r.Output;
    }
}

TEST_F(StandInConvert, RangeGivesTheSameClipAndPrintsProgress) {
    TempDir dir;
    std::string out = dir.file("range.mkv");
    // Lossless video, so the frames can be compared with the source's.
    ToolResult r =
        RunCaptured(EncoderStandInPath(), {"-y", "-i", Clip, "-c:v", "ffv1", "-c:a", "pcm_s16le",
                                           "-ss", "00:00:01", "-t", "2", out});
    ASSERT_EQ(r.Exit, 0) << r.Output;
    std::vector<double> times = TimeReadings(r.Output);
    ASSERT_FALSE(times.empty()) << r.Output;
    EXPECT_NEAR(times.back(), 2.0, 0.1) << r.Output;
    auto duration = DurationOf(out);
    ASSERT_TRUE(duration);
    EXPECT_NEAR(*duration, 2.0, 0.1);

    // The input seek must not change which frames come out: the same as
    // cutting after decoding everything.
    auto frameHashes = [](const std::vector<std::string>& args) {
        ToolResult f = Ffmpeg(args);
        std::string hashes;
        size_t pos = 0;
        while (pos < f.Output.size()) {
            size_t nl = f.Output.find('\n', pos);
            std::string line = f.Output.substr(pos, nl - pos);
            pos = nl == std::string::npos ? f.Output.size() : nl + 1;
            if (!line.empty() && line[0] != '#') hashes += line.substr(line.rfind(',') + 1) + "\n";
        }
        return hashes;
    };
    std::string expected =
        frameHashes({"-i", Clip, "-ss", "1", "-t", "2", "-map", "0:v", "-f", "framemd5", "-"});
    std::string got = frameHashes({"-i", out, "-map", "0:v", "-f", "framemd5", "-"});
    EXPECT_EQ(std::count(got.begin(), got.end(), '\n'), 50);
    EXPECT_EQ(got, expected);
}

TEST_F(StandInConvert, PathsWithBlanksQuotesAndNonAsciiLettersPassWhole) {
    TempDir dir;
    std::string in = dir.file("in 'single' \"double\" Grüße, Video.mp4");
    std::string out = dir.file("out 'x' \"y\" видео ñ.mp4");
    fs::copy_file(Clip, in);
    ToolResult r = RunCaptured(EncoderStandInPath(), {"-y", "-i", in, "-c:v", "libx264", "-preset",
                                                      "ultrafast", "-c:a", "aac", "-t", "1", out});
    ASSERT_EQ(r.Exit, 0) << r.Output;
    EXPECT_NEAR(DurationOf(out).value_or(0), 1.0, 0.1);
    EXPECT_EQ(Ffprobe(out, "stream=width,height", "v"), "320,240\n");

    ToolResult probe = RunCaptured(EncoderStandInPath(), {"-i", in});
    EXPECT_NE(probe.Output.find("from '" + in + "':"), std::string::npos) << probe.Output;
    ProbeReading reading = ReadProbe(probe.Output, in);
    EXPECT_EQ(reading.Duration, "00:00:05.00");
    EXPECT_EQ(reading.Size, " 320x240");
}

TEST_F(StandInConvert, AudioWithACoverPictureHasNoPictureToConvert) {
    TempDir dir;
    std::string cover = dir.file("cover.png");
    std::string song = dir.file("song.mp3");
    ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "testsrc=size=64x64", "-frames:v", "1", cover}).Exit, 0);
    ToolResult made = Ffmpeg({"-f", "lavfi", "-i", "sine=sample_rate=44100", "-i", cover, "-t", "2",
                              "-map", "0:a", "-map", "1:v", "-c:a", "libmp3lame", "-c:v", "png",
                              "-disposition:v", "attached_pic", song});
    ASSERT_EQ(made.Exit, 0) << made.Output;

    for (const char* backend : {"libs", "ffprobe"}) {
        SCOPED_TRACE(backend);
        std::vector<std::string> env = {std::string("TARVOLIN_STANDIN_PROBE=") + backend};
        ToolResult probe = RunCaptured(EncoderStandInPath(), {"-i", song}, env);
        EXPECT_NE(probe.Output.find("Video: png, rgb24, 64x64, 90k fps (attached pic)\n"),
                  std::string::npos)
            << probe.Output;
        // The MP4 profile's kind of command line: the cover is no video, and
        // the last line says so.
        std::string out = dir.file(std::string("song ") + backend + ".mp4");
        ToolResult r = RunCaptured(EncoderStandInPath(),
                                   {"-y", "-i", song, "-c:v", "libx264", "-s", "fit1280x720", "-vf",
                                    "yadif", "-c:a", "aac", "-pix_fmt", "yuv420p", out},
                                   env);
        EXPECT_NE(r.Exit, 0);
        EXPECT_TRUE(r.Output.ends_with("\nsong.mp3 has no picture to convert.\n")) << r.Output;
        EXPECT_FALSE(fs::exists(out));
        // Without video it is its sound.
        r = RunCaptured(EncoderStandInPath(), {"-y", "-i", song, "-vn", "-c:a", "aac", out}, env);
        EXPECT_EQ(r.Exit, 0) << r.Output;
        EXPECT_EQ(Ffprobe(out, "stream=codec_type"), "audio\n");
        EXPECT_NEAR(DurationOf(out).value_or(0), 2.0, 0.1);
    }
    // A real video next to the cover still comes out as the video.
    std::string both = dir.file("both.mkv");
    ASSERT_EQ(Ffmpeg({"-i", Clip, "-i", cover, "-map", "0", "-map", "1", "-c", "copy",
                      "-disposition:v:1", "attached_pic", both})
                  .Exit,
              0);
    std::string out = dir.file("both.mp4");
    ToolResult r = RunCaptured(
        EncoderStandInPath(), {"-y", "-i", both, "-c:v", "libx264", "-c:a", "aac", "-t", "1", out});
    EXPECT_EQ(r.Exit, 0) << r.Output;
    EXPECT_EQ(Ffprobe(out, "stream=codec_type,width,height"), "video,320,240\naudio\n");
}

TEST_F(StandInConvert, OddSizesBecomeEvenOnlyWhereTheCodecNeedsIt) {
    TempDir dir;
    struct Case {
        const char* Codec;
        const char* Size;
        const char* Name;
        const char* Expected;
        bool Said;
    } cases[] = {{"libx264", "401x225", "a.mp4", "400,224\n", true},
                 {"libx264", "1x3", "b.mp4", "2,2\n", true},
                 {"libx264", "320x225", "c.mp4", "320,224\n", true},
                 {"wmv2", "175x145", "d.wmv", "174,144\n", true},
                 {"mpeg4", "401x225", "e.mp4", "401,225\n", false},
                 {"libx264", "400x224", "f.mp4", "400,224\n", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Codec) + " " + c.Size);
        std::string out = dir.file(c.Name);
        ToolResult r =
            RunCaptured(EncoderStandInPath(), {"-y", "-i", Clip, "-c:v", c.Codec, "-s", c.Size,
                                               "-pix_fmt", "yuv420p", "-an", "-t", "1", out});
        EXPECT_EQ(r.Exit, 0) << r.Output;
        EXPECT_EQ(Ffprobe(out, "stream=width,height", "v"), c.Expected);
        EXPECT_EQ(r.Output.find("rounded to") != std::string::npos, c.Said) << r.Output;
        EXPECT_EQ(r.Output.find("time"), r.Output.find("time=")) << "no other \"time\" in it";
    }
}

TEST_F(StandInConvert, NamesThatLookLikeProtocolsAreFiles) {
    TempDir dir;
    // Relative names, as only those can be taken for a protocol.
    struct InDir {
        fs::path Was = fs::current_path();
        explicit InDir(const fs::path& p) { fs::current_path(p); }
        ~InDir() { fs::current_path(Was); }
    } inDir(dir.path());
    fs::copy_file(Clip, dir.file("pipe:0.avi"));
    for (const char* backend : {"libs", "ffprobe"}) {
        SCOPED_TRACE(backend);
        std::vector<std::string> env = {std::string("TARVOLIN_STANDIN_PROBE=") + backend};
        ToolResult probe = RunCaptured(EncoderStandInPath(), {"-i", "pipe:0.avi"}, env);
        EXPECT_EQ(ReadProbe(probe.Output, "pipe:0.avi").Size, " 320x240") << probe.Output;
        ToolResult r =
            RunCaptured(EncoderStandInPath(),
                        {"-y", "-i", "pipe:0.avi", "-c:v", "mpeg4", "-t", "1", "pipe:1.mp4"}, env);
        EXPECT_EQ(r.Exit, 0) << r.Output;
        EXPECT_EQ(Ffprobe(dir.file("pipe:1.mp4"), "stream=width,height", "v"), "320,240\n");
        fs::remove(dir.file("pipe:1.mp4"));
    }
}

TEST_F(StandInConvert, FfmpegFailuresShowAndFail) {
    TempDir dir;
    ToolResult r = RunCaptured(EncoderStandInPath(),
                               {"-y", "-i", Clip, "-c:v", "no_such_encoder", dir.file("x.mp4")});
    EXPECT_NE(r.Exit, 0);
    EXPECT_NE(r.Output.find("no_such_encoder"), std::string::npos) << r.Output;

    std::string missing = dir.file("missing.mp4");
    r = RunCaptured(EncoderStandInPath(), {"-y", "-i", missing, dir.file("y.mp4")});
    EXPECT_NE(r.Exit, 0);
    EXPECT_NE(r.Output.find("No such file or directory"), std::string::npos) << r.Output;
    EXPECT_FALSE(fs::exists(dir.file("y.mp4")));
}

// Starts a conversion slowed to real time, waits until it has written about
// a second, then stops it as stop says. Returns the milliseconds from the
// stop until the stand-in had ended and nothing of its group lived.
enum class StopBy { GroupTerminate, StandInTerminate, StandInKill };
long StopMidway(const std::string& clip, const std::string& out, StopBy how, int& exitCode) {
    StartedTool c =
        StartTool(EncoderStandInPath(), {"-y", "-i", clip, "-vf", "realtime", "-c:v", "libx264",
                                         "-preset", "ultrafast", "-c:a", "aac", out});
    EXPECT_GT(c.Pid, 0);
    std::string output;
    char buf[4096];
    auto giveUp = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < giveUp) {
        std::vector<double> times = TimeReadings(output);
        if (!times.empty() && times.back() >= 1.0) break;
        pollfd p{c.Fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        ssize_t n = read(c.Fd, buf, sizeof buf);
        if (n <= 0) break;
        output.append(buf, static_cast<size_t>(n));
    }
    EXPECT_GE(TimeReadings(output).size(), 3u) << output;
    pid_t ffmpeg = 0;
    for (const ProcessEntry& p : LiveProcesses())
        if (p.Parent == c.Pid) ffmpeg = p.Pid;
    EXPECT_GT(ffmpeg, 0) << "ffmpeg runs under the stand-in";

    auto stopped = Clock::now();
    switch (how) {
    case StopBy::GroupTerminate:
        kill(-c.Pid, SIGTERM);
        break;
    case StopBy::StandInTerminate:
        kill(c.Pid, SIGTERM);
        break;
    case StopBy::StandInKill:
        kill(c.Pid, SIGKILL);
        break;
    }
    EXPECT_TRUE(ReadUntilEnd(c.Fd, output, stopped + std::chrono::seconds(5)));
    close(c.Fd);
    exitCode = WaitExit(c.Pid);
    while (!Survivors(c.Pid, ffmpeg).empty() && Clock::now() < stopped + std::chrono::seconds(5))
        std::this_thread::sleep_for(milliseconds(5));
    long ms =
        static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - stopped).count());
    std::vector<std::string> left = Survivors(c.Pid, ffmpeg);
    EXPECT_TRUE(left.empty()) << left.front();
    // An ffmpeg orphaned by a killed stand-in was handed to this process
    // (subreaper): reap it so that nothing stays behind.
    while (ffmpeg > 0 && waitpid(ffmpeg, nullptr, WNOHANG) == 0 &&
           Clock::now() < stopped + std::chrono::seconds(5))
        std::this_thread::sleep_for(milliseconds(5));
    return ms;
}

TEST_F(StandInStop, TerminatingTheGroupEndsAtOnceWithAPlayableFile) {
    TempDir dir;
    for (const char* name : {"part.mp4", "part.mkv"}) {
        SCOPED_TRACE(name);
        std::string out = dir.file(name);
        int exitCode = 0;
        long ms = StopMidway(Clip, out, StopBy::GroupTerminate, exitCode);
        EXPECT_LT(ms, 1000);
        EXPECT_NE(exitCode, 0) << "a stopped conversion is no success";
        auto duration = DurationOf(out);
        ASSERT_TRUE(duration) << "ffprobe cannot read the partial " << name;
        EXPECT_GT(*duration, 0.5);
        EXPECT_LT(*duration, 4.5);
    }
}

TEST_F(StandInStop, TerminatingOnlyTheStandInIsPassedOnToFfmpeg) {
    TempDir dir;
    std::string out = dir.file("part.mp4");
    int exitCode = 0;
    EXPECT_LT(StopMidway(Clip, out, StopBy::StandInTerminate, exitCode), 1000);
    EXPECT_NE(exitCode, 0);
    EXPECT_GT(DurationOf(out).value_or(0), 0.5);
}

TEST_F(StandInStop, KillingTheStandInTakesFfmpegAlong) {
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    TempDir dir;
    int exitCode = 0;
    EXPECT_LT(StopMidway(Clip, dir.file("part.mp4"), StopBy::StandInKill, exitCode), 1000);
    EXPECT_EQ(exitCode, 128 + SIGKILL);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// The program side (here a forked copy of this test, starting the stand-in
// as the program does) dies by SIGKILL in the middle of a conversion: the
// stand-in and its ffmpeg go with it.
TEST_F(StandInStop, KillingTheProgramTakesTheStandInAndFfmpegAlong) {
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    TempDir dir;
    int report[2];
    ASSERT_EQ(pipe2(report, O_CLOEXEC), 0);
    pid_t program = fork();
    if (program == 0) {
        ChildProcess encoder;
        CommandLine c;
        c.Args = {"-y",   "-i",      Clip,      "-vf",       "realtime",
                  "-c:v", "libx264", "-preset", "ultrafast", dir.file("part.mp4")};
        if (encoder.Start(EncoderStandInPath(), c) != ChildProcess::StartError::None) _exit(1);
        pid_t pid = 0;
        for (const ProcessEntry& p : LiveProcesses())
            if (p.Name == "wmaspi.dll" && p.Parent == getpid()) pid = p.Pid;
        ssize_t ignored = write(report[1], &pid, sizeof pid);
        (void)ignored;
        for (;;)
            pause();
    }
    close(report[1]);
    pid_t standIn = 0;
    ASSERT_EQ(read(report[0], &standIn, sizeof standIn), static_cast<ssize_t>(sizeof standIn));
    close(report[0]);
    ASSERT_GT(standIn, 0);
    pid_t ffmpeg = 0;
    for (auto giveUp = Clock::now() + std::chrono::seconds(10); !ffmpeg && Clock::now() < giveUp;
         std::this_thread::sleep_for(milliseconds(10)))
        for (const ProcessEntry& p : LiveProcesses())
            if (p.Parent == standIn) ffmpeg = p.Pid;
    EXPECT_GT(ffmpeg, 0);

    kill(program, SIGKILL);
    WaitExit(program);
    auto killed = Clock::now();
    auto alive = [&] {
        // Orphans come to this process (subreaper): reap what has ended.
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        return !Survivors(standIn, ffmpeg).empty();
    };
    while (alive() && Clock::now() < killed + std::chrono::seconds(5))
        std::this_thread::sleep_for(milliseconds(5));
    if (alive()) {
        ADD_FAILURE() << "left running: " << Survivors(standIn, ffmpeg).front();
        kill(standIn, SIGKILL);
        kill(ffmpeg, SIGKILL);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// A tool that ignores a stop and makes no progress is killed 2 s after the
// stop. A pause of the stand-in meanwhile stops the tool with it, and the
// pause does not count: the kill comes when the tool has made no progress
// for 2 s of the time the stand-in was not paused.
TEST_F(StandInTools, APauseWhileTheToolFinishesDoesNotCountAgainstIt) {
    TempDir dir;
    fs::create_directories(dir.path() / "bin");
    const std::string copy = dir.file("bin/wmaspi.dll");
    fs::copy_file(EncoderStandInPath(), copy);
    const std::string fake = dir.file("bin/ffmpeg");
    WriteFileBytes(fake, "#!/bin/sh\ntrap '' TERM\n"
                         "printf 'out_time_us=500000\\nprogress=continue\\n'\n"
                         "exec sleep 1000\n");
    fs::permissions(fake, fs::perms::owner_all);
    StartedTool c = StartTool(copy, {"-y", "-i", Clip, dir.file("out.mp4")});
    ASSERT_GT(c.Pid, 0);
    std::string output;
    char buf[4096];
    for (auto giveUp = Clock::now() + std::chrono::seconds(10);
         TimeReadings(output).empty() && Clock::now() < giveUp;) {
        pollfd p{c.Fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        ssize_t n = read(c.Fd, buf, sizeof buf);
        if (n <= 0) break;
        output.append(buf, static_cast<size_t>(n));
    }
    ASSERT_FALSE(TimeReadings(output).empty()) << output;

    // Paused once it has been seen making no progress for a while.
    kill(c.Pid, SIGTERM);
    std::this_thread::sleep_for(milliseconds(600));
    kill(c.Pid, SIGTSTP);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::string states;
    for (const ProcessEntry& p : LiveProcesses())
        if (p.Pid == c.Pid || p.Parent == c.Pid) states += p.State;
    EXPECT_EQ(states, "TT") << "the stand-in and its tool are stopped";

    kill(c.Pid, SIGCONT);
    const auto resumed = Clock::now();
    EXPECT_TRUE(ReadUntilEnd(c.Fd, output, resumed + std::chrono::seconds(10)));
    close(c.Fd);
    EXPECT_EQ(WaitExit(c.Pid), 128 + SIGKILL);
    const auto ms = std::chrono::duration_cast<milliseconds>(Clock::now() - resumed).count();
    EXPECT_GT(ms, 1000);
    EXPECT_LT(ms, 5000);
}

TEST_F(StandInTools, MissingFfmpegIsReported) {
    TempDir dir;
    fs::create_directories(dir.path() / "bin");
    fs::create_directories(dir.path() / "empty");
    std::string copy = dir.file("bin/wmaspi.dll");
    fs::copy_file(EncoderStandInPath(), copy);
    std::string path = "PATH=" + dir.file("empty");

    ToolResult r = RunCaptured(copy, {"-y", "-i", Clip, dir.file("out.mp4")}, {path});
    EXPECT_NE(r.Exit, 0);
    EXPECT_NE(r.Output.find("wmaspi: ffmpeg not found next to the encoder or on PATH"),
              std::string::npos)
        << r.Output;
    EXPECT_FALSE(fs::exists(dir.file("out.mp4")));

    r = RunCaptured(copy, {"-i", Clip}, {path, "TARVOLIN_STANDIN_PROBE=ffprobe"});
    EXPECT_NE(r.Exit, 0);
    EXPECT_NE(r.Output.find("wmaspi: ffprobe not found next to the encoder or on PATH"),
              std::string::npos)
        << r.Output;
}

TEST_F(StandInTools, FfmpegNextToTheStandInComesFirstAndGetsTheSeekBeforeTheInput) {
    TempDir dir;
    fs::create_directories(dir.path() / "bin");
    std::string copy = dir.file("bin/wmaspi.dll");
    fs::copy_file(EncoderStandInPath(), copy);
    // A stand-in for ffmpeg that shows its arguments, reports progress and
    // fails with a status of its own.
    std::string fake = dir.file("bin/ffmpeg");
    WriteFileBytes(fake, "#!/bin/sh\n"
                         "for a in \"$@\"; do printf '<%s>' \"$a\" >&2; done; echo >&2\n"
                         "printf 'frame=7\\nout_time_us=1500000\\nprogress=end\\n'\n"
                         "exit 3\n");
    fs::permissions(fake, fs::perms::owner_all);

    std::string in = "a b.mp4";
    ToolResult r = RunCaptured(
        copy, {"-y", "-i", in, "-b:v", "1M", "-ss", "00:00:02.5", "-t", "3", "c d.mp4"});
    EXPECT_EQ(r.Exit, 3) << r.Output;
    EXPECT_NE(r.Output.find("<-y><-ss><00:00:02.5><-i><file:a b.mp4><-b:v><1M><-t><3>"
                            "<-map><0:V:0><-map><0:a:0?><file:c d.mp4>"),
              std::string::npos)
        << r.Output;
    EXPECT_NE(r.Output.find("<-nostdin>"), std::string::npos);
    EXPECT_NE(r.Output.find("frame=    7 "), std::string::npos) << r.Output;
    EXPECT_EQ(TimeReadings(r.Output), std::vector<double>{1.5}) << r.Output;
}

} // namespace
