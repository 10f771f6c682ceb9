#include "profiles/Profile.h"

#include "TestRecords.h"
#include "TestSupport.h"
#include "config/NewInifiles.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

// A profile with a parameter of each kind on all three sheets.
const std::string SampleProfile = Crlf({
    "[Main]",
    "Type=avi",
    "Para=6",
    "0=Codec",
    "1=Size",
    "2=Bitrate",
    "3=NoVideo",
    "4=Fixed",
    "5=Note",
    "[Codec]",
    "Sort=1",
    "Caption=MPEG-4,H.264,",
    "Value=mpeg4,libx264,",
    "Index=1",
    "cmd=-c:v",
    "[Size]",
    "Sort=1",
    "ReadOnly=0",
    "Caption=Original Size,Custom Size,320x240,",
    "Value=,,320x240,",
    "Index=0",
    "cmd=-s",
    "[Bitrate]",
    "Sort=2",
    "List=0",
    "Caption=128k",
    "Value=128k",
    "cmd=-b:a",
    "[NoVideo]",
    "Sort=1",
    "Caption=No,Yes,",
    "Value=,\\,",
    "cmd=-vn",
    "[Fixed]",
    "Sort=3",
    "ReadOnly=1",
    "List=0",
    "Caption=shown text",
    "Value=passed",
    "cmd=-f",
    "[Note]",
    "Sort=3",
    "List=0",
    "Caption=no switch",
});

struct ProfileFile {
    TempDir dir;
    std::string path = dir.file("p.apf");
    explicit ProfileFile(const std::string& text) { WriteFileBytes(path, text); }
};

// Runs LoadProfile and returns the EListError's text, or "" when it loads.
std::string LoadError(const std::string& path, Sheets& s, std::string* ext = nullptr) {
    try {
        LoadProfile(path, s.Set(), ext);
    } catch (const EListError& e) {
        return e.what();
    }
    return "";
}

TEST(ProfileList, ItemsEndWithAComma) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitProfileList("Low,Medium,High,"), (V{"Low", "Medium", "High"}));
    EXPECT_EQ(SplitProfileList("Low,Medium,High"), (V{"Low", "Medium"}));
    EXPECT_EQ(SplitProfileList("a,,b,"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitProfileList(" a , b,"), (V{" a ", " b"}));
    EXPECT_EQ(SplitProfileList(","), (V{""}));
    EXPECT_EQ(SplitProfileList("Only"), V{});
    EXPECT_EQ(SplitProfileList(""), V{});
}

// Sorted as the Windows file system lists a folder, whatever order the
// platform returns: letters compared as capitals, so "Z" comes before "_"
// (a comparison of small letters would put "_" first).
TEST(ProfileCatalogue, SortedIgnoringCaseApfFilesOnlyAndTheirRealNames) {
    TempDir dir;
    for (const char* name :
         {"b.apf", "_u.apf", "a.apf", "c.APF", "Z.apf", "d.apf.bak", "e.txt", ".apf", "a b.apf"})
        WriteFileBytes(dir.file(name), "[Main]\r\n");
    std::filesystem::create_directory(dir.path() / "folder.apf");

    const std::vector<std::string> expected{".apf",  "a b.apf", "a.apf", "b.apf",
                                            "c.APF", "Z.apf",   "_u.apf"};
    std::vector<CatalogueEntry> cat = ScanProfiles(dir.path().string());
    std::vector<std::string> got;
    for (const auto& e : cat) {
        got.push_back(e.FileName);
        EXPECT_EQ(e.Name, e.FileName.substr(0, e.FileName.rfind('.')));
    }
    EXPECT_EQ(got, expected);

    // "c" opens as the file the scan found, whatever case its extension has.
    std::string profilesDir = dir.path().string() + std::string(1, PathDelim);
    EXPECT_EQ(ProfilePath(profilesDir, cat, "c"), profilesDir + "c.APF");
    EXPECT_EQ(ProfilePath(profilesDir, cat, "new"), profilesDir + "new.apf");
    EXPECT_EQ(ProfilePath(dir.path().string(), cat, "a"), profilesDir + "a.apf");

    EXPECT_TRUE(ScanProfiles((dir.path() / "missing").string()).empty());
}

