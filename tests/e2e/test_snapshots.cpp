// Pictures of the three tabs and both editors, and a check that no text in
// them is clipped. Runs twice: at scale 1 and with QT_SCALE_FACTOR=2, where
// KORAPC_SNAPSHOT_SUFFIX is "@2x". The pictures go to KORAPC_SNAPSHOT_DIR
// (build/snapshots); scripts/update-screenshots.sh copies the README's from
// there. The clipping checks run whether or not pictures are written.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "app/korapc.h"
#include "autoselect/autoselecteditorform.h"
#include "autoselect/autoselectframe.h"
#include "autoselect/keycombobox.h"
#include "autoselect/tempcoframe.h"
#include "machine/koraglobals.h"
#include "poweron/poeditorform.h"
#include "poweron/poframe.h"
#include "support/e2esupport.h"
#include "support/tempdir.h"
#include "support/testservices.h"

namespace {

std::vector<PortEntry> Ports() {
  return {{"/dev/ttyS0", "built-in"},
          {"/dev/ttyUSB0", "FT232R USB UART - FTDI"},
          {"/run/user/1000/ttyKORA1", "Virtual KORA-1"}};
}

// Saves what widget shows as name + suffix + ".png" in the snapshot folder;
// does nothing when no folder is set.
void Snapshot(QWidget& widget, const QString& name) {
  const QString dir = qEnvironmentVariable("KORAPC_SNAPSHOT_DIR");
  if (dir.isEmpty()) return;
  ASSERT_TRUE(QDir().mkpath(dir));
  const QString file = dir + "/" + name + qEnvironmentVariable("KORAPC_SNAPSHOT_SUFFIX") + ".png";
  QCoreApplication::processEvents();
  EXPECT_TRUE(widget.grab().save(file)) << file.toStdString();
}

// Width the widest text of list needs in its text field.
int WidestItem(const QComboBox& list) {
  int widest = 0;
  for (int i = 0; i < list.count(); ++i) {
    // Catalogue and value texts carry blank padding, which may be cut.
    const QString text = list.itemText(i).trimmed();
    widest = std::max(widest, list.fontMetrics().horizontalAdvance(text));
  }
  return widest;
}

// Every visible label, button, list and tab of window shows its whole text,
// and every button's icon has a picture at least as large as the device
// pixels it covers (a smaller one would be scaled up, and blurred).
void ExpectWholeAndSharp(QWidget& window, const std::string& where) {
  QCoreApplication::processEvents();
  for (QLabel* label : window.findChildren<QLabel*>()) {
    if (!label->isVisibleTo(&window) || label->text().isEmpty()) continue;
    const QSize need = label->wordWrap()
                           ? QSize(label->width(), label->heightForWidth(label->width()))
                           : label->minimumSizeHint();
    EXPECT_GE(label->width(), need.width()) << where << ": label " << label->text().toStdString();
    EXPECT_GE(label->height(), need.height()) << where << ": label " << label->text().toStdString();
  }
  for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
    if (!button->isVisibleTo(&window) || qobject_cast<QTabBar*>(button->parentWidget())) continue;
    const QFontMetrics metrics = button->fontMetrics();
    int need = metrics.horizontalAdvance(button->text());
    if (!button->icon().isNull())
      need += button->iconSize().width() + (button->text().isEmpty() ? 0 : 4);
    EXPECT_GE(button->width(), need) << where << ": button " << button->objectName().toStdString();
    EXPECT_GE(button->height(),
              std::max(metrics.height(), button->icon().isNull() ? 0 : button->iconSize().height()))
        << where << ": button " << button->objectName().toStdString();
    if (button->icon().isNull()) continue;
    const QSize pixels = button->iconSize() * button->devicePixelRatioF();
    const QList<QSize> sizes = button->icon().availableSizes();
    bool sharp = sizes.isEmpty();  // drawn afresh at any size
    for (const QSize& size : sizes)
      sharp = sharp || (size.width() >= pixels.width() && size.height() >= pixels.height());
    EXPECT_TRUE(sharp) << where << ": icon of " << button->objectName().toStdString() << " needs "
                       << pixels.width() << " pixels";
  }
  for (QComboBox* list : window.findChildren<QComboBox*>()) {
    if (!list->isVisibleTo(&window)) continue;
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.editable = list->isEditable();
    const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, list);
    EXPECT_GE(field.width(), WidestItem(*list))
        << where << ": list " << list->objectName().toStdString();
    EXPECT_GE(field.height(), list->fontMetrics().height())
        << where << ": list " << list->objectName().toStdString();
  }
  for (QTabBar* tabs : window.findChildren<QTabBar*>()) {
    if (!tabs->isVisibleTo(&window)) continue;
    for (int i = 0; i < tabs->count(); ++i) {
      EXPECT_GE(tabs->tabRect(i).width(), tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)))
          << where << ": tab " << tabs->tabText(i).toStdString();
    }
  }
}

class SnapshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TempDir::WriteAll(GetPowerOnFilePath(), e2e::PowerOnFile({3, 3, 0, 1, 0, 5, 4, 9, 8, 0,
                                                              0, 2, 1, 1, 3, 1, 0, 7, 3, 4}));
    std::string asl = e2e::AslRecord("MORNING CHECK", {13, 29, 180, 232}) +
                      e2e::AslRecord("ARRHYTHMIA DEMO", {70, 232}) +
                      e2e::AslRecord("FETAL DECEL", {292, 302}) +
                      e2e::AslRecord("PACER 75", {322, 341}) + e2e::AslRecord("SINE 10 HZ", {373});
    for (int i = 5; i < 10; ++i) asl += e2e::AslRecord("", {});
    TempDir::WriteAll(GetAutoSelectFilePath(), asl);
  }

  ScopedConfigHome home;
  TestServices fakes;
  RecordingMessageSink& sink = fakes.messages;
};

TEST_F(SnapshotTest, TheThreeTabs) {
  TKORAPCForm form(nullptr, Ports);
  form.show();
  const char* names[] = {"tab-power-on", "tab-auto-selections", "tab-settings"};
  for (int page = 0; page < 3; ++page) {
    e2e::ClickTab(form.PageControl, page);
    ExpectWholeAndSharp(form, names[page]);
    Snapshot(form, names[page]);
  }
  form.close();
}

TEST_F(SnapshotTest, ThePowerOnEditor) {
  TPowerOn values;
  values.SetDefaults();
  // The option with the longest value texts.
  TPOEditor editor(values, 14);
  editor.show();
  ExpectWholeAndSharp(editor, "Power On Editor");
  Snapshot(editor, "editor-power-on");
}

TEST_F(SnapshotTest, TheAutoSelectionEditorOnEveryTypeAndTab) {
  TAutoSelect entry;
  entry.SetName("MORNING CHECK");
  for (const int code : {13, 29, 180, 232}) EXPECT_EQ(entry.AddKey(code), 0);
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  editor.show();
  ExpectWholeAndSharp(editor, "type 0, ECG");
  Snapshot(editor, "editor-auto-selection");
  for (int type = 0; type < TAutoSelectEditor::TypeCount; ++type) {
    e2e::Choose(editor.cbType, type);
    for (int tab = 0; tab < editor.innerTabs(type)->count(); ++tab) {
      e2e::ClickTab(editor.innerTabs(type), tab);
      ExpectWholeAndSharp(editor, "type " + std::to_string(type) + ", tab " + std::to_string(tab));
      if (type == 0 && tab == 3) Snapshot(editor, "editor-auto-selection-tempco");
    }
  }
  editor.close();
  EXPECT_TRUE(sink.messages.empty());
}

}  // namespace
