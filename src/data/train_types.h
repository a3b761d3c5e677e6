// TrainSpec: the vehicle sections of a train file (handles, brakes, traction, masses, sounds).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/fixed4.h"

namespace tressmoor::data {

/// Largest number of brake positions ([Brake], emergency included) a train may have.
inline constexpr int kMaxBrakePositions = 10;
/// Largest number of power notches ([Power]) and of [Notch] rows.
inline constexpr int kMaxNotches = 11;
/// Largest number of notch groups (group numbers 0 … 9).
inline constexpr int kMaxNotchGroups = 10;
inline constexpr int kMaxPowerModes = 10;          ///< [PowerMode] rows
inline constexpr int kMaxSuppressSteps = 10;       ///< [Suppress] rows
inline constexpr int kMaxBrakeCurrentLimits = 17;  ///< [BrakeCurrentLimit] rows
inline constexpr int kMaxCurrentPRows = 100;       ///< [CurrentP] rows
inline constexpr int kMaxCurrentBRows = 100;       ///< [CurrentB] rows
inline constexpr int kMaxEngineGears = 11;         ///< [Engine] rows
inline constexpr int kMaxEngineRates = 9;          ///< [EngineRate] rows
inline constexpr int kMaxEngineSound1 = 100;       ///< [EngineSound1] records
inline constexpr int kMaxEngineSound3 = 100;       ///< [EngineSound3] records
inline constexpr int kMaxDriveSounds = 500;        ///< [DriveSound] files

/// A value that depends on the passenger load: value = empty + passengers × perPassenger.
template <typename Empty, typename PerPassenger = Empty>
struct LoadDependent {
    Empty empty{};                ///< value of the empty train
    PerPassenger perPassenger{};  ///< added per passenger
};

/// Transmission of a diesel railcar.
enum class GearType : std::uint8_t {
    AT = 0,  ///< automatic: the gear follows the speed
    MT = 1,  ///< manual: the driver selects the gear
};

/// [Const]: constant-speed control.
struct ConstSpeedSpec {
    int available = 0;  ///< 1 = the train has constant-speed control
    int minSpeed = 0;   ///< lowest speed at which it can be engaged, km/h
};

/// [AirBrakeRate]: friction-brake law.
struct AirBrakeRateSpec {
    fixed4 rate;      ///< deceleration at full cylinder pressure, km/h/s
    fixed4 refSpeed;  ///< reference speed of the friction law, km/h
};

/// [AmMeter]: how the ammeter value is derived.
struct AmMeterSpec {
    int mode = 0;   ///< 1 = current derived from the traction force
    int scale = 0;  ///< scale factor from acceleration to the shown current
};

/// [Lose_elec]: speeds below which the electric brake gives up.
struct LoseElecSpec {
    int dropSpeed = 0;  ///< below this speed a new electric-brake command is dropped, km/h
    int fadeSpeed = 0;  ///< below this speed the electric brake fades out, km/h
};

/// Two sound numbers (channels) given on one line: per brake step of [Sound_BK], [Sound_BR],
/// [Sound_BA].
struct SoundPair {
    int first = 0;
    int second = 0;
};

/// [Sound_Horn1] / [Sound_Horn2]: a horn played in stages. Sound numbers are channels.
struct HornSpec {
    /// The five integers in file order: channels A (start), B and C (sustain, alternating),
    /// D (release) and one further value.
    std::array<int, 5> sounds{};
    fixed4 stepTime;  ///< step time T between stages, clock ticks (1/30 s)
};

/// [Signal_Suppress]: lamp and sounds of the alternative-route switch.
struct SignalSuppressSpec {
    std::string file;  ///< lamp image, relative to the train file's folder ("" = none)
    int x = 0;         ///< px
    int y = 0;         ///< px
    int soundOn = 0;   ///< sound number played when the switch turns on
    int soundOff = 0;  ///< sound number played when it turns off
};

/// One [SwitchSound] row: the point sound for a kind of switch.
struct SwitchSoundRow {
    int sound = 0;  ///< sound number (channel)
    int speed = 0;  ///< the row applies while the speed is below this value, km/h
    int type = 0;   ///< switch type the row applies to
};

/// One [EngineRate] row (one per gear, row 0 unused): engine speed = |v| × factor + offset.
struct EngineRateRow {
    int offset = 0;          ///< engine-speed offset (engine-speed units)
    long double factor = 0;  ///< engine-speed units per km/h
};

/// One [Notch] row (row k = power notch k).
struct NotchRow {
    long double accel0 = 0;  ///< acceleration at 0 km/h, km/h/s
    long double accel1 = 0;  ///< acceleration at speed1, km/h/s
    int speed1 = 0;          ///< first speed V1, km/h
    int speed2 = 0;          ///< second speed V2, km/h
    long double decay = 0;   ///< decay base of the acceleration above V1
    int group = 0;           ///< notch group number (0, 1, …)
};

/// [CurrentP] head values of the current-controlled traction.
struct CurrentPHead {
    int maxCurrent = 0;          ///< maximum motor current, A
    long double accel = 0;       ///< acceleration in the constant-acceleration range, km/h/s
    long double speedLimit = 0;  ///< upper speed of the constant-acceleration range, km/h
};

/// One [CurrentP] row: one step of the current-controlled traction.
struct CurrentPRow {
    int notch = 0;                ///< power notch from which the row applies
    long double numerator = 0;    ///< current = numerator / (v − speedOffset), A·km/h
    long double speedOffset = 0;  ///< km/h
    int stepTime = 0;             ///< time before the next step is taken, ms
    int extra = 0;                ///< fifth value (kept)
};

/// One [CurrentB] row: one step of the current-table electric brake.
struct CurrentBRow {
    long double divisor = 0;      ///< brake value = (|v| − speedOffset) / divisor
    long double speedOffset = 0;  ///< km/h
    int extra = 0;                ///< third value (kept)
};

/// One [Engine] row (one per gear, counted from 0): tractive-force curve of the gear.
struct EngineRow {
    int speedA = 0;          ///< km/h
    int speedB = 0;          ///< km/h
    int speedC = 0;          ///< km/h; the gear gives no force at or above it
    long double forceA = 0;  ///< force at speedA (kgf per notch share)
    long double forceB = 0;  ///< force at speedB
    long double forceC = 0;  ///< force at speedC
};

/// One [PowerMode] row: labels of one notch group.
struct PowerModeRow {
    std::string prefix;  ///< notch-label prefix ("P", …)
    std::string name;    ///< mode name
};

/// One [EngineSound1] record: a running or engine sound pitched and faded along a table.
struct EngineSound1Row {
    std::string file;                    ///< wave file, relative to the train folder ("" = none)
    int mode = 0;                        ///< handle state (or gear) that gates the sound
    std::array<long double, 4> x{};      ///< breakpoints x0 < x1 < x2 < x3 (km/h or engine speed)
    std::array<long double, 4> pitch{};  ///< frequency ratio at each breakpoint
    std::array<long double, 4> gain{};   ///< gain at each breakpoint
};

/// [EngineSound2] (diesel cars): four sound numbers.
struct EngineSound2Spec {
    std::array<int, 4> sounds{};  ///< two idle channels, then the engine start and stop sounds
};

/// One [EngineSound3] record (diesel cars): a transmission sound on the train speed.
struct EngineSound3Row {
    std::string file;                    ///< wave file, relative to the train folder
    int mode = 0;                        ///< 1 = while powering, 2 = while braking
    int gear = 0;                        ///< gear the record belongs to
    std::array<long double, 2> x{};      ///< breakpoints x0 < x1 on |v|, km/h
    std::array<long double, 2> pitch{};  ///< frequency ratio at each breakpoint
    std::array<long double, 2> gain{};   ///< gain at each breakpoint
};

/// The vehicle sections of a train file. Every field is zero (empty) until its key is read.
/// Fields are named after their keys. Sound numbers are channels: number k plays the k-th
/// [DriveSound] file (from 0). After loading the train description is read-only.
struct TrainSpec {
    // Handles and brakes.
    int Handle = 0;      ///< 0 = one-handle cab, 1 = two-handle cab
    int BrakeType = 0;   ///< 0 = automatic air brake, 1 = electro-pneumatic with brake pipe,
                         ///< 2 = electro-pneumatic by steps only
    int BrakeType2 = 0;  ///< electric-brake blending mode 0, 1 or 2
    int Brake = 0;       ///< brake positions n, emergency included (B1 … B(n−1), emergency n)
    int Power = 0;       ///< power notches
    int NotchBack = 0;   ///< lowest notch the effective notch may step back to (other than off)
    int Hold = 0;        ///< brake step count that marks the holding-brake position
    int Pull = 0;        ///< 1 = with BrakeType 0 the first brake-valve position releases
    ConstSpeedSpec Const;
    int Back = 0;       ///< 1 = roll-back alarm above 7 km/h against the reverser
    int InterLock = 0;  ///< reverser interlock option
    AirBrakeRateSpec AirBrakeRate;
    /// Planned deceleration per brake command, km/h/s: [k] belongs to command −k (k = 0 is the
    /// released position). Holds as many lines as [Brake] had when the section was read; use
    /// plannedBrakeRate() for a bounds-checked read.
    std::vector<fixed4> PlannedBrakeRate;
    long double BrakeRate2 = 0;  ///< speed coefficient of the brake-shoe friction law
    int PowerDelay = 0;          ///< delay of a power-notch change, ms
    int BrakeDelay = 0;          ///< delay of a brake-step change, ms
    int EBrakeDelay = 0;         ///< delay of the electric-brake command, ms
    int PowerJerk = 0;  ///< diesel cars: below this speed the notch counts as at most 2, km/h
    int SAPDelay = 0;   ///< delay of the straight-air-pipe command, ms
    int BrakeUp = 0;    ///< brake-cylinder fill rate, kPa/s
    int BrakeDown = 0;  ///< brake-cylinder release rate, kPa/s
    int SAPUp = 0;      ///< straight-air-pipe fill rate, kPa/s
    int SAPDown = 0;    ///< straight-air-pipe release rate, kPa/s
    AmMeterSpec AmMeter;
    int EBrakeUp = 0;             ///< electric-brake build-up per second (brake-value units/s)
    int EBrakeDown = 0;           ///< electric-brake decay per second (brake-value units/s)
    int MaxBrakeCurr = 0;         ///< ceiling of the electric-brake value
    long double EBrakeForce = 0;  ///< braking force per unit of electric-brake value, kgf
    int BPReturn = 0;             ///< brake-pipe recharge rate, kPa/s
    LoadDependent<int, long double> MAXPress;  ///< full-service cylinder pressure, kPa
    LoadDependent<int, long double> EBPress;   ///< emergency cylinder pressure, kPa
    LoadDependent<int, long double> SAPPress;  ///< full straight-air-pipe pressure, kPa
    int HighAirPress = 0;  ///< main reservoir: compressor stops here; also the start value, kPa
    int LowAirPress = 0;   ///< main reservoir: compressor starts here, kPa