TEST(ProfileLoad, RowsSheetsExtensionAndHeights) {
    ProfileFile f(SampleProfile);
    Sheets s;
    s.Video.SetRows(InitialVideoRows());
    std::string ext;
    LoadProfile(f.path, s.Set(), &ext);
    EXPECT_EQ(ext, ".avi");
    EXPECT_EQ(Captions(s.Video), (std::vector<std::string>{"Codec", "Size", "NoVideo"}));
    EXPECT_EQ(Captions(s.Audio), (std::vector<std::string>{"Bitrate"}));
    EXPECT_EQ(Captions(s.Advanced), (std::vector<std::string>{"Fixed", "Note"}));
    EXPECT_EQ(s.Video.Height(), 54);
    EXPECT_EQ(s.Audio.Height(), 18);
    EXPECT_EQ(s.Advanced.Height(), 36);

    // Pick lists are read-only whatever "ReadOnly" says, a section without
    // "List" is a pick list, and "Index" chooses the value.
    const SheetRow& codec = s.Video.Row(0);
    EXPECT_TRUE(codec.HasPickList);
    EXPECT_TRUE(codec.ReadOnly);
    EXPECT_EQ(codec.PickList, (std::vector<std::string>{"MPEG-4", "H.264"}));
    EXPECT_EQ(codec.Value, "H.264");
    EXPECT_TRUE(s.Video.Row(1).ReadOnly);
    EXPECT_EQ(s.Video.Row(1).Value, "Original Size");
    EXPECT_EQ(s.Video.Row(2).Value, "No");

    // Text rows show their "Caption"; only the read-only one is locked.
    EXPECT_EQ(s.Audio.Row(0).Value, "128k");
    EXPECT_FALSE(s.Audio.Row(0).ReadOnly);
    EXPECT_FALSE(s.Audio.Row(0).HasPickList);
    EXPECT_EQ(s.Advanced.Row(0).Value, "shown text");
    EXPECT_TRUE(s.Advanced.Row(0).ReadOnly);

    // The settings dialog's load leaves the main window's extension alone.
    Sheets dialog;
    LoadProfile(f.path, dialog.Set(), nullptr);
    EXPECT_EQ(dialog.Video.RowCount(), 3);
}

TEST(ProfileLoad, TypeDefaultsToMp4AndEmptySheetsShowOneLine) {
    ProfileFile f(Crlf({"[Main]", "Para=1", "0=Only", "[Only]", "Sort=2", "List=0", "Caption=x"}));
    Sheets s;
    s.Video.SetRows(InitialVideoRows());
    s.Advanced.SetRows(InitialAdvancedRows());
    std::string ext = ".old";
    LoadProfile(f.path, s.Set(), &ext);
    EXPECT_EQ(ext, ".mp4");
    EXPECT_EQ(s.Video.RowCount(), 0);
    EXPECT_EQ(s.Video.Height(), 18);
    EXPECT_EQ(s.Advanced.RowCount(), 0);
    EXPECT_EQ(s.Audio.RowCount(), 1);

    // Loading another profile afterwards fills the emptied sheets again.
    ProfileFile g(SampleProfile);
    LoadProfile(g.path, s.Set(), &ext);
    EXPECT_EQ(s.Video.RowCount(), 3);
    EXPECT_EQ(s.Advanced.RowCount(), 2);
}

TEST(ProfileLoad, MissingFileChangesNothing) {
    TempDir dir;
    Sheets s;
    s.Video.SetRows(InitialVideoRows());
    s.Video.SetHeight(5);
    std::string ext = ".avi";
    LoadProfile(dir.file("none.apf"), s.Set(), &ext);
    LoadProfile(dir.path().string(), s.Set(), &ext); // a folder is no profile
    EXPECT_EQ(ext, ".avi");
    EXPECT_EQ(s.Video.RowCount(), 6);
    EXPECT_EQ(s.Video.Height(), 5);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.apf")));
}

TEST(ProfileLoad, LoadingRewritesTheFile) {
    ProfileFile f("[Main]\nType=flv\rPara=0");
    Sheets s;
    LoadProfile(f.path, s.Set(), nullptr);
    EXPECT_EQ(ReadFileBytes(f.path), "[Main]\r\nType=flv\r\nPara=0\r\n");
}

