// Drive records: the text format, the recorder and its stand-ins, the replayer and its
// stand-ins. The format is described in drive_record.h and docs/drive-records.md.
#include "sim/drive_record.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>

#include "data/path_resolver.h"
#include "data/settings_file.h"
#include "sim/driving_session.h"

namespace tressmoor::sim {

namespace {

using Kind = RecordedInput::Kind;

struct KindName {
    Kind kind;
    const char* name;
};
constexpr KindName kKindNames[] = {
    {Kind::Frame, "frame"},
    {Kind::FrameNoStep, "frame-nostep"},
    {Kind::Step, "step"},
    {Kind::KeyDown, "key-down"},
    {Kind::KeyUp, "key-up"},
    {Kind::Char, "char"},
    {Kind::Wheel, "wheel"},
    {Kind::Held, "held"},
    {Kind::Serial, "serial"},
    {Kind::SerialMessage, "serial-message"},
    {Kind::Controller, "controller"},
    {Kind::ControllerDebug, "controller-debug"},
    {Kind::Pause, "pause"},
    {Kind::Station, "station"},
    {Kind::Save, "save"},
    {Kind::Load, "load"},
    {Kind::Options, "options"},
    {Kind::StopLinesHidden, "stop-lines-hidden"},
    {Kind::TrainAts, "train-ats"},
    {Kind::TrainEngine, "train-engine"},
    {Kind::ReloadSpeedUnit, "reload-speed-unit"},
    {Kind::SpeedFreeze, "speed-freeze"},
    {Kind::StripCells, "strip-cells"},
};

const char* kindName(Kind kind) {
    for (const auto& k : kKindNames) {
        if (k.kind == kind) return k.name;
    }
    return "?";
}

/// A text field in double quotes with C escapes; bytes from 0x80 up (UTF-8) stay as they are.
std::string quote(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20 || u == 0x7f) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", u);
                    out += hex;
                } else {
                    out += c;
                }
        }
    }
    return out + '"';
}

/// Exactly, as a hexadecimal floating-point number ("0x8.5553f7ced9168p+1").
std::string exactReal(long double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%La", value);
    return text;
}

std::string hashText(std::uint64_t hash) {
    char text[24];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}

/// The fields of one line: bare words and quoted texts (unquoted).
struct Field {
    std::string text;
    bool quoted = false;
};

[[noreturn]] void fail(int line, const std::string& what) {
    throw DriveRecordError("line " + std::to_string(line) + ": " + what);
}

std::vector<Field> splitFields(std::string_view s, int line) {
    std::vector<Field> fields;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == ' ') {
            ++i;
            continue;
        }
        Field f;
        if (s[i] != '"') {
            const std::size_t end = s.find(' ', i);
            f.text = std::string(s.substr(i, end == std::string_view::npos ? s.npos : end - i));
            i = end == std::string_view::npos ? s.size() : end;
            fields.push_back(std::move(f));
            continue;
        }
        f.quoted = true;
        ++i;
        bool closed = false;
        while (i < s.size()) {
            const char c = s[i++];
            if (c == '"') {
                closed = true;
                break;
            }
            if (c != '\\') {
                f.text += c;
                continue;
            }
            if (i >= s.size()) break;
            const char e = s[i++];
            switch (e) {
                case '\\':
                    f.text += '\\';
                    break;
                case '"':
                    f.text += '"';
                    break;
                case 'r':
                    f.text += '\r';
                    break;
                case 'n':
                    f.text += '\n';
                    break;
                case 't':
                    f.text += '\t';
                    break;
                case 'x': {
                    if (i + 2 > s.size()) fail(line, "a \\x escape needs two hex digits");
                    const std::string hex(s.substr(i, 2));
                    char* end = nullptr;
                    const long v = std::strtol(hex.c_str(), &end, 16);
                    if (end != hex.c_str() + 2) fail(line, "a \\x escape needs two hex digits");
                    f.text += static_cast<char>(v);
                    i += 2;
                    break;
                }
                default:
                    fail(line, std::string("unknown escape \\") + e);
            }
        }
        if (!closed) fail(line, "a quoted text is not closed");
        if (i < s.size() && s[i] != ' ') fail(line, "a quoted text runs into the next field");
        fields.push_back(std::move(f));
    }
    return fields;
}

