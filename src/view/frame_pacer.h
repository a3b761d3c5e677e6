// FramePacer: runs the driving window's frames at most one per 16.667 ms of real time, sleeping
// (not spinning) until the next frame is due.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>

#include "sim/frame_clock.h"

namespace tressmoor::view {

/// Paces frames from a monotonic clock with the frame clock's rules: a frame runs once 16.667 ms
/// have passed since the previous one, its length is the measured time (20 ms after a gap of more
/// than a second, at least 1 ms). Between frames the event loop runs; the pacer waits with a
/// precise single-shot timer to within a millisecond of the deadline and sleeps the rest, so a
/// frame lands a few tens of microseconds after it is due without burning a core.
///
/// With a fixed step, frames run back to back as fast as the machine allows and each is given
/// exactly that length (reproducible scripted runs).
///
/// GUI thread only.
class FramePacer final : public QObject {
    Q_OBJECT
public:
    /// `frame` runs one frame of `dtMs` ms at `fps`; `active` says whether frames run at all
    /// (false while paused: the clock then stands still, as the drive does).
    FramePacer(std::function<void(long double dtMs, int fps)> frame, std::function<bool()> active,
               QObject* parent = nullptr);

    void start();
    void stop();
    /// Runs frames back to back with this length instead of real time; nullopt: real time.
    void setFixedStep(std::optional<long double> stepMs) { fixedStepMs_ = stepMs; }
    bool running() const { return running_; }

private:
    void tick();
    long double nowSeconds() const;
    void armFor(long double remainingMs);

    std::function<void(long double, int)> frame_;
    std::function<bool()> active_;
    sim::FrameClock clock_;
    QTimer timer_;
    std::chrono::steady_clock::time_point epoch_;
    std::optional<long double> fixedStepMs_;
    bool running_ = false;
};

}  // namespace tressmoor::view
