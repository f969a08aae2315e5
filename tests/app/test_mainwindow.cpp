#include "app/korapc.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <memory>

#include "autoselect/autoselectframe.h"
#include "common/settingsfile.h"
#include "grid/esstringgrid.h"
#include "historyview/historypage.h"
#include "machine/koraglobals.h"
#include "poweron/poframe.h"
#include "support/pseudoterminal.h"
#include "support/tempdir.h"

namespace {

std::vector<PortEntry> ThreePorts() {
  return {{"/dev/ttyS0", "built-in"}, {"COM3", ""}, {"COM4", "USB adapter"}};
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ChosenComPort.clear();
    ServiceCode.clear();
  }
  void WriteIni(const std::string& text) { TempDir::WriteAll(GetSettingsFilePath(), text); }
  ScopedConfigHome home;
};

TEST_F(MainWindowTest, FirstStartIsCentredDefaultSizedOnPowerOnWithTheFirstPort) {
  TKORAPCForm form(nullptr, ThreePorts);
  EXPECT_EQ(form.windowTitle(), "Quorvel KORApc");
  EXPECT_EQ(form.size(), QSize(540, 600));
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(form.pos(), area.center() - QPoint(270, 300));
  EXPECT_FALSE(form.windowState() & Qt::WindowMaximized);
  ASSERT_EQ(form.PageControl->count(), 4);
  EXPECT_EQ(form.PageControl->tabText(0), "Power On");
  EXPECT_EQ(form.PageControl->tabText(1), "Auto Selections");
  EXPECT_EQ(form.PageControl->tabText(2), "Settings");
  EXPECT_EQ(form.PageControl->tabText(3), "History");
  EXPECT_EQ(form.PageControl->currentIndex(), 0);
  // A record restored into a page brings that page forward.
  form.PageControl->setCurrentIndex(3);
  emit form.HistoryPage1->Restored(form.AutoSelectMain1);
  EXPECT_EQ(form.PageControl->currentIndex(), 1);
  EXPECT_EQ(form.cbComPort->currentText(), "/dev/ttyS0");
  EXPECT_EQ(ChosenComPort, "/dev/ttyS0");
  EXPECT_EQ(ServiceCode, "5173920468");
  EXPECT_EQ(form.cbComPort->itemData(2, Qt::ToolTipRole).toString(), "USB adapter");
}

// The machine's own ports, listed by the window itself: where the first paint
// does not show them they come right after it, and the same list and choice
// result, also for a window closed before it was ever painted.
TEST_F(MainWindowTest, TheMachinesPortsAreListedAndPublishedOnceThePageNeedsThem) {
  const struct {
    const char* page;
    bool shown;
    bool listedAtOnce;
  } cases[] = {{"0", true, false}, {"2", true, true}, {"1", false, false}};
  for (const auto& c : cases) {
    ChosenComPort.clear();
    WriteIni(std::string("[KORAPCForm]\nCOMPORT=/dev/nothing\nACTIVEPAGE=") + c.page + "\n");
    std::vector<QString> expected;
    const std::vector<PortEntry> present =
        PortList::WithSavedPort(PortList::PresentPorts(), "/dev/nothing");
    for (const PortEntry& port : present) expected.push_back(port.name);
    // The first entry is chosen, by the name it is saved and opened under.
    const std::string first =
        present.empty() ? "" : PortList::SavedName(present.front()).toStdString();
    {
      TKORAPCForm form;
      const auto Listed = [&form] {
        std::vector<QString> names;
        for (int i = 0; i < form.cbComPort->count(); ++i) {
          names.push_back(form.cbComPort->itemText(i));
        }
        return names;
      };
      EXPECT_EQ(Listed(), c.listedAtOnce ? expected : std::vector<QString>()) << "page " << c.page;
      EXPECT_EQ(ChosenComPort, c.listedAtOnce ? first : "") << "page " << c.page;
      if (c.shown) {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        // The first paint, then what follows it.
        for (int i = 0; i < 500 && Listed() != expected; ++i) QTest::qWait(10);
        EXPECT_EQ(Listed(), expected) << "page " << c.page;
        EXPECT_EQ(ChosenComPort, first) << "page " << c.page;
      }
    }
    EXPECT_EQ(SettingsFile(GetSettingsFilePath()).ReadString("KORAPCForm", "COMPORT", "?"), first)
        << "page " << c.page;
  }
}

