// Route position from the speed against the recording speed of the route video, movie stops,
// inserted clips and the overlays that depend on the remaining distance.
#include "route/video_position.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "data/path_resolver.h"
#include "data/rounding.h"

namespace tressmoor::route {

namespace {

using data::roundHalfAway;
using data::roundTiesEven;

/// Simulated time of one clock tick, ms.
constexpr long double kTickMs = 100.0L / 3;
/// Frames past the clip's length during which a track clip can still end.
constexpr int kClipEndSlack = 60;
/// A clip's sound starts within this many clip frames after its sound frame.
constexpr int kClipSoundWindow = 10;
/// The stop lines and the remaining-distance board show within these distances (cm).
constexpr long double kStopLineRange = 2000;
constexpr long double kRemainRange = 3000;
/// Offset of the remaining-distance board from the bottom of the view, px.
constexpr int kRemainOffset = 870;
/// Hidden overlays go above the view.
constexpr int kAboveView = -100;

bool inZone(const data::LineData& line, int station, long double d) {
    if (station < 0 || station >= static_cast<int>(line.Station.size())) return false;
    const data::StationRecord& s = line.Station[static_cast<std::size_t>(station)];
    return static_cast<long double>(s.ZoneStart) <= d && d <= static_cast<long double>(s.ZoneEnd);
}

const data::StationRecord* stationAt(const data::LineData& line, int station) {
    if (station < 0 || station >= static_cast<int>(line.Station.size())) return nullptr;
    return &line.Station[static_cast<std::size_t>(station)];
}

void fetchFrame(RouteContext& ctx, VideoFile file, int frame) {
    VideoState& v = ctx.video;
    v.fetch = FetchRequest{true, file, frame};
    if (!v.VideoOpen) return;
    v.FetchBusy = true;
    ctx.videoSource.fetch(frame);
    v.FetchBusy = false;
}

/// Opens a file through the source; the video counts as usable when it opened with frames.
int openFile(RouteContext& ctx, const std::string& path) {
    const int code = ctx.videoSource.open(path);
    ctx.video.VideoOpen = code == kVideoOpened && ctx.videoSource.frameCount() > 0;
    return code;
}

/// Ends the clip of record `m`: back to the main video at `position`, the clip marked played.
void endClip(RouteContext& ctx, data::MovieSwitchRecord& m, int position) {
    VideoState& v = ctx.video;
    v.VideoMode = kVideoSwitching;
    v.StepEnabled = false;
    openMainVideo(ctx);
    ctx.route.RoutePosition = position;
    v.ClipFrame = 0;
    v.StepEnabled = true;
    v.LastFetched = -1;
    m.Played = true;
    v.ClipRecord = -1;
    v.VideoMode = kVideoMain;
    repositionVideo(ctx);
    ctx.event("clip end");
}

}  // namespace

int ResolvingVideoSource::open(const std::string& path) {
    return inner_.open(data::resolveDataPath(programFolder_, path).string());
}

std::string videoOpenMessage(int code, const std::string& path) {
    switch (code) {
        case kVideoBadFormat:
            return "映像ファイルを開けません" + path;
        case kVideoNoMemory:
            return "メモリ不足";
        case kVideoReadError:
            return "読み取りエラー";
        case kVideoCannotOpen:
            return "映像オープンエラー";
        case kVideoNoFileInfo:
            return "FileInfoエラー";
        case kVideoNoStream:
            return "GetStreamエラー";
        case kVideoNoDecoder:
            return "GetFrameOpenエラー";
        default:
            return {};
    }
}

std::string videoOpenHint(int code) {
    if (code == kVideoNoStream || code == kVideoNoDecoder) {
        return "DivXビデオコーデックがインストールされていない可能性があります。";
    }
    return {};
}

std::string mainVideoPath(const RouteContext& ctx) {
    return ctx.settings.VideoFolder + ctx.line.DataName + ".avi";
}

std::string clipVideoPath(const RouteContext& ctx, const std::string& clip) {
    return ctx.settings.VideoFolder + clip + ".avi";
}

int openMainVideo(RouteContext& ctx) {
    const int code = openFile(ctx, mainVideoPath(ctx));
    const std::int64_t factor = std::max(1, ctx.settings.LengthFactor);
    const std::int64_t frames =
        ctx.video.VideoOpen ? static_cast<std::int64_t>(ctx.videoSource.frameCount()) * factor : 0;
    ctx.video.MainFrameCount = static_cast<int>(std::min<std::int64_t>(frames, INT_MAX));
    return code;
}

void startVideo(RouteContext& ctx) {
    VideoState& v = ctx.video;
    v.VideoMode = kVideoMain;
    v.MovieStopBackward = false;
    v.ClipFrame = 0;
    v.ClipRecord = -1;
    v.LastFetched = -1;
    v.FrameAccumulator = 0;
    v.StepEnabled = true;
    repositionVideo(ctx);
}

void pauseVideo(RouteContext& ctx) {
    --ctx.video.LastFetched;
}

void repositionVideo(RouteContext& ctx) {
    VideoState& v = ctx.video;
    v.Segment = segmentOf(ctx.line, ctx.route.RoutePosition);
    v.PreviousFrame = ctx.route.RoutePosition;
    v.LastFetched = -1;
    updateProjectedSpeed(ctx);
}

int segmentOf(const data::LineData& line, int frame) {
    for (std::size_t k = 0; k < line.SpeedUnit.size(); ++k) {
        const data::SpeedUnitSegment& s = line.SpeedUnit[k];
        if (s.FirstFrame <= frame && frame < s.LastFrame) return static_cast<int>(k);
    }
    return -1;
}

void updateProjectedSpeed(RouteContext& ctx) {
    VideoState& v = ctx.video;
    const int pos = ctx.route.RoutePosition;
    for (const data::SpeedUnitSegment& s : ctx.line.SpeedUnit) {
        if (s.FirstFrame <= pos && pos < s.LastFrame) {
            const long double span = static_cast<long double>(s.LastFrame) - s.FirstFrame;
            v.ProjectedSpeed =
                (s.LastSpeed - s.FirstSpeed) / span * (pos - s.FirstFrame) + s.FirstSpeed;
        }
    }
    // The recording speed divides the frames owed: never zero, never negative or undefined.
    if (!(v.ProjectedSpeed > 0)) v.ProjectedSpeed = 0.1L;
}

int advanceClock(RouteState& route, long double dtMs) {
    if (!(dtMs > 0)) return 0;
    route.ClockRemainderMs += dtMs;
    int ticks = 0;
    while (route.ClockRemainderMs >= kTickMs) {
        route.ClockRemainderMs -= kTickMs;
        ++ticks;
    }
    route.Clock += ticks;
    return ticks;
}

namespace {

/// The line begins at frame 0 and distance 0: a train rolling back there stops as at a buffer,
/// so that frame and distance never leave the line and no frame before the first is fetched.
void stopAtLineStart(RouteContext& ctx) {
    RouteState& r = ctx.route;
    r.RoutePosition = std::max(r.RoutePosition, 0);
    r.LineDistance = std::max<long double>(r.LineDistance, 0);
    if (ctx.vehicle.Speed < 0) ctx.vehicle.Speed = 0;
    ctx.video.FrameAccumulator = 0;
}

}  // namespace

void MotionStep(RouteContext& ctx) {
    RouteState& r = ctx.route;
    VideoState& v = ctx.video;
    const long double dt = ctx.frame.dtMs;

    // Entering another segment puts the line distance on the boundary between them, so that the
    // distance and the video cannot drift apart.
    const int seg = segmentOf(ctx.line, r.RoutePosition);
    // Only a move into a neighbouring segment is running; anything else was a jump that did
    // not go through repositionVideo, and the line distance is left alone.
    if (seg >= 0 && v.Segment >= 0 && std::abs(seg - v.Segment) == 1) {
        const auto& units = ctx.line.SpeedUnit;
        if (seg > v.Segment) {
            r.LineDistance =
                static_cast<long double>(units[static_cast<std::size_t>(seg - 1)].EndDistance);
        } else {
            r.LineDistance =
                static_cast<long double>(units[static_cast<std::size_t>(seg)].EndDistance);
        }
    }
    if (seg >= 0) v.Segment = seg;

    // km/h × ms ÷ 36 = cm.
    const long double speed = ctx.vehicle.Speed;
    if (std::isfinite(speed) && dt > 0) r.LineDistance += speed * dt / 36;
    if (r.LineDistance < 0 || r.RoutePosition < 0) stopAtLineStart(ctx);

    const int ticks = advanceClock(r, dt);
    if (ticks > 0 && v.VideoMode == kVideoStationClip && v.ClipFrame < v.ClipLength) ++v.ClipFrame;

    updateProjectedSpeed(ctx);
}

int takeFrames(VideoState& v, long double speed, long double dtMs, int videoFps) {
    if (!std::isfinite(speed) || !(dtMs > 0)) return 0;
    v.FrameAccumulator += std::fabs(static_cast<long double>(videoFps) * (dtMs / 1000) * speed);
    if (!(v.ProjectedSpeed > 0)) v.ProjectedSpeed = 0.1L;
    if (v.FrameAccumulator < v.ProjectedSpeed) return 0;
    const long double whole = std::floor(v.FrameAccumulator / v.ProjectedSpeed);
    v.FrameAccumulator -= whole * v.ProjectedSpeed;
    // A jump of ten seconds of video or more in one frame moves only one second's worth.
    const long double limit = 10.0L * videoFps;
    const int n = whole < limit ? static_cast<int>(whole) : videoFps;
    if (speed > 0) return n;
    if (speed < 0) return -n;
    return 0;
}

void advanceVideo(RouteContext& ctx) {
    VideoState& v = ctx.video;
    RouteState& r = ctx.route;
    v.fetch.pending = false;
    v.MovieStopped = false;
    const long double speed = ctx.vehicle.Speed;
    const int videoFps = ctx.settings.VideoFps;

    const int moved = takeFrames(v, speed, ctx.frame.dtMs, videoFps);
    const long double next = static_cast<long double>(r.RoutePosition) + moved;
    r.RoutePosition = static_cast<int>(std::clamp<long double>(next, INT_MIN / 2, INT_MAX / 2));
    if (moved < 0 && r.RoutePosition < 0) stopAtLineStart(ctx);

    // Fetch the picture when the frame changed.
    if (v.VideoMode <= kVideoTrackClip && r.RoutePosition >= 0) {
        if (v.VideoMode == kVideoMain) {
            if (r.RoutePosition < v.MainFrameCount && r.RoutePosition != v.LastFetched) {
                if (!v.FetchBusy) fetchFrame(ctx, VideoFile::Main, r.RoutePosition);
                v.LastFetched = r.RoutePosition;
            }
        } else {
            if (v.VideoMode == kVideoTrackClip) {
                v.ClipFrame = addSat(r.RoutePosition, -static_cast<long long>(v.ClipBase));
            }
            if (v.ClipFrame != v.LastFetched && v.ClipFrame < v.ClipLength) {
                if (!v.FetchBusy && v.StepEnabled) fetchFrame(ctx, VideoFile::Clip, v.ClipFrame);
                v.LastFetched = v.ClipFrame;
            }
        }
    }

    // Movie stops: the video cannot be run past these frames. Nor past its last frame: a train
    // running on beyond it (forward after turning back at the end) is stopped there the same way.
    if (v.VideoMode == kVideoMain) {
        auto holdAt = [&](int frame) {
            r.RoutePosition = frame;
            ctx.vehicle.Speed = 0;
            v.FrameAccumulator = 0;
            ctx.vehicle.PowerHandle = 0;
            ctx.vehicle.Power = 0;
            const int last =
                std::min(ctx.sounds.nDrive() + ctx.sounds.nAmbient() + ctx.sounds.nEngineA(),
                         sound::kChannelCount - 1);
            for (int ch = 1; ch <= last; ++ch) ctx.mixer.Stop(ch);
            v.MovieStopped = true;
            ctx.event("movie stop");
        };
        for (int s : ctx.line.MovieStop) {
            // Forward: reaching the stop, or leaving it again after being held there (a train
            // started from the stop frame itself would otherwise run on past the video's end).
            if (!v.MovieStopBackward && speed > 0 &&
                ((r.RoutePosition >= s && v.PreviousFrame < s) ||
                 (r.RoutePosition > s && v.PreviousFrame == s))) {
                holdAt(s);
            } else if (v.MovieStopBackward && speed < 0 && s >= r.RoutePosition &&
                       s < v.PreviousFrame) {
                holdAt(addSat(s, 1));
            }
        }
        if (v.VideoOpen && v.MainFrameCount > 0 && speed > 0 &&
            r.RoutePosition > v.MainFrameCount - 1) {
            holdAt(v.MainFrameCount - 1);
        }
    }
    v.PreviousFrame = r.RoutePosition;
}

void updateClips(RouteContext& ctx) {
    VideoState& v = ctx.video;
    RouteState& r = ctx.route;
    data::LineData& line = ctx.line;
    const long double d = r.LineDistance;
    const bool standing = roundTiesEven(ctx.vehicle.Speed) == 0;

    for (std::size_t k = 0; k < line.MovieSwitch.size(); ++k) {
        data::MovieSwitchRecord& m = line.MovieSwitch[k];

        // 1. The clip's own sound.
        if (v.VideoMode == kVideoStationClip && inZone(line, m.Station, d) &&
            m.SoundFrame < v.ClipFrame &&
            inFrameWindow(v.ClipFrame, m.SoundFrame, kClipSoundWindow)) {
            const int ch = ctx.sounds.ambientChannel(m.Sound);
            if (m.Sound >= 0 && m.Sound < ctx.sounds.nAmbient() && ch < sound::kChannelCount &&
                ctx.mixer.Status(ch) == sound::ChannelStatus::Idle) {
                ctx.mixer.Stop(ch);
                ctx.mixer.Play(ch);
            }
        }

        // A station clip ends as soon as the train moves off or leaves the zone: the view
        // returns to the main video at the train's own frame.
        if (m.Kind == 2 && v.VideoMode == kVideoStationClip &&
            v.ClipRecord == static_cast<int>(k) && (!standing || !inZone(line, m.Station, d))) {
            if (!v.StepEnabled) return;
            endClip(ctx, m, r.RoutePosition);
            continue;
        }

        if (standing && m.Kind == 2) {
            // 5. Station clip, shown while the train stands in the station's zone.
            const data::StationRecord* st = stationAt(line, m.Station);
            if (st == nullptr || !inZone(line, m.Station, d) || !(r.Clock > m.StartTime)) continue;
            if (v.VideoMode == kVideoMain && !m.Played) {
                if (!v.StepEnabled) return;
                v.StepEnabled = false;
                v.VideoMode = kVideoStationClip;
                r.RoutePosition = st->StopFrame;
                r.LineDistance = static_cast<long double>(st->StopDistance);
                v.ClipFrame = 0;
                v.ClipBase = r.RoutePosition;
                v.ClipLength = m.ClipLength;
                v.ClipRecord = static_cast<int>(k);
                openFile(ctx, clipVideoPath(ctx, m.Clip));
                v.StepEnabled = true;
                repositionVideo(ctx);
                ctx.event("clip start");
            } else if (v.VideoMode == kVideoStationClip && v.ClipRecord == static_cast<int>(k) &&
                       v.ClipFrame >= m.ClipLength) {
                // While the physics step is held the switch waits for a later frame; the mode is
                // only changed once the switch is made, so it cannot be left half-way.
                if (!v.StepEnabled) return;
                endClip(ctx, m, st->StopFrame);
            }
            continue;
        }

        // 3. Track clip start.
        if (m.FirstFrame <= r.RoutePosition && r.RoutePosition <= m.LastFrame && m.Kind < 2 &&
            v.VideoMode == kVideoMain && !m.Played) {
            if (!v.StepEnabled) return;
            v.VideoMode = kVideoSwitching;
            v.ClipFrame = addSat(r.RoutePosition, -static_cast<long long>(m.FirstFrame));
            v.ClipBase = m.FirstFrame;
            v.StepEnabled = false;
            openFile(ctx, clipVideoPath(ctx, m.Clip));
            v.ClipLength = m.ClipLength;
            v.ClipRecord = static_cast<int>(k);
            fetchFrame(ctx, VideoFile::Clip, 1);
            v.StepEnabled = true;
            v.LastFetched = -1;
            v.VideoMode = kVideoTrackClip;
            ctx.event("clip start");
            continue;
        }

        // 4. Track clip end: back to the main video at the frame where the clip joins it (the
        // record's sixth field).
        if (v.VideoMode == kVideoTrackClip && v.ClipRecord == static_cast<int>(k) &&
            m.ClipLength <= v.ClipFrame &&
            inFrameWindow(v.ClipFrame, m.ClipLength, kClipEndSlack + 1) &&
            r.RoutePosition < m.Station) {
            endClip(ctx, m, m.Station);
        }
    }
}

void placeStopLines(RouteContext& ctx, long double r, int w, bool hidden) {
    const long double F = ctx.line.Perspective.P;
    const long double G = ctx.line.Perspective.H;
    const long double H = ctx.settings.ViewHeight;
    const long double distances[3] = {r - w, r, r + w};
    const long double thickness = 2 - 0.05L * r / 100;
    for (std::size_t i = 0; i < 3; ++i) {
        StopLine& line = ctx.video.stopLines[i];
        const long double d = distances[i];
        const long double m = d / 100;
        const bool shown =
            !hidden && std::isfinite(r) && r < kStopLineRange && d > 0 && F != 0 && m + F != 0;
        if (!shown) {
            line = StopLine{};
            line.y = kAboveView;
            continue;
        }
        line.visible = true;
        line.y = static_cast<int>(
            std::clamp<std::int64_t>(roundHalfAway(H - m / (m + F) * G), INT_MIN / 2, INT_MAX / 2));
        line.thickness =
            static_cast<int>(std::clamp<std::int64_t>(roundHalfAway(thickness), 0, 1000));
    }
}

void placeRemainIndicator(RouteContext& ctx, long double r) {
    SpriteState& s = ctx.video.remain;
    const long double H = ctx.settings.ViewHeight;
    if (!std::isfinite(r) || r < -kRemainRange || r >= kRemainRange) {
        s.visible = false;
        s.y = kAboveView;
        return;
    }
    s.visible = true;
    s.pattern = r >= 0 ? 0 : 1;
    s.y = static_cast<int>(H - static_cast<long double>(roundHalfAway(H / kRemainRange * r)) -
                           kRemainOffset);
}

}  // namespace tressmoor::route
