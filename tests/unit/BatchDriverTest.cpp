// The batch driver's rules against fakes: a scripted encoder (chunks, exit
// codes, start failures) whose pump lets a test press Stop or close the
// window at a chosen chunk, and a view, prompter, shell and power control
// that write into one event log so that the order of effects can be checked.
#include "engine/BatchDriver.h"

#include "engine/Invocation.h"
#include "engine/TaskLog.h"
#include "profiles/Profile.h"

#include "TestRecords.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

bool Has(const Log& log, const std::string& event) {
    return std::find(log.begin(), log.end(), event) != log.end();
}
// Position of the first event that starts with prefix, or -1.
int IndexOf(const Log& log, const std::string& prefix) {
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
}

// Notes each snapshot the driver publishes, and what changed in it in the
// event log.
struct FakeObserver : BatchObserver {
    Log& log;
    std::vector<BatchSnapshot> seen;
    std::string convertingFile = "-", elapsed = "-", remaining = "-";
    ProgressBars bars;
    bool progressPanel = false;
    bool timer = false;
    bool busy = false;
    explicit FakeObserver(Log& l) : log(l) {}
    void BatchChanged(const BatchSnapshot& s) override {
        if (s.Busy != busy) log.push_back(s.Busy ? "busy" : "idle");
        if (s.ProgressShown != progressPanel)
            log.push_back(s.ProgressShown ? "panel:progress" : "panel:profile");
        if (s.Bars.Current != bars.Current || s.Bars.Total != bars.Total)
            log.push_back("bars:" + std::to_string(s.Bars.Current) + "%/" +
                          std::to_string(s.Bars.Total) + "%");
        if (s.TimerRunning != timer) log.push_back(s.TimerRunning ? "timer:on" : "timer:off");
        if (s.Then == "Stopping…" && (seen.empty() || seen.back().Then != s.Then))
            log.push_back("stopping");
        busy = s.Busy;
        progressPanel = s.ProgressShown;
        bars = s.Bars;
        timer = s.TimerRunning;
        if (s.ProgressShown) {
            convertingFile = s.ConvertingFile;
            elapsed = s.ElapsedText;
            remaining = s.RemainingText;
        }
        seen.push_back(s);
    }
};

// The settings a batch reads, over sheets of their own; nothing follows a
// batch unless a test asks for it.
struct FakeSettings : BatchSettings {
    ::Sheets own;
    FakeSettings() {
        OutputExtension = ".mp4";
        Sheets = own.Set();
        General.AutoOpenDir = false;
    }
};

struct Shown {
    std::string text, caption;
    MsgIcon icon;
};

struct FakePrompter : Prompter {
    Log& log;
    std::vector<Shown> shown;
    explicit FakePrompter(Log& l) : log(l) {}
    MsgResult Message(const std::string& text, const std::string& caption, MsgIcon icon,
                      MsgButtons) override {
        shown.push_back({text, caption, icon});
        log.push_back("message:" + text);
        return MsgResult::Ok;
    }
};

struct FakeShell : ShellActions {
    Log& log;
    explicit FakeShell(Log& l) : log(l) {}
    void Open(const std::string& path) override { log.push_back("open:" + path); }
};

struct FakePower : PowerControl {
    Log& log;
    explicit FakePower(Log& l) : log(l) {}
    void PowerOff() override { log.push_back("poweroff"); }
};

// Notes each countdown and answers it; during runs inside it, as the
// window's events would.
struct FakeCountdown : CountdownPrompter {
    Log& log;
    bool goOn = true;
    std::function<void()> during;
    explicit FakeCountdown(Log& l) : log(l) {}
    bool ConfirmCountdown(CompletionAction action, int seconds, const std::string& note) override {
        log.push_back(std::string("countdown:") +
                      (action == CompletionAction::PowerOff ? "power off:" : "exit:") +
                      std::to_string(seconds) + (note.empty() ? "" : ":" + note));
        if (during) during();
        return goOn;
    }
};

// Holds the computer awake when it can, and notes it.
struct FakeAwake : SleepInhibitor {
    Log& log;
    bool works = true;
    bool held = false;
    explicit FakeAwake(Log& l) : log(l) {}
    bool Inhibit(const std::string& why, std::string& problem) override {
        log.push_back("awake:" + why);
        if (!works) problem = "no logind";
        held = works;
        return works;
    }
    void Release() override {
        log.push_back("asleep");
        held = false;
    }
};

struct FakeNotifier : BatchNotifier {
    Log& log;
    explicit FakeNotifier(Log& l) : log(l) {}
    void BatchFinished(const std::string& text) override { log.push_back("notify:" + text); }
};

// What one encoder run does.
struct Script {
    std::vector<std::string> chunks;
    int exitCode = 0;
    std::string lastErrorLine;
    std::string startError; // not empty: the run does not start
    bool writeOutput = false;
    double lastReading = -1; // the largest "time=" reading the runner saw
    int signal = 0;
    bool killed = false; // stopped, it is killed before it finishes its file
};

Script Runs(std::vector<std::string> chunks) {
    Script s;
    s.chunks = std::move(chunks);
    return s;
}
Script Fails(std::vector<std::string> chunks, int exitCode, std::string lastErrorLine) {
    Script s = Runs(std::move(chunks));
    s.exitCode = exitCode;
    s.lastErrorLine = std::move(lastErrorLine);
    return s;
}
Script DoesNotStart(std::string error) {
    Script s;
    s.startError = std::move(error);
    return s;
}
Script WritesOutput(std::vector<std::string> chunks) {
    Script s = Runs(std::move(chunks));
    s.writeOutput = true;
    return s;
}

// Plays the running encoders: each Poll (the driver handles the window's
// messages before it) hands every running encoder its next chunk or ends it
// when its chunks are out; a Terminate ends the output at once, as a killed
// encoder's pipe does. Paused encoders hand over nothing, but one that had
// printed everything still ends, as a process that exited just before.
struct ScriptedEncoder : RunningEncoders {
    struct Live {
        int id;
        Script script;
        ChunkConsumer consumer;
        size_t next = 0;
        bool terminated = false;
    };
    TaskQueue& rows;
    std::vector<Script> scripts; // one per run; missing ones succeed quietly
    std::vector<CommandLine> commands;
    std::vector<std::vector<std::string>> statusesAtStart;
    std::vector<Live> live;
    int run = -1;   // index of the last run started
    int chunk = -1; // index of the chunk it is about to hand over
    bool inRun = false;
    bool terminated = false;
    bool killed = false;
    int terminateCalls = 0;
    size_t mostAtOnce = 0;
    bool paused = false;
    std::vector<std::string> calls; // "suspend", "resume", "terminate"

    explicit ScriptedEncoder(TaskQueue& r) : rows(r) {}