    // Traction and masses.
    int Engine_Type = 0;  ///< 1 = electric train (電車), 0 = diesel railcar (気動車)
    int DoorLock = 0;     ///< 1 = traction only with doors closed, 0 = regardless, other = none
    int Power_Type = 0;   ///< electric: 1 = traction from [Notch], 0 = from [CurrentP]
    int Brake_Type = 0;   ///< 1 = electric brake by EBrakeUp/Down, 0 = from [CurrentB]
    int DoorType = 0;     ///< door type code (stored only)
    LoadDependent<fixed4> Tons;  ///< total train mass, t
    LoadDependent<fixed4> Mt;    ///< mass of the motor cars, t
    LoadDependent<fixed4> Tt;    ///< mass of the trailer cars, t
    int Cars = 0;                ///< number of cars
    int Length = 0;              ///< length of one car, m
    int EB = 0;                  ///< 1 = vigilance (EB) device fitted
    int MaxSpeed = 0;            ///< traction is cut at and above this speed, km/h
    LoseElecSpec Lose_elec;
    int ELBR = 0;  ///< threshold of the electric/air blending and of the automatic brake, kPa
    int Mc = 0;    ///< BC gauge shows 0 = trailer-car pressure, otherwise motor-car pressure

    // Safety system and miscellany.
    int ATS_Type = 0;
    int ATS_Alert = 0;
    int ATS_Time = 0;
    int ATS_Cnt = 0;
    std::string KEY4;  ///< key assignment text
    int CP_Start = 0;  ///< compressor start sound
    int CP_Cnt = 0;    ///< compressor running (loop) sound
    int CP_End = 0;    ///< compressor stop sound
    int Buzzer = 0;    ///< sound number
    int DepSign = 0;   ///< departure signal sound
    int ATS_Warn = 0;  ///< "safety system not switched on" warning sound
    GearType Gear_Type = GearType::AT;

