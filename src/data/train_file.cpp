#include "data/train_file.h"

#include <cstddef>
#include <optional>
#include <utility>

#include "data/fatal_error.h"
#include "data/fields.h"
#include "data/line_reader.h"
#include "data/path_resolver.h"
#include "data/text_file.h"

namespace tressmoor::data {

namespace {

// Labels of the cab panel groups, shown after kTrainFileError.
constexpr const char* kClockLabel = "- アナログ時計";
constexpr const char* kPanelLabel = "- 運転台パネル";
constexpr const char* kPanel2Label = "- 運転台パネル2";
constexpr const char* kPanel3Label = "- 運転台パネル3";

bool beginsWithSemicolon(const std::string& line) {
    return !line.empty() && line.front() == ';';
}

// One pass over the file: every line is tested against every key in a fixed order; a section's
// value lines are read on a match and the remaining tests are made against the last line read.
class TrainReader {
public:
    explicit TrainReader(std::vector<std::string> lines) : r_(std::move(lines)) {}

    TrainFile read() {
        while (r_.next()) {
            label_ = kTrainBasicLabel;
            vehicleKeys();
            soundKeys();
            listKeys();
            panelKeys();
        }
        return std::move(out_);
    }

private:
    LineReader r_;
    const char* label_ = kTrainBasicLabel;
    TrainFile out_;
    TrainSpec& t_ = out_.spec;
    PanelLayout& p_ = out_.panel;

    [[noreturn]] void fail() const { throw FatalError(std::string(kTrainFileError) + label_); }

    bool opens(const char* key) const { return r_.opens(key); }
    // Sets the label, then tests the key.
    bool opens(const char* key, const char* label) {
        label_ = label;
        return r_.opens(key);
    }

    // ---- value lines ----
    std::string text() {
        auto v = r_.value();
        if (!v) fail();
        return std::move(*v);
    }
    int toInt(std::string_view s) const {
        auto v = parseInt(s);
        if (!v) fail();
        return *v;
    }
    long double toReal(std::string_view s) const {
        auto v = parseReal(s);
        if (!v) fail();
        return *v;
    }
    fixed4 toFixed(std::string_view s) const {
        auto v = fixed4::parse(s);
        if (!v) fail();
        return *v;
    }
    int intLine() { return toInt(text()); }
    long double realLine() { return toReal(text()); }
    fixed4 fixedLine() { return toFixed(text()); }
    // An integer line; a line beginning with ";" stands for 0.
    int intOrSemicolon() {
        std::string s = text();
        return beginsWithSemicolon(s) ? 0 : toInt(s);
    }
    void readLine(int& v) { v = intLine(); }
    void readLine(long double& v) { v = realLine(); }
    void readLine(fixed4& v) { v = fixedLine(); }
    template <typename E, typename P>
    void loadPair(LoadDependent<E, P>& v) {
        readLine(v.empty);
        readLine(v.perPassenger);
    }
    // A count that sizes other sections; 0 … `max`.
    int countLine(int max) {
        int n = intLine();
        if (n < 0 || n > max) fail();
        return n;
    }

    // ---- lists ----
    // The rows of a list section, `per` lines to a row. A list ends at a "#" line or at the end
    // of the file; a row cut short by either is a missing value.
    std::vector<std::string> rows(std::size_t per, std::size_t maxRows) {
        auto lines = r_.list();
        if (lines.size() % per != 0) fail();
        if (lines.size() / per > maxRows) fail();
        return lines;
    }

    void vehicleKeys();
    void soundKeys();
    void listKeys();
    void panelKeys();

