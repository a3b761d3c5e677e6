// A small driving world for the route tests: a line built in code, a train, the sound and a
// null video source, bundled into one RouteContext.
#pragma once

#include <string>

#include "data/line_file.h"
#include "data/line_types.h"
#include "data/random_source.h"
#include "data/settings_types.h"
#include "data/train_types.h"
#include "route/route_context.h"
#include "route/route_state.h"
#include "route/video_source.h"
#include "sound/call_queue.h"
#include "sound/memory_mixer.h"
#include "sound/sound_set.h"
#include "vehicle/vehicle_state.h"

namespace tressmoor::route::testing {

/// Everything a RouteContext refers to. Build the line, then call derive().
struct RouteWorld {
    RouteWorld() {
        line.VideoFps = 30;
        settings.VideoFps = 30;
        settings.LengthFactor = 1;
        settings.ViewHeight = 600;
        settings.VideoFolder = "video/";
        settings.Stops = {"踏切まで ", "信号まで "};
        spec.Cars = 4;
        spec.Length = 20;
        spec.MaxSpeed = 120;
        frame.dtMs = 1000.0L / 30;
        frame.fps = 30;
    }

    data::LineData line;
    data::TrainSpec spec;
    data::AppSettings settings;
    vehicle::VehicleState vehicle;
    vehicle::TrainLoad load;
    RouteState route;
    VideoState video;
    sound::MemoryMixer mixer;
    sound::SoundSet sounds;
    sound::CallQueue calls;
    data::SeededRandom random{1};
    NullVideoSource source;
    FrameTiming frame;
    RouteContext ctx{.line = line,
                     .spec = spec,
                     .settings = settings,
                     .vehicle = vehicle,
                     .load = load,
                     .route = route,
                     .video = video,
                     .mixer = mixer,
                     .sounds = sounds,
                     .calls = calls,
                     .random = random,
                     .videoSource = source,
                     .frame = frame,
                     .onEvent = {},
                     .onSignalInView = {}};

    /// A [SpeedUnit] segment.
    void segment(int first, int last, long double va, long double vb) {
        data::SpeedUnitSegment s;
        s.FirstFrame = first;
        s.LastFrame = last;
        s.FirstSpeed = va;
        s.LastSpeed = vb;
        line.SpeedUnit.push_back(s);
    }

    /// A station stopping at `frame`.
    data::StationRecord& station(const std::string& name, int frame, int preStop = 0) {
        data::StationRecord s;
        s.Name = name;
        s.StopFrame = frame;
        s.ZoneHalfLength = 5000;
        s.PrecedingStopFrame = preStop;
        line.Station.push_back(s);
        return line.Station.back();
    }

    /// A block signal of head type `head` at `frame`, in force from `frame` − 300; its [Signal2]
    /// line is `digits` (ten characters).
    data::SignalRecord& signal(int frame, int head = 1, const char* digits = "1234412344") {
        data::SignalRecord s;
        s.HeadType = head;
        s.ViewFrame = frame - 300;
        s.Frame = frame;
        line.Signal.push_back(s);
        data::Signal2Record d;
        for (int i = 0; i < 10; ++i) d.Digits[static_cast<std::size_t>(i)] = digits[i] - '0';
        line.Signal2.push_back(d);
        return line.Signal.back();
    }

    /// Computes the derived distances.
    void derive() { data::DeriveLineData(line); }
};

}  // namespace tressmoor::route::testing