/// Reads the fields of one line in order, failing with the line number.
class LineReader {
public:
    LineReader(std::vector<Field> fields, int line) : fields_(std::move(fields)), line_(line) {}
    const std::string& word() { return take(false).text; }
    const std::string& text() { return take(true).text; }
    bool done() const { return next_ >= fields_.size(); }
    /// True when the next field is the bare word `w`.
    bool nextIs(std::string_view w) const {
        return !done() && !fields_[next_].quoted && fields_[next_].text == w;
    }
    std::size_t left() const { return fields_.size() - next_; }
    long long integer(long long low, long long high) {
        const std::string& w = word();
        char* end = nullptr;
        errno = 0;
        const long long v = std::strtoll(w.c_str(), &end, 10);
        if (w.empty() || *end != '\0' || errno != 0 || v < low || v > high) {
            fail(line_, "'" + w + "' is not a whole number from " + std::to_string(low) + " to " +
                            std::to_string(high));
        }
        return v;
    }
    int number(int low, int high) { return static_cast<int>(integer(low, high)); }
    bool flag() { return integer(0, 1) == 1; }
    long double real() {
        const std::string& w = word();
        char* end = nullptr;
        const long double v = std::strtold(w.c_str(), &end);
        if (w.empty() || *end != '\0' || !(v >= 0) || v > 1e9L) {
            fail(line_, "'" + w + "' is not a frame length in ms");
        }
        return v;
    }
    void end() {
        if (!done()) fail(line_, "unexpected '" + fields_[next_].text + "' at the end");
    }
    int line() const { return line_; }

private:
    const Field& take(bool quoted) {
        if (done()) fail(line_, quoted ? "a quoted text is missing" : "a field is missing");
        const Field& f = fields_[next_++];
        if (f.quoted != quoted) {
            fail(line_, quoted ? "'" + f.text + "' should be in double quotes"
                               : "\"" + f.text + "\" should not be quoted");
        }
        return f;
    }
    std::vector<Field> fields_;
    std::size_t next_ = 0;
    int line_;
};

input::KeyStroke drivingKey(LineReader& r) {
    const std::string& name = r.word();
    const auto stroke = input::parseKeyName(name);
    if (!stroke || stroke->key == input::Key::None)
        fail(r.line(), "'" + name + "' is no driving key");
    return {stroke->key, 0, stroke->shift};
}

constexpr int kBig = 1'000'000'000;

}  // namespace

