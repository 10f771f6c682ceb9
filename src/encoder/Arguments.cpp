#include "encoder/Arguments.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <optional>

namespace {

// The range of the output options in FfmpegArgs: after "-i INPUT", before
// the output (the last word).
struct OutputOptions {
    size_t Begin = 0;
    size_t End = 0;
};

std::optional<OutputOptions> OutputOptionsOf(const RunRequest& r) {
    const std::vector<std::string>& a = r.FfmpegArgs;
    auto in = std::find(a.begin(), a.end(), "-i");
    if (r.Kind != RunKind::Convert || in == a.end()) return std::nullopt;
    OutputOptions o;
    o.Begin = static_cast<size_t>(in - a.begin()) + 2;
    o.End = a.size() - 1;
    if (o.Begin > o.End) return std::nullopt;
    return o;
}

// The last value given to any of names among the output options; the
// position of that value, or 0 when there is none.
size_t LastValueOf(const RunRequest& r, std::initializer_list<const char*> names) {
    auto o = OutputOptionsOf(r);
    if (!o) return 0;
    size_t found = 0;
    for (size_t j = o->Begin; j + 1 < o->End; ++j)
        for (const char* n : names)
            if (r.FfmpegArgs[j] == n) found = j + 1;
    return found;
}

// Takes every "name value" pair out of the output options.
void RemoveOption(RunRequest& r, const char* name) {
    while (size_t value = LastValueOf(r, {name}))
        r.FfmpegArgs.erase(r.FfmpegArgs.begin() + static_cast<long>(value) - 1,
                           r.FfmpegArgs.begin() + static_cast<long>(value) + 1);
}

bool HasOption(const RunRequest& r, std::initializer_list<const char*> names) {
    auto o = OutputOptionsOf(r);
    if (!o) return false;
    for (size_t j = o->Begin; j < o->End; ++j)
        for (const char* n : names)
            if (r.FfmpegArgs[j] == n) return true;
    return false;
}

// Encoders that refuse a picture with an odd width or height (4:2:0 chroma
// on whole macroblock pairs).
bool NeedsEvenSize(const std::string& codec) {
    for (const char* exact : {"libx264", "libx265", "libxvid", "wmv1", "wmv2"})
        if (codec == exact) return true;
    for (const char* family : {"h264_", "hevc_"})
        if (codec.rfind(family, 0) == 0) return true;
    return false;
}

// A side of at least 1 written in plain digits; 0 for anything else.
int SideOf(const std::string& text) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != text.npos)
        return 0;
    return std::atoi(text.c_str());
}

int Even(int side) {
    return side % 2 == 0 ? side : side == 1 ? 2 : side - 1;
}

} // namespace

std::string AsFileName(const std::string& path) {
    return "file:" + path;
}

RunRequest ClassifyRun(const std::vector<std::string>& args) {
    RunRequest r;
    auto in = std::find(args.begin(), args.end(), "-i");
    if (in == args.end()) {
        r.Problem = args.empty() ? "no input given" : "no input given (missing -i)";
        return r;
    }
    const size_t k = static_cast<size_t>(in - args.begin());
    if (k + 1 >= args.size()) {
        r.Problem = "missing argument for option 'i'";
        return r;
    }
    r.Input = args[k + 1];
    if (k + 2 == args.size()) {
        // Nothing follows the input: like ffmpeg without an output file,
        // describe the input and fail.
        r.Kind = RunKind::Probe;
        return r;
    }

    r.Kind = RunKind::Convert;
    r.Output = args.back();
    const size_t last = args.size() - 1; // the output path
    // The start position is the last "-ss" among the output options (the
    // program appends it after the profile's own options).
    size_t ss = 0;
    for (size_t j = last; j-- > k + 2;) {
        if (args[j] == "-ss" && j + 1 < last) {
            ss = j;
            break;
        }
    }
    r.FfmpegArgs.reserve(args.size());
    for (size_t j = 0; j < args.size(); ++j) {
        if (ss != 0 && j == k) {
            r.FfmpegArgs.push_back("-ss");
            r.FfmpegArgs.push_back(args[ss + 1]);
        }
        if (ss != 0 && (j == ss || j == ss + 1)) continue;
        if (j == k + 1 || j == last)
            r.FfmpegArgs.push_back(AsFileName(args[j]));
        else
            r.FfmpegArgs.push_back(args[j]);
    }
    return r;
}

