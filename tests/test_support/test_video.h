// Small MPEG-4 videos written by tests and benchmarks, with frames painted by the caller.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <filesystem>
#include <functional>
#include <stdexcept>

namespace tressmoor::test_support {

/// What to write: size, length, key-frame spacing and how each frame looks.
struct TestVideo {
    int width = 64;
    int height = 48;
    int frames = 60;
    int fps = 30;
    int gop = 10;                 ///< a key frame every `gop` encoded frames
    int quantiser = 2;            ///< fixed MPEG-4 quantiser (1 best … 31)
    bool fmp4Tag = false;         ///< store the "FMP4" codec tag (as AVI route videos do)
    std::function<void(AVFrame*, int)> paint;  ///< fills the YUV 4:2:0 planes of frame n
    std::function<bool(int)> leftOut;          ///< frames not encoded at all (a gap in the file)
};

/// Writes the video as MPEG-4 part 2 into `path`; the container follows the file's extension.
/// Throws std::runtime_error when FFmpeg refuses a step.
inline void writeTestVideo(const std::filesystem::path& path, const TestVideo& video) {
    auto check = [](int rc, const char* what) {
        if (rc < 0) throw std::runtime_error(what);
    };
    AVFormatContext* format = nullptr;
    check(avformat_alloc_output_context2(&format, nullptr, nullptr, path.c_str()), "muxer");
    const AVCodec* mpeg4 = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!mpeg4) throw std::runtime_error("no MPEG-4 encoder");
    AVStream* stream = avformat_new_stream(format, nullptr);
    AVCodecContext* codec = avcodec_alloc_context3(mpeg4);
    codec->width = video.width;
    codec->height = video.height;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = AVRational{1, video.fps};
    codec->framerate = AVRational{video.fps, 1};
    codec->gop_size = video.gop;
    codec->max_b_frames = 0;
    codec->flags |= AV_CODEC_FLAG_QSCALE;
    codec->global_quality = FF_QP2LAMBDA * video.quantiser;
    if (video.fmp4Tag) codec->codec_tag = MKTAG('F', 'M', 'P', '4');
    if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    check(avcodec_open2(codec, mpeg4, nullptr), "encoder");
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = codec->framerate;
    check(avcodec_parameters_from_context(stream->codecpar, codec), "parameters");
    check(avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE), "file");
    check(avformat_write_header(format, nullptr), "header");

    AVPacket* packet = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(codec, packet) >= 0) {
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            check(av_interleaved_write_frame(format, packet), "write");
        }
    };
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = video.width;
    frame->height = video.height;
    check(av_frame_get_buffer(frame, 0), "frame");
    int sinceKey = video.gop;
    for (int n = 0; n < video.frames; ++n) {
        if (video.leftOut && video.leftOut(n)) continue;
        check(av_frame_make_writable(frame), "writable");
        if (video.paint) video.paint(frame, n);
        frame->pts = n;
        // Key frames every `gop` encoded frames, forced so that gaps do not move them.
        frame->pict_type = sinceKey >= video.gop ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        sinceKey = frame->pict_type == AV_PICTURE_TYPE_I ? 1 : sinceKey + 1;
        check(avcodec_send_frame(codec, frame), "encode");
        drain();
    }
    check(avcodec_send_frame(codec, nullptr), "flush");
    drain();
    check(av_write_trailer(format), "trailer");
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avio_closep(&format->pb);
    avformat_free_context(format);
}

}  // namespace tressmoor::test_support
