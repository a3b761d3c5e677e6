// VideoSource: the decoder of route videos behind a small interface, and a null source for runs
// without pictures.
#pragma once

#include <climits>
#include <filesystem>
#include <memory>
#include <string>

namespace tressmoor::route {

/// Result codes of opening a route video.
enum VideoOpenCode : int {
    kVideoOpened = 0,      ///< success (or a failure that leaves no usable video)
    kVideoBadFormat = 1,   ///< unsupported file format
    kVideoNoMemory = 2,    ///< out of memory
    kVideoReadError = 3,   ///< read error
    kVideoCannotOpen = 4,  ///< the file cannot be opened
    kVideoNoFileInfo = 5,  ///< file information unavailable
    kVideoNoStream = 6,    ///< no video stream
    kVideoNoDecoder = 7,   ///< no decoder for the stream
};

/// One open route video at a time; opening another file replaces it. Single-threaded: called
/// from the simulation's thread only.
class VideoSource {
public:
    virtual ~VideoSource() = default;
    /// Opens `path` (replacing the open file) and returns a VideoOpenCode.
    virtual int open(const std::string& path) = 0;
    /// Frames of the open video's stream; 0 when nothing usable is open.
    virtual int frameCount() const = 0;
    /// Decodes frame `frame` of the open video into the picture the view shows; false when no
    /// video is open or the frame cannot be decoded.
    virtual bool fetch(int frame) = 0;
};

/// A source that decodes nothing: every open succeeds, the frame count is `frames` (unlimited
/// unless told) and fetches only count themselves.
class NullVideoSource final : public VideoSource {
public:
    explicit NullVideoSource(int frames = INT_MAX) : frames_(frames) {}
    int open(const std::string& path) override {
        lastPath = path;
        ++opens;
        return openResult;
    }
    int frameCount() const override { return frames_; }
    bool fetch(int frame) override {
        lastFrame = frame;
        ++fetches;
        return true;
    }

    std::string lastPath;           ///< last path opened
    int opens = 0;                  ///< files opened
    int lastFrame = -1;             ///< last frame fetched
    int fetches = 0;                ///< frames fetched
    int openResult = kVideoOpened;  ///< what every open answers (a failure code to refuse)

private:
    int frames_;
};

/// A video source that opens the names the line file writes ("movie\\name.avi", any letter
/// case) through the data-file path rules, below the program folder.
class ResolvingVideoSource final : public VideoSource {
public:
    ResolvingVideoSource(VideoSource& inner, std::filesystem::path programFolder)
        : inner_(inner), programFolder_(std::move(programFolder)) {}
    int open(const std::string& path) override;
    int frameCount() const override { return inner_.frameCount(); }
    bool fetch(int frame) override { return inner_.fetch(frame); }

private:
    VideoSource& inner_;
    std::filesystem::path programFolder_;
};

/// The message of an open failure, for the message box ("" for success). The format failure
/// names the file: "映像ファイルを開けません" + `path`.
std::string videoOpenMessage(int code, const std::string& path);
/// The second message after a failure to find a stream or decoder; "" for the other codes.
std::string videoOpenHint(int code);

}  // namespace tressmoor::route
