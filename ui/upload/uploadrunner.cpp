#include "ui/upload/uploadrunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QVariant>
#include <QWidget>
#include <thread>

#include "ui/upload/guithreadmessagesink.h"
#include "ui/qtmessagesink.h"
#include "device/koracomm.h"
#include "ui/upload/koraprogressform.h"
#include "common/systemclock.h"

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

// Marks a main window as busy with an upload for as long as the object
// lives. Both pages sit in one main window and share its port, and the
// progress window lets events through while it is built, before its
// modality is in force, so a quick second click would otherwise start a
// second upload inside the first.
class UploadInProgress {
 public:
  explicit UploadInProgress(QObject* scope) : scope_(scope) {
    claimed_ = !scope_->property(kMark).toBool();
    if (claimed_) scope_->setProperty(kMark, true);
  }
  ~UploadInProgress() {
    if (claimed_ && scope_) scope_->setProperty(kMark, QVariant());
  }
  UploadInProgress(const UploadInProgress&) = delete;
  UploadInProgress& operator=(const UploadInProgress&) = delete;

  // False when another upload already runs in the scope.
  bool Claimed() const { return claimed_; }

 private:
  static constexpr const char* kMark = "korapcUploadInProgress";
  QPointer<QObject> scope_;
  bool claimed_ = false;
};

}  // namespace

UploadRunner::UploadRunner(QWidget* owner, MessageSink* sink, Clock* clock, PortFactory portFactory)
    : owner_(owner), sink_(sink), clock_(clock), portFactory_(std::move(portFactory)) {}

UploadResult UploadRunner::Run(const UploadPlan& plan, const LinkSettings& settings) {
  QWidget* mainWindow = owner_ ? owner_->window() : nullptr;
  const UploadInProgress running(mainWindow ? static_cast<QObject*>(mainWindow) : QCoreApplication::instance());
  if (!running.Claimed()) return {};

  SystemClock systemClock;
  Clock& clock = clock_ ? *clock_ : systemClock;
  QObject context;  // lives on the GUI thread; the worker's calls land here
  QtMessageSink mainWindowSink(mainWindow);
  MessageSink* outsideSink = sink_ ? sink_ : &mainWindowSink;
  GuiThreadMessageSink messages(&context, outsideSink);

  TKORAComm link(settings, messages, clock, portFactory_ ? portFactory_() : nullptr);
  UploadSequence sequence(link, plan);
  if (sequence.OpenPort() != 0) {
    sequence.Finish();
    return sequence.Result();
  }

  auto progress = std::make_unique<TKORAProgress>(mainWindow, plan.progressMaximum, plan.progressText);
  progress->setWindowModality(Qt::ApplicationModal);
  progress->show();
  QCoreApplication::processEvents();  // paint it before the first byte goes out
  QtMessageSink progressSink(progress.get());
  if (!sink_) messages.SetTarget(&progressSink);
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
  messages.SetTarget(outsideSink);
  sequence.Finish();
  return sequence.Result();
}
