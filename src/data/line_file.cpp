#include "data/line_file.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "data/fatal_error.h"
#include "data/fields.h"
#include "data/rounding.h"
#include "data/line_reader.h"
#include "data/path_resolver.h"
#include "data/text_file.h"

namespace tressmoor::data {

std::string notAnIntegerText(std::string_view value) {
    return "'" + std::string(value) + "' は有効な整数値ではありません";
}

std::string notARealText(std::string_view value) {
    return "'" + std::string(value) + "' は有効な浮動小数点値ではありません";
}

namespace {

/// The comma-separated fields of one line, split once. Field n (1-based) beyond the last comma
/// reads "0", as FieldOf does.
class Fields {
public:
    explicit Fields(std::string_view line) {
        std::size_t start = 0;
        while (true) {
            std::size_t comma = line.find(',', start);
            if (comma == std::string_view::npos) {
                fields_.push_back(line.substr(start));
                break;
            }
            fields_.push_back(line.substr(start, comma - start));
            start = comma + 1;
        }
    }
    std::string_view operator[](int n) const {
        if (n < 1 || n > static_cast<int>(fields_.size())) return "0";
        return fields_[static_cast<std::size_t>(n - 1)];
    }

private:
    std::vector<std::string_view> fields_;
};

/// Number of bytes of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
std::size_t utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

/// Reads the sections of a line file into LineData, one pass per line.
class LineParser {
public:
    LineParser(std::vector<std::string> lines, const std::string& trainFileName,
               RandomSource& random, LineData& line)
        : reader_(std::move(lines)), trainFileName_(trainFileName), random_(random), d_(line) {}

    void run();

private:
    [[noreturn]] void fail(std::string_view line, const std::string& detail) const {
        throw FatalError(std::string(kLineFileError) + section_ + ":" + std::string(line) + "\n" +
                         detail);
    }

    int toInt(std::string_view line, std::string_view field) const {
        auto v = parseInt(field);
        if (!v) fail(line, notAnIntegerText(field));
        return *v;
    }
    int intField(std::string_view line, const Fields& f, int n) const { return toInt(line, f[n]); }
    /// Field 1 of a line as an integer.
    int lineInt(std::string_view line) const { return toInt(line, Fields(line)[1]); }

    long double realField(std::string_view line, const Fields& f, int n) const {
        auto v = parseReal(f[n]);
        if (!v) fail(line, notARealText(f[n]));
        return *v;
    }
    fixed4 fixedField(std::string_view line, const Fields& f, int n) const {
        auto v = fixed4::parse(f[n]);
        if (!v) fail(line, notARealText(f[n]));
        return *v;
    }

    /// The next value line, "" at the end of the file.
    std::string valueLine() { return reader_.value().value_or(std::string()); }

    /// Reads a list section into `out` (emptied first): every line up to a "#" line or the end
    /// of the file is converted with `convert`; records beyond `capacity` are not stored.
    template <typename T, typename Convert>
    void readList(std::vector<T>& out, int capacity, Convert convert, bool skipSemicolon = false) {
        out.clear();
        for (const std::string& line : reader_.list()) {
            if (skipSemicolon && !line.empty() && line.front() == ';') continue;
            T record = convert(line);
            if (static_cast<int>(out.size()) < capacity) out.push_back(std::move(record));
        }
    }

    bool opens(const char* key) {
        if (!reader_.opens(key)) return false;
        section_ = key;
        return true;
    }

    void readStafSwitch();
    void readMonitor();
    void readSignImageList();
    void readSignalImageList();
    void readPreTrain();
    void readAnnounce();

    StationRecord station(const std::string& line) const;
    SignalRecord signal(const std::string& line) const;
    Signal2Record signal2(const std::string& line) const;
    TrafficSignalRecord trafficSignal(const std::string& line) const;
    MovieSwitchRecord movieSwitch(const std::string& line) const;

