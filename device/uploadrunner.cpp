#include "device/uploadrunner.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>
#include <QWidget>
#include <thread>

#include "ui/qtmessagesink.h"
#include "device/koracomm.h"
#include "device/koraprogressform.h"
#include "common/systemclock.h"

namespace {

// Passes the link's messages to the GUI thread. From the worker it blocks
// until the user has confirmed the message, so the protocol waits as it would
// behind a modal box; on the GUI thread it shows the message directly.
class GuiThreadMessageSink : public MessageSink {
 public:
  GuiThreadMessageSink(QObject* guiContext, MessageSink* target) : context_(guiContext), target_(target) {}

  // GUI thread, while no worker runs.
  void SetTarget(MessageSink* target) { target_ = target; }

  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
    if (QThread::currentThread() == context_->thread()) {
      target_->ShowMessage(text, caption, icon);
      return;
    }
    QMetaObject::invokeMethod(
        context_, [&] { target_->ShowMessage(text, caption, icon); }, Qt::BlockingQueuedConnection);
  }

 private:
  QObject* context_;
  MessageSink* target_;
};

// Steps the progress window from the worker without waiting for the paint.
class GuiThreadProgress : public ProgressSink {
 public:
  explicit GuiThreadProgress(TKORAProgress* window) : window_(window) {}
  void StepProgress() override {
    QMetaObject::invokeMethod(window_, [window = window_] { window->StepProgress(); }, Qt::QueuedConnection);
  }

 private:
  TKORAProgress* window_;
};

}  // namespace

UploadRunner::UploadRunner(QWidget* owner, MessageSink* sink, Clock* clock, PortFactory portFactory)
    : owner_(owner), sink_(sink), clock_(clock), portFactory_(std::move(portFactory)) {}

UploadResult UploadRunner::Run(const UploadPlan& plan) {
  UploadResult result;
  result.maximum = plan.progressMaximum;

  QWidget* mainWindow = owner_ ? owner_->window() : nullptr;
  SystemClock systemClock;
  Clock& clock = clock_ ? *clock_ : systemClock;
  QObject context;  // lives on the GUI thread; the worker's calls land here
  QtMessageSink mainWindowSink(mainWindow);
  MessageSink* outsideSink = sink_ ? sink_ : &mainWindowSink;
  GuiThreadMessageSink messages(&context, outsideSink);

  auto link =
      std::make_unique<TKORAComm>(plan.link, messages, clock, portFactory_ ? portFactory_() : nullptr);
  if (link->OpenPort() != 0) return result;

  auto* progress = new TKORAProgress(mainWindow, plan.progressMaximum, plan.progressText);
  progress->setWindowModality(Qt::ApplicationModal);
  progress->show();
  QCoreApplication::processEvents();  // paint it before the first byte goes out
  QtMessageSink progressSink(progress);
  if (!sink_) messages.SetTarget(&progressSink);
  GuiThreadProgress steps(progress);

  // The protocol's waits add up to 35 seconds for a full auto-selection
  // upload; on the GUI thread they would freeze every window and invite the
  // user to kill the program with the instrument half-programmed in service
  // mode. So the protocol runs on a worker and this thread keeps serving
  // events, while the application-modal progress window keeps the user out.
  QEventLoop loop;
  bool completed = false;
  std::thread worker([&] {
    int status = -1;
    try {
      status = link->EnterServiceMode();
      if (status == 0 && plan.writeData) status = plan.writeData(*link, steps);
      if (status == 0) {
        link->ExitServiceMode();
        link->ClosePort();
      }
    } catch (...) {
      status = -1;  // nothing may escape the worker; the upload simply ends
    }
    QMetaObject::invokeMethod(
        &context,
        [&, status] {
          completed = status == 0;
          loop.quit();
        },
        Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();

  // Steps were posted before the end, so they have all reached the bar.
  result.stepsDone = progress->Position();
  result.completed = completed;
  if (completed) progress->CloseProgress();
  delete progress;
  messages.SetTarget(outsideSink);
  link->ClosePort();
  if (completed) link->ShowPowerCycleNotice(plan.noticeCaption);
  return result;
}
