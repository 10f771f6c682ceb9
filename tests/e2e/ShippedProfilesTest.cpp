// The profiles the program ships, loaded from the program directory as the
// program finds them: each one converts a generated clip with the real
// encoder stand-in and ffmpeg, with its defaults and with every choice of
// every pick list (one row changed at a time), and the output plays with the
// size, streams and container the choices ask for.
#include "profiles/Profile.h"

#include "TestProcesses.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string ProfilesDir() {
    return ProgramDirectory() + "/Profiles/";
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

struct Stream {
    std::string Type; // "video" or "audio"
    int Width = 0, Height = 0, SampleRate = 0, Channels = 0;
    int Frames = 0; // decoded without error
};

struct Media {
    std::string Format;
    double Duration = 0;
    std::string Errors; // what decoding every frame reported
    std::vector<Stream> Streams;
    const Stream* Find(const std::string& type) const {
        for (const auto& s : Streams)
            if (s.Type == type) return &s;
        return nullptr;
    }
};

// Describes the file and decodes every frame of it.
Media ProbeMedia(const std::string& path) {
    Media m;
    ToolResult probe = RunCaptured(
        "ffprobe",
        {"-v", "error", "-count_frames", "-show_entries",
         "format=format_name,duration:stream=codec_type,width,height,sample_rate,channels,"
         "nb_read_frames",
         "-of", "default=nw=1", path},
        {}, ErrorOutput::Apart);
    m.Errors = probe.Errors;
    if (probe.Exit != 0) {
        m.Errors += "ffprobe failed";
        return m;
    }
    std::istringstream in(probe.Output);
    for (std::string line; std::getline(in, line);) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        auto number = [&] { return value == "N/A" ? 0 : std::atoi(value.c_str()); };
        if (key == "codec_type")
            m.Streams.push_back(Stream{value});
        else if (key == "format_name")
            m.Format = value;
        else if (key == "duration")
            m.Duration = std::atof(value.c_str());
        else if (m.Streams.empty())
            continue;
        else if (key == "width")
            m.Streams.back().Width = number();
        else if (key == "height")
            m.Streams.back().Height = number();
        else if (key == "sample_rate")
            m.Streams.back().SampleRate = number();
        else if (key == "nb_read_frames")
            m.Streams.back().Frames = number();
        else if (key == "channels")
            m.Streams.back().Channels = number();
    }
    return m;
}

// A clip from ffmpeg's test sources: moving picture and a tone.
struct Clip {
    std::string Path;
    int Width, Height, SampleRate;
    double Seconds;
};

Clip MakeClip(const std::string& dir, int w, int h, double seconds) {
    Clip c{dir + "/clip_" + std::to_string(w) + ".mp4", w, h, 44100, seconds};
    ToolResult made = MakeTestClip(c.Path, {w, h, seconds, "libx264"});
    EXPECT_EQ(made.Exit, 0) << made.Output;
    return c;
}

// The size a "Video Size" choice asks for: its leading "WxH", or the input's
// (Original Size, and every "Up to" size: none is smaller than these clips,
// and it never enlarges).
std::pair<int, int> ExpectedSize(const std::string& shown, const Clip& clip) {
    int w = 0, h = 0;
    char x = 0;
    std::istringstream in(shown);
    if (in >> w >> x >> h && x == 'x' && w > 0 && h > 0) return {w, h};
    return {clip.Width, clip.Height};
}

// The number at the start of a choice such as "22050 Hz", or 0.
int LeadingNumber(const std::string& shown) {
    return std::atoi(shown.c_str());
}

// The container ffprobe names for an output extension.
std::string ExpectedFormat(const std::string& ext) {
    static const std::map<std::string, std::string> formats{
        {".mp4", "mp4"},      {".3gp", "3gp"},   {".avi", "avi"}, {".wmv", "asf"}, {".flv", "flv"},
        {".mkv", "matroska"}, {".webm", "webm"}, {".mp3", "mp3"}, {".m4a", "m4a"}};
    auto it = formats.find(ext);
    return it == formats.end() ? "?" : it->second;
}

