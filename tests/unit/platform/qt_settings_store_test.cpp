// The QSettings-backed store against a temporary folder.
#include "platform/qt_settings_store.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QString>
#include <fstream>
#include <string>
#include <vector>

#include "data/settings_file.h"
#include "test_support/temp_dir.h"

namespace tressmoor::platform {
namespace {

class QtSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(dir_.path().string()));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(dir_.path().string()));
    }
    test_support::TempDir dir_;
    QtSettingsStore store_;
};

TEST_F(QtSettingsStoreTest, ValuesSurviveAndLiveInTheOrganisationFolder) {
    EXPECT_FALSE(store_.readInt("kelvane", "Kanko"));
    ASSERT_TRUE(store_.writeInt("kelvane", "Kanko", 1));
    ASSERT_TRUE(store_.writeString("kelvane", "Save1Title", "桜台 12:34:56"));
    ASSERT_TRUE(store_.writeInt("quillpad", "P0", -5));

    QtSettingsStore again;
    EXPECT_EQ(again.readInt("kelvane", "Kanko"), 1);
    EXPECT_EQ(again.readString("kelvane", "Save1Title"), "桜台 12:34:56");
    EXPECT_EQ(again.readInt("quillpad", "P0"), -5);
    EXPECT_FALSE(again.readInt("quillpad", "P1"));
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "Tressmoor" / "kelvane.conf"));
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "Tressmoor" / "quillpad.conf"));
}

TEST_F(QtSettingsStoreTest, TextThatIsNotAnIntegerReadsAsMissing) {
    store_.writeString("kelvane", "Moji", "yes");
    EXPECT_FALSE(store_.readInt("kelvane", "Moji"));
    EXPECT_EQ(store_.readString("kelvane", "Moji"), "yes");
}

TEST_F(QtSettingsStoreTest, OptionsRoundTripThroughTheStore) {
    data::UserOptions options{1, 0, 1, 0, 0};
    data::WriteUserOptions(store_, options);
    auto back = data::ReadUserOptions(store_);
    EXPECT_EQ(back.Kanko, 1);
    EXPECT_EQ(back.ATS, 1);
    EXPECT_EQ(back.Moji, 0);
}

TEST_F(QtSettingsStoreTest, AFileWhereTheFolderShouldBeIsSaidOnceAndNothingIsKept) {
    // The settings folder's place is taken by a file: the store's folder cannot be made.
    const auto blocked = dir_.path() / "blocked";
    std::ofstream(blocked) << "not a folder";
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(blocked.string()));
    std::vector<std::string> notices;
    QtSettingsStore store([&](const std::string& text) { notices.push_back(text); });
    EXPECT_FALSE(store.writeInt("kelvane", "Kanko", 1));
    EXPECT_FALSE(store.writeString("kelvane", "Save1", "line_drive.dat,0,0,0,0,0,0"));
    EXPECT_FALSE(store.writeInt("quillpad", "P0", 3));
    ASSERT_EQ(notices.size(), 1U);
    EXPECT_NE(notices[0].find("kelvane.conf"), std::string::npos) << notices[0];
    EXPECT_TRUE(std::filesystem::is_regular_file(blocked));

    // The next start finds nothing kept.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString((dir_.path() / "elsewhere").string()));
    EXPECT_FALSE(QtSettingsStore().readInt("kelvane", "Kanko"));
}

}  // namespace
}  // namespace tressmoor::platform
