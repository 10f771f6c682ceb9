#pragma once
// Turns ffmpeg's machine-readable progress ("-progress", blocks of key=value
// lines each closed by "progress=continue" or "progress=end") into one
// status line per block, in the form the program reads:
//   frame=  250 fps= 98 size=    1024kB time=10.00 bitrate= 838.9kbits/s speed=2.01x
// "time=" is followed by the seconds written so far, with "." as separator
// and a blank after the number.
#include <cstdint>
#include <string>
#include <string_view>

class ProgressText {
public:
    // Takes the next piece of ffmpeg's progress output (lines may be split
    // anywhere) and returns the status lines completed by it, possibly none.
    std::string Feed(std::string_view bytes);
    // The status line of the latest readings, said again.
    std::string Current() const { return StatusLine(); }

private:
    void TakeLine(std::string_view line, std::string& out);
    std::string StatusLine() const;

    std::string FPartial;
    std::string FFrame = "0";
    std::string FFps = "0";
    std::string FSize = "N/A";
    std::string FBitrate = "N/A";
    std::string FSpeed = "N/A";
    int64_t FTimeUs = 0;
};