    Start StartRun(const CommandLine& command, ChunkConsumer consumer) override {
        ++run;
        commands.push_back(command);
        std::vector<std::string> statuses;
        for (int i = 0; i < rows.Count(); ++i)
            statuses.push_back(StatusText(rows.At(i).State));
        statusesAtStart.push_back(statuses);
        const Script s = run < static_cast<int>(scripts.size()) ? scripts[run] : Script{};
        if (!s.startError.empty()) return {0, s.startError};
        if (s.writeOutput) WriteFileBytes(command.Args.back(), "video");
        live.push_back({run + 1, s, std::move(consumer)});
        mostAtOnce = std::max(mostAtOnce, live.size());
        inRun = true;
        terminated = false;
        chunk = 0;
        return {run + 1, {}};
    }
    std::vector<Ended> Poll(int) override {
        std::vector<Ended> ended;
        for (size_t i = 0; i < live.size();) {
            Live& l = live[i];
            if (!l.terminated && l.next < l.script.chunks.size()) {
                if (!paused) l.consumer(l.script.chunks[l.next++]);
                ++i;
                continue;
            }
            RunOutcome out;
            out.Started = true;
            out.Terminated = l.terminated;
            out.ExitCode = l.terminated ? -1 : l.script.exitCode;
            out.LastErrorLine = l.script.lastErrorLine;
            out.LastReading = l.script.lastReading;
            out.Signal = l.script.signal;
            out.Killed = l.terminated && l.script.killed;
            ended.push_back({l.id, out});
            live.erase(live.begin() + static_cast<long>(i));
        }
        inRun = !live.empty();
        if (inRun) chunk = static_cast<int>(live.back().next);
        return ended;
    }
    void Suspend() override {
        calls.push_back("suspend");
        paused = true;
    }
    void Resume() override {
        if (paused) calls.push_back("resume");
        paused = false;
    }
    void TerminateEncoder() override {
        Resume();
        calls.push_back("terminate");
        ++terminateCalls;
        for (Live& l : live)
            l.terminated = true;
        if (inRun) terminated = true;
    }
    void KillEncoder() override {
        killed = true;
        TerminateEncoder();
    }
    void Abandon() override { live.clear(); }
    int Count() const override { return static_cast<int>(live.size()); }
};

// Two chunks of banner (never examined), then readings up to the clip's end.
std::vector<std::string> Chunks(std::initializer_list<double> readings) {
    std::vector<std::string> c = {"Input #0, avi, from 'x':\n", "Stream mapping:\n"};
    for (double r : readings)
        c.push_back("frame=  12 fps=0.0 q=2.0 size=  1kB time=" + std::to_string(r) +
                    " bitrate= 1.0kbits/s\r");
    return c;
}

class BatchDriverTest : public ::testing::Test {
protected:
    TempDir dir;
    Log log;
    TaskQueue rows;
    FakeObserver view{log};
    FakeSettings settings;
    FakePrompter prompter{log};
    FakeShell shell{log};
    FakePower power{log};
    FakeCountdown countdown{log};
    FakeAwake awake{log};
    FakeNotifier notifier{log};
    ScriptedEncoder encoder{rows};
    std::function<void()> onPump; // what the window does while the encoder runs
    int closes = 0;
    ConvertState stateAtClose = ConvertState::Running;
    bool closeDeferredAtClose = true;
    bool startWhileProbing = false; // as the command line sets it
    std::unique_ptr<BatchDriver> driver;

    void SetUp() override {
        settings.OutputDir = dir.path().string();
        settings.ProfileFile = dir.file("none.apf");
        MakeDriver(true);
    }
    void MakeDriver(bool completionActions) {
        BatchServices s;
        s.CompletionActions = completionActions;
        s.StartWhileProbing = startWhileProbing;
        s.Tasks = &rows;
        s.Observer = &view;
        s.Settings = &settings;
        s.ProgramTitle = "Tarvolin PSP Video Converter";
        s.Prompt = &prompter;
        s.Shell = &shell;
        s.Power = &power;
        s.Countdown = &countdown;
        s.Encoder = &encoder;
        s.Awake = &awake;
        s.Notify = &notifier;
        s.Pump = [this] {
            if (onPump) onPump();
        };
        s.CloseMainWindow = [this] {
            ++closes;
            stateAtClose = driver->State();
            // The window's close handler asks the driver again: it must let go.
            closeDeferredAtClose = driver->CloseRequested();
            log.push_back("close");
        };
        driver = std::make_unique<BatchDriver>(std::move(s));
    }

    void AddTask(const std::string& name, const std::string& length) {
        AddRecord(rows, ListedTask("/videos/" + name, length));
    }
    void AddThreeTasks() {
        AddTask("a.avi", "00:00:40");
        AddTask("b.avi", "00:00:40");
        AddTask("c.avi", "00:00:20");
        encoder.scripts = {Runs(Chunks({20, 40})), Runs(Chunks({20, 40})), Runs(Chunks({10, 20}))};
    }
    std::string Status(int i) const { return StatusText(rows.At(i).State); }
    // Why the task of this input is failed, incomplete or stopped.
    std::string Reason(const std::string& name) const { return rows.At(Row(name)).Reason; }
    int Row(const std::string& name) const {
        for (int i = 0; i < rows.Count(); ++i)
            if (rows.At(i).InputFile == "/videos/" + name) return i;
        return -1;
    }
    std::vector<std::string> Statuses() const {
        std::vector<std::string> s;
        for (int i = 0; i < rows.Count(); ++i)
            s.push_back(Status(i));
        return s;
    }
    // Presses Stop (or closes the window) when run r is about to hand over chunk c.
    void AtChunk(int r, int c, std::function<void()> action) {
        onPump = [this, r, c, action] {
            if (encoder.inRun && encoder.run == r && encoder.chunk == c) action();
        };
    }
    using V = std::vector<std::string>;
};

TEST_F(BatchDriverTest, AFinishedTaskShowsItsWholeLengthDone) {
    // ffmpeg's last reading falls short of the clip's end: 34 of 40 s, then
    // 17 of 20 s. Finished tasks still count whole in the bars.
    AddTask("a.avi", "00:00:40");
    AddTask("b.avi", "00:00:20");
    encoder.scripts = {Runs(Chunks({17, 34})), Runs(Chunks({8.5, 17}))};
    driver->imgStartClick();
    EXPECT_TRUE(Has(log, "bars:0%/67%"));
    EXPECT_EQ(view.bars.Current, 100);
    EXPECT_EQ(view.bars.Total, 100);
}

