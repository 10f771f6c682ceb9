#include "encoder/ProgressText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// No conversion lasts anywhere near this long (about 114 years); a reading
// beyond it is garbage and is ignored, so that no arithmetic on it overflows.
constexpr int64_t MaxTimeUs = 3600LL * 1000000 * 1000000;

bool InTimeRange(int64_t us) {
    return us >= -MaxTimeUs && us <= MaxTimeUs;
}

bool ParseInt64(std::string_view text, int64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    std::string s(text);
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (end != s.c_str() + s.size()) return false;
    value = v;
    return true;
}

bool ParseDouble(std::string_view text, double& value) {
    if (text.empty() || text.size() > 40) return false;
    std::string s(text);
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size()) return false;
    value = v;
    return true;
}

// "HH:MM:SS.ffffff" (ffmpeg's out_time) into microseconds.
bool ParseClock(std::string_view text, int64_t& us) {
    bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    size_t c1 = text.find(':');
    if (c1 == std::string_view::npos) return false;
    size_t c2 = text.find(':', c1 + 1);
    if (c2 == std::string_view::npos) return false;
    int64_t h = 0, m = 0;
    double s = 0;
    if (!ParseInt64(text.substr(0, c1), h) || !ParseInt64(text.substr(c1 + 1, c2 - c1 - 1), m) ||
        !ParseDouble(text.substr(c2 + 1), s))
        return false;
    // Summed as a double and checked before it becomes an integer: hours or
    // seconds out of all proportion (or "inf") are no reading.
    const double total = (static_cast<double>(h) * 3600 + static_cast<double>(m) * 60 + s) * 1e6;
    if (!std::isfinite(total) || std::fabs(total) > static_cast<double>(MaxTimeUs)) return false;
    us = std::llround(total);
    if (negative) us = -us;
    return true;
}

} // namespace

std::string ProgressText::Feed(std::string_view bytes) {
    std::string out;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        if (FPartial.empty()) {
            TakeLine(bytes.substr(start, i - start), out);
        } else {
            FPartial.append(bytes.substr(start, i - start));
            TakeLine(FPartial, out);
            FPartial.clear();
        }
        start = i + 1;
    }
    FPartial.append(bytes.substr(start));
    // A line never grows this long; drop garbage rather than hoard it.
    if (FPartial.size() > 4096) FPartial.clear();
    return out;
}

void ProgressText::TakeLine(std::string_view line, std::string& out) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    std::string_view key = line.substr(0, eq);
    std::string_view value = line.substr(eq + 1);

    int64_t n = 0;
    if (key == "frame") {
        FFrame = value;
    } else if (key == "fps") {
        FFps = value;
    } else if (key == "total_size") {
        FSize = value;
    } else if (key == "bitrate") {
        FBitrate = value;
    } else if (key == "speed") {
        FSpeed = value;
    } else if (key == "out_time_us") {
        if (ParseInt64(value, n) && InTimeRange(n)) FTimeUs = n;
    } else if (key == "out_time") {
        // Only a fallback for builds that print no out_time_us; when both
        // come, out_time_us follows in the same block and wins.
        if (ParseClock(value, n)) FTimeUs = n;
    } else if (key == "progress") {
        out += StatusLine();
    }
}

std::string ProgressText::StatusLine() const {
    char fps[32] = "0";
    double f = 0;
    if (ParseDouble(FFps, f)) std::snprintf(fps, sizeof fps, "%3.*f", f < 9.95 ? 1 : 0, f);

    char size[32] = "N/A";
    int64_t bytes = 0;
    if (ParseInt64(FSize, bytes) && bytes >= 0)
        std::snprintf(size, sizeof size, "%8.0fkB", static_cast<double>(bytes) / 1024.0);

    // Seconds with two decimals, written with integers so that the separator
    // is always "." whatever the locale. Before the first packet ffmpeg can
    // report a negative or unknown time: that is 0.00.
    int64_t cs = FTimeUs > 0 ? (FTimeUs + 5000) / 10000 : 0;
    char line[256];
    std::snprintf(line, sizeof line,
                  "frame=%5s fps=%s size=%s time=%lld.%02lld bitrate=%s speed=%s\n", FFrame.c_str(),
                  fps, size, static_cast<long long>(cs / 100), static_cast<long long>(cs % 100),
                  FBitrate.c_str(), FSpeed.c_str());
    return line;
}