TEST(ProfileLoad, ReadOnlyLoadsAndBuildsTheSameAndLeavesTheFileAsItIs) {
    // LF line ends: any write would make them CR LF.
    std::string text = SampleProfile;
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    ProfileFile f(text);
    Sheets readOnly, readWrite;
    std::string ext;
    LoadProfile(f.path, readOnly.Set(), &ext, IniAccess::ReadOnly);
    const std::string arguments =
        BuildProfileArguments(f.path, readOnly.Set(), IniAccess::ReadOnly);
    EXPECT_EQ(ReadFileBytes(f.path), text);
    EXPECT_EQ(ext, ".avi");

    LoadProfile(f.path, readWrite.Set(), nullptr);
    EXPECT_EQ(Captions(readOnly.Video), Captions(readWrite.Video));
    EXPECT_EQ(arguments, BuildProfileArguments(f.path, readWrite.Set()));
    EXPECT_EQ(ReadFileBytes(f.path), SampleProfile);
}

TEST(ProfileLoad, SortOutsideOneToThreeKeepsThePreviousSheet) {
    ProfileFile f(
        Crlf({"[Main]",  "Para=4", "0=First",   "1=Second", "2=Third", "3=Fourth", "[First]",
              "Sort=7",  "List=0", "Caption=1", "[Second]", "Sort=2",  "List=0",   "Caption=2",
              "[Third]", "List=0", "Caption=3", "[Fourth]", "Sort=0",  "List=0",   "Caption=4"}));
    Sheets s;
    LoadProfile(f.path, s.Set(), nullptr);
    // A first parameter without a sheet of its own is shown on the Video sheet.
    EXPECT_EQ(Captions(s.Video), (std::vector<std::string>{"First"}));
    EXPECT_EQ(Captions(s.Audio), (std::vector<std::string>{"Second", "Third", "Fourth"}));
    EXPECT_EQ(s.Advanced.RowCount(), 0);

    // The arguments find the rows on the same sheets.
    std::string text =
        Crlf({"[Main]", "Para=2", "0=First", "1=Second", "[First]", "Sort=9", "List=0", "Caption=a",
              "cmd=-x", "[Second]", "List=0", "Caption=b", "cmd=-y"});
    ProfileFile g(text);
    Sheets t;
    LoadProfile(g.path, t.Set(), nullptr);
    t.Video.SetValue("Second", "edited");
    EXPECT_EQ(BuildProfileArguments(g.path, t.Set()), " -x a -y edited");
}

TEST(ProfileLoad, IndexOutsideTheListStopsTheLoad) {
    // The second parameter's index is out of range: the first row stays, the
    // failing row stays empty, the third is never read, heights stay and the
    // file is not rewritten.
    const std::string text = "[Main]\nPara=3\n0=Good\n1=Bad\n2=Later\n"
                             "[Good]\nSort=1\nCaption=a,b,\nIndex=1\n"
                             "[Bad]\nSort=2\nCaption=x,y,\nIndex=5\n"
                             "[Later]\nSort=2\nList=0\nCaption=z\n";
    ProfileFile f(text);
    Sheets s;
    s.Video.SetHeight(777);
    s.Audio.SetHeight(777);
    std::string ext;
    EXPECT_EQ(LoadError(f.path, s, &ext), "List index out of bounds (5)");
    EXPECT_EQ(ext, ".mp4");
    ASSERT_EQ(s.Video.RowCount(), 1);
    EXPECT_EQ(s.Video.Row(0).Value, "b");
    ASSERT_EQ(s.Audio.RowCount(), 1);
    EXPECT_EQ(s.Audio.Row(0).Caption, "Bad");
    EXPECT_EQ(s.Audio.Row(0).Value, "");
    EXPECT_EQ(s.Video.Height(), 777);
    EXPECT_EQ(s.Audio.Height(), 777);
    EXPECT_EQ(ReadFileBytes(f.path), text);

    try {
        ProfileFile neg(Crlf({"[Main]", "Para=1", "0=P", "[P]", "Caption=a,", "Index=-1"}));
        LoadProfile(neg.path, s.Set(), nullptr);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Index(), -1);
        EXPECT_STREQ(e.what(), "List index out of bounds (-1)");
    }
}

