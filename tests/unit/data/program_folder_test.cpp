// Finding the program folder: command line, environment, beside the executable, installed.
#include "data/program_folder.h"

#include <gtest/gtest.h>

#include <fstream>

#include "test_support/temp_dir.h"

namespace tressmoor::data {
namespace {

namespace fs = std::filesystem;

/// An installation tree: <root>/prefix/bin (the executables) and <root>/prefix/share/tressmoor
/// (the installed program folder), plus two folders of one's own.
class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& f : {bin(), installed(), mine(), other()}) fs::create_directories(f);
    }
    fs::path bin() const { return root_.path() / "prefix" / "bin"; }
    fs::path installed() const { return root_.path() / "prefix" / "share" / "tressmoor"; }
    fs::path mine() const { return root_.path() / "mine"; }
    fs::path other() const { return root_.path() / "other"; }
    const fs::path& rootPath() const { return root_.path(); }
    static void giveSettings(const fs::path& folder) {
        std::ofstream(folder / "tressmoor.dat") << "[Disp]\n30\n";
    }

private:
    test_support::TempDir root_;
};

TEST_F(ProgramFolderTest, InstalledFolderIsShareTressmoorBesideTheBinFolder) {
    EXPECT_EQ(installedProgramFolder(bin()), installed());
    // A moved prefix moves its program folder along.
    EXPECT_EQ(installedProgramFolder(other() / "bin"), other() / "share" / "tressmoor");
}

TEST_F(ProgramFolderTest, EachPlaceWinsOverTheOnesAfterIt) {
    for (const auto& f : {bin(), installed(), mine(), other()}) giveSettings(f);
    const std::string mineText = mine().string();
    EXPECT_EQ(resolveProgramFolder(mineText, other().c_str(), bin()), mine());
    EXPECT_EQ(resolveProgramFolder(std::nullopt, other().c_str(), bin()), other());
    EXPECT_EQ(resolveProgramFolder(std::nullopt, nullptr, bin()), bin());
    fs::remove(bin() / "tressmoor.dat");
    EXPECT_EQ(resolveProgramFolder(std::nullopt, nullptr, bin()), installed());
    // Empty values count as not given.
    EXPECT_EQ(resolveProgramFolder(std::string(), "", bin()), installed());
}

TEST_F(ProgramFolderTest, AFolderTheUserNamesIsTakenEvenWithoutSettings) {
    giveSettings(bin());
    giveSettings(installed());
    EXPECT_EQ(resolveProgramFolder(mine().string(), nullptr, bin()), mine());
    EXPECT_EQ(resolveProgramFolder(std::nullopt, mine().c_str(), bin()), mine());
}

TEST_F(ProgramFolderTest, WithoutAnySettingsTheExecutableFolderIsReported) {
    EXPECT_EQ(resolveProgramFolder(std::nullopt, nullptr, bin()), bin());
    // A folder named tressmoor.dat is no settings file.
    fs::create_directory(installed() / "tressmoor.dat");
    EXPECT_EQ(resolveProgramFolder(std::nullopt, nullptr, bin()), bin());
}

TEST_F(ProgramFolderTest, RelativeFoldersComeBackAbsoluteAndNormal) {
    const fs::path cwd = fs::current_path();
    fs::current_path(rootPath());
    const auto fromOption = resolveProgramFolder(std::string("mine/../other/"), nullptr, bin());
    const auto fromBin = resolveProgramFolder(std::nullopt, nullptr, "prefix/bin");
    giveSettings(installed());
    const auto fromInstalled = resolveProgramFolder(std::nullopt, nullptr, "prefix/./bin");
    fs::current_path(cwd);
    EXPECT_EQ(fromOption, other() / "");
    EXPECT_EQ(fromBin, bin());
    EXPECT_EQ(fromInstalled, installed());
}

}  // namespace
}  // namespace tressmoor::data
