#include "data/line_types.h"

#include <limits>

#include "data/rounding.h"

namespace tressmoor::data {

std::int64_t speedUnitSegmentLength(const SpeedUnitSegment& s, int fps) {
    if (fps <= 0) return 0;
    const long double frames =
        static_cast<long double>(s.LastFrame) - static_cast<long double>(s.FirstFrame);
    return roundTiesEven((s.FirstSpeed + s.LastSpeed) * frames / (fps * 0.072L));
}

std::int64_t LineData::FrameToDistance(int frame) const {
    if (VideoFps <= 0) return 0;
    std::int64_t before = 0;  // end distance of the previous segment, cm
    for (const SpeedUnitSegment& s : SpeedUnit) {
        if (s.FirstFrame <= frame && frame <= s.LastFrame) {
            const long double offset = static_cast<long double>(frame) - s.FirstFrame;
            const long double span = static_cast<long double>(s.LastFrame) - s.FirstFrame;
            // Recording speed at the frame, linear over the segment (km/h).
            const long double v = span == 0
                                      ? s.FirstSpeed
                                      : s.FirstSpeed + (s.LastSpeed - s.FirstSpeed) * offset / span;
            // Distance covered at the mean speed in offset ÷ fps seconds, cm.
            const long double cm = ((v + s.FirstSpeed) / 7.2L) * (offset / VideoFps) * 100;
            return saturatingAdd(before, roundTiesEven(cm));
        }
        before = s.EndDistance;
    }
    return 0;
}

const std::string& LineData::callWave(int slot) const {
    static const std::string kEmpty;
    if (slot < 0) return kEmpty;
    if (slot < kKankoSound1Count) return KankoSound1[static_cast<std::size_t>(slot)];
    const int k = slot - kKankoSound1Count;
    if (k < static_cast<int>(KankoSound2.size())) return KankoSound2[static_cast<std::size_t>(k)];
    return kEmpty;
}

void LineData::clearRunFlags() {
    for (StationRecord& s : Station) s.Progress = StationProgress{};
    for (SpeedCheck1Record& c : SpeedCheck1) c.Made = false;
    for (MovieSwitchRecord& m : MovieSwitch) m.Played = false;
}

}  // namespace tressmoor::data
