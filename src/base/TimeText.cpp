#include "base/TimeText.h"

#include "base/Text.h"

#include <climits>
#include <cmath>
#include <cstdio>

long long RoundHalfEven(double x) {
    // Converting a double outside the range of long long is undefined, so
    // the ends are taken before the conversion: 2^63 is exact as a double.
    if (std::isnan(x)) return 0;
    if (x >= 9223372036854775808.0) return LLONG_MAX;
    if (x < -9223372036854775808.0) return LLONG_MIN;
    // nearbyint honours the current rounding mode, which is round-to-nearest-
    // even unless someone changed it; do the rounding explicitly instead.
    double f = std::floor(x);
    double diff = x - f;
    long long n = static_cast<long long>(f);
    if (diff > 0.5) return n + 1;
    if (diff < 0.5) return n;
    return (n % 2 == 0) ? n : n + 1;
}

std::string SecondsToTime(double x) {
    if (!(x >= 0)) x = 0; // negative and NaN inputs have no time text
    if (x > MaxTimeSeconds) x = MaxTimeSeconds;
    long long t = static_cast<long long>(x);
    long long h = t / 3600;
    long long m = (t - 3600 * h) / 60;
    long long s = t - 3600 * h - 60 * m;
    long long tenths = RoundHalfEven((x - 3600.0 * h - 60.0 * m - s) * 10.0);
    if (tenths >= 10) {
        // 59.96 s: the tenths come to 10; carry a whole second instead.
        tenths = 0;
        if (++s == 60) {
            s = 0;
            if (++m == 60) {
                m = 0;
                ++h;
            }
        }
    }
    char buf[64];
    if (tenths != 0)
        std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%lld", h, m, s, tenths);
    else
        std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", h, m, s);
    return buf;
}

double TimeToSeconds(std::string_view text) {
    size_t c1 = text.find(':');
    if (c1 == std::string_view::npos) return -1;
    std::string_view hours = text.substr(0, c1);
    std::string_view rest = text.substr(c1 + 1);
    size_t c2 = rest.find(':');
    if (c2 == std::string_view::npos) return -1;
    std::string_view minutes = rest.substr(0, c2);
    std::string_view seconds = rest.substr(c2 + 1);
    int32_t h = 0, m = 0;
    double s = 0;
    if (!TryParseInteger(hours, h) || !TryParseInteger(minutes, m)) return -1;
    if (seconds.empty() || seconds.front() == '.') return -1;
    if (!TryParseDecimal(seconds, s)) return -1;
    const double total = h * 3600.0 + m * 60.0 + s;
    // "0:0:1e17" is a decimal number, but its text would not read back; a
    // negative sum is no time either. The margin keeps the longest text
    // itself readable whichever way the last bit of the sum rounds.
    if (!(total >= 0 && total <= MaxTimeSeconds + 0.04)) return -1;
    return total;
}

std::string DecimalSeconds(double x) {
    const long long tenths = x > 0 ? RoundHalfEven(x * 10.0) : 0;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
    return text;
}
