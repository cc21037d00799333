#include "desktop/media/VideoFileWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace hd::media {

namespace {

struct Kind {
    const char* extension;
    const char* format;
    const char* codecs[2];  // the first one this FFmpeg has is used
    AVPixelFormat pixels;
    int ticksPerSecond;  // AVI counts frames: empty ones fill the gaps between ticks
};

// FFV1 keeps every pixel; H.264 in 4:2:0 is what every player reads from .mp4.
const Kind kKinds[] = {
    {".avi", "avi", {"ffv1", nullptr}, AV_PIX_FMT_0RGB32, 100},
    {".mkv", "matroska", {"ffv1", nullptr}, AV_PIX_FMT_0RGB32, 1000},
    {".mp4", "mp4", {"libx264", "mpeg4"}, AV_PIX_FMT_YUV420P, 1000},
};

const Kind* KindOf(const std::string& path) {
    std::string lower = path;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const Kind& k : kKinds) {
        const size_t n = std::char_traits<char>::length(k.extension);
        if (lower.size() > n && lower.compare(lower.size() - n, n, k.extension) == 0) return &k;
    }
    return nullptr;
}

std::string Reason(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

struct VideoFileWriter::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int64_t lastPts = -1;
    bool headerWritten = false;
    bool fragmented = false;  // MP4 in fragments
    bool broken = false;      // a write failed: the file ends at `complete`
    int64_t complete = 0;     // bytes of whole frames in the file
    std::string path;

    ~State() {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    // Sends a frame (or the end, for null) and writes what the encoder gives
    // back, each packet flushed to the file at once.
    bool Encode(AVFrame* f, std::string& error) {
        int r = avcodec_send_frame(codec, f);
        if (r < 0) {
            error = "the encoder refused a frame (" + Reason(r) + ")";
            return false;
        }
        for (;;) {
            r = avcodec_receive_packet(codec, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) {
                error = "the encoder failed (" + Reason(r) + ")";
                return false;
            }
            if (packet->duration <= 0) packet->duration = 1;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            // Each fragment starts at its own time: a frame's duration is
            // not known when it is written.
            if (fragmented) av_opt_set(format->priv_data, "movflags", "+frag_discont", 0);
            r = av_write_frame(format, packet);
            av_packet_unref(packet);
            // Close the cluster or fragment, then push the bytes to the file.
            if (r >= 0) r = av_write_frame(format, nullptr);
            if (r >= 0) {
                avio_flush(format->pb);
                r = format->pb->error;
            }
            if (r < 0) {
                error = "writing " + path + " failed (" + Reason(r) + ")";
                broken = true;
                return false;
            }
            complete = avio_tell(format->pb);
        }
    }
};

VideoFileWriter::VideoFileWriter() {
    // The encoders' progress and statistics lines would land in a terminal
    // that handrel-cli writes its own lines to; failures are reported here.
    av_log_set_level(AV_LOG_ERROR);
}

VideoFileWriter::~VideoFileWriter() {
    std::string ignored;
    Close(ignored);
}

bool VideoFileWriter::Supported(const std::string& path) {
    return KindOf(path) != nullptr;
}

bool VideoFileWriter::IsOpen() const {
    return m_state && m_state->headerWritten;
}

int64_t VideoFileWriter::TickMicros() const {
    if (!m_state || !m_state->codec) return 0;
    return av_rescale_q(1, m_state->codec->time_base, AVRational{1, 1000000});
}

bool VideoFileWriter::Open(const std::string& path, int width, int height, std::string& error) {
    std::string ignored;
    Close(ignored);
    const Kind* kind = KindOf(path);
    if (!kind) {
        error = "a recording is saved as .avi, .mkv or .mp4";
        return false;
    }
    if (width <= 0 || height <= 0) {
        error = "there is no screen picture to record";
        return false;
    }
    auto s = std::make_unique<State>();
    s->path = path;
    const AVCodec* encoder = nullptr;
    for (const char* name : kind->codecs)
        if (name && !encoder) encoder = avcodec_find_encoder_by_name(name);
    if (!encoder) {
        error = std::string("this FFmpeg has no encoder for ") + kind->extension + " files";
        return false;
    }
    int r = avformat_alloc_output_context2(&s->format, nullptr, kind->format, path.c_str());
    if (r < 0 || !s->format) {
        error = "cannot make a " + std::string(kind->format) + " file (" + Reason(r) + ")";
        return false;
    }
    s->codec = avcodec_alloc_context3(encoder);
    s->frame = av_frame_alloc();
    s->packet = av_packet_alloc();
    s->stream = avformat_new_stream(s->format, nullptr);
    if (!s->codec || !s->frame || !s->packet || !s->stream) {
        error = "out of memory";
        return false;
    }
    AVCodecContext* c = s->codec;
    const bool subsampled = kind->pixels == AV_PIX_FMT_YUV420P;
    c->width = subsampled ? (width + 1) & ~1 : width;  // 4:2:0 wants even sides
    c->height = subsampled ? (height + 1) & ~1 : height;
    c->pix_fmt = kind->pixels;
    c->time_base = AVRational{1, kind->ticksPerSecond};
    c->framerate = AVRational{0, 1};  // variable
    c->gop_size = 250;
    if (s->format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (std::string(encoder->name) == "libx264") {
        // No look-ahead: each frame leaves the encoder (and reaches the file) at once.
        av_dict_set(&options, "preset", "veryfast", 0);
        av_dict_set(&options, "tune", "zerolatency", 0);
        av_dict_set(&options, "crf", "16", 0);
    } else if (encoder->id == AV_CODEC_ID_MPEG4) {
        c->max_b_frames = 0;
        c->qmin = c->qmax = 2;
    } else if (encoder->id == AV_CODEC_ID_FFV1) {
        av_dict_set(&options, "level", "3", 0);
        av_dict_set(&options, "slicecrc", "1", 0);
    }
    r = avcodec_open2(c, encoder, &options);
    av_dict_free(&options);
    if (r < 0) {
        error = std::string("cannot start the ") + encoder->name + " encoder (" + Reason(r) + ")";
        return false;
    }
    s->stream->time_base = c->time_base;
    avcodec_parameters_from_context(s->stream->codecpar, c);

    s->frame->format = c->pix_fmt;
    s->frame->width = c->width;
    s->frame->height = c->height;
    if (av_frame_get_buffer(s->frame, 0) < 0) {
        error = "out of memory";
        return false;
    }
    r = avio_open(&s->format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) {
        error = "cannot create " + path + " (" + Reason(r) + ")";
        return false;
    }
    AVDictionary* muxing = nullptr;
    // Fragments cut by each frame's flush: a file cut short still plays.
    s->fragmented = std::string(kind->format) == "mp4";
    if (s->fragmented)
        av_dict_set(&muxing, "movflags", "frag_custom+empty_moov+default_base_moof", 0);
    r = avformat_write_header(s->format, &muxing);
    av_dict_free(&muxing);
    if (r >= 0) {
        avio_flush(s->format->pb);
        r = s->format->pb->error;
    }
    if (r < 0) {
        error = "writing " + path + " failed (" + Reason(r) + ")";
        avio_closep(&s->format->pb);
        // A file without its header is no video; a device file is left alone.
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) std::filesystem::remove(path, ec);
        return false;
    }
    s->headerWritten = true;
    s->complete = avio_tell(s->format->pb);
    m_state = std::move(s);
    return true;
}

bool VideoFileWriter::Write(const uint32_t* pixels, int width, int height, int64_t micros,
                            std::string& error) {
    if (!IsOpen()) {
        error = "the recording is not open";
        return false;
    }
    State& s = *m_state;
    if (!pixels || width <= 0 || height <= 0) {
        error = "an empty picture";
        return false;
    }
    s.scaler = sws_getCachedContext(s.scaler, width, height, AV_PIX_FMT_RGB32, s.codec->width,
                                    s.codec->height, s.codec->pix_fmt, SWS_BICUBIC, nullptr,
                                    nullptr, nullptr);
    if (!s.scaler || av_frame_make_writable(s.frame) < 0) {
        error = "cannot convert the picture";
        return false;
    }
    const uint8_t* src[1] = {reinterpret_cast<const uint8_t*>(pixels)};
    const int stride[1] = {width * 4};
    sws_scale(s.scaler, src, stride, 0, height, s.frame->data, s.frame->linesize);
    int64_t pts =
        av_rescale_q_rnd(micros, AVRational{1, 1000000}, s.codec->time_base, AV_ROUND_NEAR_INF);
    s.frame->pts = std::max(pts, s.lastPts + 1);
    s.lastPts = s.frame->pts;
    return s.Encode(s.frame, error);
}

bool VideoFileWriter::Close(std::string& error) {
    if (!m_state) return true;
    std::unique_ptr<State> s = std::move(m_state);
    bool ok = true;
    if (s->broken) {
        // A half-written frame is cut off, so the file ends with a whole one;
        // shrinking a file works on a full disk too.
        avio_closep(&s->format->pb);
        std::error_code ec;
        std::filesystem::resize_file(s->path, uintmax_t(s->complete), ec);
        return true;
    }
    if (s->headerWritten) {
        std::string drained;
        if (!s->Encode(nullptr, drained)) {
            error = drained;
            ok = false;
        }
        const int r = av_write_trailer(s->format);
        if (r < 0 && ok) {
            error = "finishing " + s->path + " failed (" + Reason(r) + ")";
            ok = false;
        }
        if (s->format->pb) {
            avio_flush(s->format->pb);
            if (s->format->pb->error < 0 && ok) {
                error = "writing " + s->path + " failed (" + Reason(s->format->pb->error) + ")";
                ok = false;
            }
        }
    }
    return ok;
}

}  // namespace hd::media
