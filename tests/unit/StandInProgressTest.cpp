// The stand-in's status lines made from ffmpeg's progress blocks, fed what a
// fuzzer found: readings far out of range are ignored, never converted.
#include "encoder/ProgressText.h"

#include <gtest/gtest.h>

namespace {

TEST(StandInProgress, ReadingsOutOfAllRangeAreIgnored) {
    for (const char* block :
         {"out_time=00:00:1e300\n", "out_time=00:00:inf\n", "out_time=99999999999999999:00:00\n",
          "out_time_us=9223372036854775807\n"}) {
        ProgressText progress;
        progress.Feed("out_time_us=5000000\nprogress=continue\n");
        const std::string line = progress.Feed(std::string(block) + "progress=continue\n");
        EXPECT_NE(line.find(" time=5.00 "), std::string::npos) << block << line;
    }
}

} // namespace
