// Writes rendered pictures into an AVI file as MPEG-4 video, encoding on a worker thread.
#pragma once

#include <QImage>
#include <filesystem>
#include <memory>

namespace tressmoor::mkcontent {

/// An AVI writer for the route videos: MPEG-4 part 2, yuv420p, no B-frames, a key frame at least
/// once a second, bit-exact (the same pictures give the same file). Pictures are converted on the
/// calling thread and encoded on a worker thread. Errors throw std::runtime_error.
class AviWriter {
public:
    /// Opens `path` for writing `width` × `height` pictures at `fps` frames/s.
    AviWriter(const std::filesystem::path& path, int fps, int width, int height);
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    /// Appends one frame. The picture must have the writer's size (Format_RGB32 is fastest).
    void addFrame(const QImage& picture);

    /// Flushes the encoder and writes the file's index; the writer takes no frames afterwards.
    /// Called by the destructor when it has not been called (errors are then swallowed).
    void finish();

    int framesWritten() const;  ///< frames handed to addFrame so far

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tressmoor::mkcontent