struct Sheets {
    ParamSheet Video, Audio, Advanced;
    SheetSet Set() { return SheetSet{&Video, &Audio, &Advanced}; }
    const SheetRow* Row(const std::string& caption) const {
        for (const ParamSheet* s : {&Video, &Audio, &Advanced})
            if (int i = s->Find(caption); i >= 0) return &s->Row(i);
        return nullptr;
    }
    std::string Value(const std::string& caption) const {
        const SheetRow* r = Row(caption);
        return r ? r->Value : std::string();
    }
};

const std::vector<std::string> VideoRows{"Video Codec", "Video Size", "Bit Rate",
                                         "Frame Rate",  "Aspect",     "Disable Video"};
const std::vector<std::string> AudioRows{"Audio Codec", "Audio Bitrate", "Sample Rate",
                                         "Channels",    "Volumn",        "Disable Audio"};
const std::vector<std::string> AdvancedRows{"Bit Exact Algorithms", "Deinterlace"};

// An audio-only profile: its output type holds sound alone.
bool AudioOnly(const std::string& ext) {
    return ext == ".mp3" || ext == ".m4a";
}

std::vector<std::string> ShippedNames() {
    std::vector<std::string> names;
    for (const auto& e : ScanProfiles(ProfilesDir()))
        names.push_back(e.Name);
    return names;
}