    // Sounds (sound numbers).
    std::vector<SoundPair> Sound_BK;   ///< per brake step, [Brake] lines when read
    std::vector<SoundPair> Sound_BR;   ///< per brake step, [Brake] lines when read
    std::vector<SoundPair> Sound_BA;   ///< per brake position, [Brake] + 1 lines when read
    std::vector<int> Sound_PA;         ///< per power notch, [Power] lines when read
    std::vector<int> Sound_PR;         ///< per power notch
    std::vector<int> Sound_PK;         ///< per power notch
    std::array<int, 3> Sound_Rev{};    ///< reverser to forward, reverse, neutral
    std::array<int, 2> Sound_EB{};     ///< EB sound; second: speed above which it plays, km/h
    std::array<int, 2> Sound_Apply{};  ///< brake-apply sound; exhaust sound
    std::array<int, 2> Sound_Hasten{};
    std::array<int, 2> Stop{};  ///< stop alarm: channel; 1 = repeat while idle
    int Sound_Ats1 = 0;
    int Sound_Ats2 = 0;
    int Sound_Ats3 = 0;
    int Sound_Atc = 0;
    int Sound_Horn = 0;
    int Sound_Horn3 = 0;
    int Sound_DoorOpen = 0;
    int Sound_DoorClose = 0;
    int Sound_EBring = 0;
    int Sound_squeak = 0;
    HornSpec Sound_Horn2;
    HornSpec Sound_Horn1;
    SignalSuppressSpec Signal_Suppress;

