// What the encoder is handed for a task: time pieces, output path, command.
#include "engine/Invocation.h"
#include "TestSupport.h"
#include "base/TimeText.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

// A task as the task list makes it for a probed 100-second input.
ltvItemData Task(const std::string& input, const std::string& name = "clip",
                 const std::string& ext = ".mp4") {
    ltvItemData t;
    t.InputFile = input;
    t.NewFileName = name;
    t.NewFileExt = ext;
    t.Length = t.SourceEnd = t.ClipLength = t.EndTime = "00:01:40";
    t.SourceStart = t.StartTime = "00:00:00.0";
    t.LengthSec = t.SourceEndSec = t.ClipLengthSec = t.EndSec = 100;
    return t;
}

void SetRange(ltvItemData& t, const std::string& start, const std::string& end) {
    t.StartTime = start;
    t.EndTime = end;
    t.StartSec = TimeToSeconds(start);
    t.EndSec = TimeToSeconds(end);
    t.ClipLengthSec = t.EndSec - t.StartSec;
}

TEST(TimeRangeArguments, OnlyEditedTimesGivePieces) {
    ltvItemData t = Task("/v/a.avi");
    EXPECT_EQ(TimeRangeArguments(t), "");

    SetRange(t, "00:00:10", "00:01:40"); // start moved: the clip shrinks too
    EXPECT_EQ(TimeRangeArguments(t), " -ss 00:00:10 -t 90");

    SetRange(t, "00:00:00.0", "00:01:00"); // only the end moved
    EXPECT_EQ(TimeRangeArguments(t), " -t 60");

    // The start text goes out as the task holds it.
    SetRange(t, "00:01:30.5", "00:01:40");
    EXPECT_EQ(TimeRangeArguments(t), " -ss 00:01:30.5 -t 9.5");
}

TEST(TimeRangeArguments, ClipLengthGoesOutToTheTenth) {
    ltvItemData t = Task("/v/a.avi");
    SetRange(t, "00:00:05", "00:00:12.5"); // 7.5 s, not 8
    EXPECT_EQ(TimeRangeArguments(t), " -ss 00:00:05 -t 7.5");
    t = Task("/v/a.avi");
    t.ClipLengthSec = 82.5;
    EXPECT_EQ(TimeRangeArguments(t), " -t 82.5");
    t.ClipLengthSec = 82.25; // tenths round half to even
    EXPECT_EQ(TimeRangeArguments(t), " -t 82.2");
    t.ClipLengthSec = 83;
    EXPECT_EQ(TimeRangeArguments(t), " -t 83");
    t.ClipLengthSec = 0.5;
    EXPECT_EQ(TimeRangeArguments(t), " -t 0.5");
}

TEST(TimeRangeArguments, TimesThatAreNoTimesGiveNoPieces) {
    // A clip length or start whose text does not read (-1) never reaches the
    // encoder as "-t -1" or "-ss <text>".
    ltvItemData t = Task("/v/a.avi");
    t.ClipLength = "00:00:1e17";
    t.ClipLengthSec = TimeToSeconds(t.ClipLength);
    t.StartTime = "junk";
    t.StartSec = TimeToSeconds(t.StartTime);
    EXPECT_EQ(TimeRangeArguments(t), "");
}

TEST(EncoderCommandLine, TextAndWordsHaveTheSameShape) {
    ltvItemData t = Task("C:\\v\\my clip.avi");
    CommandLine c = EncoderCommandLine(t, "", "D:\\out\\clip.mp4");
    EXPECT_EQ(c.Text, " -y -i \"C:\\v\\my clip.avi\" \"D:\\out\\clip.mp4\"");
    EXPECT_EQ(c.Args, (Words{"-y", "-i", "C:\\v\\my clip.avi", "D:\\out\\clip.mp4"}));

    SetRange(t, "00:01:30", "00:02:30");
    c = EncoderCommandLine(t, " -vcodec mpeg4 -b 800k", "/o/x y.mp4");
    EXPECT_EQ(
        c.Text,
        " -y -i \"C:\\v\\my clip.avi\" -vcodec mpeg4 -b 800k -ss 00:01:30 -t 60 \"/o/x y.mp4\"");
    EXPECT_EQ(c.Args, (Words{"-y", "-i", "C:\\v\\my clip.avi", "-vcodec", "mpeg4", "-b", "800k",
                             "-ss", "00:01:30", "-t", "60", "/o/x y.mp4"}));
}

