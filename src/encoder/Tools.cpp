#include "encoder/Tools.h"

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// The supervision's clock: it stands still while this program is paused.
Clock::time_point Now() {
    return Clock::now() - TimePaused();
}

// After a termination request the tool may finish its file (flush its
// encoder, write the index), which takes seconds on a busy machine: it goes
// on while it makes progress (prints something or uses the processor), for
// at most FinishLimit, and is killed once it has made none for StallLimit.
constexpr auto FinishLimit = std::chrono::seconds(10);
constexpr auto StallLimit = std::chrono::seconds(2);
// How often a finishing tool is looked at, and told of (onFinishing).
constexpr auto FinishLook = std::chrono::milliseconds(250);
// Once the tool has ended, its output is read until it ends; a grandchild
// that kept the pipe open is not waited for longer than this.
constexpr auto DrainGrace = std::chrono::milliseconds(200);
// How long one read waits for output before termination requests and the
// tool's end are looked at again. Longer than the program's own slice: the
// stand-in has no window to keep responsive, only a termination request to
// notice, which 50 ms is soon enough for while it wakes less often.
constexpr int ReadSliceMs = 50;

// One argument quoted so that the C runtime of the started program splits
// it back into exactly this word (backslashes only matter before a quote).
void AppendQuoted(std::string& line, const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
        line += arg;
        return;
    }
    line += '"';
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            line.append(backslashes * 2 + 1, '\\');
        else
            line.append(backslashes, '\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
}

} // namespace

CommandLine ToolCommandLine(const std::string& program, const std::vector<std::string>& args) {
    CommandLine command;
    AppendQuoted(command.Text, program);
    for (const std::string& a : args) {
        command.Text += ' ';
        AppendQuoted(command.Text, a);
    }
    command.Args = args;
    return command;
}

std::optional<int> RunTool(const std::string& program, const std::vector<std::string>& args,
                           const std::function<void(std::string_view)>& onOutput,
                           std::string& error, const ToolOptions& options) {
    // Before the start, so that a request arriving meanwhile is not lost.
    WatchTerminationRequests();

    ChildOptions child;
    child.ErrorIntoPipe = options.ErrorsWithOutput;
    child.NoInput = true;
    ChildProcess tool;
    const Clock::time_point startedAt = Now();
    if (tool.Start(program, ToolCommandLine(program, args), child) !=
        ChildProcess::StartError::None) {
        error = LastSystemError();
        return std::nullopt;
    }
    PassPausesTo(tool.Id());

    bool termSent = false, killSent = false, ended = false, printed = false;
    int exitCode = -1;
    Clock::time_point termAt{}, progressAt{}, lookAt{}, drainUntil{};
    double cpu = -1;
    // A termination request goes to the tool once; then it is watched while
    // it finishes, and killed when it takes too long or stalls.
    auto passOnRequests = [&] {
        const Clock::time_point now = Now();
        if (!killSent && options.TimeLimit.count() > 0 && now >= startedAt + options.TimeLimit) {
            tool.Kill();
            killSent = true;
        }
        if (!termSent && TerminationRequested()) {
            tool.Terminate();
            termSent = true;
            termAt = progressAt = lookAt = now;
            cpu = tool.CpuSeconds();
            // Only what it prints from now on shows that it finishes.
            printed = false;
        }
        if (!termSent || killSent) return;
        if (now >= lookAt + FinishLook) {
            lookAt = now;
            const double used = tool.CpuSeconds();
            if (printed || used > cpu) {
                progressAt = now;
                if (options.OnFinishing) options.OnFinishing();
            }
            printed = false;
            cpu = used;
        }
        if (now >= termAt + FinishLimit || now >= progressAt + StallLimit) {
            tool.Kill();
            killSent = true;
        }
    };

    char buf[4096];
    for (;;) {
        size_t got = 0;
        ChildProcess::ReadStatus status = tool.Read(buf, sizeof buf, ReadSliceMs, got);
        if (status == ChildProcess::ReadStatus::End) break;
        if (status == ChildProcess::ReadStatus::Data) {
            printed = true;
            onOutput(std::string_view(buf, got));
        }
        if (!ended) {
            passOnRequests();
            if (tool.Wait(0, exitCode)) {
                PassPausesTo(0);
                ended = true;
                drainUntil = Now() + DrainGrace;
            }
        } else if (Now() >= drainUntil) {
            break;
        }
    }
    // The output has ended; the tool normally exits at the same moment.
    while (!ended) {
        passOnRequests();
        ended = tool.Wait(ReadSliceMs, exitCode);
    }
    PassPausesTo(0);
    if (int sig = tool.EndSignal()) return 128 + sig;
    return exitCode;
}
