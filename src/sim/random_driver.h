// RandomDriver: a seeded, tireless and sometimes careless driver for long unattended runs.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>

namespace tressmoor::sim {

class DrivingSession;

/// The keys a driver holds down during the next frame.
struct HeldKeys {
    bool horn1 = false;   ///< "3"
    bool horn2 = false;   ///< "6"
    bool safety = false;  ///< "4"
};

/// Drives a session through its input methods only (keys, held keys, the mouse wheel, the Move
/// menu, the save slots, pause and the train-settings commands), as a driver at the controls
/// would: mostly forward with sensible notches, braking for the stops and obeying the safety
/// system, with now and then something odd (the emergency brake at speed, the reverser or the
/// doors while moving, horns, the debugging keys, a jump to another station, saving and
/// restoring a run). It reads the state only as a driver reads the cab's instruments.
///
/// Everything it does follows from its seed and the session's state: the same seed on the same
/// service does the same things. It draws from its own generator, never from the session's
/// random source.
class RandomDriver {
public:
    explicit RandomDriver(std::uint64_t seed) : rng_(seed) {}

    /// Acts on `session` before the frame starting at `nowSeconds` of simulated time and returns
    /// the keys held during that frame. Call it once before every frame, with rising times.
    HeldKeys beforeFrame(DrivingSession& session, double nowSeconds);

    /// Told what the driver does that is not a plain key (jumps, saves, loads, pauses); the
    /// headless runner writes it to its events file.
    std::function<void(std::string_view)> log;

    /// Actions taken so far (keys, wheel steps and commands).
    std::int64_t actions() const { return actions_; }

private:
    double uniform(double low, double high);
    int pick(int low, int high);  ///< low … high inclusive
    bool chance(double p);
    void drive(DrivingSession& session, double now);
    void oddThing(DrivingSession& session, double now);
    void rareThing(DrivingSession& session, double now);
    void press(DrivingSession& session, char c);
    void note(const std::string& text);

    std::mt19937_64 rng_;
    double nextDecision_ = 0;   ///< s
    double nextRare_ = 0;       ///< s; set at the first call
    double horn1Until_ = -1;    ///< s
    double horn2Until_ = -1;
    double safetyUntil_ = -1;
    double f2Until_ = -1;       ///< F2 held until then
    double pausedUntil_ = -1;   ///< resume then
    double followVideoUntil_ = -1;  ///< F1 ends the video-speed mode then
    double acknowledgeAt_ = -1;     ///< press space for the alarm then
    double serviceEndSince_ = -1;   ///< the service ended at this time
    int targetSpeed_ = 0;       ///< km/h the driver is aiming for
    double targetUntil_ = 0;    ///< s
    bool swapped_ = false;      ///< Scroll Lock exchanged "2" and "8"
    bool started_ = false;
    std::int64_t actions_ = 0;
};

}  // namespace tressmoor::sim
