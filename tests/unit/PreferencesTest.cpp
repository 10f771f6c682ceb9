#include "config/Preferences.h"

#include "TestSupport.h"
#include "config/NewInifiles.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>

namespace {

struct PrefsDir {
    TempDir dir;
    std::string programDir = dir.path().string() + std::string(1, PathDelim);
    std::string path = programDir + "Preferences.ini";
    PreferencesFile prefs{path, programDir};
    std::string Text() const { return ReadFileBytes(path); }
};

// A catalogue of four profiles, as the selector lists them.
const std::vector<std::string> Four{"A", "B", "C", "D"};

TEST(Preferences, EachWayOfClosingTheSettingsHandsBackWhatItShould) {
    PrefsDir p;
    WriteFileBytes(p.path, Crlf({"[Main]", "Output Path=/videos/", "Overwrite=1"}));
    const std::string before = p.Text();
    const GeneralPreferences inForce = p.prefs.ReadGeneral();
    GeneralPreferences shown = inForce;
    shown.OutputPath = "/elsewhere/";
    shown.AutoExit = true;
    shown.Overwrite = false;
    shown.SimultaneousConversions = MaxSimultaneousConversions();

    // Cancel, Esc, the close box: the choices count for the run and are
    // saved at exit, the output folder stays the main window's, and the
    // file is not touched meanwhile.
    GeneralPreferences now = SettingsInForce(SettingsClose::Cancel, inForce, shown);
    EXPECT_EQ(now.OutputPath, "/videos/");
    EXPECT_TRUE(now.AutoExit);
    EXPECT_FALSE(now.Overwrite);
    EXPECT_EQ(now.SimultaneousConversions, shown.SimultaneousConversions);
    EXPECT_EQ(p.Text(), before);
    p.prefs.SaveAll(0, "A", now.OutputPath, now);
    for (const char* line : {"Overwrite=0\r\n", "Auto Exit=1\r\n", "Output Path=/videos/\r\n"})
        EXPECT_NE(p.Text().find(line), std::string::npos) << line;

    // OK: everything shown, its output folder too, and written at once.
    now = SettingsInForce(SettingsClose::Ok, inForce, shown);
    EXPECT_EQ(now.OutputPath, "/elsewhere/");
    p.prefs.SaveGeneral(now);
    const GeneralPreferences read = p.prefs.ReadGeneral();
    EXPECT_EQ(read.OutputPath, "/elsewhere/");
    EXPECT_TRUE(read.AutoExit);
    EXPECT_EQ(read.SimultaneousConversions, shown.SimultaneousConversions);
    EXPECT_TRUE(read.KeepTaskList);
    EXPECT_EQ(p.Text().find("Keep Task List"), std::string::npos) << "written once it is off";

    // The task list's choice lives in "Options".
    shown.KeepTaskList = false;
    p.prefs.SaveGeneral(shown);
    EXPECT_NE(p.Text().find("[Options]\r\nKeep Task List=0\r\n"), std::string::npos);
    EXPECT_FALSE(p.prefs.ReadGeneral().KeepTaskList);
}

TEST(Preferences, OpenedReadOnlyTheFileIsReadAndNeverWritten) {
    PrefsDir p;
    // LF line ends: any write would make them CR LF.
    const std::string text = "[Main]\nOutput Path=/videos/\nProfile=1\nAuto Turn Off=1\n"
                             "[Options]\nSimultaneous Conversions=2\n";
    WriteFileBytes(p.path, text);
    PreferencesFile readOnly(p.path, p.programDir, IniAccess::ReadOnly);
    const GeneralPreferences general = readOnly.ReadGeneral();
    EXPECT_EQ(general.OutputPath, "/videos/");
    EXPECT_TRUE(general.AutoTurnOff);
    EXPECT_EQ(general.SimultaneousConversions, std::min(2, MaxSimultaneousConversions()));
    EXPECT_EQ(readOnly.ReadMainWindow(Four).ProfileIndex, 1);
    EXPECT_EQ(readOnly.ReadVersion(), "3.0");
    readOnly.SaveAll(3, "D", "/elsewhere/", general);
    readOnly.SaveGeneral(general);
    EXPECT_EQ(p.Text(), text);

    // A missing file gives the defaults and stays missing.
    std::filesystem::remove(p.path);
    EXPECT_EQ(readOnly.ReadGeneral().OutputPath, p.programDir);
    EXPECT_FALSE(std::filesystem::exists(p.path));
}

TEST(Preferences, FirstRunAndExitWriteTheKeysInReverseOrderAndLaterOnesAfterMain) {
    PrefsDir p;
    // Start-up: version, the settings dialog's values, the main window's.
    EXPECT_EQ(p.prefs.ReadVersion(), "3.0");
    EXPECT_EQ(p.Text(), ""); // the first store that closes creates the file, empty
    GeneralPreferences general = p.prefs.ReadGeneral();
    EXPECT_EQ(general.OutputPath, p.programDir);
    EXPECT_EQ(general.SynMode, 0);
    EXPECT_TRUE(general.AutoOpenDir);
    EXPECT_FALSE(general.AutoExit);
    EXPECT_FALSE(general.AutoTurnOff);
    EXPECT_TRUE(general.Overwrite);
    MainWindowPreferences main = p.prefs.ReadMainWindow(Four);
    EXPECT_EQ(main.OutputPath, p.programDir);
    EXPECT_TRUE(main.ProfileRead);
    EXPECT_EQ(main.ProfileIndex, 0);
    EXPECT_EQ(p.Text(), "");

    // "Main" holds its original keys only; the later ones follow in sections
    // of their own.
    p.prefs.SaveAll(0, "A", main.OutputPath, general, WindowPosition{40, -30});
    EXPECT_EQ(p.Text(),
              Crlf({"[Main]", "Overwrite=1", "Auto Turn Off=0", "Auto Exit=0", "Auto Open Dir=1",
                    "Syn Mode=0", "Output Path=" + p.programDir, "Profile=0", "[Options]",
                    "Profile Name=A", "[Window]", "Top=-30", "Left=40"}));

    // A later exit replaces the lines in place; a window of a size of its
    // own adds it.
    general.SynMode = 2;
    general.AutoExit = true;
    general.Overwrite = false;
    p.prefs.SaveAll(3, "D", "/out", general, WindowPosition{41, 31, 900, 640});
    EXPECT_EQ(p.Text(),
              Crlf({"[Main]", "Overwrite=0", "Auto Turn Off=0", "Auto Exit=1", "Auto Open Dir=1",
                    "Syn Mode=2", "Output Path=/out", "Profile=3", "[Options]", "Profile Name=D",
                    "[Window]", "Height=640", "Width=900", "Top=31", "Left=41"}));

    // And the next start reads them back.
    general = p.prefs.ReadGeneral();
    EXPECT_EQ(general.SynMode, 2);
    EXPECT_TRUE(general.AutoExit);
    EXPECT_FALSE(general.Overwrite);
    main = p.prefs.ReadMainWindow(Four);
    EXPECT_EQ(main.ProfileIndex, 3);
    ASSERT_TRUE(main.Position);
    EXPECT_EQ(main.Position->Left, 41);
    EXPECT_EQ(main.Position->Top, 31);
    EXPECT_EQ(main.Position->Width, 900);
    EXPECT_EQ(main.Position->Height, 640);
}

TEST(Preferences, SettingsOkFirstThenExitPutsProfileOnTop) {
    PrefsDir p;
    GeneralPreferences g;
    g.OutputPath = "/dialog";
    g.AutoTurnOff = true;
    p.prefs.SaveGeneral(g);
    EXPECT_EQ(p.Text(), Crlf({"[Main]", "Overwrite=1", "Auto Turn Off=1", "Auto Exit=0",
                              "Auto Open Dir=1", "Syn Mode=0", "Output Path=/dialog"}));
    p.prefs.SaveAll(-1, "", "/main", g);
    EXPECT_EQ(p.Text(), Crlf({"[Main]", "Profile=-1", "Overwrite=1", "Auto Turn Off=1",
                              "Auto Exit=0", "Auto Open Dir=1", "Syn Mode=0", "Output Path=/main",
                              "[Options]", "Profile Name="}));
}

TEST(Preferences, TheProfileIsFoundByItsNameBeforeItsPosition) {
    PrefsDir p;
    p.prefs.SaveAll(1, "B", "/out", GeneralPreferences{});
    EXPECT_EQ(p.prefs.ReadMainWindow({"A", "B"}).ProfileIndex, 1);
    EXPECT_EQ(p.prefs.ReadMainWindow({"A", "A2", "B"}).ProfileIndex, 2) << "one added before it";
    EXPECT_EQ(p.prefs.ReadMainWindow({"A", "C"}).ProfileIndex, 1) << "gone: the position";
    // A name the file cannot hold is not stored, and clears the one before.
    for (const char* name : {"B [1]", "a=b", "two\nlines"}) {
        p.prefs.SaveAll(0, "B", "/out", GeneralPreferences{});
        p.prefs.SaveAll(1, name, "/out", GeneralPreferences{});
        EXPECT_EQ(p.prefs.ReadMainWindow({"B", name}).ProfileIndex, 1) << name;
        EXPECT_NE(p.Text().find("Profile Name=\r\n"), std::string::npos) << name;
    }
}

TEST(Preferences, StoredValuesAsTheyStandOrTheirDefaults) {
    PrefsDir p;
    WriteFileBytes(p.path,
                   Crlf({"[Main]", "Version=4.2b", "Output Path=/no/separator", "Syn Mode=7",
                         "Auto Open Dir=False", "Overwrite=yes", "Auto Exit=TRUE", "Profile=abc"}));
    EXPECT_EQ(p.prefs.ReadVersion(), "4.2b");
    GeneralPreferences g = p.prefs.ReadGeneral();
    EXPECT_EQ(g.OutputPath, "/no/separator");
    EXPECT_EQ(g.SynMode, 7); // the list shows no choice for it
    EXPECT_FALSE(g.AutoOpenDir);
    EXPECT_TRUE(g.AutoExit);
    EXPECT_TRUE(g.Overwrite); // "yes" is no boolean: the default
    EXPECT_EQ(p.prefs.ReadMainWindow(Four).ProfileIndex, 0);

    // Without profiles "Profile" is not read.
    MainWindowPreferences m = p.prefs.ReadMainWindow({});
    EXPECT_FALSE(m.ProfileRead);
    EXPECT_EQ(m.ProfileIndex, -1);
    EXPECT_EQ(m.OutputPath, "/no/separator");
    EXPECT_FALSE(m.Position) << "a file from before the window kept its place";
}

TEST(Preferences, LoadDefaultReadsTheDefaultSectionOnly) {
    PrefsDir p;
    const std::string text = "[Main]\nAuto Open Dir=1\nOutput Path=/main\n";
    WriteFileBytes(p.path, text);
    GeneralPreferences d = p.prefs.ReadDefaults();
    EXPECT_EQ(d.OutputPath, p.programDir);
    EXPECT_FALSE(d.AutoOpenDir); // unlike "Main", where it defaults to true
    EXPECT_TRUE(d.Overwrite);
    EXPECT_EQ(p.Text(), "[Main]\r\nAuto Open Dir=1\r\nOutput Path=/main\r\n");

    WriteFileBytes(p.path,
                   Crlf({"[Default]", "Output Path=C:\\Videos\\", "Syn Mode=1", "Auto Open Dir=1",
                         "Auto Exit=1", "Auto Turn Off=1", "Overwrite=0"}));
    d = p.prefs.ReadDefaults();
    EXPECT_EQ(d.OutputPath, "C:\\Videos\\");
    EXPECT_EQ(d.SynMode, 1);
    EXPECT_TRUE(d.AutoOpenDir);
    EXPECT_TRUE(d.AutoExit);
    EXPECT_TRUE(d.AutoTurnOff);
    EXPECT_FALSE(d.Overwrite);
}

TEST(Preferences, AFileThatCannotBeWrittenFailsTheStep) {
    TempDir dir;
    std::string nowhere = (dir.path() / "missing" / "Preferences.ini").string();
    PreferencesFile prefs(nowhere, dir.path().string());
    EXPECT_THROW(prefs.ReadVersion(), EFileError);
    EXPECT_THROW(prefs.SaveAll(0, "A", "/x", GeneralPreferences{}), EFileError);
}

TEST(Preferences, OutputFoldersWithBracketsOrLineBreaksSurviveSaves) {
    PrefsDir p;
    GeneralPreferences g;
    g.AutoExit = true;
    for (int run = 0; run < 2; ++run) {
        p.prefs.SaveAll(3, "D", "/home/me/Videos [2024]", g);
        MainWindowPreferences m = p.prefs.ReadMainWindow(Four);
        EXPECT_EQ(m.OutputPath, "/home/me/Videos [2024]");
        EXPECT_EQ(m.ProfileIndex, 3);
        EXPECT_TRUE(p.prefs.ReadGeneral().AutoExit);
    }
    // A folder name with a line break is stored without it, on one line.
    for (int run = 0; run < 2; ++run)
        p.prefs.SaveAll(1, "B", "/home/me/new\nfolder", g);
    EXPECT_EQ(p.Text(), Crlf({"[Main]", "Overwrite=1", "Auto Turn Off=0", "Auto Exit=1",
                              "Auto Open Dir=1", "Syn Mode=0", "Output Path=/home/me/newfolder",
                              "Profile=1", "[Options]", "Profile Name=B"}));
}

TEST(Preferences, LaterKeysAnOlderVersionLeftInMainAreReadUntilSavedInTheirSections) {
    PrefsDir p;
    const int most = MaxSimultaneousConversions();
    WriteFileBytes(p.path, Crlf({"[Main]", "Window Top=20", "Window Left=10",
                                 "Simultaneous Conversions=" + std::to_string(most)}));
    EXPECT_EQ(p.prefs.ReadGeneral().SimultaneousConversions, most);
    std::optional<WindowPosition> place = p.prefs.ReadMainWindow({}).Position;
    ASSERT_TRUE(place);
    EXPECT_EQ(place->Left, 10);
    EXPECT_EQ(place->Top, 20);

    GeneralPreferences g;
    g.SimultaneousConversions = 1;
    p.prefs.SaveAll(0, "", "/out", g, WindowPosition{5, 6});
    EXPECT_EQ(p.prefs.ReadGeneral().SimultaneousConversions, 1);
    place = p.prefs.ReadMainWindow({}).Position;
    ASSERT_TRUE(place);
    EXPECT_EQ(place->Left, 5);
    EXPECT_EQ(place->Top, 6);

    const std::pair<const char*, int> stored[] = {{"0", 1}, {"-2", 1}, {"x", 1}, {"100000", most}};
    for (const auto& [text, read] : stored) {
        WriteFileBytes(p.path,
                       Crlf({"[Options]", std::string("Simultaneous Conversions=") + text}));
        EXPECT_EQ(p.prefs.ReadGeneral().SimultaneousConversions, read) << text;
    }
}

} // namespace
