// AVI writer of the route videos: colour conversion with libswscale, MPEG-4 encoding with
// libavcodec on a worker thread, muxing with libavformat.
#include "route_video_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tressmoor::mkcontent {
namespace {

/// Fixed quantiser of every frame (2 = best, 31 = worst). 6 keeps the lineside detail sharp while a
/// still picture costs almost nothing.
constexpr int kQuantiser = 6;

/// Converted frames waiting for the encoder; bounds the memory and keeps both threads busy.
constexpr std::size_t kQueueDepth = 6;

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

[[noreturn]] void fail(const std::string& what, int code) {
    throw std::runtime_error(what + ": " + avError(code));
}

}  // namespace

struct AviWriter::Impl {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scaler = nullptr;
    AVPacket* packet = nullptr;
    int width = 0;
    int height = 0;
    int frames = 0;
    bool headerWritten = false;
    bool finished = false;

    // Hand-over between the converting thread and the encoding thread.
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<AVFrame*> pending;  ///< converted frames in order; nullptr = end of stream
    std::vector<AVFrame*> spare;   ///< frames the encoder has finished with
    std::string workerError;       ///< first error of the encoding thread
    std::thread worker;

    ~Impl() {
        if (worker.joinable()) {
            push(nullptr);
            worker.join();
        }
        for (AVFrame* f : pending) av_frame_free(&f);
        for (AVFrame* f : spare) av_frame_free(&f);
        av_packet_free(&packet);
        sws_freeContext(scaler);
        avcodec_free_context(&codec);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    void push(AVFrame* frame) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return pending.size() < kQueueDepth || !workerError.empty(); });
        pending.push_back(frame);
        changed.notify_all();
    }

    AVFrame* takeSpare() {
        {
            std::lock_guard lock(mutex);
            if (!workerError.empty()) throw std::runtime_error(workerError);
            if (!spare.empty()) {
                AVFrame* f = spare.back();
                spare.pop_back();
                return f;
            }
        }
        AVFrame* f = av_frame_alloc();
        if (!f) throw std::runtime_error("out of memory for a video frame");
        f->format = AV_PIX_FMT_YUV420P;
        f->width = width;
        f->height = height;
        if (int rc = av_frame_get_buffer(f, 0); rc < 0) {
            av_frame_free(&f);
            fail("video frame buffer", rc);
        }
        return f;
    }

    /// Sends one frame (nullptr flushes) and writes every packet the encoder returns.
    void encode(AVFrame* frame) {
        int rc = avcodec_send_frame(codec, frame);
        if (rc < 0) fail("encoding a frame", rc);
        for (;;) {
            rc = avcodec_receive_packet(codec, packet);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
            if (rc < 0) fail("encoding a frame", rc);
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            rc = av_interleaved_write_frame(format, packet);
            if (rc < 0) fail("writing the video file", rc);
        }
    }

    void run() {
        for (;;) {
            AVFrame* frame = nullptr;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return !pending.empty(); });
                frame = pending.front();
                pending.pop_front();
                changed.notify_all();
            }
            try {
                encode(frame);
            } catch (const std::exception& e) {
                std::lock_guard lock(mutex);
                if (workerError.empty()) workerError = e.what();
                changed.notify_all();
            }
            if (!frame) return;
            std::lock_guard lock(mutex);
            spare.push_back(frame);
        }
    }
};

