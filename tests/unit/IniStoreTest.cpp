#include "config/NewInifiles.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

#ifdef _WIN32
#include <process.h>
#else
#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A store opened on a file holding the given lines (CR LF ends).
struct IniFile {
    TempDir dir;
    std::string path = dir.file("test.ini");
    explicit IniFile(const std::string& bytes) { WriteFileBytes(path, bytes); }
    TNewInifile Open() const { return TNewInifile(path); }
};

TEST(IniStore, KeysMatchAsSubstringsIgnoringCase) {
    IniFile f("[S]\r\nmax=5\r\n[T]\r\nListIndex=3\r\nIndex=1\r\n[MAIN]\r\noutput path=x\r\n");
    TNewInifile ini = f.Open();
    EXPECT_EQ(ini.ReadString("S", "x", "d"), "5");
    EXPECT_EQ(ini.ReadString("T", "Index", "d"), "3");
    EXPECT_EQ(ini.ReadString("Main", "Output Path", "d"), "x");
    EXPECT_EQ(ini.ReadString("main", "missing", "d"), "d");
    EXPECT_EQ(ini.ReadString("Nope", "x", "d"), "d");
}

TEST(IniStore, NothingIsTrimmed) {
    IniFile f("[S]\r\nPara = 3\r\n Other=3\r\nTrail=3 \r\ncmd=-vf scale=1\r\nEmpty=\r\n");
    TNewInifile ini = f.Open();
    EXPECT_EQ(ini.ReadString("S", "Para", "d"), "d");
    EXPECT_EQ(ini.ReadString("S", "Other", "d"), "3");
    EXPECT_EQ(ini.ReadString("S", "Trail", "d"), "3 ");
    EXPECT_EQ(ini.ReadInteger("S", "Trail", 7), 7);
    EXPECT_EQ(ini.ReadString("S", "cmd", "d"), "-vf scale=1");
    EXPECT_EQ(ini.ReadString("S", "Empty", "d"), "");
    EXPECT_EQ(ini.ReadInteger("S", "Empty", 9), 9);
    EXPECT_TRUE(ini.ReadBool("S", "Empty", true));
}

TEST(IniStore, SectionEndsOnlyAtALineStartingWithABracket) {
    IniFile f("[A]\r\nk=a[b]\r\nm=1\r\n[C]\r\nm=2\r\n");
    TNewInifile ini = f.Open();
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "a[b]");
    EXPECT_EQ(ini.ReadString("A", "m", "d"), "1");
    EXPECT_EQ(ini.ReadString("C", "m", "d"), "2");
    EXPECT_EQ(ini.ReadString("C", "k", "d"), "d");
    // A write below such a value replaces the key's own line.
    ini.WriteString("A", "m", "[x");
    ini.WriteString("C", "m", "3");
    EXPECT_EQ(ini.Lines(), (std::vector<std::string>{"[A]", "k=a[b]", "m=[x", "[C]", "m=3"}));
}

TEST(IniStore, ALineBreakInAValueNeverSplitsALine) {
    // Keys in a hand-written order: the one written second lies below the
    // one that holds the break.
    IniFile f("[Next]\r\nk=1\r\n[Main]\r\nOutput Path=/old\r\nProfile=1\r\n");
    for (int save = 0; save < 2; ++save) {
        TNewInifile ini = f.Open();
        ini.WriteString("Main", "Output Path", "/a\nb\r\nc\rd");
        ini.WriteInteger("Main", "Profile", 2);
        ini.WriteString(std::string("Ne\nxt"), "k\r", std::string("2\0", 2));
        EXPECT_EQ(ini.ReadString("Main", "Output Path", ""), "/abcd");
        ini.Close();
    }
    EXPECT_EQ(ReadFileBytes(f.path),
              "[Next]\r\nk=2\r\n[Main]\r\nOutput Path=/abcd\r\nProfile=2\r\n");
}

TEST(IniStore, HeaderInsideAValueStartsTheSection) {
    IniFile f("[X]\r\nx=[Main]\r\nProfile=4\r\n[Main]\r\nProfile=1\r\n");
    TNewInifile ini = f.Open();
    EXPECT_EQ(ini.ReadInteger("Main", "Profile", 0), 4);
}

TEST(IniStore, FirstOccurrenceIsReadAndReplaced) {
    IniFile f("[S]\r\nk=1\r\nk=2\r\n");
    TNewInifile ini = f.Open();
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    ini.WriteString("S", "k", "9");
    EXPECT_EQ(ini.Lines(), (std::vector<std::string>{"[S]", "k=9", "k=2"}));
}

TEST(IniStore, AKeyOnItsHeadersLineIsReplacedBelowTheHeader) {
    IniFile f("[S]k=1\r\nm=2\r\n[T]\r\nk=3\r\n");
    TNewInifile ini = f.Open();
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    ini.WriteString("S", "k", "5");
    EXPECT_EQ(ini.Lines(), (std::vector<std::string>{"[S]", "k=5", "m=2", "[T]", "k=3"}));
    EXPECT_EQ(ini.ReadString("S", "m", ""), "2");
}