TEST(ProfileLoad, BadInputGivesTheListErrorOrDefaults) {
    Sheets s;
    // "Para" beyond the named parameters: an unnamed pick list with no items.
    ProfileFile para(Crlf({"[Main]", "Para=3", "0=A", "[A]", "Sort=1", "List=0", "Caption=a"}));
    EXPECT_EQ(LoadError(para.path, s), "List index out of bounds (0)");
    EXPECT_EQ(s.Video.RowCount(), 2);
    EXPECT_EQ(s.Video.Row(1).Caption, "");

    // A huge "Para" fails at the first unnamed parameter instead of looping.
    ProfileFile huge(Crlf({"[Main]", "Para=2147483647"}));
    EXPECT_EQ(LoadError(huge.path, s), "List index out of bounds (0)");

    // A "Caption" without its trailing "," offers one item less.
    ProfileFile caption(Crlf({"[Main]", "Para=1", "0=A", "[A]", "Caption=Only", "Index=0"}));
    EXPECT_EQ(LoadError(caption.path, s), "List index out of bounds (0)");
    ProfileFile two(Crlf({"[Main]", "Para=1", "0=A", "[A]", "Caption=x,y,z", "Index=2"}));
    EXPECT_EQ(LoadError(two.path, s), "List index out of bounds (2)");

    // Missing sections: defaults everywhere, no rows.
    for (const std::string& text : {std::string(), Crlf({"[Other]", "Para=4"}),
                                    Crlf({"[Main]", "Para=-5"}), Crlf({"[Main]", "Para=x"})}) {
        ProfileFile f(text);
        std::string ext;
        EXPECT_EQ(LoadError(f.path, s, &ext), "") << text;
        EXPECT_EQ(ext, ".mp4");
        EXPECT_EQ(s.Video.RowCount() + s.Audio.RowCount() + s.Advanced.RowCount(), 0);
        EXPECT_EQ(BuildProfileArguments(f.path, s.Set()), "");
    }
}

TEST(ProfileLoad, AnUnnamedSectionLoadsNoRowsBeyondTheNamedParameters) {
    // A section "[]" answers for every unnamed parameter; with "List=0" or a
    // caption list it no longer fails, and each number once became a row.
    for (const char* unnamed : {"List=0", "Caption=a,"}) {
        ProfileFile f(Crlf({"[Main]", "Para=200000", "0=A", "2=C", "[A]", "Sort=1", "List=0",
                            "Caption=x", "[]", unnamed, "[C]", "Sort=2", "List=0", "Caption=z"}));
        Sheets s;
        EXPECT_EQ(LoadError(f.path, s), "") << unnamed;
        ASSERT_EQ(s.Video.RowCount(), 2) << unnamed; // A, then the first unnamed one
        EXPECT_EQ(s.Video.Row(1).Caption, "");
        ASSERT_EQ(s.Audio.RowCount(), 1) << unnamed;
        EXPECT_EQ(s.Audio.Row(0).Value, "z");
    }
}

TEST(ProfileLoad, BinaryGarbageNeverCrashes) {
    std::mt19937 random(20240601);
    const std::string alphabet = "[]=,\\\r\n\0\x01\xff MainPar0123456789";
    for (int round = 0; round < 40; ++round) {
        std::string bytes;
        size_t size = 1 + random() % 4000;
        for (size_t i = 0; i < size; ++i)
            bytes += round % 2 ? static_cast<char>(random() & 0xFF)
                               : alphabet[random() % alphabet.size()];
        if (round % 4 == 3) bytes = "[Main]\r\nPara=3\r\n0=" + bytes; // garbage names
        ProfileFile f(bytes);
        Sheets s;
        try {
            LoadProfile(f.path, s.Set(), nullptr);
            BuildProfileArguments(f.path, s.Set());
            SaveProfile(f.path, s.Set());
        } catch (const EListError&) {
            // The one error a profile can give.
        }
    }
}

