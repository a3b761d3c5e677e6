// The Controller menu of the driving window: the kept controller type, the debug caption, the
// serial port opened on a pseudo-terminal and the port settings dialog.
#include "view/controller_menu.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QTest>
#include <filesystem>
#include <random>
#include <string>

#include "sound/memory_mixer.h"
#include "unit/view/gui_application.h"
#include "view/driving_window.h"
#include "view/serial_setup_dialog.h"

namespace tressmoor::view {
namespace {

const std::filesystem::path kFolder = std::filesystem::path(TRESSMOOR_FIXTURES_DIR) / "drive";

class ControllerMenuTest : public ::testing::Test {
protected:
    void SetUp() override { ControllerMenu::setProgramControllerType(0); }
    void TearDown() override {
        ControllerMenu::setProgramControllerType(0);
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
    }
    std::unique_ptr<DrivingWindow> open(DriveOptions options = {}) {
        sim::ServiceChoice choice;
        choice.LineFile = "line_drive.dat";
        choice.TrainFile = "train_drive.dat";
        options.fixedStepMs = 1000.0L / 60;
        options.unattended = true;
        return std::make_unique<DrivingWindow>(kFolder, choice, mixer_, store_, std::move(options));
    }
    /// A pseudo-terminal pair; returns the name of the side the program opens.
    std::string openPty() {
        char name[256] = {};
        EXPECT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        return name;
    }
    void send(const std::string& text) {
        ASSERT_EQ(::write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    sound::MemoryMixer mixer_;
    data::MemorySettingsStore store_;
    int master_ = -1;
    int slave_ = -1;
};

TEST_F(ControllerMenuTest, ChosenTypeIsCheckedAndKeptForTheNextDrive) {
    auto w = open();
    ControllerMenu* menu = w->controllers();
    EXPECT_TRUE(menu->typeAction(0)->isChecked());
    EXPECT_EQ(w->session().controllerType(), 0);
    menu->typeAction(2)->trigger();
    EXPECT_TRUE(menu->typeAction(2)->isChecked());
    EXPECT_FALSE(menu->typeAction(0)->isChecked());
    EXPECT_EQ(w->session().controllerType(), 2);
    w->close();
    w.reset();

    auto next = open();
    EXPECT_TRUE(next->controllers()->typeAction(2)->isChecked());
    EXPECT_EQ(next->session().controllerType(), 2);
}

TEST_F(ControllerMenuTest, DebugOptionShowsTheJoystickAxesAsCaption) {
    DriveOptions options;
    options.script = sim::parseScript("0 joy 321 -4321 -\n");
    auto w = open(std::move(options));
    w->controllers()->typeAction(1)->trigger();
    w->controllers()->debugAction()->trigger();
    w->show();
    w->startDriving();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->windowTitle() == "X:321 Y:-4321"; }, 20000))
        << w->windowTitle().toStdString();
    EXPECT_EQ(w->session().state().vehicle.PowerHandle, 1);
    w->controllers()->debugAction()->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->windowTitle() != "X:321 Y:-4321"; }, 20000));
    w->close();
}

TEST_F(ControllerMenuTest, JoystickPluggedInMidDriveDrivesTheHandles) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    if (SDL_NumJoysticks() > 0) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        GTEST_SKIP() << "a real joystick is attached";
    }
    auto w = open();
    w->controllers()->typeAction(1)->trigger();
    w->show();
    w->startDriving();
    const auto& v = w->session().state().vehicle;
    const long long frames = w->framesProcessed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->framesProcessed() > frames + 3; }, 20000));
    EXPECT_EQ(v.BrakeHandle, -8);  // nothing attached yet

    const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 16, 0);
    ASSERT_GE(device, 0) << SDL_GetError();
    SDL_Joystick* stick = SDL_JoystickOpen(device);
    ASSERT_NE(stick, nullptr) << SDL_GetError();
    SDL_JoystickSetVirtualAxis(stick, 0, 5000);    // brake step 3
    SDL_JoystickSetVirtualAxis(stick, 1, -13000);  // notch 3
    EXPECT_TRUE(QTest::qWaitFor([&] { return v.PowerHandle == 3; }, 20000));
    EXPECT_EQ(v.BrakeHandle, -3);

    // Pulled out: the handles stay where they are.
    SDL_JoystickClose(stick);
    SDL_JoystickDetachVirtual(device);
    const long long later = w->framesProcessed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->framesProcessed() > later + 3; }, 20000));
    EXPECT_EQ(v.PowerHandle, 3);
    EXPECT_EQ(v.BrakeHandle, -3);
    w->close();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

