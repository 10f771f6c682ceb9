// The runner and the prober against the small fake encoder of the tests.
#include "engine/Runner.h"
#include "TestSupport.h"
#include "engine/EncoderProber.h"
#include "engine/Invocation.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#endif

#ifdef TARVOLIN_FAKE_ENCODER

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

CommandLine Words(std::vector<std::string> args) {
    CommandLine c;
    for (const std::string& a : args)
        c.Text += " \"" + a + "\"";
    c.Args = std::move(args);
    return c;
}

struct Collected {
    std::vector<std::string> Chunks;
    std::string All() const {
        std::string s;
        for (const std::string& c : Chunks)
            s += c;
        return s;
    }
};

ChunkConsumer CollectInto(Collected& c) {
    return [&c](std::string_view chunk) { c.Chunks.emplace_back(chunk); };
}

class RunnerTest : public ::testing::Test {
protected:
    EncoderRunner Runner{TARVOLIN_FAKE_ENCODER};
    Collected Out;
};

TEST_F(RunnerTest, DeliversTheWholeOutputInOrderInReadsOfAtMost4095Bytes) {
    RunOutcome r = Runner.RunEncoder(Words({"bytes", "100000", "chunks", "5", "line\\n"}),
                                     MessagePump(), CollectInto(Out));
    ASSERT_TRUE(r.Started);
    std::string expected;
    for (int k = 0; k < 100000; ++k)
        expected += static_cast<char>('a' + k % 26);
    expected += "line\nline\nline\nline\nline\n";
    EXPECT_EQ(Out.All(), expected);
    EXPECT_GE(Out.Chunks.size(), 25u);
    for (const std::string& c : Out.Chunks)
        EXPECT_LE(c.size(), 4095u);
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(r.Succeeded());
}

TEST_F(RunnerTest, OutputAndErrorShareOnePipeAndTheExitStatusIsReported) {
    RunOutcome r = Runner.RunEncoder(
        Words({"print", "frame=  1 time=0.04 bitrate=1k\\r", "stderr", "Unknown encoder 'x'\\n",
               "print", "frame=  2 time=0.08 bitrate=1k\\r\\n", "exit", "3"}),
        MessagePump(), CollectInto(Out));
    ASSERT_TRUE(r.Started);
    EXPECT_NE(Out.All().find("Unknown encoder 'x'"), std::string::npos);
    EXPECT_NE(Out.All().find("time=0.08"), std::string::npos);
    EXPECT_EQ(r.ExitCode, 3);
    EXPECT_FALSE(r.Terminated);
    EXPECT_FALSE(r.Succeeded());
    // The reason shown for the failure skips the progress lines after it.
    EXPECT_EQ(r.LastErrorLine, "Unknown encoder 'x'");
    EXPECT_DOUBLE_EQ(r.LastReading, 0.08);
}

TEST_F(RunnerTest, TheLastLineCountsEvenWithoutALineEnd) {
    RunOutcome r = Runner.RunEncoder(
        Words({"print", "Error opening first\\nOutput #0, to 'a.mp4':\\nsecond error  ", "exit",
               "1"}),
        MessagePump(), CollectInto(Out));
    EXPECT_EQ(r.LastErrorLine, "second error");
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.LastReading, -1);
}

TEST(IsErrorLine, BannersMetadataAndProgressAreNoReasons) {
    for (const char* line : {"Output #0, to '/out/clip error.mp4':", "  Duration: 00:00:05.00",
                             "    title           : Invalid",
                             "Exiting normally, received signal 15.", "frame=  250 time=10.00"})
        EXPECT_FALSE(IsErrorLine(line)) << line;
    for (const char* line : {"clip.mp4: Invalid data found when processing input",
                             "Encoder (codec none) not found for output stream #0:0",
                             "[libx264 @ 0x5] width not divisible by 2", "Conversion failed!",
                             "file:/media/card/clip.mp4: Read-only file system",
                             "song.mp3 has no picture to convert."})
        EXPECT_TRUE(IsErrorLine(line)) << line;
}

