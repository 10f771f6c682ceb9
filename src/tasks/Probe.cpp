#include "tasks/Probe.h"

#include "base/TimeText.h"

#include <algorithm>

namespace {

// The cutting rules count positions from 1: the position of a word is where
// it first occurs, 0 when it does not.
size_t Pos(std::string_view word, std::string_view text) {
    if (word.empty()) return 0;
    size_t at = text.find(word);
    return at == std::string_view::npos ? 0 : at + 1;
}

// The text from the p-th character on; the whole text when p is below 1.
std::string_view RestFrom(std::string_view text, size_t p) {
    if (p < 1) return text;
    if (p - 1 >= text.size()) return {};
    return text.substr(p - 1);
}

// The first n characters; empty when n is below 1.
std::string_view FirstChars(std::string_view text, size_t n) {
    return text.substr(0, n);
}

// The text after "Stream lengths: " up to the end of its line.
std::string StreamLengthsText(std::string_view text) {
    constexpr std::string_view Label = "Stream lengths: ";
    const size_t at = text.find(Label);
    if (at == std::string_view::npos) return {};
    const std::string_view rest = text.substr(at + Label.size());
    return std::string(rest.substr(0, rest.find_first_of("\r\n")));
}

// The position of the first "Video" that names a picture to convert: one
// on a line marked "(attached pic)" is a still picture such as an audio
// file's cover art, which has no size worth showing. 0 when there is none.
size_t PictureVideoPos(std::string_view text) {
    for (size_t from = 0;;) {
        const size_t at = text.find("Video", from);
        if (at == std::string_view::npos) return 0;
        const size_t end = text.find_first_of("\r\n", at);
        const std::string_view line =
            text.substr(at, end == std::string_view::npos ? end : end - at);
        if (line.find("(attached pic)") == std::string_view::npos) return at + 1;
        if (end == std::string_view::npos) return 0;
        from = end;
    }
}

} // namespace

double KeptStreamsEnd(std::string_view lengths, bool video, bool audio) {
    double end = -1;
    while (!lengths.empty()) {
        const size_t comma = lengths.find(", ");
        const std::string_view entry = lengths.substr(0, comma);
        lengths = comma == std::string_view::npos ? std::string_view() : lengths.substr(comma + 2);
        const size_t blank = entry.find(' ');
        if (blank == std::string_view::npos) return -1;
        const std::string_view kind = entry.substr(0, blank);
        if (!(kind == "video" && video) && !(kind == "audio" && audio)) continue;
        const double seconds = TimeToSeconds(entry.substr(blank + 1));
        if (seconds < 0) return -1;
        end = std::max(end, seconds);
    }
    return end;
}

void ParseProbeOutput(std::string_view text, const std::string& path, ProbeResult& result) {
    // Everything up to the end of the input's path is skipped, so a path
    // that holds "Duration", ":" or "," does not disturb the cuts.
    std::string_view rest = RestFrom(text, Pos(path, text) + path.size());
    result.StreamLengths = StreamLengthsText(rest);

    // "Duration: 00:01:23.4, start: ..." gives the text between the blank
    // after the colon and the next comma.
    size_t p = Pos("Duration", rest);
    if (p == 0) {
        result.Duration.clear();
    } else {
        rest = RestFrom(rest, p + 1);
        p = Pos(":", rest);
        rest = RestFrom(rest, p + 2);
        p = Pos(",", rest);
        result.Duration = p >= 1 ? std::string(FirstChars(rest, p - 1)) : std::string();
        rest = RestFrom(rest, p + 1);
    }

    // "Video: mpeg4, yuv420p, 320x240, 25.00 fps" gives " 320x240": the text
    // between the second and the third comma after "Video".
    p = PictureVideoPos(rest);
    if (p == 0) {
        result.Size.clear();
        return;
    }
    rest = RestFrom(rest, p);
    for (int k = 0; k < 2; ++k) {
        p = Pos(",", rest);
        rest = RestFrom(rest, p + 1);
    }
    p = Pos(",", rest);
    result.Size = p >= 1 ? std::string(FirstChars(rest, p - 1)) : std::string();
}
