#pragma once
// Text and number parsing shared by the configuration files, the time text
// and the encoder's progress lines.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Splits text into lines at CR LF, lone CR or lone LF; a final line break
// does not start another line. A NUL byte ends the text.
std::vector<std::string> SplitLines(std::string_view text);

// ASCII lowercasing: only A-Z change, so positions are kept.
std::string LowerAscii(std::string_view s);

// The integer syntax of the program (ReadInteger, the custom size dialog, time
// text): leading blanks, an optional sign, then decimal digits, or hex digits
// after "$", "x" or "0x"; nothing may follow. Values beyond 32 bits are
// invalid (hex up to $FFFFFFFF is read as the 32-bit pattern).
bool TryParseInteger(std::string_view text, int32_t& value);

// A decimal number with "." as separator (optional sign, fraction, exponent),
// blanks allowed around it.
bool TryParseDecimal(std::string_view text, double& value);