TEST_F(MainWindowTest, ASavedPlaceSizeStatePageAndPortAreRestored) {
  WriteIni(
      "[KORAPCForm]\nTOP=40\nLEFT=30\nHEIGHT=500\nWIDTH=620\nWINDOWSTATE=2\n"
      "COMPORT=COM4\nACTIVEPAGE=2\n");
  TKORAPCForm form(nullptr, ThreePorts);
  EXPECT_EQ(form.pos(), QPoint(30, 40));
  EXPECT_EQ(form.size(), QSize(620, 500));
  EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(form.PageControl->currentIndex(), 2);
  EXPECT_EQ(form.cbComPort->currentText(), "COM4");
  EXPECT_EQ(ChosenComPort, "COM4");
}

TEST_F(MainWindowTest, OnlyWindowState2Maximizes) {
  WriteIni("[KORAPCForm]\nWINDOWSTATE=1\n");
  TKORAPCForm form(nullptr, ThreePorts);
  EXPECT_EQ(form.windowState(), Qt::WindowNoState);
}

TEST_F(MainWindowTest, TopWithoutLeftCentresButKeepsTheSavedSize) {
  WriteIni("[KORAPCForm]\nTOP=40\nHEIGHT=500\nWIDTH=620\n");
  TKORAPCForm form(nullptr, ThreePorts);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(form.size(), QSize(620, 500));
  EXPECT_EQ(form.pos(), area.center() - QPoint(310, 250));
}

TEST_F(MainWindowTest, PortNamesMatchCaseSensitively) {
  WriteIni("[korapcform]\ncomport=com3\n");
  TKORAPCForm form(nullptr, ThreePorts);
  EXPECT_EQ(form.cbComPort->currentText(), "/dev/ttyS0");
  EXPECT_EQ(ChosenComPort, "/dev/ttyS0");
}

TEST_F(MainWindowTest, NoPortsLeavesNothingSelectedAndNothingPublished) {
  TKORAPCForm form(nullptr, [] { return std::vector<PortEntry>{}; });
  EXPECT_EQ(form.cbComPort->currentIndex(), -1);
  EXPECT_EQ(ChosenComPort, "");
}

TEST_F(MainWindowTest, ASavedDevicePathThatExistsIsOffered) {
  PseudoTerminal pty;  // a terminal device that is not among the listed ports
  WriteIni("[KORAPCForm]\nCOMPORT=" + pty.Path() + "\n");
  TKORAPCForm form(nullptr, ThreePorts);
  EXPECT_EQ(form.cbComPort->count(), 4);
  EXPECT_EQ(form.cbComPort->currentText(), QString::fromStdString(pty.Path()));
}

TEST_F(MainWindowTest, ASavedCharacterDeviceThatIsNoTerminalIsNotOffered) {
  WriteIni("[KORAPCForm]\nCOMPORT=/dev/null\n");
  TKORAPCForm form(nullptr, ThreePorts);
  EXPECT_EQ(form.cbComPort->count(), 3);
  EXPECT_EQ(form.cbComPort->currentText(), "/dev/ttyS0");
  EXPECT_EQ(ChosenComPort, "/dev/ttyS0");
}

std::vector<PortEntry> TwoAdapters() {
  return {{"/dev/ttyS0", "built-in"},
          {"/dev/ttyUSB0", "FT232R USB UART - FTDI", false, "A50285BI",
           "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0"},
          {"/dev/ttyUSB1", "CP2102 - Silicon Labs", false, "0001",
           "/dev/serial/by-id/usb-Silicon_Labs_CP2102-if00-port0"}};
}

TEST_F(MainWindowTest, AnAdapterIsShownByPortNameAndSavedByItsStableName) {
  struct Case {
    std::string saved;     // COMPORT before
    QString shown;         // the entry chosen at start
    std::string savedNow;  // COMPORT after closing
  };
  const std::string ftdi = "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0";
  const std::string cp = "/dev/serial/by-id/usb-Silicon_Labs_CP2102-if00-port0";
  for (const Case& c :
       {Case{"/dev/ttyUSB1", "/dev/ttyUSB1", cp}, Case{ftdi, "/dev/ttyUSB0", ftdi},
        Case{cp, "/dev/ttyUSB1", cp}, Case{"/dev/ttyS0", "/dev/ttyS0", "/dev/ttyS0"}}) {
    WriteIni("[KORAPCForm]\nCOMPORT=" + c.saved + "\n");
    {
      TKORAPCForm form(nullptr, TwoAdapters);
      EXPECT_EQ(form.cbComPort->currentText(), c.shown) << c.saved;
      EXPECT_EQ(ChosenComPort, c.savedNow) << c.saved;
      EXPECT_EQ(form.cbComPort->itemData(1, Qt::ToolTipRole).toString(),
                "FT232R USB UART - FTDI\nSerial number: A50285BI\n" + QString::fromStdString(ftdi));
    }
    const SettingsFile ini(GetSettingsFilePath());
    EXPECT_EQ(ini.ReadString("KORAPCForm", "COMPORT", ""), c.savedNow);
  }
}

