#include "common/settingsfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/tempdir.h"

namespace {

TEST(SettingsFile, RoundTripOfIntegersAndStrings) {
  TempDir dir;
  const std::string path = dir.File("korapc.ini");
  {
    SettingsFile ini(path);
    EXPECT_TRUE(ini.WriteInteger("KORAPCForm", "TOP", -12));
    EXPECT_TRUE(ini.WriteString("KORAPCForm", "COMPORT", "/dev/ttyUSB0"));
  }
  const SettingsFile ini(path);
  EXPECT_EQ(ini.ReadInteger("KORAPCForm", "TOP", 0), -12);
  EXPECT_EQ(ini.ReadString("KORAPCForm", "COMPORT", "COM1"), "/dev/ttyUSB0");
}

TEST(SettingsFile, FirstWriteCreatesTheFileAsKeyEqualsValueLines) {
  TempDir dir;
  const std::string path = dir.File("new.ini");
  SettingsFile(path).WriteInteger("KORACOMM", "DELAY", 25);
  EXPECT_EQ(TempDir::ReadAll(path), "[KORACOMM]\nDELAY=25\n");
}

TEST(SettingsFile, NamesMatchWhateverTheirCase) {
  TempDir dir;
  const std::string path = dir.File("korapc.ini");
  TempDir::WriteAll(path, "[korapcform]\ntop=5\nComPort=COM2\n");
  const SettingsFile ini(path);
  EXPECT_EQ(ini.ReadInteger("KORAPCForm", "TOP", -1), 5);
  EXPECT_EQ(ini.ReadString("KORAPCFORM", "COMPORT", ""), "COM2");
}

TEST(SettingsFile, MissingFileSectionOrKeyGivesTheDefault) {
  TempDir dir;
  const SettingsFile missing(dir.File("absent.ini"));
  EXPECT_EQ(missing.ReadInteger("KORAPCForm", "TOP", -1), -1);
  EXPECT_EQ(missing.ReadString("KORAPCForm", "COMPORT", "COM1"), "COM1");

  TempDir::WriteAll(dir.File("some.ini"), "[KORAPCForm]\nLEFT=3\n");
  const SettingsFile some(dir.File("some.ini"));
  EXPECT_EQ(some.ReadInteger("KORACOMM", "DELAY", 10), 10);
  EXPECT_EQ(some.ReadInteger("KORAPCForm", "TOP", -1), -1);
  EXPECT_EQ(some.ReadInteger("KORAPCForm", "LEFT", -1), 3);
}

TEST(SettingsFile, ASectionIsThereEvenWithoutKeysAndWhateverTheCaseOfItsName) {
  TempDir dir;
  EXPECT_FALSE(SettingsFile(dir.File("absent.ini")).HasSection("sgPowerOn"));
  TempDir::WriteAll(dir.File("some.ini"), "[sgpoweron]\n[KORAPCForm]\nLEFT=3\n");
  const SettingsFile some(dir.File("some.ini"));
  EXPECT_TRUE(some.HasSection("sgPowerOn"));
  EXPECT_TRUE(some.HasSection("KORAPCForm"));
  EXPECT_FALSE(some.HasSection("sgAutoSelect"));
}

TEST(SettingsFile, ValuesThatAreNotIntegersGiveTheDefault) {
  TempDir dir;
  const std::string path = dir.File("korapc.ini");
  TempDir::WriteAll(path,
                    "[sgPowerOn]\nCOL_0_WIDTH=wide\nCOL_1_WIDTH=12abc\nCOL_2_WIDTH=\n"
                    "COL_3_WIDTH=99999999999\nCOL_4_WIDTH= +42 \nCOL_5_WIDTH=-7\n");
  const SettingsFile ini(path);
  EXPECT_EQ(ini.ReadInteger("sgPowerOn", "COL_0_WIDTH", 64), 64);
  EXPECT_EQ(ini.ReadInteger("sgPowerOn", "COL_1_WIDTH", 64), 64);
  EXPECT_EQ(ini.ReadInteger("sgPowerOn", "COL_2_WIDTH", 64), 64);
  EXPECT_EQ(ini.ReadInteger("sgPowerOn", "COL_3_WIDTH", 64), 64);
  EXPECT_EQ(ini.ReadInteger("sgPowerOn", "COL_4_WIDTH", 64), 42);
  EXPECT_EQ(ini.ReadInteger("sgPowerOn", "COL_5_WIDTH", 64), -7);
}

TEST(SettingsFile, AWriteKeepsEveryOtherSectionAndKey) {
  TempDir dir;
  const std::string path = dir.File("korapc.ini");
  TempDir::WriteAll(path, "[KORACOMM]\nDELAY=25\n[KORAPCForm]\nTOP=1\nLEFT=2\n");
  SettingsFile(path).WriteInteger("korapcform", "top", 9);
  const SettingsFile ini(path);
  EXPECT_EQ(ini.ReadInteger("KORACOMM", "DELAY", 10), 25);
  EXPECT_EQ(ini.ReadInteger("KORAPCForm", "TOP", -1), 9);
  EXPECT_EQ(ini.ReadInteger("KORAPCForm", "LEFT", -1), 2);
}

TEST(SettingsFile, EachWriteIsOnDiskWhenTheCallReturns) {
  TempDir dir;
  const std::string path = dir.File("korapc.ini");
  SettingsFile writer(path);
  writer.WriteInteger("A", "X", 1);
  EXPECT_EQ(SettingsFile(path).ReadInteger("A", "X", 0), 1);
  writer.WriteInteger("A", "Y", 2);
  EXPECT_EQ(SettingsFile(path).ReadInteger("A", "Y", 0), 2);
}

TEST(SettingsFile, AFailedWriteLeavesTheOldFileWholeAndSaysSo) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write into a read-only folder";
  TempDir dir;
  const std::string path = dir.File("korapc.ini");
  const std::string old = "[KORACOMM]\nDELAY=25\n";
  TempDir::WriteAll(path, old);
  ::chmod(dir.path().c_str(), 0500);
  SettingsFile ini(path);
  EXPECT_FALSE(ini.WriteInteger("KORAPCForm", "TOP", 1));
  ::chmod(dir.path().c_str(), 0700);
  EXPECT_EQ(TempDir::ReadAll(path), old);
}