TEST(EncoderCommandLine, ValuesGoOutUnquotedAndPathsWhole) {
    // A "\" value is written as nothing, leaving two blanks; a value with a
    // blank is several words; quotes in a value group and are removed.
    ltvItemData t = Task("/in/a \"b\".avi");
    CommandLine c = EncoderCommandLine(t, " -an  -s 320x240 -title my film -vf \"a b\"",
                                       "/out dir/\xC3\xA9.mp4");
    EXPECT_EQ(c.Text, " -y -i \"/in/a \"b\".avi\" -an  -s 320x240 -title my film -vf \"a b\" "
                      "\"/out dir/\xC3\xA9.mp4\"");
    EXPECT_EQ(c.Args, (Words{"-y", "-i", "/in/a \"b\".avi", "-an", "-s", "320x240", "-title", "my",
                             "film", "-vf", "a b", "/out dir/\xC3\xA9.mp4"}));
}

TEST(ProbeCommandLine, QuotesThePathInTheText) {
    CommandLine c = ProbeCommandLine("/v/a, b.avi");
    EXPECT_EQ(c.Text, " -i \"/v/a, b.avi\"");
    EXPECT_EQ(c.Args, (Words{"-i", "/v/a, b.avi"}));
}

TEST(SplitWindowsArguments, FollowsTheRuntimeRules) {
    EXPECT_EQ(SplitWindowsArguments(""), Words{});
    EXPECT_EQ(SplitWindowsArguments(" \t "), Words{});
    EXPECT_EQ(SplitWindowsArguments(" a\tb  c "), (Words{"a", "b", "c"}));
    EXPECT_EQ(SplitWindowsArguments(" \"a b\"c d"), (Words{"a bc", "d"}));
    EXPECT_EQ(SplitWindowsArguments("x \"\" y"), (Words{"x", "", "y"}));
    EXPECT_EQ(SplitWindowsArguments("\"a\"\"b c\""), (Words{"a\"b c"}));
    // Backslashes are literal unless they come before a quote.
    EXPECT_EQ(SplitWindowsArguments("C:\\a\\b \\\\x"), (Words{"C:\\a\\b", "\\\\x"}));
    EXPECT_EQ(SplitWindowsArguments("a\\\"b"), (Words{"a\"b"}));
    EXPECT_EQ(SplitWindowsArguments("\"a\\\\\" b"), (Words{"a\\", "b"}));
    EXPECT_EQ(SplitWindowsArguments("a\\\\\\\"b"), (Words{"a\\\"b"}));
    // An unclosed quote runs to the end.
    EXPECT_EQ(SplitWindowsArguments("-vf \"a b"), (Words{"-vf", "a b"}));
}

class OutputPathTest : public ::testing::Test {
protected:
    TempDir Dir;
    std::string D() const { return Dir.path().string(); }
    std::string In(const std::string& name) const { return Dir.file(name); }
    void Touch(const std::string& name) { WriteFileBytes(Dir.file(name), "x"); }
    OutputNaming Naming(bool overwrite, const std::string& ext = ".mp4") const {
        return OutputNaming{D(), ext, overwrite};
    }
};

TEST_F(OutputPathTest, PlainPathUnlessOverwriteIsOffAndItExists) {
    ltvItemData t = Task("/elsewhere/clip.avi");
    EXPECT_EQ(OutputPath(t, 1, Naming(false)), In("clip.mp4"));
    // A trailing separator is not doubled.
    EXPECT_EQ(OutputPath(t, 1, OutputNaming{D() + PathDelim, ".mp4", false}), In("clip.mp4"));
    // No profile loaded: no extension at all.
    EXPECT_EQ(OutputPath(t, 1, Naming(false, "")), In("clip"));

    Touch("clip.mp4");
    EXPECT_EQ(OutputPath(t, 1, Naming(true)), In("clip.mp4"));
    EXPECT_EQ(OutputPath(t, 1, Naming(false)), In("clip_2.mp4"));
    // The numbered name takes the profile's extension, not the task's own.
    t.NewFileExt = ".flv";
    EXPECT_EQ(OutputPath(t, 2, Naming(false)), In("clip_3.mp4"));
}

