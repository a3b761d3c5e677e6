// FrameClock: the pacing of frames and the length of the current frame.
#pragma once

namespace tressmoor::sim {

/// What one pass of the idle loop should do.
enum class PaceAction {
    Process,  ///< run a frame now
    Sleep,    ///< more than a millisecond early: sleep 1 ms and come back
    Yield,    ///< within the last millisecond: give up the time slice and come back
};

/// The frame time of the current frame. Frames are at most one per 16.667 ms; the time step is
/// the real time since the previous processed frame.
struct FrameClock {
    static constexpr long double kFrameMs = 16.667L;

    long double now = 0;   ///< s, taken at the start of the pass
    long double last = 0;  ///< s, `now` of the previous processed frame
    long double dtMs = 0;  ///< ms, length of the current frame
    int fps = 60;          ///< 1000 ÷ dtMs rounded to nearest (ties to even)

    /// One pass at time `nowSeconds`: computes dtMs (a step over 1000 ms — after a pause —
    /// becomes 20 ms, and 0 becomes 1 ms) and fps, and decides whether the frame runs. When it
    /// runs, `last` becomes `now`.
    PaceAction pass(long double nowSeconds);
};

}  // namespace tressmoor::sim
