// The uploads korapc-program builds from its files, and every file it must
// refuse before a port is opened, in the window program's words.
#include "cli/uploadjobs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "machine/koraglobals.h"
#include "support/aslrecord.h"
#include "support/tempdir.h"

namespace {

const std::string kOpenError = "An error occurred while opening the file.";
const std::string kReadError = "An error occurred while reading the file.";

std::string TenRecords() {
  std::string file;
  for (int i = 1; i <= 10; ++i) file += AslRecord("SETUP " + std::to_string(i), {i, 300});
  return file;
}

class UploadJobsTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    TempDir::WriteAll(files.File(name), bytes);
    return files.File(name);
  }
  static void ExpectRefusal(const BuiltJobs& built, const std::string& file,
                            const std::string& caption, const std::string& text) {
    ASSERT_TRUE(built.refusal.has_value());
    EXPECT_EQ(built.refusal->file, file);
    EXPECT_EQ(built.refusal->caption, caption);
    EXPECT_EQ(built.refusal->text, text);
    EXPECT_TRUE(built.jobs.empty());
  }

  ScopedConfigHome home;
  TempDir files;
};

TEST_F(UploadJobsTest, PowerOnValuesComeFirstThenTheAutoSelectionsAsAUserClicksThem) {
  const BuiltJobs built =
      BuildUploadJobs({Write("poweron.dat", "3\r\n3\r\n0\r\n"), Write("ward-a.asl", TenRecords())});
  ASSERT_FALSE(built.refusal.has_value());
  ASSERT_EQ(built.jobs.size(), 2u);
  EXPECT_EQ(built.jobs[0].name, "power-on values");
  EXPECT_EQ(built.jobs[0].plan.progressText, "Sending Power On Values...");
  EXPECT_EQ(built.jobs[0].plan.progressMaximum, 20);
  EXPECT_EQ(built.jobs[0].plan.noticeCaption, "Power On Settings");
  EXPECT_EQ(built.jobs[1].name, "auto selections");
  EXPECT_EQ(built.jobs[1].plan.progressText, "Sending Auto Setups...");
  EXPECT_EQ(built.jobs[1].plan.progressMaximum, 300);
  EXPECT_EQ(built.jobs[1].plan.noticeCaption, "Auto Selections");

  EXPECT_EQ(BuildUploadJobs({std::nullopt, Write("only.asl", TenRecords())}).jobs.size(), 1u);
}

TEST_F(UploadJobsTest, APowerOnFileThatCannotBeReadOrHoldsAValueOutsideItsListIsRefused) {
  ExpectRefusal(BuildUploadJobs({files.File("missing.dat"), std::nullopt}),
                files.File("missing.dat"), "Error Opening File", kOpenError);
  ExpectRefusal(BuildUploadJobs({files.path(), std::nullopt}), files.path(), "Error Opening File",
                kOpenError);
  const std::string bad = Write("bad.dat", "3\nthree\n");
  ExpectRefusal(BuildUploadJobs({bad, std::nullopt}), bad, "Error Reading File", kReadError);
  // The power-on page's own refusal: option 8 holds 200.
  const std::string odd = Write("odd.dat", "3\n3\n0\n1\n0\n2\n4\n200\n");
  ExpectRefusal(
      BuildUploadJobs({odd, std::nullopt}), odd, "Power On Settings",
      "The power-on value of \"Respiration Delta\" is invalid (200).\n\nChoose a value for it with Edit "
      "Power On Value, then send the values again.");
}

TEST_F(UploadJobsTest, AnAslFileThatOpenRejectsOrThatHoldsAForeignCodeIsRefused) {
  ExpectRefusal(BuildUploadJobs({std::nullopt, files.File("missing.asl")}),
                files.File("missing.asl"), "Error Opening File", kOpenError);
  const std::string shortFile = Write("short.asl", TenRecords().substr(0, 639));
  ExpectRefusal(BuildUploadJobs({std::nullopt, shortFile}), shortFile, "Error Reading File",
                kReadError);
  std::string records = TenRecords();
  records.replace(64, 64, AslRecord("ODD", {13, 600}));
  const std::string foreign = Write("foreign.asl", records);
  ExpectRefusal(
      BuildUploadJobs({std::nullopt, foreign}), foreign, "Auto Selections",
      "Auto selection 2 (\"ODD\") holds the key code 600, which the KORA-1 does not have.\n\nChoose its "
      "settings again with Edit Auto Selection, then send the auto selections again.");
  // A pipe would keep Open waiting for records that never come.
  const std::string pipe = files.File("pipe.asl");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  ExpectRefusal(BuildUploadJobs({std::nullopt, pipe}), pipe, "Error Opening File", kOpenError);
  // Both files bad: the power-on file is the one named, and nothing is built.
  ExpectRefusal(BuildUploadJobs({files.File("missing.dat"), foreign}), files.File("missing.dat"),
                "Error Opening File", kOpenError);
}

TEST_F(UploadJobsTest, SavedTakesTheDataFolderFilesAndTheSavedAslAsThePageReadsIt) {
  ExpectRefusal(BuildUploadJobs({std::string("saved"), std::nullopt}), GetPowerOnFilePath(),
                "Error Opening File", kOpenError);
  ExpectRefusal(BuildUploadJobs({std::nullopt, std::string("saved")}), GetAutoSelectFilePath(),
                "Error Opening File", kOpenError);

  TempDir::WriteAll(GetPowerOnFilePath(), "1\n");
  TempDir::WriteAll(GetAutoSelectFilePath(),
                    TenRecords().substr(0, 3 * 64 + 10));  // three whole records
  const BuiltJobs built = BuildUploadJobs({std::string("saved"), std::string("saved")});
  ASSERT_FALSE(built.refusal.has_value());
  ASSERT_EQ(built.jobs.size(), 2u);
  EXPECT_EQ(built.jobs[1].plan.progressMaximum, 90);

  TempDir::WriteAll(GetAutoSelectFilePath(),
                    std::string(63, 'A'));  // not one record: nothing to send
  ExpectRefusal(BuildUploadJobs({std::nullopt, std::string("saved")}), GetAutoSelectFilePath(),
                "Error Reading File", kReadError);
}

}  // namespace
