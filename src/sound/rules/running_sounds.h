// Running and ambient sounds: the per-frame control of brake, motor, engine, positional,
// Doppler, announcement, alarm and horn sounds from the state of the train and the line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/line_types.h"
#include "data/train_types.h"
#include "route/route_state.h"
#include "route/safety_state.h"
#include "route/station_state.h"
#include "sound/mixer.h"
#include "sound/sound_set.h"
#include "vehicle/vehicle_context.h"
#include "vehicle/vehicle_state.h"

namespace tressmoor::sound {

/// Frames of the start and end windows of a [Sound] entry.
inline constexpr int kSoundWindowFrames = 30;
/// Frames either side of a switch within which its point sound plays.
inline constexpr int kSwitchWindowFrames = 10;
/// Vigilance timer at which the ring starts, ms.
inline constexpr long double kVigilanceRingMs = 60001;
/// Vigilance timer at which the emergency brake applies, ms.
inline constexpr long double kVigilanceBrakeMs = 65001;
/// Speed against the reverser's direction above which the roll-back alarm sounds, km/h.
inline constexpr long double kRollBackKmh = 7;
/// Speed of sound used by the Doppler pitch, km/h.
inline constexpr long double kSoundSpeedKmh = 1220;
/// Lateral distance of a Doppler source from the track, cm.
inline constexpr long double kDopplerOffsetCm = 300;

/// Gain factors of one [EngineSound1] or [EngineSound3] record.
struct EngineGain {
    long double a = 1.0;  ///< speed/engine gain from the record's table
    long double b = 1.0;  ///< notch (or gear) gate gain
};

/// State of one staged horn.
struct HornState {
    std::int64_t stageTime = 0;  ///< clock tick of the last stage change
};

/// What the running sounds keep between frames. Sized once when the drive is loaded
/// (RunningSoundState::forDrive); a frame never allocates.
struct RunningSoundState {
    std::vector<std::uint8_t> soundStarted;    ///< per [Sound] entry
    std::vector<std::uint8_t> switchPlayed;    ///< per [Switch] record
    std::vector<std::uint8_t> announcePlayed;  ///< per [Announce] entry (entry j at j − 1)
    std::vector<std::uint8_t> stopAnnounced;   ///< per station: overrun announcement played
    std::vector<EngineGain> engineA;           ///< per [EngineSound1] record
    std::vector<EngineGain> engineB;           ///< per [EngineSound3] record
    long double commonGainA = 1.0;  ///< common gain of the [EngineSound1] records (0–100)
    long double commonGainB = 1.0;  ///< common gain of the [EngineSound3] records (0–100)
    long double attenuation = 1.0;  ///< 0.1–1.0, from [Atten] or a [Sound] entry's fade

    int brakeSoundHandle = 0;       ///< brake handle position the brake-notch sounds last answered
    bool brakeSoundPrimed = false;  ///< brakeSoundHandle holds a real position
    bool ebSoundLatch = false;      ///< the EB sound has played at this emergency position
    bool stopAlarmLatch = false;    ///< the stop alarm has sounded on this approach
    bool stopLamp = false;          ///< [Lamp_Stop] shown
    bool dopplerActive = false;     ///< a [Doppler] record was in range last frame
    int doorFrames = 0;             ///< frames since the doors opened at a standstill

    HornState horn1;
    HornState horn2;

    std::string lastEventCommand;  ///< the route-event command acted on last

