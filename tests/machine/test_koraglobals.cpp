#include "machine/koraglobals.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/tempdir.h"

namespace {

TEST(DataFolder, IsCreatedWithItsParentsUnderXdgConfigHome) {
  ScopedConfigHome home;
  const std::string expected = home.path() + "/Quorvel/KORApc/";
  ASSERT_FALSE(std::filesystem::exists(home.path() + "/Quorvel"));
  EXPECT_EQ(GetDataFolder(), expected);
  EXPECT_TRUE(std::filesystem::is_directory(expected));
  EXPECT_EQ(GetSettingsFilePath(), expected + "korapc.ini");
  EXPECT_EQ(GetAutoSelectFilePath(), expected + "autoselect.asl");
  EXPECT_EQ(GetPowerOnFilePath(), expected + "poweron.dat");
}

TEST(DataFolder, FallsBackToHomeConfigWhenXdgConfigHomeIsUnsetOrRelative) {
  TempDir home;
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  ScopedConfigHome scoped;  // restores XDG_CONFIG_HOME afterwards
  ::setenv("HOME", home.path().c_str(), 1);
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(GetDataFolder(), home.path() + "/.config/Quorvel/KORApc/");
  ::setenv("XDG_CONFIG_HOME", "relative/path", 1);
  EXPECT_EQ(GetDataFolder(), home.path() + "/.config/Quorvel/KORApc/");
  ::setenv("HOME", savedHome.c_str(), 1);
}

TEST(DataFolder, UncreatableFolderStillGivesThePath) {
  TempDir dir;
  const std::string blocker = dir.File("file");
  TempDir::WriteAll(blocker, "x");  // a file where a folder should be
  ScopedConfigHome scoped;
  ::setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
  EXPECT_EQ(GetDataFolder(), blocker + "/Quorvel/KORApc/");
}

TEST(ExeFolder, EndsInASlashAndHoldsTheTestProgram) {
  const std::string folder = GetExeFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "test_koraglobals"));
}

TEST(ProgramStrings, AreTheFixedResourceTexts) {
  EXPECT_STREQ(kora::kVendorName, "Quorvel");
  EXPECT_STREQ(kora::kProductName, "KORApc");
  EXPECT_STREQ(kora::kServiceCodeText, "5173920468");
}

}  // namespace

// Every upload takes the port and code published now and "DELAY" as korapc.ini
// holds it now, so a port picked or a delay edited between two uploads counts.
TEST(LinkSettingsOfAnUpload, AreReadAnewFromTheGlobalsAndTheSettingsFile) {
  ScopedConfigHome home;
  ChosenComPort = "/dev/ttyUSB3";
  ServiceCode = "5173920468";
  const LinkSettings first = CurrentLinkSettings();
  EXPECT_EQ(first.portName, "/dev/ttyUSB3");
  EXPECT_EQ(first.serviceCode, "5173920468");
  EXPECT_EQ(first.commandDelay, 10);  // no korapc.ini yet
  EXPECT_EQ(first.echoGrace, 200);

  ChosenComPort = "/dev/ttyACM0";
  TempDir::WriteAll(GetSettingsFilePath(), "[KORACOMM]\nDELAY=40\nECHOGRACE=0\n");
  const LinkSettings second = CurrentLinkSettings();
  EXPECT_EQ(second.portName, "/dev/ttyACM0");
  EXPECT_EQ(second.commandDelay, 40);
  EXPECT_EQ(second.echoGrace, 0);
  ChosenComPort.clear();
  ServiceCode.clear();
}