TEST_F(OutputPathTest, FilesTheBatchWroteAreNeverOverwritten) {
    ltvItemData t = Task("/elsewhere/clip.avi");
    std::vector<std::string> written = {D() + PathDelim + "." + PathDelim + "clip.mp4",
                                        In("clip_2.mp4")};
    OutputNaming naming{D(), ".mp4", true, &written};
    Touch("clip.mp4"); // another spelling of the written file is the same file
    EXPECT_EQ(OutputPath(t, 1, naming), In("clip_2_2.mp4"));
}

TEST_F(OutputPathTest, WithOverwriteOffTheFirstFreeNameOfTheSeriesIsTaken) {
    ltvItemData t = Task("/elsewhere/clip.avi");
    Touch("clip.mp4");
    Touch("clip_2.mp4");
    EXPECT_EQ(OutputPath(t, 1, Naming(false)), In("clip_2_2.mp4"));
    Touch("clip_2_2.mp4");
    fs::create_directory(Dir.path() / "clip_2_3.mp4"); // a directory is taken too
    EXPECT_EQ(OutputPath(t, 1, Naming(false)), In("clip_2_4.mp4"));
    // With Overwrite on the plain path is simply overwritten.
    EXPECT_EQ(OutputPath(t, 1, Naming(true)), In("clip.mp4"));
}

TEST_F(OutputPathTest, NeverTheInputWhateverOverwriteSays) {
    Touch("clip.mp4");
    ltvItemData t = Task(In("clip.mp4"));
    EXPECT_EQ(OutputPath(t, 0, Naming(true)), In("clip_1.mp4"));
    EXPECT_EQ(OutputPath(t, 0, Naming(false)), In("clip_1.mp4"));

    // Even when the input does not exist (any more), its own path is not used.
    ltvItemData gone = Task(In("gone.mp4"), "gone");
    EXPECT_EQ(OutputPath(gone, 0, Naming(true)), In("gone_1.mp4"));

    // Another spelling of the same directory.
    t.InputFile = D() + PathDelim + "." + PathDelim + "clip.mp4";
    EXPECT_EQ(OutputPath(t, 0, Naming(true)), In("clip_1.mp4"));
}

TEST_F(OutputPathTest, TheInputIsRecognisedThroughLinks) {
    Touch("clip.mp4");
    std::error_code ec;
    fs::create_hard_link(Dir.path() / "clip.mp4", Dir.path() / "clip_1.mp4", ec);
    if (ec) GTEST_SKIP() << "no hard links here";
    // The input's first numbered name is the input itself under another name.
    ltvItemData t = Task(In("clip.mp4"));
    EXPECT_EQ(OutputPath(t, 0, Naming(true)), In("clip_1_2.mp4"));

#ifndef _WIN32
    fs::create_directory(Dir.path() / "real");
    WriteFileBytes(Dir.file("real/movie.mp4"), "x");
    fs::create_symlink(Dir.path() / "real", Dir.path() / "link");
    ltvItemData viaLink = Task(Dir.file("link/movie.mp4"), "movie");
    OutputNaming naming{Dir.file("real"), ".mp4", true};
    EXPECT_EQ(OutputPath(viaLink, 4, naming), Dir.file("real") + "/movie_5.mp4");
#endif
}

TEST_F(OutputPathTest, LetterCaseMattersOnlyWhereTheFileSystemSaysSo) {
    Touch("Clip.mp4");
    ltvItemData t = Task(In("Clip.mp4"));
    std::error_code ec;
    bool caseBlind = fs::equivalent(Dir.path() / "Clip.mp4", Dir.path() / "clip.mp4", ec) && !ec;
    if (caseBlind)
        EXPECT_EQ(OutputPath(t, 0, Naming(true)), In("clip_1.mp4"));
    else
        EXPECT_EQ(OutputPath(t, 0, Naming(true)), In("clip.mp4"));
}

} // namespace
