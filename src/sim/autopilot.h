// Autopilot: a driver that takes a service from its start station to its last stop on the
// timetable, working the train only through the keys a person at the controls has.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/train_types.h"
#include "vehicle/vehicle_state.h"

namespace tressmoor::sim {

class DrivingSession;

namespace autopilot {

/// km/h² gained per metre and km/h/s of deceleration: v² = vt² + kCurve × a × d.
inline constexpr double kCurve = 7.2;
/// km/h/s of deceleration per per-mille of uphill gradient (g = 9.8 m/s²).
inline constexpr double kGradientDecel = 9.8 * 3.6 / 1000;

/// The speed (km/h) from which a deceleration of `decel` km/h/s just reaches `targetKmh` after
/// `distanceM` metres; the target speed itself when the distance is not positive.
double CurveSpeed(double targetKmh, double distanceM, double decel);

/// The deceleration (km/h/s) that takes the train from `speedKmh` to `targetKmh` within
/// `distanceM` metres: 0 when it is already slow enough; large when no distance is left.
double RequiredDecel(double speedKmh, double targetKmh, double distanceM);

/// Friction factor of the brake shoes at `speedKmh` (the train's [AirBrakeRate] law): 1 at and
/// above the reference speed, higher below it.
double ShoeFriction(const data::TrainSpec& spec, double speedKmh);

/// What the driver reckons with for one train: the deceleration of every brake step at the
/// reference speed and the time a step takes to bite.
struct BrakeModel {
    /// km/h/s of service step k at [k] (k = 1 … steps); [0] = released.
    std::vector<double> rate;
    double lagSeconds = 1;     ///< from the handle to most of the step's force
    bool automatic = false;    ///< automatic air brake worked by valve positions
    double fullServiceBc = 0;  ///< kPa, cylinder pressure of full service (automatic brake)
    double emergencyBc = 1;    ///< kPa, cylinder pressure the rate law refers to
    double shoeRate = 0;       ///< km/h/s at emergency pressure (automatic brake)

    int steps() const { return static_cast<int>(rate.size()) - 1; }
    /// Deceleration the driver plans with: a comfortable share of full service.
    double planDecel() const;
};

/// The brake model from the train file and the present load: each service step's planned
/// deceleration, or, where the file plans none, the share of full-service cylinder pressure
/// of that step applied to the friction law.
BrakeModel MakeBrakeModel(const data::TrainSpec& spec, const vehicle::TrainLoad& load);

/// Brake-step choice with hysteresis. `required` is the deceleration still needed (km/h/s),
/// `assist` what the gradient and running resistance add to the brake (km/h/s, negative
/// downhill), `factor` multiplies the model's rates (friction and what was learned), `current`
/// the step in use and `heldSeconds` how long it has been held. Steps up at once when the
/// present step falls short; steps down only after a second and when the lower step still
/// suffices with room to spare, so the handle does not move every frame.
int ChooseBrakeStep(const BrakeModel& model, double required, double assist, double factor,
                    int current, double heldSeconds);

/// Power choice with hysteresis: full power while more than `lowGap` km/h below the ceiling,
/// off from `highGap` km/h below it, the present notch kept in between; once cut, power stays
/// off until the handle has rested `minHoldSeconds`.
int ChoosePower(double speedKmh, double ceilingKmh, int current, int notches, double heldSeconds,
                double lowGap = 6, double highGap = 2, double minHoldSeconds = 3);

/// One speed the train must be down to `distanceM` metres ahead (0: from here on).
struct SpeedTarget {
    double speedKmh = 0;
    double distanceM = 0;
    std::string what;  ///< for the log: "stop 3", "limit 55", "signal 12" …
};

}  // namespace autopilot

/// The autopilot of one drive. Call beforeFrame once before every frame: it reads what a driver
/// can know — speed, gauges, the clock and timetable, the door and station state, the signal in
/// view, the speed limits and checks of the line, the safety system's alarm and patterns — and
/// presses keys through the session's key handlers.
class Autopilot {
public:
    explicit Autopilot(const DrivingSession& session);

    /// Acts for the coming frame of `dtMs` milliseconds.
    void beforeFrame(DrivingSession& session, double dtMs);

    /// One line per thing worth telling: stops with their distance from the marker, departures
    /// with their delay, safety-system interventions.
    std::function<void(std::string_view)> event;

private:
    enum class Phase { AtStation, Running, Ended };

    void say(const std::string& text);
    void press(DrivingSession& session, char key);
    void observe(const DrivingSession& session, double dtMs);
    void safety(DrivingSession& session);
    void atStation(DrivingSession& session);
    void run(DrivingSession& session);
    std::vector<autopilot::SpeedTarget> targets(const DrivingSession& session) const;
    void setHandles(DrivingSession& session, int power, int brake);
    void automaticBrake(DrivingSession& session, double required, double assist);
    void gearLever(DrivingSession& session, bool braking);
    bool mayDepart(const DrivingSession& session) const;

    autopilot::BrakeModel model_;
    Phase phase_ = Phase::AtStation;
    int station_ = 0;       ///< station the train stands at (Phase::AtStation)
    double seconds_ = 0;    ///< driven time
    double lastSpeed_ = 0;  ///< km/h at the last frame
    double accel_ = 0;      ///< km/h/s, smoothed
    double learned_ = 1;    ///< measured ÷ modelled brake deceleration, smoothed
    int wantPower_ = 0;
    int wantBrake_ = 0;
    double handleSince_ = 0;  ///< driven time of the last change of the wanted handles
    bool braking_ = false;    ///< braking toward a target
    int valve_ = 0;           ///< automatic brake: valve wanted, 0 release, 2 lap, 3 apply
    double valveSince_ = 0;
    double doorKeyAt_ = -100;  ///< driven time of the last door key
    double ackAt_ = -100;      ///< driven time of the last acknowledgement
    double resetAt_ = -100;
    bool tripSeen_ = false;
    double departAt_ = -1;   ///< driven time the train was allowed to leave
    int calledSignal_ = -1;  ///< last signal called out with the call key
};

}  // namespace tressmoor::sim
