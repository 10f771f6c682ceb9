// Cutting the duration and the picture size out of a probe's output.
#include "tasks/Probe.h"

#include <gtest/gtest.h>

namespace {

const std::string Path = "C:\\v\\a.avi";
const std::string Output = "Input #0, avi, from 'C:\\v\\a.avi':\r\n"
                           "  Duration: 00:01:23.4, start: 0.000000, bitrate: 1200 kb/s\r\n"
                           "    Stream #0.0: Video: mpeg4, yuv420p, 320x240, 25.00 fps\r\n";

ProbeResult Parse(const std::string& text, const std::string& path = Path) {
    ProbeResult r;
    r.Duration = r.Size = "stale"; // whatever stood before is replaced
    ParseProbeOutput(text, path, r);
    return r;
}

TEST(ParseProbeOutput, CutsDurationAndSize) {
    ProbeResult r = Parse(Output);
    EXPECT_EQ(r.Duration, "00:01:23.4");
    EXPECT_EQ(r.Size, " 320x240");

    // Only the first video stream after the duration counts.
    r = Parse(Output + "    Stream #0.1: Video: h264, yuv420p, 640x480, 25.00 fps\n");
    EXPECT_EQ(r.Size, " 320x240");
}

TEST(ParseProbeOutput, TheSearchStartsAfterThePath) {
    // Words the cuts look for inside the path do not disturb them.
    std::string path = "/v/Duration: 1, Video: a, b, c, d.avi";
    ProbeResult r = Parse("Input #0, avi, from '" + path + "':\n" + Output.substr(35), path);
    EXPECT_EQ(r.Duration, "00:01:23.4");
    EXPECT_EQ(r.Size, " 320x240");

    // Without the path in the output, its length less one is dropped.
    r = Parse("0123456789" + Output.substr(35), "abcdefghijk");
    EXPECT_EQ(r.Duration, "00:01:23.4");
}

TEST(ParseProbeOutput, MissingWordsLeaveTheValuesEmpty) {
    // Audio only: no "Video" after the duration.
    ProbeResult r = Parse("Input #0, mp3, from 'C:\\v\\a.avi':\n"
                          "  Duration: 00:00:04.00, start: 0.0, bitrate: 128 kb/s\n"
                          "    Stream #0.0: Audio: mp3, 44100 Hz, stereo, s16p, 128 kb/s\n");
    EXPECT_EQ(r.Duration, "00:00:04.00");
    EXPECT_EQ(r.Size, "");

    // An error text without either word.
    r = Parse("C:\\v\\a.avi: Invalid data found when processing input, sorry\n");
    EXPECT_EQ(r.Duration, "");
    EXPECT_EQ(r.Size, "");

    // No duration, but a video stream.
    r = Parse("Input #0, h264, from 'C:\\v\\a.avi':\n"
              "    Stream #0.0: Video: h264, yuv420p, 176x144, 25 fps\n");
    EXPECT_EQ(r.Duration, "");
    EXPECT_EQ(r.Size, " 176x144");

    EXPECT_EQ(Parse("").Duration, "");
}

TEST(ParseProbeOutput, AnAttachedPictureIsNoPictureToShow) {
    const std::string song = "Input #0, mp3, from 'C:\\v\\a.avi':\n"
                             "  Duration: 00:00:04.00, start: 0.0, bitrate: 128 kb/s\n"
                             "    Stream #0.0: Video: png, rgb24, 64x64, 90k fps (attached pic)\n"
                             "    Stream #0.1: Audio: mp3, 44100 Hz, stereo, fltp\n";
    ProbeResult r = Parse(song);
    EXPECT_EQ(r.Duration, "00:00:04.00");
    EXPECT_EQ(r.Size, "");
    // A real picture after the cover is the one shown.
    EXPECT_EQ(Parse(song + "    Stream #0.2: Video: h264, yuv420p, 720x1280, 30 fps\n").Size,
              " 720x1280");
}

TEST(ParseProbeOutput, TextWithoutCommasGivesEmptyValues) {
    ProbeResult r = Parse("C:\\v\\a.avi  Duration: 00:00:01 Video: x y z\n");
    EXPECT_EQ(r.Duration, "");
    EXPECT_EQ(r.Size, "");
}

TEST(KeptStreamsEnd, TheLongestKeptStreamUnlessOneIsOfUnknownLength) {
    const std::string lengths = "video 00:00:10.00, audio 00:00:06.00";
    EXPECT_EQ(KeptStreamsEnd(lengths, true, true), 10);
    EXPECT_EQ(KeptStreamsEnd(lengths, false, true), 6);
    EXPECT_EQ(KeptStreamsEnd("video N/A, audio 00:00:06.00", true, true), -1);
    EXPECT_EQ(KeptStreamsEnd("video N/A, audio 00:00:06.00", false, true), 6);
    EXPECT_EQ(KeptStreamsEnd("audio 00:00:06.00", true, false), -1);
    EXPECT_EQ(Parse(Output + "  Stream lengths: " + lengths + "\r\n").StreamLengths, lengths);
}

} // namespace