TEST(SettingsFile, AFileThatCannotBeReadOrWrittenIsNeverWrittenOver) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads and writes any file";
  TempDir dir;
  const std::string path = dir.File("korapc.ini");
  const std::string old = "[KORACOMM]\nDELAY=25\n[KORAPCForm]\nTOP=7\n";
  for (const mode_t mode : {0000, 0200, 0400}) {
    TempDir::WriteAll(path, old);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    {
      SettingsFile ini(path);
      EXPECT_FALSE(ini.WriteInteger("KORAPCForm", "TOP", 1)) << mode;
      EXPECT_FALSE(ini.WriteString("sgPowerOn", "COL_0_WIDTH", "40")) << mode;
    }
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(TempDir::ReadAll(path), old) << mode;
  }
}

TEST(SettingsFile, AFolderOrAPipeInItsPlaceReadsAsEmptyAndIsNeverWritten) {
  TempDir dir;
  const std::string folder = dir.File("korapc.ini");
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  {
    SettingsFile ini(folder);
    EXPECT_EQ(ini.ReadInteger("KORACOMM", "DELAY", 10), 10);
    EXPECT_FALSE(ini.WriteInteger("KORAPCForm", "TOP", 1));
  }
  struct stat st {};
  EXPECT_TRUE(::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode));

  // Opening a pipe for reading would wait for a writer that never comes.
  const std::string pipe = dir.File("pipe.ini");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  SettingsFile ini(pipe);
  EXPECT_EQ(ini.ReadString("KORAPCForm", "COMPORT", "COM1"), "COM1");
  EXPECT_FALSE(ini.WriteString("KORAPCForm", "COMPORT", "COM2"));
  EXPECT_TRUE(::stat(pipe.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
}

}  // namespace
