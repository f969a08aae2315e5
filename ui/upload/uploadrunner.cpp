#include "ui/upload/uploadrunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QWidget>
#include <thread>

#include "device/koracomm.h"
#include "device/portfactory.h"
#include "device/uploadrecorder.h"
#include "services/services.h"
#include "ui/upload/guithreadmessagesink.h"
#include "ui/upload/koraprogressform.h"

namespace {

// Steps the progress window from the worker without waiting for the paint.
class GuiThreadProgress : public ProgressSink {
 public:
  explicit GuiThreadProgress(TKORAProgress* window) : window_(window) {}
  void StepProgress() override {
    QMetaObject::invokeMethod(
        window_, [window = window_] { window->StepProgress(); }, Qt::QueuedConnection);
  }

 private:
  TKORAProgress* window_;
};

// Marks the runner busy for as long as the object lives. Both pages share
// the runner and its port, and the progress window lets events through while
// it is built, before its modality is in force, so a quick second click would
// otherwise start a second upload inside the first.
class Busy {
 public:
  explicit Busy(bool& running) : running_(running) { running_ = true; }
  ~Busy() { running_ = false; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  bool& running_;
};

}  // namespace

UploadRunner::UploadRunner(QWidget& window, Services& services,
                           std::function<LinkSettings()> linkSettings)
    : window_(window), services_(services), linkSettings_(std::move(linkSettings)) {}

UploadResult UploadRunner::Run(const UploadPlan& plan) {
  if (running_) return {};
  const Busy busy(running_);

  QObject context;  // lives on the GUI thread; the worker's calls land here
  GuiThreadMessageSink messages(context, services_.messages);
  const LinkSettings settings = linkSettings_();
  UploadRecorder recorder(services_.history, services_.clock, settings.portName);
  TKORAComm link(settings, recorder.Watch(messages), services_.clock,
                 recorder.Trace(services_.ports.MakePort(settings.portName)));
  UploadSequence sequence(link, plan, &recorder);
  if (sequence.OpenPort() != 0) {
    sequence.Finish();
    return sequence.Result();
  }

  auto progress =
      std::make_unique<TKORAProgress>(&window_, plan.progressMaximum, plan.progressText);
  progress->setWindowModality(Qt::ApplicationModal);
  progress->show();
  QCoreApplication::processEvents();  // paint it before the first byte goes out
  GuiThreadProgress steps(progress.get());

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
      status = sequence.Program(steps);
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
  if (completed) progress->CloseProgress();
  progress.reset();
  sequence.Finish();
  return sequence.Result();
}
