// Tests of the train-file reader: vehicle sections, lists, cab panel, labels and start rules.
#include "data/train_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/fatal_error.h"
#include "data/text_file.h"

namespace tressmoor::data {
namespace {

const std::string kBasicError = std::string(kTrainFileError) + kTrainBasicLabel;

std::string fileError(const std::string& label) {
    return std::string(kTrainFileError) + label;
}

class TrainFileTest : public ::testing::Test {
protected:
    static TrainFile parse(const std::string& text) { return ParseTrainLines(splitLines(text)); }

    // The message the text is rejected with ("" when it loads).
    static std::string errorOf(const std::string& text) {
        try {
            parse(text);
        } catch (const FatalError& e) {
            return e.what();
        }
        return "";
    }
};

TEST_F(TrainFileTest, ReadsEveryVehicleSectionOfAFile) {
    TrainFile f = LoadTrainFile(TRESSMOOR_FIXTURES_DIR "/train", "electric.dat");
    const TrainSpec& t = f.spec;
    EXPECT_EQ(t.Handle, 1);
    EXPECT_EQ(t.Brake, 4);
    EXPECT_EQ(t.Power, 3);
    EXPECT_EQ(t.Const.available, 1);
    EXPECT_EQ(t.Const.minSpeed, 25);
    EXPECT_EQ(t.AirBrakeRate.rate, fixed4::fromRaw(35000));
    ASSERT_EQ(t.PlannedBrakeRate.size(), 4u);
    EXPECT_EQ(t.plannedBrakeRate(3), fixed4::fromRaw(37500));
    EXPECT_EQ(t.plannedBrakeRate(4), fixed4{});
    EXPECT_DOUBLE_EQ(static_cast<double>(t.BrakeRate2), 0.0125);
    EXPECT_DOUBLE_EQ(static_cast<double>(t.EBrakeForce), 12.5);
    EXPECT_EQ(t.MAXPress.empty, 340);
    EXPECT_DOUBLE_EQ(static_cast<double>(t.MAXPress.perPassenger), 0.25);
    EXPECT_EQ(t.Tons.empty, fixed4::fromRaw(1055000));
    EXPECT_EQ(t.Tons.perPassenger, fixed4::fromRaw(555));
    EXPECT_EQ(t.Tt.perPassenger, fixed4::fromRaw(255));
    EXPECT_EQ(t.Lose_elec.fadeSpeed, 8);
    EXPECT_EQ(t.KEY4, "abcd");
    EXPECT_EQ(t.ATS_Warn, 16);
    EXPECT_EQ(t.Gear_Type, GearType::MT);

    ASSERT_EQ(t.Sound_BR.size(), 4u);
    EXPECT_EQ(t.Sound_BR[1].first, 11);
    EXPECT_EQ(t.Sound_BR[1].second, 0);  // a missing trailing value reads as 0
    EXPECT_EQ(t.Sound_BA.size(), 5u);
    EXPECT_EQ(t.Sound_PK, (std::vector<int>{26, 27, 28}));
    EXPECT_EQ(t.Sound_Rev[2], 32);
    EXPECT_EQ(t.Stop[1], 1);
    EXPECT_EQ(t.Sound_Horn2.sounds[4], 54);
    EXPECT_EQ(t.Sound_Horn2.stepTime, fixed4::fromRaw(35000));
    EXPECT_EQ(t.Sound_Horn1.sounds[0], 55);
    EXPECT_EQ(t.Sound_Horn1.stepTime, fixed4::fromRaw(42500));
    EXPECT_EQ(t.Signal_Suppress.file, "suppress.png");
    EXPECT_EQ(t.Signal_Suppress.soundOff, 62);

    ASSERT_EQ(t.SwitchSound.size(), 2u);
    EXPECT_EQ(t.SwitchSound[1].type, 2);
    ASSERT_EQ(t.EngineRate.size(), 2u);
    EXPECT_DOUBLE_EQ(static_cast<double>(t.EngineRate[1].factor), 1.5);
    ASSERT_EQ(t.Notch.size(), 3u);
    EXPECT_EQ(t.Notch[2].speed2, 80);
    EXPECT_DOUBLE_EQ(static_cast<double>(t.Notch[1].decay), 1.2);
    EXPECT_EQ(t.NotchGroups, 2);
    EXPECT_EQ(t.NotchGroupStart[1], 2);
    EXPECT_EQ(t.CurrentPHeader.maxCurrent, 500);
    ASSERT_EQ(t.CurrentP.size(), 2u);
    EXPECT_EQ(t.CurrentP[0].extra, 7);
    EXPECT_EQ(t.CurrentP[1].stepTime, 400);
    EXPECT_EQ(t.BrakeCurrentLimit, (std::vector<int>{0, 100, 200}));
    ASSERT_EQ(t.CurrentB.size(), 2u);
    EXPECT_DOUBLE_EQ(static_cast<double>(t.CurrentB[1].divisor), 20.0);
    EXPECT_EQ(t.CurrentB[1].extra, 0);
    ASSERT_EQ(t.PowerMode.size(), 2u);
    EXPECT_EQ(t.PowerMode[1].name, "並列");
    EXPECT_EQ(t.Suppress, (std::vector<int>{2, 4}));
    ASSERT_EQ(t.EngineSound1.size(), 1u);
    EXPECT_DOUBLE_EQ(static_cast<double>(t.EngineSound1[0].pitch[3]), 1.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(t.EngineSound1[0].gain[0]), 10.0);
    EXPECT_EQ(t.EngineSound2.sounds[3], 73);
    ASSERT_EQ(t.EngineSound3.size(), 1u);
    EXPECT_EQ(t.EngineSound3[0].gear, 2);
    EXPECT_DOUBLE_EQ(static_cast<double>(t.EngineSound3[0].gain[1]), 90.0);
    EXPECT_EQ(t.DriveSound, (std::vector<std::string>{"run0.wav", "run1.wav", "", "run3.wav"}));
}

TEST_F(TrainFileTest, ReadsThePanelSectionsOfAFile) {
    PanelLayout p = LoadTrainFile(TRESSMOOR_FIXTURES_DIR "/train", "electric.dat").panel;
    EXPECT_EQ(p.Clock.handLength, 20);
    EXPECT_EQ(p.Panel.file, "panel.png");
    EXPECT_EQ(p.Panel.y, 500);
    EXPECT_EQ(p.Panel2.file, "");  // empty file line: nothing is drawn, the rest still reads
    EXPECT_EQ(p.Lamp_Door.x, 10);
    EXPECT_EQ(p.Lamp_ATSP2.y, 13);
    EXPECT_EQ(p.Lamp_Stop.file, "stop.png");
    EXPECT_EQ(p.Needle_Speed.zero, -135);
    EXPECT_DOUBLE_EQ(static_cast<double>(p.Needle_Speed.scale), 1.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(p.Needle_Speed.secondScale), 2.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(p.Needle_BC_L.scale), 0.25);
    EXPECT_EQ(p.Needle_I.sign, 1);
    EXPECT_EQ(p.Lamp_signal.file, "cabsignal.png");
    EXPECT_EQ(p.Lamp_signal.cells, (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(p.NotchImageB.patternHeight, 20);
    EXPECT_EQ(p.Digi_Speed.file, "digits.png");
    ASSERT_EQ(p.Others.size(), 2u);
    EXPECT_EQ(p.Others[1].file, "other2.png");
    EXPECT_EQ(p.Others[1].y, 4);
    EXPECT_EQ(p.NotchImageP.file, "");  // absent section
}

TEST_F(TrainFileTest, KeyMatchingFollowsTheLineRules) {
    // Text after a key is ignored, comments are skipped, keys are case-sensitive, and a later
    // occurrence overwrites.
    TrainFile f = parse("; comment\n[Cars] number of cars\n3\n[cars]\n9\n[Cars]\n4\n");
    EXPECT_EQ(f.spec.Cars, 4);

    // A value line that begins with a later key also opens that section; one that begins with
    // an earlier key does not.
    f = parse("[KEY4]\n[Buzzer]\n7\n");
    EXPECT_EQ(f.spec.KEY4, "[Buzzer]");
    EXPECT_EQ(f.spec.Buzzer, 7);
    f = parse("[KEY4]\n[Handle]\n1\n");
    EXPECT_EQ(f.spec.KEY4, "[Handle]");
    EXPECT_EQ(f.spec.Handle, 0);
}

TEST_F(TrainFileTest, SemicolonLinesStandForZero) {
    TrainFile f = parse(
        "[Sound_EB]\n5\n;\n[EBrakeForce]\n; none\n[Lose_elec]\n7\n;\n"
        "[Sound_Horn2]\n8\n; one horn only\n[Cars]\n2\n");
    EXPECT_EQ(f.spec.Sound_EB[0], 5);
    EXPECT_EQ(f.spec.Sound_EB[1], 0);
    EXPECT_EQ(f.spec.EBrakeForce, 0);
    EXPECT_EQ(f.spec.Lose_elec.dropSpeed, 7);
    EXPECT_EQ(f.spec.Lose_elec.fadeSpeed, 0);
    EXPECT_EQ(f.spec.Sound_Horn2.sounds[0], 8);
    EXPECT_EQ(f.spec.Sound_Horn2.sounds[1], 0);
    EXPECT_EQ(f.spec.Sound_Horn2.stepTime, fixed4{});
    EXPECT_EQ(f.spec.Cars, 2);  // nothing after the ";" line was taken by the horn
    // Only the lines named above may be ";".
    EXPECT_EQ(errorOf("[Sound_EB]\n;\n5\n"), kBasicError);
}

TEST_F(TrainFileTest, GearTypeTakesOnlyExactTexts) {
    EXPECT_EQ(parse("[Gear_Type]\nMT\n").spec.Gear_Type, GearType::MT);
    EXPECT_EQ(parse("[Gear_Type]\nat\n").spec.Gear_Type, GearType::AT);
    EXPECT_EQ(parse("[Gear_Type]\nMT\n[Gear_Type]\nAT\n").spec.Gear_Type, GearType::AT);
}

TEST_F(TrainFileTest, BrakeCountSizesTheDependentSections) {
    TrainFile f = parse(
        "[BrakeType]\n0\n[Brake]\n8\n[PlannedBrakeRate]\n0\n1\n2\n3\n4\n5\n6\n7\n"
        "[Sound_BA]\n1\n2\n3\n4\n5\n6\n7\n8\n9\n");
    EXPECT_EQ(f.spec.PlannedBrakeRate.size(), 8u);
    EXPECT_EQ(f.spec.Sound_BA.size(), 9u);
    ApplyTrainStartRules(f.spec);
    EXPECT_EQ(f.spec.Brake, 4);  // an automatic air brake drives with 4 positions
    // Before [Brake] the count is still 0, so no line is read.
    EXPECT_TRUE(parse("[PlannedBrakeRate]\n[Brake]\n3\n").spec.PlannedBrakeRate.empty());
}

TEST_F(TrainFileTest, StartRulesNeedThreeBrakePositions) {
    TrainSpec s;
    s.BrakeType = 1;
    s.Brake = 2;
    try {
        ApplyTrainStartRules(s);
        FAIL() << "two brake positions were accepted";
    } catch (const FatalError& e) {
        EXPECT_STREQ(e.what(), kTooFewBrakeStepsError);
    }
    s.BrakeType = 2;
    s.Brake = 3;
    ApplyTrainStartRules(s);
    EXPECT_EQ(s.Brake, 3);
}

TEST_F(TrainFileTest, MalformedVehicleValuesCarryTheBasicLabel) {
    EXPECT_EQ(errorOf("[MaxSpeed]\nfast\n"), kBasicError);
    EXPECT_EQ(errorOf("[Tons]\n100\n"), kBasicError);  // missing line at end of file
    EXPECT_EQ(errorOf("[KEY4]\n"), kBasicError);
    EXPECT_EQ(errorOf("[Tons]\n100.00005x\n0\n"), kBasicError);
    EXPECT_EQ(errorOf("[Brake]\n11\n"), kBasicError);  // over capacity
    EXPECT_EQ(errorOf("[Power]\n12\n"), kBasicError);
    EXPECT_EQ(errorOf("[Power]\n-1\n"), kBasicError);
    // [SwitchSound] and [EngineRate] are tested before the label changes to the list key.
    EXPECT_EQ(errorOf("[SwitchSound]\n1,x\n#\n"), kBasicError);
    EXPECT_EQ(errorOf("[EngineRate]\n0,0\n0,0\n0,0\n0,0\n0,0\n0,0\n0,0\n0,0\n0,0\n0,0\n#\n"),
              kBasicError);
}

const char* const kNotchRow = "2\n1.5\n30\n60\n1.1\n";

TEST_F(TrainFileTest, NotchGroupsStartWhereTheGroupNumberChanges) {
    std::string text = "[Engine_Type]\n1\n[Notch]\n";
    for (int g : {0, 0, 1, 1, 1, 2, 5}) text += kNotchRow + std::to_string(g) + "\n";
    text += "#\n";
    TrainSpec t = parse(text).spec;
    EXPECT_EQ(t.NotchGroups, 4);
    EXPECT_EQ(t.NotchGroupStart[0], 0);
    EXPECT_EQ(t.NotchGroupStart[1], 2);
    EXPECT_EQ(t.NotchGroupStart[2], 5);
    EXPECT_EQ(t.NotchGroupStart[3], 6);  // group 5 is the fourth group
}

TEST_F(TrainFileTest, ListsEndAtHashOrEndOfFileAndFillMissingValues) {
    TrainSpec t = parse("[SwitchSound]\n5\n#\n[Suppress]\n3\n4").spec;
    ASSERT_EQ(t.SwitchSound.size(), 1u);
    EXPECT_EQ(t.SwitchSound[0].sound, 5);
    EXPECT_EQ(t.SwitchSound[0].speed, 0);
    EXPECT_EQ(t.SwitchSound[0].type, 0);
    EXPECT_EQ(t.Suppress, (std::vector<int>{3, 4}));
    EXPECT_EQ(parse("[PowerMode]\nP\n#\n").spec.PowerMode[0].name, "0");
}

TEST_F(TrainFileTest, PowerSourceMustMatchTheLists) {
    std::string notch = std::string("[Notch]\n") + kNotchRow + "0\n#\n";
    EXPECT_EQ(errorOf("[Engine_Type]\n0\n" + notch), kDieselHasNotchError);
    EXPECT_EQ(errorOf(notch + "[Engine_Type]\n1\n"), kDieselHasNotchError);  // 0 so far
    EXPECT_EQ(errorOf("[Engine_Type]\n1\n" + notch), "");
    std::string engine = "[Engine]\n0\n20\n40\n500\n400\n300\n#\n";
    EXPECT_EQ(errorOf("[Engine_Type]\n1\n" + engine), kElectricHasEngineError);
    EXPECT_EQ(errorOf(engine), "");
}

TEST_F(TrainFileTest, ListErrorsCarryTheListKey) {
    EXPECT_EQ(errorOf("[Engine_Type]\n1\n[Notch]\n2\n1.5\n30\n#\n"), fileError("[Notch]"));
    EXPECT_EQ(errorOf("[CurrentP]\n500\n2.5\n"), fileError("[CurrentP]"));
    EXPECT_EQ(errorOf("[BrakeCurrentLimit]\nten\n#\n"), fileError("[BrakeCurrentLimit]"));
    EXPECT_EQ(errorOf("[CurrentB]\n1,2,x\n#\n"), fileError("[CurrentB]"));
    EXPECT_EQ(errorOf("[Engine]\n0\n20\n40\n5\n"), fileError("[Engine]"));
    EXPECT_EQ(errorOf("[EngineSound1]\nm.wav\n0\n1\n#\n"), fileError("[EngineSound1]"));
    EXPECT_EQ(errorOf("[EngineSound2]\n1\n2\n3\n"), fileError("[EngineSound2]"));
    EXPECT_EQ(errorOf("[EngineSound3]\ng.wav\nx\n"), fileError("[EngineSound3]"));
}

TEST_F(TrainFileTest, ListsOverCapacityAreRejected) {
    auto lines = [](int n, const std::string& row) {
        std::string s;
        for (int i = 0; i < n; ++i) s += row;
        return s + "#\n";
    };
    EXPECT_EQ(errorOf("[Suppress]\n" + lines(11, "1\n")), fileError("[Suppress]"));
    EXPECT_EQ(errorOf("[Suppress]\n" + lines(10, "1\n")), "");
    EXPECT_EQ(errorOf("[PowerMode]\n" + lines(11, "P,x\n")), fileError("[PowerMode]"));
    EXPECT_EQ(errorOf("[BrakeCurrentLimit]\n" + lines(18, "1\n")),
              fileError("[BrakeCurrentLimit]"));
    EXPECT_EQ(errorOf("[CurrentB]\n" + lines(101, "1\n")), fileError("[CurrentB]"));
    EXPECT_EQ(errorOf("[DriveSound]\n" + lines(501, "a.wav\n")), fileError("[DriveSound]"));
    std::string notch = "[Engine_Type]\n1\n[Notch]\n";
    EXPECT_EQ(errorOf(notch + lines(12, std::string(kNotchRow) + "0\n")), fileError("[Notch]"));
    std::string groups;
    for (int g = 0; g < 11; ++g) groups += kNotchRow + std::to_string(g) + "\n";
    EXPECT_EQ(errorOf(notch + groups + "#\n"), fileError("[Notch]"));
    EXPECT_EQ(errorOf("[Engine]\n" + lines(12, "0\n20\n40\n5\n4\n3\n")), fileError("[Engine]"));
    EXPECT_EQ(errorOf("[Others]\n" + lines(12, "o.png\n1\n2\n")), fileError("[Others]"));
    EXPECT_EQ(errorOf("[Lamp_signal]\n0\n0\n8\n8\ns.png\n" + lines(13, "1\n")),
              fileError("[Lamp_signal]"));
}

TEST_F(TrainFileTest, PanelErrorsCarryTheGroupLabel) {
    struct Case {
        const char* section;  // key and the valid lines before the bad one
        const char* label;
    };
    const Case cases[] = {
        {"[Clock]\n1\n", "- アナログ時計"},
        {"[Panel2]\np.png\n", "- 運転台パネル"},
        {"[Lamp_TASC3]\nl.png\n", "- 運転台パネル2"},
        {"[Lamp_ATSP1]\nl.png\n", "- 運転台パネル2"},
        {"[Lamp_G]\nl.png\n", "- 運転台パネル3"},
        {"[Lamp_Stop]\nl.png\n1\n", "- 運転台パネル3"},
        {"[Needle_Brake]\nn.png\n", "- ブレーキ指令計"},
        {"[Needle_Speed]\nn.png\n1\n2\n3\n4\n5\n", "- 速度計"},
        {"[Needle_BC]\nn.png\n", "- BC圧力計"},
        {"[Needle_BC_L]\nn.png\n", "- BC圧力計（リニア）"},
        {"[Needle_Ip_L]\nn.png\n", "- 力行電流計（リニア）"},
        {"[Needle_Ib_L]\nn.png\n", "- 制動電流計（リニア）"},
        {"[Needle_SAP]\nn.png\n", "- SAP圧力計"},
        {"[Needle_ER]\nn.png\n", "- ER圧力計"},
        {"[Needle_BP]\nn.png\n", "- BP圧力計"},
        {"[Needle_MR]\nn.png\n", "- MR圧力計"},
        {"[Needle_MR_L]\nn.png\n", "- MR圧力計（リニア）"},
        {"[Needle_V]\nn.png\n", "- 電圧計"},
        {"[Needle_I]\nn.png\n1\n2\n3\n4\n5\n1.5\n", "- 電流計"},
        {"[Lamp_signal]\n1\n2\n3\n", "[Lamp_signal]"},
        {"[NotchImageP]\n", "[NotchImageP]"},
        {"[NotchImageB2]\n1\n", "[NotchImageB2]"},
        {"[GearImageList2]\n", "[GearImageList2]"},
        {"[Others]\no.png\n", "[Others]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(errorOf(std::string(c.section) + "x\n#\n"), fileError(c.label)) << c.section;
        EXPECT_EQ(errorOf(std::string(c.section)), fileError(c.label)) << c.section;
    }
}

TEST_F(TrainFileTest, PanelEdgeSections) {
    PanelLayout p = parse(
                        "[Clock]\n0\n40\n20\n[Lamp_signal]\n1\n2\n3\n4\ns.png\n#\n"
                        "[NotchImageP]\n5\n6\n7\n8\n\n")
                        .panel;
    EXPECT_EQ(p.Clock.x, 0);
    EXPECT_EQ(p.Clock.y, 40);
    EXPECT_EQ(p.Lamp_signal.file, "s.png");
    EXPECT_TRUE(p.Lamp_signal.cells.empty());
    EXPECT_EQ(p.NotchImageP.file, "");  // no image, but the geometry is kept
    EXPECT_EQ(p.NotchImageP.patternHeight, 8);
}

class TrainFileOnDiskTest : public TrainFileTest {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tressmoor_train_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_ / "Trains");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
};

TEST_F(TrainFileOnDiskTest, ReadsAShiftJisFileThroughTheDataPathRules) {
    const std::string bytes = encodeCp932(
        "- キハ形気動車\r\n[Engine_Type]\r\n0\r\n[KEY4]\r\n運転\r\n"
        "[PowerMode]\r\nN,変速\r\nN,直結\r\n#\r\n[Others]\r\n銘板.png\r\n5\r\n6\r\n#\r\n"
        "[Engine]\r\n0\r\n20\r\n40\r\n500\r\n400\r\n300\r\n#\r\n");
    ASSERT_FALSE(isValidUtf8(bytes));
    std::ofstream(dir_ / "Trains" / "train_kiha.dat", std::ios::binary) << bytes;
    TrainFile f = LoadTrainFile(dir_, "trains\\TRAIN_KIHA.dat");
    EXPECT_EQ(f.spec.KEY4, "運転");
    ASSERT_EQ(f.spec.PowerMode.size(), 2u);
    EXPECT_EQ(f.spec.PowerMode[1].name, "直結");
    EXPECT_EQ(f.spec.Engine.size(), 1u);
    ASSERT_EQ(f.panel.Others.size(), 1u);
    EXPECT_EQ(f.panel.Others[0].file, "銘板.png");
}

TEST_F(TrainFileOnDiskTest, MissingFileNamesThePath) {
    try {
        LoadTrainFile(dir_, kDefaultTrainFileName);
        FAIL() << "a missing train file was accepted";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.what(), fileError("- " + (dir_ / kDefaultTrainFileName).string()));
    }
}

}  // namespace
}  // namespace tressmoor::data
