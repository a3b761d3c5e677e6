#include "data/settings_file.h"

#include <string>

#include "data/fatal_error.h"
#include "data/fields.h"
#include "data/line_reader.h"
#include "data/path_resolver.h"
#include "data/text_file.h"

namespace tressmoor::data {

const std::string& AppSettings::infoLabel(int i) const {
    static const std::string kEmpty;
    if (i < 1 || i > static_cast<int>(InfoLabel.size())) return kEmpty;
    return InfoLabel[static_cast<std::size_t>(i - 1)];
}

const std::string& ControllerMap::serialCode(int k) const {
    static const std::string kEmpty;
    if (k < 1 || k > static_cast<int>(SerialCodes.size())) return kEmpty;
    return SerialCodes[static_cast<std::size_t>(k - 1)];
}

namespace {

// A value line; a line missing at the end of the file reads as "".
std::string textValue(LineReader& r) { return r.value().value_or(std::string()); }

int dispInt(const std::string& field) {
    auto v = parseInt(field);
    if (!v) throw FatalError(kSettingsFileError);
    return *v;
}

}  // namespace

void ParseSettingsLines(std::vector<std::string> lines, AppSettings& s) {
    LineReader r(std::move(lines));
    while (r.next()) {
        if (r.opens("[Disp]")) {
            std::string line1 = textValue(r);
            s.VideoFps = dispInt(FieldOf(line1, 1));
            s.LengthFactor = dispInt(FieldOf(line1, 2));
            s.StafLeft = dispInt(FieldOf(textValue(r), 1));
            s.ViewWidth = dispInt(FieldOf(textValue(r), 1));
            s.ViewHeight = dispInt(FieldOf(textValue(r), 1));
            s.DispUnused = dispInt(FieldOf(textValue(r), 1));
        }
        if (r.opens("[Path]")) s.VideoFolder = textValue(r);
        if (r.opens("[Forward]")) s.Forward = textValue(r);
        if (r.opens("[Neutral]")) s.Neutral = textValue(r);
        if (r.opens("[Reverse]")) s.Reverse = textValue(r);
        if (r.opens("[Stop]")) s.Stop = textValue(r);
        if (r.opens("[Pass]")) s.Pass = textValue(r);
        if (r.opens("[Stop2]")) s.Stop2 = textValue(r);
        if (r.opens("[Neut]")) s.Neut = textValue(r);
        if (r.opens("[Neut2]")) s.Neut2 = textValue(r);
        if (r.opens("[Apply]")) s.Apply = textValue(r);
        if (r.opens("[Maintain]")) s.Maintain = textValue(r);
        if (r.opens("[Remove]")) s.Remove = textValue(r);
        if (r.opens("[Hold]")) s.Hold = textValue(r);
        if (r.opens("[Hold2]")) s.Hold2 = textValue(r);
        if (r.opens("[EB]")) s.EB = textValue(r);
        if (r.opens("[Const]")) s.Const = textValue(r);
        if (r.opens("[Cars]")) s.Cars = textValue(r);
        if (r.opens("[TC]")) s.TC = textValue(r);
        if (r.opens("[Stops]")) {
            s.Stops[0] = textValue(r);
            s.Stops[1] = textValue(r);
        }
        if (r.opens("[Doors]")) {
            s.Doors[0] = textValue(r);
            s.Doors[1] = textValue(r);
        }
        if (r.opens("[Gears]")) {
            for (auto& g : s.Gears) g = textValue(r);
        }
        if (r.opens("[InfoLabel]")) s.InfoLabel = r.list();
        if (r.opens("[Start]")) s.StartCaption = textValue(r);
        if (r.opens("[Move]")) s.MoveCaption = textValue(r);
        if (r.opens("[Display]")) s.DisplayCaption = textValue(r);
        if (r.opens("[Control]")) s.ControlCaption = textValue(r);
        if (r.opens("[Save]")) s.SaveCaption = textValue(r);
    }
}

void ReadSettingsFile(const std::filesystem::path& folder, AppSettings& settings) {
    auto lines = readTextLines(resolveDataPath(folder, kSettingsFileName));
    if (!lines) throw FatalError(kSettingsFileError);
    ParseSettingsLines(std::move(*lines), settings);
}

std::vector<std::string> ParseControllerMapLines(const std::vector<std::string>& lines) {
    std::vector<std::string> codes;
    for (const auto& line : lines) {
        if (!line.empty() && line.front() == '#') break;
        codes.push_back(line);
    }
    return codes;
}

bool ReadControllerMap(const std::filesystem::path& folder, ControllerMap& map) {
    auto lines = readTextLines(resolveDataPath(folder, kControllerMapName));
    if (!lines) return false;
    map.SerialCodes = ParseControllerMapLines(*lines);
    return true;
}

namespace {
constexpr const char* kCalibrationNames[] = {"P0", "P1", "P2", "P3", "P4", "P5", "B0", "B1",
                                             "B2", "B3", "B4", "B5", "B6", "B7", "B8", "EB"};
}  // namespace

void ReadControllerCalibration(SettingsStore& store, ControllerMap& map) {
    map.P.fill(0);
    map.B.fill(0);
    map.EB = 0;
    std::vector<int*> targets;
    for (auto& p : map.P) targets.push_back(&p);
    for (auto& b : map.B) targets.push_back(&b);
    targets.push_back(&map.EB);
    const auto& kNames = kCalibrationNames;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        auto v = store.readInt(kCalibrationStore, kNames[i]);
        if (!v) return;
        *targets[i] = *v;
    }
}

std::optional<CalibrationValues> ParseCalibrationList(std::string_view text) {
    CalibrationValues values{};
    std::size_t count = 0;
    while (true) {
        const std::size_t comma = text.find(',');
        if (count == values.size()) return std::nullopt;
        const auto v = parseInt(text.substr(0, comma));
        if (!v) return std::nullopt;
        values[count++] = *v;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    if (count != values.size()) return std::nullopt;
    return values;
}

bool WriteControllerCalibration(SettingsStore& store, const CalibrationValues& values) {
    bool written = true;
    for (std::size_t i = 0; i < values.size(); ++i) {
        written &= store.writeInt(kCalibrationStore, kCalibrationNames[i], values[i]);
    }
    return written;
}

UserOptions ReadUserOptions(SettingsStore& store) {
    UserOptions o;
    auto kanko = store.readInt(kOptionsStore, "Kanko");
    auto information = store.readInt(kOptionsStore, "Information");
    auto ats = store.readInt(kOptionsStore, "ATS");
    auto tunnel = store.readInt(kOptionsStore, "Tunnel");
    auto moji = store.readInt(kOptionsStore, "Moji");
    if (!kanko || !information || !ats || !tunnel || !moji) return UserOptions{};
    o.Kanko = *kanko;
    o.Information = *information;
    o.ATS = *ats;
    o.Tunnel = *tunnel;
    o.Moji = *moji;
    return o;
}

void WriteUserOptions(SettingsStore& store, const UserOptions& o) {
    store.writeInt(kOptionsStore, "Kanko", o.Kanko);
    store.writeInt(kOptionsStore, "Information", o.Information);
    store.writeInt(kOptionsStore, "ATS", o.ATS);
    store.writeInt(kOptionsStore, "Tunnel", o.Tunnel);
    store.writeInt(kOptionsStore, "Moji", o.Moji);
}

}  // namespace tressmoor::data
