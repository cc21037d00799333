// Reads a video file back with FFmpeg's demuxers and decoders: every decoded
// frame as 0xFFRRGGBB pixels with its time. Test support only.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <string>
#include <vector>

namespace hd::media::test {

struct DecodedVideo {
    std::string codec;
    int width = 0, height = 0;
    std::vector<int64_t> micros;  // each frame's time from the start
    std::vector<std::vector<uint32_t>> frames;
};

inline bool ReadVideo(const std::string& path, DecodedVideo& out) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
    bool ok = avformat_find_stream_info(format, nullptr) >= 0;
    const int index = ok ? av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) : -1;
    AVCodecContext* codec = nullptr;
    if (index >= 0) {
        const AVStream* st = format->streams[index];
        const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
        codec = avcodec_alloc_context3(decoder);
        ok = decoder && avcodec_parameters_to_context(codec, st->codecpar) >= 0 &&
             avcodec_open2(codec, decoder, nullptr) >= 0;
        if (decoder) out.codec = decoder->name;
    } else {
        ok = false;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* sws = nullptr;
    auto drain = [&] {
        while (avcodec_receive_frame(codec, frame) >= 0) {
            out.width = frame->width;
            out.height = frame->height;
            std::vector<uint32_t> px(size_t(frame->width) * size_t(frame->height));
            sws = sws_getCachedContext(sws, frame->width, frame->height,
                                       AVPixelFormat(frame->format), frame->width, frame->height,
                                       AV_PIX_FMT_RGB32, SWS_POINT, nullptr, nullptr, nullptr);
            uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(px.data())};
            const int stride[1] = {frame->width * 4};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
            const int64_t pts = frame->best_effort_timestamp;
            out.micros.push_back(
                av_rescale_q(pts, format->streams[index]->time_base, AVRational{1, 1000000}));
            out.frames.push_back(std::move(px));
        }
    };
    while (ok && av_read_frame(format, packet) >= 0) {
        // AVI fills the gaps between frames with empty chunks: nothing to decode.
        if (packet->stream_index == index && packet->size > 0) {
            if (avcodec_send_packet(codec, packet) < 0) ok = false;
            drain();
        }
        av_packet_unref(packet);
    }
    if (codec && ok) {
        avcodec_send_packet(codec, nullptr);
        drain();
    }
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return ok;
}

}  // namespace hd::media::test