// Every read of the INI store scans the whole text, so the load's cost grows
// with the square of the parameter count; this one takes seconds.
TEST(ProfileLoad, FiveThousandParameters) {
    const int count = 5000;
    std::string text = "[Main]\r\nType=mkv\r\nPara=" + std::to_string(count) + "\r\n";
    for (int i = 0; i < count; ++i)
        text += std::to_string(i) + "=P" + std::to_string(i) + "\r\n";
    for (int i = 0; i < count; ++i)
        text += "[P" + std::to_string(i) + "]\r\nSort=" + std::to_string(i % 3 + 1) +
                "\r\nList=0\r\nCaption=" + std::to_string(i) + "\r\n";
    ProfileFile f(text);
    Sheets s;
    std::string ext;
    LoadProfile(f.path, s.Set(), &ext);
    EXPECT_EQ(ext, ".mkv");
    ASSERT_EQ(s.Video.RowCount(), 1667);
    ASSERT_EQ(s.Audio.RowCount(), 1667);
    ASSERT_EQ(s.Advanced.RowCount(), 1666);
    EXPECT_EQ(s.Advanced.Row(1665).Caption, "P4997");
    EXPECT_EQ(s.Advanced.Row(1665).Value, "4997");
    EXPECT_EQ(s.Video.Height(), 1667 * 18);
    EXPECT_EQ(ReadFileBytes(f.path), text);
}

#ifndef _WIN32
// Makes writes to files fail even for root: the file-size limit is lowered
// below the profile's size for the life of the object.
class WritesFail {
public:
    WritesFail() {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = FOld;
        small.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~WritesFail() {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    struct rlimit FOld;
    void (*FOldHandler)(int);
};
#endif

TEST(ProfileLoad, ReadOnlyFileFailsAfterAllRowsAreLoaded) {
    ProfileFile f(SampleProfile);
    std::filesystem::permissions(f.path, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::group_read |
                                             std::filesystem::perms::others_read);
    Sheets s;
    std::string ext;
    try {
#ifndef _WIN32
        WritesFail full; // root may write a read-only file
#endif
        LoadProfile(f.path, s.Set(), &ext);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"", 0), 0u) << e.what();
    }
    EXPECT_EQ(ext, ".avi");
    EXPECT_EQ(s.Video.RowCount() + s.Audio.RowCount() + s.Advanced.RowCount(), 6);
    EXPECT_EQ(s.Advanced.Row(1).Value, "no switch");
    EXPECT_EQ(ReadFileBytes(f.path), SampleProfile);
    std::filesystem::permissions(f.path, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

TEST(ProfileArguments, GroupsInParameterOrder) {
    ProfileFile f(SampleProfile);
    Sheets s;
    LoadProfile(f.path, s.Set(), nullptr);
    // Codec (Video), Size (Video, "Original Size" passes nothing), Bitrate
    // (Audio), NoVideo "No" passes nothing, Fixed (Advanced) passes its
    // "Value", Note has no switch.
    EXPECT_EQ(BuildProfileArguments(f.path, s.Set()), " -c:v libx264 -b:a 128k -f passed");

    s.Video.SetValue("NoVideo", "Yes"); // a bare switch: blank, switch, blank
    s.Video.SetValue("Size", "original size");
    s.Audio.SetValue("Bitrate", ""); // an emptied text row drops its switch
    s.Advanced.SetValue("Fixed", "typed");
    EXPECT_EQ(BuildProfileArguments(f.path, s.Set()), " -c:v libx264 -vn  -f passed");

    // A text the list does not offer, such as a custom size, passes itself;
    // a caption matched without regard to case passes its value.
    s.Video.SetValue("Size", "200x150");
    s.Video.SetValue("Codec", "mpeg-4");
    s.Audio.SetValue("Bitrate", "96k");
    EXPECT_EQ(BuildProfileArguments(f.path, s.Set()),
              " -c:v mpeg4 -s 200x150 -b:a 96k -vn  -f passed");

    // "Custom Size" left as it is passes its list value, here nothing.
    s.Video.SetValue("Size", "Custom Size");
    EXPECT_EQ(BuildProfileArguments(f.path, s.Set()), " -c:v mpeg4 -b:a 96k -vn  -f passed");
}

TEST(ProfileArguments, MissingFileRowsAndValues) {
    TempDir dir;
    Sheets s;
    EXPECT_EQ(BuildProfileArguments(dir.file("none.apf"), s.Set()), "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.apf")));

