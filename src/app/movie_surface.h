// The surface the title window plays its opening movie on.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <filesystem>

#include "platform/ffmpeg_video_source.h"

class QTimer;

namespace tressmoor::app {

/// Plays one movie file, picture only, at the movie's own frame rate: frame n is shown n frame
/// periods after the start, so a slow fetch makes the movie skip frames rather than run late.
/// The picture is scaled to fit the surface with its proportions kept (black bars around it).
/// A mouse press on the surface is reported by clicked(); the end of the last frame's period by
/// finished().
class MovieSurface final : public QWidget {
    Q_OBJECT
public:
    explicit MovieSurface(QWidget* parent = nullptr);

    /// Opens `file` and starts playing it from its first frame. False, with nothing open, when the
    /// file cannot be opened or its first picture cannot be decoded.
    bool play(const std::filesystem::path& file);
    /// Stops playing and closes the movie.
    void stop();

    bool holdsFile() const { return video_.isOpen(); }  ///< a movie is open
    bool isPlaying() const;                             ///< open and not yet at its end
    int shownFrame() const { return video_.shownFrame(); }

signals:
    void clicked();
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void advance();

    platform::FfmpegVideoSource video_;
    QTimer* timer_ = nullptr;
    QElapsedTimer clock_;
    double fps_ = 30.0;
    bool ended_ = false;
};

}  // namespace tressmoor::app