    // Lists.
    std::vector<SwitchSoundRow> SwitchSound;
    std::vector<EngineRateRow> EngineRate;  ///< one row per gear in gear order
    std::vector<NotchRow> Notch;            ///< Notch[k − 1] is notch k
    /// First notch of group g is notch NotchGroupStart[g] + 1 (rows before the group's first
    /// row); groups beyond NotchGroups are 0.
    std::array<int, kMaxNotchGroups> NotchGroupStart{};
    int NotchGroups = 0;  ///< number of notch groups seen in [Notch] (0 without [Notch])
    CurrentPHead CurrentPHeader;
    std::vector<CurrentPRow> CurrentP;
    std::vector<int> BrakeCurrentLimit;  ///< electric-brake limit of brake step i (from 0)
    std::vector<CurrentBRow> CurrentB;
    std::vector<EngineRow> Engine;  ///< one row per gear, counted from 0
    std::vector<PowerModeRow> PowerMode;
    std::vector<int> Suppress;  ///< holding-brake steps
    std::vector<EngineSound1Row> EngineSound1;
    EngineSound2Spec EngineSound2;
    std::vector<EngineSound3Row> EngineSound3;
    std::vector<std::string> DriveSound;  ///< running-sound files, relative to the train folder

    /// Planned deceleration of brake command −k (k = 0 … ), km/h/s; 0 beyond the lines read.
    fixed4 plannedBrakeRate(int k) const {
        if (k < 0 || k >= static_cast<int>(PlannedBrakeRate.size())) return fixed4{};
        return PlannedBrakeRate[static_cast<std::size_t>(k)];
    }
};

}  // namespace tressmoor::data
