// tarvolin-cli end to end: the real program in a portable folder of its own
// (its Preferences.ini written here), the real stand-in and ffmpeg, clips
// generated here.
#include "TestProcesses.h"
#include "TestSupport.h"
#include "platform/FileSystem.h"
#include "platform/System.h"
#include "profiles/Profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string Mpeg4Profile = "PSP - MP4 MPEG-4 320x240";

// The lines of text.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The string or number of key in one JSON line (escapes other than \" kept
// as they are).
std::string Field(const std::string& line, const std::string& key) {
    const std::string wanted = "\"" + key + "\":";
    size_t at = line.find(wanted);
    if (at == std::string::npos) return "<none>";
    at += wanted.size();
    if (line[at] != '"') return line.substr(at, line.find_first_of(",}", at) - at);
    std::string value;
    for (size_t i = at + 1; i < line.size() && line[i] != '"'; ++i)
        value += line[i] == '\\' ? line[++i] : line[i];
    return value;
}

// The JSON lines of one event.
std::vector<std::string> Events(const std::string& output, const std::string& event) {
    std::vector<std::string> found;
    for (const std::string& line : Lines(output))
        if (Field(line, "event") == event) found.push_back(line);
    return found;
}

double Duration(const std::string& path) {
    ToolResult probe = RunCaptured("ffprobe", {"-v", "error", "-show_entries", "format=duration",
                                               "-of", "default=nw=1:nk=1", path});
    return probe.Exit == 0 ? std::atof(probe.Output.c_str()) : -1;
}

// Every file under dir with its bytes.
std::map<std::string, std::string> Contents(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) files[entry.path().string()] = ReadFileBytes(entry.path());
    return files;
}

// The processes whose command line mentions text.
int ProcessesMentioning(const std::string& text) {
    const auto live = LiveProcesses();
    return static_cast<int>(std::count_if(live.begin(), live.end(), [&](const ProcessEntry& p) {
        return p.CommandLine.find(text) != std::string::npos;
    }));
}

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(FindProgram("", "ffmpeg").empty()) << "ffmpeg is needed";
        // A portable program folder: the built program and stand-in linked
        // in, the shipped profiles copied.
        fs::create_directories(Program);
        for (const char* file : {"tarvolin-cli", "wmaspi.dll"}) {
            std::error_code ec;
            fs::create_hard_link(fs::path(ProgramDirectory()) / file, Program / file, ec);
            if (ec) fs::copy_file(fs::path(ProgramDirectory()) / file, Program / file);
        }
        fs::copy(fs::path(ProgramDirectory()) / "Profiles", Program / "Profiles");
        fs::create_directories(Out);
        // Whatever could power off, exit or open a folder, first on PATH:
        // each only notes that it was called.
        fs::create_directories(Tripwires);
        for (const char* tool : {"busctl", "systemctl", "loginctl", "shutdown", "poweroff",
                                 "xdg-open", "gio", "dbus-send"}) {
            const fs::path script = Tripwires / tool;
            WriteFileBytes(script.string(), "#!/bin/sh\necho \"" + std::string(tool) +
                                                " $*\" >> '" + Dir.file("tripped") + "'\n");
            fs::permissions(script, fs::perms::owner_all);
        }
    }

    std::string Clip(const std::string& name, double seconds = 2, int width = 320,
                     int height = 240) {
        const std::string path = (In / name).string();
        ToolResult made = MakeTestClip(path, {width, height, seconds, "mpeg4"});
        EXPECT_EQ(made.Exit, 0) << made.Output;
        return path;
    }

    std::vector<std::string> Environment() const {
        return {"PATH=" + Tripwires.string() + ":" + EnvironmentVariable("PATH")};
    }

    ToolResult Run(const std::vector<std::string>& args) {
        return RunCaptured((Program / "tarvolin-cli").string(), args, Environment(),
                           ErrorOutput::Apart);
    }

    TempDir Dir;
    fs::path Program = Dir.path() / "program";
    fs::path In = Dir.path() / "in";
    fs::path Out = Dir.path() / "out";
    fs::path Tripwires = Dir.path() / "tripwires";
};