TEST_F(RunnerTest, AMissingEncoderIsNotStarted) {
    TempDir dir;
    EncoderRunner missing(dir.file("wmaspi.dll"));
    bool pumped = false;
    RunOutcome r = missing.RunEncoder(
        Words({"print", "x"}), [&] { pumped = true; }, CollectInto(Out));
    EXPECT_FALSE(r.Started);
    EXPECT_EQ(r.StartError, "Error on CreateProcess()");
    EXPECT_TRUE(Out.Chunks.empty());
    EXPECT_FALSE(r.Succeeded());
    // A directory is no program either.
    EncoderRunner directory(dir.path().string());
    EXPECT_FALSE(directory.RunEncoder(Words({}), MessagePump(), CollectInto(Out)).Started);
#ifndef _WIN32
    // Nor a file that may not be run.
    WriteFileBytes(dir.file("plain.dll"), "#!/bin/sh\necho hi\n");
    EncoderRunner plain(dir.file("plain.dll"));
    RunOutcome p = plain.RunEncoder(Words({}), MessagePump(), CollectInto(Out));
    EXPECT_FALSE(p.Started);
    EXPECT_EQ(p.StartError, "Error on CreateProcess()");
#endif
}

TEST_F(RunnerTest, AHungEncoderDoesNotStopThePumpAndStopEndsItAtOnce) {
    std::vector<Clock::time_point> pumps;
    Clock::time_point stopAt{};
    auto begin = Clock::now();
    RunOutcome r = Runner.RunEncoder(
        Words({"print", "started\\n", "hang"}),
        [&] {
            pumps.push_back(Clock::now());
            if (stopAt == Clock::time_point{} && MsSince(begin) >= 400) {
                stopAt = Clock::now();
                Runner.TerminateEncoder();
            }
        },
        CollectInto(Out));
    ASSERT_TRUE(r.Started);
    EXPECT_TRUE(r.Terminated);
    EXPECT_FALSE(r.TimedOut);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_EQ(Out.All(), "started\n");
    // The encoder ends on the terminate itself, not on the later kill.
    EXPECT_LT(MsSince(stopAt), 1500);
    // Pumped between short waits all along, though nothing arrived.
    ASSERT_GE(pumps.size(), 5u);
    long long longestGap = 0;
    for (size_t k = 1; k < pumps.size(); ++k)
        longestGap = std::max<long long>(
            longestGap,
            std::chrono::duration_cast<std::chrono::milliseconds>(pumps[k] - pumps[k - 1]).count());
    EXPECT_LT(longestGap, 300);
}

TEST_F(RunnerTest, TerminateOutsideARunIsHarmless) {
    Runner.TerminateEncoder(); // before any run
    RunOutcome first =
        Runner.RunEncoder(Words({"print", "one", "exit", "0"}), MessagePump(), CollectInto(Out));
    EXPECT_TRUE(first.Succeeded());
    Runner.TerminateEncoder(); // after the run, as the driver does after every task
    Runner.TerminateEncoder();
    RunOutcome second =
        Runner.RunEncoder(Words({"print", "two", "exit", "0"}), MessagePump(), CollectInto(Out));
    EXPECT_TRUE(second.Succeeded());
    EXPECT_FALSE(second.Terminated);
    EXPECT_EQ(Out.All(), "onetwo");
}