TEST(ShippedProfiles, TheProgramDirectoryHoldsThemAll) {
    std::vector<CatalogueEntry> catalogue = ScanProfiles(ProfilesDir());
    std::map<std::string, int> types;
    TempDir dir;
    for (const auto& entry : catalogue) {
        SCOPED_TRACE(entry.Name);
        std::string shipped = ProfilePath(ProfilesDir(), catalogue, entry.Name);
        std::string copy = dir.file(entry.FileName);
        fs::copy_file(shipped, copy);
        Sheets s;
        std::string ext;
        ASSERT_NO_THROW(LoadProfile(copy, s.Set(), &ext));
        ++types[ext];
        // Shipped as the program writes it back, so a load changes nothing.
        EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(shipped));

        if (AudioOnly(ext)) {
            // No picture to choose: the Video sheet only says it is left out,
            // and sound cannot be switched off.
            ASSERT_EQ(s.Video.Rows().size(), 1u);
            const SheetRow& none = s.Video.Row(0);
            EXPECT_EQ(none.Caption, "Disable Video");
            EXPECT_EQ(none.Value, "Yes");
            EXPECT_TRUE(none.ReadOnly && !none.HasPickList);
            for (const auto& c : AudioRows)
                EXPECT_EQ(s.Audio.Find(c) >= 0, c != "Disable Audio") << c;
            EXPECT_NE(BuildProfileArguments(copy, s.Set()).find(" -vn "), std::string::npos);
            continue;
        }
        for (const auto& c : VideoRows)
            EXPECT_GE(s.Video.Find(c), 0) << c;
        for (const auto& c : AudioRows)
            EXPECT_GE(s.Audio.Find(c), 0) << c;
        for (const auto& c : AdvancedRows)
            EXPECT_GE(s.Advanced.Find(c), 0) << c;
        const SheetRow* size = s.Row("Video Size");
        ASSERT_TRUE(size && size->HasPickList);
        for (const char* c : {"Original Size", "Custom Size"})
            EXPECT_NE(std::find(size->PickList.begin(), size->PickList.end(), c),
                      size->PickList.end());
        // Disable Video and Disable Audio are bare switches on "Yes" only.
        s.Video.SetValue("Disable Video", "Yes");
        s.Audio.SetValue("Disable Audio", "Yes");
        std::string args = BuildProfileArguments(copy, s.Set());
        EXPECT_NE(args.find(" -vn "), std::string::npos) << args;
        EXPECT_NE(args.find(" -an "), std::string::npos) << args;
    }
    for (const char* t : {".mp4", ".avi", ".wmv", ".flv", ".3gp", ".mkv", ".webm", ".mp3", ".m4a"})
        EXPECT_GE(types[t], 1) << t;
    EXPECT_GE(catalogue.size(), 13u);
    std::vector<std::string> names = ShippedNames();
    for (const char* name :
         {"PSP - MP4 H.264 480x272", "PSP - MP4 MPEG-4 320x240",
          "MP4 - H.264 AAC 720p Phone and Web", "MP4 - H.265 AAC 1080p", "WebM - VP9 Opus",
          "MKV - H.264 AAC Original Size", "MP3 - Audio Only", "M4A - AAC Audio Only"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    // Listed as the Windows file system lists the files: "WebM" before
    // "WMV", and "... AAC 720p ....apf" before "... AAC.apf" (a blank sorts
    // before the dot).
    auto at = [&names](const char* name) { return std::find(names.begin(), names.end(), name); };
    EXPECT_LT(at("WebM - VP9 Opus"), at("WMV - Windows Media Video 8"));
    EXPECT_LT(at("MP4 - H.264 AAC 720p Phone and Web"), at("MP4 - H.264 AAC"));
}

// Converts input with the shipped profile named, its defaults changed by
// choose, through the real stand-in; the output's path, empty on failure.
std::string ConvertWith(const std::string& profile, const std::string& input,
                        const std::function<void(Sheets&)>& choose = {}) {
    TempDir copies;
    std::vector<CatalogueEntry> catalogue = ScanProfiles(ProfilesDir());
    const std::string copy = copies.file("profile.apf");
    fs::copy_file(ProfilePath(ProfilesDir(), catalogue, profile), copy);
    Sheets s;
    std::string ext;
    LoadProfile(copy, s.Set(), &ext);
    if (choose) choose(s);
    std::vector<std::string> argv{"-y", "-i", input};
    for (std::string& w : Words(BuildProfileArguments(copy, s.Set())))
        argv.push_back(std::move(w));
    argv.push_back(input + " " + profile + ext);
    ToolResult run = RunCaptured(EncoderStandInPath(), argv);
    EXPECT_EQ(run.Exit, 0) << profile << "\n" << run.Output;
    return run.Exit == 0 ? argv.back() : std::string();
}

std::string VideoFacts(const std::string& path) {
    return RunCaptured("ffprobe",
                       {"-v", "error", "-select_streams", "v", "-show_entries",
                        "stream=width,height,sample_aspect_ratio:stream_side_data=rotation", "-of",
                        "csv=p=0", path})
        .Output;
}

// The newer profiles' "up to" sizes: a phone's portrait clip, stored
// upright or on its side with a rotation, comes out upright and in shape in
// square pixels (after the Deinterlace filter, when chosen), with even
// sides; a small clip is not enlarged.
TEST(ShippedProfiles, UpToSizesKeepThePictureAsSeenAndNeverEnlarge) {
    TempDir dir;
    const std::string portrait = dir.file("portrait.mp4"), turned = dir.file("turned.mp4"),
                      small = dir.file("small.mp4"), wide = dir.file("wide.mp4"),
                      pal = dir.file("pal.mp4"); // 720x576 seen as 768x576
    ASSERT_EQ(MakeTestClip(portrait, {1080, 1920, 0.4, "mpeg4"}).Exit, 0);
    ASSERT_EQ(MakeTestClip(turned, {1920, 1080, 0.4, "mpeg4", 90}).Exit, 0);
    ASSERT_EQ(MakeTestClip(small, {640, 360, 0.4, "mpeg4"}).Exit, 0);
    ASSERT_EQ(MakeTestClip(wide, {1920, 800, 0.4, "mpeg4"}).Exit, 0);
    ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "testsrc=size=720x576:rate=25:duration=0.4", "-vf",
                      "setsar=16/15", "-c:v", "mpeg4", pal})
                  .Exit,
              0);
    struct Case {
        const char* Profile;
        std::string Input;
        const char* Size; // the Video Size chosen; empty: the profile's default
        const char* Expected;
        bool Deinterlace = false;
    } cases[] = {
        {"MP4 - H.264 AAC 720p Phone and Web", portrait, "", "720,1280,1:1\n"},
        {"MP4 - H.264 AAC 720p Phone and Web", turned, "", "720,1280,1:1\n"},
        {"MP4 - H.264 AAC 720p Phone and Web", turned, "Up to 640x360", "360,640,1:1\n"},
        {"MP4 - H.264 AAC 720p Phone and Web", pal, "Up to 854x480", "640,480,1:1\n", true},
        // A custom size is exactly what was typed, shown in shape through
        // the pixels' aspect.
        {"MP4 - H.264 AAC 720p Phone and Web", turned, "1280x720", "1280,720,81:256\n"},
        {"MP4 - H.265 AAC 1080p", small, "", "640,360,1:1\n"},
        {"WebM - VP9 Opus", wide, "", "1280,534,1:1\n"},
        {"MKV - H.264 AAC Original Size", turned, "", "1080,1920,1:1\n"},
        {"MKV - H.264 AAC Original Size", portrait, "Up to 854x480", "480,854,1:1\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Profile) + " " + c.Input + " " + c.Size);
        const std::string out = ConvertWith(c.Profile, c.Input, [&c](Sheets& s) {
            if (*c.Size) s.Video.SetValue("Video Size", c.Size);
            if (c.Deinterlace) s.Advanced.SetValue("Deinterlace", "Yes");
        });
        // Upright as stored: no rotation is left for players to apply.
        EXPECT_EQ(VideoFacts(out), c.Expected);
        EXPECT_NEAR(ProbeMedia(out).Duration, 0.4, 0.1);
    }
}

