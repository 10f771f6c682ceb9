// The command line's own rules: its options, choosing a profile and setting
// its rows as the window would, the JSON it writes and the lines it draws.
#include "base/FileNames.h"
#include "cli/Display.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/ProfileChoice.h"
#include "platform/Process.h"

#include "TestRecords.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

using V = std::vector<std::string>;

std::string ErrorOf(const V& args) {
    return ParseCommandLine(args).Error;
}

TEST(CommandLine, OptionsInEachFormAndWhatIsWrongWithThem) {
    const ParsedCommandLine p =
        ParseCommandLine({"-pPSP", "--set", "Video Size=640x360", "--set=Bit Rate=", "-o", "/out",
                          "-nqj3", "--no-overwrite", "--json", "--start=00:00:01", "--end",
                          "00:00:02.5", "--name", "clip", "a.mp4", "--", "-b.mp4", "-"});
    ASSERT_EQ(p.Error, "");
    const CliOptions& o = p.Options;
    EXPECT_EQ(o.Profile, "PSP");
    ASSERT_EQ(o.Sets.size(), 2u);
    EXPECT_EQ(o.Sets[0], (std::pair<std::string, std::string>{"Video Size", "640x360"}));
    EXPECT_EQ(o.Sets[1], (std::pair<std::string, std::string>{"Bit Rate", ""}));
    EXPECT_EQ(o.OutputDir, "/out");
    EXPECT_TRUE(o.DryRun && o.Quiet && o.Json);
    EXPECT_EQ(o.Jobs, 3);
    EXPECT_EQ(o.Overwrite, false);
    EXPECT_EQ(o.Start, "00:00:01");
    EXPECT_EQ(o.End, "00:00:02.5");
    EXPECT_EQ(o.Name, "clip");
    EXPECT_EQ(o.Inputs, (V{"a.mp4", "-b.mp4", "-"}));
    EXPECT_TRUE(ParseCommandLine({"--list-profiles"}).Error.empty());
    EXPECT_TRUE(ParseCommandLine({"-V"}).Options.Version);

    EXPECT_EQ(ErrorOf({"--frobnicate", "a"}), "unknown option --frobnicate (see --help)");
    EXPECT_EQ(ErrorOf({"-x", "a"}), "unknown option -x (see --help)");
    EXPECT_EQ(ErrorOf({"a", "--profile"}), "--profile needs a value");
    EXPECT_EQ(ErrorOf({"--json=1", "a"}), "--json takes no value");
    EXPECT_EQ(ErrorOf({"--set", "Video Size", "a"}),
              "--set \"Video Size\": write it as --set \"CAPTION=VALUE\"");
    EXPECT_EQ(ErrorOf({"-j", "0", "a"}), "--jobs \"0\": a number from 1 to 64 is wanted");
    EXPECT_EQ(ErrorOf({"--start", "1:5", "a"}),
              "--start \"1:5\" is not a time (HH:MM:SS or HH:MM:SS.t, such as 00:01:30.5)");
    EXPECT_NE(ErrorOf({"--name", "sub/clip", "a"}), "");
    EXPECT_EQ(ErrorOf({"-q"}), "no file or folder named (see --help)");
}

// A profile whose Video Size offers a custom size, with a read-only and a
// text row.
const std::string SizeProfile = Crlf({
    "[Main]",
    "Type=mp4",
    "Para=4",
    "0=Video Size",
    "1=Bit Rate",
    "2=Pixel Format",
    "3=Audio Bitrate",
    "[Video Size]",
    "Sort=1",
    "Caption=480x272,Original Size,Custom Size,",
    "Value=480x272,,,",
    "cmd=-s",
    "[Bit Rate]",
    "Sort=1",
    "List=0",
    "Caption=768k",
    "cmd=-b:v",
    "[Pixel Format]",
    "Sort=3",
    "ReadOnly=1",
    "List=0",
    "Caption=yuv420p",
    "Value=yuv420p",
    "cmd=-pix_fmt",
    "[Audio Bitrate]",
    "Sort=2",
    "Caption=64 kbps,128 kbps,",
    "Value=64k,128k,",
    "cmd=-b:a",
});

