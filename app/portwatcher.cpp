#include "app/portwatcher.h"

#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QTimer>
#include <cstring>

#include "machine/koraglobals.h"
#include "machine/ttydevice.h"

namespace {

bool IsUsableLink(const QString& link) {
  return !link.isEmpty() && ttydevice::IsOwnPseudoTerminalLink(link.toStdString());
}

}  // namespace

void PortWatcher::UdevUnref::operator()(udev* context) const { udev_unref(context); }
void PortWatcher::UdevUnref::operator()(udev_monitor* monitor) const {
  udev_monitor_unref(monitor);
}

PortWatcher::Sources PortWatcher::ForThisMachine() {
  Sources sources;
  // The socket through which udev is controlled exists only while it runs;
  // without udev its monitor would simply never report anything.
  sources.udev = ::access("/run/udev/control", F_OK) == 0;
  if (!sources.udev) sources.folders << "/dev";
  sources.link = QString::fromStdString(GetVirtualKoraLinkPath());
  return sources;
}

PortWatcher::PortWatcher(const Sources& sources, QObject* parent)
    : QObject(parent), link_(sources.link), folders_(sources.folders) {
  settle_ = new QTimer(this);
  settle_->setSingleShot(true);
  settle_->setInterval(kSettleMs);
  connect(settle_, &QTimer::timeout, this, &PortWatcher::PortsChanged);

  if (sources.udev) StartUdev();

  // Qt watches folders with inotify: the kernel reports each entry made or
  // removed, and nothing runs in between.
  files_ = new QFileSystemWatcher(this);
  for (const QString& folder : folders_) files_->addPath(folder);
  if (!link_.isEmpty()) {
    linkFolder_ = QFileInfo(link_).absolutePath();
    linkUsable_ = IsUsableLink(link_);
    files_->addPath(linkFolder_);
  }
  connect(files_, &QFileSystemWatcher::directoryChanged, this, &PortWatcher::FolderChanged);
}

PortWatcher::~PortWatcher() = default;

void PortWatcher::StartUdev() {
  udev_.reset(udev_new());
  if (!udev_) return;
  monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), "udev"));
  if (!monitor_ ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "tty", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_.get()) < 0) {
    monitor_.reset();
    return;
  }
  const int fd = udev_monitor_get_fd(monitor_.get());
  // Read until the socket is empty without ever blocking the GUI thread.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  udevNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connect(udevNotifier_, &QSocketNotifier::activated, this, &PortWatcher::ReadUdevEvents);
}

void PortWatcher::ReadUdevEvents() {
  while (udev_device* device = udev_monitor_receive_device(monitor_.get())) {
    const char* action = udev_device_get_action(device);
    if (action != nullptr &&
        (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0 ||
         std::strcmp(action, "move") == 0)) {
      Changed();
    }
    udev_device_unref(device);
  }
}

void PortWatcher::FolderChanged(const QString& folder) {
  if (folders_.contains(folder)) Changed();
  if (folder == linkFolder_) {
    // The runtime folder holds other programs' sockets too; only the link's
    // coming and going matters. A link moved to a fresh line stays usable.
    const bool usable = IsUsableLink(link_);
    if (usable != linkUsable_) {
      linkUsable_ = usable;
      Changed();
    }
  }
  // A watched folder that was removed and made again must be watched anew.
  if (!files_->directories().contains(folder) && QFileInfo(folder).isDir()) files_->addPath(folder);
}

void PortWatcher::Changed() {
  if (!settle_->isActive()) settle_->start();
}
