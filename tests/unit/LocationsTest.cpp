#include "config/Locations.h"
#include "platform/FileSystem.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

EnvLookup Env(std::map<std::string, std::string> vars) {
    return [vars](const char* name) {
        auto it = vars.find(name);
        return it == vars.end() ? std::string() : it->second;
    };
}

} // namespace

TEST(Locations, PortableKeepsEverythingBesideTheProgram) {
    TempDir dir;
    WriteFileBytes(dir.file("Preferences.ini"), "");
    Locations where = FindLocations(dir.path().string(), Env({{"HOME", "/home/u"}}));
    const std::string program = dir.file("");
    EXPECT_FALSE(where.Installed);
    EXPECT_EQ(where.ProgramDir, program);
    EXPECT_EQ(where.EncoderPath, program + "wmaspi.dll");
    EXPECT_EQ(where.PreferencesFile, program + "Preferences.ini");
    EXPECT_EQ(where.ProfilesDir, program + "Profiles" + PathDelim);
    EXPECT_EQ(where.DefaultOutputDir, program);
    EXPECT_EQ(where.LogsDir, program + "logs" + PathDelim);
    EXPECT_EQ(where.StateDir, program);
    std::string reason;
    EXPECT_TRUE(PrepareUserFolders(where, reason));
    EXPECT_FALSE(fs::exists(dir.file("Profiles"))); // nothing made for a portable program
}

#ifndef _WIN32
TEST(Locations, PortableIsToldByPreferencesOrProfilesNeverByTheEncoder) {
    TempDir dir;
    auto installed = [&] { return FindLocations(dir.path().string(), Env({})).Installed; };
    WriteFileBytes(dir.file("wmaspi.dll"), "");
    EXPECT_TRUE(installed()) << "the encoder alone";
    fs::remove(dir.file("wmaspi.dll"));
    fs::create_directory(dir.file("Profiles"));
    EXPECT_FALSE(installed()) << "Profiles without the encoder";
}

TEST(Locations, InstalledKeepsTheUsersThingsInTheUsersFolders) {
    TempDir dir;
    fs::create_directories(dir.path() / "usr/bin");
    const std::string home = dir.file("home");
    Locations where = FindLocations(dir.file("usr/bin"), Env({{"HOME", home}}));
    EXPECT_TRUE(where.Installed);
    EXPECT_EQ(where.EncoderPath, dir.file("usr/lib/tarvolin/wmaspi.dll"));
    EXPECT_EQ(where.ShippedProfilesDir, dir.file("usr/share/tarvolin/Profiles/"));
    EXPECT_EQ(where.ManualFile, dir.file("usr/share/tarvolin/manual/index.html"));
    EXPECT_EQ(where.PreferencesFile, home + "/.config/tarvolin/Preferences.ini");
    EXPECT_EQ(where.ProfilesDir, home + "/.config/tarvolin/Profiles/");
    EXPECT_EQ(where.DefaultOutputDir, home + "/"); // no Videos folder named
    EXPECT_EQ(where.LogsDir, home + "/.local/state/tarvolin/logs/");
    EXPECT_EQ(where.StateDir, home + "/.local/state/tarvolin/");

    // XDG_CONFIG_HOME moves the settings; user-dirs.dirs names the Videos folder.
    const std::string config = dir.file("cfg");
    fs::create_directories(config);
    WriteFileBytes(config + "/user-dirs.dirs",
                   "# written by xdg-user-dirs-update\nXDG_MUSIC_DIR=\"$HOME/Music\"\n"
                   "XDG_VIDEOS_DIR=\"$HOME/Films [2024]\"\n");
    where = FindLocations(
        dir.file("usr/bin"),
        Env({{"HOME", home}, {"XDG_CONFIG_HOME", config}, {"XDG_STATE_HOME", "/st"}}));
    EXPECT_EQ(where.PreferencesFile, config + "/tarvolin/Preferences.ini");
    EXPECT_EQ(where.LogsDir, "/st/tarvolin/logs/");
    EXPECT_EQ(where.StateDir, "/st/tarvolin/");
    EXPECT_EQ(where.DefaultOutputDir, home + "/Films [2024]/");
}

TEST(Locations, ShippedProfilesReachTheUserOnceAndNeverOverwriteTheirCopies) {
    TempDir dir;
    fs::create_directories(dir.path() / "usr/bin");
    fs::create_directories(dir.path() / "usr/share/tarvolin/Profiles");
    const std::string shipped = dir.file("usr/share/tarvolin/Profiles/");
    WriteFileBytes(shipped + "A.apf", "shipped A");
    WriteFileBytes(shipped + "B.APF", "shipped B");
    WriteFileBytes(shipped + "notes.txt", "not a profile");
    fs::permissions(shipped + "A.apf", fs::perms::owner_read);
    Locations where = FindLocations(dir.file("usr/bin"), Env({{"HOME", dir.file("home")}}));

    std::string reason;
    ASSERT_TRUE(PrepareUserFolders(where, reason)) << reason;
    EXPECT_EQ(ReadFileBytes(where.ProfilesDir + "A.apf"), "shipped A");
    EXPECT_TRUE(fs::exists(where.ProfilesDir + "B.APF"));
    EXPECT_FALSE(fs::exists(where.ProfilesDir + "notes.txt"));
    EXPECT_TRUE(fs::exists(where.DefaultOutputDir));
    // The copy is the user's to rewrite, even from a read-only original.
    EXPECT_NE(fs::status(where.ProfilesDir + "A.apf").permissions() & fs::perms::owner_write,
              fs::perms::none);

    // Edited A stays, deleted B stays deleted, a newly shipped C arrives.
    WriteFileBytes(where.ProfilesDir + "A.apf", "edited A");
    fs::remove(where.ProfilesDir + "B.APF");
    WriteFileBytes(shipped + "C.apf", "shipped C");
    ASSERT_TRUE(PrepareUserFolders(where, reason)) << reason;
    EXPECT_EQ(ReadFileBytes(where.ProfilesDir + "A.apf"), "edited A");
    EXPECT_FALSE(fs::exists(where.ProfilesDir + "B.APF"));
    EXPECT_EQ(ReadFileBytes(where.ProfilesDir + "C.apf"), "shipped C");
}
#endif
