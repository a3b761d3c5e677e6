// Route-video decoding with libavformat, libavcodec and libswscale.
#include "platform/ffmpeg_video_source.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <utility>

namespace tressmoor::platform {
namespace {

/// "No frame" in the frame-number fields below.
constexpr int kNone = INT_MIN;

/// When the file's index cannot tell where the key frames are, a frame at most this many frames
/// ahead of the decoder is reached by decoding forward rather than by seeking.
constexpr int kForwardWithoutIndex = 15;

/// Row alignment of the picture in bytes, so that libswscale can use its vector code on every row.
constexpr int kRowAlignment = 64;

/// The picture format: native-endian 0xAARRGGBB words (QImage::Format_RGB32).
constexpr AVPixelFormat kPictureFormat = AV_PIX_FMT_RGB32;

/// Memory given to the decoded frames kept for running backwards, bytes (about three seconds of
/// 800 × 600 video).
constexpr std::size_t kRecentBytes = std::size_t{64} << 20;

bool isKeyFrame(const AVFrame* f) {
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(58, 7, 100)
    return (f->flags & AV_FRAME_FLAG_KEY) != 0;
#else
    return f->key_frame != 0;
#endif
}

bool valid(AVRational r) {
    return r.num > 0 && r.den > 0;
}

int clampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN + 1, INT_MAX));
}

/// a + b and a − b, held at the ends of the 64-bit range: timestamps come from the file and may
/// be anything.
std::int64_t saturatedAdd(std::int64_t a, std::int64_t b) {
    if (b > 0 && a > INT64_MAX - b) return INT64_MAX;
    if (b < 0 && a < INT64_MIN - b) return INT64_MIN;
    return a + b;
}
std::int64_t saturatedSub(std::int64_t a, std::int64_t b) {
    if (b == INT64_MIN) return a >= 0 ? INT64_MAX : a - b;
    return saturatedAdd(a, -b);
}

/// Decoding errors in a row after which the decoder is taken as stuck until the next seek.
constexpr int kMaxErrorsInARow = 32;

/// The code for a file the container layer could not open.
int openFailureCode(int rc) {
    if (rc == AVERROR(ENOMEM)) return route::kVideoNoMemory;
    if (rc == AVERROR_INVALIDDATA || rc == AVERROR_DEMUXER_NOT_FOUND || rc == AVERROR_EOF ||
        rc == AVERROR_PATCHWELCOME)
        return route::kVideoBadFormat;
    if (rc == AVERROR(EIO)) return route::kVideoReadError;
    // Missing, unreadable, and every failure without a code of its own: the user must be told
    // that there is no video rather than be shown a black view without a word.
    return route::kVideoCannotOpen;
}

}  // namespace

struct FfmpegVideoSource::Impl {
    Notice notice;
    std::string openPath;     ///< the open file, for the notice
    bool damageSaid = false;  ///< the open file's damage has been said

    /// Says once per open file that it is damaged.
    void damaged() {
        if (damageSaid) return;
        damageSaid = true;
        const std::string text = "video: " + openPath +
                                 " is damaged or cut short; where it cannot be decoded the view "
                                 "keeps the last good picture";
        if (notice) {
            notice(text);
        } else {
            std::cerr << text << std::endl;
        }
    }

    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* held = nullptr;     ///< latest decoded frame at or before the last target
    AVFrame* pending = nullptr;  ///< a decoded frame beyond the last target, kept for later
    int streamIndex = -1;

    AVRational rate{0, 1};       ///< frames per second
    std::int64_t startTime = 0;  ///< stream timestamp of frame 0, in the stream's time base
    int frames = 0;              ///< frame count of the stream

    // Decoder position. `positioned` says the frames that come out of the decoder follow `held`
    // (or the seek point, before anything was decoded after it).
    bool positioned = false;
    int heldIndex = kNone;        ///< frame number of `held`; kNone when empty
    int pendingIndex = kNone;     ///< frame number of `pending`; kNone when empty
    bool demuxEnded = false;      ///< the file has no more packets
    bool fileEnded = false;       ///< ... because its data ended (not because reading failed)
    bool drained = false;         ///< the decoder has given its last frame (or broke)
    int firstMissing = INT_MAX;   ///< frames from here on lie past the end of the file's data
    int lastPacketIndex = kNone;  ///< frame number of the last packet read, empty ones included

