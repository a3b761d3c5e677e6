// Drive records: the text format read back, its errors, the data-file hashes, and a recorded
// drive of the test line replayed on another platform.
#include "sim/drive_record.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <fstream>
#include <sstream>

#include "session_fixture.h"
#include "sim/drive_trace.h"
#include "sim/panel_state.h"

namespace tressmoor::sim {
namespace {

using Kind = RecordedInput::Kind;

constexpr const char* kHead =
    "tressmoor-drive-record 1\nservice \"line_a.dat\" \"train_b.dat\" \"\" 0 999\n";

RecordedInput input(Kind kind, int number = 0) {
    RecordedInput in;
    in.kind = kind;
    in.number = number;
    return in;
}

DriveRecord parseInputs(const std::vector<RecordedInput>& inputs) {
    std::string text = kHead;
    for (const auto& in : inputs) text += formatInput(in) + "\n";
    return parseDriveRecord(text);
}

std::string errorOf(const std::string& text) {
    try {
        parseDriveRecord(text);
    } catch (const DriveRecordError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(DriveRecordFormat, EveryInputKindReadsBackAsWritten) {
    std::vector<RecordedInput> ins;
    auto key = [&](Kind kind, input::Key k, bool shift) {
        RecordedInput in = input(kind);
        in.key = {k, 0, shift};
        ins.push_back(in);
    };
    key(Kind::KeyDown, input::Key::F2, false);
    key(Kind::KeyDown, input::Key::F12, true);
    key(Kind::KeyUp, input::Key::Enter, false);
    key(Kind::KeyDown, input::Key::Space, true);
    for (const char c : {'z', ' ', '"', '\\', '#', '\r', '\x01'}) {
        RecordedInput in = input(Kind::Char);
        in.key.character = c;
        ins.push_back(in);
    }
    ins.push_back(input(Kind::Wheel, -3));
    ins.push_back(input(Kind::Wheel, 7));
    RecordedInput held = input(Kind::Held);
    held.held = {true, false, true};
    ins.push_back(held);
    RecordedInput serial = input(Kind::Serial);
    serial.text = "M105z\r \"q\" \\ 霧沢 \x7f";
    ins.push_back(serial);
    RecordedInput message = input(Kind::SerialMessage);
    message.text = "B3";
    ins.push_back(message);
    ins.push_back(input(Kind::Controller, 3));
    ins.push_back(input(Kind::ControllerDebug, 1));
    ins.push_back(input(Kind::Pause, 1));
    ins.push_back(input(Kind::Pause, 0));
    ins.push_back(input(Kind::Station, 4));
    ins.push_back(input(Kind::Save, 2));
    ins.push_back(input(Kind::Load, 3));
    RecordedInput options = input(Kind::Options);
    options.options = {1, 0, 2, 1, 0};
    ins.push_back(options);
    ins.push_back(input(Kind::StopLinesHidden, 1));
    ins.push_back(input(Kind::TrainAts, 0));
    ins.push_back(input(Kind::TrainEngine, 2));
    ins.push_back(input(Kind::ReloadSpeedUnit));
    ins.push_back(input(Kind::SpeedFreeze, 1));
    RecordedInput cells = input(Kind::StripCells);
    cells.cells = {6, 9, 5, 8};
    ins.push_back(cells);
    ins.push_back(input(Kind::Step));

    const DriveRecord record = parseInputs(ins);
    ASSERT_EQ(record.inputs.size(), ins.size());
    for (std::size_t i = 0; i < ins.size(); ++i) {
        const RecordedInput& a = ins[i];
        const RecordedInput& b = record.inputs[i];
        SCOPED_TRACE(formatInput(a));
        EXPECT_EQ(b.kind, a.kind);
        EXPECT_EQ(b.key.key, a.key.key);
        EXPECT_EQ(b.key.shift, a.key.shift);
        EXPECT_EQ(b.key.character, a.key.character);
        EXPECT_EQ(b.number, a.number);
        EXPECT_EQ(b.held, a.held);
        EXPECT_EQ(b.text, a.text);
        EXPECT_EQ(b.options.Kanko, a.options.Kanko);
        EXPECT_EQ(b.options.Information, a.options.Information);
        EXPECT_EQ(b.options.ATS, a.options.ATS);
        EXPECT_EQ(b.options.Tunnel, a.options.Tunnel);
        EXPECT_EQ(b.options.Moji, a.options.Moji);
        EXPECT_EQ(b.cells.power, a.cells.power);
        EXPECT_EQ(b.cells.brake, a.cells.brake);
        EXPECT_EQ(b.cells.power2, a.cells.power2);
        EXPECT_EQ(b.cells.brake2, a.cells.brake2);
        EXPECT_EQ(b.line, static_cast<int>(i) + 3);
    }
}

TEST(DriveRecordFormat, FrameLengthsReadBackExactly) {
    const long double lengths[] = {16.667L,
                                   1000.0L / 60.0L,
                                   0.1L,
                                   1.0L / 3.0L,
                                   std::nextafter(16.667L, 17.0L),
                                   33.3333333333333333333L,
                                   LDBL_MIN,
                                   1000.0L};
    std::ostringstream out;
    {
        const test_support::TempDir dir;
        DriveRecorder recorder(out, dir.path(), ServiceChoice::forService(0), 99);
        int fps = 59;
        for (const long double dt : lengths) {
            recorder.beginFrame(dt, fps++);
            recorder.endFrame();
        }
        // The same length again is written without it; a frame without its step, and a step
        // on its own, keep their kinds.
        recorder.beginFrame(1000.0L, fps - 1);
        recorder.endFrame();
        recorder.beginFrame(0.1L, 12);
        recorder.beginFrame(0.1L, 12);
        recorder.endFrame();
        recorder.endFrame();
    }
    const DriveRecord record = parseDriveRecord(out.str());
    EXPECT_EQ(record.seed, 99U);
    EXPECT_EQ(record.choice.LineFile, "line_kelvane1.dat");
    ASSERT_EQ(record.inputs.size(), std::size(lengths) + 4);
    for (std::size_t i = 0; i < std::size(lengths); ++i) {
        EXPECT_EQ(record.inputs[i].dtMs, lengths[i]) << i;
        EXPECT_EQ(record.inputs[i].fps, 59 + static_cast<int>(i));
        EXPECT_EQ(record.inputs[i].kind, Kind::Frame);
    }
    const auto& tail = record.inputs;
    const std::size_t n = std::size(lengths);
    EXPECT_EQ(tail[n].dtMs, 1000.0L);
    EXPECT_EQ(tail[n].fps, 66);
    EXPECT_EQ(tail[n + 1].kind, Kind::FrameNoStep);
    EXPECT_EQ(tail[n + 1].dtMs, 0.1L);
    EXPECT_EQ(tail[n + 2].kind, Kind::Frame);
    EXPECT_EQ(tail[n + 2].dtMs, 0.1L);
    EXPECT_EQ(tail[n + 2].fps, 12);
    EXPECT_EQ(tail[n + 3].kind, Kind::Step);
    EXPECT_NE(out.str().find("\nframe\n"), std::string::npos) << "a repeated length is left out";
}

TEST(DriveRecordFormat, MalformedRecordsAreRefusedWithTheirLine) {
    const std::string head = kHead;
    EXPECT_EQ(errorOf(""), "line 1: this is not a Tressmoor drive record (it is empty)");
    EXPECT_EQ(errorOf("hello\n"), "line 1: this is not a Tressmoor drive record");
    EXPECT_EQ(errorOf("tressmoor-drive-record 2\n"),
              "line 1: record format version 2 is not one this program reads (it reads "
              "version 1)");
    EXPECT_EQ(errorOf("tressmoor-drive-record 1\nframe 0x1p+4 60\n"),
              "line 2: the record names no service");
    EXPECT_EQ(errorOf(head + "frame\n"), "line 3: the first frame needs its length and rate");
    EXPECT_EQ(errorOf(head + "# note\n\nframe -1 60\n"),
              "line 5: '-1' is not a frame length in ms");
    EXPECT_EQ(errorOf(head + "key-down 8\n"), "line 3: '8' is no driving key");
    EXPECT_EQ(errorOf(head + "char \"ab\"\n"), "line 3: a character is one byte");
    EXPECT_EQ(errorOf(head + "char z\n"), "line 3: 'z' should be in double quotes");
    EXPECT_EQ(errorOf(head + "serial \"abc\n"), "line 3: a quoted text is not closed");
    EXPECT_EQ(errorOf(head + "serial \"a\\qb\"\n"), "line 3: unknown escape \\q");
    EXPECT_EQ(errorOf(head + "save 4\n"), "line 3: '4' is not a whole number from 1 to 3");
    EXPECT_EQ(errorOf(head + "wheel 2 3\n"), "line 3: unexpected '3' at the end");
    EXPECT_EQ(errorOf(head + "steer 1\n"), "line 3: unknown item 'steer'");
    EXPECT_EQ(errorOf(head + "status 4 1 1\nstatus 4 2 0\n"),
              "line 4: channel states must come in query order");
    EXPECT_EQ(errorOf(head + "status 5 1 2\n"), "line 3: a channel state is 0, 1 or 5");
    EXPECT_EQ(errorOf(head + "file line \"a.dat\" 12345\n"), "line 3: '12345' is no 64-bit hash");
    EXPECT_EQ(errorOf(head + "poll 1 2\n"), "line 3: a field is missing");
}

TEST(DriveRecordFormat, OutsideReadsReadBack) {
    const DriveRecord r = parseDriveRecord(
        std::string(kHead) +
        "seed 4000000000\n"
        "read-int kelvane \"ATS\" -7\nread-int quillpad \"P0\" -\n"
        "read-str kelvane \"Save1\" \"a \\\"b\\\" 霧\"\nread-str kelvane \"Save2\" -\n"
        "read-str kelvane \"Save3\" \"-\"\n"
        "write kelvane \"Save1\" 0\nstatus 0 12 5\nstatus 9 -1 0\nvideo 4 0\nvideo 0 91500\n"
        "poll none\npoll -32768 32767 4294967295\n"
        "file sound \"sound/a b.wav\" 00ff00ff00ff00ff\nfile train \"/x/t.dat\" missing\n");
    EXPECT_EQ(r.seed, 4000000000U);
    ASSERT_EQ(r.reads.size(), 5U);
    EXPECT_EQ(r.reads[0].intValue, -7);
    EXPECT_EQ(r.reads[0].name, "ATS");
    EXPECT_EQ(r.reads[1].store, "quillpad");
    EXPECT_FALSE(r.reads[1].intValue);
    EXPECT_EQ(r.reads[2].stringValue, "a \"b\" 霧");
    EXPECT_FALSE(r.reads[3].stringValue);
    EXPECT_EQ(r.reads[4].stringValue, "-");
    ASSERT_EQ(r.writes.size(), 1U);
    EXPECT_FALSE(r.writes[0].ok);
    ASSERT_EQ(r.statuses.size(), 2U);
    EXPECT_EQ(r.statuses[0].state, sound::ChannelStatus::Looping);
    EXPECT_EQ(r.statuses[1].seq, 9U);
    EXPECT_EQ(r.statuses[1].channel, -1);
    ASSERT_EQ(r.videoOpens.size(), 2U);
    EXPECT_EQ(r.videoOpens[0].code, 4);
    EXPECT_EQ(r.videoOpens[1].frames, 91500);
    ASSERT_EQ(r.polls.size(), 2U);
    EXPECT_FALSE(r.polls[0]);
    EXPECT_EQ(r.polls[1]->x, -32768);
    EXPECT_EQ(r.polls[1]->buttons, 0xffffffffU);
    ASSERT_EQ(r.files.size(), 2U);
    EXPECT_EQ(r.files[0], (RecordedFile{"sound", "sound/a b.wav", 0x00ff00ff00ff00ffULL}));
    EXPECT_FALSE(r.files[1].hash);
}

TEST(DriveRecordFiles, ChangedAndMissingDataFilesAreNamed) {
    EXPECT_EQ(fnv1a64(""), 0xcbf29ce484222325ULL);
    EXPECT_EQ(fnv1a64("a"), 0xaf63dc4c8601ec8cULL);
    const test_support::TempDir dir;
    std::ofstream(dir.path() / "tressmoor.dat") << "settings";
    std::ofstream(dir.path() / "mascon.dat") << "codes";
    std::ofstream(dir.path() / "line_kelvane1.dat") << "line";
    std::ostringstream out;
    { DriveRecorder recorder(out, dir.path(), ServiceChoice::forService(0), 1); }
    DriveRecord record = parseDriveRecord(out.str());
    ASSERT_EQ(record.files.size(), 4U);
    EXPECT_EQ(record.files[0].path, "tressmoor.dat");
    EXPECT_EQ(record.files[0].hash, fnv1a64("settings"));
    EXPECT_FALSE(record.files[2].hash) << "the train file is missing";
    EXPECT_TRUE(checkRecordedFiles(record, dir.path()).empty());

    std::ofstream(dir.path() / "mascon.dat") << "codes!";
    std::filesystem::remove(dir.path() / "line_kelvane1.dat");
    std::ofstream(dir.path() / "train_223.dat") << "train";
    const auto warnings = checkRecordedFiles(record, dir.path());
    ASSERT_EQ(warnings.size(), 3U);
    EXPECT_EQ(warnings[0], "the controllers file " + (dir.path() / "mascon.dat").string() +
                               " differs from the one the drive was recorded with");
    EXPECT_EQ(warnings[1], "the train file " + (dir.path() / "train_223.dat").string() +
                               " was missing when the drive was recorded and is there now");
    EXPECT_EQ(warnings[2], "the line file " + (dir.path() / "line_kelvane1.dat").string() +
                               " of the recorded drive is missing");
}

/// A drive of the test line recorded on one platform and replayed on another.
TEST(DriveReplay, ARecordedDriveReplaysExactlyOnAnotherPlatform) {
    const std::filesystem::path folder = std::string(TRESSMOOR_FIXTURES_DIR) + "/drive";
    ServiceChoice choice;
    choice.LineFile = "line_drive.dat";
    choice.TrainFile = "train_drive.dat";
    // The recorded drive: a store with options and a saved slot, a video of 4000 frames, frames
    // of varying length, and input of every kind between them.
    std::ostringstream recordText, traceA;
    {
        data::MemorySettingsStore store;
        store.writeInt(data::kOptionsStore, "Kanko", 1);
        sound::MemoryMixer mixer;
        route::NullVideoSource video(4000);
        data::SeededRandom random(77);
        DriveRecorder recorder(recordText, folder, choice, 77);
        auto s = DrivingSession::create(folder, choice, {mixer, video, store, random}, {},
                                        {&recorder, nullptr});
        DriveTrace trace(traceA);
        const auto& train = s->service().train;
        PanelState panel = BuildPanelState(train.panel, train.spec);
        long double topSpeed = 0;
        for (int f = 0; f < 900; ++f) {
            topSpeed = std::max(topSpeed, s->state().vehicle.Speed);
            if (f == 10) s->keyPress('5');
            if (f >= 12 && f < 16) s->keyPress('8');
            if (f == 20) s->setHeldKeys(true, false, false);
            if (f == 40) s->setHeldKeys(false, false, false);
            if (f == 200) s->save(2);
            if (f == 300) s->wheel(-2);
            if (f == 320) s->keyDown(input::Key::Enter, false);
            if (f == 400) s->setOptions({0, 1, 0, 1, 1});
            if (f == 500) s->load(2);
            if (f == 600) s->serialReceive("garbage\r");
            if (f == 700) s->setStopLinesHidden(true);
            if (f == 750) s->setSpeedFreeze(true);
            if (f == 800) s->setSpeedFreeze(false);
            const long double dt = 15.0L + (f % 7) / 3.0L;
            s->beginFrame(dt, 60);
            UpdatePanelState(panel, train.panel, train.spec, s->state(), false);
            if (f % 97 != 5) s->endFrame();  // now and then the step is lost
            trace.row(dt, *s, panel);
        }
        EXPECT_GT(topSpeed, 5) << "the drive moved";
    }
    const DriveRecord record = parseDriveRecord(recordText.str());
    EXPECT_EQ(record.seed, 77U);
    EXPECT_FALSE(record.statuses.empty());
    ASSERT_EQ(record.videoOpens.size(), 1U);
    EXPECT_EQ(record.videoOpens[0].frames, 4000);

    // The replay: an empty store, an endless video, a fresh mixer; the program's own input is
    // ignored.
    data::MemorySettingsStore store;
    sound::MemoryMixer mixer;
    route::NullVideoSource video;
    data::SeededRandom random(record.seed);
    DriveReplayer replayer(record);
    std::string divergence;
    replayer.onDiverged = [&](const std::string& what) { divergence = what; };
    auto s = DrivingSession::create(folder, record.choice, {mixer, video, store, random}, {},
                                    {nullptr, &replayer});
    std::ostringstream traceB;
    DriveTrace trace(traceB);
    const auto& train = s->service().train;
    PanelState panel = BuildPanelState(train.panel, train.spec);
    int frames = 0;
    while (const auto frame = replayer.nextFrame(*s)) {
        s->keyPress('0');  // not from the record: ignored
        s->setHeldKeys(false, true, true);
        s->beginFrame(frame->dtMs, frame->fps);
        UpdatePanelState(panel, train.panel, train.spec, s->state(), false);
        if (frame->stepped) s->endFrame();
        trace.row(frame->dtMs, *s, panel);
        ++frames;
    }
    EXPECT_EQ(frames, 900);
    EXPECT_EQ(divergence, "");
    EXPECT_EQ(s->service().options.Information, 1);
    EXPECT_EQ(traceB.str(), traceA.str());
}

}  // namespace
}  // namespace tressmoor::sim