std::uint64_t fnv1a64(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::optional<std::uint64_t> fileHash(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return fnv1a64(bytes.str());
}

std::string formatInput(const RecordedInput& in) {
    std::string out = kindName(in.kind);
    auto add = [&out](const std::string& field) { out += ' ' + field; };
    auto num = [&add](long long v) { add(std::to_string(v)); };
    switch (in.kind) {
        case Kind::Frame:
        case Kind::FrameNoStep:
            add(exactReal(in.dtMs));
            num(in.fps);
            break;
        case Kind::Step:
        case Kind::ReloadSpeedUnit:
            break;
        case Kind::KeyDown:
        case Kind::KeyUp:
            add(input::keyName({in.key.key, 0, in.key.shift}));
            break;
        case Kind::Char:
            add(quote(std::string(1, in.key.character)));
            break;
        case Kind::Held:
            for (const bool h : in.held) num(h ? 1 : 0);
            break;
        case Kind::Serial:
        case Kind::SerialMessage:
            add(quote(in.text));
            break;
        case Kind::Options:
            for (const int v : {in.options.Kanko, in.options.Information, in.options.ATS,
                                in.options.Tunnel, in.options.Moji}) {
                num(v);
            }
            break;
        case Kind::StripCells:
            for (const int v : {in.cells.power, in.cells.brake, in.cells.power2, in.cells.brake2}) {
                num(v);
            }
            break;
        default:
            num(in.number);
            break;
    }
    return out;
}

namespace {

RecordedInput parseInput(Kind kind, LineReader& r, const std::optional<RecordedInput>& lastFrame) {
    RecordedInput in;
    in.kind = kind;
    in.line = r.line();
    switch (kind) {
        case Kind::Frame:
        case Kind::FrameNoStep:
            if (r.done()) {
                if (!lastFrame) fail(r.line(), "the first frame needs its length and rate");
                in.dtMs = lastFrame->dtMs;
                in.fps = lastFrame->fps;
            } else {
                in.dtMs = r.real();
                in.fps = r.number(0, 100000);
            }
            break;
        case Kind::Step:
        case Kind::ReloadSpeedUnit:
            break;
        case Kind::KeyDown:
        case Kind::KeyUp:
            in.key = drivingKey(r);
            break;
        case Kind::Char: {
            const std::string& c = r.text();
            if (c.size() != 1) fail(r.line(), "a character is one byte");
            in.key.character = c[0];
            break;
        }
        case Kind::Held:
            for (bool& h : in.held) h = r.flag();
            break;
        case Kind::Serial:
        case Kind::SerialMessage:
            in.text = r.text();
            break;
        case Kind::Options:
            for (int* v : {&in.options.Kanko, &in.options.Information, &in.options.ATS,
                           &in.options.Tunnel, &in.options.Moji}) {
                *v = r.number(-kBig, kBig);
            }
            break;
        case Kind::StripCells:
            for (int* v : {&in.cells.power, &in.cells.brake, &in.cells.power2, &in.cells.brake2}) {
                *v = r.number(0, 1000);
            }
            break;
        case Kind::Controller:
            in.number = r.number(0, 3);
            break;
        case Kind::Save:
        case Kind::Load:
            in.number = r.number(1, 3);
            break;
        case Kind::ControllerDebug:
        case Kind::Pause:
        case Kind::StopLinesHidden:
        case Kind::TrainAts:
        case Kind::SpeedFreeze:
            in.number = r.flag() ? 1 : 0;
            break;
        default:
            in.number = r.number(-kBig, kBig);
            break;
    }
    r.end();
    return in;
}

}  // namespace

DriveRecord parseDriveRecord(std::string_view text) {
    DriveRecord record;
    bool versionSeen = false, serviceSeen = false;
    std::optional<RecordedInput> lastFrame;
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view s = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
        if (!versionSeen) {
            const std::string magic = std::string(kDriveRecordMagic) + ' ';
            if (s.substr(0, magic.size()) != magic) {
                fail(lineNumber, "this is not a Tressmoor drive record");
            }
            LineReader r(splitFields(s.substr(magic.size()), lineNumber), lineNumber);
            const std::string& v = r.word();
            if (v != std::to_string(kDriveRecordVersion)) {
                fail(lineNumber, "record format version " + v +
                                     " is not one this program reads "
                                     "(it reads version " +
                                     std::to_string(kDriveRecordVersion) + ")");
            }
            r.end();
            versionSeen = true;
            continue;
        }
        if (s.empty() || s.front() == '#') continue;
        LineReader r(splitFields(s, lineNumber), lineNumber);
        const std::string head = r.word();
        if (head == "service") {
            record.choice.LineFile = r.text();
            record.choice.TrainFile = r.text();
            record.choice.TrainFolder = r.text();
            record.choice.StartStation = r.number(0, kBig);
            record.choice.StationLimit = r.number(0, kBig);
            r.end();
            serviceSeen = true;
        } else if (head == "seed") {
            record.seed = static_cast<std::uint64_t>(r.integer(0, INT64_MAX));
            r.end();
        } else if (head == "file") {
            RecordedFile f;
            f.role = r.word();
            f.path = r.text();
            const std::string& h = r.word();
            if (h != "missing") {
                char* e = nullptr;
                const auto v = std::strtoull(h.c_str(), &e, 16);
                if (h.size() != 16 || *e != '\0') fail(lineNumber, "'" + h + "' is no 64-bit hash");
                f.hash = v;
            }
            r.end();
            record.files.push_back(std::move(f));
        } else if (head == "read-int" || head == "read-str") {
            RecordedRead read;
            read.isInt = head == "read-int";
            read.store = r.word();
            read.name = r.text();
            // "-" (bare) is a missing value; a quoted "-" is the text "-".
            if (read.isInt) {
                if (r.nextIs("-")) {
                    r.word();
                } else {
                    read.intValue = r.number(INT32_MIN, INT32_MAX);
                }
            } else if (r.nextIs("-")) {
                r.word();
            } else {
                read.stringValue = r.text();
            }
            r.end();
            record.reads.push_back(std::move(read));
        } else if (head == "write") {
            RecordedWrite w;
            w.store = r.word();
            w.name = r.text();
            w.ok = r.flag();
            r.end();
            record.writes.push_back(std::move(w));
        } else if (head == "status") {
            RecordedStatus st;
            st.seq = static_cast<std::uint64_t>(r.integer(0, INT64_MAX));
            st.channel = r.number(INT32_MIN, INT32_MAX);
            const int v = r.number(0, 5);
            if (v != 0 && v != 1 && v != 5) fail(lineNumber, "a channel state is 0, 1 or 5");
            st.state = static_cast<sound::ChannelStatus>(v);
            r.end();
            if (!record.statuses.empty() && record.statuses.back().seq >= st.seq) {
                fail(lineNumber, "channel states must come in query order");
            }
            record.statuses.push_back(st);
        } else if (head == "video") {
            RecordedVideoOpen v;
            v.code = r.number(0, 7);
            v.frames = r.number(0, INT32_MAX);
            r.end();
            record.videoOpens.push_back(v);
        } else if (head == "poll") {
            if (!r.done() && r.left() == 1) {
                if (r.word() != "none") fail(lineNumber, "a poll is 'none' or X Y BUTTONS");
                record.polls.emplace_back(std::nullopt);
            } else {
                input::JoystickReading j;
                j.x = r.number(-32768, 32767);
                j.y = r.number(-32768, 32767);
                j.buttons = static_cast<std::uint32_t>(r.integer(0, UINT32_MAX));
                r.end();
                record.polls.emplace_back(j);
            }
        } else {
            bool known = false;
            for (const auto& k : kKindNames) {
                if (head != k.name) continue;
                known = true;
                RecordedInput in = parseInput(k.kind, r, lastFrame);
                if (k.kind == Kind::Frame || k.kind == Kind::FrameNoStep) lastFrame = in;
                record.inputs.push_back(std::move(in));
                break;
            }
            if (!known) fail(lineNumber, "unknown item '" + head + "'");
        }
    }
    if (!versionSeen) fail(1, "this is not a Tressmoor drive record (it is empty)");
    if (!serviceSeen) fail(lineNumber, "the record names no service");
    return record;
}