// A film with two sound tracks keeps both with "All", each with its
// language and its name, in Matroska and in MP4 (which names a track by its
// handler).
TEST(ShippedProfiles, AllAudioTracksKeepTheirLanguageAndName) {
    TempDir dir;
    const std::string film = dir.file("film.mkv");
    ASSERT_EQ(Ffmpeg({"-f",
                      "lavfi",
                      "-i",
                      "testsrc=size=160x120:rate=25:duration=0.4",
                      "-f",
                      "lavfi",
                      "-i",
                      "sine=frequency=440:duration=0.4",
                      "-f",
                      "lavfi",
                      "-i",
                      "sine=frequency=880:duration=0.4",
                      "-map",
                      "0",
                      "-map",
                      "1",
                      "-map",
                      "2",
                      "-c:v",
                      "mpeg4",
                      "-c:a",
                      "aac",
                      "-metadata:s:a:0",
                      "language=eng",
                      "-metadata:s:a:0",
                      "title=Film",
                      "-metadata:s:a:1",
                      "language=fra",
                      "-metadata:s:a:1",
                      "title=Director's comments",
                      film})
                  .Exit,
              0);
    for (const char* profile : {"MKV - H.264 AAC Original Size", "MP4 - H.264 AAC",
                                "MP4 - H.264 AAC 720p Phone and Web", "MP4 - H.265 AAC 1080p"}) {
        for (const char* tracks : {"First", "All"}) {
            SCOPED_TRACE(std::string(profile) + ", " + tracks);
            const std::string out = ConvertWith(
                profile, film, [tracks](Sheets& s) { s.Audio.SetValue("Audio Tracks", tracks); });
            const std::string ext = out.substr(out.rfind('.'));
            Media m = ProbeMedia(out);
            EXPECT_EQ(m.Errors, "");
            const bool all = std::string(tracks) == "All";
            EXPECT_EQ(std::count_if(m.Streams.begin(), m.Streams.end(),
                                    [](const Stream& st) { return st.Type == "audio"; }),
                      all ? 2 : 1);
            const std::string names =
                RunCaptured("ffprobe",
                            {"-v", "error", "-select_streams", "a", "-show_entries",
                             "stream_tags=language,title,handler_name", "-of", "compact=p=0", out})
                    .Output;
            EXPECT_NE(names.find("language=eng"), std::string::npos) << names;
            EXPECT_EQ(names.find("language=fra") != std::string::npos, all) << names;
            EXPECT_EQ(names.find("=Director's comments") != std::string::npos, all) << names;
            // MP4 names the first track by its handler only when all are kept.
            if (all || ext == ".mkv") {
                EXPECT_NE(names.find("=Film"), std::string::npos) << names;
            }
        }
    }
}

