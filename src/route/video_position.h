// The route position from the speed: video frame advance, line distance and clock, movie stops,
// inserted clips, frame fetches, and the stop-position lines over the view.
#pragma once

#include <string>

#include "route/route_context.h"

namespace tressmoor::route {

/// Path of the main route video: the video folder + [DataName] + ".avi".
std::string mainVideoPath(const RouteContext& ctx);
/// Path of a clip: the video folder + the clip name + ".avi".
std::string clipVideoPath(const RouteContext& ctx, const std::string& clip);

/// Opens the main video at start-up and sets MainFrameCount (stream length × LengthFactor).
/// Returns the open code; the caller shows videoOpenMessage/videoOpenHint for a non-zero code
/// and carries on without pictures.
int openMainVideo(RouteContext& ctx);

/// The playback state at the start of a drive: main video, movie stops forward, no clip.
void startVideo(RouteContext& ctx);
/// Pausing: the current frame is decoded again on resuming.
void pauseVideo(RouteContext& ctx);
/// After the route position has been set by a jump or a restore: the segment is taken from the
/// new position (no resynchronisation of the line distance) and the next frame is fetched.
void repositionVideo(RouteContext& ctx);

/// Speed of the recording train at the route position, km/h, linear within its [SpeedUnit]
/// segment; a position in no segment keeps the previous value, and 0 becomes 0.1.
void updateProjectedSpeed(RouteContext& ctx);

/// Index of the [SpeedUnit] segment with first frame ≤ `frame` < last frame; −1 when none.
int segmentOf(const data::LineData& line, int frame);

/// The motion step's part of the route: when the route position has entered another segment
/// the line distance is set to the boundary's distance; then speed × dtMs is added to it (cm),
/// the clock advances one tick per 33.3 ms (a station clip one frame per tick, at most one per
/// frame), and the projected speed is recomputed. Called by keisan after the new speed, followed
/// by UpdatePrecedingTrain.
void MotionStep(RouteContext& ctx);

/// Advances the clock by `dtMs` of simulated time; returns the ticks added.
int advanceClock(RouteState& route, long double dtMs);

/// Main-loop video step: advances the route position from the speed, fetches the frame through
/// the video source when it changed (recorded in VideoState::fetch), applies the movie stops and
/// remembers the position as the previous frame.
void advanceVideo(RouteContext& ctx);

/// The frame-advance part alone: frames the route position moves for the present speed
/// (signed), taking them from the accumulator.
int takeFrames(VideoState& video, long double speed, long double dtMs, int videoFps);

/// Inserted clips ([MovieSwitch]), run by the per-frame update.
void updateClips(RouteContext& ctx);

/// Places the three stop-position lines for the remaining distance `remainingCm` to the next
/// stop and its tolerance `toleranceCm` (the next station's zone half length); `hidden` is the
/// option that hides them.
void placeStopLines(RouteContext& ctx, long double remainingCm, int toleranceCm, bool hidden);

/// Places the remaining-distance indicator for the remaining distance `remainingCm`.
void placeRemainIndicator(RouteContext& ctx, long double remainingCm);

}  // namespace tressmoor::route