DriveRecord readDriveRecordFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw DriveRecordError("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return parseDriveRecord(text.str());
    } catch (const DriveRecordError& e) {
        throw DriveRecordError(path.string() + ": " + e.what());
    }
}

std::vector<std::string> checkRecordedFiles(const DriveRecord& record,
                                            const std::filesystem::path& programFolder) {
    std::vector<std::string> warnings;
    for (const auto& f : record.files) {
        const std::filesystem::path p(f.path);
        const auto full = p.is_absolute() ? p : programFolder / p;
        const auto now = fileHash(full);
        if (now == f.hash) continue;
        if (!f.hash) {
            warnings.push_back("the " + f.role + " file " + full.string() +
                               " was missing when the drive was recorded and is there now");
        } else if (!now) {
            warnings.push_back("the " + f.role + " file " + full.string() +
                               " of the recorded drive is missing");
        } else {
            warnings.push_back("the " + f.role + " file " + full.string() +
                               " differs from the one the drive was recorded with");
        }
    }
    return warnings;
}

// ---------------------------------------------------------------------------------------------
// Recording

namespace {

class RecordingStore final : public data::SettingsStore {
public:
    RecordingStore(data::SettingsStore& inner, DriveRecorder& rec) : inner_(inner), rec_(rec) {}
    std::optional<int> readInt(std::string_view store, std::string_view name) override {
        const auto v = inner_.readInt(store, name);
        rec_.line("read-int " + std::string(store) + ' ' + quote(name) + ' ' +
                  (v ? std::to_string(*v) : std::string("-")));
        return v;
    }
    std::optional<std::string> readString(std::string_view store, std::string_view name) override {
        auto v = inner_.readString(store, name);
        rec_.line("read-str " + std::string(store) + ' ' + quote(name) + ' ' +
                  (v ? quote(*v) : std::string("-")));
        return v;
    }
    bool writeInt(std::string_view store, std::string_view name, int value) override {
        return wrote(store, name, inner_.writeInt(store, name, value));
    }
    bool writeString(std::string_view store, std::string_view name,
                     std::string_view value) override {
        return wrote(store, name, inner_.writeString(store, name, value));
    }

private:
    bool wrote(std::string_view store, std::string_view name, bool ok) {
        rec_.line("write " + std::string(store) + ' ' + quote(name) + (ok ? " 1" : " 0"));
        return ok;
    }
    data::SettingsStore& inner_;
    DriveRecorder& rec_;
};

/// Passes every call on; notes the sound files loaded and each channel state the drive reads
/// that differs from the last one it read for that channel.
class RecordingMixer final : public sound::Mixer {
public:
    RecordingMixer(sound::Mixer& inner, DriveRecorder& rec) : inner_(inner), rec_(rec) {}
    std::shared_ptr<sound::Wave> loadWave(const std::string& path) override {
        rec_.file("sound", path);
        return inner_.loadWave(path);
    }
    void attach(int c, std::shared_ptr<sound::Wave> w) override { inner_.attach(c, std::move(w)); }
    bool hasWave(int c) const override { return inner_.hasWave(c); }
    void Play(int c) override { inner_.Play(c); }
    void LoopPlay(int c) override { inner_.LoopPlay(c); }
    void Stop(int c) override { inner_.Stop(c); }
    void FreqRate(int c, double r) override { inner_.FreqRate(c, r); }
    void Volume(int c, int v) override { inner_.Volume(c, v); }
    int volume(int c) const override { return inner_.volume(c); }
    void Pan(int c, int p) override { inner_.Pan(c, p); }
    sound::ChannelStatus Status(int c) const override {
        const auto v = inner_.Status(c);
        const std::uint64_t seq = seq_++;
        auto [it, fresh] = last_.try_emplace(c, v);
        if (fresh || it->second != v) {
            it->second = v;
            rec_.line("status " + std::to_string(seq) + ' ' + std::to_string(c) + ' ' +
                      std::to_string(static_cast<int>(v)));
        }
        return v;
    }
    void advance(double ms) override { inner_.advance(ms); }
    bool reinitialise() override { return inner_.reinitialise(); }

private:
    sound::Mixer& inner_;
    DriveRecorder& rec_;
    mutable std::uint64_t seq_ = 0;
    mutable std::map<int, sound::ChannelStatus> last_;
};

class RecordingVideo final : public route::VideoSource {
public:
    RecordingVideo(route::VideoSource& inner, DriveRecorder& rec) : inner_(inner), rec_(rec) {}
    int open(const std::string& path) override {
        const int code = inner_.open(path);
        rec_.line("video " + std::to_string(code) + ' ' + std::to_string(inner_.frameCount()));
        return code;
    }
    int frameCount() const override { return inner_.frameCount(); }
    bool fetch(int frame) override { return inner_.fetch(frame); }

private:
    route::VideoSource& inner_;
    DriveRecorder& rec_;
};

}  // namespace

