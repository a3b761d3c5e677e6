// The serial controller's port on a pseudo-terminal: characters arrive unchanged and in order.
#include "platform/serial_link.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <memory>
#include <string>

namespace tressmoor::platform {
namespace {

/// The event loop of these tests; made before the first test and gone after the last, while
/// Qt's own statics still exist.
class CoreApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance() == nullptr) {
            app_ = std::make_unique<QCoreApplication>(argc_, argv_);
        }
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[15] = "platform_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};

::testing::Environment* const kCoreApplication =
    ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

class SerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[256] = {};
        ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        path_ = QString::fromLocal8Bit(name);
    }
    void TearDown() override {
        link_.close();
        ::close(master_);
        ::close(slave_);
    }
    void send(const std::string& text) {
        ASSERT_EQ(::write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    /// Runs the event loop until `expected` has arrived (or a few seconds have passed).
    void waitFor(const std::string& expected) {
        QDeadlineTimer deadline(5000);
        while (received_.size() < expected.size() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        EXPECT_EQ(received_, expected);
    }

    int master_ = -1;
    int slave_ = -1;
    QString path_;
    std::string received_;
    int chunks_ = 0;
    SerialLink link_{[this](std::string_view chunk) {
        received_.append(chunk);
        ++chunks_;
    }};
};

TEST_F(SerialLinkTest, SplitMessagesArriveInOrderWithTheirCarriageReturns) {
    ASSERT_EQ(link_.open({.portName = path_}), QString());
    EXPECT_TRUE(link_.isOpen());
    send("TS");
    waitFor("TS");
    send("A05\rTSB");
    waitFor("TSA05\rTSB");
    send("12\rTSA01\r");  // two messages in one chunk
    waitFor("TSA05\rTSB12\rTSA01\r");
    send("noCR");
    waitFor("TSA05\rTSB12\rTSA01\rnoCR");
    EXPECT_GE(chunks_, 4);
}

TEST_F(SerialLinkTest, ClosedPortReceivesNothingAndReopens) {
    ASSERT_EQ(link_.open({.portName = path_}), QString());
    link_.close();
    EXPECT_FALSE(link_.isOpen());
    EXPECT_EQ(link_.portName(), QString());
    ASSERT_EQ(link_.open({.portName = path_, .baudRate = 19200}), QString());
    send("X\r");
    waitFor("X\r");
}

TEST_F(SerialLinkTest, MissingPortReportsItsName) {
    const QString error = link_.open({.portName = "/dev/tressmoor-no-such-port"});
    EXPECT_TRUE(error.startsWith("/dev/tressmoor-no-such-port: ")) << error.toStdString();
    EXPECT_FALSE(link_.isOpen());
}

}  // namespace
}  // namespace tressmoor::platform