    // Recently decoded frames, so that running backwards (or back and forth) converts a kept
    // frame instead of seeking and decoding a group of frames for every frame. They are kept in
    // runs: the frames one stretch of decoding gave, from the key frame a seek landed on, in
    // order; within a run a frame stands for every frame up to the next one's number. The oldest
    // frames go first when the limit is reached.
    struct Recent {
        AVFrame* frame;
        int index;
    };
    using Run = std::deque<Recent>;
    std::deque<Run> runs;         ///< oldest run first; decoding adds to the last
    std::size_t kept = 0;         ///< frames in all runs
    std::size_t recentLimit = 0;  ///< frames kept at most
    bool recording = false;       ///< frames coming out of the decoder extend the last run
    bool newRun = true;           ///< the next frame kept starts a run

    // The picture and its converter.
    std::uint8_t* picture = nullptr;  ///< av_malloc'ed, height × stride bytes
    int width = 0;
    int height = 0;
    int stride = 0;
    SwsContext* scaler = nullptr;
    int scalerWidth = 0;  ///< source size, format and colour description the scaler was made for
    int scalerHeight = 0;
    int scalerFormat = -1;
    int scalerSpace = -1;
    int scalerRange = -1;
    int convertedIndex = kNone;  ///< frame number of the decoded frame now in `picture`
    int shown = -1;              ///< frame number last fetched
    int seeks = 0;

    ~Impl() { close(); }

    void forgetRecent() {
        for (Run& run : runs)
            for (Recent& r : run) av_frame_free(&r.frame);
        runs.clear();
        kept = 0;
    }
    void remember(const AVFrame* f, int index) {
        if (!recording) return;
        if (newRun && !isKeyFrame(f)) {
            // A seek that did not land on a key frame: its first frames may be damaged.
            recording = false;
            return;
        }
        AVFrame* copy = av_frame_clone(f);
        if (!copy) {
            recording = false;
            return;
        }
        if (newRun) runs.emplace_back();
        newRun = false;
        runs.back().push_back(Recent{copy, index});
        ++kept;
        while (kept > recentLimit) {
            av_frame_free(&runs.front().front().frame);
            runs.front().pop_front();
            --kept;
            if (runs.front().empty()) runs.pop_front();
        }
    }
    /// The kept frame that shows frame n, or nullptr.
    const Recent* recentFor(int n) const {
        for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
            if (run->empty() || n < run->front().index || n > run->back().index) continue;
            auto after = std::upper_bound(run->begin(), run->end(), n,
                                          [](int v, const Recent& r) { return v < r.index; });
            return &*std::prev(after);
        }
        return nullptr;
    }

    void close() {
        forgetRecent();
        recording = false;
        newRun = true;
        recentLimit = 0;
        av_frame_free(&held);
        av_frame_free(&pending);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        sws_freeContext(scaler);
        scaler = nullptr;
        av_freep(&picture);
        stream = nullptr;
        streamIndex = -1;
        rate = AVRational{0, 1};
        startTime = 0;
        frames = 0;
        width = height = stride = 0;
        scalerWidth = scalerHeight = 0;
        scalerFormat = scalerSpace = scalerRange = -1;
        convertedIndex = kNone;
        shown = -1;
        seeks = 0;
        positioned = false;
        heldIndex = pendingIndex = kNone;
        demuxEnded = fileEnded = drained = false;
        firstMissing = INT_MAX;
        lastPacketIndex = kNone;
        openPath.clear();
        damageSaid = false;
    }

    bool isOpen() const { return codec != nullptr; }

    int open(const std::string& path);
    int countFrames();
    bool fetch(int n);

    std::int64_t timestampOf(int n) const {
        return saturatedAdd(startTime, av_rescale_q(n, av_inv_q(rate), stream->time_base));
    }
    int frameOf(std::int64_t ts) const {
        return clampToInt(av_rescale_q_rnd(saturatedSub(ts, startTime), stream->time_base,
                                           av_inv_q(rate), AV_ROUND_NEAR_INF));
    }
    int frameOf(const AVFrame* f) const {
        std::int64_t ts = f->best_effort_timestamp;
        if (ts == AV_NOPTS_VALUE) ts = f->pts;
        if (ts == AV_NOPTS_VALUE) return heldIndex == kNone ? 0 : heldIndex + 1;
        return frameOf(ts);
    }
    int keyFrameAtOrBefore(int n) const;
    bool reachableForward(int n) const;

    void resetDecoder() {
        avcodec_flush_buffers(codec);
        av_frame_unref(held);
        av_frame_unref(pending);
        heldIndex = pendingIndex = kNone;
        demuxEnded = fileEnded = drained = false;
        lastPacketIndex = kNone;
        positioned = false;
        recording = true;
        newRun = true;
    }
    bool seekTo(int n);
    bool decodeNext(AVFrame* into);
    bool advanceTo(int n);
    bool convert(const AVFrame* f);
    void fillBlack();
};