TEST_F(CommandLineTest, AFolderWithABrokenClipConvertsTwoOfThreeAndNothingFollows) {
    Clip("a.mp4");
    Clip("b.mp4");
    WriteFileBytes((In / "c.mp4").string(), "this is not a video");
    WriteFileBytes((In / "d.xyz").string(), "not taken");
    // The window's settings ask for everything that may follow a batch.
    const std::string prefs = (Program / "Preferences.ini").string();
    WriteFileBytes(prefs, "[Main]\nOutput Path=" + Out.string() +
                              "\nAuto Turn Off=1\nAuto Exit=1\nAuto Open Dir=1\nOverwrite=1\n");
    const auto before = Contents(Program);

    ToolResult r = Run({"-p", Mpeg4Profile, "--jobs", "2", "--json", In.string()});

    EXPECT_EQ(r.Exit, 1) << r.Errors;
    std::map<std::string, std::string> statuses;
    for (const std::string& task : Events(r.Output, "task"))
        statuses[fs::path(Field(task, "input")).filename().string()] = Field(task, "status");
    EXPECT_EQ(statuses, (std::map<std::string, std::string>{
                            {"a.mp4", "Complete"}, {"b.mp4", "Complete"}, {"c.mp4", "Failed"}}));
    const std::vector<std::string> tasks = Events(r.Output, "task");
    for (const std::string& task : tasks) {
        if (Field(task, "status") == "Failed") {
            EXPECT_NE(Field(task, "reason"), "") << task;
            EXPECT_FALSE(fs::exists(Field(task, "output"))) << task;
        } else {
            EXPECT_NEAR(Duration(Field(task, "output")), 2.0, 0.2) << task;
            EXPECT_EQ(fs::path(Field(task, "output")).parent_path(), Out);
        }
    }
    const std::vector<std::string> progress = Events(r.Output, "progress");
    EXPECT_FALSE(progress.empty());
    for (const std::string& p : progress) {
        EXPECT_NE(Field(p, "total_percent"), "<none>") << p;
        EXPECT_NE(Field(p, "remaining"), "<none>") << p;
    }
    const std::vector<std::string> end = Events(r.Output, "end");
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(end[0].substr(0, end[0].find(",\"seconds\"")),
              "{\"event\":\"end\",\"counts\":{\"Complete\":2,\"Incomplete\":0,\"Failed\":1,"
              "\"Stop\":0}");
    // Standard error names what was not taken and the log; no message of
    // the batch's end.
    EXPECT_EQ(Lines(r.Errors),
              (std::vector<std::string>{"tarvolin-cli: not taken: " + (In / "d.xyz").string() +
                                            " (not a file of a type converted, or not found)",
                                        Lines(r.Errors).back()}));
    EXPECT_EQ(Lines(r.Errors).back().rfind("tarvolin-cli: log: " + (Program / "logs").string(), 0),
              0u);
    // No power-off, exit countdown or folder opened; the settings and the
    // profiles as they were; the batch's log beside them as the window's.
    EXPECT_FALSE(fs::exists(Dir.file("tripped"))) << ReadFileBytes(Dir.file("tripped"));
    auto after = Contents(Program);
    size_t logs = 0;
    for (auto it = after.begin(); it != after.end();)
        if (fs::path(it->first).parent_path().filename() == "logs") {
            EXPECT_NE(it->second.find("Status: Failed"), std::string::npos);
            ++logs;
            it = after.erase(it);
        } else {
            ++it;
        }
    EXPECT_EQ(logs, 1u);
    EXPECT_TRUE(after == before) << "the program folder changed";
}

TEST_F(CommandLineTest, ADryRunPrintsWhatWouldRunAndCreatesNothing) {
    const std::string clip = Clip("holiday.mp4", 4);
    const auto before = Contents(Dir.path());

    ToolResult r = Run({"-p", Mpeg4Profile, "-o", Out.string(), "-n", "--name", "beach", "--start",
                        "00:00:01", "--end", "00:00:03.5", clip});

    ASSERT_EQ(r.Exit, 0) << r.Errors;
    const std::vector<std::string> lines = Lines(r.Output);
    ASSERT_EQ(lines.size(), 2u) << r.Output;
    EXPECT_EQ(lines[0], clip + " -> " + (Out / "beach.mp4").string());
    EXPECT_EQ(lines[1].rfind("  " + (Program / "wmaspi.dll").string() + " -y -i " + clip, 0), 0u)
        << lines[1];
    EXPECT_NE(lines[1].find(" -ss 00:00:01 -t 2.5 " + (Out / "beach.mp4").string()),
              std::string::npos)
        << lines[1];
    // Nothing made: no output, no log, no settings.
    EXPECT_TRUE(Contents(Dir.path()) == before);
    EXPECT_TRUE(fs::is_empty(Out));
    EXPECT_FALSE(fs::exists(Program / "logs"));
}

