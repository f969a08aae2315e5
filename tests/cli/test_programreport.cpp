// What korapc-program reports at the end: the line per port, the exit
// status, and the --json summary.
#include "cli/programreport.h"

#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

UploadReport Sent(const std::string& name, bool completed, int steps, int maximum,
                  LinkFigures link = {}) {
  return {name, true, UploadResult{completed, steps, maximum, link}};
}
UploadReport NotSent(const std::string& name) { return {name, false, {}}; }

PortReport Programmed() {
  PortReport report;
  report.port = "/dev/ttyUSB0";
  report.uploads = {Sent("power-on values", true, 20, 20, {2, 27, 1, 10}),
                    Sent("auto selections", true, 300, 300, {3, 40, 0, 12})};
  return report;
}

PortReport Failed() {
  PortReport report;
  report.port = "/dev/ttyUSB1";
  report.uploads = {Sent("power-on values", false, 4, 20, {0, 10, 6, 10}),
                    NotSent("auto selections")};
  report.failureCaption = "KORA-1 Memory Error";
  report.failureText = "Invalid data value!\n\n-Power down KORA-1";
  return report;
}

PortReport Stopped() {
  PortReport report;
  report.port = "/dev/ttyUSB2";
  report.uploads = {Sent("power-on values", true, 20, 20, {1, 16, 0, 11}),
                    NotSent("auto selections")};
  report.stopped = true;
  return report;
}

QJsonObject Parse(const std::string& json) {
  EXPECT_EQ(json.back(), '\n');
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
  return document.object();
}

TEST(ProgramReport, OneLinePerPortSaysProgrammedOrWhereAndWhyItFailedAndHowTheLinkWent) {
  EXPECT_EQ(SummaryLine(Programmed()),
            "/dev/ttyUSB0: programmed: power-on values, auto selections; link: 5 answers after "
            "DELAY, slowest 40 "
            "ms, 1 character sent again, service-mode answer 12 ms");
  EXPECT_EQ(SummaryLine(Failed()),
            "/dev/ttyUSB1: failed in power-on values at 4/20: KORA-1 Memory Error: Invalid data "
            "value! -Power down "
            "KORA-1; link: 0 answers after DELAY, slowest 10 ms, 6 characters sent again, "
            "service-mode answer 10 ms");
  EXPECT_EQ(SummaryLine(Stopped()),
            "/dev/ttyUSB2: stopped: power-on values programmed; auto selections not sent; link: 1 "
            "answer after "
            "DELAY, slowest 16 ms, 0 characters sent again, service-mode answer 11 ms");
  PortReport stoppedFirst = Stopped();
  stoppedFirst.uploads = {NotSent("power-on values")};
  EXPECT_EQ(SummaryLine(stoppedFirst), "/dev/ttyUSB2: stopped: power-on values not sent");
  PortReport unanswered = Failed();
  unanswered.uploads = {Sent("power-on values", false, 0, 20), NotSent("auto selections")};
  EXPECT_EQ(SummaryLine(unanswered).substr(SummaryLine(unanswered).find("; link:")),
            "; link: 0 answers after DELAY, slowest 0 ms, 0 characters sent again, no service-mode "
            "answer");
}

TEST(ProgramReport, TheExitStatusIsZeroOnlyWhenEveryPortWasProgrammed) {
  EXPECT_EQ(ExitStatus({Programmed(), Programmed()}), 0);
  EXPECT_EQ(ExitStatus({Programmed(), Failed()}), 1);
  EXPECT_EQ(ExitStatus({Stopped()}), 1);
  EXPECT_EQ(ExitStatus({}), 1);
}

TEST(ProgramReport, TheJsonSummaryHoldsEveryPortAndUpload) {
  const QJsonObject summary = Parse(JsonSummary({Programmed(), Failed(), Stopped()}, std::nullopt));
  EXPECT_EQ(summary["exitStatus"].toInt(-1), 1);
  const QJsonArray ports = summary["ports"].toArray();
  ASSERT_EQ(ports.size(), 3);
  EXPECT_EQ(ports[0].toObject()["port"].toString(), "/dev/ttyUSB0");
  EXPECT_EQ(ports[0].toObject()["result"].toString(), "programmed");
  EXPECT_TRUE(ports[0].toObject()["message"].isNull());
  const QJsonObject autoSelections = ports[0].toObject()["uploads"].toArray()[1].toObject();
  EXPECT_EQ(autoSelections["upload"].toString(), "auto selections");
  EXPECT_TRUE(autoSelections["sent"].toBool());
  EXPECT_TRUE(autoSelections["completed"].toBool());
  EXPECT_EQ(autoSelections["steps"].toInt(), 300);
  EXPECT_EQ(autoSelections["maximum"].toInt(), 300);
  const QJsonObject link = autoSelections["link"].toObject();
  EXPECT_EQ(link["answersAfterDelay"].toInt(-1), 3);
  EXPECT_EQ(link["slowestAnswerMs"].toInt(-1), 40);
  EXPECT_EQ(link["charactersSentAgain"].toInt(-1), 0);
  EXPECT_EQ(link["serviceAnswerMs"].toInt(-1), 12);

  EXPECT_EQ(ports[1].toObject()["result"].toString(), "failed");
  EXPECT_EQ(ports[1].toObject()["message"].toObject()["caption"].toString(), "KORA-1 Memory Error");
  EXPECT_EQ(ports[1].toObject()["message"].toObject()["text"].toString(),
            "Invalid data value!\n\n-Power down KORA-1");
  EXPECT_EQ(ports[1].toObject()["uploads"].toArray()[0].toObject()["steps"].toInt(), 4);
  EXPECT_FALSE(ports[1].toObject()["uploads"].toArray()[1].toObject()["sent"].toBool(true));
  EXPECT_TRUE(ports[1].toObject()["uploads"].toArray()[1].toObject()["link"].isNull());
  PortReport openFailed;
  openFailed.uploads = {Sent("power-on values", false, 0, 20)};
  const QJsonObject unanswered = Parse(JsonSummary({openFailed}, std::nullopt));
  EXPECT_TRUE(unanswered["ports"]
                  .toArray()[0]
                  .toObject()["uploads"]
                  .toArray()[0]
                  .toObject()["link"]
                  .toObject()["serviceAnswerMs"]
                  .isNull());
  EXPECT_EQ(ports[2].toObject()["result"].toString(), "stopped");
}

TEST(ProgramReport, ARefusalIsExitStatusTwoWithTheFileAndTheMessage) {
  const QJsonObject summary =
      Parse(JsonSummary({}, FileRefusal{"/home/tech/\xC3\xA9t\xC3\xA9.asl", "Error Reading File",
                                        "An error occurred while reading the file.\n\xB5"}));
  EXPECT_EQ(summary["exitStatus"].toInt(-1), 2);
  EXPECT_TRUE(summary["ports"].toArray().isEmpty());
  EXPECT_EQ(summary["refused"].toObject()["file"].toString(),
            QString::fromUtf8("/home/tech/\xC3\xA9t\xC3\xA9.asl"));
  EXPECT_EQ(summary["refused"].toObject()["caption"].toString(), "Error Reading File");
  EXPECT_EQ(summary["refused"].toObject()["text"].toString(),
            QString::fromUtf8("An error occurred while reading the file.\n\xC2\xB5"));
}

}  // namespace