TEST(EncoderRunSet, ReadsSeveralEncodersWithoutWaitingForASilentOne) {
    EncoderRunSet runs(TARVOLIN_FAKE_ENCODER);
    Collected silent, talking;
    const int hung = runs.StartRun(Words({"print", "started\\n", "hang"}), CollectInto(silent)).Id;
    const int busy =
        runs.StartRun(Words({"chunks", "3", "x", "exit", "2"}), CollectInto(talking)).Id;
    ASSERT_TRUE(hung != 0 && busy != 0 && hung != busy);
    std::vector<RunningEncoders::Ended> ended;
    auto pollUntilOneEnds = [&] {
        const auto begin = Clock::now();
        while (ended.empty() && MsSince(begin) < 5000)
            ended = runs.Poll(20);
    };
    pollUntilOneEnds();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].Id, busy);
    EXPECT_EQ(ended[0].Outcome.ExitCode, 2);
    EXPECT_EQ(talking.All(), "xxx");
    EXPECT_EQ(silent.All(), "started\n");
    EXPECT_EQ(runs.Count(), 1);

    // Stop reaches the one left.
    runs.TerminateEncoder();
    ended.clear();
    pollUntilOneEnds();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].Id, hung);
    EXPECT_TRUE(ended[0].Outcome.Terminated);
    EXPECT_EQ(runs.Count(), 0);
}

// A paused run prints nothing, and its time limit waits with it: after the
// pause it goes on where it was, and a Stop while paused ends it at once.
TEST(EncoderRunSet, APausedRunPrintsNothingAndItsTimeLimitWaits) {
    EncoderRunSet runs(TARVOLIN_FAKE_ENCODER);
    Collected out, stopped;
    // 40 chunks 20 ms apart: under a second of work, within the 2 s limit
    // unless the pause counted.
    ASSERT_NE(runs.StartRun(Words({"chunks", "40", "x", "exit", "0"}), CollectInto(out), 2000).Id,
              0);
    const int hung = runs.StartRun(Words({"print", "go", "hang"}), CollectInto(stopped)).Id;
    std::vector<RunningEncoders::Ended> ended;
    auto pollFor = [&](long long ms) {
        for (const auto begin = Clock::now(); MsSince(begin) < ms;)
            for (RunningEncoders::Ended& e : runs.Poll(20))
                ended.push_back(std::move(e));
    };
    for (const auto begin = Clock::now(); out.Chunks.size() < 5 && MsSince(begin) < 5000;)
        runs.Poll(20);
    runs.Suspend();
    pollFor(200); // what was on its way
    const size_t atPause = out.Chunks.size();
    pollFor(2500);
    EXPECT_EQ(out.Chunks.size(), atPause);
    EXPECT_TRUE(ended.empty());

    runs.Resume();
    for (const auto begin = Clock::now(); ended.empty() && MsSince(begin) < 5000;)
        pollFor(20);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(ended[0].Outcome.TimedOut);
    EXPECT_EQ(ended[0].Outcome.ExitCode, 0);
    EXPECT_EQ(out.All(), std::string(40, 'x'));

    runs.Suspend();
    const auto stopAt = Clock::now();
    runs.TerminateEncoder();
    ended.clear();
    for (const auto begin = Clock::now(); ended.empty() && MsSince(begin) < 5000;)
        pollFor(20);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].Id, hung);
    EXPECT_TRUE(ended[0].Outcome.Terminated);
    EXPECT_LT(MsSince(stopAt), 1500);
}

TEST_F(RunnerTest, ATimeLimitEndsAProbeAndKeepsWhatWasRead) {
    auto begin = Clock::now();
    RunOutcome r = Runner.RunEncoder(Words({"print", "partial", "hang"}), MessagePump(),
                                     CollectInto(Out), 300);
    ASSERT_TRUE(r.Started);
    EXPECT_TRUE(r.TimedOut);
    EXPECT_TRUE(r.Terminated);
    EXPECT_EQ(Out.All(), "partial");
    EXPECT_GE(MsSince(begin), 290);
}

TEST_F(RunnerTest, PathsAndQuotedOptionsArriveAsSingleArguments) {
    ltvItemData task;
#ifdef _WIN32
    task.InputFile = "in dir\\a  b.avi";
    const std::string output = "out dir\\c d.mp4";
#else
    task.InputFile = "in dir/a \"q\" \xC3\xBC  b.avi";
    const std::string output = "out dir/it's \xC3\xA9\t\"x\".mp4";
#endif
    task.StartSec = 10;
    task.StartTime = "00:00:10";
    task.ClipLengthSec = 5;
    task.LengthSec = 20;
    CommandLine c =
        EncoderCommandLine(task, " echoargs -metadata \"title=a b\" -vf  scale=320:240", output);
    RunOutcome r = Runner.RunEncoder(c, MessagePump(), CollectInto(Out));
    ASSERT_TRUE(r.Started);
    EXPECT_EQ(Out.All(), "[-y]\n[-i]\n[" + task.InputFile +
                             "]\n[echoargs]\n[-metadata]\n[title=a b]\n[-vf]\n[scale=320:240]\n"
                             "[-ss]\n[00:00:10]\n[-t]\n[5]\n[" +
                             output + "]\n");
}