TEST_F(CommandLineTest, SetChangesTheCommandLineAsTheSheetWould) {
    const std::string clip = Clip("a.mp4", 1);
    const std::string profile = (Program / "Profiles" / (Mpeg4Profile + ".apf")).string();
    const std::vector<std::pair<std::string, std::string>> sets{
        {"Video Size", "640x360"}, {"audio bitrate", "64 KBPS"}, {"Deinterlace", "Yes"}};
    std::vector<std::string> args{"-p", Mpeg4Profile, "-o", Out.string(), "--dry-run", "--json"};
    ParamSheet video, audio, advanced;
    const SheetSet sheets{&video, &audio, &advanced};
    LoadProfile(profile, sheets, nullptr, IniAccess::ReadOnly);
    for (const auto& [caption, value] : sets) {
        args.push_back("--set");
        args.push_back(caption + "=" + value);
    }
    // The window: a custom size from its dialog, the others picked.
    video.SetValue("Video Size", "640x360");
    audio.SetValue("Audio Bitrate", "64 kbps");
    advanced.SetValue("Deinterlace", "Yes");
    args.push_back(clip);

    ToolResult r = Run(args);

    ASSERT_EQ(r.Exit, 0) << r.Errors;
    const std::vector<std::string> plans = Events(r.Output, "plan");
    ASSERT_EQ(plans.size(), 1u) << r.Output;
    std::string words;
    const std::string& plan = plans[0];
    for (size_t at = plan.find("\"arguments\":[") + 13; plan[at] == '"';) {
        const size_t end = plan.find('"', at + 1);
        words += (words.empty() ? "" : " ") + plan.substr(at + 1, end - at - 1);
        at = end + 2;
    }
    const std::string expected = "-y -i " + clip +
                                 BuildProfileArguments(profile, sheets, IniAccess::ReadOnly) + " " +
                                 (Out / "a.mp4").string();
    EXPECT_EQ(words, expected);
    EXPECT_NE(words.find(" -s 640x360 "), std::string::npos);
    EXPECT_NE(words.find(" -b:a 64k "), std::string::npos);
}

TEST_F(CommandLineTest, UsageErrorsExitTwoWithALineNamingTheProblemAndTheChoices) {
    const std::string a = Clip("a.mp4", 1);
    const std::string b = Clip("b.mp4", 1);
    struct Case {
        std::vector<std::string> args;
        std::string said;
    };
    const std::vector<Case> cases{
        {{"-p", "No Such Profile", a},
         "unknown profile \"No Such Profile\"; the profiles are: \"3GP - Mobile Phone\", "},
        {{"--bogus", a}, "unknown option --bogus"},
        {{"-p", Mpeg4Profile, "--set", "Colour=red", a}, "the profile has no row \"Colour\""},
        {{"-p", Mpeg4Profile, "--set", "Video Size=Custom Size", a},
         "\"Video Size\" offers \"320x240\", \"368x208\", \"480x272\", \"Original Size\", or a "
         "custom size written WIDTHxHEIGHT"},
        {{"-p", Mpeg4Profile, "--set", "Video Size=huge", a}, "\"Video Size\" offers"},
        {{"-p", Mpeg4Profile, "-o", Out.string(), "--name", "x", a, b},
         "--name, --start and --end need a single input; 2 were taken"},
        {{"-p", Mpeg4Profile, "-o", Out.string(), "--start", "00:00:05", a}, "Start Time must be"},
        {{"-p", Mpeg4Profile, "-o", Dir.file("missing"), a}, "the output folder"},
        {{"-p", Mpeg4Profile, "-o", Out.string(), Dir.file("nothing.mp4")}, "no input taken"},
    };
    for (const Case& c : cases) {
        ToolResult r = Run(c.args);
        EXPECT_EQ(r.Exit, 2) << c.args[c.args.size() - 2] << ": " << r.Errors;
        EXPECT_NE(r.Errors.find(c.said), std::string::npos) << r.Errors;
        EXPECT_EQ(Lines(r.Errors).back().rfind("tarvolin-cli: ", 0), 0u) << r.Errors;
        EXPECT_EQ(r.Output, "");
    }
    EXPECT_TRUE(fs::is_empty(Out));
}

// A conversion that runs for a while: started, followed until its first
// progress event, then handed to interrupt. Returns its exit status and
// output.
ToolResult InterruptMidway(const std::vector<std::string>& args,
                           const std::vector<std::string>& env,
                           const std::function<void(pid_t)>& interrupt) {
    StartedTool c = StartTool(args[0], {args.begin() + 1, args.end()}, env, ErrorOutput::Apart);
    ToolResult r;
    const auto deadline = TestClock::now() + 60s;
    char buffer[4096];
    while (Events(r.Output, "progress").empty() && TestClock::now() < deadline) {
        const ssize_t n = read(c.Fd, buffer, sizeof buffer);
        if (n <= 0) break;
        r.Output.append(buffer, static_cast<size_t>(n));
    }
    interrupt(c.Pid);
    std::string more;
    ReadUntilEnd(c.Fd, more, deadline);
    ReadUntilEnd(c.ErrFd, r.Errors, deadline);
    r.Output += more;
    close(c.Fd);
    close(c.ErrFd);
    r.Exit = WaitExit(c.Pid);
    return r;
}

