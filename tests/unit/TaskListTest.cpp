#include "tasks/TaskList.h"

#include "platform/FileSystem.h"

#include "TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

TEST(TaskList, AcceptedTypesAndTheOpenDialogFilter) {
    const auto& exts = SupportedExts();
    // The eight types of old stay first, in their order; today's follow.
    const std::string mask = "*.avi;*.mpg;*.mpeg;*.mp4;*.wmv;*.mov;*.vob;*.asf;"
                             "*.mkv;*.webm;*.flv;*.m4v;*.3gp;*.3g2;*.ts;*.mts;*.m2ts;*.ogv;"
                             "*.dv;*.mxf;*.divx;*.rm;*.rmvb;"
                             "*.mp3;*.m4a;*.flac;*.wav;*.ogg;*.opus;*.aac;*.wma;";
    EXPECT_EQ(BuildSupportedMask(exts), mask);
    std::string filter = BuildOpenDialogFilter(exts);
    EXPECT_EQ(filter.substr(0, filter.find("AVI Files")),
              "All Support Files(" + mask + ")|" + mask + "|");
    // One entry per type in the list's order, upper-cased name, digits kept.
    std::string perType = filter.substr(filter.find("AVI Files"));
    EXPECT_TRUE(perType.starts_with("AVI Files (*.avi)|*.avi|MPG Files (*.mpg)|*.mpg|"));
    EXPECT_NE(perType.find("|MKV Files (*.mkv)|*.mkv|WEBM Files (*.webm)|*.webm|"),
              std::string::npos);
    EXPECT_NE(perType.find("|M2TS Files (*.m2ts)|*.m2ts|"), std::string::npos);
    EXPECT_NE(perType.find("|3G2 Files (*.3g2)|*.3g2|"), std::string::npos);
    EXPECT_EQ(std::count(filter.begin(), filter.end(), '|'), 2 * (int(exts.size()) + 2) - 1);
    EXPECT_NE(perType.find("|RMVB Files (*.rmvb)|*.rmvb|MP3 Files (*.mp3)|*.mp3|"),
              std::string::npos);
    EXPECT_TRUE(filter.ends_with("|WMA Files (*.wma)|*.wma|All Files (*.*)|*.*")) << filter;

    EXPECT_TRUE(IsSupportedFile("CLIP.AVI", exts));
    EXPECT_TRUE(IsSupportedFile("my.clip.Mpeg", exts));
    EXPECT_TRUE(IsSupportedFile("Holiday.MKV", exts));
    EXPECT_TRUE(IsSupportedFile("00001.m2ts", exts));
    EXPECT_TRUE(IsSupportedFile("Song.MP3", exts));
    EXPECT_TRUE(IsSupportedFile("voice.opus", exts));
    // Neither a type the list lacks nor a part of a listed one.
    for (const char* other : {"clip.m2v", "clip.mk", "clip.webmx", "clip.r", "song.mp"})
        EXPECT_FALSE(IsSupportedFile(other, exts)) << other;
    EXPECT_FALSE(IsSupportedFile("clip", exts));
    EXPECT_FALSE(IsSupportedFile("clip.avi.bak", exts));
    std::string folderWithDot = std::string("v.avi") + PathDelim + "clip";
    EXPECT_FALSE(IsSupportedFile(folderWithDot, exts));
}

TEST(TaskList, IntakePathsAreFullPaths) {
    namespace fs = std::filesystem;
    TempDir dir;
    WriteFileBytes(dir.file("a.avi"), "x");
    fs::create_directory(dir.path() / "sub");
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    const std::string full = (fs::current_path() / "a.avi").string();
    for (const char* named : {"a.avi", "./a.avi", "sub/../a.avi"})
        EXPECT_EQ(IntakePath(named), full) << named;
    EXPECT_EQ(IntakePath(full), full);
#ifndef _WIN32
    // After a link, ".." leads where the link's target is: it stays.
    fs::create_directories(dir.path() / "deep/er");
    fs::create_directory_symlink(dir.path() / "deep/er", dir.path() / "link");
    const std::string viaLink = (fs::current_path() / "link/../a.avi").string();
    EXPECT_EQ(IntakePath("link/../a.avi"), viaLink);
#endif
    fs::current_path(before);
}

TEST(TaskList, FolderListsSupportedVisibleFilesSortedIgnoringCase) {
    TempDir dir;
    for (const char* n : {"b.avi", "A.mpg", "c.doc", ".d.avi", "e.MOV", "f.THM", "g.srt", "h.jpg"})
        WriteFileBytes(dir.file(n), "x");
#ifdef _WIN32
    // Hidden by its attribute there, not by its leading dot.
    SetFileAttributesW((dir.path() / ".d.avi").c_str(), FILE_ATTRIBUTE_HIDDEN);
#endif
    std::filesystem::create_directory(dir.path() / "sub.avi");
    WriteFileBytes(dir.file("sub.avi/f.avi"), "x");

    auto files = SupportedFilesInDir(dir.path().string(), SupportedExts());
    std::vector<std::string> expected;
    for (const char* n : {"A.mpg", "b.avi", "e.MOV"})
        expected.push_back(dir.file(n));
    EXPECT_EQ(files, expected);

    EXPECT_TRUE(SupportedFilesInDir(dir.file("missing"), SupportedExts()).empty());

    // Asked for, the files of a type not taken come back too; hidden files,
    // folders, and pictures, subtitles and texts beside the videos do not.
    std::vector<std::string> skipped{"kept"};
    EXPECT_EQ(SupportedFilesInDir(dir.path().string(), SupportedExts(), &skipped), expected);
    EXPECT_EQ(skipped, (std::vector<std::string>{"kept", dir.file("c.doc")}));
}

