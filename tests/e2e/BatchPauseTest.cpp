// A batch paused and resumed through the batch driver, run from a plain loop
// with the real stand-in and ffmpeg on a generated clip: while paused, the
// encoder's processes are stopped, use no processor time and convert
// nothing (the muxer holds the first seconds of an MP4 in its buffers, so
// the encoder's readings tell how far it got, not the file's size); after
// Resume they go on, and the batch completes with a file of the clip's
// length.
#include "TestProcesses.h"
#include "TestSupport.h"
#include "engine/BatchDriver.h"
#include "engine/EncoderProber.h"
#include "platform/FileSystem.h"
#include "profiles/Profile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Recorder : Prompter, ShellActions, PowerControl, BatchObserver {
    std::vector<std::string> Messages;
    std::vector<BatchSnapshot> Seen;
    bool PoweredOff = false;
    MsgResult Message(const std::string& text, const std::string&, MsgIcon, MsgButtons) override {
        Messages.push_back(text);
        return MsgResult::Ok;
    }
    void Open(const std::string&) override {}
    void PowerOff() override { PoweredOff = true; }
    void BatchChanged(const BatchSnapshot& s) override { Seen.push_back(s); }
};

// The processor time a process has used, in clock ticks, from /proc.
long long CpuTicks(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(stat.substr(close + 2));
    std::string field;
    long long user = 0, system = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) user = std::stoll(field);
        if (i == 15) system = std::stoll(field);
    }
    return user + system;
}

double OwnCpuSeconds() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// The stand-in this process started and the ffmpeg it started in turn.
struct Encoders {
    ProcessEntry StandIn, Ffmpeg;
};
Encoders FindEncoders() {
    Encoders found;
    const std::vector<ProcessEntry> all = LiveProcesses();
    for (const ProcessEntry& p : all)
        if (p.Parent == getpid() && p.Name == "wmaspi.dll") found.StandIn = p;
    for (const ProcessEntry& p : all)
        if (found.StandIn.Pid != 0 && p.Parent == found.StandIn.Pid) found.Ffmpeg = p;
    return found;
}

