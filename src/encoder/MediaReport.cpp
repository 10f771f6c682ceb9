#include "encoder/MediaReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Commas separate the fields of a stream line, so none may hide inside one.
std::string Field(const std::string& text, const char* fallback) {
    if (text.empty()) return fallback;
    std::string s = text;
    for (char& c : s)
        if (c == ',' || c == '\n' || c == '\r') c = ' ';
    return s;
}

// ffmpeg's way of writing a duration: rounded to centiseconds.
std::string DurationText(const std::optional<int64_t>& us) {
    if (!us) return "N/A";
    int64_t d = *us < 0 ? 0 : *us + 5000;
    int64_t secs = d / 1000000, cs = (d % 1000000) / 10000;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%02lld",
                  static_cast<long long>(secs / 3600), static_cast<long long>(secs / 60 % 60),
                  static_cast<long long>(secs % 60), static_cast<long long>(cs));
    return buf;
}

std::string StartText(int64_t us) {
    int64_t a = us < 0 ? -us : us;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%lld.%06lld", us < 0 ? "-" : "",
                  static_cast<long long>(a / 1000000), static_cast<long long>(a % 1000000));
    return buf;
}

// ffmpeg's way of writing a frame rate: "25", "29.97", "0.0417".
std::string RateText(int num, int den) {
    if (num <= 0 || den <= 0) return "N/A";
    double d = static_cast<double>(num) / den;
    long long v = std::llround(d * 100);
    char buf[64];
    if (v == 0)
        std::snprintf(buf, sizeof buf, "%1.4f", d);
    else if (v % 100)
        std::snprintf(buf, sizeof buf, "%3.2f", d);
    else if (v % (100 * 1000))
        std::snprintf(buf, sizeof buf, "%1.0f", d);
    else
        std::snprintf(buf, sizeof buf, "%1.0fk", d / 1000);
    return buf;
}

std::string Capitalized(const std::string& type) {
    if (type.empty()) return "Unknown";
    std::string s = Field(type, "Unknown");
    if (s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s;
}

int ToInt(std::string_view text) {
    std::string s(text);
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || end != s.c_str() + s.size() || v < 0 || v > 1000000000) return 0;
    return static_cast<int>(v);
}

void ParseRate(std::string_view text, int& num, int& den) {
    size_t slash = text.find('/');
    if (slash == std::string_view::npos) return;
    num = ToInt(text.substr(0, slash));
    den = ToInt(text.substr(slash + 1));
}

// "video 00:00:05.00, audio 00:00:04.98": where each video and audio stream
// ends, from the container's start; empty when there is none.
std::string StreamLengths(const MediaFacts& facts) {
    std::string out;
    const int64_t start = facts.StartUs.value_or(0);
    for (const StreamFacts& s : facts.Streams) {
        if ((s.Type != "video" && s.Type != "audio") || s.AttachedPicture) continue;
        std::optional<int64_t> end;
        if (s.DurationUs) end = s.StartUs.value_or(start) + *s.DurationUs - start;
        out += (out.empty() ? "" : ", ") + s.Type + " " + DurationText(end);
    }
    return out;
}

// The line of text that starts at pos, without its line break; pos moves to
// the next line.
std::string_view NextLine(std::string_view text, size_t& pos) {
    const size_t nl = text.find('\n', pos);
    std::string_view line =
        text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

} // namespace

int QuarterTurn(double degrees) {
    if (!std::isfinite(degrees)) return 0;
    const long long quarters = std::llround(degrees / 90.0) % 4;
    return static_cast<int>((quarters + 4) % 4) * 90;
}

bool HasPicture(const MediaFacts& facts) {
    for (const StreamFacts& s : facts.Streams)
        if (s.Type == "video" && !s.AttachedPicture) return true;
    return false;
}

void PacketSpans::Add(int index, int64_t startUs, int64_t endUs) {
    if (index < 0 || index > 100000) return;
    if (static_cast<size_t>(index) >= FSpans.size()) FSpans.resize(static_cast<size_t>(index) + 1);
    std::optional<Span>& span = FSpans[static_cast<size_t>(index)];
    if (!span)
        span = Span{startUs, std::max(startUs, endUs)};
    else
        span = Span{std::min(span->Start, startUs), std::max({span->End, startUs, endUs})};
}