struct DriveRecorder::Platform {
    std::unique_ptr<RecordingStore> store;
    std::unique_ptr<RecordingMixer> mixer;
    std::unique_ptr<RecordingVideo> video;
};

DriveRecorder::DriveRecorder(std::ostream& out, const std::filesystem::path& programFolder,
                             const ServiceChoice& choice, std::uint64_t seed)
    : out_(out), programFolder_(programFolder) {
    out_ << kDriveRecordMagic << ' ' << kDriveRecordVersion << '\n'
         << "service " << quote(choice.LineFile) << ' ' << quote(choice.TrainFile) << ' '
         << quote(choice.TrainFolder) << ' ' << choice.StartStation << ' ' << choice.StationLimit
         << '\n'
         << "seed " << seed << '\n';
    file("settings", data::resolveDataPath(programFolder, data::kSettingsFileName));
    file("controllers", data::resolveDataPath(programFolder, data::kControllerMapName));
    file("train", data::resolveDataPath(trainFolderOf(programFolder, choice), choice.TrainFile));
    file("line", data::resolveDataPath(programFolder, choice.LineFile));
}

DriveRecorder::~DriveRecorder() {
    finish();
}

SessionPlatform DriveRecorder::wrap(const SessionPlatform& platform) {
    platform_ = std::make_unique<Platform>();
    platform_->store = std::make_unique<RecordingStore>(platform.store, *this);
    platform_->mixer = std::make_unique<RecordingMixer>(platform.mixer, *this);
    platform_->video = std::make_unique<RecordingVideo>(platform.video, *this);
    return {*platform_->mixer, *platform_->video, *platform_->store, platform.random};
}

