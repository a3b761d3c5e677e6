// Status texts of the driving window and the rows of the value display window.
#include "sim/status_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "data/rounding.h"
#include "route/safety_state.h"
#include "sim/sim_state.h"

namespace tressmoor::sim {

namespace {

/// Appends the decimal digits of `n`.
void appendInt(std::string& out, std::int64_t n) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, n);
    out.append(digits, r.ptr);
}

/// Metres of a distance in cm, rounded to whole metres.
std::int64_t metres(std::int64_t cm) {
    return data::roundTiesEven(static_cast<long double>(cm) / 100);
}

void compose(std::string& out, std::string_view a) {
    out.assign(a);
}

/// "最高" + km/h + " km/h", rebuilt from the route's "最高" + km/h text.
void composeSectionMax(std::string& out, const std::string& routeText) {
    if (routeText.empty()) {
        out.clear();
        return;
    }
    out.assign(routeText);
    out.append(" km/h");
}

/// Door text: only one-man trains whose line asks for the door-side line show it.
void composeDoorText(const StatusContext& c, const SimState& s, std::string& out) {
    const auto& oneMan = c.line.OneMan;
    if (oneMan.Mode > 0 && oneMan.ShowInfo == 1) {
        out.assign(s.stations.DoorText);
    } else {
        out.clear();
    }
}

/// Boarding text: the station-complete text; a one-man train without it shows the traffic-signal
/// change text once the signal in view has changed phase, until it goes out of view.
void composeBoardingText(const StatusContext& c, SimState& s) {
    auto& t = s.Texts;
    const auto& r = s.route;
    if (r.TrafficInView < 0) {
        t.TrafficChangeSeen = false;
    } else if (r.TrafficChanged) {
        t.TrafficChangeSeen = true;
    }
    const std::string& complete = s.stations.BoardingText;
    if (c.line.OneMan.Mode > 0 && complete.empty() && t.TrafficChangeSeen) {
        t.BoardingText.assign(c.settings.TC);
    } else {
        t.BoardingText.assign(complete);
    }
}

void composeNames(const StatusContext& c, SimState& s) {
    auto& t = s.Texts;
    const int i = s.stations.CurrentStation;
    if (i >= 0 && i < static_cast<int>(c.line.Station.size())) {
        t.CurrentStation.assign(c.line.Station[static_cast<std::size_t>(i)].Name);
    } else {
        t.CurrentStation.clear();
    }
    t.NextStation.assign(s.stations.NextStationTexts[0]);
}

void composeCaption(const StatusContext& c, StatusTexts& t) {
    if (t.Caption == kDefaultCaption && !c.line.LineName.empty()) t.Caption = c.line.LineName;
}

void refreshLabels(StatusTexts& t) {
    auto& l = t.Labels;
    l[0] = t.Reverser;
    l[1] = t.Power;
    l[2] = t.Brake;
    l[3] = t.Gear;
    l[4] = t.StationLine;
    l[6] = t.DoorText;
    l[7] = t.Clock;
    l[8] = t.CrossingText;
    l[9] = t.BoardingText;
    l[10] = t.Information;
    l[11] = t.Speed;
    l[12] = t.Remaining;
    l[13] = t.CurrentStation;
    l[14] = t.NextStation;
    l[15] = t.SectionMax;
}

}  // namespace

std::array<std::string, kLabelSlots> StatusTexts::designCaptions() {
    std::array<std::string, kLabelSlots> captions;
    for (const auto& l : kStatusLabels) captions[static_cast<std::size_t>(l.slot)] = l.caption;
    return captions;
}

std::string_view explanationText(std::string_view command) {
    if (command.empty() || command.front() != '0') return {};
    return command.substr(1);
}

void formatFixed(std::string& out, long double value, int width, int decimals) {
    out.clear();
    if (!std::isfinite(value)) value = 0;
    long double scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const std::int64_t scaled = data::roundHalfAway(value * scale);
    const std::uint64_t magnitude = scaled < 0 ? static_cast<std::uint64_t>(-(scaled + 1)) + 1
                                               : static_cast<std::uint64_t>(scaled);
    const auto unit = static_cast<std::uint64_t>(scale);
    char digits[48];
    char* p = digits;
    if (scaled < 0) *p++ = '-';
    p = std::to_chars(p, digits + sizeof digits, magnitude / unit).ptr;
    if (decimals > 0) {
        *p++ = '.';
        std::uint64_t frac = magnitude % unit;
        char fracDigits[24];
        for (int i = decimals - 1; i >= 0; --i) {
            fracDigits[i] = static_cast<char>('0' + frac % 10);
            frac /= 10;
        }
        for (int i = 0; i < decimals; ++i) *p++ = fracDigits[i];
    }
    const auto length = static_cast<int>(p - digits);
    if (length < width) out.append(static_cast<std::size_t>(width - length), ' ');
    out.append(digits, p);
}

void formatSpeed(std::string& out, long double kmh) {
    formatFixed(out, kmh, 5, 1);
    out.append(" km/h");
}

