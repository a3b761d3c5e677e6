// The opening movie of the title window: a train passing through the countryside, then the title.
#pragma once

#include <QImage>
#include <filesystem>

namespace tressmoor::mkcontent {

/// File name of the opening movie, relative to the program folder.
inline constexpr const char* kOpeningMovie = "move\\opening.avi";

inline constexpr int kOpeningWidth = 480;
inline constexpr int kOpeningHeight = 270;
inline constexpr int kOpeningFps = 30;
inline constexpr int kOpeningFrames = 7 * kOpeningFps;

/// Frame `n` of the opening movie: a three-car train runs across a valley while the view pans
/// along with it more slowly (hills, poles and the track move at their own depths), the title
/// fades in after the train has passed, and the last half second fades to black.
QImage openingFrame(int n);

/// Writes the opening movie (MPEG-4 in AVI, like the route videos) to `out`. The same file every
/// time. Throws std::runtime_error when it cannot be written.
void renderOpeningMovie(const std::filesystem::path& out);

}  // namespace tressmoor::mkcontent
