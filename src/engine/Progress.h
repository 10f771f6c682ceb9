#pragma once
// Turns the encoder's printed "time=" readings into the two progress bars.
#include <string_view>

// Positions of the current and total bars, held within 0..100. The labels
// show them followed by "%".
struct ProgressBars {
    int Current = 0;
    int Total = 0;
};

class ProgressParser {
public:
    // A new task: reading and chunk counter back to 0.
    void BeginTask(double clipLengthSec, double done, double total);
    // Examines one chunk (the first two of a task are skipped) and recomputes
    // bars. Returns true when bars were recomputed.
    bool Consume(std::string_view chunk, ProgressBars& bars);
    double Reading() const { return FReading; }

private:
    double FReading = 0;
    int FChunks = 0;
    double FClipLength = 0;
    double FDone = 0;
    double FTotal = 0;
};