void formatRemaining(std::string& out, long double cm) {
    if (!std::isfinite(cm)) cm = 0;
    const long double d = std::fabs(cm);
    const int decimals = d > 1000 ? 0 : (d <= 500 ? 2 : 1);
    formatFixed(out, cm / 100, 5, decimals);
    out.append(" m");
}

void composeInformation(const StatusContext& c, const SimState& s, std::string& info,
                        std::string& info2) {
    info.clear();
    info2.clear();
    const auto& safety = s.safety;
    const auto& settings = c.settings;
    const long double v = s.vehicle.Speed;
    const long double position = s.route.LineDistance;
    const bool pending = safety.TargetIndex != route::kNoTarget;
    const bool ahead = pending && safety.TargetDistance > position;

    // The stop pattern of a station (its target speed is 0; a speed of 1 reads the same).
    if (ahead && safety.TargetSpeed <= 1 && safety.TargetSpeed >= 0 && v > 1) {
        info.assign(settings.infoLabel(3));
        return;
    }
    // The stop pattern of a signal at stop.
    const auto& speeds = c.line.Speed_Signal;
    const int fifth = speeds.size() >= 5 ? speeds[4] : 0;
    if (ahead && safety.TargetSpeed == route::kSignalTargetSpeed && v > fifth - 30 && v > 10) {
        appendInt(info, route::kSignalTargetSpeed);
        info.append("km/h ");
        info.append(settings.infoLabel(4));
        appendInt(info, data::roundTiesEven((safety.TargetDistance - position - 1000) / 100));
        info.append("m");
        return;
    }
    const auto& boards = s.route.Boards;
    const auto filled = [&](int b) { return boards[static_cast<std::size_t>(b)].state == 0; };
    const auto board = [&](int b) -> const route::ApproachBoard& {
        return boards[static_cast<std::size_t>(b)];
    };
    // The next point check, then the next speed limit, each with the one after it.
    if (filled(route::kBoardCheck1)) {
        appendInt(info, board(route::kBoardCheck1).speed);
        info.append("km/h ");
        info.append(settings.infoLabel(5));
        appendInt(info, metres(board(route::kBoardCheck1).toRun));
        info.append("m");
        if (filled(route::kBoardCheck2)) {
            info2.assign(settings.infoLabel(6));
            appendInt(info2, board(route::kBoardCheck2).speed);
            info2.append("km/h ");
            info2.append(settings.infoLabel(8));
            info2.append(")");
        }
        return;
    }
    if (filled(route::kBoardA)) {
        appendInt(info, board(route::kBoardA).speed);
        info.append("km/h 照査まで");
        appendInt(info, metres(board(route::kBoardA).toRun));
        info.append("m");
        if (filled(route::kBoardB)) {
            info2.assign(settings.infoLabel(7));
            appendInt(info2, board(route::kBoardB).speed);
            info2.append("km/h ");
            info2.append(settings.infoLabel(8));
            info2.append(")");
        }
    }
}

void UpdateStatusTexts(const StatusContext& c, SimState& s) {
    auto& t = s.Texts;
    const auto& d = s.vehicle.Display;
    compose(t.Reverser, d.reverserLabel);
    compose(t.Power, d.powerLabel);
    compose(t.Brake, d.brakeLabel);
    compose(t.Gear, d.modeLabel);
    composeSectionMax(t.SectionMax, s.route.SectionMaxText);
    formatSpeed(t.Speed, s.vehicle.Speed);
    formatRemaining(t.Remaining, s.stations.RemainingDistance);
    compose(t.Clock, s.stations.ClockText);
    compose(t.StationLine, s.stations.StatusText);
    composeDoorText(c, s, t.DoorText);
    composeBoardingText(c, s);
    compose(t.CrossingText, s.route.DistanceText);
    composeInformation(c, s, t.Information, t.Information2);
    composeNames(c, s);
    composeCaption(c, t);

    t.ExplanationText.assign(explanationText(s.Explanation));
    t.ExplanationShown = c.options.Information != 1 && !t.ExplanationText.empty();

    t.LabelsVisible = labelsVisible(c.options);
    if (t.LabelsVisible) refreshLabels(t);
}

// ---------------------------------------------------------------------------------------------
// Value display.

namespace {

std::string printf1(const char* format, double a) {
    char text[64];
    std::snprintf(text, sizeof text, format, a);
    return text;
}

std::string kPa(double value) {
    return printf1("%.1f", value) + " kPa";
}

int playingIn(const sound::Mixer& m, int first, int count) {
    int n = 0;
    for (int ch = first; ch < first + count; ++ch) {
        if (ch >= 0 && ch < sound::kChannelCount && m.Status(ch) != sound::ChannelStatus::Idle) ++n;
    }
    return n;
}

}  // namespace

