#include "job/progress_window_qt.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPointer>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include "app/message_box.h"
#include "app/strings.h"
#include "platform/errors.h"

namespace tomeshift {
namespace {

QString Q(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

// Runs fn on the object's thread and waits for it; directly when already there.
template <typename Fn>
void RunOnWindowThread(QObject* target, Fn&& fn) {
  if (QThread::currentThread() == target->thread()) {
    fn();
  } else {
    QMetaObject::invokeMethod(target, std::forward<Fn>(fn), Qt::BlockingQueuedConnection);
  }
}

}  // namespace

// ---- the worker's handlers ----

void ProgressRelay::HandOver() {
  view_.ShowProgress(state_);
  state_.Msg.clear();
  state_.ErrorMsg.clear();
}

void ProgressRelay::OnChange(std::u16string_view info, int persent) {
  if (persent != 0) state_.position = persent;
  if (!info.empty()) state_.info = info;
  HandOver();
  if (WantToExit && !cancel_raised_) {
    cancel_raised_ = true;
    throw EUserCancel();
  }
}

void ProgressRelay::OnMsg(std::u16string_view text) {
  state_.Msg = text;
  HandOver();
}

void ProgressRelay::OnError(std::u16string_view text) {
  state_.ErrorMsg = text;
  HandOver();
}

bool ProgressRelay::OnDenied(std::u16string_view denied_file) {
  if (view_.AskDenied(std::u16string(denied_file))) Abort = true;
  return Abort;
}

// ---- the thread of one run ----

ProgressJob::ProgressJob(Body body, std::function<bool()> ok) : body_(std::move(body)), ok_(std::move(ok)) {}

ProgressJob::~ProgressJob() {
  // The window joins before it goes; this is the last guard against a detached worker.
  if (thread_.joinable()) thread_.join();
}

void ProgressJob::Start(IProgressView& view, std::function<void()> on_finished) {
  relay_ = std::make_unique<ProgressRelay>(view);
  thread_ = std::thread([this, on_finished = std::move(on_finished)] {
    try {
      body_(*relay_);
    } catch (const EUserCancel&) {
      cancelled_ = true;
    } catch (const std::exception& e) {
      std::lock_guard lock(failure_mutex_);
      failure_ = e.what();
      if (failure_.empty()) failure_ = "unknown error";
    } catch (...) {
      std::lock_guard lock(failure_mutex_);
      failure_ = "unknown error";
    }
    finished_ = true;
    if (on_finished) on_finished();
  });
}

void ProgressJob::RequestStop() {
  if (relay_) relay_->RequestStop();
}

void ProgressJob::Join() {
  if (thread_.joinable()) thread_.join();
}

std::string ProgressJob::Failure() const {
  std::lock_guard lock(failure_mutex_);
  return failure_;
}

// ---- the window ----

TfrmProgress::TfrmProgress(QWidget* owner) : QDialog(owner) {
  setWindowTitle(app::text::kProductName);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(8);
  setFont(font);
  setFixedSize(581, 133);

  btnCancel = new QPushButton(app::text::kCancel, this);
  btnCancel->setGeometry(244, 98, 81, 25);
  btnCancel->setDefault(true);
  btnCancel->setAutoDefault(true);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmProgress::btnCancelClick);

  Label1 = new QLabel(app::text::kClipboardWarning, this);
  Label1->move(167, 18);
  Label1->setAutoFillBackground(true);
  QPalette red = Label1->palette();
  red.setColor(QPalette::Window, Qt::red);
  Label1->setPalette(red);
  Label1->adjustSize();

  lbInfo = new QLabel(QString(14, QLatin1Char(' ')), this);
  lbInfo->setGeometry(24, 45, 529, 17);

  Gauge1 = new QProgressBar(this);
  Gauge1->setGeometry(24, 64, 529, 17);
  Gauge1->setRange(0, 100);
  Gauge1->setValue(0);
  Gauge1->setTextVisible(true);

