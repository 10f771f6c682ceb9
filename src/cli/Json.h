#pragma once
// The little of JSON the command line writes: strings and numbers.
#include <string>
#include <string_view>

// text as a JSON string, quotes included. Quotes, backslashes and control
// characters are escaped; UTF-8 passes as it is; a byte that is not part of
// valid UTF-8 (a file name in another encoding) becomes U+FFFD, so that
// every line stays valid JSON.
std::string JsonString(std::string_view text);

// seconds with one decimal, "3.2"; never negative.
std::string JsonSeconds(double seconds);
