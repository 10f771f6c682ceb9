#pragma once
// Time text: the program's form of durations and positions, "HH:MM:SS" with
// an optional "." and tenths of a second ("00:01:23.4").
#include <string>
#include <string_view>

// Rounds to the nearest integer, a half going to the even neighbour. Every
// real-to-integer step of the program (percentages, whole seconds, tenths)
// goes through this one helper. NaN gives 0; values beyond the range of
// long long give its nearest end.
long long RoundHalfEven(double x);

// The longest duration a time text holds: the hours are read back as a 32-bit
// integer, so 2147483647:59:59.9.
inline constexpr double MaxTimeSeconds = 2147483647.0 * 3600.0 + 3599.9;

// Writes x (seconds, x >= 0) as time text. Hours, minutes and seconds have at
// least two digits each; ".d" is appended only when the tenths are not zero.
// Tenths that round up to 10 carry into the seconds (59.96 gives
// "00:01:00"), so the text always reads back within a tenth of x. Negative
// and NaN inputs give "00:00:00", inputs beyond MaxTimeSeconds its text.
std::string SecondsToTime(double x);

// Reads "h:m:s[.f]" into seconds. Hours and minutes are integers, seconds a
// decimal number not starting with "."; anything else gives -1, and so does
// a sum that no time text holds (below 0 or beyond MaxTimeSeconds).
double TimeToSeconds(std::string_view text);

// x seconds (x >= 0) to the nearest tenth as a plain decimal number for the
// encoder's command line: "7.5", or "8" for a whole number. The separator is
// always ".", whatever the locale.
std::string DecimalSeconds(double x);
