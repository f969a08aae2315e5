// korapc-program records every upload it makes and prints the record back:
// --history (lines and JSON), --show ID and --trace ID.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <map>
#include <mutex>
#include <sstream>

#include "cli/korapcprogram.h"
#include "cli/programoptions.h"
#include "common/clock.h"
#include "history/sqlitehistorystore.h"
#include "services/services.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedfilepicker.h"
#include "support/scriptedport.h"
#include "support/scriptedports.h"
#include "support/summingclock.h"
#include "support/tempdir.h"

namespace {

using Lines = std::vector<std::string>;

class HistoryReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env.out = &out;
    env.err = &err;
  }
  int Run(const Lines& args) {
    out.str("");
    err.str("");
    return RunKorapcProgram(args, env, services);
  }
  std::string PowerOnFile() {
    const std::string path = files.File("poweron.dat");
    TempDir::WriteAll(path,
                      "3\r\n3\r\n0\r\n1\r\n0\r\n2\r\n4\r\n9\r\n8\r\n0\r\n0\r\n2\r\n1\r\n1\r\n0\r\n0"
                      "\r\n0\r\n0\r\n3\r\n4\r\n");
    return path;
  }

  ScopedConfigHome home;
  TempDir files;
  RecordingMessageSink storeMessages;
  std::unique_ptr<SqliteHistoryStore> store =
      SqliteHistoryStore::Open(files.File("history.sqlite"), storeMessages);
  std::ostringstream out;
  std::ostringstream err;
  SummingClock clock;
  ScriptedPorts scripted;
  RecordingMessageSink messages;
  ScriptedFilePicker dialogs;
  Services services{messages, clock, dialogs, scripted, *store};
  ProgramEnvironment env;
  std::map<std::string, ScriptedPort>& ports = scripted.ports;
};

TEST_F(HistoryReportTest, EveryUploadIsRecordedAndListedNewestFirst) {
  ASSERT_EQ(Run({"--port", "/dev/ttyUSB0", "--port", "/dev/ttyUSB1", "--power-on", PowerOnFile()}),
            0);
  ports["/dev/ttyUSB2"].respond = [](std::uint8_t) { return std::string(); };  // no answer
  ASSERT_EQ(Run({"--port", "/dev/ttyUSB2", "--power-on", PowerOnFile()}), 1);

  ASSERT_EQ(Run({"--history", "--json"}), 0);
  const QJsonArray list = QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).array();
  ASSERT_EQ(list.size(), 3);
  const QJsonObject newest = list[0].toObject();
  EXPECT_EQ(newest["id"].toInt(), 3);
  EXPECT_EQ(newest["port"].toString(), "/dev/ttyUSB2");
  EXPECT_EQ(newest["result"].toString(), "failed");
  EXPECT_EQ(newest["message"].toString().left(24), "KORA-1 is not responding");
  EXPECT_EQ(newest["done"].toInt(), 0);
  EXPECT_EQ(newest["total"].toInt(), 20);
  EXPECT_TRUE(newest["adapter"].isNull());  // not a USB adapter here
  EXPECT_TRUE(newest["started"].toString().endsWith("Z"));
  for (const QJsonValue& earlier : {list[1], list[2]}) {
    const QJsonObject o = earlier.toObject();
    EXPECT_EQ(o["what"].toString(), "power-on");
    EXPECT_EQ(o["result"].toString(), "programmed");
    EXPECT_TRUE(o["message"].isNull());
    EXPECT_EQ(o["done"].toInt(), 20);
  }
  QStringList both;
  for (const QJsonValue& o : {list[1], list[2]}) both << o.toObject()["port"].toString();
  both.sort();
  EXPECT_EQ(both, (QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1"}));

  ASSERT_EQ(Run({"--history"}), 0);
  std::istringstream lines(out.str());
  std::string first;
  std::getline(lines, first);
  EXPECT_EQ(first.rfind("3  ", 0), 0u) << first;
  EXPECT_NE(first.find("  /dev/ttyUSB2  power-on  failed  0/20  - KORA-1 is not responding to PC."),
            std::string::npos)
      << first;
}

TEST_F(HistoryReportTest, ShowGivesTheValuesInWordsAndTraceHidesTheCode) {
  ASSERT_EQ(Run({"--port", "/dev/ttyUSB0", "--power-on", PowerOnFile()}), 0);

  ASSERT_EQ(Run({"--show", "1", "--json"}), 0);
  const QJsonObject shown = QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).object();
  EXPECT_EQ(shown["sourceFile"].toString().toStdString(), PowerOnFile());
  // sha256sum of the file as written above.
  EXPECT_EQ(shown["sha256"].toString(),
            "ac6d3dca18f698c704283fbfa9001c19cc573d5d0361c59223b801a35930524e");
  const QJsonArray values = shown["powerOn"].toArray();
  ASSERT_EQ(values.size(), 20);
  EXPECT_EQ(values[0].toObject()["value"].toInt(), 3);
  EXPECT_EQ(values[19].toObject()["value"].toInt(), 4);
  EXPECT_FALSE(values[0].toObject()["name"].toString().isEmpty());
  EXPECT_FALSE(values[0].toObject()["text"].toString().isEmpty());

  ASSERT_EQ(Run({"--show", "1"}), 0);
  EXPECT_NE(out.str().find("Result:       programmed"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("Commands:     20 of 20"), std::string::npos) << out.str();

  ASSERT_EQ(Run({"--trace", "1"}), 0);
  const std::string trace = out.str();
  EXPECT_EQ(trace.rfind("   0.000000 s  PC>KORA  4D  M\n", 0), 0u) << trace.substr(0, 80);
  std::size_t hidden = 0;
  for (std::size_t at = trace.find("  **  *\n"); at != std::string::npos;
       at = trace.find("  **  *\n", at + 1)) {
    ++hidden;
  }
  EXPECT_EQ(hidden, 10u);
  EXPECT_NE(trace.find("KORA>PC  56  V\n"), std::string::npos);
}

TEST_F(HistoryReportTest, AnUploadThatIsNotThereIsStatusOne) {
  struct Case {
    Lines args;
  } cases[] = {{{"--show", "7"}}, {{"--trace", "7"}}, {{"--show", "7", "--json"}}};
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.args), 1) << c.args[0];
    EXPECT_EQ(out.str(), "") << c.args[0];
    EXPECT_EQ(err.str(), "korapc-program: there is no upload 7 in the history.\n") << c.args[0];
  }
}

TEST_F(HistoryReportTest, ReadingTheHistoryTakesOneIdAndNothingToSend) {
  struct Case {
    Lines args;
    std::string error;
  } cases[] = {
      {{"--show", "x"}, "--show needs one upload number from --history, not 'x'."},
      {{"--trace", "0"}, "--trace needs one upload number from --history, not '0'."},
      {{"--history", "--show", "1"},
       "Give one of --history, --show, --trace and --report at a time."},
      {{"--history", "--power-on", "a"},
       "--history, --show, --trace and --report send nothing; give no port or file with them."},
      {{"--report", "1"}, "--report ID needs --output FILE.pdf, and --output belongs to --report."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseProgramOptions(c.args).error, c.error) << c.args[0];
  }
  EXPECT_EQ(ParseProgramOptions({"--history"}).error, "");
  EXPECT_EQ(*ParseProgramOptions({"--show", "12", "--json"}).options.show, 12);
}

}  // namespace