TEST_F(ControllerMenuTest, SerialControllerOnAPseudoTerminalDrivesTheHandles) {
    DriveOptions options;
    options.serialPort = openPty();
    auto w = open(std::move(options));
    w->show();
    w->startDriving();
    ASSERT_TRUE(w->controllers()->serialOpen());
    EXPECT_TRUE(w->controllers()->connectAction()->isChecked());
    const auto& v = w->session().state().vehicle;
    // The test map's first two codes are power notches 1 and 2; split, then two in one chunk.
    send("AAA");
    send("AA\r");
    ASSERT_TRUE(QTest::qWaitFor([&] { return v.PowerHandle == 1; }, 20000));
    EXPECT_EQ(v.BrakeHandle, 0);
    send("BBBBB\rAAAAA\r");
    ASSERT_TRUE(QTest::qWaitFor([&] { return v.PowerHandle == 2; }, 20000));
    QTest::qWait(100);
    EXPECT_EQ(v.PowerHandle, 2);

    // Connect closes an open port, and the window's close closes it too.
    w->controllers()->connectAction()->trigger();
    EXPECT_FALSE(w->controllers()->serialOpen());
    w->controllers()->connectAction()->trigger();
    EXPECT_TRUE(w->controllers()->serialOpen());
    w->close();
    EXPECT_FALSE(w->controllers()->serialOpen());
}

TEST_F(ControllerMenuTest, SerialNoiseOnThePortLeavesTheHandlesAndStaysBounded) {
    DriveOptions options;
    options.serialPort = openPty();
    auto w = open(std::move(options));
    w->show();
    w->startDriving();
    ASSERT_TRUE(w->controllers()->serialOpen());
    const auto& s = w->session().state();
    send("AAAAA\r");
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.vehicle.PowerHandle == 1; }, 20000));
    // A megabyte of random bytes without a carriage return (none an 'A' or 'B', the codes'
    // first letters), then a line of 100 kB: the handles stay, the message kept is bounded.
    std::mt19937 random(20261209);
    std::string chunk(4096, ' ');
    for (int i = 0; i < 256; ++i) {
        for (char& c : chunk) {
            c = static_cast<char>(random() % 256);
            if (c == '\r' || c == 'A' || c == 'B') c = 'x';
        }
        send(chunk);
        QTest::qWait(1);
    }
    for (int i = 0; i < 24; ++i) {
        send(std::string(4096, 'y'));
        QTest::qWait(1);
    }
    send("\r");
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.SerialMessage.size() > 200; }, 20000));
    EXPECT_LE(s.SerialMessage.size(), input::SerialAssembler::kMaxMessage + 1);
    EXPECT_EQ(s.vehicle.PowerHandle, 1);
    EXPECT_EQ(s.vehicle.BrakeHandle, 0);
    // The controller's next code is read as usual.
    send("BBBBB\r");
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.vehicle.PowerHandle == 2; }, 20000));
    w->close();
}

TEST_F(ControllerMenuTest, PortThatCannotBeOpenedLeavesTheDriveRunning) {
    DriveOptions options;
    options.serialPort = "/dev/tressmoor-no-such-port";
    auto w = open(std::move(options));
    w->show();
    w->startDriving();
    EXPECT_FALSE(w->controllers()->serialOpen());
    EXPECT_FALSE(w->controllers()->connectAction()->isChecked());
    const long long frames = w->framesProcessed();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->framesProcessed() > frames + 5; }, 20000));
    EXPECT_TRUE(w->isVisible());
    w->close();
}

TEST(SerialSetupDialogTest, StartsFromTheSettingsAndReturnsTheChoice) {
    platform::SerialSettings current;
    current.portName = "/dev/ttyTEST7";
    current.baudRate = 19200;
    current.parity = QSerialPort::EvenParity;
    SerialSetupDialog dialog(current);
    EXPECT_EQ(dialog.portBox()->currentText(), "/dev/ttyTEST7");
    EXPECT_EQ(dialog.baudBox()->currentText(), "19200");
    EXPECT_EQ(dialog.dataBitsBox()->currentText(), "8");
    dialog.stopBitsBox()->setCurrentIndex(dialog.stopBitsBox()->findData(QSerialPort::TwoStop));
    dialog.flowBox()->setCurrentIndex(dialog.flowBox()->findData(QSerialPort::SoftwareControl));
    dialog.portBox()->setCurrentText("/dev/ttyOTHER");
    const auto chosen = dialog.settings();
    EXPECT_EQ(chosen.portName, "/dev/ttyOTHER");
    EXPECT_EQ(chosen.baudRate, 19200);
    EXPECT_EQ(chosen.dataBits, QSerialPort::Data8);
    EXPECT_EQ(chosen.parity, QSerialPort::EvenParity);
    EXPECT_EQ(chosen.stopBits, QSerialPort::TwoStop);
    EXPECT_EQ(chosen.flowControl, QSerialPort::SoftwareControl);
}

}  // namespace
}  // namespace tressmoor::view
