#include "platform/FileSystem.h"
#include "platform/Library.h"
#include "platform/Process.h"
#include "platform/QuitRequests.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <thread>

namespace fs = std::filesystem;

TEST(Platform, ACopyIsTheUsersToEditAndNeverReplacesAFile) {
    TempDir dir;
    const std::string shipped = dir.file("shipped.apf"), copy = dir.file("copy.apf");
    WriteFileBytes(shipped, "[Main]\r\n");
    fs::permissions(shipped, fs::perms::owner_read | fs::perms::group_read);
    std::string reason;
    ASSERT_TRUE(CopyNewFile(shipped, copy, reason)) << reason;
    EXPECT_NE(fs::status(copy).permissions() & fs::perms::owner_write, fs::perms::none);

    WriteFileBytes(copy, "mine");
    EXPECT_FALSE(CopyNewFile(shipped, copy, reason));
    EXPECT_FALSE(reason.empty());
    std::string data;
    ASSERT_TRUE(ReadFileContents(copy, data, reason));
    EXPECT_EQ(data, "mine");
    reason.clear();
    EXPECT_FALSE(ReadFileContents(dir.file("missing"), data, reason));
    EXPECT_FALSE(reason.empty());
}

TEST(Platform, ARenameReplacesOnlyWhenAskedAndAClaimIsHeldOnceAtATime) {
    TempDir dir;
    const std::string part = dir.file(".a.part"), output = dir.file("a.mp4");
    WriteFileBytes(part, "new");
    WriteFileBytes(output, "old");
    std::string reason;
    EXPECT_EQ(RenameFile(part, output, false, reason), RenameResult::TargetExists);
    EXPECT_EQ(ReadFileBytes(output), "old");
    EXPECT_EQ(RenameFile(part, output, true, reason), RenameResult::Done) << reason;
    EXPECT_EQ(ReadFileBytes(output), "new");
    EXPECT_FALSE(fs::exists(part));
    EXPECT_EQ(RenameFile(output, dir.file("b.mp4"), false, reason), RenameResult::Done);
    EXPECT_EQ(RenameFile(part, dir.file("c.mp4"), false, reason), RenameResult::Failed);
    EXPECT_FALSE(reason.empty());

    FileClaim first, second;
    ASSERT_TRUE(first.Take(dir.file("list.lock"), reason)) << reason;
    EXPECT_FALSE(second.Take(dir.file("list.lock"), reason));
    {
        FileClaim gone;
        EXPECT_TRUE(gone.Take(dir.file("other.lock"), reason));
    }
    EXPECT_TRUE(second.Take(dir.file("other.lock"), reason)) << "let go with its object";
}

TEST(Platform, ExitCodesAsMessagesShowThem) {
    EXPECT_EQ(ExitCodeText(3), "3");
#ifdef _WIN32
    EXPECT_EQ(ExitCodeText(static_cast<int>(0xC0000005u)), "0xC0000005");
#else
    EXPECT_EQ(ExitCodeText(-1), "") << "ended by a signal: no code";
#endif
}

TEST(Platform, OnlyALibraryAlreadyLoadedIsFoundAndNoneIsLoaded) {
#ifdef _WIN32
    const LoadedLibrary loaded("kernel32.dll"), other("tarvolin-none.dll");
    const char* function = "GetTickCount";
#else
    // GStreamer is installed for the preview, but nothing here loads it.
    const LoadedLibrary loaded("libc.so.6"), other("libgstreamer-1.0.so.0");
    const char* function = "printf";
#endif
    ASSERT_TRUE(loaded.Found());
    EXPECT_NE(loaded.Function(function), nullptr);
    EXPECT_EQ(loaded.Function("tarvolin_none"), nullptr);
    EXPECT_FALSE(other.Found());
    EXPECT_EQ(other.Function(function), nullptr);
}

#ifndef _WIN32
TEST(Platform, ALinkIsSeenAsItselfAndRemovingNeverTakesAFolder) {
    TempDir dir;
    WriteFileBytes(dir.file("file"), "12345");
    fs::create_directory(dir.file("folder"));
    fs::create_symlink(dir.file("folder"), dir.file("to-folder"));
    fs::create_symlink(dir.file("gone"), dir.file("dangling"));

    const FileState file = FileStateOf(dir.file("file"));
    EXPECT_TRUE(file.Exists && file.Regular);
    EXPECT_EQ(file.Size, 5u);
    const FileState dangling = FileStateOf(dir.file("dangling"));
    EXPECT_TRUE(dangling.Exists && !dangling.Regular) << "a dangling link occupies its name";
    EXPECT_FALSE(FileStateOf(dir.file("gone")).Exists);

    // Name: folder, regular, link.
    std::map<std::string, std::string> kinds;
    for (const FolderEntry& entry : ListFolder(dir.path().string()))
        kinds[entry.Name] =
            std::string() + "-F"[entry.Folder] + "-R"[entry.Regular] + "-L"[entry.Link];
    EXPECT_EQ(kinds,
              (std::map<std::string, std::string>{
                  {"file", "-R-"}, {"folder", "F--"}, {"to-folder", "F-L"}, {"dangling", "--L"}}));

    EXPECT_FALSE(RemoveFile(dir.file("folder")));
    EXPECT_TRUE(RemoveFile(dir.file("to-folder")));
    EXPECT_TRUE(fs::is_directory(dir.file("folder"))) << "the link went, not what it named";
}

namespace {
bool Ignored(int sig) {
    struct sigaction now {};
    return ::sigaction(sig, nullptr, &now) == 0 && now.sa_handler == SIG_IGN;
}
} // namespace

TEST(QuitRequests, OneWatcherAtATimeIgnoredSignalsStayIgnoredAndTheHandlersGoBack) {
    struct sigaction before {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &before), 0);
    std::signal(SIGHUP, SIG_IGN); // as under nohup
    std::atomic<int> requests{0};
    {
        QuitRequests watcher([&] { ++requests; });
        ASSERT_TRUE(watcher.Watching());
        EXPECT_FALSE(QuitRequests([] {}).Watching()) << "one at a time";
        EXPECT_TRUE(Ignored(SIGHUP));
        ASSERT_EQ(std::raise(SIGTERM), 0);
        ASSERT_EQ(std::raise(SIGINT), 0);
        for (int i = 0; i < 500 && requests == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_GE(requests, 1);
    }
    struct sigaction after {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &after), 0);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    EXPECT_TRUE(Ignored(SIGHUP));
    std::signal(SIGHUP, SIG_DFL);

    // Watching again after the first watcher has gone.
    QuitRequests again([] {});
    EXPECT_TRUE(again.Watching());
}
#endif