TEST_F(MainWindowTest, AfterAReplugTheChosenAdapterIsFollowedToItsNewNumber) {
  std::vector<PortEntry> ports = TwoAdapters();
  WriteIni("[KORAPCForm]\nCOMPORT=/dev/ttyUSB0\n");
  TKORAPCForm form(nullptr, [&] { return ports; });
  const std::string ftdi = ports[1].stableName.toStdString();
  ASSERT_EQ(ChosenComPort, ftdi);
  std::swap(ports[1].name, ports[2].name);  // the two adapters swap numbers
  form.RefreshPortList();
  EXPECT_EQ(form.cbComPort->currentText(), "/dev/ttyUSB1");
  EXPECT_EQ(ChosenComPort, ftdi);
  EXPECT_EQ(form.cbComPort->count(), 3);

  // The chosen adapter is pulled out and the other takes its old number: it
  // stays chosen, marked missing, and an upload cannot reach the other one.
  ports.erase(ports.begin() + 1);
  ports[1].name = "/dev/ttyUSB1";
  form.RefreshPortList();
  ASSERT_EQ(form.cbComPort->count(), 3);
  EXPECT_EQ(form.cbComPort->currentIndex(), 2);
  EXPECT_EQ(form.cbComPort->itemData(2, Qt::ToolTipRole).toString().section('\n', 0, 0),
            "Not present");
  EXPECT_EQ(ChosenComPort, ftdi);
}

TEST_F(MainWindowTest, PickingAPortPublishesItAndClosingSavesPortAndPage) {
  {
    auto* form = new TKORAPCForm(nullptr, ThreePorts);
    form->show();
    form->PageControl->setCurrentIndex(1);
    // Pick the third entry with the keyboard, as a user would.
    form->cbComPort->setFocus();
    QTest::keyClick(form->cbComPort, Qt::Key_Down);
    QTest::keyClick(form->cbComPort, Qt::Key_Down);
    EXPECT_EQ(ChosenComPort, "COM4");
    form->close();
    delete form;
  }
  const SettingsFile ini(GetSettingsFilePath());
  EXPECT_EQ(ini.ReadString("KORAPCForm", "COMPORT", ""), "COM4");
  EXPECT_EQ(ini.ReadInteger("KORAPCForm", "ACTIVEPAGE", -1), 1);
  EXPECT_EQ(ini.ReadInteger("KORAPCForm", "WIDTH", -1), 540);
  EXPECT_EQ(ini.ReadInteger("KORAPCForm", "WINDOWSTATE", -1), 0);
}

TEST_F(MainWindowTest, SettingsControlsDoNotOverlapAndTheRuleFillsThePage) {
  TKORAPCForm form(nullptr, ThreePorts);
  form.show();
  form.PageControl->setCurrentIndex(2);
  QCoreApplication::processEvents();
  EXPECT_LE(form.Label2->geometry().right(), form.cbComPort->geometry().left());
  EXPECT_LE(form.Label2->sizeHint().width(), form.Label2->width());
  EXPECT_EQ(form.Bevel1->geometry().right() + 1 + form.Bevel1->x(), form.TabSheet2->width());
}

TEST_F(MainWindowTest, ThePowerOnTabHoldsThePageWhichSavesItsFileWhenTheWindowCloses) {
  {
    TKORAPCForm form(nullptr, ThreePorts);
    ASSERT_NE(form.POMain1, nullptr);
    EXPECT_EQ(form.POMain1->parentWidget(), form.TabSheet3);
    EXPECT_EQ(form.POMain1->sgPowerOn->Cells(1, 1), "ECG Rate");
  }
  EXPECT_EQ(TempDir::ReadAll(GetPowerOnFilePath()),
            "3\r\n3\r\n0\r\n1\r\n0\r\n2\r\n4\r\n9\r\n8\r\n0\r\n"
            "0\r\n2\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n3\r\n4\r\n");
  const SettingsFile ini(GetSettingsFilePath());
  EXPECT_EQ(ini.ReadInteger("sgPowerOn", "COL_SORTBY", 0), -1);
  EXPECT_EQ(ini.ReadInteger("KORAPCForm", "WIDTH", -1), 540);
}

