#include "app/progress_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/message_box.h"
#include "app/strings.h"

namespace tomeshift {
namespace {

QString Q(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

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
  // Never leave a worker writing behind a window that is gone; its last hand-overs still need the
  // controls, which live until QWidget's destructor.
  if (OutputWord_ && started_) {
    OutputWord_->WantToExit = true;
    WaitForWorker();
  }
  OutputWord_.reset();
}

void TfrmProgress::WaitForWorker() {
  if (!OutputWord_ || !started_) return;
  // Keep the event loop running rather than blocking in the worker's own wait: besides the job's
  // hand-overs, the worker may be waiting on a question of the user-interaction interface, which
  // reaches this thread as an event.
  if (!OutputWord_->Finished()) {
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
      OutputWord_->ServeHandOvers();
      if (OutputWord_->Finished()) loop.quit();
    });
    poll.start(10);
    loop.exec();
  }
  OutputWord_->WaitFor();  // only joins now
}

void TfrmProgress::SetOutputWord(std::unique_ptr<TOutputWord> worker) { OutputWord_ = std::move(worker); }

bool TfrmProgress::Running() const { return OutputWord_ && started_ && !OutputWord_->Finished(); }

void TfrmProgress::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (OutputWord_ && !started_) {
    started_ = true;
    OutputWord_->Start();
  }
}

void TfrmProgress::HandOverPending(TOutputWord& worker) {
  // Worker thread: only post; the window thread serves it when it gets there. A window that is gone
  // by then drops the call, and its destructor has served the worker through StopIt.
  QMetaObject::invokeMethod(
      this, [&worker] { worker.ServeHandOvers(); }, Qt::QueuedConnection);
}

void TfrmProgress::ShowProgress(TOutputWord& worker) {
  if (!worker.Msg.empty()) {
    app::ShowBox(this, app::BoxKind::Confirmation, app::BoxButtons::Ok, Q(worker.Msg));
    worker.Msg.clear();
  }
  if (!worker.ErrorMsg.empty()) {
    app::ShowBox(this, app::BoxKind::Error, app::BoxButtons::Ok, Q(worker.ErrorMsg));
    worker.ErrorMsg.clear();
  }
  Gauge1->setValue(worker.position);
  lbInfo->setText(Q(worker.info));
  if (worker.Converter->OK) btnCancel->setText(app::text::kClose);
}

void TfrmProgress::AskDenied(TOutputWord& worker) {
  const QString text =
      QLatin1Char('"') + Q(worker.DeniedFile) + QLatin1Char('"') + QString::fromUtf8(app::text::kDeniedSuffix);
  if (app::ShowBox(this, app::BoxKind::Error, app::BoxButtons::AbortRetry, text) == QMessageBox::Abort) {
    worker.Converter->Abort = true;
  }
}

void TfrmProgress::StopIt() {
  if (!OutputWord_ || !started_ || stopping_) return;
  stopping_ = true;
  btnCancel->setEnabled(false);
  OutputWord_->WantToExit = true;
  WaitForWorker();
  btnCancel->setEnabled(true);
  stopping_ = false;
}

void TfrmProgress::btnCancelClick() {
  if (stopping_) return;
  if (btnCancel->text() == QLatin1String(app::text::kCancel)) {
    try {
      StopIt();
    } catch (...) {
      // Stopping must not keep the window open.
    }
  } else if (OutputWord_ && started_) {
    WaitForWorker();  // "Close": the run has ended; let its last steps finish
  }
  done(QDialog::Accepted);
}

bool TfrmProgress::MayClose() {
  if (stopping_) return false;
  if (!Running()) {
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

}  // namespace tomeshift