    // Rows missing from the sheets (another profile shown) pass what an
    // empty row would: nothing for lists without an empty caption.
    ProfileFile f(SampleProfile);
    EXPECT_EQ(BuildProfileArguments(f.path, s.Set()), " -f passed");

    // A chosen caption without a value at its position.
    ProfileFile short_(
        Crlf({"[Main]", "Para=2", "0=A", "1=B", "[A]", "List=0", "Caption=1", "cmd=-a", "[B]",
              "Caption=x,y,z,", "Value=1,2,", "Index=2", "cmd=-b"}));
    LoadProfile(short_.path, s.Set(), nullptr);
    try {
        BuildProfileArguments(short_.path, s.Set());
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (2)");
    }
    s.Video.SetValue("B", "Y");
    EXPECT_EQ(BuildProfileArguments(short_.path, s.Set()), " -a 1 -b 2");
}

TEST(ProfileArguments, HugeParaGivesTheNamedParametersAtOnce) {
    // Para=2147483647 once made Start walk two billion unnamed parameters.
    // Keys are found by substring, so "11=" also names parameter 1 (and
    // "1000000000=" would name 0, were "0=" not found first); a far number
    // names its parameter as before.
    ProfileFile f(Crlf({"[Main]", "Para=2147483647", "0=A",        "11=E",    "1000000000=Far",
                        "[A]",    "List=0",          "Caption=x",  "cmd=-a",  "[E]",
                        "Sort=2", "List=0",          "Caption=y",  "cmd=-e",  "[Far]",
                        "Sort=3", "List=0",          "ReadOnly=1", "Value=z", "cmd=-f"}));
    Sheets s;
    // Loading stops at the first unnamed parameter (2) with the list error,
    // its empty row left in the sheet of the one before.
    EXPECT_EQ(LoadError(f.path, s), "List index out of bounds (0)");
    EXPECT_EQ(Captions(s.Audio), (std::vector<std::string>{"E", ""}));
    EXPECT_EQ(BuildProfileArguments(f.path, s.Set()), " -a x -e y -e y -f z");

    // Saving writes the named parameters only: no section "[]" appears.
    s.Audio.SetValue("E", "typed");
    SaveProfile(f.path, s.Set());
    const std::string saved = ReadFileBytes(f.path);
    EXPECT_EQ(saved.find("[]"), std::string::npos);
    EXPECT_NE(saved.find("[E]\r\nValue=typed\r\n"), std::string::npos) << saved;
    EXPECT_EQ(BuildProfileArguments(f.path, s.Set()), " -a x -e typed -e typed -f z");

    // A "Para" larger than the named ones by a little gives the same text as
    // the named ones alone; a negative one gives nothing.
    ProfileFile few(Crlf({"[Main]", "Para=7", "0=A", "[A]", "List=0", "Caption=x", "cmd=-a"}));
    EXPECT_EQ(BuildProfileArguments(few.path, s.Set()), " -a x");
    ProfileFile negative(Crlf({"[Main]", "Para=-5", "0=A", "[A]", "List=0", "cmd=-a"}));
    EXPECT_EQ(BuildProfileArguments(negative.path, s.Set()), "");
}

TEST(ProfileArguments, SkippingUnnamedNumbersKeepsEveryNamedOne) {
    // Keys of "Main" such as "x07=", "17=" or "0070=" serve other numbers by
    // substring; every parameter the store names for 0..Para-1 must still be
    // passed ("3=3=P" names 3 "3=P", which has no section and passes nothing).
    std::mt19937 random(7);
    const char* keys[] = {"7", "17", "x07", "0070", "1", "21", "3=3", "9 ", "10", "0"};
    for (int round = 0; round < 30; ++round) {
        std::string text = "[Main]\r\nPara=" + std::to_string(1 + random() % 80) + "\r\n";
        for (int k = 0; k < 4; ++k)
            text += std::string(keys[random() % 10]) + "=" + "PQR"[random() % 3] + "\r\n";
        for (const char* name : {"P", "Q", "R"})
            text += "[" + std::string(name) + "]\r\nList=0\r\nReadOnly=1\r\nValue=v\r\ncmd=-" +
                    name + "\r\n";
        ProfileFile f(text);
        TNewInifile ini(f.path);
        std::string expected;
        for (int i = 0; i < ini.ReadInteger("Main", "Para", 0); ++i) {
            std::string name = ini.ReadString("Main", std::to_string(i), "");
            if (name == "P" || name == "Q" || name == "R") expected += " -" + name + " v";
        }
        Sheets s;
        EXPECT_EQ(BuildProfileArguments(f.path, s.Set()), expected) << text;
    }
}