TEST_F(BatchDriverTest, ConvertsEveryTaskInOrderWithStatusesBarsAndSuccess) {
    AddThreeTasks();
    settings.General.AutoOpenDir = true;
    std::vector<ProgressBars> midTask2;
    AtChunk(1, 3, [&] {
        midTask2.push_back(view.bars);
        driver->tbtnStartClick(); // from the menu: no second batch inside this one
    });

    driver->imgStartClick();

    ASSERT_EQ(encoder.commands.size(), 3u);
    EXPECT_EQ(encoder.statusesAtStart[0], (V{"Converting", "OK", "OK"}));
    EXPECT_EQ(encoder.statusesAtStart[1], (V{"Complete", "Converting", "OK"}));
    EXPECT_EQ(encoder.statusesAtStart[2], (V{"Complete", "Complete", "Converting"}));
    EXPECT_EQ(Statuses(), (V{"Complete", "Complete", "Complete"}));
    // Each encoder writes a temporary file beside the output it becomes.
    for (int i = 0; i < 3; ++i) {
        const std::string output = dir.file(std::string(1, static_cast<char>('a' + i)) + ".mp4");
        EXPECT_EQ(rows.At(i).Output, output);
        EXPECT_EQ(encoder.commands[i].Args.back(), PartFilePath(output, rows.At(i).Id));
    }

    // Task 2 at 20 of its 40 s: the total counts task 1's 40 s as done.
    ASSERT_EQ(midTask2.size(), 1u);
    EXPECT_EQ(midTask2[0].Current, 50);
    EXPECT_EQ(midTask2[0].Total, 60);
    // The current bar goes back to 0 between tasks but not after the last.
    EXPECT_TRUE(Has(log, "bars:0%/40%"));
    EXPECT_TRUE(Has(log, "bars:0%/80%"));
    EXPECT_EQ(view.bars.Current, 100);
    EXPECT_EQ(view.bars.Total, 100);
    EXPECT_EQ(view.convertingFile, "c.avi");
    EXPECT_DOUBLE_EQ(driver->Done(), 100);
    EXPECT_DOUBLE_EQ(driver->Total(), 100);

    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The coversion is completed successfully.");
    EXPECT_EQ(prompter.shown[0].caption, "Complete");
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Information);
    // The folder opens after the message, as typed (no separator added).
    EXPECT_LT(IndexOf(log, "message:"), IndexOf(log, "open:" + settings.OutputDir));
    EXPECT_LT(IndexOf(log, "busy"), IndexOf(log, "panel:progress"));
    EXPECT_LT(IndexOf(log, "timer:off"), IndexOf(log, "message:"));
    EXPECT_LT(IndexOf(log, "panel:profile"), IndexOf(log, "idle"));
    EXPECT_EQ(log.back(), "idle");
    EXPECT_EQ(driver->State(), ConvertState::Idle);
    EXPECT_FALSE(view.timer);
    EXPECT_FALSE(view.progressPanel);
    EXPECT_EQ(closes, 0);
    EXPECT_FALSE(Has(log, "poweroff"));
}

TEST_F(BatchDriverTest, StartResetsTheDisplayAndConvertsCompletedTasksAgain) {
    AddThreeTasks();
    onPump = [&] { driver->timerTimeTimer(); };
    driver->imgStartClick();
    ASSERT_NE(view.elapsed, "");
    encoder.scripts = {Runs(Chunks({40})), Runs(Chunks({40})), Runs(Chunks({20}))};
    encoder.run = -1;
    std::string elapsedAtFirstRun = "-";
    onPump = [&] {
        if (encoder.run == 0 && encoder.chunk == 0) elapsedAtFirstRun = view.elapsed;
    };

    driver->tbtnStartClick();

    EXPECT_EQ(encoder.commands.size(), 6u);
    EXPECT_EQ(encoder.statusesAtStart[3], (V{"Converting", "Complete", "Complete"}));
    EXPECT_EQ(elapsedAtFirstRun, "");
    EXPECT_EQ(prompter.shown.size(), 2u);
}