void DriveRecorder::line(const std::string& text) {
    out_ << text << '\n';
}

void DriveRecorder::file(const std::string& role, const std::filesystem::path& path) {
    // Files below the program folder are named relative to it, others by their whole path.
    std::error_code ec;
    std::filesystem::path shown = std::filesystem::absolute(path, ec).lexically_normal();
    const auto folder = std::filesystem::absolute(programFolder_, ec).lexically_normal();
    const auto relative = shown.lexically_relative(folder);
    if (!relative.empty() && *relative.begin() != "..") shown = relative;
    const auto hash = fileHash(path);
    line("file " + role + ' ' + quote(shown.generic_string()) + ' ' +
         (hash ? hashText(*hash) : std::string("missing")));
}

void DriveRecorder::writeFrame(const char* kind, long double dtMs, int fps) {
    // A frame as long as the one before is written without its length.
    if (lastFrame_ && lastFrame_->first == dtMs && lastFrame_->second == fps) {
        line(kind);
    } else {
        line(std::string(kind) + ' ' + exactReal(dtMs) + ' ' + std::to_string(fps));
        lastFrame_ = {dtMs, fps};
    }
}

void DriveRecorder::flushPendingFrame() {
    if (!pending_) return;
    writeFrame("frame-nostep", pending_->first, pending_->second);
    pending_.reset();
}

void DriveRecorder::input(const RecordedInput& in) {
    flushPendingFrame();
    line(formatInput(in));
}

void DriveRecorder::beginFrame(long double dtMs, int fps) {
    flushPendingFrame();
    pending_ = {dtMs, fps};
}

void DriveRecorder::endFrame() {
    if (!pending_) {
        line("step");
        return;
    }
    writeFrame("frame", pending_->first, pending_->second);
    pending_.reset();
}

void DriveRecorder::poll(const std::optional<input::JoystickReading>& reading) {
    if (!reading) {
        line("poll none");
        return;
    }
    line("poll " + std::to_string(reading->x) + ' ' + std::to_string(reading->y) + ' ' +
         std::to_string(reading->buttons));
}

void DriveRecorder::finish() {
    flushPendingFrame();
    out_.flush();
}

// ---------------------------------------------------------------------------------------------
// Replaying