TEST(ProfileSave, WritesIndexOrCaptionAndValue) {
    const std::string text = Crlf({"[Main]",
                                   "Type=avi",
                                   "Para=5",
                                   "0=List",
                                   "1=Text",
                                   "2=Locked",
                                   "3=Bare",
                                   "4=Absent",
                                   "[List]",
                                   "Sort=1",
                                   "Caption=Low,Medium,High,",
                                   "Value=1,2,3,",
                                   "Index=0",
                                   "cmd=-q",
                                   "[Text]",
                                   "Sort=2",
                                   "List=0",
                                   "Caption=128",
                                   "Value=128",
                                   "cmd=-b",
                                   "[Locked]",
                                   "Sort=3",
                                   "ReadOnly=1",
                                   "List=0",
                                   "Caption=c",
                                   "Value=v",
                                   "[Bare]",
                                   "Sort=1",
                                   "Caption=a,b,",
                                   "[Absent]",
                                   "Sort=1",
                                   "Caption=a,b,",
                                   "Index=1"});
    ProfileFile f(text);
    Sheets s;
    LoadProfile(f.path, s.Set(), nullptr);
    s.Video.SetValue("List", "high");
    s.Audio.SetValue("Text", "800");
    s.Advanced.SetValue("Locked", "changed");
    s.Video.SetValue("Bare", "B");
    s.Video.DeleteRow(s.Video.Find("Absent"));
    SaveProfile(f.path, s.Set());

    EXPECT_EQ(ReadFileBytes(f.path), Crlf({"[Main]",
                                           "Type=avi",
                                           "Para=5",
                                           "0=List",
                                           "1=Text",
                                           "2=Locked",
                                           "3=Bare",
                                           "4=Absent",
                                           "[List]",
                                           "Sort=1",
                                           "Caption=Low,Medium,High,",
                                           "Value=1,2,3,",
                                           "Index=2",
                                           "cmd=-q",
                                           "[Text]",
                                           "Sort=2",
                                           "List=0",
                                           "Caption=800",
                                           "Value=800",
                                           "cmd=-b",
                                           "[Locked]",
                                           "Sort=3",
                                           "ReadOnly=1",
                                           "List=0",
                                           "Caption=c",
                                           "Value=v",
                                           "[Bare]",
                                           "Index=1",
                                           "Sort=1",
                                           "Caption=a,b,",
                                           "[Absent]",
                                           "Sort=1",
                                           "Caption=a,b,",
                                           "Index=1"}));

    // The saved profile loads with the saved choices.
    Sheets again;
    LoadProfile(f.path, again.Set(), nullptr);
    EXPECT_EQ(again.Video.Value("List"), "High");
    EXPECT_EQ(again.Audio.Value("Text"), "800");
    EXPECT_EQ(again.Video.Value("Bare"), "b");
}

TEST(ProfileSave, UnknownChoicesAndMissingTargets) {
    ProfileFile f(Crlf({"[Main]", "Para=1", "0=Size", "[Size]", "Sort=1",
                        "Caption=Original Size,Custom Size,", "Index=0"}));
    Sheets s;
    LoadProfile(f.path, s.Set(), nullptr);
    s.Video.SetValue("Size", "320x240"); // not among the captions
    SaveProfile(f.path, s.Set());
    EXPECT_NE(ReadFileBytes(f.path).find("\r\nIndex=-1\r\n"), std::string::npos);

    // A target that does not exist is created, empty.
    TempDir dir;
    SaveProfile(dir.file("new.apf"), s.Set());
    EXPECT_EQ(ReadFileBytes(dir.file("new.apf")), "");
}

} // namespace
