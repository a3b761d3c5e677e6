// VehicleState and TrainLoad: the handle, force, pressure, engine and door state of the train.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/fixed4.h"

namespace tressmoor::vehicle {

using data::fixed4;

/// Status texts of the adhesion check.
inline constexpr std::string_view kSlipText = "空転";   ///< wheels spinning under power
inline constexpr std::string_view kSlideText = "滑走";  ///< wheels sliding under the brake

/// Masses and brake pressures for the present passenger count, recomputed every frame.
struct TrainLoad {
    fixed4 M;      ///< total train mass, t
    fixed4 MM;     ///< mass of the motor cars, t
    fixed4 MT;     ///< mass of the trailer cars, t
    int PS = 0;    ///< full-service cylinder pressure, kPa
    int PE = 0;    ///< emergency cylinder pressure, kPa
    int PSAP = 0;  ///< full straight-air-pipe pressure, kPa
};

/// What the cab panel and the status texts show of the handles; recomputed by masconupdate.
/// Strip frames keep their last value when the image has too few cells for the new one.
struct MasconDisplay {
    bool forwardLamp = true;  ///< reverser lamps
    bool neutralLamp = false;
    bool reverseLamp = false;
    std::string reverserLabel;
    std::string powerLabel;
    std::string brakeLabel;
    std::string modeLabel;
    int powerFrame = 0;  ///< cell of the power notch strip "img_lamp_p"
    bool powerVisible = true;
    int brakeFrame = 0;   ///< cell of the brake notch strip "img_lamp_b"
    int powerFrame2 = 0;  ///< second set "img_lamp_p2", "img_lamp_b2"
    bool powerVisible2 = true;
    int brakeFrame2 = 0;
    int gearLeverFrame = 1;  ///< cell of the gear lever strip
    int gearFrame = 0;       ///< cell of the engaged-gear strip
};

/// One-shot happenings of the vehicle for the frame layer to act on and then clear.
struct VehicleEvents {
    bool departureCall = false;  ///< first notch after a stop with doors closed: departure calls
    bool doorsClosed = false;    ///< closing completed: next station, closing calls
    bool clearCarCountText = false;  ///< one-man door operation: clear the car-count text
    bool stepChangeSound = false;    ///< current-controlled traction took its next step
    bool stalled = false;            ///< the diesel engine stalled
};

/// The part of the driving state that the vehicle owns. Field names follow the rest of the
/// program; start values are those of a train standing at its first station.
struct VehicleState {
    // Handles. Brake positions are 0 (released) … −n (emergency), n = TrainSpec.Brake.
    int Reverser = 1;            ///< 1 forward, 0 neutral, −1 reverse
    int PowerHandle = 0;         ///< notch at which the power handle stands
    int Power = 0;               ///< effective notch used by the traction force
    int BrakeHandle = 0;         ///< brake handle position (set to −n at start-up)
    int BrakeCommand = 0;        ///< effective air-brake command
    int SapCommand = 0;          ///< effective straight-air-pipe command
    int EBrakeCommand = 0;       ///< effective electric-brake command
    bool Holding = false;        ///< holding brake (抑速) engaged
    bool LeftHold = false;       ///< the last brake-side step left the holding position
    bool ConstSpeed = false;     ///< constant-speed control (定速) engaged
    bool EmergencyTrip = false;  ///< emergency brake demanded by the safety devices
    bool VigilanceTrip = false;  ///< emergency brake demanded by the vigilance device
    bool ServiceTrip = false;    ///< full service brake demanded by the safety system
    int SuppressIndex = 0;       ///< selected holding-brake step of the current-table brake
    int GearLever = 1;           ///< 0 neutral, 1 converter, 2 … direct stages
    bool PowerPending = false;
    bool BrakePending = false;
    bool SapPending = false;
    bool EBrakePending = false;
    int PowerTimer = 0;   ///< ms since the power change
    int BrakeTimer = 0;   ///< ms since the brake change
    int SapTimer = 0;     ///< ms
    int EBrakeTimer = 0;  ///< ms
    int StopState = 0;    ///< station-stop state (set by the station logic): only 0 and 2 let
                          ///< a notch change take effect
    bool DepartureMarker = false;  ///< set by the station logic at every arrival; the first
                                   ///< notch with the doors closed clears it

