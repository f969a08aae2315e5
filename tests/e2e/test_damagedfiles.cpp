// korapc.ini, poweron.dat and autoselect.asl damaged between two runs:
// truncated, emptied, overwritten with random bytes, made unreadable, or
// replaced by a folder. The real main window must still open, show only
// sane texts, and close without losing or changing the two other files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QComboBox>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <random>

#include "app/korapc.h"
#include "autoselect/autoselectframe.h"
#include "common/settingsfile.h"
#include "grid/esstringgrid.h"
#include "machine/koraglobals.h"
#include "poweron/poframe.h"
#include "poweron/poweronoptions.h"
#include "support/e2esupport.h"
#include "support/tempdir.h"
#include "support/testservices.h"
#include "ui/ansitext.h"

namespace {

namespace fs = std::filesystem;

enum class Damage { Truncated, Empty, RandomBytes, Unreadable, Folder };
enum class Target { Settings, PowerOn, AutoSelect };

std::string Name(Damage damage) {
  switch (damage) {
    case Damage::Truncated:
      return "Truncated";
    case Damage::Empty:
      return "Empty";
    case Damage::RandomBytes:
      return "RandomBytes";
    case Damage::Unreadable:
      return "Unreadable";
    case Damage::Folder:
      return "Folder";
  }
  return "";
}

std::string Name(Target target) {
  switch (target) {
    case Target::Settings:
      return "KorapcIni";
    case Target::PowerOn:
      return "PoweronDat";
    case Target::AutoSelect:
      return "AutoselectAsl";
  }
  return "";
}

std::string PathOf(Target target) {
  switch (target) {
    case Target::Settings:
      return GetSettingsFilePath();
    case Target::PowerOn:
      return GetPowerOnFilePath();
    case Target::AutoSelect:
      return GetAutoSelectFilePath();
  }
  return "";
}

const std::vector<int> kValues = {14, 7, 2, 3, 1, 8, 5, 0, 13, 4, 1, 4, 0, 2, 3, 1, 8, 7, 6, 5};
const char* const kAutoNames[] = {"MORNING CHECK", "ARRHYTHMIA DEMO", "FETAL",      "PACER 75",
                                  "PERF SINE",     "BP ARTERIAL",     "RESP APNEA", "TEMP 37",
                                  "CO BOLUS",      "NIGHT SHIFT"};

bool RunningAsRoot() { return ::geteuid() == 0; }

class DamagedFileTest : public ::testing::TestWithParam<std::tuple<Target, Damage>> {
 protected:
  void SetUp() override {
    // A first run leaves all three files as the program writes them.
    TempDir::WriteAll(GetPowerOnFilePath(), e2e::PowerOnFile(kValues));
    std::string asl;
    for (int i = 0; i < 10; ++i) asl += e2e::AslRecord(kAutoNames[i], {13 + i, 232});
    TempDir::WriteAll(GetAutoSelectFilePath(), asl);
    TempDir::WriteAll(GetSettingsFilePath(), "[KORACOMM]\r\nDELAY=25\r\n");
    {
      auto form = Open();
      form->PageControl->setCurrentIndex(2);
      form->cbComPort->setCurrentIndex(1);
      form->close();
    }
    for (const Target target : {Target::Settings, Target::PowerOn, Target::AutoSelect}) {
      good_[static_cast<int>(target)] = TempDir::ReadAll(PathOf(target));
    }
    ASSERT_EQ(good_[static_cast<int>(Target::PowerOn)], e2e::PowerOnFile(kValues));
    ASSERT_EQ(good_[static_cast<int>(Target::AutoSelect)], asl);
    ASSERT_EQ(SettingsFile(GetSettingsFilePath()).ReadInteger("KORACOMM", "DELAY", 0), 25);
  }

  std::unique_ptr<TKORAPCForm> Open() {
    auto form = std::make_unique<TKORAPCForm>(fakes_.services, nullptr,
                                              e2e::TwoPorts("/tmp/no-such-kora-link"));
    form->show();
    QCoreApplication::processEvents();
    return form;
  }

  void Spoil(Target target, Damage damage) {
    const std::string path = PathOf(target);
    const std::string& good = good_[static_cast<int>(target)];
    switch (damage) {
      case Damage::Truncated:
        TempDir::WriteAll(path, good.substr(0, good.size() * 2 / 3));
        break;
      case Damage::Empty:
        TempDir::WriteAll(path, "");
        break;
      case Damage::RandomBytes: {
        std::mt19937 random(20240611u + static_cast<unsigned>(target));
        std::string bytes(good.size(), '\0');
        for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
        TempDir::WriteAll(path, bytes);
        break;
      }
      case Damage::Unreadable:
        ASSERT_EQ(::chmod(path.c_str(), 0), 0);
        break;
      case Damage::Folder:
        fs::remove(path);
        fs::create_directory(path);
        TempDir::WriteAll(path + "/kept", "a file in the folder");
        break;
    }
  }

