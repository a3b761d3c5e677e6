// The help window: its caption and text from the help file, and the keys it passes on.
#include "view/help_window.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/text_file.h"
#include "test_support/temp_dir.h"
#include "unit/view/gui_application.h"
#include "view/key_relay.h"

namespace tressmoor::view {
namespace {

/// Records the keys it gets, as the driving window's handlers would see them.
class KeyRecorder final : public QWidget {
public:
    std::vector<std::string> keys;

protected:
    void keyPressEvent(QKeyEvent* e) override { record("press", e); }
    void keyReleaseEvent(QKeyEvent* e) override { record("release", e); }

private:
    void record(const char* what, const QKeyEvent* e) {
        std::string line = std::string(what) + " " + std::to_string(e->key()) + " '" +
                           e->text().toStdString() + "'";
        if (e->modifiers() & Qt::ShiftModifier) line += " shift";
        keys.push_back(line);
    }
};

class HelpWindowTest : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& bytes) {
        const auto file = temp_.path() / "operation.dat";
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    test_support::TempDir temp_;
    KeyRecorder target_;
};

TEST_F(HelpWindowTest, FirstLineIsTheCaptionAndTheRestTheReadOnlyText) {
    HelpWindow help(&target_, nullptr);
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Help"));
    ASSERT_TRUE(help.load(write(data::encodeCp932("操作説明\r\n1行目\r\n\r\n3行目\r\n"))));
    EXPECT_EQ(help.windowTitle(), QString::fromUtf8("操作説明"));
    EXPECT_EQ(help.text()->toPlainText(), QString::fromUtf8("1行目\n\n3行目"));
    EXPECT_TRUE(help.text()->isReadOnly());
    EXPECT_EQ(help.text()->objectName(), QStringLiteral("Memo1"));

    // UTF-8 with a byte-order mark reads alike.
    ASSERT_TRUE(help.load(write("\xEF\xBB\xBFヘルプ\nテキスト")));
    EXPECT_EQ(help.windowTitle(), QString::fromUtf8("ヘルプ"));
    EXPECT_EQ(help.text()->toPlainText(), QString::fromUtf8("テキスト"));
}

TEST_F(HelpWindowTest, AFileThatCannotBeReadLeavesTheCaptionAndAnEmptyText) {
    HelpWindow help(&target_, nullptr);
    EXPECT_FALSE(help.load(temp_.path() / "missing.dat"));
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Help"));
    EXPECT_TRUE(help.text()->toPlainText().isEmpty());
}

TEST_F(HelpWindowTest, KeysTypedIntoTheTextArePassedOnUnchanged) {
    HelpWindow help(&target_, nullptr);
    QTest::keyClick(help.text(), Qt::Key_8);
    QTest::keyClick(help.text(), Qt::Key_F12, Qt::ShiftModifier);
    QTest::keyPress(help.text(), Qt::Key_3);
    QTest::keyRelease(help.text(), Qt::Key_3);
    const std::vector<std::string> expected = {
        "press " + std::to_string(Qt::Key_8) + " '8'",
        "release " + std::to_string(Qt::Key_8) + " '8'",
        // The shift key itself comes and goes around the F12 it modifies.
        "press " + std::to_string(Qt::Key_Shift) + " ''",
        "press " + std::to_string(Qt::Key_F12) + " '' shift",
        "release " + std::to_string(Qt::Key_F12) + " '' shift",
        "release " + std::to_string(Qt::Key_Shift) + " '' shift",
        "press " + std::to_string(Qt::Key_3) + " '3'",
        "release " + std::to_string(Qt::Key_3) + " '3'",
    };
    EXPECT_EQ(target_.keys, expected);
}

TEST_F(HelpWindowTest, NothingIsPassedOnOnceTheTargetIsGone) {
    auto target = std::make_unique<KeyRecorder>();
    QWidget source;
    (new KeyRelay(target.get(), KeyRelay::Keys::All, &source, KeyRelay::Watched::KeepsKeys))
        ->watch(&source);
    target.reset();
    QTest::keyClick(&source, Qt::Key_8);  // must not reach a destroyed window
    SUCCEED();
}

}  // namespace
}  // namespace tressmoor::view