TEST_F(MainWindowTest, TheAutoSelectionsTabHoldsThePageWhichSavesItsFileWhenTheWindowCloses) {
  TempDir::WriteAll(GetAutoSelectFilePath(), std::string("KEPT") + std::string(124, '\0'));
  {
    TKORAPCForm form(nullptr, ThreePorts);
    ASSERT_NE(form.AutoSelectMain1, nullptr);
    EXPECT_EQ(form.AutoSelectMain1->parentWidget(), form.TabSheet1);
    EXPECT_EQ(form.AutoSelectMain1->sgAutoSelect->RowCount(), 3);
    EXPECT_EQ(form.AutoSelectMain1->sgAutoSelect->Cells(1, 1), "KEPT");
  }
  EXPECT_EQ(TempDir::ReadAll(GetAutoSelectFilePath()),
            std::string("KEPT") + std::string(124, '\0'));
  const SettingsFile ini(GetSettingsFilePath());
  EXPECT_EQ(ini.ReadInteger("sgAutoSelect", "COL_SORTBY", 0), -1);
}

// What the window saves of itself when it closes, and the title it gives the program.
class WindowSettingsTest : public MainWindowTest {
 protected:
  // Shows the window, lets change act on it, closes it and reads back what it saved.
  static std::unique_ptr<SettingsFile> CloseAfter(const std::function<void(TKORAPCForm&)>& change) {
    {
      TKORAPCForm form(nullptr, ThreePorts);
      form.show();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
      change(form);
      QCoreApplication::processEvents();
      form.close();
    }
    return std::make_unique<SettingsFile>(GetSettingsFilePath());
  }
};

TEST_F(WindowSettingsTest, TheCaptionIsTheProgramsNameAndNoDisplayNameIsSet) {
  TKORAPCForm form(nullptr, ThreePorts);
  EXPECT_EQ(form.windowTitle(), "Quorvel KORApc");
  // A display name would be appended to every other window's title bar.
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
}

TEST_F(WindowSettingsTest, ClosingSavesTheWindowsTopLeftHeightAndWidth) {
  const auto ini = CloseAfter([](TKORAPCForm& form) {
    form.move(70, 50);
    form.resize(610, 480);
  });
  EXPECT_EQ(ini->ReadInteger("KORAPCForm", "TOP", -1), 50);
  EXPECT_EQ(ini->ReadInteger("KORAPCForm", "LEFT", -1), 70);
  EXPECT_EQ(ini->ReadInteger("KORAPCForm", "HEIGHT", -1), 480);
  EXPECT_EQ(ini->ReadInteger("KORAPCForm", "WIDTH", -1), 610);
  EXPECT_EQ(ini->ReadInteger("KORAPCForm", "WINDOWSTATE", -1), 0);

  // And the next start puts the window there.
  TKORAPCForm again(nullptr, ThreePorts);
  EXPECT_EQ(again.pos(), QPoint(70, 50));
  EXPECT_EQ(again.size(), QSize(610, 480));
}

TEST_F(WindowSettingsTest, AMaximizedWindowSavesState2AndAMinimizedOne1) {
  EXPECT_EQ(CloseAfter([](TKORAPCForm& form) {
              form.showMaximized();
            })->ReadInteger("KORAPCForm", "WINDOWSTATE", -1),
            2);
  EXPECT_EQ(CloseAfter([](TKORAPCForm& form) {
              form.showMinimized();
            })->ReadInteger("KORAPCForm", "WINDOWSTATE", -1),
            1);
  EXPECT_EQ(CloseAfter([](TKORAPCForm& form) {
              form.showNormal();
            })->ReadInteger("KORAPCForm", "WINDOWSTATE", -1),
            0);
}

TEST_F(WindowSettingsTest, GridsWithoutSavedWidthsTakeThemFromTheWidthTheyHaveInTheWindow) {
  WriteIni("[KORAPCForm]\nTOP=10\nLEFT=10\nHEIGHT=640\nWIDTH=900\n");
  TKORAPCForm form(nullptr, ThreePorts);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const TesStringGrid& power = *form.POMain1->sgPowerOn;
  ASSERT_GT(power.ClientWidth(), 800);
  EXPECT_EQ(power.ColWidths(0),
            power.ClientWidth() / 4);  // wider than any text, so no widening shows
  EXPECT_EQ(power.ColWidths(1), power.ClientWidth() / 4);
  form.PageControl->setCurrentIndex(1);
  QCoreApplication::processEvents();
  const TesStringGrid& autos = *form.AutoSelectMain1->sgAutoSelect;
  EXPECT_EQ(autos.ClientWidth(), autos.viewport()->width());
  EXPECT_EQ(autos.ColWidths(0), autos.ClientWidth() / 3);
}

}  // namespace