TEST(IniStore, NewKeysGoBelowTheHeaderInReverseOrder) {
    TempDir dir;
    TNewInifile ini(dir.file("new.ini"));
    ini.WriteInteger("S", "a", 1);
    ini.WriteInteger("S", "b", 2);
    ini.WriteInteger("S", "c", 3);
    EXPECT_EQ(ini.Lines(), (std::vector<std::string>{"[S]", "c=3", "b=2", "a=1"}));
    // A second section goes to the end; a replaced line loses its other text.
    ini.WriteBool("T", "on", true);
    ini.WriteString("S", "b", "x");
    EXPECT_EQ(ini.Lines(), (std::vector<std::string>{"[S]", "c=3", "b=x", "a=1", "[T]", "on=1"}));
    EXPECT_EQ(ini.ReadInteger("S", "a", 0), 1); // reads see earlier writes
}

TEST(IniStore, CloseRewritesWithCrLfEvenWithoutWrites) {
    TempDir dir;
    std::string path = dir.file("p.ini");
    WriteFileBytes(path, "[S]\nk=1\rm=2\r\nlast");
    TNewInifile(path).Close();
    EXPECT_EQ(ReadFileBytes(path), "[S]\r\nk=1\r\nm=2\r\nlast\r\n");

    std::string missing = dir.file("missing.ini");
    TNewInifile(missing).Close();
    EXPECT_EQ(ReadFileBytes(missing), "");
}

TEST(IniStore, BooleanForms) {
    IniFile f("[B]\r\na=1\r\nb=-1\r\nc=TRUE\r\nd=true\r\ne=0\r\nf=False\r\ng=yes\r\nh=2.5\r\n");
    TNewInifile ini = f.Open();
    for (const char* k : {"a", "b", "c", "d", "h"})
        EXPECT_TRUE(ini.ReadBool("B", k, false)) << k;
    for (const char* k : {"e", "f"})
        EXPECT_FALSE(ini.ReadBool("B", k, true)) << k;
    EXPECT_TRUE(ini.ReadBool("B", "g", true));
    EXPECT_FALSE(ini.ReadBool("B", "g", false));
    EXPECT_FALSE(ini.ReadBool("B", "missing", false));
}

TEST(IniStore, IntegerForms) {
    IniFile f("[I]\r\nhex1=$1F\r\nhex2=0x10\r\nhex3=x10\r\nneg=-12\r\nlead=  7\r\n"
              "big=2147483648\r\nmin=-2147483648\r\nwide=99999999999\r\nbad=12a\r\n"
              "all=$FFFFFFFF\r\nlow=-2147483649\r\nhuge=123456789012345678901234567890\r\n"
              "hexwide=$100000000\r\nhexhuge=0xFFFFFFFFFFFFFFFFFFFF\r\nsign=-\r\ndollar=$\r\n");
    TNewInifile ini = f.Open();
    EXPECT_EQ(ini.ReadInteger("I", "hex1", 0), 31);
    EXPECT_EQ(ini.ReadInteger("I", "hex2", 0), 16);
    EXPECT_EQ(ini.ReadInteger("I", "hex3", 0), 16);
    EXPECT_EQ(ini.ReadInteger("I", "neg", 0), -12);
    EXPECT_EQ(ini.ReadInteger("I", "lead", 0), 7);
    EXPECT_EQ(ini.ReadInteger("I", "big", 5), 5);
    EXPECT_EQ(ini.ReadInteger("I", "min", 5), INT32_MIN);
    EXPECT_EQ(ini.ReadInteger("I", "wide", 5), 5);
    EXPECT_EQ(ini.ReadInteger("I", "bad", 5), 5);
    EXPECT_EQ(ini.ReadInteger("I", "all", 5), -1);
    for (const char* k : {"low", "huge", "hexwide", "hexhuge", "sign", "dollar"})
        EXPECT_EQ(ini.ReadInteger("I", k, 5), 5) << k;
    ini.WriteInteger("I", "min", INT32_MIN);
    ini.WriteInteger("I", "max", INT32_MAX);
    EXPECT_EQ(ini.ReadInteger("I", "min", 5), INT32_MIN);
    EXPECT_EQ(ini.ReadInteger("I", "max", 5), INT32_MAX);
}

TEST(IniStore, FloatsUseAPointWhateverTheLocale) {
    IniFile f("[F]\r\na=2.5\r\nb=2,5\r\n");
    TNewInifile ini = f.Open();
    EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "a", 0), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "b", 1.25), 1.25);
}

