#pragma once
// Pieces both benchmarks use: running a tool directly, as the program's
// runner would, and making the test clips.
#include <string>
#include <vector>

// Runs program to its end, reading (and dropping) its output as the runner
// does; returns its exit code, -1 when it could not be started.
int RunDirect(const std::string& program, const std::vector<std::string>& args);

// Makes a clip of seconds at path with ffmpeg: a 320x240 test picture
// (MPEG-4) and a tone of the given frequency encoded with audioCodec. Returns
// false and reports on stderr when ffmpeg fails.
bool MakeClip(const std::string& ffmpeg, const std::string& path, int frequency,
              const std::string& audioCodec, int seconds = 5);
