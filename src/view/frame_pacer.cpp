#include "view/frame_pacer.h"

#include <cmath>
#include <thread>

#include "data/rounding.h"

namespace tressmoor::view {

namespace {

/// The Qt timer's own lateness is up to about a millisecond: it is armed this much before the
/// deadline and the rest is slept precisely.
constexpr long double kTimerSlackMs = 1.5L;
/// While paused the pacer only looks now and then whether driving resumed.
constexpr int kIdlePollMs = 16;

}  // namespace

FramePacer::FramePacer(std::function<void(long double, int)> frame, std::function<bool()> active,
                       QObject* parent)
    : QObject(parent),
      frame_(std::move(frame)),
      active_(std::move(active)),
      epoch_(std::chrono::steady_clock::now()) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &FramePacer::tick);
}

long double FramePacer::nowSeconds() const {
    return std::chrono::duration<long double>(std::chrono::steady_clock::now() - epoch_).count();
}

void FramePacer::start() {
    running_ = true;
    timer_.start(0);
}

void FramePacer::stop() {
    running_ = false;
    timer_.stop();
}

void FramePacer::armFor(long double remainingMs) {
    const long double wait = std::floor(remainingMs - kTimerSlackMs);
    timer_.start(wait > 0 ? static_cast<int>(wait) : 0);
}

void FramePacer::tick() {
    if (!running_) return;
    if (!active_()) {
        timer_.start(kIdlePollMs);
        return;
    }
    if (fixedStepMs_) {
        const long double dt = *fixedStepMs_;
        frame_(dt, static_cast<int>(data::roundTiesEven(1000.0L / dt)));
        if (running_) timer_.start(0);
        return;
    }
    for (;;) {
        const sim::PaceAction action = clock_.pass(nowSeconds());
        if (action == sim::PaceAction::Process) break;
        const long double remainingMs = sim::FrameClock::kFrameMs - clock_.dtMs;
        if (remainingMs > kTimerSlackMs + 0.5L) {
            armFor(remainingMs);
            return;
        }
        // Within the last couple of milliseconds: sleep precisely to the deadline.
        std::this_thread::sleep_for(std::chrono::duration<long double, std::milli>(remainingMs));
    }
    frame_(clock_.dtMs, clock_.fps);
    if (!running_) return;
    const long double sinceFrameMs = (nowSeconds() - clock_.last) * 1000.0L;
    armFor(sim::FrameClock::kFrameMs - sinceFrameMs);
}

}  // namespace tressmoor::view
