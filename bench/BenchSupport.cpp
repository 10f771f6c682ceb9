#include "BenchSupport.h"

#include "platform/Process.h"

#include <cstdio>

int RunDirect(const std::string& program, const std::vector<std::string>& args) {
    ChildProcess child;
    if (child.Start(program, CommandLine{"", args}) != ChildProcess::StartError::None) return -1;
    char buffer[4095];
    size_t got = 0;
    while (child.Read(buffer, sizeof buffer, -1, got) != ChildProcess::ReadStatus::End) {
    }
    int code = -1;
    child.Wait(-1, code);
    return code;
}

bool MakeClip(const std::string& ffmpeg, const std::string& path, int frequency,
              const std::string& audioCodec, int seconds) {
    const std::string d = std::to_string(seconds);
    int code = RunDirect(ffmpeg, {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                  "testsrc=size=320x240:rate=25:duration=" + d, "-f", "lavfi", "-i",
                                  "sine=frequency=" + std::to_string(frequency) + ":duration=" + d,
                                  "-c:v", "mpeg4", "-c:a", audioCodec, path});
    if (code != 0) std::fprintf(stderr, "cannot make %s\n", path.c_str());
    return code == 0;
}
