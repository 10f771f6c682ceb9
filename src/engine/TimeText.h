#pragma once
// Time text: the program's form of durations and positions, "HH:MM:SS" with
// an optional "." and tenths of a second ("00:01:23.4").
#include <string>
#include <string_view>

// Rounds to the nearest integer, a half going to the even neighbour. Every
// real-to-integer step of the program (percentages, whole seconds, tenths)
// goes through this one helper.
long long RoundHalfEven(double x);

// Writes x (seconds, x >= 0) as time text. Hours, minutes and seconds have at
// least two digits each; ".d" is appended only when the tenths are not zero.
// Tenths that round up to 10 carry into the seconds (59.96 gives
// "00:01:00"), so the text always reads back within a tenth of x.
std::string SecondsToTime(double x);

// Reads "h:m:s[.f]" into seconds. Hours and minutes are integers, seconds a
// decimal number not starting with "."; anything else gives -1.
double TimeToSeconds(std::string_view text);