TEST_F(BatchDriverTest, StopDuringTheFirstTaskCancelsTheRest) {
    AddThreeTasks();
    rows.SetState(rows.At(2).Id, TaskState::Complete); // from an earlier batch
    settings.General.AutoOpenDir = true;
    settings.General.AutoExit = true;
    encoder.scripts[0].lastReading = 17;
    std::string statusAtStop;
    AtChunk(0, 3, [&] {
        driver->timerTimeTimer();
        driver->timerTimeTimer();
        driver->tbtnStopClick();
        driver->tbtnStopClick(); // a second press changes nothing
        statusAtStop = Status(0);
    });

    driver->imgStartClick();

    EXPECT_EQ(encoder.commands.size(), 1u);
    // The row says so at once; the encoder then finishes its file, and the
    // cancel comes once it has ended.
    EXPECT_EQ(statusAtStop, "Stop");
    EXPECT_LT(IndexOf(log, "stopping"), IndexOf(log, "message:"));
    EXPECT_EQ(Reason("a.avi"), "Stopped after 00:00:17 of 00:00:40");
    EXPECT_EQ(Statuses(), (V{"Stop", "OK", "Complete"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The Coversion is canceled.");
    EXPECT_EQ(prompter.shown[0].caption, "Cancel");
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Information);
    EXPECT_FALSE(Has(log, "open:" + settings.OutputDir));
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(driver->State(), ConvertState::Idle);
    EXPECT_FALSE(view.timer);
    EXPECT_FALSE(view.progressPanel);
    EXPECT_EQ(log.back(), "idle");
    // The times keep their last values.
    EXPECT_EQ(view.elapsed, "00:00:02");
    EXPECT_EQ(driver->ElapsedSeconds(), 2);
}

TEST_F(BatchDriverTest, StopDuringTheLastTaskIsACancelNotACompletion) {
    AddThreeTasks();
    settings.General.AutoTurnOff = true;
    settings.General.AutoExit = true;
    settings.General.AutoOpenDir = true;
    AtChunk(2, 2, [&] { driver->tbtnStopClick(); });

    driver->imgStartClick();

    EXPECT_EQ(Statuses(), (V{"Complete", "Complete", "Stop"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The Coversion is canceled.");
    EXPECT_FALSE(Has(log, "poweroff"));
    EXPECT_FALSE(Has(log, "open:" + settings.OutputDir));
    EXPECT_EQ(closes, 0);
}

TEST_F(BatchDriverTest, StopBetweenTwoTasksStopsTheNextOneBeforeItStarts) {
    AddThreeTasks();
    onPump = [&] {
        if (!encoder.inRun && encoder.run == 0) driver->tbtnStopClick();
    };

    driver->imgStartClick();

    // The second task is not converted to its end just to be marked "Stop".
    EXPECT_EQ(encoder.commands.size(), 1u);
    EXPECT_EQ(Statuses(), (V{"Complete", "Stop", "OK"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The Coversion is canceled.");
}

TEST_F(BatchDriverTest, AFailedTaskIsMarkedAndReportedAndTheOthersGoOn) {
    AddThreeTasks();
    settings.General.AutoOpenDir = true;
    encoder.scripts[1] =
        Fails({"banner\n"}, 1, "/videos/b.avi: Invalid data found when processing input");

    driver->imgStartClick();

    EXPECT_EQ(encoder.commands.size(), 3u);
    EXPECT_EQ(Statuses(), (V{"Complete", "Failed", "Complete"}));
    EXPECT_EQ(Reason("b.avi"), "/videos/b.avi: Invalid data found when processing input");
    EXPECT_EQ(Reason("a.avi"), "");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The conversion of 1 of 3 tasks failed.");
    EXPECT_EQ(prompter.shown[0].caption, "Complete");
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Warning);
    EXPECT_LT(IndexOf(log, "message:"), IndexOf(log, "open:"));
    EXPECT_EQ(view.bars.Total, 100);
}

TEST_F(BatchDriverTest, AFailureWithoutAnErrorLineStillSaysWhy) {
    AddTask("a.avi", "00:00:40");
    AddTask("b.avi", "00:00:40");
    encoder.scripts = {Fails({}, 3, ""), Fails({}, -1, "")};
    encoder.scripts[1].signal = 9;
    settings.General.AutoExit = true;

    driver->imgStartClick();

    EXPECT_EQ(Statuses(), (V{"Failed", "Failed"}));
    EXPECT_EQ(Reason("a.avi"), "The encoder ended with exit code 3.");
    EXPECT_EQ(Reason("b.avi"), "The encoder was ended by signal 9.");
    // Auto Exit still applies after a failure, but the failures are told
    // first.
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_LT(IndexOf(log, "message:The conversion of 2 of 2 tasks failed."),
              IndexOf(log, "countdown:exit:10"));
    EXPECT_EQ(closes, 1);
}

TEST_F(BatchDriverTest, AnEncoderThatCannotStartEndsTheBatch) {
    AddThreeTasks();
    settings.General.AutoOpenDir = true;
    encoder.scripts[1] = DoesNotStart("Error on CreateProcess()");

    driver->imgStartClick();

    EXPECT_EQ(Statuses(), (V{"Complete", "Failed", "OK"}));
    EXPECT_EQ(encoder.commands.size(), 2u);
    EXPECT_EQ(Reason("b.avi"), "Error on CreateProcess()");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Error on CreateProcess()");
    EXPECT_EQ(prompter.shown[0].caption, "Tarvolin PSP Video Converter");
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::None);
    EXPECT_FALSE(Has(log, "open:" + settings.OutputDir));
    EXPECT_EQ(driver->State(), ConvertState::Idle);
    EXPECT_FALSE(view.timer);
    EXPECT_FALSE(view.progressPanel);
    EXPECT_EQ(log.back(), "idle");
}

struct CompletionCase {
    bool turnOff, exit, openDir, goOn;
    std::vector<std::string> events; // the effects after the last task, in order
};

void PrintTo(const CompletionCase& c, std::ostream* os) {
    *os << "{turnOff " << c.turnOff << ", exit " << c.exit << ", openDir " << c.openDir << ", goOn "
        << c.goOn << "}";
}

class CompletionActions : public BatchDriverTest,
                          public ::testing::WithParamInterface<CompletionCase> {};

TEST_P(CompletionActions, FollowThePreferencesInTheirOrder) {
    const CompletionCase& c = GetParam();
    AddTask("a.avi", "00:00:40");
    settings.General.AutoTurnOff = c.turnOff;
    settings.General.AutoExit = c.exit;
    settings.General.AutoOpenDir = c.openDir;
    countdown.goOn = c.goOn;

    driver->imgStartClick();

    std::vector<std::string> events;
    for (const std::string& e : log)
        if (e == "poweroff" || e == "close" || e.rfind("message:", 0) == 0 ||
            e.rfind("open:", 0) == 0 || e.rfind("countdown:", 0) == 0)
            events.push_back(e == "open:" + settings.OutputDir ? "open" : e);
    EXPECT_EQ(events, c.events);
    if (closes > 0) {
        // The window closes once the driver is idle, so its close goes through.
        EXPECT_EQ(stateAtClose, ConvertState::Idle);
        EXPECT_FALSE(closeDeferredAtClose);
    }
}

const std::string kSuccess = "message:The coversion is completed successfully.";
INSTANTIATE_TEST_SUITE_P(
    BatchDriver, CompletionActions,
    ::testing::Values(
        CompletionCase{true, true, true, true, {"countdown:power off:60", "poweroff", "close"}},
        CompletionCase{true, false, false, true, {"countdown:power off:60", "poweroff", "close"}},
        CompletionCase{false, true, true, true, {"countdown:exit:10", "close"}},
        CompletionCase{false, false, true, true, {kSuccess, "open"}},
        CompletionCase{false, false, false, true, {kSuccess}},
        // A cancelled countdown ends the batch as if neither
        // action were set; Auto Exit is not consulted then.
        CompletionCase{true, true, true, false, {"countdown:power off:60", kSuccess, "open"}},
        CompletionCase{false, true, false, false, {"countdown:exit:10", kSuccess}}));

TEST_F(BatchDriverTest, WithoutCompletionActionsABatchJustEndsWhateverThePreferencesSay) {
    MakeDriver(false);
    settings.General.AutoTurnOff = settings.General.AutoExit = settings.General.AutoOpenDir = true;
    AddTask("a.avi", "00:00:40");
    AddTask("b.avi", "00:00:40");
    encoder.scripts = {Runs(Chunks({20, 40})), Fails({}, 1, "broken")};
    auto effects = [&] {
        V found;
        for (const std::string& e : log)
            if (e == "poweroff" || e == "close" || e.rfind("message:", 0) == 0 ||
                e.rfind("open:", 0) == 0 || e.rfind("countdown:", 0) == 0)
                found.push_back(e);
        return found;
    };

    EXPECT_EQ(driver->tbtnStartClick(), StartOutcome::Converted);
    EXPECT_EQ(Statuses(), (V{"Complete", "Failed"}));
    // A stopped batch too (its first run is the third).
    encoder.scripts.push_back(Runs(Chunks({10, 20, 30, 40})));
    AtChunk(2, 3, [&] { driver->tbtnStopClick(); });
    driver->tbtnStartClick();
    EXPECT_EQ(Status(0), "Stop");

    EXPECT_EQ(effects(), V{});
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(driver->State(), ConvertState::Idle);
    EXPECT_FALSE(view.timer || view.progressPanel || view.busy);
    for (const BatchSnapshot& seen : view.seen)
        EXPECT_TRUE(seen.Then.empty() || seen.Then == "Stopping…") << seen.Then;
}

TEST_F(BatchDriverTest, ThePowerOffCountdownNamesFailuresAndAQuitDuringItPreventsThePowerOff) {
    AddTask("a.avi", "00:00:40");
    encoder.scripts = {Fails({}, 1, "broken")};
    settings.General.AutoTurnOff = true;
    driver->imgStartClick();
    // Nothing waits for an answer before the power-off.
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(Has(log, "countdown:power off:60:The conversion of 1 of 1 tasks failed."));
    EXPECT_TRUE(Has(log, "poweroff"));

    log.clear();
    countdown.during = [&] { driver->CloseRequested(); };
    driver->imgStartClick();
    EXPECT_FALSE(Has(log, "poweroff"));
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(stateAtClose, ConvertState::Idle);
}

TEST_F(BatchDriverTest, AClickOnStartWithAnEmptyListDoesNothingAtAll) {
    settings.OutputDir = dir.file("missing");
    EXPECT_EQ(driver->imgStartClick(), StartOutcome::NothingToDo);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(encoder.commands.empty());
}

TEST_F(BatchDriverTest, AMissingOutputDirectoryIsReportedAndNothingChanges) {
    AddThreeTasks();
    WriteFileBytes(dir.file("file"), "x");
    for (const std::string& bad : {dir.file("missing"), dir.file("file"), std::string()}) {
        log.clear();
        prompter.shown.clear();
        settings.OutputDir = bad;
        EXPECT_EQ(driver->imgStartClick(), StartOutcome::NoOutputDir);
        ASSERT_EQ(prompter.shown.size(), 1u) << bad;
        EXPECT_EQ(prompter.shown[0].text,
                  "The output path does not exist. Please specify another one.");
        EXPECT_EQ(prompter.shown[0].caption, "Output path does not exist");
        EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Information);
        EXPECT_EQ(log, Log{"message:" + prompter.shown[0].text});
    }
    EXPECT_TRUE(encoder.commands.empty());
    EXPECT_EQ(Statuses(), (V{"OK", "OK", "OK"}));
}

// A profile whose pick-list choice "H264" has no encoder value at its place.
void WriteCodecProfile(const std::string& path, const std::string& values) {
    WriteFileBytes(path, "[Main]\r\nType=mp4\r\nPara=1\r\n0=Codec\r\n[Codec]\r\nSort=1\r\n"
                         "List=1\r\nCaption=MPEG4,H264,\r\nValue=" +
                             values + "\r\ncmd=-vcodec\r\n");
}

TEST_F(BatchDriverTest, TheProfileArgumentsAreBuiltOnceAndReachEveryTask) {
    AddTask("a.avi", "00:00:40");
    AddTask("b.avi", "00:00:40");
    settings.ProfileFile = dir.file("p.apf");
    WriteCodecProfile(settings.ProfileFile, "mpeg4,libx264,");
    settings.own.Video.AppendRow({"Codec", "H264", true, {"MPEG4", "H264"}, true});

    driver->imgStartClick();

    ASSERT_EQ(encoder.commands.size(), 2u);
    for (const CommandLine& c : encoder.commands)
        EXPECT_NE(c.Text.find(" -vcodec libx264 \""), std::string::npos) << c.Text;
}

TEST_F(BatchDriverTest, ARejectedProfileReturnsToIdleWithoutConverting) {
    AddThreeTasks();
    settings.ProfileFile = dir.file("p.apf");
    WriteCodecProfile(settings.ProfileFile, "mpeg4,");
    settings.own.Video.AppendRow({"Codec", "H264", true, {"MPEG4", "H264"}, true});

    EXPECT_EQ(driver->imgStartClick(), StartOutcome::ProfileRefused);

    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "List index out of bounds (1)");
    EXPECT_EQ(prompter.shown[0].caption, "Tarvolin PSP Video Converter");
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(log, (Log{"busy", "message:List index out of bounds (1)", "idle"}));
    EXPECT_EQ(driver->State(), ConvertState::Idle);
    EXPECT_TRUE(encoder.commands.empty());
    EXPECT_EQ(Statuses(), (V{"OK", "OK", "OK"}));
}

TEST_F(BatchDriverTest, ClosingTheWindowDuringABatchStopsItQuietlyAndThenCloses) {
    AddThreeTasks();
    settings.General.AutoOpenDir = true;
    EXPECT_FALSE(driver->CloseRequested()); // no batch: close at once
    bool deferred = false, killedAtFirst = true;
    AtChunk(1, 2, [&] {
        deferred = driver->CloseRequested();
        killedAtFirst = encoder.killed;
        driver->EndAtOnce(); // asked again: no time to finish
    });

    driver->imgStartClick();

    EXPECT_TRUE(deferred);
    EXPECT_FALSE(killedAtFirst);
    EXPECT_TRUE(encoder.killed);
    EXPECT_EQ(encoder.commands.size(), 2u);
    EXPECT_TRUE(encoder.terminated);
    EXPECT_EQ(Statuses(), (V{"Complete", "Stop", "OK"}));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(Has(log, "open:" + settings.OutputDir));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(stateAtClose, ConvertState::Idle);
    EXPECT_FALSE(closeDeferredAtClose);
}

TEST_F(BatchDriverTest, EachOutputPathIsComposedJustBeforeItsTask) {
    // Two inputs with the same output name: the second finds the first's
    // output and, with Overwrite off, takes its numbered name.
    AddTask("clip.avi", "00:00:40");
    AddTask("clip.mpg", "00:00:40");
    settings.General.Overwrite = false;
    encoder.scripts = {WritesOutput(Chunks({40})), WritesOutput(Chunks({40}))};

    driver->imgStartClick();

    ASSERT_EQ(encoder.commands.size(), 2u);
    EXPECT_EQ(rows.At(0).Output, dir.file("clip.mp4"));
    EXPECT_EQ(rows.At(1).Output, dir.file("clip_2.mp4"));
    // Written under temporary names, each renamed once its encoder ended.
    EXPECT_EQ(ReadFileBytes(dir.file("clip.mp4")), "video");
    EXPECT_EQ(ReadFileBytes(dir.file("clip_2.mp4")), "video");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST_F(BatchDriverTest, NoOutputHasItsNameBeforeItsEncoderHasEnded) {
    // a converts; b fails over an older file of its name (which stays); c
    // is stopped and keeps what it wrote.
    AddThreeTasks();
    for (Script& script : encoder.scripts)
        script.writeOutput = true;
    encoder.scripts[1].exitCode = 1;
    WriteFileBytes(dir.file("b.mp4"), "older");
    std::vector<V> seen;
    onPump = [&] {
        if (!encoder.inRun || encoder.chunk != 2) return;
        V files;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        seen.push_back(files);
        if (encoder.run == 2) driver->tbtnStopClick();
    };

    driver->imgStartClick();

    EXPECT_EQ(seen, (std::vector<V>{{".a.tarvolin-part-1.mp4", "b.mp4"},
                                    {".b.tarvolin-part-2.mp4", "a.mp4", "b.mp4"},
                                    {".c.tarvolin-part-3.mp4", "a.mp4", "b.mp4"}}));
    EXPECT_EQ(Statuses(), (V{"Complete", "Failed", "Stop"}));
    EXPECT_EQ(ReadFileBytes(dir.file("a.mp4")), "video");
    EXPECT_EQ(ReadFileBytes(dir.file("b.mp4")), "older");
    EXPECT_EQ(ReadFileBytes(dir.file("c.mp4")), "video");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rows.At(i).PartFile, "");
}

TEST_F(BatchDriverTest, AStoppedEncoderKilledBeforeItFinishedLeavesNoFileUnderTheOutputsName) {
    AddTask("a.avi", "00:00:40");
    encoder.scripts = {WritesOutput(Chunks({20, 40}))};
    encoder.scripts[0].killed = true;
    AtChunk(0, 1, [&] { driver->tbtnStopClick(); });

    driver->imgStartClick();

    EXPECT_EQ(Statuses(), V{"Stop"});
    EXPECT_NE(rows.At(0).Reason.find("did not finish its file in time; the file was removed"),
              std::string::npos)
        << rows.At(0).Reason;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0);
}

TEST_F(BatchDriverTest, ANameTakenWhileTheEncoderRanIsJudgedAgainByTheOverwriteRule) {
    for (bool overwrite : {false, true}) {
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directories(dir.path());
        rows.Clear();
        encoder.run = -1;
        AddTask("a.avi", "00:00:40");
        encoder.scripts = {WritesOutput(Chunks({20, 40}))};
        settings.General.Overwrite = overwrite;
        AtChunk(0, 2, [&] { WriteFileBytes(dir.file("a.mp4"), "someone else's"); });

        driver->imgStartClick();

        EXPECT_EQ(Statuses(), V{"Complete"});
        if (overwrite) {
            EXPECT_EQ(rows.At(0).Output, dir.file("a.mp4"));
            EXPECT_EQ(ReadFileBytes(dir.file("a.mp4")), "video");
        } else {
            EXPECT_EQ(rows.At(0).Output, dir.file("a_1.mp4"));
            EXPECT_EQ(ReadFileBytes(dir.file("a.mp4")), "someone else's");
            EXPECT_EQ(ReadFileBytes(dir.file("a_1.mp4")), "video");
        }
    }
}

TEST_F(BatchDriverTest, TheComputerIsKeptAwakeWhileTheTasksRunOrTheUserIsTold) {
    AddThreeTasks();
    bool heldMidway = false;
    AtChunk(1, 2, [&] { heldMidway = awake.held && view.seen.back().SleepWarning.empty(); });
    driver->imgStartClick();
    EXPECT_TRUE(heldMidway);
    EXPECT_TRUE(Has(log, "awake:Converting 3 videos"));
    // Let go before the message waits for the user.
    EXPECT_LT(IndexOf(log, "asleep"), IndexOf(log, "message:"));
    EXPECT_FALSE(awake.held);

    awake.works = false;
    encoder.run = -1;
    std::string warning;
    TaskLog taskLog(rows, dir.file("logs"));
    AtChunk(0, 2, [&] { warning = view.seen.back().SleepWarning; });
    BatchServices s;
    s.Tasks = &rows;
    s.Observer = &view;
    s.Settings = &settings;
    s.Prompt = &prompter;
    s.Encoder = &encoder;
    s.Awake = &awake;
    s.Log = &taskLog;
    s.Pump = [this] { onPump(); };
    BatchDriver logged(std::move(s));
    logged.imgStartClick();
    EXPECT_EQ(warning, MaySleepWarning);
    EXPECT_EQ(view.seen.back().SleepWarning, "");
    EXPECT_NE(ReadFileBytes(taskLog.LastBatchFile())
                  .find("The computer may go to sleep during this batch: no logind\n"),
              std::string::npos);
}

TEST_F(BatchDriverTest, WordOfTheEndGoesOutBeforeTheMessageUnlessThePowerOffOrExitSpeaks) {
    AddThreeTasks();
    encoder.scripts[1] = Fails({}, 1, "Invalid data");
    driver->imgStartClick();
    EXPECT_LT(IndexOf(log, "notify:1 of 3 failed"), IndexOf(log, "message:"));

    log.clear();
    encoder.run = -1;
    encoder.scripts = {};
    driver->imgStartClick();
    EXPECT_TRUE(Has(log, "notify:3 files converted"));
    EXPECT_EQ(BatchFinishedText(1, 0), "1 file converted");

    for (bool exit : {false, true}) {
        log.clear();
        encoder.run = -1;
        settings.General.AutoTurnOff = !exit;
        settings.General.AutoExit = exit;
        driver->imgStartClick();
        EXPECT_EQ(IndexOf(log, "notify:"), -1);
    }
}

TEST_F(BatchDriverTest, AnEndForcedByTheSystemInterruptsTheRunningTasksAtOnce) {
    AddThreeTasks();
    settings.General.SimultaneousConversions = 2;
    for (Script& script : encoder.scripts)
        script.writeOutput = true;
    EXPECT_FALSE(driver->InterruptForExit()) << "no batch";
    AtChunk(1, 2, [&] { EXPECT_TRUE(driver->InterruptForExit()); });

    driver->imgStartClick();

    EXPECT_TRUE(encoder.killed);
    EXPECT_EQ(Statuses(), (V{"Interrupted", "Interrupted", "OK"}));
    EXPECT_EQ(Reason("a.avi"), InterruptedReason);
    // Converted again from the start next time: nothing of them is kept.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(closes, 1);
}

TEST_F(BatchDriverTest, AnOutputClearlyShorterThanTheClipIsIncomplete) {
    // Readings of 5.7 of 10 s: short; 8.9 of 10 s and 59 of 60 minutes:
    // within the tolerance; none at all: nothing to judge by.
    const double readings[] = {5.7, 8.9, 3540, -1};
    for (const char* name : {"a.avi", "b.avi", "c.avi", "d.avi"}) {
        AddTask(name, name[0] == 'c' ? "01:00:00" : "00:00:10");
        encoder.scripts.push_back(Runs({}));
        encoder.scripts.back().lastReading = readings[encoder.scripts.size() - 1];
    }
    encoder.scripts.push_back(Fails({}, 1, "Invalid data"));

    driver->imgStartClick();

    EXPECT_EQ(Statuses(), (V{"Incomplete", "Complete", "Complete", "Complete"}));
    EXPECT_EQ(Reason("a.avi"), "Only 00:00:05.7 of 00:00:10 was converted.");
    EXPECT_EQ(prompter.shown.back().text, "The conversion of 1 of 4 tasks is incomplete.");
    // With a failure too, both count.
    AddTask("e.avi", "00:00:10");
    encoder.run = -1;
    driver->imgStartClick();
    EXPECT_EQ(prompter.shown.back().text,
              "The conversion of 2 of 5 tasks failed or is incomplete.");
}

TEST_F(BatchDriverTest, TheTimerShowsElapsedAndEstimatesTheRest) {
    AddTask("a.avi", "00:00:40");
    encoder.scripts = {Runs(Chunks({10, 10}))};
    std::vector<std::string> seen;
    onPump = [&] {
        if (!encoder.inRun) return;
        if (encoder.chunk == 2) {
            // The bar has not left 0 yet: no estimate.
            EXPECT_EQ(view.elapsed, "");
            driver->timerTimeTimer();
            seen.push_back(view.elapsed + " " + view.remaining);
        } else if (encoder.chunk == 3) {
            // 10 of 40 s read: 25 %. After 30 s the rest takes 90 s.
            for (int i = 0; i < 29; ++i)
                driver->timerTimeTimer();
            seen.push_back(view.elapsed + " " + view.remaining);
        }
    };

    driver->imgStartClick();

    EXPECT_EQ(seen, (V{"00:00:01 00:00:00", "00:00:30 00:01:30"}));
    EXPECT_EQ(driver->RemainingSeconds(), 90);
}

TEST_F(BatchDriverTest, TheEstimateRoundsHalfToEven) {
    // 3 s at 40 %: 7.5 - 3 = 4.5 s left, which gives 4; 10 s at 80 %:
    // 12.5 - 10 = 2.5, which gives 2.
    AddTask("a.avi", "00:00:10");
    encoder.scripts = {Runs(Chunks({4, 8}))};
    std::vector<std::string> remaining;
    onPump = [&] {
        if (!encoder.inRun || encoder.chunk < 3) return;
        const int ticks = encoder.chunk == 3 ? 3 : 7;
        for (int i = 0; i < ticks; ++i)
            driver->timerTimeTimer();
        remaining.push_back(view.remaining);
    };
    driver->imgStartClick();
    EXPECT_EQ(remaining, (V{"00:00:04", "00:00:02"}));
}

// Several at once: a (40 s) runs beside b (40 s, shorter output); c (20 s)
// takes b's slot while a still runs.
TEST_F(BatchDriverTest, TwoSlotsConvertSideBySideEachWithItsOwnStatusAndProgress) {
    AddThreeTasks();
    settings.General.SimultaneousConversions = 2;
    encoder.scripts = {Runs(Chunks({10, 20, 30, 40})), Runs(Chunks({40})), Runs(Chunks({10, 20}))};

    driver->imgStartClick();

    EXPECT_EQ(encoder.mostAtOnce, 2u);
    EXPECT_EQ(encoder.statusesAtStart[1], (V{"Converting", "Converting", "OK"}));
    EXPECT_EQ(encoder.statusesAtStart[2], (V{"Converting", "Complete", "Converting"}));
    EXPECT_EQ(Statuses(), (V{"Complete", "Complete", "Complete"}));
    // a at 10 of 40 s (the current bar follows the oldest), b at 40: the
    // total counts both running tasks, 50 of 100 s.
    EXPECT_TRUE(Has(log, "bars:25%/50%"));
    // a done (80 s with b), c at 10 of 20 s: the current bar passes to c.
    EXPECT_TRUE(Has(log, "bars:50%/90%"));
    EXPECT_EQ(view.bars.Current, 100);
    EXPECT_EQ(view.bars.Total, 100);
    EXPECT_EQ(view.convertingFile, "c.avi");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The coversion is completed successfully.");
    // Each running task with its own progress, oldest first; the count of
    // tasks done.
    auto both = std::find_if(view.seen.begin(), view.seen.end(), [](const BatchSnapshot& s) {
        return s.Running.size() == 2 && s.Running[1].Percent == 100;
    });
    ASSERT_NE(both, view.seen.end());
    EXPECT_EQ(both->Running[0].Name, "a.avi");
    EXPECT_EQ(both->Running[0].Percent, 25);
    EXPECT_EQ(both->Running[1].Name, "b.avi");
    EXPECT_EQ(both->TasksDone, 0);
    EXPECT_EQ(view.seen.back().TasksDone, 3);
    EXPECT_EQ(view.seen.back().TasksTotal, 3);
    EXPECT_TRUE(view.seen.back().Running.empty());
}

TEST_F(BatchDriverTest, StartWhileProbingWaitsForEachProbeInListOrder) {
    const TaskId p = rows.AddFiles({"/videos/p.avi"}, ".mp4")[0];
    AddTask("a.avi", "00:00:40");
    settings.General.SimultaneousConversions = 2;
    // The window's way: refused while a file is probed.
    EXPECT_EQ(driver->tbtnStartClick(), StartOutcome::StillProbing);
    EXPECT_EQ(prompter.shown.at(0).text, rows.StartRefusal());
    EXPECT_TRUE(encoder.commands.empty());

    startWhileProbing = true;
    MakeDriver(true);
    // p's probe (20 s) ends at the third pump; a, ready, does not overtake it.
    int pumps = 0;
    std::vector<double> totals;
    onPump = [&] {
        if (++pumps != 3) return;
        EXPECT_TRUE(encoder.commands.empty());
        totals.push_back(driver->Total());
        rows.ApplyProbe(p, {"00:00:20.0", " 320x240", "00:00:00.0", "00:00:20.0", ""});
    };
    EXPECT_EQ(driver->tbtnStartClick(), StartOutcome::Converted);
    ASSERT_EQ(encoder.commands.size(), 2u);
    EXPECT_EQ(encoder.statusesAtStart[0], (V{"Converting", "OK"}));
    EXPECT_EQ(encoder.statusesAtStart[1], (V{"Converting", "Converting"}));
    EXPECT_EQ(Statuses(), (V{"Complete", "Complete"}));
    // The total counts p's 20 s once its probe has ended.
    EXPECT_EQ(totals, (std::vector<double>{40}));
    EXPECT_DOUBLE_EQ(driver->Total(), 60);
    EXPECT_DOUBLE_EQ(driver->Done(), 60);
    EXPECT_EQ(view.bars.Total, 100);

    // A Stop while the next task is still probed ends the batch without it.
    rows.Clear();
    rows.AddFiles({"/videos/q.avi"}, ".mp4");
    onPump = [&] { driver->tbtnStopClick(); };
    EXPECT_EQ(driver->tbtnStartClick(), StartOutcome::Converted);
    EXPECT_EQ(Statuses(), (V{"Probing"}));
    EXPECT_EQ(encoder.commands.size(), 2u);
    EXPECT_EQ(driver->State(), ConvertState::Idle);
}

TEST_F(BatchDriverTest, TasksRunningAtOnceNeverShareAnOutput) {
    // Both would be written to clip.mp4: the first one's path is taken when
    // it starts, so the second gets the numbered name.
    AddTask("clip.avi", "00:00:40");
    AddTask("clip.mpg", "00:00:40");
    settings.General.SimultaneousConversions = 2;
    driver->imgStartClick();
    ASSERT_EQ(encoder.commands.size(), 2u);
    EXPECT_EQ(encoder.mostAtOnce, 2u);
    EXPECT_EQ(rows.At(0).Output, dir.file("clip.mp4"));
    EXPECT_EQ(rows.At(1).Output, dir.file("clip_2.mp4"));
}

TEST_F(BatchDriverTest, StopEndsEveryRunningEncoderAndAFailedStartStopsTheOthers) {
    AddThreeTasks();
    AddTask("d.avi", "00:00:10");
    settings.General.SimultaneousConversions = 3;
    AtChunk(2, 1, [&] { driver->tbtnStopClick(); });
    driver->imgStartClick();
    EXPECT_EQ(encoder.commands.size(), 3u);
    EXPECT_EQ(Statuses(), (V{"Stop", "Stop", "Stop", "OK"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The Coversion is canceled.");

    // The second task's encoder cannot start: the first is stopped, the
    // error alone is shown and the batch ends.
    prompter.shown.clear();
    encoder.run = -1;
    encoder.scripts = {Runs(Chunks({20, 40})), DoesNotStart("Error on CreateProcess()")};
    onPump = nullptr;
    settings.General.SimultaneousConversions = 2;
    driver->imgStartClick();
    EXPECT_EQ(Statuses(), (V{"Stop", "Failed", "Stop", "OK"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Error on CreateProcess()");
    EXPECT_EQ(driver->State(), ConvertState::Idle);
    EXPECT_EQ(log.back(), "idle");
}

#ifdef TARVOLIN_FAKE_ENCODER
// A whole batch the way a front end without a window runs one: real encoder
// processes (the runner's fake encoder, scripted by the profile's
// arguments), the real runner, queue and task log, and a plain loop as the
// pump that ticks the timer now and then.
TEST_F(BatchDriverTest, PauseHoldsTheRunningTaskTheClockAndTheNextTaskUntilResume) {
    AddThreeTasks();
    int pausedPumps = 0;
    BatchSnapshot whilePaused;
    Task taskWhilePaused;
    onPump = [&] {
        if (encoder.run == 0 && encoder.chunk == 3 && !driver->Snapshot().Paused &&
            pausedPumps == 0) {
            driver->timerTimeTimer();
            driver->tbtnPauseClick();
        } else if (driver->Snapshot().Paused && ++pausedPumps == 5) {
            driver->timerTimeTimer(); // a tick already on its way
            driver->tbtnStopAfterClick();
            driver->tbtnStopAfterClick(); // taken back
            whilePaused = driver->Snapshot();
            taskWhilePaused = rows.At(0);
            driver->tbtnPauseClick();
        }
    };

    driver->imgStartClick();

    EXPECT_EQ(encoder.calls, (V{"suspend", "resume"}));
    EXPECT_TRUE(whilePaused.Paused);
    EXPECT_FALSE(whilePaused.TimerRunning);
    EXPECT_EQ(whilePaused.ElapsedSeconds, 1);
    EXPECT_EQ(whilePaused.Then, "");
    EXPECT_EQ(taskWhilePaused.State, TaskState::Paused);
    EXPECT_EQ(StatusText(taskWhilePaused.State), std::string("Paused"));
    EXPECT_EQ(taskWhilePaused.Percent, 50);
    // No second task started during the pause; the first went on at 50 %.
    EXPECT_EQ(encoder.statusesAtStart[1], (V{"Complete", "Converting", "OK"}));
    EXPECT_TRUE(Has(log, "timer:off"));
    EXPECT_EQ(Statuses(), (V{"Complete", "Complete", "Complete"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The coversion is completed successfully.");
    EXPECT_FALSE(view.seen.back().Paused);
}

TEST_F(BatchDriverTest, ATaskEndingWhilePausedStartsNoOtherUntilResume) {
    AddThreeTasks();
    int startedWhilePaused = -1;
    int pausedPumps = 0;
    onPump = [&] {
        // The first encoder has printed all; it ends during the pause.
        if (encoder.run == 0 && encoder.chunk == 4 && !driver->Snapshot().Paused &&
            pausedPumps == 0)
            driver->Pause();
        else if (driver->Snapshot().Paused && ++pausedPumps == 10) {
            startedWhilePaused = encoder.run;
            driver->Resume();
        }
    };
    driver->imgStartClick();
    EXPECT_EQ(startedWhilePaused, 0);
    EXPECT_EQ(Statuses(), (V{"Complete", "Complete", "Complete"}));
}

TEST_F(BatchDriverTest, StopWhilePausedResumesTheEncodersFirstAndCancels) {
    AddThreeTasks();
    settings.General.AutoExit = true;
    int pausedPumps = 0;
    onPump = [&] {
        if (encoder.run == 0 && encoder.chunk == 3 && pausedPumps == 0 &&
            !driver->Snapshot().Paused)
            driver->tbtnPauseClick();
        else if (driver->Snapshot().Paused && ++pausedPumps == 3)
            driver->tbtnStopClick();
    };
    driver->imgStartClick();
    EXPECT_EQ(encoder.calls, (V{"suspend", "resume", "terminate"}));
    EXPECT_EQ(Statuses(), (V{"Stop", "OK", "OK"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The Coversion is canceled.");
    EXPECT_EQ(closes, 0);
    EXPECT_FALSE(view.seen.back().Paused);
}

TEST_F(BatchDriverTest, StopAfterTheCurrentTasksFinishesThemAndNeverPowersOff) {
    AddThreeTasks();
    settings.General.SimultaneousConversions = 2;
    settings.General.AutoTurnOff = true;
    settings.General.AutoOpenDir = true;
    encoder.scripts[0] = Fails(Chunks({20}), 1, "Broken input");
    std::string thenNote;
    AtChunk(1, 3, [&] {
        if (thenNote.empty()) {
            driver->tbtnStopAfterClick();
            thenNote = driver->Snapshot().Then;
        }
    });

    driver->imgStartClick();

    EXPECT_EQ(thenNote, "Then: stop after the current tasks");
    EXPECT_EQ(Statuses(), (V{"Failed", "Complete", "OK"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Stopped after the current tasks: 1 of 3 converted. The "
                                      "conversion of 1 of 3 tasks failed.");
    EXPECT_EQ(prompter.shown[0].caption, "Complete");
    EXPECT_EQ(prompter.shown[0].icon, MsgIcon::Warning);
    EXPECT_LT(IndexOf(log, "message:"), IndexOf(log, "open:" + settings.OutputDir));
    // The desktop hears of the two tasks that ran before the message waits.
    const int notified = IndexOf(log, "notify:1 of 2 failed");
    EXPECT_NE(notified, -1);
    EXPECT_LT(notified, IndexOf(log, "message:"));
    EXPECT_EQ(IndexOf(log, "countdown:"), -1);
    EXPECT_FALSE(Has(log, "poweroff"));
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(driver->State(), ConvertState::Idle);
    EXPECT_FALSE(view.seen.back().StopAfterCurrent);

    // Taken back, it changes nothing: the batch converts to its end.
    log.clear();
    prompter.shown.clear();
    encoder.scripts.clear();
    encoder.run = -1;
    settings.General.AutoTurnOff = false;
    AtChunk(0, 1, [&] {
        driver->tbtnStopAfterClick();
        driver->tbtnStopAfterClick();
    });
    driver->imgStartClick();
    EXPECT_EQ(Statuses(), (V{"Complete", "Complete", "Complete"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The coversion is completed successfully.");
}

TEST(BatchDriverLoop, ConvertsABatchWithRealEncodersFromAPlainLoop) {
    TempDir dir;
    Log log;
    FakeObserver observer{log};
    FakePrompter prompter{log};
    FakeShell shell{log};
    FakePower power{log};
    FakeSettings settings;
    settings.OutputDir = dir.path().string();
    settings.General.SimultaneousConversions = 2;
    settings.ProfileFile = dir.file("fake.apf");
    WriteFileBytes(settings.ProfileFile,
                   "[Main]\r\nType=mp4\r\nPara=1\r\n0=Script\r\n[Script]\r\nSort=1\r\n"
                   "ReadOnly=1\r\nList=0\r\ncmd=print\r\nValue=banner\\n sleep 150 print "
                   "streams\\n sleep 150 print \"frame=1 time=1.50 x\\r\" sleep 100 print "
                   "\"frame=2 time=1.50 x\\r\" sleep 100 print end\\n\r\n");
    LoadProfile(settings.ProfileFile, settings.Sheets, nullptr);
    TaskQueue tasks;
    for (const char* name : {"a.avi", "b.avi", "c.avi"})
        AddRecord(tasks, ListedTask(dir.file(name), "00:00:02"));
    TaskLog taskLog(tasks, "");
    EncoderRunSet encoders(TARVOLIN_FAKE_ENCODER);
    int pumps = 0;
    std::unique_ptr<BatchDriver> driver;
    BatchServices services;
    services.Tasks = &tasks;
    services.Observer = &observer;
    services.Settings = &settings;
    services.ProgramTitle = "Tarvolin PSP Video Converter";
    services.Prompt = &prompter;
    services.Shell = &shell;
    services.Power = &power;
    services.Encoder = &encoders;
    services.Log = &taskLog;
    services.Pump = [&] {
        if (++pumps % 10 == 0 && driver->Snapshot().TimerRunning) driver->timerTimeTimer();
    };
    driver = std::make_unique<BatchDriver>(std::move(services));

    EXPECT_EQ(driver->tbtnStartClick(), StartOutcome::Converted);

    for (int i = 0; i < tasks.Count(); ++i) {
        const Task& task = tasks.At(i);
        EXPECT_EQ(task.State, TaskState::Complete) << task.Reason;
        ASSERT_TRUE(task.Log.has_value());
        EXPECT_NE(task.Log->CommandLine.find(" print banner"), std::string::npos);
        EXPECT_NE(task.Log->Output.find("streams\nframe=1"), std::string::npos);
        EXPECT_EQ(task.Output, dir.file(std::string(1, static_cast<char>('a' + i)) + ".mp4"));
    }
    size_t most = 0;
    int percent = 0;
    for (const BatchSnapshot& s : observer.seen) {
        most = std::max(most, s.Running.size());
        for (const RunningTask& running : s.Running)
            percent = std::max(percent, running.Percent);
    }
    EXPECT_EQ(most, 2u);
    EXPECT_EQ(percent, 75);
    const BatchSnapshot& last = observer.seen.back();
    EXPECT_EQ(last.State, ConvertState::Idle);
    EXPECT_FALSE(last.Busy || last.ProgressShown || last.TimerRunning);
    EXPECT_EQ(last.TasksDone, 3);
    EXPECT_EQ(last.Bars.Total, 100);
    EXPECT_NE(observer.elapsed, "");
    EXPECT_EQ(prompter.shown.back().text, "The coversion is completed successfully.");
}
#endif

} // namespace
