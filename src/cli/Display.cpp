#include "cli/Display.h"

#include "base/FileNames.h"
#include "base/TimeText.h"
#include "cli/Json.h"

#include <algorithm>

namespace {

using namespace std::chrono_literals;

// How often each form speaks of running tasks.
constexpr auto RedrawEvery = 100ms;
constexpr auto LinesEvery = 10s;
constexpr auto JsonEvery = 250ms;
// Json repeats a task's progress that has not moved this seldom.
constexpr auto JsonStillEvery = 5s;

// Characters of UTF-8 text, counting each sequence as one.
size_t Characters(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The last count characters of text, cut at a character's start.
std::string LastCharacters(const std::string& text, size_t count) {
    size_t start = text.size();
    for (size_t seen = 0; start > 0 && seen < count;) {
        --start;
        if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) ++seen;
    }
    return text.substr(start);
}

std::string Padded(std::string text, size_t width) {
    const size_t length = Characters(text);
    if (length < width) text.append(width - length, ' ');
    return text;
}

std::string TimeOrUnknown(double seconds) {
    return seconds < 0 ? "--:--:--" : SecondsToTime(static_cast<double>(RoundHalfEven(seconds)));
}

bool Ended(TaskState state) {
    return state == TaskState::Complete || state == TaskState::Incomplete ||
           state == TaskState::Failed || state == TaskState::Stopped;
}

bool IsFailure(TaskState state) {
    return state == TaskState::Incomplete || state == TaskState::Failed;
}

} // namespace

std::string RunningLine(const std::string& name, int percent, int totalPercent, double elapsed,
                        double remaining, int columns) {
    const auto percentText = [](int value) {
        const std::string text = std::to_string(value) + "%";
        return std::string(text.size() < 4 ? 4 - text.size() : 0, ' ') + text;
    };
    const std::string tail = " " + percentText(percent) + "  total " + percentText(totalPercent) +
                             "  " + TimeOrUnknown(elapsed) + " left " + TimeOrUnknown(remaining);
    // A width that cannot be told is taken as the usual 80 columns.
    const size_t width = static_cast<size_t>((columns > 0 ? std::max(columns, 40) : 80) - 1);
    // The name takes what a bar of 20 and the tail leave, from 12 to 30
    // characters; the bar what is left then, from 10 to 40. On a narrow
    // terminal the tail's end is cut.
    const size_t fixed = tail.size() + 3; // the blank and the bar's brackets
    const size_t nameWidth =
        std::clamp<size_t>(width > fixed + 20 ? width - fixed - 20 : 12, 12, 30);
    const size_t bar =
        std::clamp<size_t>(width > fixed + nameWidth ? width - fixed - nameWidth : 10, 10, 40);
    std::string shown = name;
    if (Characters(shown) > nameWidth) shown = "..." + LastCharacters(name, nameWidth - 3);
    const size_t filled = bar * static_cast<size_t>(std::clamp(percent, 0, 100)) / 100;
    std::string line = Padded(shown, nameWidth) + " [" + std::string(filled, '#') +
                       std::string(bar - filled, '-') + "]" + tail;
    while (Characters(line) > width)
        line = line.substr(0, line.size() - 1);
    return line;
}

double RemainingSeconds(double elapsed, int totalPercent) {
    if (totalPercent <= 0) return -1;
    return std::max(0.0, elapsed / (totalPercent / 100.0) - elapsed);
}

CliDisplay::CliDisplay(const TaskQueue& tasks, DisplayMode mode, bool quiet, std::FILE* out,
                       int columns)
    : FTasks(tasks), FMode(mode), FQuiet(quiet), FOut(out), FColumns(columns) {}

void CliDisplay::Write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), FOut);
    std::fflush(FOut);
}

double CliDisplay::Elapsed() const {
    if (!FBatchStart) return 0;
    return std::chrono::duration<double>(Clock::now() - *FBatchStart).count();
}

void CliDisplay::BatchChanged(const BatchSnapshot& snapshot) {
    FNow = snapshot;
    if (!FBatchStart && snapshot.State == ConvertState::Running) FBatchStart = Clock::now();
    if (FMode != DisplayMode::Lines || FQuiet) return;
    for (const RunningTask& running : snapshot.Running) {
        if (!FAnnounced.insert(running.Id).second) continue;
        if (const Task* task = FTasks.Find(running.Id))
            Write("Converting " + task->InputFile + " -> " + task->Output + "\n");
    }
}

void CliDisplay::TaskChanged(int, TaskId id) {
    const Task* task = FTasks.Find(id);
    if (!task || !Ended(task->State) || FReported.count(id)) return;
    // A stopped task is said once its encoder has finished its file: the
    // reason then says how much was converted.
    if (task->State == TaskState::Stopped && task->Reason.empty()) {
        FStopping.insert(id);
        return;
    }
    Report(*task);
}