class ShippedProfile : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        std::vector<CatalogueEntry> catalogue = ScanProfiles(ProfilesDir());
        std::string shipped = ProfilePath(ProfilesDir(), catalogue, GetParam());
        FProfile = Dir.file("profile.apf");
        fs::copy_file(shipped, FProfile);
    }

    // Loads the profile's defaults into s and returns its output extension.
    std::string Load(Sheets& s) {
        std::string ext;
        LoadProfile(FProfile, s.Set(), &ext);
        return ext;
    }

    // Converts clip with the sheets' choices and checks the output; label
    // names the case in failure messages and files.
    void ConvertAndCheck(Sheets& s, const std::string& ext, const Clip& clip,
                         const std::string& label) {
        SCOPED_TRACE(label);
        std::string args = BuildProfileArguments(FProfile, s.Set());
        std::vector<std::string> words = Words(args);
        // ffmpeg takes only the last -vf and -af: no choice may pass two.
        EXPECT_LE(std::count(words.begin(), words.end(), "-vf"), 1) << args;
        EXPECT_LE(std::count(words.begin(), words.end(), "-af"), 1) << args;

        std::string out = Dir.file("out" + std::to_string(++FRuns) + ext);
        std::vector<std::string> argv{"-y", "-i", clip.Path};
        argv.insert(argv.end(), words.begin(), words.end());
        argv.push_back(out);
        ToolResult run = RunCaptured(EncoderStandInPath(), argv);
        ASSERT_EQ(run.Exit, 0) << "arguments:" << args << "\n" << run.Output;
        ASSERT_TRUE(fs::exists(out)) << args;

        Media m = ProbeMedia(out);
        EXPECT_NE(("," + m.Format + ",").find("," + ExpectedFormat(ext) + ","), std::string::npos)
            << m.Format << " for " << ext;
        EXPECT_GT(m.Duration, clip.Seconds * 0.5) << args;
        EXPECT_LT(m.Duration, clip.Seconds + 1.0) << args;

        const Stream* video = m.Find("video");
        if (s.Value("Disable Video") == "Yes") {
            EXPECT_EQ(video, nullptr) << args;
        } else {
            ASSERT_NE(video, nullptr) << args;
            auto [w, h] = ExpectedSize(s.Value("Video Size"), clip);
            EXPECT_EQ(video->Width, w) << args;
            EXPECT_EQ(video->Height, h) << args;
        }
        const Stream* audio = m.Find("audio");
        if (s.Value("Disable Audio") == "Yes") {
            EXPECT_EQ(audio, nullptr) << args;
        } else {
            ASSERT_NE(audio, nullptr) << args;
            int rate = LeadingNumber(s.Value("Sample Rate"));
            EXPECT_EQ(audio->SampleRate, rate > 0 ? rate : clip.SampleRate) << args;
            std::string channels = s.Value("Channels");
            if (channels == "Mono") {
                EXPECT_EQ(audio->Channels, 1) << args;
            } else if (channels == "Stereo") {
                EXPECT_EQ(audio->Channels, 2) << args;
            }
        }

        // It plays: every frame decodes without an error.
        EXPECT_EQ(m.Errors, "") << args;
        for (const Stream& st : m.Streams)
            EXPECT_GT(st.Frames, 0) << st.Type << args;
        fs::remove(out);
    }

    TempDir Dir;
    std::string FProfile;
    int FRuns = 0;
};

TEST_P(ShippedProfile, DefaultsConvertATwoSecondClip) {
    Clip clip = MakeClip(Dir.path().string(), 320, 240, 2);
    Sheets s;
    std::string ext = Load(s);
    ConvertAndCheck(s, ext, clip, "defaults");
}

TEST_P(ShippedProfile, EveryChoiceConverts) {
    Clip clip = MakeClip(Dir.path().string(), 160, 120, 0.5);
    Sheets defaults;
    std::string ext = Load(defaults);
    auto sheetOf = [](Sheets& s, int i) {
        return i == 0 ? &s.Video : i == 1 ? &s.Audio : &s.Advanced;
    };
    for (int i = 0; i < 3; ++i) {
        for (const SheetRow& row : sheetOf(defaults, i)->Rows()) {
            if (!row.HasPickList) continue;
            for (const std::string& choice : row.PickList) {
                if (choice == row.Value) continue; // the defaults run above
                Sheets s;
                Load(s);
                // The custom size dialog puts the typed size in its place.
                sheetOf(s, i)->SetValue(row.Caption, choice == "Custom Size" ? "320x240" : choice);
                ConvertAndCheck(s, ext, clip, row.Caption + " = " + choice);
            }
        }
    }
}

std::string TestName(const testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (char c : info.param)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedProfile, testing::ValuesIn(ShippedNames()), TestName);

} // namespace
