#include "app/terminationwatcher.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>

#include "ui/upload/koraprogressform.h"

namespace {

// The self-pipe: a signal handler may only write a byte; the GUI thread reads it.
int g_signalFds[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &byte, 1);
}

// An upload shows its progress window from start to end.
bool UploadInProgress() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qobject_cast<TKORAProgress*>(w) != nullptr && w->isVisible()) return true;
  }
  return false;
}

}  // namespace

TerminationWatcher::TerminationWatcher(QWidget* mainWindow, QObject* parent)
    : QObject(parent), mainWindow_(mainWindow) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFds) != 0) return;
  for (const int fd : g_signalFds) ::fcntl(fd, F_SETFL, O_NONBLOCK);
  notifier_ = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char buffer[16];
    while (::read(g_signalFds[1], buffer, sizeof buffer) > 0) {
    }
    RequestClose();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

TerminationWatcher::~TerminationWatcher() {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::signal(sig, SIG_DFL);
  delete notifier_;
  notifier_ = nullptr;
  for (int& fd : g_signalFds) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void TerminationWatcher::RequestClose() {
  if (closing_) return;
  closing_ = true;
  Tick();
}

void TerminationWatcher::Tick() {
  if (!mainWindow_) return;
  QWidget* modal = QApplication::activeModalWidget();
  // A message box is dismissed even over an upload: by then the upload has
  // stopped writing and waits only for the user's confirmation.
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    box->reject();
  } else if (UploadInProgress()) {
    // wait: the instrument must not be left half-programmed
  } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    dialog->reject();
  } else if (modal == nullptr || modal == mainWindow_) {
    mainWindow_->close();
    return;
  } else {
    modal->close();
  }
  // Let the dismissed dialog's own loop return before looking again.
  QTimer::singleShot(100, this, [this] { Tick(); });
}
