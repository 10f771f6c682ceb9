#include "engine/TaskLog.h"

#include "tasks/TaskQueue.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

TEST(TaskLog, KeepsTheEndOfALongRunInTheTaskAndANewRunReplacesIt) {
    TaskQueue tasks;
    const auto ids = tasks.AddFiles({"/in/a.avi", "/in/b.avi"}, ".mp4");
    const TaskId a = ids[0];
    TaskLog log(tasks, "", 100);
    log.BatchBegun();
    tasks.SetState(a, TaskState::Converting);
    log.TaskStatus(a, TaskState::Converting);
    log.TaskStarted(a, "/out/a.mp4", " -y -i \"/in/a.avi\" \"/out/a.mp4\"");
    std::string all;
    for (int i = 0; i < 50; ++i) {
        const std::string line = "line " + std::to_string(100 + i) + "\r";
        all += line;
        log.TaskOutput(a, line);
    }
    tasks.SetState(a, TaskState::Failed, "Broken input");
    log.TaskStatus(a, TaskState::Failed);
    log.BatchEnded();

    const TaskLogEntry* entry = tasks.LogOf(a);
    ASSERT_NE(entry, nullptr);
    EXPECT_LE(entry->Output.size(), 100u);
    EXPECT_EQ(entry->CutBytes + entry->Output.size(), all.size());
    EXPECT_TRUE(all.ends_with(entry->Output));
    EXPECT_TRUE(entry->Output.starts_with("line ")) << "cut at a line start";
    const std::string text = TaskLogText(*entry);
    EXPECT_NE(text.find("Command line: -y -i \"/in/a.avi\" \"/out/a.mp4\"\n"), std::string::npos);
    EXPECT_NE(text.find("Status: Failed\nReason: Broken input\n"), std::string::npos);
    EXPECT_NE(text.find("bytes of earlier output cut"), std::string::npos);
    EXPECT_NE(text.find("line 149\n"), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);

    // A task stopped before its encoder started has a log of its own now.
    log.BatchBegun();
    log.TaskStatus(a, TaskState::Converting);
    tasks.SetState(a, TaskState::Stopped);
    log.TaskStatus(a, TaskState::Stopped);
    log.BatchEnded();
    entry = tasks.LogOf(a);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->Output.empty());
    EXPECT_NE(TaskLogText(*entry).find("Status: Stop\n"), std::string::npos);
    EXPECT_NE(TaskLogText(*entry).find("The encoder was not started."), std::string::npos);
    EXPECT_EQ(tasks.LogOf(ids[1]), nullptr);
    // The log goes with its task.
    tasks.Remove({0});
    EXPECT_EQ(tasks.LogOf(a), nullptr);
}

TEST(TaskLog, ABatchFileThatCannotBeWrittenIsSaidInEachTasksLog) {
    TempDir dir;
    WriteFileBytes(dir.file("file"), "");
    TaskQueue tasks;
    const TaskId a = tasks.AddFiles({"/in/a.avi"}, "").at(0);
    TaskLog log(tasks, dir.file("file/logs"));
    log.BatchBegun();
    log.TaskStatus(a, TaskState::Converting);
    tasks.SetState(a, TaskState::Complete);
    log.TaskStatus(a, TaskState::Complete);
    log.BatchEnded();
    EXPECT_EQ(log.LastBatchFile(), "");
    const std::string text = TaskLogText(*tasks.LogOf(a));
    EXPECT_NE(text.find("Status: Complete\nThe batch log was not written to " +
                        dir.file("file/logs") + ": Cannot create folder"),
              std::string::npos)
        << text;
}

TEST(TaskLog, BatchFilesHoldEachTaskAndOnlyTheLastTwentyStay) {
    TempDir dir;
    const std::string logs = dir.file("state/logs");
    TaskLogEntry task{"/in/a b.avi",
                      "/out/a b.mp4",
                      " -y -i \"/in/a b.avi\" \"/out/a b.mp4\"",
                      "Failed",
                      "Invalid data",
                      "ffmpeg banner\nInvalid data\n",
                      0};
    std::tm time{};
    time.tm_year = 126, time.tm_mon = 11, time.tm_mday = 8, time.tm_hour = 9;
    std::string reason;
    const std::string first = WriteBatchLog(logs, {task, task}, time, 20, reason);
    ASSERT_EQ(first, (fs::path(logs) / "batch-20261208-090000.log").string()) << reason;
    const std::string text = ReadFileBytes(first);
    EXPECT_NE(text.find("==== Task 2 of 2 ====\nInput: /in/a b.avi\nOutput: /out/a b.mp4\n"),
              std::string::npos);
    EXPECT_NE(text.find("Status: Failed\nReason: Invalid data\nEncoder output:\nffmpeg banner\n"),
              std::string::npos);

    WriteFileBytes(logs + "/notes.txt", "mine");
    WriteFileBytes(logs + "/batch-latest.log", "mine");
    // 21 more: 11 in the same second (-2 ... -12), then 10 in later seconds.
    for (int i = 0; i < 21; ++i) {
        if (i >= 11) time.tm_sec = i;
        ASSERT_FALSE(WriteBatchLog(logs, {task}, time, 20, reason).empty()) << reason;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(logs), fs::directory_iterator()), 22);
    for (const char* gone : {"batch-20261208-090000.log", "batch-20261208-090000-2.log"})
        EXPECT_FALSE(fs::exists(fs::path(logs) / gone)) << gone;
    for (const char* kept : {"batch-20261208-090000-3.log", "batch-20261208-090000-12.log",
                             "batch-20261208-090020.log", "notes.txt", "batch-latest.log"})
        EXPECT_TRUE(fs::exists(fs::path(logs) / kept)) << kept;

    // A folder that cannot be made is reported, not thrown.
    WriteFileBytes(dir.file("file"), "");
    EXPECT_TRUE(WriteBatchLog(dir.file("file/logs"), {task}, time, 20, reason).empty());
    EXPECT_FALSE(reason.empty());
}

#ifndef _WIN32
TEST(TaskLog, BatchFilesAreTheUsersAloneInAFolderOfTheirOwn) {
    TempDir dir;
    const mode_t oldMask = ::umask(022);
    std::tm time{};
    std::string reason;
    const std::string made =
        WriteBatchLog(dir.file("state/logs"), {TaskLogEntry{}}, time, 20, reason);
    // A folder an earlier version made open to everyone is closed.
    fs::create_directories(dir.path() / "open");
    fs::permissions(dir.path() / "open", fs::perms::all);
    const std::string opened = WriteBatchLog(dir.file("open"), {TaskLogEntry{}}, time, 20, reason);
    ::umask(oldMask);
    ASSERT_FALSE(made.empty() || opened.empty()) << reason;
    for (const char* folder : {"state", "state/logs", "open"})
        EXPECT_EQ(fs::status(dir.path() / folder).permissions(), fs::perms::owner_all) << folder;
    for (const std::string& file : {made, opened})
        EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write)
            << file;
}
#endif
