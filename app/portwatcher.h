// Notices serial adapters plugged in or pulled out while KORApc runs, and the
// virtual KORA-1's link appearing or going, so that the port list can follow.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QFileSystemWatcher;
class QSocketNotifier;
class QTimer;
struct udev;
struct udev_monitor;

class PortWatcher : public QObject {
  Q_OBJECT

 public:
  // What counts as a change.
  struct Sources {
    bool udev = false;    // udev's add, remove and move events of the tty subsystem
    QStringList folders;  // folders in which any entry made or removed counts
    QString link;         // a symbolic link whose becoming usable or unusable counts
                          // (an own link to a pseudo-terminal); may be empty
  };

  // udev's events when udev runs on this machine (it has /run/udev/control),
  // otherwise any change in /dev, plus the virtual KORA-1's link. Containers
  // and build machines often run no udev; there a watch on /dev still sees
  // the device nodes that the kernel makes and removes.
  static Sources ForThisMachine();

  // Starts watching at once. A source that cannot be set up is left out
  // without a message; the list then simply does not follow that source.
  explicit PortWatcher(const Sources& sources, QObject* parent = nullptr);
  ~PortWatcher() override;

  // How long after the first change of a burst PortsChanged comes, in
  // milliseconds. Plugging in one adapter makes several events; they are
  // answered with one scan.
  static constexpr int kSettleMs = 300;

  // True when udev's events are being received.
  bool UsesUdev() const { return monitor_ != nullptr; }

 signals:
  // Emitted once per burst of changes, kSettleMs after its first change.
  void PortsChanged();

 private:
  struct UdevUnref {
    void operator()(udev* context) const;
    void operator()(udev_monitor* monitor) const;
  };

  void StartUdev();
  void ReadUdevEvents();
  void FolderChanged(const QString& folder);
  void Changed();

  std::unique_ptr<udev, UdevUnref> udev_;
  std::unique_ptr<udev_monitor, UdevUnref> monitor_;
  QSocketNotifier* udevNotifier_ = nullptr;
  QFileSystemWatcher* files_ = nullptr;
  QTimer* settle_ = nullptr;
  QString link_;
  QString linkFolder_;
  QStringList folders_;
  bool linkUsable_ = false;
};
