#include "engine/Progress.h"

#include "base/Text.h"
#include "base/TimeText.h"

#include <cmath>
#include <string>

// Values far outside (or not numbers at all) are held before rounding, so
// that no conversion can overflow.
int ProgressPosition(double fraction) {
    double percent = fraction * 100.0;
    if (std::isnan(percent)) return 0;
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    return static_cast<int>(RoundHalfEven(percent));
}

bool ParseTimeReading(std::string_view line, double& seconds) {
    size_t at = line.find("time=");
    if (at == std::string_view::npos) return false;
    std::string_view text = line.substr(at + 5);
    text = text.substr(0, text.find_first_of(" \t"));
    if (text.empty()) return false;
    double value = -1;
    if (text.find(':') != std::string_view::npos) {
        value = TimeToSeconds(std::string(text));
    } else if (!TryParseDecimal(text, value)) {
        return false;
    }
    if (!std::isfinite(value) || value < 0) return false;
    seconds = value;
    return true;
}

void ProgressParser::BeginTask(double clipLengthSec, double done, double total) {
    FReading = 0;
    FChunks = 0;
    FClipLength = clipLengthSec;
    FDone = done;
    FTotal = total;
}

int ProgressParser::Position() const {
    return FClipLength != 0 ? ProgressPosition(FReading / FClipLength) : 0;
}

bool ProgressParser::Consume(std::string_view chunk, ProgressBars& bars) {
    const int j = FChunks++;
    // The first two chunks of a task are the encoder's banner.
    if (j < 2) return false;

    // "time" exactly, its first occurrence; the reading starts after "time"
    // and the one character that follows it, and ends before the first blank.
    size_t at = chunk.find("time");
    if (at != std::string_view::npos) {
        size_t start = at + 5;
        size_t blank = start <= chunk.size() ? chunk.find(' ', start) : std::string_view::npos;
        if (blank != std::string_view::npos && blank > start) {
            double value = 0;
            // Not a number, or beyond the range of a double: no reading.
            if (TryParseDecimal(chunk.substr(start, blank - start), value) &&
                std::isfinite(value) && value > FReading)
                FReading = value;
        }
    }

    if (FClipLength != 0) bars.Current = ProgressPosition(FReading / FClipLength);
    if (FTotal != 0) bars.Total = ProgressPosition((FDone + FReading) / FTotal);
    return true;
}
