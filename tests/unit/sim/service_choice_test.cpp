// The service choice handed from the title window to the drive.
#include <gtest/gtest.h>

#include "sim/service.h"

namespace tressmoor::sim {
namespace {

TEST(ServiceChoice, APickedTrainReplacesTheBuiltInOneAndItsFolderIsRead) {
    const ServiceChoice builtIn = ServiceChoice::forService(4);
    EXPECT_EQ(builtIn.LineFile, "line_exp.dat");
    EXPECT_EQ(builtIn.TrainFile, "train_683.dat");
    EXPECT_EQ(trainFolderOf("/program", builtIn), std::filesystem::path("/program"));

    const ServiceChoice picked = ServiceChoice::forService(4, "kiha.dat", "/trains/");
    EXPECT_EQ(picked.LineFile, "line_exp.dat");
    EXPECT_EQ(picked.TrainFile, "kiha.dat");
    EXPECT_EQ(trainFolderOf("/program", picked), std::filesystem::path("/trains/"));
    EXPECT_EQ(picked.StartStation, 0);
    EXPECT_EQ(picked.StationLimit, 999);

    // A folder without a file is no pick.
    const ServiceChoice folderOnly = ServiceChoice::forService(0, "", "/trains/");
    EXPECT_EQ(folderOnly.TrainFile, "train_223.dat");
    EXPECT_TRUE(folderOnly.TrainFolder.empty());
}

}  // namespace
}  // namespace tressmoor::sim