namespace {

class ReplayStore final : public data::SettingsStore {
public:
    ReplayStore(data::SettingsStore& inner, DriveReplayer& rep) : inner_(inner), rep_(rep) {}
    std::optional<int> readInt(std::string_view store, std::string_view name) override {
        if (const RecordedRead* r = next(true, store, name)) return r->intValue;
        return inner_.readInt(store, name);
    }
    std::optional<std::string> readString(std::string_view store, std::string_view name) override {
        if (const RecordedRead* r = next(false, store, name)) return r->stringValue;
        return inner_.readString(store, name);
    }
    bool writeInt(std::string_view store, std::string_view name, int value) override {
        return wrote(store, name, inner_.writeInt(store, name, value));
    }
    bool writeString(std::string_view store, std::string_view name,
                     std::string_view value) override {
        return wrote(store, name, inner_.writeString(store, name, value));
    }

private:
    const RecordedRead* next(bool isInt, std::string_view store, std::string_view name) {
        const auto& reads = rep_.record().reads;
        if (rep_.nextRead < reads.size()) {
            const RecordedRead& r = reads[rep_.nextRead];
            if (r.isInt == isInt && r.store == store && r.name == name) {
                ++rep_.nextRead;
                return &r;
            }
        }
        rep_.diverged("the drive read " + std::string(store) + '/' + std::string(name) +
                      " from the settings store where the record does not");
        return nullptr;
    }
    bool wrote(std::string_view store, std::string_view name, bool ok) {
        const auto& writes = rep_.record().writes;
        if (rep_.nextWrite < writes.size() && writes[rep_.nextWrite].store == store &&
            writes[rep_.nextWrite].name == name) {
            return writes[rep_.nextWrite++].ok;
        }
        rep_.diverged("the drive wrote " + std::string(store) + '/' + std::string(name) +
                      " where the record does not");
        return ok;
    }
    data::SettingsStore& inner_;
    DriveReplayer& rep_;
};

/// Plays through the inner mixer, but answers channel states from the record.
class ReplayMixer final : public sound::Mixer {
public:
    ReplayMixer(sound::Mixer& inner, DriveReplayer& rep) : inner_(inner), rep_(rep) {}
    std::shared_ptr<sound::Wave> loadWave(const std::string& path) override {
        return inner_.loadWave(path);
    }
    void attach(int c, std::shared_ptr<sound::Wave> w) override { inner_.attach(c, std::move(w)); }
    bool hasWave(int c) const override { return inner_.hasWave(c); }
    void Play(int c) override { inner_.Play(c); }
    void LoopPlay(int c) override { inner_.LoopPlay(c); }
    void Stop(int c) override { inner_.Stop(c); }
    void FreqRate(int c, double r) override { inner_.FreqRate(c, r); }
    void Volume(int c, int v) override { inner_.Volume(c, v); }
    int volume(int c) const override { return inner_.volume(c); }
    void Pan(int c, int p) override { inner_.Pan(c, p); }
    sound::ChannelStatus Status(int c) const override {
        const std::uint64_t seq = seq_++;
        const auto& statuses = rep_.record().statuses;
        while (rep_.nextStatus < statuses.size() && statuses[rep_.nextStatus].seq <= seq) {
            const RecordedStatus& s = statuses[rep_.nextStatus++];
            if (s.seq == seq && s.channel == c) {
                last_[c] = s.state;
            } else {
                rep_.diverged("the drive asked for sound channel states in another order");
            }
        }
        const auto it = last_.find(c);
        if (it != last_.end()) return it->second;
        rep_.diverged("the drive asked for a sound channel the record never answered");
        return inner_.Status(c);
    }
    void advance(double ms) override { inner_.advance(ms); }
    bool reinitialise() override { return inner_.reinitialise(); }

private:
    sound::Mixer& inner_;
    DriveReplayer& rep_;
    mutable std::uint64_t seq_ = 0;
    mutable std::map<int, sound::ChannelStatus> last_;
};

/// Opens and decodes through the inner source (for the pictures), but answers the open's result
/// and the frame count from the record.
class ReplayVideo final : public route::VideoSource {
public:
    ReplayVideo(route::VideoSource& inner, DriveReplayer& rep) : inner_(inner), rep_(rep) {}
    int open(const std::string& path) override {
        const int code = inner_.open(path);
        const auto& opens = rep_.record().videoOpens;
        if (rep_.nextVideo < opens.size()) {
            const RecordedVideoOpen& o = opens[rep_.nextVideo++];
            frames_ = o.frames;
            return o.code;
        }
        rep_.diverged("the drive opened a route video the record does not know");
        frames_.reset();
        return code;
    }
    int frameCount() const override { return frames_ ? *frames_ : inner_.frameCount(); }
    bool fetch(int frame) override { return inner_.fetch(frame); }

private:
    route::VideoSource& inner_;
    DriveReplayer& rep_;
    std::optional<int> frames_;
};

}  // namespace