std::vector<ValueRow> valueDisplayRows(const ValueDisplayContext& c, const SimState& s) {
    const auto& v = s.vehicle;
    const auto& r = s.route;
    std::vector<ValueRow> rows;
    rows.reserve(24);
    rows.push_back({"速度", printf1("%.2f", static_cast<double>(v.Speed)) + " km/h"});
    rows.push_back({"車両", printf1("%.1fk", v.DriveForce.toDouble() / 1000) + " " +
                                printf1("%.1fk", v.BrakeForce.toDouble() / 1000)});
    rows.push_back({"SAP ", kPa(v.SapPressure.toDouble())});
    rows.push_back({"ER ", kPa(v.EqualisingReservoir.toDouble())});
    rows.push_back({"MR ", kPa(v.MainReservoir.toDouble())});
    rows.push_back({"BP", kPa(static_cast<double>(v.BrakePipe))});
    rows.push_back({"AR", kPa(static_cast<double>(v.FeedPressure))});
    rows.push_back({"BC圧(T車)", kPa(v.CylinderT.toDouble())});
    rows.push_back({"BC圧(M車)", kPa(v.CylinderM.toDouble())});
    rows.push_back({"電流", std::to_string(v.AmMeter) + "A"});
    rows.push_back({"加速度", printf1("%.2f", static_cast<double>(v.NetAccel)) + " km/h/s"});
    rows.push_back(
        {"目標減速度", printf1("%.2f", static_cast<double>(s.FrameStartAccel)) + " km/h/s"});
    rows.push_back({"抵抗", printf1("%.0f", v.Resistance.toDouble()) + " N"});
    rows.push_back({"勾配", printf1("%.1f", r.EffectiveGradient.toDouble()) + " Permil"});
    rows.push_back(
        {"残距離", printf1("%.0f", static_cast<double>(s.stations.RemainingDistance)) + " cm"});
    rows.push_back({"走行距離", printf1("%.1f", static_cast<double>(r.LineDistance) / 100) + " m"});
    rows.push_back({"先行列車", r.Pre.StatusLine});
    rows.push_back({"signal_now", "Signal now:" + std::to_string(r.CurrentSignal) +
                                      " now2:" + std::to_string(r.CurrentDisplayFrame) +
                                      " lim_now:" + std::to_string(r.CurrentLimit)});
    // Playing channels of the drive, ambient and engine blocks.
    const auto& snd = c.sounds;
    const int drive = playingIn(c.mixer, 0, snd.nDrive());
    const int ambient = playingIn(c.mixer, snd.ambientChannel(0), snd.nAmbient());
    const int engine = playingIn(c.mixer, snd.engineAChannel(0), snd.nEngineA() + snd.nEngineB());
    rows.push_back({"Sound", "Sound D:" + std::to_string(drive) + " L:" + std::to_string(ambient) +
                                 " M:" + std::to_string(engine) + " K:1"});
    rows.push_back(
        {"ノッチ状態", "P " + std::to_string(v.Power) + " B " + std::to_string(v.BrakeCommand)});
    rows.push_back({"ギア", "Gn " + std::to_string(v.Gear) + " Gp " + std::to_string(v.GearLever)});
    std::string eb;
    if (c.spec.Brake > 0 && v.BrakeCommand == -c.spec.Brake) {
        eb = "EB";
    } else if (c.spec.Brake > 1 && v.BrakeCommand == -(c.spec.Brake - 1)) {
        eb = "MAX";
    }
    rows.push_back({"非常", std::move(eb)});
    // The line gives no passenger counts: the train runs empty.
    rows.push_back({"乗車率", "0% " + printf1("%.1f", s.load.M.toDouble()) + "t"});
    rows.push_back({"摩擦", printf1("%.2f", v.Adhesion.toDouble())});
    rows.push_back({"FPS", std::to_string(c.fps)});
    return rows;
}

std::string signalGridText(const data::LineData& line, const SimState& s, int i) {
    if (i < 0 || i >= static_cast<int>(line.Signal.size())) return "-";
    for (const auto& check : line.SpeedCheck1) {
        if (check.Signal != 0 && check.Signal == i) {
            return (check.Made ? std::string("○") : std::string("●")) +
                   std::to_string(check.CheckSpeed);
        }
    }
    if (line.Signal[static_cast<std::size_t>(i)].HeadType == 0) return "-";
    static constexpr std::array<const char*, 5> kNames = {"R", "YY", "Y", "YG", "G"};
    const auto& aspects = s.route.Aspect;
    if (i >= static_cast<int>(aspects.size())) return "-";
    const int a = aspects[static_cast<std::size_t>(i)];
    if (a < 0 || a >= static_cast<int>(kNames.size())) return "-";
    return kNames[static_cast<std::size_t>(a)];
}

ChannelCell channelCell(const sound::Mixer& mixer, int channel) {
    ChannelCell cell;
    if (channel < 0 || channel >= sound::kChannelCount) return cell;
    cell.hasWave = mixer.hasWave(channel);
    cell.playing = cell.hasWave && mixer.Status(channel) != sound::ChannelStatus::Idle;
    cell.volume = mixer.volume(channel);
    return cell;
}

}  // namespace tressmoor::sim