TEST(CommandLine, SetTakesWhatTheWindowWouldAndNamesTheChoicesOtherwise) {
    TempDir dir;
    const std::string path = dir.file("Size.apf");
    WriteFileBytes(path, SizeProfile);
    Sheets s;
    LoadProfile(path, s.Set(), nullptr, IniAccess::ReadOnly);

    // A pick-list caption in any letter case, stored as the list writes it;
    // a custom size as the size dialog writes it; any text in a text row.
    EXPECT_EQ(SetSheetRow(s.Set(), "audio bitrate", "64 KBPS"), "");
    EXPECT_EQ(s.Value("Audio Bitrate"), "64 kbps");
    EXPECT_EQ(SetSheetRow(s.Set(), "Video Size", "640x360"), "");
    EXPECT_EQ(s.Value("Video Size"), "640x360");
    EXPECT_EQ(SetSheetRow(s.Set(), "Bit Rate", ""), "");
    EXPECT_EQ(BuildProfileArguments(path, s.Set(), IniAccess::ReadOnly),
              " -s 640x360 -pix_fmt yuv420p -b:a 64k");

    const std::string sizeChoices =
        "\"Video Size\" offers \"480x272\", \"Original Size\", or a custom size written "
        "WIDTHxHEIGHT (such as 640x360)";
    EXPECT_EQ(SetSheetRow(s.Set(), "Video Size", "Custom Size"),
              "--set \"Video Size=Custom Size\": " + sizeChoices);
    EXPECT_EQ(SetSheetRow(s.Set(), "Video Size", "640 by 360"),
              "--set \"Video Size=640 by 360\": " + sizeChoices);
    EXPECT_EQ(SetSheetRow(s.Set(), "Audio Bitrate", "96 kbps"),
              "--set \"Audio Bitrate=96 kbps\": \"Audio Bitrate\" offers \"64 kbps\", "
              "\"128 kbps\"");
    // A size is only a choice where the list offers a custom one.
    EXPECT_NE(SetSheetRow(s.Set(), "Audio Bitrate", "640x360"), "");
    EXPECT_EQ(SetSheetRow(s.Set(), "Pixel Format", "rgb24"),
              "--set \"Pixel Format=rgb24\": the row \"Pixel Format\" cannot be changed");
    EXPECT_EQ(SetSheetRow(s.Set(), "Frame Rate", "25"),
              "--set \"Frame Rate=25\": the profile has no row \"Frame Rate\"; its rows are: "
              "\"Video Size\", \"Bit Rate\", \"Audio Bitrate\", \"Pixel Format\"");
    EXPECT_EQ(s.Value("Video Size"), "640x360");
}

TEST(CommandLine, AProfileByItsNameIgnoringCaseOrByItsFile) {
    TempDir dir;
    WriteFileBytes(dir.file("Phone.apf"), SizeProfile);
    WriteFileBytes(dir.file("phone.APF"), SizeProfile);
    WriteFileBytes(dir.file("elsewhere.apf"), SizeProfile);
    const std::string folder = WithTrailingBackslash(dir.path().string());
    const std::vector<CatalogueEntry> catalogue{{"Phone", "Phone.apf"}, {"phone", "phone.APF"}};

    EXPECT_EQ(ChooseProfile("phone", folder, catalogue).Path, folder + "phone.APF");
    EXPECT_EQ(ChooseProfile("PHONE", folder, catalogue).Path, folder + "Phone.apf");
    const ChosenProfile file = ChooseProfile(dir.file("elsewhere.apf"), folder, catalogue);
    EXPECT_EQ(file.Name, "elsewhere");
    EXPECT_EQ(file.Error, "");
    EXPECT_EQ(ChooseProfile("Tablet", folder, catalogue).Error,
              "unknown profile \"Tablet\"; the profiles are: \"Phone\", \"phone\"");
    EXPECT_NE(ChooseProfile(dir.file("missing.apf"), folder, catalogue).Error, "");
}

TEST(CommandLine, JsonStringsStayValidWhateverAPathHolds) {
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("tab\there\nline\x01"), "\"tab\\there\\nline\\u0001\"");
    EXPECT_EQ(JsonString("caf\xC3\xA9 \xE2\x82\xAC"), "\"caf\xC3\xA9 \xE2\x82\xAC\"");
    // Latin-1, a cut sequence, an overlong form: each bad byte a U+FFFD.
    EXPECT_EQ(JsonString("caf\xE9"), "\"caf\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("\xE2\x82"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonSeconds(3.25), "3.2");
    EXPECT_EQ(JsonSeconds(-1), "0.0");
    EXPECT_EQ(JsonSeconds(21), "21.0");
}

TEST(CommandLine, RunningLinesFitTheTerminalAndKeepTheNamesEnd) {
    const std::string line = RunningLine("holiday.mp4", 41, 12, 3.4, 21, 80);
    EXPECT_EQ(line.size(), 79u);
    EXPECT_EQ(line.rfind("holiday.mp4 ", 0), 0u);
    EXPECT_NE(line.find("]  41%  total  12%  00:00:03 left 00:00:21"), std::string::npos) << line;
    EXPECT_NE(RunningLine("a.mp4", 0, 0, 0, RemainingSeconds(0, 0), 80).find("left --:--:--"),
              std::string::npos);
    const std::string narrow =
        RunningLine("a very long name of a video from the holidays.mp4", 100, 100, 60, 0, 50);
    EXPECT_LE(narrow.size(), 49u);
    EXPECT_EQ(narrow.rfind("...", 0), 0u) << narrow;
    EXPECT_NE(narrow.find("idays.mp4 [##########] 100%"), std::string::npos) << narrow;
    EXPECT_DOUBLE_EQ(RemainingSeconds(10, 25), 30);
}

#ifndef _WIN32
TEST(CommandLine, ACommandLineIsPrintedAsAShellReadsIt) {
    EXPECT_EQ(ShellCommandText("/usr/lib/tarvolin/wmaspi.dll",
                               {"", {"-y", "-i", "/in/it's here.mp4", "-s", "640x360", ""}}),
              "/usr/lib/tarvolin/wmaspi.dll -y -i '/in/it'\\''s here.mp4' -s 640x360 ''");
}
#endif

} // namespace