TEST_F(CommandLineTest, CtrlCStopsAsStopDoesAndASecondEndsAtOnceWithNoEncoderLeft) {
    const std::string clip = Clip("long.mp4", 40, 640, 480);
    const std::vector<std::string> args{(Program / "tarvolin-cli").string(),
                                        "-p",
                                        "PSP - MP4 H.264 480x272",
                                        "-o",
                                        Out.string(),
                                        "--json",
                                        clip};

    const auto started = TestClock::now();
    ToolResult once = InterruptMidway(args, Environment(), [](pid_t pid) { kill(pid, SIGINT); });
    EXPECT_EQ(once.Exit, 130) << once.Errors;
    const std::vector<std::string> tasks = Events(once.Output, "task");
    ASSERT_EQ(tasks.size(), 1u) << once.Output;
    EXPECT_EQ(Field(tasks[0], "status"), "Stop");
    EXPECT_EQ(Field(tasks[0], "reason").rfind("Stopped after ", 0), 0u) << tasks[0];
    EXPECT_EQ(Events(once.Output, "end").size(), 1u);
    // The stopped output was finished: it plays, as far as it got.
    EXPECT_GT(Duration((Out / "long.mp4").string()), 0.0);
    EXPECT_EQ(ProcessesMentioning(Out.string()), 0);
    EXPECT_LT(TestClock::now() - started, 50s);

    fs::remove(Out / "long.mp4");
    ToolResult twice = InterruptMidway(args, Environment(), [](pid_t pid) {
        kill(pid, SIGINT);
        std::this_thread::sleep_for(200ms);
        kill(pid, SIGINT);
    });
    EXPECT_EQ(twice.Exit, 130) << twice.Errors;
    EXPECT_EQ(Field(Events(twice.Output, "task").at(0), "status"), "Stop");
    EXPECT_EQ(ProcessesMentioning(Out.string()), 0);
}

TEST_F(CommandLineTest, InterruptedWhileProbingEveryTaskIsReportedAsStop) {
    // The encoder waits before it starts until the test lets it: the probes
    // stay running while Ctrl+C comes.
    const fs::path encoder = Program / "wmaspi.dll";
    const fs::path real = Dir.path() / "wmaspi.dll";
    fs::rename(encoder, real);
    WriteFileBytes(encoder.string(), "#!/bin/sh\ntouch '" + Dir.file("probing") +
                                         "'\nwhile [ ! -e '" + Dir.file("go") +
                                         "' ]; do sleep 0.05; done\nexec '" + real.string() +
                                         "' \"$@\"\n");
    fs::permissions(encoder, fs::perms::owner_all);
    Clip("a.mp4", 1);
    Clip("b.mp4", 1);
    StartedTool c = StartTool((Program / "tarvolin-cli").string(),
                              {"-p", Mpeg4Profile, "-o", Out.string(), "--json", In.string()},
                              Environment(), ErrorOutput::Apart);
    const auto deadline = TestClock::now() + 30s;
    while (!fs::exists(Dir.file("probing")) && TestClock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    kill(c.Pid, SIGINT);
    ToolResult r;
    ReadUntilEnd(c.Fd, r.Output, deadline);
    ReadUntilEnd(c.ErrFd, r.Errors, deadline);
    close(c.Fd);
    close(c.ErrFd);
    r.Exit = WaitExit(c.Pid);

    EXPECT_EQ(r.Exit, 130) << r.Errors;
    const std::vector<std::string> tasks = Events(r.Output, "task");
    ASSERT_EQ(tasks.size(), 2u) << r.Output;
    for (const std::string& task : tasks) {
        EXPECT_EQ(Field(task, "status"), "Stop") << task;
        EXPECT_EQ(Field(task, "output"), "") << task;
    }
    ASSERT_EQ(Events(r.Output, "end").size(), 1u) << r.Output;
    EXPECT_NE(Events(r.Output, "end")[0].find("\"Stop\":2}"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(Out));
}

TEST_F(CommandLineTest, NoEncoderOutlivesAKilledProgram) {
    const std::string clip = Clip("long.mp4", 40, 640, 480);
    ToolResult r = InterruptMidway({(Program / "tarvolin-cli").string(), "-p",
                                    "PSP - MP4 H.264 480x272", "-o", Out.string(), "--json", clip},
                                   Environment(), [this](pid_t pid) {
                                       EXPECT_GT(ProcessesMentioning(Out.string()), 0)
                                           << "no encoder running";
                                       kill(pid, SIGKILL);
                                   });
    EXPECT_EQ(r.Exit, 128 + SIGKILL);
    // The stand-in dies with the program, and ffmpeg with the stand-in.
    const auto deadline = TestClock::now() + 5s;
    while (ProcessesMentioning(Out.string()) > 0 && TestClock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ProcessesMentioning(Out.string()), 0);
}

} // namespace
