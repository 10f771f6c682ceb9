// Reads an input's description in this process through FFmpeg's shared
// libraries, loaded at run time: a probe then costs one process start
// instead of two, and the stand-in still runs (through ffprobe) where the
// libraries or their headers are missing.
#include "encoder/Arguments.h"
#include "encoder/MediaReport.h"

#if !defined(_WIN32) && __has_include(<libavformat/avformat.h>) && __has_include(<dlfcn.h>)

#include <chrono>
#include <cmath>
#include <cstdio>
#include <dlfcn.h>
#include <type_traits>
#include <utility>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
}

#define TARVOLIN_HAS_LIBAV_CHLAYOUT (LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(57, 24, 100))
// Since FFmpeg 7 a stream's side data (its display matrix) is in its codec
// parameters.
#define TARVOLIN_HAS_CODED_SIDE_DATA (LIBAVFORMAT_VERSION_MAJOR >= 61)

namespace {

#define STRINGIFY2(x) #x
#define STRINGIFY(x) STRINGIFY2(x)

// The library whose major version matches the headers we were built with:
// FFmpeg keeps its binary interface within one major version.
constexpr const char* LibavformatName = "libavformat.so." STRINGIFY(LIBAVFORMAT_VERSION_MAJOR);

struct Libav {
    decltype(&::av_log_set_level) LogSetLevel = nullptr;
    decltype(&::avformat_open_input) OpenInput = nullptr;
    decltype(&::avformat_find_stream_info) FindStreamInfo = nullptr;
    decltype(&::avformat_close_input) CloseInput = nullptr;
    decltype(&::av_strerror) StrError = nullptr;
    decltype(&::avcodec_get_name) CodecName = nullptr;
    decltype(&::av_get_pix_fmt_name) PixFmtName = nullptr;
    decltype(&::av_get_sample_fmt_name) SampleFmtName = nullptr;
    decltype(&::av_dict_get) DictGet = nullptr;
    decltype(&::av_read_frame) ReadFrame = nullptr;
    decltype(&::av_packet_alloc) PacketAlloc = nullptr;
    decltype(&::av_packet_unref) PacketUnref = nullptr;
    decltype(&::av_packet_free) PacketFree = nullptr;
    decltype(&::av_display_rotation_get) DisplayRotation = nullptr;
#if TARVOLIN_HAS_CODED_SIDE_DATA
    decltype(&::av_packet_side_data_get) SideData = nullptr;
#else
    decltype(&::av_stream_get_side_data) SideData = nullptr;
#endif
#if TARVOLIN_HAS_LIBAV_CHLAYOUT
    decltype(&::av_channel_layout_describe) LayoutDescribe = nullptr;
#endif

    bool Load() {
        // Dependencies (libavcodec, libavutil) come along and are searched
        // by dlsym through this handle. The handle stays open until exit.
        void* h = dlopen(LibavformatName, RTLD_LAZY | RTLD_LOCAL);
        if (!h) return false;
        auto get = [h](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(h, name));
            return fn != nullptr;
        };
        return get(LogSetLevel, "av_log_set_level") && get(OpenInput, "avformat_open_input") &&
               get(FindStreamInfo, "avformat_find_stream_info") &&
               get(CloseInput, "avformat_close_input") && get(StrError, "av_strerror") &&
               get(CodecName, "avcodec_get_name") && get(PixFmtName, "av_get_pix_fmt_name") &&
               get(SampleFmtName, "av_get_sample_fmt_name") && get(DictGet, "av_dict_get") &&
               get(ReadFrame, "av_read_frame") && get(PacketAlloc, "av_packet_alloc") &&
               get(PacketUnref, "av_packet_unref") && get(PacketFree, "av_packet_free") &&
               get(DisplayRotation, "av_display_rotation_get") &&
#if TARVOLIN_HAS_CODED_SIDE_DATA
               get(SideData, "av_packet_side_data_get")
#else
               get(SideData, "av_stream_get_side_data")
#endif
#if TARVOLIN_HAS_LIBAV_CHLAYOUT
               && get(LayoutDescribe, "av_channel_layout_describe")
#endif
            ;
    }
};

const char* MediaTypeName(AVMediaType t) {
    switch (t) {
    case AVMEDIA_TYPE_VIDEO:
        return "video";
    case AVMEDIA_TYPE_AUDIO:
        return "audio";
    case AVMEDIA_TYPE_SUBTITLE:
        return "subtitle";
    case AVMEDIA_TYPE_DATA:
        return "data";
    case AVMEDIA_TYPE_ATTACHMENT:
        return "attachment";
    default:
        return "unknown";
    }
}

std::string Text(const char* s) {
    return s ? s : "";
}

// A stream's time in microseconds, rounded as ffprobe prints it; nothing
// when unknown.
std::optional<int64_t> Microseconds(int64_t ts, AVRational base) {
    if (ts == AV_NOPTS_VALUE || base.den <= 0) return std::nullopt;
    return std::llround(static_cast<double>(ts) * base.num * 1e6 / base.den);
}