  btnCancel->setFocus();
}

TfrmProgress::~TfrmProgress() {
  // Never leave a worker writing behind a window that is gone.
  if (OutputWord_ && OutputWord_->Started() && !OutputWord_->Finished()) StopIt();
  if (OutputWord_) OutputWord_->Join();
}

void TfrmProgress::SetOutputWord(std::unique_ptr<ProgressJob> job) { OutputWord_ = std::move(job); }

void TfrmProgress::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (OutputWord_ && !OutputWord_->Started()) {
    QPointer<TfrmProgress> self(this);
    OutputWord_->Start(*this, [self] {
      // Queued: the window learns of the end after every hand-over before it.
      QMetaObject::invokeMethod(
          QCoreApplication::instance(), [self] { if (self) self->WorkerEnded(); }, Qt::QueuedConnection);
    });
  }
}

void TfrmProgress::StopIt() {
  if (!OutputWord_ || !OutputWord_->Started()) return;
  if (!OutputWord_->Finished()) {
    stopping_ = true;
    btnCancel->setEnabled(false);
    OutputWord_->RequestStop();
    WaitForWorker();
    stopping_ = false;
    btnCancel->setEnabled(true);
  }
  OutputWord_->Join();
}

void TfrmProgress::WaitForWorker() {
  if (!OutputWord_ || !OutputWord_->Started()) return;
  // The worker may still hand steps over to this thread, so keep serving them instead of blocking.
  if (!OutputWord_->Finished()) {
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
      if (OutputWord_->Finished()) loop.quit();
    });
    poll.start(10);
    if (!OutputWord_->Finished()) loop.exec();
  }
  OutputWord_->Join();
}

void TfrmProgress::btnCancelClick() {
  if (stopping_) return;
  if (btnCancel->text() == QLatin1String(app::text::kCancel)) {
    try {
      StopIt();
    } catch (...) {
      // Stopping must not keep the window open.
    }
  } else {
    WaitForWorker();  // "Close": the run has ended, let its last steps finish
  }
  done(QDialog::Accepted);
}

bool TfrmProgress::MayClose() {
  if (stopping_) return false;
  if (!OutputWord_ || !OutputWord_->Started() || OutputWord_->Finished()) {
    WaitForWorker();
    return true;
  }
  const auto answer = app::ShowBox(this, app::BoxKind::Confirmation, app::BoxButtons::YesNo, app::text::kAskCancelRun);
  if (answer != QMessageBox::Yes) return false;
  StopIt();
  return true;
}

void TfrmProgress::closeEvent(QCloseEvent* event) {
  if (MayClose()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void TfrmProgress::reject() {
  if (MayClose()) QDialog::reject();
}

void TfrmProgress::ShowProgress(const ProgressSnapshot& snapshot) {
  RunOnWindowThread(this, [this, &snapshot] { ShowProgressNow(snapshot); });
}

bool TfrmProgress::AskDenied(const std::u16string& denied_file) {
  bool abort = false;
  RunOnWindowThread(this, [this, &denied_file, &abort] { abort = AskDeniedNow(denied_file); });
  return abort;
}

void TfrmProgress::ShowProgressNow(const ProgressSnapshot& s) {
  if (!s.Msg.empty()) app::ShowBox(this, app::BoxKind::Confirmation, app::BoxButtons::Ok, Q(s.Msg));
  if (!s.ErrorMsg.empty()) app::ShowBox(this, app::BoxKind::Error, app::BoxButtons::Ok, Q(s.ErrorMsg));
  Gauge1->setValue(s.position);
  lbInfo->setText(Q(s.info));
  if (OutputWord_ && OutputWord_->Ok()) btnCancel->setText(app::text::kClose);
}

bool TfrmProgress::AskDeniedNow(const std::u16string& denied_file) {
  const QString text = QLatin1Char('"') + Q(denied_file) + QLatin1Char('"') + QString(app::text::kDeniedSuffix);
  return app::ShowBox(this, app::BoxKind::Error, app::BoxButtons::AbortRetry, text) == QMessageBox::Abort;
}

void TfrmProgress::WorkerEnded() {
  if (!OutputWord_) return;
  // A run that stopped on an error before the output stage would otherwise leave the window
  // silently on its last message: say why, and let the user close.
  const std::string failure = OutputWord_->Failure();
  if (!failure.empty() && !stopping_) {
    app::ShowBox(this, app::BoxKind::Error, app::BoxButtons::Ok, QString::fromStdString(failure));
    btnCancel->setText(app::text::kClose);
  }
}

}  // namespace tomeshift
