// The main window: three tabs, "Power On", "Auto Selections" and "Settings".
#pragma once

#include <QWidget>

#include "app/portlist.h"

class QComboBox;
class QFrame;
class QLabel;
class QTabWidget;
class TAutoSelectMain;
class TPOMain;

class TKORAPCForm : public QWidget {
  Q_OBJECT

 public:
  // Builds the port list (from lister, or the ports present when lister is
  // empty), sets the caption and the application's display name ("Quorvel
  // KORApc"), restores the window settings from korapc.ini,
  // publishes the chosen port in ChosenComPort and sets ServiceCode.
  explicit TKORAPCForm(QWidget* parent = nullptr, PortLister lister = {});

  // Saves the window settings to korapc.ini; the pages then save their own
  // state as they are destroyed.
  ~TKORAPCForm() override;

  // Publishes the selected port in ChosenComPort; does nothing when no entry
  // is selected.
  void cbComPortChange();

  QTabWidget* PageControl = nullptr;
  QWidget* TabSheet3 = nullptr;  // page 0, "Power On"
  TPOMain* POMain1 = nullptr;    // the power-on page, filling TabSheet3
  QWidget* TabSheet1 = nullptr;  // page 1, "Auto Selections"
  TAutoSelectMain* AutoSelectMain1 = nullptr;  // the auto-selection page, filling TabSheet1
  QWidget* TabSheet2 = nullptr;  // page 2, "Settings"
  QLabel* Label3 = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* cbComPort = nullptr;
  QFrame* Bevel1 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildSettingsPage();
  void BuildPortList(const PortLister& lister, const QString& savedPort);
  void LoadWindowSettings();
  void SaveWindowSettings();
  int Scaled(int designPixels) const;

  double scale_ = 1.0;  // the font's height against the 8-point Tahoma the layout was drawn for
};
