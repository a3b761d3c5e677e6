// Drive records: every drive written down as it happens, so that it can be played back exactly.
//
// A record is UTF-8 text, one item per line, fields separated by single spaces; text fields are
// written in double quotes with C escapes (\\ \" \r \n \t \xHH). Blank lines and lines starting
// with "#" are ignored. The first line is "tressmoor-drive-record 1" (the format version);
// readers refuse any other version. Then, in the order things happened:
//
// The start of the drive
//   service "LINE" "TRAIN" "TRAINFOLDER" START LIMIT   the service choice (folder "" = built-in)
//   seed N                                   seed of the random source
//   file ROLE "PATH" HASH | missing          FNV-1a 64-bit hash (16 hex digits) of a data file
//                                            the drive reads: settings, controllers, train, line
//                                            and every sound; PATH is relative to the program
//                                            folder unless it lies outside it
// Inputs, in the order they reached the drive
//   frame [DT FPS]                           one whole frame of DT ms (hex float, exact) at FPS;
//                                            without DT and FPS: those of the frame before
//   frame-nostep [DT FPS]                    a frame whose physics step was lost (nothing drawn)
//   step                                     a physics step apart from its frame's first half
//   key-down NAME | key-up NAME              driving keys ("F2", "Shift+F5", "Enter")
//   char "C"                                 a typed character
//   wheel STEPS                              mouse-wheel steps (down = toward power)
//   held HORN1 HORN2 SAFETY                  held keys, written when they change (0/1)
//   serial "TEXT" | serial-message "TEXT"    serial controller characters / a whole message
//   controller TYPE | controller-debug 0/1   controller type 0 … 3, the raw-axes caption
//   pause 0/1 | station N | save N | load N  the Start, Move and Save menus
//   options KANKO INFORMATION ATS TUNNEL MOJI   the Display menu's options
//   stop-lines-hidden 0/1 | train-ats 0/1 | train-engine N | reload-speed-unit | speed-freeze 0/1
//   strip-cells POWER BRAKE POWER2 BRAKE2    cells of the notch strips, from the view's pictures
// What the drive read from outside, each kind in the order it was read
//   read-int STORE "NAME" VALUE | -          a value of the user's settings store (options, save
//   read-str STORE "NAME" "VALUE" | -        slots, calibration) as the drive read it
//   write STORE "NAME" 0/1                   whether a write to the store succeeded
//   status SEQ CHANNEL STATE                 the sound channel's state (0 idle, 1 once, 5 loop)
//                                            as the SEQ-th query (from 0) read it; written only
//                                            where it differs from the last state read for it
//   video CODE FRAMES                        result and frame count of a route-video open
//   poll X Y BUTTONS | poll none             one joystick poll (BUTTONS: bit mask, decimal)
//
// A replay reads the whole record, answers every outside read from it and feeds the inputs to
// the drive between the recorded frames, so that it does what the recorded drive did whatever
// the user's settings, sound device, video decoder or joystick are.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/random_source.h"
#include "data/settings_store.h"
#include "data/settings_types.h"
#include "input/controllers.h"
#include "input/keys.h"
#include "route/video_source.h"
#include "sim/service.h"
#include "sound/mixer.h"
#include "vehicle/vehicle_context.h"

namespace tressmoor::sim {

class DrivingSession;
struct SessionPlatform;

inline constexpr int kDriveRecordVersion = 1;
inline constexpr std::string_view kDriveRecordMagic = "tressmoor-drive-record";

/// A record that cannot be read: the message names the line ("line 12: …").
class DriveRecordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// FNV-1a, 64 bits, of `bytes`.
std::uint64_t fnv1a64(std::string_view bytes);
/// FNV-1a 64 of a whole file; nullopt when it cannot be read.
std::optional<std::uint64_t> fileHash(const std::filesystem::path& path);

/// One data file of the drive and its hash (nullopt: the file was missing).
struct RecordedFile {
    std::string role;  ///< settings, controllers, train, line, sound
    std::string path;  ///< relative to the program folder, or absolute outside it
    std::optional<std::uint64_t> hash;
    bool operator==(const RecordedFile&) const = default;
};

/// One input the drive received.
struct RecordedInput {
    enum class Kind {
        Frame,
        FrameNoStep,
        Step,
        KeyDown,
        KeyUp,
        Char,
        Wheel,
        Held,
        Serial,
        SerialMessage,
        Controller,
        ControllerDebug,
        Pause,
        Station,
        Save,
        Load,
        Options,
        StopLinesHidden,
        TrainAts,
        TrainEngine,
        ReloadSpeedUnit,
        SpeedFreeze,
        StripCells,
    };
    Kind kind = Kind::Frame;
    long double dtMs = 0;        ///< Frame, FrameNoStep
    int fps = 0;                 ///< Frame, FrameNoStep
    input::KeyStroke key;        ///< KeyDown, KeyUp (key, shift); Char (character)
    int number = 0;              ///< Wheel, Controller, Station, Save, Load, TrainEngine; 0/1 flags
    std::array<bool, 3> held{};  ///< Held: horn 1, horn 2, safety
    std::string text;            ///< Serial, SerialMessage
    data::UserOptions options;   ///< Options
    vehicle::StripCells cells;   ///< StripCells
    int line = 0;                ///< line of the record it was read from (0 when made)

