#pragma once
// A task: one input video of the batch with everything the program knows and
// decides about it, from the moment it is added until it is removed: its id,
// its input, what probing learnt, the Output sheet's values, its state and
// why it is in it, the log of its last run, the output it was given and its
// progress while it converts. The task queue owns the tasks; every front end
// (the window's list, the batch driver) reads them there.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Stable for the task's whole life and never given to another task in the
// same run; a list brought back later may give its tasks their old ids.
using TaskId = std::uint64_t;

enum class TaskState {
    Probing,    // added; its probe has not ended
    Ready,      // probed, waiting for a batch
    Unreadable, // the probe found no length (Reason says why); still converted
    Converting, // its encoder runs
    Paused,     // its encoder is paused (the batch is)
    Complete,   // converted
    Incomplete, // the encoder succeeded but wrote clearly less than asked (Reason)
    Failed,     // the encoder failed or could not start (Reason)
    Stopped,    // a Stop came while it converted or before it started (Reason: how far)
    // It converted when the program ended without a Stop (a crash, a kill,
    // the session ending); it converts again from the start at the next Start.
    Interrupted,
};

// Why a task is Interrupted.
inline constexpr const char* InterruptedReason =
    "The program ended while this task was being converted. It is converted again from the "
    "start at the next Start.";

// The text the Status column shows for a state: "Probing", "OK", "Unreadable",
// "Converting", "Paused", "Complete", "Incomplete", "Failed", "Stop",
// "Interrupted".
const char* StatusText(TaskState state);
// The state whose StatusText is text; false for a text of no state.
bool StateOfText(std::string_view text, TaskState& state);

// The log of one run of a task's encoder: the command line it was started
// with, its whole printed text (the end kept when it is long) and how the
// task ended.
struct TaskLogEntry {
    std::string InputFile;
    std::string OutputFile;  // empty when the encoder was not started
    std::string CommandLine; // the text as composed; empty when not started
    std::string Status;
    std::string Reason;
    std::string Output;       // the encoder's text, at most the cap once trimmed
    std::size_t CutBytes = 0; // how much of its beginning was dropped
    // Set when the batch's log file could not be written: why.
    std::string WriteProblem{};
};

struct Task {
    TaskId Id = 0;
    std::string InputFile; // full path of the input
    // What probing learnt; empty until the probe has ended.
    std::string Length;        // duration as the encoder prints it
    std::string Size;          // picture size as the encoder prints it
    std::string SourceStart;   // start of the input's full range
    std::string SourceEnd;     // end of the input's full range
    std::string StreamLengths; // where the input's streams end (ProbeResult::StreamLengths)
    // The Output sheet's values.
    std::string NewFileName; // output name without directory and extension
    std::string NewFileExt;  // output extension with its dot
    std::string ClipLength;  // length of the part to convert
    std::string StartTime;   // start of the part to convert
    std::string EndTime;     // end of the part to convert

    TaskState State = TaskState::Probing;
    // Why the task is Unreadable, Failed, Incomplete or Stopped: what its
    // Status cell's tooltip shows. Empty otherwise.
    std::string Reason;
    // The log of its last run; none before its first.
    std::optional<TaskLogEntry> Log;
    // The output path its last run was given (reserved when it started, so
    // that no other task of the batch takes it); empty before.
    std::string Output;
    // How much of its clip is converted, 0..100, while it converts (or is
    // paused).
    int Percent = 0;
    // The temporary file its encoder writes into while it converts, beside
    // the output it will become; empty otherwise.
    std::string PartFile{};
    // The state a probe that reads the input leaves the task in: Ready for a
    // task just added; a task brought back from the saved list returns to
    // the state it had.
    TaskState AfterProbe = TaskState::Ready;
};