    LineReader reader_;
    const std::string& trainFileName_;
    RandomSource& random_;
    LineData& d_;
    std::string section_ = kLineOtherSection;
};

void LineParser::run() {
    while (reader_.next()) {
        section_ = kLineOtherSection;

        // Fixed sections.
        if (opens("[LineName]")) d_.LineName = valueLine();
        if (opens("[LineName2]")) d_.LineName2 = valueLine();
        if (opens("[StartPos]")) d_.StartPos = lineInt(valueLine());
        if (opens("[Staf]")) {
            for (auto& name : d_.Staf) name = valueLine();
        }
        if (opens("[Friction]")) {
            std::string line = valueLine();
            d_.Friction = fixedField(line, Fields(line), 1);
        }
        if (opens("[StafSwitch]")) readStafSwitch();
        if (opens("[DataName]")) d_.DataName = valueLine();
        if (opens("[Perspective]")) {
            std::string line = valueLine();
            d_.Perspective.P = static_cast<double>(realField(line, Fields(line), 1));
            d_.Perspective.H = lineInt(valueLine());
        }
        if (opens("[OneMan]")) {
            d_.OneMan.Mode = lineInt(valueLine());
            d_.OneMan.ShowInfo = lineInt(valueLine());
        }
        if (opens("[Monitor]")) readMonitor();
        if (opens("[TunnelR]")) d_.TunnelR = lineInt(valueLine());
        if (opens("[MaxSpeedCheck]")) d_.MaxSpeedCheck = lineInt(valueLine());
        if (opens("[KankoSound1]")) {
            for (auto& name : d_.KankoSound1) name = valueLine();
        }
        if (opens("[SignImageList]")) readSignImageList();
        if (opens("[SignalImageList]")) readSignalImageList();

        // Route lists.
        if (opens("[Station]")) {
            readList(d_.Station, kStationCapacity,
                     [&](const std::string& l) { return station(l); });
        }
        if (opens("[Signal]")) {
            readList(d_.Signal, kSignalCapacity, [&](const std::string& l) { return signal(l); });
        }
        if (opens("[Signal2]")) {
            readList(d_.Signal2, kSignalCapacity, [&](const std::string& l) { return signal2(l); });
        }
        if (opens("[Speed_Signal]")) {
            readList(d_.Speed_Signal, kSpeedSignalCapacity,
                     [&](const std::string& l) { return lineInt(l); });
        }
        if (opens("[Slope]")) {
            readList(d_.Slope, kSlopeCapacity, [&](const std::string& l) {
                Fields f(l);
                SlopeRecord s;
                s.Gradient = fixedField(l, f, 1);
                s.StartFrame = intField(l, f, 2);
                s.EndFrame = intField(l, f, 3);
                return s;
            });
        }
        if (opens("[SpeedLimit]")) {
            readList(d_.SpeedLimit, kSpeedLimitCapacity, [&](const std::string& l) {
                Fields f(l);
                SpeedLimitRecord s;
                s.Limit = intField(l, f, 1);
                s.SignPattern = intField(l, f, 2);
                s.TargetType = intField(l, f, 3);
                s.StartFrame = intField(l, f, 4);
                s.EndFrame = intField(l, f, 5);
                s.EndSignPattern = intField(l, f, 6);
                return s;
            });
        }
        if (opens("[SpeedCheck1]")) {
            readList(d_.SpeedCheck1, kSpeedCheckCapacity, [&](const std::string& l) {
                Fields f(l);
                SpeedCheck1Record c;
                c.DisplaySpeed = intField(l, f, 1);
                c.CheckSpeed = intField(l, f, 2);
                c.Frame = intField(l, f, 3);
                c.Signal = intField(l, f, 4);
                return c;
            });
        }
        auto windowCheck = [&](const std::string& l) {
            Fields f(l);
            WindowCheckRecord c;
            c.CheckSpeed = intField(l, f, 1);
            c.Ignored = intField(l, f, 2);
            c.FirstFrame = intField(l, f, 3);
            c.LastFrame = intField(l, f, 4);
            return c;
        };
        if (opens("[SpeedCheck2]")) readList(d_.SpeedCheck2, kSpeedCheckCapacity, windowCheck);
        if (opens("[SpeedCheck3]")) readList(d_.SpeedCheck3, kSpeedCheckCapacity, windowCheck);
        if (opens("[Pre_Train]")) readPreTrain();
        if (opens("[SpeedUnit]")) {
            readList(d_.SpeedUnit, kSpeedUnitCapacity, [&](const std::string& l) {
                Fields f(l);
                SpeedUnitSegment s;
                s.FirstFrame = intField(l, f, 1);
                s.LastFrame = intField(l, f, 2);
                s.FirstSpeed = realField(l, f, 3);
                s.LastSpeed = realField(l, f, 4);
                return s;
            });
        }
        if (opens("[Cross]")) {
            readList(d_.Cross, kCrossCapacity, [&](const std::string& l) {
                Fields f(l);
                CrossRecord c;
                c.Pattern = intField(l, f, 1);
                c.Kept = intField(l, f, 2);
                c.WarningFrame = intField(l, f, 3);
                c.Frame = intField(l, f, 4);
                c.Station = intField(l, f, 5);
                return c;
            });
        }
        if (opens("[Sign]")) {
            readList(d_.Sign, kSignCapacity, [&](const std::string& l) {
                Fields f(l);
                SignRecord s;
                s.Pattern = intField(l, f, 1);
                s.FirstFrame = intField(l, f, 2);
                s.LastFrame = intField(l, f, 3);
                s.ChangeOver = intField(l, f, 4);
                return s;
            });
        }
        if (opens("[Anim]")) {
            readList(d_.Anim, kAnimCapacity, [&](const std::string& l) {
                Fields f(l);
                AnimRecord a;
                a.FirstFrame = intField(l, f, 1);
                a.LastFrame = intField(l, f, 2);
                a.Hold = intField(l, f, 3);
                a.FirstPattern = intField(l, f, 4);
                return a;
            });
        }
        if (opens("[Time]")) {
            readList(d_.Time, kTimeCapacity, [&](const std::string& l) {
                Fields f(l);
                TimeRecord t;
                t.FirstFrame = intField(l, f, 1);
                t.LastFrame = intField(l, f, 2);
                t.Value = intField(l, f, 3);
                return t;
            });
        }
        if (opens("[Switch]")) {
            readList(d_.Switch, kSwitchCapacity, [&](const std::string& l) {
                Fields f(l);
                SwitchRecord s;
                s.Frame = intField(l, f, 1);
                s.Type = intField(l, f, 2);
                return s;
            });
        }
        if (opens("[MovieStop]")) {
            readList(d_.MovieStop, kMovieStopCapacity,
                     [&](const std::string& l) { return lineInt(l); });
        }
        if (opens("[MovieSwitch]")) {
            readList(d_.MovieSwitch, kMovieSwitchCapacity,
                     [&](const std::string& l) { return movieSwitch(l); });
        }
        if (opens("[TrafficSignal]")) {
            readList(d_.TrafficSignal, kTrafficSignalCapacity,
                     [&](const std::string& l) { return trafficSignal(l); });
        }

        // Sounds and calls.
        auto wholeLine = [](const std::string& l) { return l; };
        if (opens("[SoundData]")) readList(d_.SoundData, kSoundDataCapacity, wholeLine);
        if (opens("[Sound]")) {
            readList(
                d_.Sound, kSoundCapacity,
                [&](const std::string& l) {
                    Fields f(l);
                    SoundRecord s;
                    s.Sound = intField(l, f, 1);
                    s.TriggerFrame = intField(l, f, 2);
                    s.EndFrame = intField(l, f, 3);
                    s.ReferenceSpeed = intField(l, f, 4);
                    s.Loop = intField(l, f, 5);
                    s.Pitch = intField(l, f, 6);
                    s.Volume = intField(l, f, 7);
                    s.Mode = intField(l, f, 8);
                    s.Fade = intField(l, f, 9);
                    return s;
                },
                true);
        }
        if (opens("[Sound2]")) {
            readList(
                d_.Sound2, kSound2Capacity,
                [&](const std::string& l) {
                    Fields f(l);
                    Sound2Record s;
                    s.Sound = intField(l, f, 1);
                    s.FirstStation = intField(l, f, 2);
                    s.LastStation = intField(l, f, 3);
                    return s;
                },
                true);
        }
        if (opens("[Doppler]")) {
            readList(d_.Doppler, kDopplerCapacity, [&](const std::string& l) {
                Fields f(l);
                DopplerRecord s;
                s.Sound = intField(l, f, 1);
                s.SourceFrame = intField(l, f, 2);
                s.Radius = intField(l, f, 3);
                s.NoDoppler = intField(l, f, 4);
                s.Condition = intField(l, f, 5);
                return s;
            });
        }
        if (opens("[Tunnel]")) {
            readList(d_.Tunnel, kTunnelCapacity, [&](const std::string& l) {
                Fields f(l);
                TunnelRecord t;
                t.FirstFrame = intField(l, f, 1);
                t.LastFrame = intField(l, f, 2);
                t.Value = intField(l, f, 3);
                return t;
            });
        }
        if (opens("[Atten]")) {
            readList(d_.Atten, kAttenCapacity, [&](const std::string& l) {
                Fields f(l);
                AttenRecord a;
                a.FirstFrame = intField(l, f, 1);
                a.LastFrame = intField(l, f, 2);
                a.Kept = intField(l, f, 3);
                a.Attenuation = intField(l, f, 4);
                return a;
            });
        }
        if (opens("[StopSound]")) {
            readList(d_.StopSound, kStopSoundCapacity,
                     [&](const std::string& l) { return lineInt(l); });
        }
        if (opens("[Announce]")) readAnnounce();
        if (opens("[KankoSound2]")) readList(d_.KankoSound2, kKankoSound2Capacity, wholeLine);
        if (opens("[SignalKanko]")) {
            readList(d_.SignalKanko, kSignalKankoCapacity, [&](const std::string& l) {
                Fields f(l);
                SignalKankoRecord k;
                k.Signal = intField(l, f, 1);
                k.Kind = intField(l, f, 2);
                k.Value = intField(l, f, 3);
                k.Suppress = intField(l, f, 4);
                return k;
            });
        }
        if (opens("[StationKanko]")) {
            readList(d_.StationKanko, kStationKankoCapacity, [&](const std::string& l) {
                Fields f(l);
                StationKankoRecord k;
                k.Station = intField(l, f, 1);
                k.Kind = intField(l, f, 2);
                k.Value = intField(l, f, 3);
                return k;
            });
        }
        if (opens("[OtherKanko]")) readList(d_.OtherKanko, kOtherKankoCapacity, wholeLine);
        if (opens("[LimitKanko]")) readList(d_.LimitKanko, kLimitKankoCapacity, wholeLine);

        // Image lists.
        if (opens("[AnimImageList]")) readList(d_.AnimImageList, kAnimImageCapacity, wholeLine);
        if (opens("[TrafficSignalImageList]")) {
            readList(d_.TrafficSignalImageList, kTrafficSignalImageCapacity, wholeLine);
        }
    }
    section_ = kLineOtherSection;
}

void LineParser::readStafSwitch() {
    d_.StafSwitch.clear();
    d_.StafSwitch.push_back(lineInt(valueLine()));
    for (const std::string& line : reader_.list()) {
        int value = lineInt(line);
        if (static_cast<int>(d_.StafSwitch.size()) < kStafSwitchCapacity) {
            d_.StafSwitch.push_back(value);
        }
    }
}

void LineParser::readMonitor() {
    // The five image lines belong to the train named on the first line; for any other train
    // they are left to the main loop as ordinary lines.
    if (valueLine() != trainFileName_) return;
    MonitorImage m;
    m.Present = true;
    m.X = lineInt(valueLine());
    m.Y = lineInt(valueLine());
    m.PatternWidth = lineInt(valueLine());
    m.PatternHeight = lineInt(valueLine());
    m.File = valueLine();
    d_.Monitor = std::move(m);
}

void LineParser::readSignImageList() {
    for (SignImage& image : d_.SignImageList) {
        std::string line = valueLine();
        Fields f(line);
        image.File = std::string(f[1]);
        image.PatternSize = intField(line, f, 2);
    }
}

void LineParser::readSignalImageList() {
    SignalImages& s = d_.SignalImageList;
    std::string line = valueLine();
    Fields f(line);
    s.X = intField(line, f, 1);
    s.Y = intField(line, f, 2);
    s.Width = intField(line, f, 3);
    s.Height = intField(line, f, 4);
    s.File = std::string(f[5]);
    for (SubSignalImage& sub : s.Sub) {
        std::string subLine = valueLine();
        Fields g(subLine);
        sub.Width = intField(subLine, g, 1);
        sub.Height = intField(subLine, g, 2);
        sub.File = std::string(g[3]);
    }
}

void LineParser::readPreTrain() {
    PreTrain& p = d_.Pre_Train;
    p = PreTrain{};
    std::string header = valueLine();
    Fields h(header);
    p.StartFrame = intField(header, h, 1);
    p.ExitFrame = intField(header, h, 2);
    // The delays are drawn once, here, and accumulate from step to step.
    std::int64_t delay = 0;
    for (const std::string& line : reader_.list()) {
        Fields f(line);
        PreTrainStep s;
        s.Station = intField(line, f, 1);
        s.Speed = intField(line, f, 2);
        s.TimetableTime = intField(line, f, 3);
        s.DelayRange = intField(line, f, 4);
        if (static_cast<int>(p.Steps.size()) >= kPreTrainStepCapacity) continue;
        delay += random_.uniformInt(s.DelayRange);
        s.Delay = delay;
        s.DepartureTime = s.TimetableTime + delay;
        p.Steps.push_back(s);
    }
}

void LineParser::readAnnounce() {
    AnnounceList& a = d_.Announce;
    a = AnnounceList{};
    std::string header = valueLine();
    Fields h(header);
    a.HeaderValue = intField(header, h, 1);
    a.StopAnnounceSound = intField(header, h, 2);
    readList(a.Entries, kAnnounceCapacity, [&](const std::string& l) {
        Fields f(l);
        AnnounceRecord r;
        for (int n = 1; n <= 5; ++n) r.Values[static_cast<std::size_t>(n - 1)] = intField(l, f, n);
        return r;
    });
}

StationRecord LineParser::station(const std::string& l) const {
    Fields f(l);
    StationRecord s;
    s.Name = std::string(f[1]);
    s.Kind = intField(l, f, 2);
    s.StopFrame = intField(l, f, 3);
    s.ZoneHalfLength = intField(l, f, 4);
    s.ArrivalSound = intField(l, f, 5);
    s.DepartureSound = intField(l, f, 6);
    s.AmbientSound = intField(l, f, 7);
    s.DepartureTime = intField(l, f, 8);
    s.MaxSpeed = intField(l, f, 9);
    s.OverrunAllowance = intField(l, f, 10);
    s.DoorSide = intField(l, f, 11);
    s.Kept[0] = intField(l, f, 12);
    s.Kept[1] = intField(l, f, 13);
    s.Kept[2] = intField(l, f, 14);
    s.DoorSoundChance = intField(l, f, 15);
    s.PrecedingStopFrame = intField(l, f, 16);
    s.Kept17 = intField(l, f, 17);
    return s;
}

SignalRecord LineParser::signal(const std::string& l) const {
    Fields f(l);
    SignalRecord s;
    int* const targets[] = {&s.Control,
                            &s.SubPlatePattern,
                            &s.CallValue,
                            &s.HeadType,
                            &s.ViewFrame,
                            &s.Frame,
                            &s.CoilFrame,
                            &s.CheckFrame,
                            &s.FixedAspect,
                            &s.ClockTime,
                            &s.OverrideAspect,
                            &s.ReleaseStation,
                            &s.X,
                            &s.Y,
                            &s.LeftPattern,
                            &s.LeftX,
                            &s.LeftY,
                            &s.RightPattern,
                            &s.RightX,
                            &s.RightY,
                            &s.SubPlateX,
                            &s.SubPlateY,
                            &s.ExtraPattern,
                            &s.LeftStopPattern,
                            &s.RightStopPattern};
    int n = 1;
    for (int* target : targets) *target = intField(l, f, n++);
    return s;
}

Signal2Record LineParser::signal2(const std::string& l) const {
    Signal2Record s;
    std::size_t pos = 0;
    for (int& digit : s.Digits) {
        // Each of the first ten characters is one decimal digit; a short line is an error.
        std::string_view ch;
        if (pos < l.size()) {
            std::size_t length =
                std::min(utf8SequenceLength(static_cast<unsigned char>(l[pos])), l.size() - pos);
            ch = std::string_view(l).substr(pos, length);
            pos += length;
        }
        if (ch.size() != 1 || ch[0] < '0' || ch[0] > '9') fail(l, notAnIntegerText(ch));
        digit = ch[0] - '0';
    }
    return s;
}

TrafficSignalRecord LineParser::trafficSignal(const std::string& l) const {
    Fields f(l);
    TrafficSignalRecord t;
    t.Field1 = intField(l, f, 1);
    t.FirstFrame = intField(l, f, 2);
    t.LastFrame = intField(l, f, 3);
    int n = 4;
    for (TrafficPhase& phase : t.Phase) {
        phase.Pattern = intField(l, f, n++);
        phase.Length = intField(l, f, n++);
        phase.Flag = intField(l, f, n++);
    }
    t.SecondLight = intField(l, f, 22);
    t.Field23 = intField(l, f, 23);
    t.SecondPattern = intField(l, f, 24);
    t.Field25 = intField(l, f, 25);
    t.Field26 = intField(l, f, 26);
    return t;
}

MovieSwitchRecord LineParser::movieSwitch(const std::string& l) const {
    Fields f(l);
    MovieSwitchRecord m;
    m.Kind = intField(l, f, 1);
    m.FirstFrame = intField(l, f, 2);
    m.LastFrame = intField(l, f, 3);
    m.Clip = std::string(f[4]);
    m.ClipLength = intField(l, f, 5);
    m.Station = intField(l, f, 6);
    m.StartTime = intField(l, f, 7);
    m.SoundFrame = intField(l, f, 8);
    m.Sound = intField(l, f, 9);
    return m;
}

}  // namespace

void DeriveLineData(LineData& d) {
    std::int64_t end = 0;
    for (SpeedUnitSegment& s : d.SpeedUnit) {
        end = saturatingAdd(end, speedUnitSegmentLength(s, d.VideoFps));
        s.EndDistance = end;
    }

    for (StationRecord& s : d.Station) {
        s.StopDistance = d.FrameToDistance(s.StopFrame);
        s.ZoneStart = saturatingAdd(s.StopDistance, -static_cast<std::int64_t>(s.ZoneHalfLength));
        s.ZoneEnd = saturatingAdd(s.StopDistance, s.ZoneHalfLength);
    }
    for (SpeedLimitRecord& s : d.SpeedLimit) s.StartDistance = d.FrameToDistance(s.StartFrame);
    for (SpeedCheck1Record& c : d.SpeedCheck1) c.CheckDistance = d.FrameToDistance(c.Frame);
    for (WindowCheckRecord& c : d.SpeedCheck2) c.CheckDistance = d.FrameToDistance(c.FirstFrame);
    for (WindowCheckRecord& c : d.SpeedCheck3) c.CheckDistance = d.FrameToDistance(c.FirstFrame);
    for (TunnelRecord& t : d.Tunnel) {
        t.FirstDistance = d.FrameToDistance(t.FirstFrame);
        t.LastDistance = d.FrameToDistance(t.LastFrame);
    }
    for (DopplerRecord& s : d.Doppler) s.SourceDistance = d.FrameToDistance(s.SourceFrame);

    // Pattern targets: stop signals, then limits, then station stops, each in file order.
    std::vector<PatternTarget>& targets = d.PatternTargets;
    targets.clear();
    targets.reserve(d.Signal.size() + d.SpeedLimit.size() + d.Station.size());
    for (std::size_t i = 0; i < d.Signal.size(); ++i) {
        PatternTarget t;
        t.Distance = d.FrameToDistance(d.Signal[i].Frame);
        t.Speed = 10;
        t.Signal = static_cast<int>(i);
        t.Type = 2;
        targets.push_back(t);
    }
    for (const SpeedLimitRecord& s : d.SpeedLimit) {
        PatternTarget t;
        t.Distance = s.StartDistance;
        t.Speed = s.Limit;
        t.Type = s.TargetType;
        targets.push_back(t);
    }
    for (std::size_t i = 0; i < d.Station.size(); ++i) {
        const StationRecord& s = d.Station[i];
        if (s.Kind != 0 || s.OverrunAllowance < 1) continue;
        PatternTarget t;
        t.Distance = saturatingAdd(s.StopDistance, std::int64_t{s.OverrunAllowance} * 100);
        t.Speed = 0;
        t.Station = static_cast<int>(i);
        t.Type = 3;
        targets.push_back(t);
    }
    // Ascending distance; targets at the same distance keep the order above (a stable sort:
    // two targets change places only when the later one is nearer).
    std::stable_sort(
        targets.begin(), targets.end(),
        [](const PatternTarget& a, const PatternTarget& b) { return a.Distance < b.Distance; });
}

LineData ParseLineLines(std::vector<std::string> lines, const std::string& trainFileName,
                        int videoFps, RandomSource& random) {
    LineData d;
    d.VideoFps = videoFps;
    LineParser(std::move(lines), trainFileName, random, d).run();
    if (d.Signal.size() != d.Signal2.size()) {
        throw FatalError(std::string(kSignalCountMismatch) + std::to_string(d.Signal.size()) + ":" +
                         std::to_string(d.Signal2.size()));
    }
    DeriveLineData(d);
    return d;
}

LineData LoadLineFile(const std::filesystem::path& folder, std::string_view name,
                      const std::string& trainFileName, int videoFps, RandomSource& random) {
    const std::filesystem::path path = resolveDataPath(folder, name);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        throw FatalError(path.string() + kFileNotFound);
    }
    auto lines = readTextLines(path);
    if (!lines) {
        throw FatalError(std::string(kLineFileError) + kLineOtherSection + ":\n" + path.string() +
                         "を読み込めません");
    }
    return ParseLineLines(std::move(*lines), trainFileName, videoFps, random);
}

}  // namespace tressmoor::data