// How far a picture is turned to be seen, from its display matrix.
int RotationOf(const Libav& av, const AVStream* st) {
#if TARVOLIN_HAS_CODED_SIDE_DATA
    const AVPacketSideData* sd = av.SideData(
        st->codecpar->coded_side_data, st->codecpar->nb_coded_side_data, AV_PKT_DATA_DISPLAYMATRIX);
    const uint8_t* matrix = sd && sd->size >= 9 * sizeof(int32_t) ? sd->data : nullptr;
#else
    size_t size = 0;
    const uint8_t* matrix = av.SideData(st, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (size < 9 * sizeof(int32_t)) matrix = nullptr;
#endif
    if (!matrix) return 0;
    // The matrix turns counterclockwise; the picture is turned clockwise.
    return QuarterTurn(-av.DisplayRotation(reinterpret_cast<const int32_t*>(matrix)));
}

// Reads the packets from where the stream search left off (the packets it
// read are handed out again first) to the end, for where each stream
// truly ends. False when the time ran out or no packet had a time.
bool MeasureFromPackets(const Libav& av, AVFormatContext* fc, MediaFacts& facts) {
    AVPacket* packet = av.PacketAlloc();
    if (!packet) return false;
    PacketSpans spans;
    const auto giveUp = std::chrono::steady_clock::now() + MeasureLimit;
    bool whole = false;
    for (unsigned n = 1;; ++n) {
        if (av.ReadFrame(fc, packet) < 0) {
            // The end, or damage that also ends a conversion there.
            whole = true;
            break;
        }
        const unsigned index = static_cast<unsigned>(packet->stream_index);
        if (index < fc->nb_streams) {
            const AVRational base = fc->streams[index]->time_base;
            const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            const std::optional<int64_t> at = Microseconds(ts, base);
            const std::optional<int64_t> end = Microseconds(
                ts == AV_NOPTS_VALUE ? ts : ts + std::max<int64_t>(0, packet->duration), base);
            if (at && end) spans.Add(static_cast<int>(index), *at, *end);
        }
        av.PacketUnref(packet);
        if (n % 64 == 0 && std::chrono::steady_clock::now() >= giveUp) break;
    }
    av.PacketFree(&packet);
    return whole && spans.ApplyTo(facts);
}

} // namespace

LibavOutcome ReadWithLibav(const std::string& path, MediaFacts& facts, std::string& error,
                           LibavDepth depth) {
    Libav av;
    if (!av.Load()) return LibavOutcome::Unavailable;
    // Like ffmpeg at "-loglevel error": the demuxers' own error lines show.
    av.LogSetLevel(depth == LibavDepth::Describe ? AV_LOG_ERROR : AV_LOG_QUIET);

    // Always as a file: a name such as "pipe:0.avi" is not a protocol here.
    const std::string name = AsFileName(path);
    AVFormatContext* fc = nullptr;
    int ret = av.OpenInput(&fc, name.c_str(), nullptr, nullptr);
    if (ret < 0) {
        char buf[256] = "";
        if (av.StrError(ret, buf, sizeof buf) < 0) std::snprintf(buf, sizeof buf, "error %d", ret);
        error = buf;
        return LibavOutcome::Failed;
    }
    // As ffmpeg does, a failure here only leaves some facts unknown.
    if (depth == LibavDepth::Describe) av.FindStreamInfo(fc, nullptr);

    facts = MediaFacts{};
    facts.FormatName = Text(fc->iformat ? fc->iformat->name : nullptr);
    if (fc->duration != AV_NOPTS_VALUE) facts.DurationUs = fc->duration;
    if (fc->start_time != AV_NOPTS_VALUE) facts.StartUs = fc->start_time;
    facts.BitRate = fc->bit_rate;
    for (unsigned i = 0; i < fc->nb_streams; ++i) {
        const AVStream* st = fc->streams[i];
        const AVCodecParameters* p = st->codecpar;
        StreamFacts s;
        s.Index = static_cast<int>(i);
        s.Type = MediaTypeName(p->codec_type);
        s.Codec = Text(av.CodecName(p->codec_id));
        s.AttachedPicture = (st->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
        s.StartUs = Microseconds(st->start_time, st->time_base);
        s.DurationUs = Microseconds(st->duration, st->time_base);
        // Matroska keeps each stream's length in a tag of its own.
        if (const AVDictionaryEntry* tag = av.DictGet(st->metadata, "DURATION", nullptr, 0);
            !s.DurationUs && tag && tag->value)
            s.DurationUs = ClockTextToMicroseconds(tag->value);
        if (const AVDictionaryEntry* tag = av.DictGet(st->metadata, "title", nullptr, 0);
            tag && tag->value)
            s.Title = tag->value;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            s.Rotation = RotationOf(av, st);
            s.PixelFormat = Text(av.PixFmtName(static_cast<AVPixelFormat>(p->format)));
            s.Width = p->width;
            s.Height = p->height;
            AVRational rate = st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0
                                  ? st->avg_frame_rate
                                  : st->r_frame_rate;
            s.RateNum = rate.num;
            s.RateDen = rate.den;
        } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
            s.SampleRate = p->sample_rate;
            s.SampleFormat = Text(av.SampleFmtName(static_cast<AVSampleFormat>(p->format)));
#if TARVOLIN_HAS_LIBAV_CHLAYOUT
            s.Channels = p->ch_layout.nb_channels;
            char layout[128] = "";
            if (p->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC &&
                av.LayoutDescribe(&p->ch_layout, layout, sizeof layout) > 0)
                s.ChannelLayout = layout;
#endif
        }
        facts.Streams.push_back(std::move(s));
    }
    if (depth == LibavDepth::Describe &&
        (fc->duration == AV_NOPTS_VALUE ||
         fc->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)) {
        facts.LengthEstimated = true;
        // Damaged packets would each say so: the length is all that is
        // wanted here.
        av.LogSetLevel(AV_LOG_QUIET);
        MeasureFromPackets(av, fc, facts);
    }
    av.CloseInput(&fc);
    return LibavOutcome::Read;
}

#else

LibavOutcome ReadWithLibav(const std::string&, MediaFacts&, std::string&, LibavDepth) {
    return LibavOutcome::Unavailable;
}

#endif
