#pragma once
// Turns the encoder's printed "time=" readings into the two progress bars.
#include <string_view>

// Positions of the current and total bars, held within 0..100. The labels
// show them followed by "%".
struct ProgressBars {
    int Current = 0;
    int Total = 0;
};

// A bar position from a fraction: percent rounded half to even, held within
// 0..100.
int ProgressPosition(double fraction);

// The reading of one whole progress line: the text after its first "time="
// up to a blank or the line's end, in seconds ("12.34") or as a time text
// ("00:00:12.34"). False when the line holds no such reading.
bool ParseTimeReading(std::string_view line, double& seconds);

class ProgressParser {
public:
    // A new task: reading and chunk counter back to 0.
    void BeginTask(double clipLengthSec, double done, double total);
    // Examines one chunk (the first two of a task are skipped) and recomputes
    // bars. Returns true when bars were recomputed.
    bool Consume(std::string_view chunk, ProgressBars& bars);
    double Reading() const { return FReading; }
    // How much of the task's clip is done: the current bar's position for
    // it (0 for a clip of no length).
    int Position() const;

private:
    double FReading = 0;
    int FChunks = 0;
    double FClipLength = 0;
    double FDone = 0;
    double FTotal = 0;
};