  // Everything the window shows is printable text of the program's own
  // tables or of the files, never a stray byte.
  void ExpectSane(TKORAPCForm& form) {
    EXPECT_EQ(form.windowTitle(), "Quorvel KORApc");
    ASSERT_EQ(form.PageControl->count(), 4);
    EXPECT_EQ(form.PageControl->tabText(0), "Power On");
    EXPECT_EQ(form.PageControl->tabText(1), "Auto Selections");
    EXPECT_EQ(form.PageControl->tabText(2), "Settings");
    EXPECT_EQ(form.PageControl->tabText(3), "History");
    EXPECT_GE(form.PageControl->currentIndex(), 0);

    const TesStringGrid& power = *form.POMain1->sgPowerOn;
    ASSERT_EQ(power.RowCount(), 21);
    const QRegularExpression invalid("^invalid value -?[0-9]+$");
    for (int row = 1; row <= 20; ++row) {
      const int option = row - 1;
      EXPECT_EQ(power.Cells(0, row), QString::number(row));
      EXPECT_EQ(power.Cells(1, row), e2e::kPowerOnNames[option]);
      const QString value = power.Cells(2, row);
      bool listed = false;
      for (int v = 0; v < PowerOnOptionValueCount(option); ++v) {
        listed = listed || value == AnsiToQString(PowerOnValueText(option, v));
      }
      EXPECT_TRUE(listed || invalid.match(value).hasMatch()) << row << ": " << value.toStdString();
    }

    const TesStringGrid& autos = *form.AutoSelectMain1->sgAutoSelect;
    ASSERT_GE(autos.RowCount(), 2);
    ASSERT_LE(autos.RowCount(), 11);
    const int entries = static_cast<int>(form.AutoSelectMain1->AutoSelections().size());
    for (int row = 1; row < autos.RowCount(); ++row) {
      EXPECT_EQ(autos.Cells(0, row), entries == 0 ? QString() : QString::number(row));
      const QString name = autos.Cells(1, row);
      EXPECT_LE(name.size(), 20) << row;
      // A name keeps every byte of its file; one with no printable form shows
      // as the replacement mark, and nothing else that is not printable shows.
      if (entries > 0) {
        EXPECT_EQ(name, AnsiToShownText(form.AutoSelectMain1->AutoSelections()[row - 1].GetName()));
      }
      EXPECT_TRUE(e2e::IsPrintable(QString(name).remove(QChar::ReplacementCharacter)))
          << row << ": " << name.toStdString();
    }

    ASSERT_GE(form.cbComPort->count(), 2);
    for (int i = 0; i < form.cbComPort->count(); ++i) {
      EXPECT_TRUE(e2e::IsPrintable(form.cbComPort->itemText(i)));
    }
    // Every page paints.
    for (int page = 0; page < 3; ++page) {
      form.PageControl->setCurrentIndex(page);
      QCoreApplication::processEvents();
      EXPECT_FALSE(form.grab().isNull());
    }
  }

  ScopedConfigHome home_;
  TestServices fakes_;
  RecordingMessageSink& sink_ = fakes_.messages;
  std::string good_[3];
};

TEST_P(DamagedFileTest, TheWindowOpensSaneAndClosingKeepsTheOtherFiles) {
  const auto [target, damage] = GetParam();
  Spoil(target, damage);
  const std::string path = PathOf(target);

  auto form = Open();
  ExpectSane(*form);
  const bool unreadable =
      damage == Damage::Folder || (damage == Damage::Unreadable && !RunningAsRoot());
  if (target == Target::PowerOn && unreadable) {
    EXPECT_EQ(form->POMain1->Values().GetValue(0), 3);  // the factory defaults
    EXPECT_EQ(form->POMain1->Values().GetValue(19), 4);
  }
  if (target == Target::AutoSelect && damage == Damage::Truncated) {
    // 426 bytes hold six whole records.
    ASSERT_EQ(form->AutoSelectMain1->sgAutoSelect->RowCount(), 7);
    EXPECT_EQ(form->AutoSelectMain1->sgAutoSelect->Cells(1, 6), "BP ARTERIAL");
  }
  if (target == Target::AutoSelect && unreadable) {
    EXPECT_EQ(form->AutoSelectMain1->sgAutoSelect->RowCount(), 11);
    EXPECT_EQ(form->AutoSelectMain1->sgAutoSelect->Cells(1, 1), "");
  }
  form->close();
  form.reset();
  EXPECT_TRUE(sink_.messages.empty());

  for (const Target other : {Target::Settings, Target::PowerOn, Target::AutoSelect}) {
    if (other == target) continue;
    EXPECT_EQ(TempDir::ReadAll(PathOf(other)), good_[static_cast<int>(other)]) << Name(other);
  }
  // What could not be read is not written over: a folder stays a folder, an
  // unreadable file keeps its bytes until its owner restores its mode.
  if (damage == Damage::Folder) {
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(TempDir::ReadAll(path + "/kept"), "a file in the folder");
  }
  if (damage == Damage::Unreadable) {
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(TempDir::ReadAll(path), good_[static_cast<int>(target)]);
  }

  // And the next start, on whatever the first one left, is sane too.
  form = Open();
  ExpectSane(*form);
  form->close();
  form.reset();
  EXPECT_TRUE(sink_.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    AllFiles, DamagedFileTest,
    ::testing::Combine(::testing::Values(Target::Settings, Target::PowerOn, Target::AutoSelect),
                       ::testing::Values(Damage::Truncated, Damage::Empty, Damage::RandomBytes,
                                         Damage::Unreadable, Damage::Folder)),
    [](const ::testing::TestParamInfo<DamagedFileTest::ParamType>& param) {
      return Name(std::get<0>(param.param)) + "_" + Name(std::get<1>(param.param));
    });

}  // namespace
