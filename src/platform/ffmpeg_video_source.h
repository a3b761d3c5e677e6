// The route-video decoder of the desktop program: any file FFmpeg reads, frame n on demand as
// packed 32-bit RGB.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "route/video_source.h"

namespace tressmoor::platform {

/// Decodes the one open video with libavformat/libavcodec and converts the fetched frame with
/// libswscale into a picture of the video's own size, kept between fetches.
///
/// Frame n is the n-th frame of the first video stream in display order, counted from 0; its
/// time is the stream's start plus n frame periods. Fetching the frame after the last one decodes
/// forward; any other frame seeks to the key frame at or before it and decodes forward from there,
/// so every fetch is frame-accurate. A frame the file left out (an empty chunk, a gap in the
/// timestamps) shows the frame before it, as a player would. Decoded frames are kept (up to 64 MB,
/// about three seconds of 800 × 600 video) so that running backwards, or to and fro, converts a
/// kept frame instead of decoding a whole group of frames again for every frame.
///
/// Damaged files never abort: a packet the decoder rejects is skipped, and a frame that cannot be
/// reached (past the end of a truncated file) makes fetch() return false with the previous
/// picture left in place. FFmpeg's own log is kept quiet (a damaged file would make it write
/// lines for every frame); instead the first damage met in an open file is said once through
/// the notice (stderr unless given).
///
/// Single-threaded: called from the simulation's thread only (the decoder itself runs on that
/// thread too, so a fetch returns with the picture ready).
class FfmpegVideoSource final : public route::VideoSource {
public:
    using Notice = std::function<void(const std::string&)>;
    explicit FfmpegVideoSource(Notice notice = {});
    ~FfmpegVideoSource() override;
    FfmpegVideoSource(const FfmpegVideoSource&) = delete;
    FfmpegVideoSource& operator=(const FfmpegVideoSource&) = delete;

    /// Closes the open video, then opens `path` (a local file; other protocols are refused). A
    /// failure the codes do not name (a file the system refuses in some other way) is reported as
    /// "cannot open", never as success.
    int open(const std::string& path) override;
    /// Frames of the open stream: the container's count, else duration × frame rate, else counted
    /// by reading the file once at open. 0 when nothing is open.
    int frameCount() const override;
    /// Decodes frame `frame` into pixels(). False for a frame outside 0 … frameCount() − 1, when
    /// nothing is open, or when the file ends or breaks before the frame.
    bool fetch(int frame) override;

    /// Releases the open video; pixels() becomes nullptr.
    void close();
    bool isOpen() const;  ///< a video is open and can be fetched from

    /// The last fetched picture (opaque black right after opening): height() rows of width()
    /// pixels, each a native-endian 32-bit 0xFFRRGGBB (the layout of QImage::Format_RGB32), rows
    /// stride() bytes apart. nullptr when nothing is open. Valid until the next open or close.
    const std::uint8_t* pixels() const;
    int width() const;   ///< picture width in pixels; 0 when nothing is open
    int height() const;  ///< picture height in pixels; 0 when nothing is open
    int stride() const;  ///< bytes from one row of pixels() to the next (a multiple of 4)

    double frameRate() const;  ///< frames per second of the open stream; 0 when nothing is open
    int shownFrame() const;    ///< frame number of the picture in pixels(); −1 before any fetch
    int seekCount() const;     ///< seeks made since the video was opened (for diagnostics)

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tressmoor::platform