int FfmpegVideoSource::Impl::open(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_directory(status))
        return route::kVideoCannotOpen;
    openPath = path;

    // Only local files: a container that names other resources (a playlist, a reference movie)
    // must not reach out of the program folder or onto the network.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // The "file:" prefix keeps a name with a colon in it from being read as a protocol.
    const std::string url = "file:" + path;
    int rc = avformat_open_input(&format, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (rc < 0) return openFailureCode(rc);

    rc = avformat_find_stream_info(format, nullptr);
    if (rc < 0) {
        close();
        return rc == AVERROR(ENOMEM) ? route::kVideoNoMemory : route::kVideoNoFileInfo;
    }

    const AVCodec* decoder = nullptr;
    rc = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (rc < 0) {
        close();
        return rc == AVERROR_DECODER_NOT_FOUND ? route::kVideoNoDecoder : route::kVideoNoStream;
    }
    streamIndex = rc;
    stream = format->streams[streamIndex];
    width = stream->codecpar->width;
    height = stream->codecpar->height;
    if (width <= 0 || height <= 0 || av_image_check_size(width, height, 0, nullptr) < 0) {
        close();
        return route::kVideoNoFileInfo;
    }
    // Packets of the other streams are dropped by the demuxer instead of being read and thrown
    // away here.
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (static_cast<int>(i) != streamIndex) format->streams[i]->discard = AVDISCARD_ALL;

    codec = avcodec_alloc_context3(decoder);
    packet = av_packet_alloc();
    held = av_frame_alloc();
    pending = av_frame_alloc();
    if (!codec || !packet || !held || !pending) {
        close();
        return route::kVideoNoMemory;
    }
    if (avcodec_parameters_to_context(codec, stream->codecpar) < 0) {
        close();
        return route::kVideoNoDecoder;
    }
    codec->pkt_timebase = stream->time_base;
    // One thread: a frame comes out for every packet that goes in, so a fetch returns with its
    // frame and a seek has no frames in flight.
    codec->thread_count = 1;
    if (avcodec_open2(codec, decoder, nullptr) < 0) {
        close();
        return route::kVideoNoDecoder;
    }

    rate = stream->avg_frame_rate;
    if (!valid(rate)) rate = stream->r_frame_rate;
    if (!valid(rate)) rate = av_guess_frame_rate(format, stream, nullptr);
    if (!valid(rate)) rate = AVRational{30, 1};
    startTime = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;

    stride = FFALIGN(width * 4, kRowAlignment);
    picture = static_cast<std::uint8_t*>(av_malloc(static_cast<std::size_t>(stride) * height));
    if (!picture) {
        close();
        return route::kVideoNoMemory;
    }
    fillBlack();
    const int frameBytes = av_image_get_buffer_size(
        codec->pix_fmt != AV_PIX_FMT_NONE ? codec->pix_fmt : AV_PIX_FMT_YUV420P, width, height, 1);
    recentLimit = std::max<std::size_t>(
        2,
        kRecentBytes / static_cast<std::size_t>(frameBytes > 0 ? frameBytes : 4 * width * height));

    frames = countFrames();
    positioned = true;  // a fresh decoder at the start of the file
    recording = true;
    newRun = true;
    return route::kVideoOpened;
}

int FfmpegVideoSource::Impl::countFrames() {
    if (stream->nb_frames > 0) return clampToInt(stream->nb_frames);
    const AVRational period = av_inv_q(rate);
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return clampToInt(
            av_rescale_q_rnd(stream->duration, stream->time_base, period, AV_ROUND_NEAR_INF));
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        return clampToInt(av_rescale_q_rnd(format->duration, AVRational{1, AV_TIME_BASE}, period,
                                           AV_ROUND_NEAR_INF));

    // Nothing in the file says: read it through once and count the stream's packets.
    std::int64_t count = 0;
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == streamIndex) ++count;
        av_packet_unref(packet);
    }
    if (av_seek_frame(format, streamIndex, timestampOf(0), AVSEEK_FLAG_BACKWARD) < 0)
        avformat_seek_file(format, -1, INT64_MIN, 0, INT64_MAX, AVSEEK_FLAG_BYTE);
    return clampToInt(count);
}

void FfmpegVideoSource::Impl::fillBlack() {
    const std::uint32_t black = 0xFF000000u;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) std::memcpy(row + 4 * x, &black, 4);
    }
}