    /// Sizes every list for the line and train of a drive.
    static RunningSoundState forDrive(const data::TrainSpec& spec, const data::LineData& line);
};

/// The references the running sounds act on, bundled once per drive. The vehicle is changed
/// only by the vigilance device, whose emergency demand goes through the vehicle's handle rules;
/// everything else is read.
struct RunningSoundContext {
    const data::TrainSpec& spec;
    const data::LineData& line;
    const SoundSet& sounds;
    Mixer& mixer;
    vehicle::VehicleState& vehicle;
    vehicle::VehicleContext& vehicleRules;  ///< the same vehicle, for its demands
    const vehicle::TrainLoad& load;
    const route::RouteState& route;
    const route::SafetyState& safety;
    const route::StationState& stations;
    RunningSoundState& state;
    long double& vigilanceMs;  ///< ms since the driver last operated anything while moving
    bool& ebLamp;              ///< [Lamp_EB] shown
    /// The explanation builder's command of this frame: its first character says what it is
    /// ("0" a text for the route view, shown by the view; "1" a wave to play once; "2" a wave to
    /// loop), the rest is the text or the file name.
    const std::string& eventCommand;
    int& announcePointer;                 ///< next [Announce] entry (1-based)
    bool atsDisabled = false;             ///< the "ATS" option switches the safety system off
    std::filesystem::path programFolder;  ///< base of the wave files named by route events
    /// Events worth tracing ("vigilance emergency", "event sound ..."); may be empty.
    std::function<void(std::string_view)> onEvent;

    void event(std::string_view text) const {
        if (onEvent) onEvent(text);
    }
};

/// Every running and ambient sound step of one frame, in order: the safety-system warning,
/// the squeak, the brake-notch, emergency, brake-valve and exhaust sounds, [Atten], the [Sound]
/// entries, the point sounds, the announcements, the Doppler sources, the vigilance ring, the
/// roll-back alarm and the stop alarm, the motor and engine sounds and the route-event sound.
/// `dtMs` is the frame time.
void UpdateRunningSounds(RunningSoundContext& c, long double dtMs);

/// The staged horns from the held keys, once per frame after the keys are sampled.
void UpdateHorns(RunningSoundContext& c, bool hornKey1, bool hornKey2);

/// Reports, once for a drive, each train-file sound number of the running sounds that lies
/// beyond the mixer's channels: the mixer's own channel message goes to its reporter. The rules
/// themselves pass over such numbers every frame, as they do over negative ones ("none").
void ReportBadSoundNumbers(const data::TrainSpec& spec, Mixer& mixer);

/// Plays the next on-board announcement by hand (the "c" and "1" keys of one-man lines): the
/// [Announce] entry under the announcement pointer plays from its start and the pointer moves
/// on. False when there is no such entry.
bool NextAnnouncement(RunningSoundContext& c);
/// Moves the announcement pointer back by one entry ("-") and stops that entry if it is
/// playing, so that the next key press repeats it.
void BackAnnouncement(RunningSoundContext& c);

/// Clears the latches bound to positions on the line (a run restarts at a station): the
/// started, played and approach flags. Gains are kept.
void ResetRunLatches(RunningSoundState& s);

// Rules exposed for tests.

/// Frequency ratio of a moving source: `ahead` = P − position, cm; `speed` ≥ 0, km/h.
long double dopplerRatio(long double ahead, long double speed);
/// Volume of a source at `distance` cm from a radius of `radius` cm; −10000 at the very edge.
int dopplerVolume(long double distance, long double radius);
/// Electric-train engine table: frequency ratio and gain A at x, or false outside (x0, x3].
bool electricEngineTable(const data::EngineSound1Row& r, long double x, long double& pitch,
                         long double& gainA);
/// Diesel engine table (one segment x0 … x3 with 10-unit fades): frequency ratio and gain A.
void dieselEngineTable(const data::EngineSound1Row& r, long double x, long double& pitch,
                       long double& gainA);
/// Volume of gains a × b × common (each 0–100), hundredths of a dB, never below −10000.
int engineVolume(long double a, long double b, long double common);
/// Squeak level from speed (km/h), cylinder pressure (kPa), full-service pressure (kPa) and the
/// second [Lose_elec] value (km/h).
int squeakVolume(long double speed, long double cylinder, long double fullService, int fadeSpeed);

}  // namespace tressmoor::sound