bool PacketSpans::ApplyTo(MediaFacts& facts) const {
    std::optional<int64_t> first, last;
    for (const std::optional<Span>& span : FSpans) {
        if (!span) continue;
        first = std::min(first.value_or(span->Start), span->Start);
        last = std::max(last.value_or(span->End), span->End);
    }
    if (!first) return false;
    for (StreamFacts& s : facts.Streams) {
        if (s.Index < 0 || static_cast<size_t>(s.Index) >= FSpans.size()) continue;
        if (const std::optional<Span>& span = FSpans[static_cast<size_t>(s.Index)]) {
            s.StartUs = span->Start;
            s.DurationUs = span->End - span->Start;
        }
    }
    facts.StartUs = *first;
    facts.DurationUs = *last - *first;
    facts.LengthEstimated = false;
    return true;
}

void AddFfprobePackets(std::string_view text, PacketSpans& spans) {
    size_t pos = 0;
    while (pos < text.size()) {
        std::string_view line = NextLine(text, pos);
        int index = -1;
        std::optional<int64_t> pts, dts, duration;
        while (!line.empty()) {
            const size_t bar = line.find('|');
            std::string_view field = line.substr(0, bar);
            line = bar == std::string_view::npos ? std::string_view() : line.substr(bar + 1);
            const size_t eq = field.find('=');
            if (eq == std::string_view::npos) continue;
            const std::string_view key = field.substr(0, eq), value = field.substr(eq + 1);
            if (key == "stream_index")
                index = value.empty() ? -1 : ToInt(value);
            else if (key == "pts_time")
                pts = SecondsTextToMicroseconds(value);
            else if (key == "dts_time")
                dts = SecondsTextToMicroseconds(value);
            else if (key == "duration_time")
                duration = SecondsTextToMicroseconds(value);
        }
        const std::optional<int64_t> at = pts ? pts : dts;
        if (index >= 0 && at)
            spans.Add(index, *at, *at + std::max<int64_t>(0, duration.value_or(0)));
    }
}