TEST(TaskList, WidthChangeIsSharedAmongColumns) {
    ColumnWidthSharing sharing;
    std::array<int, 4> w = ColumnWidthSharing::DefaultWidths;
    EXPECT_FALSE(sharing.ListResized(562, w));
    EXPECT_EQ(w, ColumnWidthSharing::DefaultWidths);

    EXPECT_TRUE(sharing.ListResized(662, w));
    EXPECT_EQ(w, (std::array<int, 4>{279, 107, 95, 119}));

    // 50 pixels: 24.5, 8.5, 7.5 and 9.5 round to the even neighbours.
    w = ColumnWidthSharing::DefaultWidths;
    EXPECT_TRUE(sharing.ListResized(712, w));
    EXPECT_EQ(w, (std::array<int, 4>{254, 98, 88, 110}));
    EXPECT_EQ(sharing.LastWidth(), 712);
}

TEST(TaskList, CommandLineAndDropActions) {
    TempDir dir;
    WriteFileBytes(dir.file("a.avi"), "x");
    WriteFileBytes(dir.file("b.txt"), "x");
    const auto& exts = SupportedExts();
    EXPECT_EQ(CommandLineAction(dir.file("a.avi"), exts), PathAction::AddFile);
    EXPECT_EQ(CommandLineAction(dir.file("b.txt"), exts), PathAction::Skip);
    EXPECT_EQ(CommandLineAction(dir.path().string(), exts), PathAction::AddDir);
    EXPECT_EQ(CommandLineAction(dir.file("missing.avi"), exts), PathAction::Skip);
    EXPECT_EQ(CommandLineAction("", exts), PathAction::Skip);

    EXPECT_EQ(DropAction(dir.path().string(), exts), PathAction::AddDir);
    EXPECT_EQ(DropAction(dir.file("CLIP.AVI"), exts), PathAction::AddFile);
    EXPECT_EQ(DropAction(dir.file("clip.m2v"), exts), PathAction::Skip);

    // Taken in the order named, a folder's files in its own order; what is
    // left out in the order met.
    const auto sub = dir.path() / "sub";
    std::filesystem::create_directory(sub);
    WriteFileBytes((sub / "z.mpg").string(), "x");
    WriteFileBytes((sub / "notes.doc").string(), "x");
    const IntakeFiles taken =
        TakeFiles({sub.string(), dir.file("b.txt"), dir.file("a.avi"), dir.file("missing.avi")},
                  CommandLineAction);
    EXPECT_EQ(taken.Files, (std::vector<std::string>{(sub / "z.mpg").string(), dir.file("a.avi")}));
    EXPECT_EQ(taken.NotTaken,
              (std::vector<std::string>{(sub / "notes.doc").string(), dir.file("b.txt"),
                                        dir.file("missing.avi")}));
}

TEST(TaskList, NotTakenMessageCountsAndNamesTheFirstFew) {
    EXPECT_EQ(NotTakenMessage({"", ""}), "");
    EXPECT_EQ(NotTakenMessage({"/v/a.txt", ""}),
              "1 file was not added to the Task List: the program does not convert files of "
              "that type, or the file was not found.\n\n/v/a.txt");
    std::vector<std::string> many;
    for (int i = 1; i <= 7; ++i)
        many.push_back("/v/" + std::to_string(i) + ".doc");
    std::string text = NotTakenMessage(many);
    EXPECT_EQ(text.substr(0, 14), "7 files were n");
    EXPECT_NE(text.find("/v/5.doc\n... and 2 more."), std::string::npos);
    EXPECT_EQ(text.find("/v/6.doc"), std::string::npos);
}

TEST(TaskList, CommandLineEntriesFromArgumentsOrAListFile) {
    TempDir dir;
    std::string list = dir.file("list.TMP");
    WriteFileBytes(list, "/v/a.avi\r\n\r\n/v/b c.mpg\r\n");
    auto fromList = ReadCommandLineEntries({list, "/v/c.avi"});
    EXPECT_EQ(fromList.Error, "");
    EXPECT_EQ(fromList.Entries, (std::vector<std::string>{"/v/a.avi", "", "/v/b c.mpg"}));

    auto plain = ReadCommandLineEntries({"/v/list.txt", "/v/c.avi"});
    EXPECT_EQ(plain.Entries, (std::vector<std::string>{"/v/list.txt", "/v/c.avi"}));
    EXPECT_TRUE(ReadCommandLineEntries({}).Entries.empty());

    auto missing = ReadCommandLineEntries({dir.file("gone.tmp")});
    EXPECT_TRUE(missing.Entries.empty());
    EXPECT_NE(missing.Error.find("gone.tmp\""), std::string::npos) << missing.Error;
    EXPECT_EQ(missing.Error.rfind("Cannot open file \"", 0), 0u) << missing.Error;

    std::filesystem::create_directory(dir.path() / "folder.tmp");
    auto folder = ReadCommandLineEntries({dir.file("folder.tmp")});
    EXPECT_TRUE(folder.Entries.empty());
    EXPECT_FALSE(folder.Error.empty());
}

} // namespace