int FfmpegVideoSource::Impl::keyFrameAtOrBefore(int n) const {
    const int i = av_index_search_timestamp(stream, timestampOf(n), AVSEEK_FLAG_BACKWARD);
    if (i < 0) return kNone;
    const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
    if (!entry || !(entry->flags & AVINDEX_KEYFRAME)) return kNone;
    return frameOf(entry->timestamp);
}

bool FfmpegVideoSource::Impl::reachableForward(int n) const {
    if (!positioned) return false;
    // Between the held frame and a frame decoded beyond it, every fetch shows the held frame.
    if (heldIndex != kNone && n >= heldIndex && pendingIndex != kNone && n < pendingIndex)
        return true;
    if (heldIndex != kNone && n <= heldIndex) return n == heldIndex;
    if (drained && pendingIndex == kNone)
        return fileEnded && lastPacketIndex != kNone && n <= lastPacketIndex;
    const int from = heldIndex == kNone ? -1 : heldIndex;
    if (n == from + 1) return true;
    // Decoding forward costs n − from frames; a seek costs the frames from the key frame to n
    // and the seek itself. Go forward while no key frame lies beyond the next frame.
    const int key = keyFrameAtOrBefore(n);
    if (key != kNone) return key <= from + 1;
    return n - from <= kForwardWithoutIndex;
}

bool FfmpegVideoSource::Impl::seekTo(int n) {
    ++seeks;
    resetDecoder();
    int rc = av_seek_frame(format, streamIndex, timestampOf(n), AVSEEK_FLAG_BACKWARD);
    if (rc < 0 && n > 0) return seekTo(0);  // a demuxer that cannot seek there can still rewind
    if (rc < 0) rc = avformat_seek_file(format, -1, INT64_MIN, 0, INT64_MAX, AVSEEK_FLAG_BYTE);
    positioned = rc >= 0;
    return positioned;
}

bool FfmpegVideoSource::Impl::decodeNext(AVFrame* into) {
    int errors = 0;
    for (;;) {
        int rc = avcodec_receive_frame(codec, into);
        if (rc >= 0) {
            if (into->decode_error_flags != 0) damaged();
            return true;
        }
        if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) damaged();
        if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF && ++errors <= kMaxErrorsInARow)
            continue;  // a damaged frame: go on with the next
        if (rc != AVERROR(EAGAIN)) {
            // The end of the stream, or a decoder that cannot go on: only a seek starts it again.
            drained = true;
            return false;
        }
        if (demuxEnded) {
            // Hand over the end of the stream so that the decoder gives up its last frames.
            if (avcodec_send_packet(codec, nullptr) < 0) {
                drained = true;
                return false;
            }
            continue;
        }
        rc = av_read_frame(format, packet);
        if (rc < 0) {
            demuxEnded = true;
            fileEnded = rc == AVERROR_EOF;
            if (!fileEnded) damaged();
            continue;
        }
        // An empty packet is a frame the file left out (the picture stays); it would also read as
        // the end of the stream to the decoder. A packet the decoder rejects is skipped: the next
        // key frame puts the picture right.
        if (packet->stream_index == streamIndex) {
            const std::int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (ts != AV_NOPTS_VALUE) lastPacketIndex = std::max(lastPacketIndex, frameOf(ts));
            if (packet->flags & AV_PKT_FLAG_CORRUPT) damaged();
            if (packet->size > 0 && avcodec_send_packet(codec, packet) < 0) damaged();
        }
        av_packet_unref(packet);
    }
}

bool FfmpegVideoSource::Impl::advanceTo(int n) {
    for (;;) {
        if (pendingIndex != kNone) {
            if (pendingIndex > n) break;
            std::swap(held, pending);
            av_frame_unref(pending);
            heldIndex = pendingIndex;
            pendingIndex = kNone;
            remember(held, heldIndex);
            if (heldIndex == n) break;
            continue;
        }
        if (!decodeNext(pending)) break;
        pendingIndex = frameOf(pending);
        // Timestamps that do not increase (a damaged file) are taken as the next frame.
        if (heldIndex != kNone && pendingIndex <= heldIndex) pendingIndex = heldIndex + 1;
    }
    // Frame n is the held frame, or a frame the file left out before the pending one. When the
    // stream ended short of n, frame n does not exist.
    if (heldIndex == kNone || heldIndex > n) return false;
    if (heldIndex < n && pendingIndex == kNone) {
        // The stream ended before n. Frame n still exists when the file holds an (empty) packet
        // for it; otherwise the file is shorter than its header says (cut off while copying):
        // remember where its data ends, so that running on past it does not seek and decode
        // again every frame.
        const bool ended = drained && fileEnded;
        if (!ended || lastPacketIndex == kNone || n > lastPacketIndex) {
            if (ended) {
                firstMissing = std::min(firstMissing, std::max(heldIndex, lastPacketIndex) + 1);
                damaged();
            }
            return false;
        }
    }
    if (convertedIndex != heldIndex && !convert(held)) return false;
    convertedIndex = heldIndex;
    shown = n;
    return true;
}