std::optional<int64_t> SecondsTextToMicroseconds(std::string_view text) {
    bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    int64_t whole = 0, frac = 0;
    int fracDigits = 0;
    bool dot = false, digits = false;
    for (char c : text) {
        if (c == '.' && !dot) {
            dot = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (!dot) {
                if (whole > 1000000000000LL) return std::nullopt;
                whole = whole * 10 + (c - '0');
            } else if (fracDigits < 6) {
                frac = frac * 10 + (c - '0');
                ++fracDigits;
            }
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    for (; fracDigits < 6; ++fracDigits)
        frac *= 10;
    int64_t us = whole * 1000000 + frac;
    return negative ? -us : us;
}

std::optional<int64_t> ClockTextToMicroseconds(std::string_view text) {
    const size_t c1 = text.find(':');
    const size_t c2 = c1 == std::string_view::npos ? c1 : text.find(':', c1 + 1);
    if (c2 == std::string_view::npos) return std::nullopt;
    const int h = ToInt(text.substr(0, c1)), m = ToInt(text.substr(c1 + 1, c2 - c1 - 1));
    const std::optional<int64_t> s = SecondsTextToMicroseconds(text.substr(c2 + 1));
    if (!s || *s < 0 || h > 1000000) return std::nullopt;
    return (static_cast<int64_t>(h) * 3600 + static_cast<int64_t>(m) * 60) * 1000000 + *s;
}

std::string FormatMediaReport(const std::string& path, const MediaFacts& facts) {
    // The container's names keep their commas, as ffmpeg prints them: the
    // program starts reading after the path.
    std::string format = facts.FormatName.empty() ? "unknown" : facts.FormatName;
    for (char& c : format)
        if (c == '\n' || c == '\r') c = ' ';
    std::string out = "Input #0, " + format + ", from '" + path + "':\n";
    out += "  Duration: " + DurationText(facts.DurationUs);
    if (facts.StartUs) out += ", start: " + StartText(*facts.StartUs);
    out += ", bitrate: ";
    out += facts.BitRate > 0 ? std::to_string(facts.BitRate / 1000) + " kb/s" : "N/A";
    out += "\n";
    for (const StreamFacts& s : facts.Streams) {
        out += "    Stream #0." + std::to_string(s.Index) + ": " + Capitalized(s.Type) + ": " +
               Field(s.Codec, "none");
        if (s.Type == "video") {
            // Always four fields, so that a comma follows the size.
            const bool turned = s.Rotation == 90 || s.Rotation == 270;
            out += ", " + Field(s.PixelFormat, "none") + ", " +
                   std::to_string(turned ? s.Height : s.Width) + "x" +
                   std::to_string(turned ? s.Width : s.Height) + ", " +
                   RateText(s.RateNum, s.RateDen) + " fps";
            if (s.AttachedPicture) out += " (attached pic)";
        } else if (s.Type == "audio") {
            out += ", " + std::to_string(s.SampleRate) + " Hz";
            if (!s.ChannelLayout.empty())
                out += ", " + Field(s.ChannelLayout, "");
            else if (s.Channels > 0)
                out += ", " + std::to_string(s.Channels) + " channels";
            if (!s.SampleFormat.empty()) out += ", " + Field(s.SampleFormat, "");
        }
        out += "\n";
    }
    const std::string lengths = StreamLengths(facts);
    if (!lengths.empty()) out += "  Stream lengths: " + lengths + "\n";
    return out;
}

MediaFacts ParseFfprobeOutput(std::string_view text) {
    MediaFacts facts;
    enum { None, Stream, Format } section = None;
    bool inProgram = false;
    StreamFacts stream;
    int avgNum = 0, avgDen = 0, realNum = 0, realDen = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        const std::string_view line = NextLine(text, pos);

        // A transport stream lists its streams again under each program.
        if (line == "[PROGRAM]" || line == "[/PROGRAM]") {
            inProgram = line == "[PROGRAM]";
            continue;
        }
        if (inProgram) continue;
        if (line == "[STREAM]") {
            section = Stream;
            stream = StreamFacts{};
            avgNum = avgDen = realNum = realDen = 0;
            continue;
        }
        if (line == "[/STREAM]") {
            if (avgNum > 0 && avgDen > 0) {
                stream.RateNum = avgNum;
                stream.RateDen = avgDen;
            } else {
                stream.RateNum = realNum;
                stream.RateDen = realDen;
            }
            facts.Streams.push_back(stream);
            section = None;
            continue;
        }
        if (line == "[FORMAT]") {
            section = Format;
            continue;
        }
        if (line == "[/FORMAT]") {
            section = None;
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view key = line.substr(0, eq);
        std::string value(line.substr(eq + 1));
        if (value == "N/A" || value == "unknown") value.clear();

        if (section == Format) {
            if (key == "format_name")
                facts.FormatName = value;
            else if (key == "duration")
                facts.DurationUs = SecondsTextToMicroseconds(value);
            else if (key == "start_time")
                facts.StartUs = SecondsTextToMicroseconds(value);
            else if (key == "bit_rate")
                facts.BitRate = std::strtoll(value.c_str(), nullptr, 10);
        } else if (section == Stream) {
            if (key == "index")
                stream.Index = ToInt(value);
            else if (key == "codec_type")
                stream.Type = value;
            else if (key == "codec_name")
                stream.Codec = value;
            else if (key == "pix_fmt")
                stream.PixelFormat = value;
            else if (key == "width")
                stream.Width = ToInt(value);
            else if (key == "height")
                stream.Height = ToInt(value);
            else if (key == "avg_frame_rate")
                ParseRate(value, avgNum, avgDen);
            else if (key == "r_frame_rate")
                ParseRate(value, realNum, realDen);
            else if (key == "sample_rate")
                stream.SampleRate = ToInt(value);
            else if (key == "channels")
                stream.Channels = ToInt(value);
            else if (key == "channel_layout")
                stream.ChannelLayout = value;
            else if (key == "sample_fmt")
                stream.SampleFormat = value;
            else if (key == "start_time")
                stream.StartUs = SecondsTextToMicroseconds(value);
            else if (key == "duration")
                stream.DurationUs = SecondsTextToMicroseconds(value);
            else if (key == "TAG:DURATION" && !stream.DurationUs)
                stream.DurationUs = ClockTextToMicroseconds(value);
            else if (key == "DISPOSITION:attached_pic")
                stream.AttachedPicture = value == "1";
            else if (key == "TAG:title")
                stream.Title = value;
            // A display matrix's angle is counted the other way round from
            // the older "rotate" tag's.
            else if (key == "rotation")
                stream.Rotation = QuarterTurn(-std::strtod(value.c_str(), nullptr));
            else if (key == "TAG:rotate" && stream.Rotation == 0)
                stream.Rotation = QuarterTurn(std::strtod(value.c_str(), nullptr));
        }
    }
    return facts;
}