TEST(BatchPause, PausedEncodersUseNoProcessorTimeAndTheBatchCompletesAfterResume) {
    ASSERT_FALSE(FindProgram("", "ffmpeg").empty()) << "ffmpeg is needed";
    TempDir dir;
    const std::string clip = dir.file("clip.mp4");
    ToolResult made = MakeTestClip(clip, {320, 240, 6, "mpeg4"});
    ASSERT_EQ(made.Exit, 0) << made.Output;
    fs::create_directories(dir.path() / "out");

    // The realtime filter holds the conversion to the clip's pace, so that
    // the pause surely comes while it runs.
    BatchSettings settings;
    ParamSheet video, audio, advanced;
    settings.Sheets = SheetSet{&video, &audio, &advanced};
    settings.OutputDir = dir.file("out");
    settings.OutputExtension = ".mp4";
    settings.General.AutoOpenDir = false;
    settings.ProfileFile = dir.file("slow.apf");
    WriteFileBytes(settings.ProfileFile,
                   "[Main]\r\nType=mp4\r\nPara=2\r\n0=Filter\r\n1=Codec\r\n"
                   "[Filter]\r\nSort=1\r\nReadOnly=1\r\nList=0\r\ncmd=-vf\r\nValue=realtime\r\n"
                   "[Codec]\r\nSort=1\r\nReadOnly=1\r\nList=0\r\ncmd=-c:v\r\nValue=libx264\r\n");
    LoadProfile(settings.ProfileFile, settings.Sheets, nullptr);

    TaskQueue tasks;
    const TaskId id = tasks.AddFiles({clip}, ".mp4").front();
    EncoderRunner prober(EncoderStandInPath());
    ASSERT_TRUE(tasks.ApplyProbe(id, EncoderProber(prober).ProbeMedia(clip)));
    const std::string output = dir.file("out/clip.mp4");

    Recorder desktop;
    EncoderRunSet encoders(EncoderStandInPath());
    std::unique_ptr<BatchDriver> driver;
    BatchServices services;
    services.Tasks = &tasks;
    services.Observer = &desktop;
    services.Settings = &settings;
    services.Prompt = &desktop;
    services.Shell = &desktop;
    services.Power = &desktop;
    services.Encoder = &encoders;

    // What is seen 0.3 s into the pause and 2 s later, and after Resume.
    enum class Phase { Converting, Paused, Measured, Resumed } phase = Phase::Converting;
    Clock::time_point at;
    Encoders first, second;
    long long cpuStandIn[2] = {-1, -1}, cpuFfmpeg[2] = {-1, -1};
    int percent[3] = {-1, -1, -1};
    double ownCpu[2] = {0, 0};
    TaskState stateWhilePaused = TaskState::Ready;
    bool timerWhilePaused = true;
    services.Pump = [&] {
        const auto since = Clock::now() - at;
        switch (phase) {
        case Phase::Converting:
            if (tasks.At(0).Percent < 20) return;
            driver->Pause();
            phase = Phase::Paused;
            at = Clock::now();
            return;
        case Phase::Paused:
            if (since < std::chrono::milliseconds(300)) return;
            first = FindEncoders();
            cpuStandIn[0] = CpuTicks(first.StandIn.Pid);
            cpuFfmpeg[0] = CpuTicks(first.Ffmpeg.Pid);
            percent[0] = tasks.At(0).Percent;
            ownCpu[0] = OwnCpuSeconds();
            stateWhilePaused = tasks.At(0).State;
            timerWhilePaused = driver->Snapshot().TimerRunning;
            phase = Phase::Measured;
            at = Clock::now();
            return;
        case Phase::Measured:
            if (since < std::chrono::seconds(2)) return;
            second = FindEncoders();
            cpuStandIn[1] = CpuTicks(second.StandIn.Pid);
            cpuFfmpeg[1] = CpuTicks(second.Ffmpeg.Pid);
            percent[1] = tasks.At(0).Percent;
            ownCpu[1] = OwnCpuSeconds();
            driver->Resume();
            phase = Phase::Resumed;
            at = Clock::now();
            return;
        case Phase::Resumed:
            if (percent[2] < 0 && since > std::chrono::milliseconds(1500))
                percent[2] = tasks.At(0).Percent;
            return;
        }
    };
    driver = std::make_unique<BatchDriver>(std::move(services));

    EXPECT_EQ(driver->tbtnStartClick(), StartOutcome::Converted);

    ASSERT_EQ(phase, Phase::Resumed);
    ASSERT_NE(first.StandIn.Pid, 0);
    ASSERT_NE(first.Ffmpeg.Pid, 0);
    EXPECT_EQ(first.Ffmpeg.Name, "ffmpeg");
    for (const Encoders& seen : {first, second}) {
        EXPECT_EQ(seen.StandIn.State, 'T');
        EXPECT_EQ(seen.Ffmpeg.State, 'T');
    }
    EXPECT_EQ(cpuStandIn[1], cpuStandIn[0]);
    EXPECT_EQ(cpuFfmpeg[1], cpuFfmpeg[0]);
    EXPECT_EQ(percent[1], percent[0]);
    EXPECT_EQ(stateWhilePaused, TaskState::Paused);
    EXPECT_FALSE(timerWhilePaused);
    EXPECT_GT(percent[2], percent[1]) << "the conversion goes on after Resume";
    RecordProperty("OwnCpuMsOver2sPaused", static_cast<int>((ownCpu[1] - ownCpu[0]) * 1000));
    std::printf("paused 2 s: stand-in %lld ticks, ffmpeg %lld ticks, this program %.0f ms\n",
                cpuStandIn[1] - cpuStandIn[0], cpuFfmpeg[1] - cpuFfmpeg[0],
                (ownCpu[1] - ownCpu[0]) * 1000);

    EXPECT_EQ(tasks.At(0).State, TaskState::Complete) << tasks.At(0).Reason;
    ASSERT_FALSE(desktop.Messages.empty());
    EXPECT_EQ(desktop.Messages.back(), "The coversion is completed successfully.");
    ToolResult probe = RunCaptured(
        "ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", output});
    EXPECT_NEAR(std::atof(probe.Output.c_str()), 6.0, 0.2) << probe.Output;
    EXPECT_FALSE(desktop.PoweredOff);
}

} // namespace