#ifndef _WIN32
TEST_F(RunnerTest, StopReachesWhatTheEncoderStartedAndAnEncoderIgnoringItIsKilled) {
    // A helper process that keeps the pipe open would make the run wait
    // forever if the terminate reached the encoder alone.
    RunOutcome r = Runner.RunEncoder(
        Words({"spawnhang", "print", "go", "hang"}),
        [&] {
            if (!Out.Chunks.empty()) Runner.TerminateEncoder();
        },
        CollectInto(Out), 20000);
    EXPECT_TRUE(r.Terminated);
    EXPECT_FALSE(r.TimedOut);

    Out.Chunks.clear();
    auto begin = Clock::now();
    RunOutcome k = Runner.RunEncoder(
        Words({"ignoreterm", "print", "go", "hang"}),
        [&] {
            if (!Out.Chunks.empty()) Runner.TerminateEncoder();
        },
        CollectInto(Out), 20000);
    EXPECT_TRUE(k.Terminated);
    EXPECT_FALSE(k.TimedOut);
    EXPECT_EQ(k.ExitCode, -1);
    EXPECT_GE(MsSince(begin), 1900); // the kill follows the ignored terminate

    // One that goes on printing is finishing its file: it is waited for.
    Out.Chunks.clear();
    RunOutcome f = Runner.RunEncoder(
        Words({"ignoreterm", "print", "go", "chunks", "150", ".", "exit", "0"}),
        [&] {
            if (!Out.Chunks.empty()) Runner.TerminateEncoder();
        },
        CollectInto(Out), 20000);
    EXPECT_TRUE(f.Terminated);
    EXPECT_EQ(f.ExitCode, 0);
}

TEST_F(RunnerTest, WorksWhenTheProgramHasNoStandardHandles) {
    // Started from a launcher that closed them, the program's pipes get the
    // numbers 1 and 2 themselves.
    std::fflush(stdout);
    std::fflush(stderr);
    int savedOut = ::dup(1), savedErr = ::dup(2);
    ::close(1);
    ::close(2);
    RunOutcome r = Runner.RunEncoder(Words({"print", "out ", "stderr", "err", "exit", "5"}),
                                     MessagePump(), CollectInto(Out));
    EncoderRunner missing("/nonexistent/wmaspi.dll");
    RunOutcome m = missing.RunEncoder(Words({}), MessagePump(), CollectInto(Out));
    ::dup2(savedOut, 1);
    ::dup2(savedErr, 2);
    ::close(savedOut);
    ::close(savedErr);
    EXPECT_EQ(Out.All(), "out err");
    EXPECT_EQ(r.ExitCode, 5);
    EXPECT_EQ(m.StartError, "Error on CreateProcess()");
}

// Everything a started child writes into the pipe, up to its end.
std::string ReadToEnd(ChildProcess& child) {
    std::string all;
    char buf[4096];
    size_t got = 0;
    ChildProcess::ReadStatus status;
    while ((status = child.Read(buf, sizeof buf, 5000, got)) != ChildProcess::ReadStatus::End) {
        if (status == ChildProcess::ReadStatus::Timeout) return all + "<timeout>";
        all.append(buf, got);
    }
    return all;
}