void CliDisplay::Report(const Task& task) {
    FReported.insert(task.Id);
    FStopping.erase(task.Id);
    FSaid.erase(task.Id);
    std::string reason = task.Reason;
    switch (task.State) {
    case TaskState::Complete:
        ++FCounts.Complete;
        break;
    case TaskState::Incomplete:
        ++FCounts.Incomplete;
        break;
    case TaskState::Failed:
        ++FCounts.Failed;
        break;
    default:
        ++FCounts.Stop;
        if (reason.empty()) reason = "Not converted: the batch was stopped.";
        break;
    }
    const bool ended = Ended(task.State);
    const char* status = ended ? StatusText(task.State) : "Stop";
    if (FQuiet && !IsFailure(task.State)) return;
    if (FMode == DisplayMode::Json) {
        Write("{\"event\":\"task\",\"input\":" + JsonString(task.InputFile) +
              ",\"output\":" + JsonString(task.Output) + ",\"status\":" + JsonString(status) +
              ",\"reason\":" + JsonString(reason) + "}\n");
        return;
    }
    std::string line = std::string(status) + " " + task.InputFile;
    if (!task.Output.empty() && task.State != TaskState::Failed) line += " -> " + task.Output;
    if (!reason.empty()) line += ": " + reason;
    // A line of ours never breaks: a reason is one line of the encoder's.
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    if (FMode == DisplayMode::Terminal) {
        EraseRunning();
        Write(line + "\n");
        DrawRunning(true);
    } else {
        Write(line + "\n");
    }
}

void CliDisplay::EraseRunning() {
    if (FDrawn.empty()) return;
    // Up to the first running line, and everything from there on erased.
    Write("\x1b[" + std::to_string(FDrawn.size()) + "A\r\x1b[J");
    FDrawn.clear();
}

void CliDisplay::DrawRunning(bool force) {
    const auto now = Clock::now();
    if (!force && now - FLastDraw < RedrawEvery) return;
    std::vector<std::string> lines;
    const double elapsed = Elapsed();
    const double remaining = RemainingSeconds(elapsed, FNow.Bars.Total);
    for (const RunningTask& running : FNow.Running)
        if (!FReported.count(running.Id) && !FStopping.count(running.Id))
            lines.push_back(RunningLine(running.Name, running.Percent, FNow.Bars.Total, elapsed,
                                        remaining, FColumns));
    if (lines == FDrawn && !force) return;
    FLastDraw = now;
    std::string text;
    if (!FDrawn.empty()) text = "\x1b[" + std::to_string(FDrawn.size()) + "A\r\x1b[J";
    for (const std::string& line : lines)
        text += line + "\n";
    if (!text.empty()) Write(text);
    FDrawn = std::move(lines);
}

void CliDisplay::Tick() {
    if (FQuiet) return;
    const auto now = Clock::now();
    switch (FMode) {
    case DisplayMode::Terminal:
        DrawRunning(false);
        break;
    case DisplayMode::Lines: {
        if (now - FLastLines < LinesEvery) break;
        FLastLines = now;
        if (!FBatchStart) break;
        const double elapsed = Elapsed();
        for (const RunningTask& running : FNow.Running)
            Write(std::to_string(running.Percent) + "% " + running.Name + " (total " +
                  std::to_string(FNow.Bars.Total) + "%, elapsed " + TimeOrUnknown(elapsed) +
                  ", remaining " + TimeOrUnknown(RemainingSeconds(elapsed, FNow.Bars.Total)) +
                  ")\n");
        break;
    }
    case DisplayMode::Json: {
        const double elapsed = Elapsed();
        const double remaining = RemainingSeconds(elapsed, FNow.Bars.Total);
        for (const RunningTask& running : FNow.Running) {
            if (FReported.count(running.Id) || FStopping.count(running.Id)) continue;
            auto said = FSaid.find(running.Id);
            const bool moved = said == FSaid.end() ? running.Percent != 0 || FNow.Bars.Total != 0
                                                   : said->second.Percent != running.Percent ||
                                                         said->second.Total != FNow.Bars.Total;
            if (said != FSaid.end() && now - said->second.When < JsonEvery) continue;
            if (!moved && (said == FSaid.end() || now - said->second.When < JsonStillEvery))
                continue;
            const Task* task = FTasks.Find(running.Id);
            if (!task) continue;
            FSaid[running.Id] = Said{now, running.Percent, FNow.Bars.Total};
            Write("{\"event\":\"progress\",\"input\":" + JsonString(task->InputFile) +
                  ",\"percent\":" + std::to_string(running.Percent) + ",\"total_percent\":" +
                  std::to_string(FNow.Bars.Total) + ",\"elapsed\":" + JsonSeconds(elapsed) +
                  ",\"remaining\":" + JsonSeconds(std::max(0.0, remaining)) + "}\n");
        }
        break;
    }
    }
}

void CliDisplay::ReportRest() {
    if (FMode == DisplayMode::Terminal) EraseRunning();
    for (TaskId id : FTasks.Ids())
        if (!FReported.count(id))
            if (const Task* task = FTasks.Find(id)) Report(*task);
}

void CliDisplay::Summary(double seconds, const std::string& logFile) {
    if (FMode == DisplayMode::Terminal) EraseRunning();
    if (FMode == DisplayMode::Json) {
        Write("{\"event\":\"end\",\"counts\":{\"Complete\":" + std::to_string(FCounts.Complete) +
              ",\"Incomplete\":" + std::to_string(FCounts.Incomplete) + ",\"Failed\":" +
              std::to_string(FCounts.Failed) + ",\"Stop\":" + std::to_string(FCounts.Stop) +
              "},\"seconds\":" + JsonSeconds(seconds) + "}\n");
        if (!logFile.empty()) std::fprintf(stderr, "tarvolin-cli: log: %s\n", logFile.c_str());
        return;
    }
    Write(std::to_string(FCounts.Complete) + " Complete, " + std::to_string(FCounts.Incomplete) +
          " Incomplete, " + std::to_string(FCounts.Failed) + " Failed, " +
          std::to_string(FCounts.Stop) + " Stop in " + JsonSeconds(seconds) + " s\n");
    if (!logFile.empty()) Write("Log: " + logFile + "\n");
}