    static RecordedInput of(Kind kind, int number = 0) {
        RecordedInput in;
        in.kind = kind;
        in.number = number;
        return in;
    }
    static RecordedInput ofKey(Kind kind, input::KeyStroke key) {
        RecordedInput in = of(kind);
        in.key = key;
        return in;
    }
    static RecordedInput ofText(Kind kind, std::string_view text) {
        RecordedInput in = of(kind);
        in.text = text;
        return in;
    }
};

/// One value read from the settings store.
struct RecordedRead {
    bool isInt = true;
    std::string store, name;
    std::optional<int> intValue;
    std::optional<std::string> stringValue;
};

struct RecordedWrite {
    std::string store, name;
    bool ok = true;
};

struct RecordedStatus {
    std::uint64_t seq = 0;
    int channel = 0;
    sound::ChannelStatus state = sound::ChannelStatus::Idle;
};

struct RecordedVideoOpen {
    int code = 0;
    int frames = 0;
};

/// A whole record as read back.
struct DriveRecord {
    int version = kDriveRecordVersion;
    ServiceChoice choice;
    std::uint64_t seed = 1;
    std::vector<RecordedFile> files;
    std::vector<RecordedInput> inputs;
    std::vector<RecordedRead> reads;
    std::vector<RecordedWrite> writes;
    std::vector<RecordedStatus> statuses;
    std::vector<RecordedVideoOpen> videoOpens;
    std::vector<std::optional<input::JoystickReading>> polls;
};

/// Reads a record. Throws DriveRecordError naming the line on anything malformed, and for a
/// first line that is not a record of a version this program reads.
DriveRecord parseDriveRecord(std::string_view text);
/// Reads the record file `path` (DriveRecordError also when it cannot be read).
DriveRecord readDriveRecordFile(const std::filesystem::path& path);

/// The data files whose contents differ from the recorded ones (or are missing now), one
/// warning line each, naming the file.
std::vector<std::string> checkRecordedFiles(const DriveRecord& record,
                                            const std::filesystem::path& programFolder);

/// Writes a drive's record as it runs. Made before the drive with the service and the seed;
/// the drive is created with it (DrivingSession::create), reports every input to it and reads
/// the store, the mixer and the video through the stand-ins it gives (wrap). Must outlive the
/// drive. Lines reach the stream as they happen; a frame is written when it ends.
class DriveRecorder {
public:
    DriveRecorder(std::ostream& out, const std::filesystem::path& programFolder,
                  const ServiceChoice& choice, std::uint64_t seed);
    ~DriveRecorder();
    DriveRecorder(const DriveRecorder&) = delete;
    DriveRecorder& operator=(const DriveRecorder&) = delete;

    /// The platform the drive runs on, with the store, the mixer and the video recorded.
    SessionPlatform wrap(const SessionPlatform& platform);

    void input(const RecordedInput& in);
    /// First half of a frame; the frame line is written when it ends (or the next input comes).
    void beginFrame(long double dtMs, int fps);
    void endFrame();
    void poll(const std::optional<input::JoystickReading>& reading);
    /// Writes an unfinished frame and flushes the stream.
    void finish();

    // Used by the stand-ins.
    void line(const std::string& text);
    void file(const std::string& role, const std::filesystem::path& path);

private:
    struct Platform;
    void flushPendingFrame();
    void writeFrame(const char* kind, long double dtMs, int fps);

    std::ostream& out_;
    std::filesystem::path programFolder_;
    std::unique_ptr<Platform> platform_;
    std::optional<std::pair<long double, int>> pending_;
    std::optional<std::pair<long double, int>> lastFrame_;
};

/// One frame of a replay: its length and whether its physics step ran.
struct ReplayFrame {
    long double dtMs = 0;
    int fps = 0;
    bool stepped = true;
};

/// Plays a record back into a drive made with it (DrivingSession::create). While it is
/// attached the drive takes input only from it; the window's or a script's input is ignored.
class DriveReplayer {
public:
    explicit DriveReplayer(DriveRecord record);
    ~DriveReplayer();
    DriveReplayer(const DriveReplayer&) = delete;
    DriveReplayer& operator=(const DriveReplayer&) = delete;

    const DriveRecord& record() const { return record_; }
    /// The platform the drive runs on, its outside reads answered from the record (the store
    /// only keeps what the drive writes; the mixer and the video still play).
    SessionPlatform wrap(const SessionPlatform& platform);
    /// Feeds the inputs up to the next frame into `session` and returns that frame; the caller
    /// runs it (beginFrame, and endFrame when it stepped). nullopt when no frame is left (the
    /// inputs after the last frame have then been fed).
    std::optional<ReplayFrame> nextFrame(DrivingSession& session);
    /// True while the replayer itself is feeding an input to the drive.
    bool feeding() const { return feeding_; }
    std::optional<input::JoystickReading> nextPoll();
    /// Told once when the drive reads something the record does not hold at that point (the
    /// data or the program differ from the recorded ones); the replay goes on.
    std::function<void(const std::string&)> onDiverged;
    /// Program folder the line file is read again from (the value display's "SU再読込").
    std::filesystem::path replayProgramFolder;
    void diverged(const std::string& what);

private:
    struct Platform;
    void feed(DrivingSession& session, const RecordedInput& in);

    DriveRecord record_;
    std::unique_ptr<Platform> platform_;
    std::size_t nextInput_ = 0;
    std::size_t nextPoll_ = 0;
    bool feeding_ = false;
    bool divergedTold_ = false;

public:
    // Read positions of the stand-ins.
    std::size_t nextRead = 0, nextWrite = 0, nextStatus = 0, nextVideo = 0;
};

/// Text of one input as a record line (without the newline), and back. Exposed for tests.
std::string formatInput(const RecordedInput& in);

}  // namespace tressmoor::sim
