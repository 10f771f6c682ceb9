#include "config/Preferences.h"

#include "TestSupport.h"
#include "config/NewInifiles.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

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

TEST(Preferences, FirstRunAndExitWriteTheKeysInReverseOrder) {
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
    MainWindowPreferences main = p.prefs.ReadMainWindow(true);
    EXPECT_EQ(main.OutputPath, p.programDir);
    EXPECT_TRUE(main.ProfileRead);
    EXPECT_EQ(main.ProfileIndex, 0);
    EXPECT_EQ(p.Text(), "");

    p.prefs.SaveAll(0, main.OutputPath, general);
    EXPECT_EQ(p.Text(),
              Crlf({"[Main]", "Overwrite=1", "Auto Turn Off=0", "Auto Exit=0", "Auto Open Dir=1",
                    "Syn Mode=0", "Output Path=" + p.programDir, "Profile=0"}));

    // A later exit replaces the lines in place.
    general.SynMode = 2;
    general.AutoExit = true;
    general.Overwrite = false;
    p.prefs.SaveAll(3, "/out", general);
    EXPECT_EQ(p.Text(), Crlf({"[Main]", "Overwrite=0", "Auto Turn Off=0", "Auto Exit=1",
                              "Auto Open Dir=1", "Syn Mode=2", "Output Path=/out", "Profile=3"}));

    // And the next start reads them back.
    general = p.prefs.ReadGeneral();
    EXPECT_EQ(general.SynMode, 2);
    EXPECT_TRUE(general.AutoExit);
    EXPECT_FALSE(general.Overwrite);
    EXPECT_EQ(p.prefs.ReadMainWindow(true).ProfileIndex, 3);
}

TEST(Preferences, SettingsOkFirstThenExitPutsProfileOnTop) {
    PrefsDir p;
    GeneralPreferences g;
    g.OutputPath = "/dialog";
    g.AutoTurnOff = true;
    p.prefs.SaveGeneral(g);
    EXPECT_EQ(p.Text(), Crlf({"[Main]", "Overwrite=1", "Auto Turn Off=1", "Auto Exit=0",
                              "Auto Open Dir=1", "Syn Mode=0", "Output Path=/dialog"}));
    p.prefs.SaveAll(-1, "/main", g);
    EXPECT_EQ(p.Text(),
              Crlf({"[Main]", "Profile=-1", "Overwrite=1", "Auto Turn Off=1", "Auto Exit=0",
                    "Auto Open Dir=1", "Syn Mode=0", "Output Path=/main"}));
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
    EXPECT_EQ(p.prefs.ReadMainWindow(true).ProfileIndex, 0);

    // Without profiles "Profile" is not read.
    MainWindowPreferences m = p.prefs.ReadMainWindow(false);
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
    EXPECT_THROW(prefs.SaveAll(0, "/x", GeneralPreferences{}), EFileError);
}

TEST(Preferences, OutputFoldersWithBracketsOrLineBreaksSurviveSaves) {
    PrefsDir p;
    GeneralPreferences g;
    g.AutoExit = true;
    for (int run = 0; run < 2; ++run) {
        p.prefs.SaveAll(3, "/home/me/Videos [2024]", g);
        MainWindowPreferences m = p.prefs.ReadMainWindow(true);
        EXPECT_EQ(m.OutputPath, "/home/me/Videos [2024]");
        EXPECT_EQ(m.ProfileIndex, 3);
        EXPECT_TRUE(p.prefs.ReadGeneral().AutoExit);
    }
    // A folder name with a line break is stored without it, on one line.
    for (int run = 0; run < 2; ++run)
        p.prefs.SaveAll(1, "/home/me/new\nfolder", g);
    EXPECT_EQ(p.Text(),
              Crlf({"[Main]", "Overwrite=1", "Auto Turn Off=0", "Auto Exit=1", "Auto Open Dir=1",
                    "Syn Mode=0", "Output Path=/home/me/newfolder", "Profile=1"}));
}

TEST(Preferences, SimultaneousConversionsIsStoredOnceItMattersAndReadWithinTheCores) {
    PrefsDir p;
    const int most = MaxSimultaneousConversions();
    GeneralPreferences g = p.prefs.ReadGeneral();
    EXPECT_EQ(g.SimultaneousConversions, 1);
    p.prefs.SaveAll(0, "/out", g);
    EXPECT_EQ(p.Text().find("Simultaneous"), std::string::npos); // as older files are
    g.SimultaneousConversions = most;
    p.prefs.SaveGeneral(g);
    EXPECT_EQ(p.prefs.ReadGeneral().SimultaneousConversions, most);
    // Once stored it follows the setting, in place, below the header.
    g.SimultaneousConversions = 1;
    p.prefs.SaveAll(0, "/out", g);
    EXPECT_EQ(p.Text().rfind("[Main]\r\nSimultaneous Conversions=1\r\nOverwrite=1\r\n", 0), 0u)
        << p.Text();
    const std::pair<const char*, int> stored[] = {{"0", 1}, {"-2", 1}, {"x", 1}, {"100000", most}};
    for (const auto& [text, read] : stored) {
        WriteFileBytes(p.path, Crlf({"[Main]", std::string("Simultaneous Conversions=") + text}));
        EXPECT_EQ(p.prefs.ReadGeneral().SimultaneousConversions, read) << text;
    }
}

} // namespace