TEST(ChildProcessTest, StandardErrorAndInputAreOursOrNotAsAsked) {
    TempDir dir;
    std::string errFile = dir.file("err.txt");
    // Our standard input holds a word; our standard error is a file.
    auto feedInput = [](const char* text) {
        int p[2];
        ASSERT_EQ(::pipe(p), 0);
        ASSERT_EQ(::write(p[1], text, std::strlen(text)), static_cast<ssize_t>(std::strlen(text)));
        ::close(p[1]);
        ::dup2(p[0], 0);
        ::close(p[0]);
    };
    std::fflush(stderr);
    int savedIn = ::dup(0), savedErr = ::dup(2);
    int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(err, 2);
    ::close(err);

    CommandLine c = Words({"readin", "stderr", "e1", "print", "o1"});
    feedInput("fed");
    ChildProcess merged;
    ASSERT_EQ(merged.Start(TARVOLIN_FAKE_ENCODER, c), ChildProcess::StartError::None);
    std::string mergedOut = ReadToEnd(merged);

    feedInput("fed");
    ChildOptions options;
    options.ErrorIntoPipe = false;
    options.NoInput = true;
    ChildProcess apart;
    ASSERT_EQ(apart.Start(TARVOLIN_FAKE_ENCODER, c, options), ChildProcess::StartError::None);
    std::string apartOut = ReadToEnd(apart);
    int code = -1;
    EXPECT_TRUE(apart.Wait(5000, code));

    ::dup2(savedIn, 0);
    ::dup2(savedErr, 2);
    ::close(savedIn);
    ::close(savedErr);
    EXPECT_EQ(mergedOut, "[in:fed]e1o1");
    EXPECT_EQ(apartOut, "[in:]o1");
    EXPECT_EQ(ReadFileBytes(errFile), "e1");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(apart.EndSignal(), 0);
}

TEST(ChildProcessTest, AKilledChildTellsItsSignalAndAMissingProgramWhy) {
    ChildProcess child;
    ASSERT_EQ(child.Start(TARVOLIN_FAKE_ENCODER, Words({"hang"})), ChildProcess::StartError::None);
    child.Kill();
    int code = 0;
    ASSERT_TRUE(child.Wait(5000, code));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(child.EndSignal(), SIGKILL);

    ChildProcess missing;
    errno = 0;
    EXPECT_EQ(missing.Start("/nonexistent/tool", Words({})), ChildProcess::StartError::Process);
    EXPECT_EQ(errno, ENOENT);
}

#ifdef __linux__
// The program dies (SIGKILL, no chance to stop anything): its encoder dies
// with it. The program is a forked copy of this test.
TEST(ChildProcessTest, TheChildDiesWithTheProgram) {
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    pid_t program = ::fork();
    if (program == 0) {
        ChildProcess encoder;
        encoder.Start(TARVOLIN_FAKE_ENCODER, Words({"pid", "hang"}));
        char line[32] = "";
        size_t got = 0;
        encoder.Read(line, sizeof line - 1, 5000, got);
        pid_t pid = static_cast<pid_t>(std::atol(line));
        ssize_t ignored = ::write(report[1], &pid, sizeof pid);
        (void)ignored;
        for (;;)
            ::pause();
    }
    ::close(report[1]);
    pid_t encoder = 0;
    ASSERT_EQ(::read(report[0], &encoder, sizeof encoder), static_cast<ssize_t>(sizeof encoder));
    ::close(report[0]);
    ASSERT_GT(encoder, 0);
    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);

    // Gone, or ended and waiting for its new parent to reap it.
    auto ended = [encoder] {
        std::ifstream in("/proc/" + std::to_string(encoder) + "/stat");
        std::string stat;
        std::getline(in, stat);
        size_t close = stat.rfind(')');
        return close == std::string::npos || stat.compare(close, 3, ") Z") == 0;
    };
    auto giveUp = Clock::now() + std::chrono::seconds(5);
    while (!ended() && Clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(ended());
    if (!ended()) ::kill(encoder, SIGKILL);
}
#endif