bool FfmpegVideoSource::Impl::convert(const AVFrame* f) {
    if (f->width <= 0 || f->height <= 0 || f->format < 0) return false;
    const int space = f->colorspace;
    const int range = f->color_range;
    if (!scaler || f->width != scalerWidth || f->height != scalerHeight ||
        f->format != scalerFormat || space != scalerSpace || range != scalerRange) {
        sws_freeContext(scaler);
        // A frame of another size than the stream's (a size change inside the file) is scaled to
        // the picture, which keeps its size for the life of the open file.
        scaler = sws_getContext(f->width, f->height, static_cast<AVPixelFormat>(f->format), width,
                                height, kPictureFormat, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!scaler) return false;
        scalerWidth = f->width;
        scalerHeight = f->height;
        scalerFormat = f->format;
        scalerSpace = space;
        scalerRange = range;
        // Colour matrix and range as the stream declares them (BT.601, limited range otherwise).
        int* inverse = nullptr;
        int* table = nullptr;
        int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(scaler, &inverse, &srcRange, &table, &dstRange, &brightness,
                                     &contrast, &saturation) >= 0) {
            const int* coefficients = inverse;
            if (space != AVCOL_SPC_UNSPECIFIED && space != AVCOL_SPC_RGB)
                coefficients = sws_getCoefficients(space);
            if (range == AVCOL_RANGE_JPEG) srcRange = 1;
            if (range == AVCOL_RANGE_MPEG) srcRange = 0;
            sws_setColorspaceDetails(scaler, coefficients, srcRange, table, dstRange, brightness,
                                     contrast, saturation);
        }
    }
    std::uint8_t* dst[4] = {picture, nullptr, nullptr, nullptr};
    const int dstStride[4] = {stride, 0, 0, 0};
    return sws_scale(scaler, f->data, f->linesize, 0, f->height, dst, dstStride) == height;
}

bool FfmpegVideoSource::Impl::fetch(int n) {
    if (!isOpen() || n < 0 || n >= frames || n >= firstMissing) return false;
    if (n == shown) return true;
    if (reachableForward(n)) return advanceTo(n);
    if (const Recent* r = recentFor(n)) {
        if (convertedIndex != r->index && !convert(r->frame)) return false;
        convertedIndex = r->index;
        shown = n;
        return true;
    }
    if (!seekTo(n)) return false;
    if (advanceTo(n)) return true;
    // The seek landed past n (a demuxer that seeks roughly): decode from the start instead.
    if (pendingIndex != kNone && heldIndex == kNone && pendingIndex > n && n > 0 && seekTo(0))
        return advanceTo(n);
    return false;
}

FfmpegVideoSource::FfmpegVideoSource(Notice notice) : impl_(std::make_unique<Impl>()) {
    impl_->notice = std::move(notice);
    // Damage is said once per file by the notice, not frame by frame by FFmpeg's own log.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
}
FfmpegVideoSource::~FfmpegVideoSource() = default;

int FfmpegVideoSource::open(const std::string& path) {
    impl_->close();
    return impl_->open(path);
}

int FfmpegVideoSource::frameCount() const {
    return impl_->frames;
}
bool FfmpegVideoSource::fetch(int frame) {
    return impl_->fetch(frame);
}
void FfmpegVideoSource::close() {
    impl_->close();
}
bool FfmpegVideoSource::isOpen() const {
    return impl_->isOpen();
}
const std::uint8_t* FfmpegVideoSource::pixels() const {
    return impl_->picture;
}
int FfmpegVideoSource::width() const {
    return impl_->width;
}
int FfmpegVideoSource::height() const {
    return impl_->height;
}
int FfmpegVideoSource::stride() const {
    return impl_->stride;
}
double FfmpegVideoSource::frameRate() const {
    return isOpen() ? av_q2d(impl_->rate) : 0.0;
}
int FfmpegVideoSource::shownFrame() const {
    return impl_->shown;
}
int FfmpegVideoSource::seekCount() const {
    return impl_->seeks;
}

}  // namespace tressmoor::platform