AviWriter::AviWriter(const std::filesystem::path& path, int fps, int width, int height)
    : impl_(std::make_unique<Impl>()) {
    if (fps <= 0 || width <= 0 || height <= 0 || width % 2 || height % 2)
        throw std::invalid_argument("video size and rate must be positive, the size even");
    Impl& d = *impl_;
    d.width = width;
    d.height = height;
    const std::string file = path.string();

    int rc = avformat_alloc_output_context2(&d.format, nullptr, "avi", file.c_str());
    if (rc < 0 || !d.format) fail("creating " + file, rc);
    d.format->flags |= AVFMT_FLAG_BITEXACT;

    const AVCodec* mpeg4 = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!mpeg4) throw std::runtime_error("this libavcodec has no MPEG-4 encoder");
    d.stream = avformat_new_stream(d.format, nullptr);
    d.codec = avcodec_alloc_context3(mpeg4);
    d.packet = av_packet_alloc();
    if (!d.stream || !d.codec || !d.packet) throw std::runtime_error("out of memory");

    AVCodecContext* c = d.codec;
    c->width = width;
    c->height = height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, fps};
    c->framerate = AVRational{fps, 1};
    c->gop_size = fps;    // a key frame every second: seeking decodes at most one second
    c->max_b_frames = 0;  // frames in display order: frame n is the n-th packet
    c->thread_count = 2;
    c->flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_BITEXACT;
    c->global_quality = FF_QP2LAMBDA * kQuantiser;
    c->codec_tag = MKTAG('F', 'M', 'P', '4');
    if (d.format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    rc = avcodec_open2(c, mpeg4, nullptr);
    if (rc < 0) fail("opening the MPEG-4 encoder", rc);

    d.stream->time_base = c->time_base;
    d.stream->avg_frame_rate = c->framerate;
    d.stream->r_frame_rate = c->framerate;
    rc = avcodec_parameters_from_context(d.stream->codecpar, c);
    if (rc < 0) fail("stream parameters", rc);

    rc = avio_open(&d.format->pb, file.c_str(), AVIO_FLAG_WRITE);
    if (rc < 0) fail("opening " + file, rc);
    rc = avformat_write_header(d.format, nullptr);
    if (rc < 0) fail("writing the header of " + file, rc);
    d.headerWritten = true;

    d.scaler = sws_getContext(width, height, AV_PIX_FMT_RGB32, width, height, AV_PIX_FMT_YUV420P,
                              SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!d.scaler) throw std::runtime_error("no colour converter from RGB32 to yuv420p");

    d.worker = std::thread([&d] { d.run(); });
}

AviWriter::~AviWriter() {
    if (!impl_->finished) {
        try {
            finish();
        } catch (...) {
            // A destructor cannot report; the caller who needs the error calls finish().
        }
    }
}

void AviWriter::addFrame(const QImage& picture) {
    Impl& d = *impl_;
    if (d.finished) throw std::logic_error("frame added after finish");
    if (picture.width() != d.width || picture.height() != d.height)
        throw std::invalid_argument("picture size differs from the video size");
    QImage rgb = picture;
    if (rgb.format() != QImage::Format_RGB32 && rgb.format() != QImage::Format_ARGB32)
        rgb = picture.convertToFormat(QImage::Format_RGB32);

    AVFrame* frame = d.takeSpare();
    if (int rc = av_frame_make_writable(frame); rc < 0) fail("video frame buffer", rc);
    const uint8_t* src[1] = {rgb.constBits()};
    const int srcStride[1] = {static_cast<int>(rgb.bytesPerLine())};
    sws_scale(d.scaler, src, srcStride, 0, d.height, frame->data, frame->linesize);
    frame->pts = d.frames;
    frame->quality = d.codec->global_quality;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    ++d.frames;
    d.push(frame);
}

void AviWriter::finish() {
    Impl& d = *impl_;
    if (d.finished) return;
    d.finished = true;
    if (d.worker.joinable()) {
        d.push(nullptr);
        d.worker.join();
    }
    if (!d.workerError.empty()) throw std::runtime_error(d.workerError);
    if (d.headerWritten) {
        if (int rc = av_write_trailer(d.format); rc < 0) fail("finishing the video file", rc);
    }
    if (d.format && d.format->pb) avio_closep(&d.format->pb);
}

int AviWriter::framesWritten() const {
    return impl_->frames;
}

}  // namespace tressmoor::mkcontent
