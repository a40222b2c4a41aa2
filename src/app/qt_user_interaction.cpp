#include "app/qt_user_interaction.h"

#include <QApplication>
#include <QFileDialog>
#include <QThread>
#include <cstdio>

#include "app/message_box.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift::app {
namespace {

QString Q(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

BoxKind KindOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kNone:
      return BoxKind::Plain;
    case MessageIcon::kInformation:
      return BoxKind::Information;
    case MessageIcon::kConfirmation:
      return BoxKind::Confirmation;
    case MessageIcon::kWarning:
      return BoxKind::Warning;
    case MessageIcon::kError:
      return BoxKind::Error;
  }
  return BoxKind::Information;
}

BoxButtons ButtonsOf(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      return BoxButtons::Ok;
    case MessageButtons::kOkCancel:
      return BoxButtons::OkCancel;
    case MessageButtons::kYesNo:
      return BoxButtons::YesNo;
    case MessageButtons::kYesNoCancel:
      return BoxButtons::YesNoCancel;
    case MessageButtons::kAbortRetry:
      return BoxButtons::AbortRetry;
    case MessageButtons::kAbortRetryIgnore:
      return BoxButtons::AbortRetryIgnore;
    case MessageButtons::kRetryCancel:
      return BoxButtons::RetryCancel;
  }
  return BoxButtons::Ok;
}

std::optional<MessageAnswer> AnswerOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok:
      return MessageAnswer::kOk;
    case QMessageBox::Cancel:
      return MessageAnswer::kCancel;
    case QMessageBox::Yes:
      return MessageAnswer::kYes;
    case QMessageBox::No:
      return MessageAnswer::kNo;
    case QMessageBox::Abort:
      return MessageAnswer::kAbort;
    case QMessageBox::Retry:
      return MessageAnswer::kRetry;
    case QMessageBox::Ignore:
      return MessageAnswer::kIgnore;
    default:
      return std::nullopt;
  }
}

// "Word Document (*.doc;*.docx)|*.doc;*.docx" -> "Word Document (*.doc *.docx)".
QString QtFilter(const std::u16string& filter) {
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    QString name = parts[i];
    const int open = name.indexOf(QLatin1Char('('));
    if (open >= 0) name = name.left(open).trimmed();
    filters << name + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

}  // namespace

QtUserInteraction::QtUserInteraction() = default;

template <typename Fn>
void QtUserInteraction::OnWindowThread(Fn&& fn) {
  if (QThread::currentThread() == thread()) {
    fn();
  } else {
    // The window thread keeps its event loop running while it waits for a worker, so this returns.
    QMetaObject::invokeMethod(this, std::forward<Fn>(fn), Qt::BlockingQueuedConnection);
  }
}

MessageAnswer QtUserInteraction::MessageBox(std::u16string_view text, MessageIcon icon, MessageButtons buttons) {
  MessageAnswer answer = CautiousAnswer(buttons);
  const QString message = Q(text);
  OnWindowThread([&] {
    QWidget* parent =
        QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
    // A box closed without a button (Escape) gives the answer that changes nothing.
    if (auto a = AnswerOf(ShowBox(parent, KindOf(icon), ButtonsOf(buttons), message))) answer = *a;
  });
  return answer;
}

std::optional<std::u16string> QtUserInteraction::SaveFileDialog(const SaveFileRequest& request) {
  std::optional<std::u16string> chosen;
  OnWindowThread([&] {
    QWidget* parent =
        QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
    QFileDialog dialog(parent, Q(request.title), Q(request.file_name), QtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!request.file_name.empty()) dialog.selectFile(Q(request.file_name));
    QString extension = Q(request.default_extension);
    if (extension.startsWith(QLatin1Char('.'))) extension.remove(0, 1);
    if (!extension.isEmpty()) dialog.setDefaultSuffix(extension);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirm_overwrite);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
      chosen = dialog.selectedFiles().first().toStdU16String();
    }
  });
  return chosen;
}

void QtUserInteraction::Warning(std::u16string_view page, std::u16string_view text) {
  const QString line = page.empty() ? Q(text) : Q(page) + QStringLiteral(": ") + Q(text);
  std::fprintf(stderr, "tomeshift: warning: %s\n", Utf16ToUtf8(EscapeControls(line.toStdU16String())).c_str());
  std::lock_guard lock(warnings_mutex_);
  warnings_ << line;
}

QStringList QtUserInteraction::Warnings() const {
  std::lock_guard lock(warnings_mutex_);
  return warnings_;
}

}  // namespace tomeshift::app