AudioTracks TakeAudioTracks(RunRequest& request) {
    const size_t last = LastValueOf(request, {"-audio_tracks"});
    const bool all = last != 0 && request.FfmpegArgs[last] == "all";
    RemoveOption(request, "-audio_tracks");
    return all ? AudioTracks::All : AudioTracks::First;
}

void FitPictureSize(RunRequest& request) {
    const size_t size = LastValueOf(request, {"-s"});
    if (size == 0) return;
    const std::string token = request.FfmpegArgs[size];
    const size_t x = token.find('x');
    if (!token.starts_with("fit") || x == std::string::npos) return;
    int a = SideOf(token.substr(3, x - 3)), b = SideOf(token.substr(x + 1));
    if (a == 0 || b == 0) return;
    // Every "-s" goes: the last one counts, and it is this one.
    RemoveOption(request, "-s");
    if (HasOption(request, {"-vn"})) return;

    // The picture as seen is iw*sar by ih; it is wide when that is at least
    // square. f shrinks it into the box turned its way, and never enlarges.
    const std::string L = std::to_string(std::max(a, b)), S = std::to_string(std::min(a, b));
    const std::string wide = "gte(iw*sar,ih)";
    const std::string f = "min(1,min(if(" + wide + "," + L + "," + S + ")/(iw*sar),if(" + wide +
                          "," + S + "," + L + ")/ih))";
    const std::string fit =
        "scale=w='max(2,2*round(iw*sar*" + f + "/2))':h='max(2,2*round(ih*" + f + "/2))',setsar=1";
    if (size_t vf = LastValueOf(request, {"-vf"}); vf != 0)
        request.FfmpegArgs[vf] += "," + fit;
    else
        request.FfmpegArgs.insert(request.FfmpegArgs.end() - 1, {"-vf", fit});
}

bool ChooseStreams(RunRequest& request, AudioTracks tracks) {
    if (!OutputOptionsOf(request) || HasOption(request, {"-map", "-filter_complex", "-lavfi"}))
        return false;
    const bool video = !HasOption(request, {"-vn"}), audio = !HasOption(request, {"-an"});
    std::vector<std::string> maps;
    // "V": video that is not an attached picture; "?": none is fine.
    if (video) maps.insert(maps.end(), {"-map", "0:V:0"});
    if (audio) maps.insert(maps.end(), {"-map", tracks == AudioTracks::All ? "0:a?" : "0:a:0?"});
    request.FfmpegArgs.insert(request.FfmpegArgs.end() - 1, maps.begin(), maps.end());
    return video;
}

bool NamesTracksByHandler(const std::string& output) {
    std::string type = output.substr(std::min(output.size(), output.rfind('.')));
    for (char& c : type)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const char* kin : {".mp4", ".m4v", ".m4a", ".mov", ".3gp", ".3g2"})
        if (type == kin) return true;
    return false;
}

void NameAudioTracks(RunRequest& request, const MediaFacts& input) {
    if (!OutputOptionsOf(request)) return;
    int track = 0;
    for (const StreamFacts& s : input.Streams) {
        if (s.Type != "audio") continue;
        if (!s.Title.empty())
            request.FfmpegArgs.insert(
                request.FfmpegArgs.end() - 1,
                {"-metadata:s:a:" + std::to_string(track), "handler_name=" + s.Title});
        ++track;
    }
}

std::string NoPictureReason(const std::string& input) {
    // Windows also takes "/" between folders.
    const size_t sep = input.find_last_of(PathDelim == '/' ? "/" : "\\/:");
    return input.substr(sep == std::string::npos ? 0 : sep + 1) + " has no picture to convert.";
}

std::string EvenOutputSize(RunRequest& request) {
    size_t size = LastValueOf(request, {"-s"});
    if (size == 0 || HasOption(request, {"-vn"})) return {};
    size_t codec = LastValueOf(request, {"-c:v", "-codec:v", "-vcodec"});
    if (codec == 0 || !NeedsEvenSize(request.FfmpegArgs[codec])) return {};

    std::string& text = request.FfmpegArgs[size];
    size_t x = text.find('x');
    if (x == std::string::npos) return {};
    int w = SideOf(text.substr(0, x)), h = SideOf(text.substr(x + 1));
    if (w == 0 || h == 0 || (w % 2 == 0 && h % 2 == 0)) return {};
    std::string even = std::to_string(Even(w)) + "x" + std::to_string(Even(h));
    std::string note = "wmaspi: picture size " + text + " rounded to " + even + ", as " +
                       request.FfmpegArgs[codec] + " needs an even width and height\n";
    text = even;
    return note;
}