TEST_F(RunnerTest, AnEncoderThatClosesItsOutputButLingersIsEnded) {
    auto begin = Clock::now();
    RunOutcome r = Runner.RunEncoder(Words({"print", "done\\n", "closeout", "hang"}), MessagePump(),
                                     CollectInto(Out), 20000);
    EXPECT_EQ(Out.All(), "done\n");
    EXPECT_FALSE(r.TimedOut);
    EXPECT_FALSE(r.Terminated); // not stopped: it ended its output itself
    EXPECT_EQ(r.ExitCode, -1);
    EXPECT_LT(MsSince(begin), 10000);
}
#endif

// The prober reads a script through "-i FILE"; the fake prints what it says.
class ProberTest : public RunnerTest {
protected:
    TempDir Dir;
    std::string Script(const std::string& lines) {
        std::string path = Dir.file("probe me, please.txt");
        WriteFileBytes(path, lines);
        return path;
    }
    static std::string Escaped(const std::string& text) {
        std::string s;
        for (char c : text) {
            if (c == '\\') s += '\\';
            s += c;
        }
        return s;
    }
};

TEST_F(ProberTest, ParsesTheWholeOutputWhateverTheReadsCut) {
    std::string path = Dir.file("probe me, please.txt");
    std::string input = "print Input #0, avi, from '" + Escaped(path) + "':\\n\n";
    Script(input + "print   Dura\nsleep 200\n"
                   "print tion: 00:00:05.00, start: 0.000000, bitrate: 5 kb/s\\n"
                   "    Stream #0.0: Video: h264, yuv420p, 320x240, 25.00 fps\\n\n"
                   "sleep 200\n"
                   "print At least one output file must be specified\\n\n"
                   "exit 1\n");
    EncoderProber prober(Runner);
    ProbeResult r = prober.ProbeMedia(path);
    EXPECT_EQ(r.Duration, "00:00:05.00");
    EXPECT_EQ(r.Size, " 320x240");
    EXPECT_EQ(r.Start, "00:00:00.0");
    EXPECT_EQ(r.End, "00:00:05.00");
}

TEST_F(ProberTest, AProbeThatHangsIsEndedAndKeepsWhatItPrinted) {
    std::string path = Dir.file("probe me, please.txt");
    Script("print from '" + Escaped(path) + "':\\n  Duration: 00:01:00.00, start: 0\\n\nhang\n");
    EncoderProber prober(Runner, 300);
    ProbeResult r = prober.ProbeMedia(path);
    EXPECT_EQ(r.Duration, "00:01:00.00");
    EXPECT_EQ(r.Size, "");
    EXPECT_EQ(r.Start, "00:00:00.0");
    EXPECT_EQ(r.End, "00:01:00.00");
    EXPECT_EQ(r.Problem, "");
}

TEST_F(ProberTest, AFileWithoutDurationIsNamedUnreadableAndAStopEndsAProbe) {
    std::string path = Dir.file("probe me, please.txt");
    Script("print " + Escaped(path) + ": Invalid data found when processing input\\n\nexit 1\n");
    EncoderProber prober(Runner);
    EXPECT_EQ(prober.ProbeMedia(path).Problem, path + ": Invalid data found when processing input");

    Script("print Input #0\\n\nhang\n");
    EncoderProber stopped(Runner);
    std::atomic<int> asked{0};
    stopped.SetStopCheck([&] { return ++asked > 3; });
    ProbeResult r = stopped.ProbeMedia(path);
    EXPECT_GT(asked.load(), 3);
    EXPECT_EQ(r.Problem, "no duration found");
}

TEST_F(ProberTest, AProbeThatCannotStartLeavesEverythingEmpty) {
    EncoderRunner missing(Dir.file("wmaspi.dll"));
    EncoderProber prober(missing);
    ProbeResult r = prober.ProbeMedia(Script("print Duration: 00:00:01.00, \n"));
    EXPECT_EQ(r.Duration, "");
    EXPECT_EQ(r.Size, "");
    EXPECT_EQ(r.Start, "");
    EXPECT_EQ(r.End, "");
    EXPECT_EQ(r.Problem, "the encoder wmaspi.dll was not found in " + Dir.file(""));
}

} // namespace

#endif