    void lamp(const char* key, const char* label, Lamp& l) {
        if (!opens(key, label)) return;
        l.file = text();
        l.x = intLine();
        l.y = intLine();
    }
    void meter(const char* key, const char* label, Meter& m) {
        if (!opens(key, label)) return;
        meterValues(m);
    }
    void meterValues(Meter& m) {
        m.file = text();
        m.x = intLine();
        m.y = intLine();
        m.width = intLine();
        m.height = intLine();
        m.zero = intLine();
        m.scale = realLine();
    }
    void linear(const char* key, const char* label, LinearMeter& m) {
        if (!opens(key, label)) return;
        m.file = text();
        m.x = intLine();
        m.y = intLine();
        m.scale = realLine();
    }
    void stripValues(ImageStrip& s) {
        s.x = intLine();
        s.y = intLine();
        s.patternWidth = intLine();
        s.patternHeight = intLine();
        s.file = text();
    }
    void strip(const char* key, ImageStrip& s) {
        if (!opens(key, key)) return;
        stripValues(s);
    }
};

void TrainReader::vehicleKeys() {
    TrainSpec& t = t_;
    if (opens("[Handle]")) t.Handle = intLine();
    if (opens("[BrakeType]")) t.BrakeType = intLine();
    if (opens("[BrakeType2]")) t.BrakeType2 = intLine();
    if (opens("[Brake]")) t.Brake = countLine(kMaxBrakePositions);
    if (opens("[Power]")) t.Power = countLine(kMaxNotches);
    if (opens("[NotchBack]")) t.NotchBack = intLine();
    if (opens("[Hold]")) t.Hold = intLine();
    if (opens("[Pull]")) t.Pull = intLine();
    if (opens("[Const]")) {
        t.Const.available = intLine();
        t.Const.minSpeed = intLine();
    }
    if (opens("[Back]")) t.Back = intLine();
    if (opens("[InterLock]")) t.InterLock = intLine();
    if (opens("[AirBrakeRate]")) {
        t.AirBrakeRate.rate = fixedLine();
        t.AirBrakeRate.refSpeed = fixedLine();
    }
    if (opens("[PlannedBrakeRate]")) {
        t.PlannedBrakeRate.clear();
        for (int i = 0; i < t.Brake; ++i) t.PlannedBrakeRate.push_back(fixedLine());
    }
    if (opens("[BrakeRate2]")) t.BrakeRate2 = fixedLine().toReal();
    if (opens("[PowerDelay]")) t.PowerDelay = intLine();
    if (opens("[BrakeDelay]")) t.BrakeDelay = intLine();
    if (opens("[EBrakeDelay]")) t.EBrakeDelay = intLine();
    if (opens("[PowerJerk]")) t.PowerJerk = intLine();
    if (opens("[SAPDelay]")) t.SAPDelay = intLine();
    if (opens("[BrakeUp]")) t.BrakeUp = intLine();
    if (opens("[BrakeDown]")) t.BrakeDown = intLine();
    if (opens("[SAPUp]")) t.SAPUp = intLine();
    if (opens("[SAPDown]")) t.SAPDown = intLine();
    if (opens("[AmMeter]")) {
        t.AmMeter.mode = intLine();
        t.AmMeter.scale = intLine();
    }
    if (opens("[EBrakeUp]")) t.EBrakeUp = intLine();
    if (opens("[EBrakeDown]")) t.EBrakeDown = intLine();
    if (opens("[MaxBrakeCurr]")) t.MaxBrakeCurr = intLine();
    if (opens("[EBrakeForce]")) {
        std::string s = text();
        t.EBrakeForce = beginsWithSemicolon(s) ? 0 : toReal(s);
    }
    if (opens("[BPReturn]")) t.BPReturn = intLine();
    if (opens("[MAXPress]")) loadPair(t.MAXPress);
    if (opens("[EBPress]")) loadPair(t.EBPress);
    if (opens("[SAPPress]")) loadPair(t.SAPPress);
    if (opens("[HighAirPress]")) t.HighAirPress = intLine();
    if (opens("[LowAirPress]")) t.LowAirPress = intLine();
    if (opens("[Engine_Type]")) t.Engine_Type = intLine();
    if (opens("[DoorLock]")) t.DoorLock = intLine();
    if (opens("[Power_Type]")) t.Power_Type = intLine();
    if (opens("[Brake_Type]")) t.Brake_Type = intLine();
    if (opens("[DoorType]")) t.DoorType = intLine();
    if (opens("[Tons]")) loadPair(t.Tons);
    if (opens("[Mt]")) loadPair(t.Mt);
    if (opens("[Tt]")) loadPair(t.Tt);
    if (opens("[Cars]")) t.Cars = intLine();
    if (opens("[Length]")) t.Length = intLine();
    if (opens("[EB]")) t.EB = intLine();
    if (opens("[MaxSpeed]")) t.MaxSpeed = intLine();
    if (opens("[Lose_elec]")) {
        t.Lose_elec.dropSpeed = intLine();
        t.Lose_elec.fadeSpeed = intOrSemicolon();
    }
    if (opens("[ELBR]")) t.ELBR = intLine();
    if (opens("[Mc]")) t.Mc = intLine();
    if (opens("[ATS_Type]")) t.ATS_Type = intLine();
    if (opens("[ATS_Alert]")) t.ATS_Alert = intLine();
    if (opens("[ATS_Time]")) t.ATS_Time = intLine();
    if (opens("[ATS_Cnt]")) t.ATS_Cnt = intLine();
    if (opens("[KEY4]")) t.KEY4 = text();
    if (opens("[CP_Start]")) t.CP_Start = intLine();
    if (opens("[CP_Cnt]")) t.CP_Cnt = intLine();
    if (opens("[CP_End]")) t.CP_End = intLine();
    if (opens("[Buzzer]")) t.Buzzer = intLine();
    if (opens("[DepSign]")) t.DepSign = intLine();
    if (opens("[ATS_Warn]")) t.ATS_Warn = intLine();
}

void TrainReader::soundKeys() {
    TrainSpec& t = t_;
    auto pairs = [this](int n) {
        std::vector<SoundPair> v;
        for (int i = 0; i < n; ++i) {
            std::string s = text();
            v.push_back({toInt(FieldOf(s, 1)), toInt(FieldOf(s, 2))});
        }
        return v;
    };
    auto singles = [this](int n) {
        std::vector<int> v;
        for (int i = 0; i < n; ++i) v.push_back(intLine());
        return v;
    };
    auto horn = [this](HornSpec& h) {
        for (int& s : h.sounds) s = intLine();
        h.stepTime = fixedLine();
    };
    if (opens("[Sound_BK]")) t.Sound_BK = pairs(t.Brake);
    if (opens("[Sound_BR]")) t.Sound_BR = pairs(t.Brake);
    if (opens("[Sound_BA]")) t.Sound_BA = pairs(t.Brake + 1);
    if (opens("[Sound_PA]")) t.Sound_PA = singles(t.Power);
    if (opens("[Sound_PR]")) t.Sound_PR = singles(t.Power);
    if (opens("[Sound_PK]")) t.Sound_PK = singles(t.Power);
    if (opens("[Sound_Rev]")) {
        for (int& s : t.Sound_Rev) s = intLine();
    }
    if (opens("[Sound_EB]")) {
        t.Sound_EB[0] = intLine();
        t.Sound_EB[1] = intOrSemicolon();
    }
    if (opens("[Sound_Apply]")) {
        for (int& s : t.Sound_Apply) s = intLine();
    }
    if (opens("[Sound_Hasten]")) {
        for (int& s : t.Sound_Hasten) s = intLine();
    }
    if (opens("[Stop]")) {
        for (int& s : t.Stop) s = intLine();
    }
    if (opens("[Sound_Ats1]")) t.Sound_Ats1 = intLine();
    if (opens("[Sound_Ats2]")) t.Sound_Ats2 = intLine();
    if (opens("[Sound_Ats3]")) t.Sound_Ats3 = intLine();
    if (opens("[Sound_Atc]")) t.Sound_Atc = intLine();
    if (opens("[Sound_Horn]")) t.Sound_Horn = intLine();
    if (opens("[Sound_Horn3]")) t.Sound_Horn3 = intLine();
    if (opens("[Sound_DoorOpen]")) t.Sound_DoorOpen = intLine();
    if (opens("[Sound_DoorClose]")) t.Sound_DoorClose = intLine();
    if (opens("[Sound_EBring]")) t.Sound_EBring = intLine();
    if (opens("[Sound_squeak]")) t.Sound_squeak = intLine();
    if (opens("[Sound_Horn2]")) {
        // The second horn may stop after its first number: a ";" line leaves the rest 0.
        HornSpec h;
        h.sounds[0] = intLine();
        std::string s = text();
        if (!beginsWithSemicolon(s)) {
            h.sounds[1] = toInt(s);
            for (std::size_t i = 2; i < h.sounds.size(); ++i) h.sounds[i] = intLine();
            h.stepTime = fixedLine();
        }
        t.Sound_Horn2 = std::move(h);
    }
    if (opens("[Sound_Horn1]")) horn(t.Sound_Horn1);
    if (opens("[Signal_Suppress]")) {
        t.Signal_Suppress.file = text();
        t.Signal_Suppress.x = intLine();
        t.Signal_Suppress.y = intLine();
        t.Signal_Suppress.soundOn = intLine();
        t.Signal_Suppress.soundOff = intLine();
    }
}

void TrainReader::listKeys() {
    TrainSpec& t = t_;
    if (opens("[SwitchSound]")) {
        t.SwitchSound.clear();
        for (const auto& s : r_.list()) {
            t.SwitchSound.push_back(
                {toInt(FieldOf(s, 1)), toInt(FieldOf(s, 2)), toInt(FieldOf(s, 3))});
        }
    }
    if (opens("[EngineRate]")) {
        auto lines = r_.list();
        if (lines.size() > static_cast<std::size_t>(kMaxEngineRates)) fail();
        t.EngineRate.clear();
        for (const auto& s : lines) {
            t.EngineRate.push_back({toInt(FieldOf(s, 1)), toReal(FieldOf(s, 2))});
        }
    }
    if (opens("[Gear_Type]")) {
        std::string s = text();
        if (s == "AT") t.Gear_Type = GearType::AT;
        if (s == "MT") t.Gear_Type = GearType::MT;
    }
    if (opens("[Notch]", "[Notch]")) {
        auto lines = rows(6, kMaxNotches);
        t.Notch.clear();
        t.NotchGroupStart.fill(0);
        int group = 0;
        for (std::size_t i = 0; i < lines.size(); i += 6) {
            NotchRow n;
            n.accel0 = toReal(lines[i]);
            n.accel1 = toReal(lines[i + 1]);
            n.speed1 = toInt(lines[i + 2]);
            n.speed2 = toInt(lines[i + 3]);
            n.decay = toReal(lines[i + 4]);
            n.group = toInt(lines[i + 5]);
            if (n.group != group) {
                // A new group begins with this row, whatever number it carries.
                ++group;
                if (group >= kMaxNotchGroups) fail();
                t.NotchGroupStart[static_cast<std::size_t>(group)] =
                    static_cast<int>(t.Notch.size());
            }
            t.Notch.push_back(n);
        }
        t.NotchGroups = t.Notch.empty() ? 0 : group + 1;
        if (t.Engine_Type == 0) throw FatalError(kDieselHasNotchError);
    }
    if (opens("[CurrentP]", "[CurrentP]")) {
        t.CurrentPHeader.maxCurrent = intLine();
        t.CurrentPHeader.accel = realLine();
        t.CurrentPHeader.speedLimit = realLine();
        auto lines = rows(1, kMaxCurrentPRows);
        t.CurrentP.clear();
        for (const auto& s : lines) {
            t.CurrentP.push_back({toInt(FieldOf(s, 1)), toReal(FieldOf(s, 2)),
                                  toReal(FieldOf(s, 3)), toInt(FieldOf(s, 4)),
                                  toInt(FieldOf(s, 5))});
        }
    }
    if (opens("[BrakeCurrentLimit]", "[BrakeCurrentLimit]")) {
        auto lines = rows(1, kMaxBrakeCurrentLimits);
        t.BrakeCurrentLimit.clear();
        for (const auto& s : lines) t.BrakeCurrentLimit.push_back(toInt(s));
    }
    if (opens("[CurrentB]", "[CurrentB]")) {
        auto lines = rows(1, kMaxCurrentBRows);
        t.CurrentB.clear();
        for (const auto& s : lines) {
            t.CurrentB.push_back(
                {toReal(FieldOf(s, 1)), toReal(FieldOf(s, 2)), toInt(FieldOf(s, 3))});
        }
    }
    if (opens("[Engine]", "[Engine]")) {
        auto lines = rows(6, kMaxEngineGears);
        t.Engine.clear();
        for (std::size_t i = 0; i < lines.size(); i += 6) {
            t.Engine.push_back({toInt(lines[i]), toInt(lines[i + 1]), toInt(lines[i + 2]),
                                toReal(lines[i + 3]), toReal(lines[i + 4]), toReal(lines[i + 5])});
        }
        if (t.Engine_Type == 1) throw FatalError(kElectricHasEngineError);
    }
    if (opens("[PowerMode]", "[PowerMode]")) {
        auto lines = rows(1, kMaxPowerModes);
        t.PowerMode.clear();
        for (const auto& s : lines) t.PowerMode.push_back({FieldOf(s, 1), FieldOf(s, 2)});
    }
    if (opens("[Suppress]", "[Suppress]")) {
        auto lines = rows(1, kMaxSuppressSteps);
        t.Suppress.clear();
        for (const auto& s : lines) t.Suppress.push_back(toInt(s));
    }
    if (opens("[EngineSound1]", "[EngineSound1]")) {
        auto lines = rows(14, kMaxEngineSound1);
        t.EngineSound1.clear();
        for (std::size_t i = 0; i < lines.size(); i += 14) {
            EngineSound1Row e;
            e.file = lines[i];
            e.mode = toInt(lines[i + 1]);
            for (std::size_t k = 0; k < 4; ++k) {
                e.x[k] = toReal(lines[i + 2 + k]);
                e.pitch[k] = toReal(lines[i + 6 + k]);
                e.gain[k] = toReal(lines[i + 10 + k]);
            }
            t.EngineSound1.push_back(std::move(e));
        }
    }
    if (opens("[EngineSound2]", "[EngineSound2]")) {
        for (int& s : t.EngineSound2.sounds) s = intLine();
    }
    if (opens("[EngineSound3]", "[EngineSound3]")) {
        auto lines = rows(9, kMaxEngineSound3);
        t.EngineSound3.clear();
        for (std::size_t i = 0; i < lines.size(); i += 9) {
            EngineSound3Row e;
            e.file = lines[i];
            e.mode = toInt(lines[i + 1]);
            e.gear = toInt(lines[i + 2]);
            for (std::size_t k = 0; k < 2; ++k) {
                e.x[k] = toReal(lines[i + 3 + k]);
                e.pitch[k] = toReal(lines[i + 5 + k]);
                e.gain[k] = toReal(lines[i + 7 + k]);
            }
            t.EngineSound3.push_back(std::move(e));
        }
    }
    if (opens("[DriveSound]", "[DriveSound]")) t.DriveSound = rows(1, kMaxDriveSounds);
}

void TrainReader::panelKeys() {
    PanelLayout& p = p_;
    if (opens("[Clock]", kClockLabel)) {
        p.Clock.x = intLine();
        p.Clock.y = intLine();
        p.Clock.handLength = intLine();
    }
    lamp("[Panel]", kPanelLabel, p.Panel);
    lamp("[Panel2]", kPanelLabel, p.Panel2);
    lamp("[Lamp_Door]", kPanel2Label, p.Lamp_Door);
    lamp("[Lamp_Power]", kPanel2Label, p.Lamp_Power);
    lamp("[Lamp_EB]", kPanel2Label, p.Lamp_EB);
    lamp("[Lamp_Gen]", kPanel2Label, p.Lamp_Gen);
    lamp("[Lamp_Air]", kPanel2Label, p.Lamp_Air);
    lamp("[Lamp_Fin]", kPanel2Label, p.Lamp_Fin);
    lamp("[Lamp_Ele]", kPanel2Label, p.Lamp_Ele);
    lamp("[Lamp_Ats1]", kPanel2Label, p.Lamp_Ats1);
    lamp("[Lamp_Ats2]", kPanel2Label, p.Lamp_Ats2);
    lamp("[Lamp_Ats3]", kPanel2Label, p.Lamp_Ats3);
    lamp("[Lamp_TASC1]", kPanel2Label, p.Lamp_TASC1);
    lamp("[Lamp_TASC2]", kPanel2Label, p.Lamp_TASC2);
    lamp("[Lamp_TASC3]", kPanel2Label, p.Lamp_TASC3);
    // The pattern safety-system lamps belong with the other safety-system lamps.
    lamp("[Lamp_ATSP1]", kPanel2Label, p.Lamp_ATSP1);
    lamp("[Lamp_ATSP2]", kPanel2Label, p.Lamp_ATSP2);
    lamp("[Lamp_G]", kPanel3Label, p.Lamp_G);
    lamp("[Lamp_YG]", kPanel3Label, p.Lamp_YG);
    lamp("[Lamp_Y]", kPanel3Label, p.Lamp_Y);
    lamp("[Lamp_YY]", kPanel3Label, p.Lamp_YY);
    lamp("[Lamp_R]", kPanel3Label, p.Lamp_R);
    lamp("[Lamp_Fwd]", kPanel3Label, p.Lamp_Fwd);
    lamp("[Lamp_Neut]", kPanel3Label, p.Lamp_Neut);
    lamp("[Lamp_Back]", kPanel3Label, p.Lamp_Back);
    lamp("[Lamp_Const]", kPanel3Label, p.Lamp_Const);
    lamp("[Lamp_Stop]", kPanel3Label, p.Lamp_Stop);
    meter("[Needle_Brake]", "- ブレーキ指令計", p.Needle_Brake);
    if (opens("[Needle_Speed]", "- 速度計")) {
        meterValues(p.Needle_Speed);
        p.Needle_Speed.secondScale = realLine();
    }
    meter("[Needle_BC]", "- BC圧力計", p.Needle_BC);
    linear("[Needle_BC_L]", "- BC圧力計（リニア）", p.Needle_BC_L);
    linear("[Needle_Ip_L]", "- 力行電流計（リニア）", p.Needle_Ip_L);
    linear("[Needle_Ib_L]", "- 制動電流計（リニア）", p.Needle_Ib_L);
    meter("[Needle_SAP]", "- SAP圧力計", p.Needle_SAP);
    meter("[Needle_ER]", "- ER圧力計", p.Needle_ER);
    meter("[Needle_BP]", "- BP圧力計", p.Needle_BP);
    meter("[Needle_MR]", "- MR圧力計", p.Needle_MR);
    linear("[Needle_MR_L]", "- MR圧力計（リニア）", p.Needle_MR_L);
    meter("[Needle_V]", "- 電圧計", p.Needle_V);
    if (opens("[Needle_I]", "- 電流計")) {
        meterValues(p.Needle_I);
        p.Needle_I.sign = intLine();
    }
    if (opens("[Lamp_signal]", "[Lamp_signal]")) {
        stripValues(p.Lamp_signal);
        auto lines = rows(1, kMaxCabSignalCells);
        p.Lamp_signal.cells.clear();
        for (const auto& s : lines) p.Lamp_signal.cells.push_back(toInt(s));
    }
    strip("[NotchImageP]", p.NotchImageP);
    strip("[NotchImageB]", p.NotchImageB);
    strip("[NotchImageP2]", p.NotchImageP2);
    strip("[NotchImageB2]", p.NotchImageB2);
    strip("[GearImageList]", p.GearImageList);
    strip("[GearImageList2]", p.GearImageList2);
    strip("[Digi_Speed]", p.Digi_Speed);
    if (opens("[Others]", "[Others]")) {
        auto lines = rows(3, kMaxOtherImages);
        p.Others.clear();
        for (std::size_t i = 0; i < lines.size(); i += 3) {
            p.Others.push_back({lines[i], toInt(lines[i + 1]), toInt(lines[i + 2])});
        }
    }
}

}  // namespace

TrainFile ParseTrainLines(std::vector<std::string> lines) {
    return TrainReader(std::move(lines)).read();
}

TrainFile LoadTrainFile(const std::filesystem::path& folder, std::string_view name) {
    std::filesystem::path path = resolveDataPath(folder, name);
    auto lines = readTextLines(path);
    if (!lines) throw FatalError(std::string(kTrainFileError) + "- " + path.string());
    return ParseTrainLines(std::move(*lines));
}

void ApplyTrainStartRules(TrainSpec& spec) {
    if (spec.BrakeType == 0) {
        spec.Brake = 4;
    } else if (spec.Brake < 3) {
        throw FatalError(kTooFewBrakeStepsError);
    }
}

}  // namespace tressmoor::data