struct DriveReplayer::Platform {
    std::unique_ptr<ReplayStore> store;
    std::unique_ptr<ReplayMixer> mixer;
    std::unique_ptr<ReplayVideo> video;
};

DriveReplayer::DriveReplayer(DriveRecord record) : record_(std::move(record)) {}

DriveReplayer::~DriveReplayer() = default;

SessionPlatform DriveReplayer::wrap(const SessionPlatform& platform) {
    platform_ = std::make_unique<Platform>();
    platform_->store = std::make_unique<ReplayStore>(platform.store, *this);
    platform_->mixer = std::make_unique<ReplayMixer>(platform.mixer, *this);
    platform_->video = std::make_unique<ReplayVideo>(platform.video, *this);
    return {*platform_->mixer, *platform_->video, *platform_->store, platform.random};
}

void DriveReplayer::diverged(const std::string& what) {
    if (divergedTold_) return;
    divergedTold_ = true;
    if (onDiverged) onDiverged(what);
}

std::optional<input::JoystickReading> DriveReplayer::nextPoll() {
    if (nextPoll_ < record_.polls.size()) return record_.polls[nextPoll_++];
    diverged("the drive polled the joystick more often than the record holds");
    return std::nullopt;
}

std::optional<ReplayFrame> DriveReplayer::nextFrame(DrivingSession& session) {
    while (nextInput_ < record_.inputs.size()) {
        const RecordedInput& in = record_.inputs[nextInput_++];
        if (in.kind == Kind::Frame || in.kind == Kind::FrameNoStep) {
            return ReplayFrame{in.dtMs, in.fps, in.kind == Kind::Frame};
        }
        feed(session, in);
    }
    return std::nullopt;
}

void DriveReplayer::feed(DrivingSession& s, const RecordedInput& in) {
    feeding_ = true;
    switch (in.kind) {
        case Kind::Frame:
        case Kind::FrameNoStep:
            break;
        case Kind::Step:
            s.endFrame();
            break;
        case Kind::KeyDown:
            s.keyDown(in.key.key, in.key.shift);
            break;
        case Kind::KeyUp:
            s.keyUp(in.key.key);
            break;
        case Kind::Char:
            s.keyPress(in.key.character);
            break;
        case Kind::Wheel:
            s.wheel(in.number);
            break;
        case Kind::Held:
            s.setHeldKeys(in.held[0], in.held[1], in.held[2]);
            break;
        case Kind::Serial:
            s.serialReceive(in.text);
            break;
        case Kind::SerialMessage:
            s.serialMessage(in.text);
            break;
        case Kind::Controller:
            s.setControllerType(in.number);
            break;
        case Kind::ControllerDebug:
            s.setControllerDebug(in.number != 0);
            break;
        case Kind::Pause:
            s.setPaused(in.number != 0);
            break;
        case Kind::Station:
            s.StationClick(in.number);
            break;
        case Kind::Save:
            s.save(in.number);
            break;
        case Kind::Load:
            s.load(in.number);
            break;
        case Kind::Options:
            s.setOptions(in.options);
            break;
        case Kind::StopLinesHidden:
            s.setStopLinesHidden(in.number != 0);
            break;
        case Kind::TrainAts:
            s.trainSettingsAts(in.number != 0);
            break;
        case Kind::TrainEngine:
            s.trainSettingsEngine(in.number);
            break;
        case Kind::ReloadSpeedUnit:
            try {
                s.reloadSpeedUnit(replayProgramFolder);
            } catch (const std::exception&) {
                // The recorded drive went on unchanged as well, or the data differ (warned).
            }
            break;
        case Kind::SpeedFreeze:
            s.setSpeedFreeze(in.number != 0);
            break;
        case Kind::StripCells:
            s.setStripCells(in.cells);
            break;
    }
    feeding_ = false;
}

}  // namespace tressmoor::sim
