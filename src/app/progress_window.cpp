#include "app/progress_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "app/message_box.h"
#include "app/shell.h"
#include "app/strings.h"
#include "platform/file_system.h"

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
  // Page names and messages come from the help file: "<h1>" in one is text, not markup.
  lbInfo->setTextFormat(Qt::PlainText);

  Gauge1 = new QProgressBar(this);
  Gauge1->setGeometry(24, 64, 529, 17);
  Gauge1->setRange(0, 100);
  Gauge1->setValue(0);
  Gauge1->setTextVisible(true);

  // The finished window's controls, hidden while the run goes on.
  lbEnd = new QLabel(this);
  QFont bold = lbEnd->font();
  bold.setBold(true);
  lbEnd->setFont(bold);
  lbEnd->hide();
  btnOpen = new QPushButton(app::text::kOpenDocument, this);
  btnOpen->setAutoDefault(false);
  btnOpen->hide();
  connect(btnOpen, &QPushButton::clicked, this, [this] { app::OpenWithShell(this, saved_file_); });
  btnShowFolder = new QPushButton(app::text::kShowInFolder, this);
  btnShowFolder->setAutoDefault(false);
  btnShowFolder->hide();
  connect(btnShowFolder, &QPushButton::clicked, this, [this] { app::ShowInFileManager(this, saved_file_); });
  btnWarnings = new QPushButton(this);
  btnWarnings->setCheckable(true);
  btnWarnings->setAutoDefault(false);
  btnWarnings->setFlat(true);
  btnWarnings->hide();
  lstWarnings = new QListWidget(this);
  lstWarnings->setWordWrap(true);
  lstWarnings->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lstWarnings->hide();
  connect(btnWarnings, &QPushButton::toggled, this, [this](bool open) {
    lstWarnings->setVisible(open);
    LayOutEnd();
  });

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
  Gauge1->setValue(worker.position);
  lbInfo->setText(Q(worker.info));
}

void TfrmProgress::AskDenied(TOutputWord& worker) {
  const QString text =
      QLatin1Char('"') + Q(worker.DeniedFile) + QLatin1Char('"') + QString::fromUtf8(app::text::kDeniedSuffix);
  if (app::ShowBox(this, app::BoxKind::Error, app::BoxButtons::AbortRetry, text) == QMessageBox::Abort) {
    worker.Converter->Abort = true;
  }
}

void TfrmProgress::ShowEnd(TOutputWord& worker) {
  Label1->hide();  // the clipboard is free again
  btnCancel->setText(app::text::kClose);
  lbInfo->setWordWrap(true);
  lbInfo->setToolTip(QString());
  const QString message = Q(worker.EndMessage());
  switch (worker.End()) {
    case TJobEnd::kSaved: {
      saved_file_ = QString::fromStdString(FileSystem().NativePath(worker.EndMessage()));
      Gauge1->setValue(100);
      lbEnd->setText(app::text::kEndSaved);
      // A long path keeps its beginning and its name; the whole of it on hovering.
      QString shown = lbInfo->fontMetrics().elidedText(saved_file_, Qt::ElideMiddle, Gauge1->width());
      if (!app::HasProgramFor(saved_file_)) {
        shown += QLatin1Char('\n') + QString(app::text::kNoProgramFor).arg(QFileInfo(saved_file_).suffix());
      }
      lbInfo->setText(shown);
      lbInfo->setToolTip(saved_file_);
      break;
    }
    case TJobEnd::kNotSaved:
      lbEnd->setText(app::text::kEndNotSaved);
      lbInfo->setText(message);
      break;
    case TJobEnd::kCanceled:
      lbEnd->setText(app::text::kEndCanceled);
      lbInfo->setText(app::text::kNothingWritten);
      break;
    case TJobEnd::kFailed:
    case TJobEnd::kRunning:
      lbEnd->setText(app::text::kEndFailed);
      lbInfo->setText(message);
      break;
  }
  const bool saved = worker.End() == TJobEnd::kSaved;
  // A bar stopped part-way (or run to its end by the clean-up) says nothing true about a run that
  // wrote nothing.
  Gauge1->setVisible(saved);
  btnOpen->setVisible(saved);
  btnShowFolder->setVisible(saved);
  lbEnd->show();

  lstWarnings->clear();
  for (const std::u16string& w : worker.Warnings()) lstWarnings->addItem(Q(w));
  warning_count_ = static_cast<int>(worker.WarningCount());
  btnWarnings->setVisible(warning_count_ > 0);
  LayOutEnd();
}

void TfrmProgress::LayOutEnd() {
  constexpr int kLeft = 24;
  const int width = Gauge1->width();
  int y = 18;
  lbEnd->setGeometry(kLeft, y, width, lbEnd->sizeHint().height());
  y += lbEnd->height() + 6;
  const int info_height = std::max(17, lbInfo->heightForWidth(width));
  lbInfo->setGeometry(kLeft, y, width, info_height);
  y += info_height + 6;
  if (!Gauge1->isHidden()) {
    Gauge1->move(kLeft, y);
    y += Gauge1->height() + 10;
  } else {
    y += 4;
  }
  if (!btnWarnings->isHidden()) {
    const int count = warning_count_;
    btnWarnings->setText((count == 1 ? QString(app::text::kOneWarning) : QString(app::text::kWarnings).arg(count)) +
                         (btnWarnings->isChecked() ? QStringLiteral(" \u25BE") : QStringLiteral(" \u25B8")));
    btnWarnings->adjustSize();
    btnWarnings->move(kLeft, y);
    y += btnWarnings->height() + 4;
    if (btnWarnings->isChecked()) {
      lstWarnings->setGeometry(kLeft, y, width, 120);
      y += 124;
    }
  }
  y += 4;
  btnOpen->setGeometry(kLeft, y, 100, 25);
  btnShowFolder->setGeometry(kLeft + 106, y, 120, 25);
  btnCancel->setGeometry(kLeft + width - 81, y, 81, 25);
  setFixedSize(width + 2 * kLeft, y + 25 + 12);
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