    // Forces and motion.
    long double Speed = 0;         ///< km/h, signed, positive in the forward direction
    fixed4 DriveForce;             ///< N
    fixed4 DriveForceBeforeBrake;  ///< N
    fixed4 TractionForce;          ///< N, ammeter input
    fixed4 BrakeForce;             ///< N
    fixed4 Resistance;             ///< N, negative opposes forward motion
    fixed4 Adhesion;               ///< adhesion coefficient in use
    fixed4 AdhesionLimit;          ///< N
    std::string_view SlipText;     ///< kSlipText, kSlideText or empty
    fixed4 BrakeFriction;          ///< friction factor of the brake shoes
    int MotorCurrent = 0;          ///< A, current-controlled traction
    int CurrentStep = 0;           ///< row of the current-controlled traction
    bool StepPending = false;
    int StepTimer = 0;            ///< ms
    int AmMeter = 0;              ///< A, negative while braking electrically
    long double EBrakeValue = 0;  ///< electric-brake value, ≥ 0
    int EBrakeStep = 0;           ///< present row of the current-table electric brake
    long double EngineSpeed = 0;  ///< engine-speed units, idle 30
    long double EngineTarget = 0;
    long double DriveAccel = 0;  ///< km/h/s of DriveForce
    long double NetAccel = 0;    ///< km/h/s of DriveForce + Resistance
    long double CabShake = 0.4;  ///< panel shake value; the panel moves by 25 × this − 10 px

    // Air brake, kPa.
    fixed4 MainReservoir;
    long double FeedPressure = 0;
    long double BrakePipe = 0;
    fixed4 EqualisingReservoir;
    fixed4 SapPressure;
    fixed4 CylinderM;  ///< motor cars
    fixed4 CylinderT;  ///< trailer cars
    bool CompressorOn = false;

    // Diesel engine and transmission.
    int EngineState = 1;          ///< 1 running, 0 stopped, −1 starting, −2 stopping
    int EngineKey = 0;            ///< 0 none, 1 start held, 2 stop held
    int EngineKeyFrames = 0;      ///< frames the held command has been counted
    int EngineKeyFramesLast = 0;  ///< the count before this frame (judges a release)
    int Gear = 0;                 ///< engaged gear, 0 = neutral
    int ShiftState = 0;           ///< 0 idle, 1 engaging, 2 disengaging
    int ShiftTimer = 0;           ///< ms
    int DialogStartTimer = -1;    ///< ms left of a start from the train-settings dialog; −1 none

    // Doors.
    bool DoorsOpen = true;        ///< open, or not yet fully closed
    bool DoorCommand = true;      ///< commanded open
    bool DoorsClosedLit = false;  ///< the door-closed lamp is lit: closing has completed

    MasconDisplay Display;
    VehicleEvents Events;
};

/// What the physics step needs from the route and the frame clock.
struct KeisanInputs {
    long double dtMs = 1000.0L / 60;  ///< frame interval Δ, ms (1 … 1000)
    int fps = 60;                     ///< integer frame rate f; rates per second are ÷ f
    fixed4 gradient;                  ///< ‰ under the train, positive uphill forward
    bool inTunnel = false;
    long double tunnelResistance = 0;  ///< tunnel coefficient of the line
    fixed4 friction;                   ///< adhesion coefficient μ0 of the line
    int lineVoltage = 1500;            ///< V; 0 cuts the power delay
    bool speedFreeze = false;          ///< value display's speed freeze
};

}  // namespace tressmoor::vehicle