TEST(IniStore, AnyBytesOpenWithoutACrash) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += static_cast<char>((i * 37) % 256);
    std::string huge(10 * 1024 * 1024, 'a');
    for (const std::string& bytes : {garbage, huge, std::string("\r\r\r"), std::string("a=1")}) {
        IniFile f(bytes);
        TNewInifile ini = f.Open();
        ini.ReadString("S", "k", "d");
        ini.ReadInteger("S", "k", 0);
        ini.Close();
    }
}

TEST(IniStore, NulEndsTheText) {
    IniFile f(std::string("[S]\r\nk=1\0\r\nm=2\r\n", 16));
    TNewInifile ini = f.Open();
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "m", "none"), "none");
}

TEST(IniStore, UnreadableFileGivesTheOpenError) {
    TempDir dir;
    // A directory exists but cannot be read as a file, whoever we are.
    std::string path = dir.file("folder.ini");
    std::filesystem::create_directory(path);
    try {
        TNewInifile ini(path);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + path + "\". ", 0), 0u)
            << e.what();
    }
}

TEST(IniStore, FailedWriteKeepsTheOldFile) {
    TempDir dir;
    // The target's folder does not exist: nothing can be created.
    std::string nowhere = (dir.path() / "no" / "such" / "dir" / "p.ini").string();
    TNewInifile a(nowhere);
    a.WriteString("S", "k", "v");
    try {
        a.Close();
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + nowhere + "\". ", 0), 0u)
            << e.what();
    }

#ifndef _WIN32
    // A full disk in the middle of the write: the file-size limit makes the
    // write fail even for root. The old content must survive whole.
    std::string path = dir.file("prefs.ini");
    WriteFileBytes(path, "[Main]\r\nOutput Path=/old\r\n");
    TNewInifile ini(path);
    ini.WriteString("Main", "Big", std::string(64 * 1024, 'x'));
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    bool threw = false;
    try {
        ini.Close();
    } catch (const EFileError& e) {
        threw = std::string(e.what()).rfind("Cannot create file", 0) == 0;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
    EXPECT_EQ(ReadFileBytes(path), "[Main]\r\nOutput Path=/old\r\n");
    for (auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.path().filename() == "prefs.ini" || entry.is_directory())
            << "left behind: " << entry.path();
#endif
}

TEST(IniStore, SavesRemoveOnlyStaleTemporaryFiles) {
    TempDir dir;
    std::string path = dir.file("prefs.ini");
#ifdef _WIN32
    const std::string self = std::to_string(_getpid());
#else
    const std::string self = std::to_string(getpid());
#endif
    const std::string dead = "2147483646"; // beyond any live process id
    const std::vector<std::string> stale = {"prefs.ini.~" + dead + "_0.part",
                                            "other.apf.~" + dead + "_17.part",
                                            "old.ini.~" + self + "_5.part"};
    const std::vector<std::string> kept = {"live.ini.~" + self + "_99999.part",
                                           "notes.~" + dead + ".part", "x.~" + dead + "_0.part.bak",
                                           ".~" + dead + "_0.part", "y.~" + dead + "_0a.part"};
    for (const auto& name : stale)
        WriteFileBytes(dir.file(name), "stale");
    for (const auto& name : kept)
        WriteFileBytes(dir.file(name), "keep");
    std::filesystem::create_directory(dir.file("d.~" + dead + "_1.part"));
    // A file of a live process that is older than any save can take.
    std::filesystem::last_write_time(dir.file("old.ini.~" + self + "_5.part"),
                                     std::filesystem::file_time_type::clock::now() -
                                         std::chrono::hours(48));

    TNewInifile ini(path);
    ini.WriteString("S", "k", "v");
    ini.Close();

    for (const auto& name : stale)
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    for (const auto& name : kept)
        EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("d.~" + dead + "_1.part")));
    EXPECT_EQ(ReadFileBytes(path), "[S]\r\nk=v\r\n");
}

#ifndef _WIN32
// A user who may write the file but not create files in its folder: the
// save goes into the file itself. Root ignores permission bits, so the save
// runs in a child process that has given up root for "nobody".
TEST(IniStore, AWritableFileInAReadOnlyFolderIsWrittenInPlace) {
    TempDir dir;
    std::filesystem::path folder = dir.path() / "ro";
    std::filesystem::create_directory(folder);
    std::string path = (folder / "Preferences.ini").string();
    WriteFileBytes(path, "[Main]\r\nProfile=1\r\n");
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(path.c_str(), 0666);
    ::chmod(folder.c_str(), 0555);
    EXPECT_EXIT(
        {
            if (geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
                std::_Exit(3);
            try {
                TNewInifile ini(path);
                ini.WriteInteger("Main", "Profile", 2);
                ini.Close();
            } catch (const EFileError& e) {
                std::fprintf(stderr, "%s\n", e.what());
                std::_Exit(1);
            }
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadFileBytes(path), "[Main]\r\nProfile=2\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
}
#endif

} // namespace
