#include "app/message_box.h"

#include "app/strings.h"

namespace tomeshift::app {
namespace {

BoxPresenter& Presenter() {
  static BoxPresenter presenter;
  return presenter;
}

QMessageBox::StandardButton ShowReal(const BoxRequest& r) {
  QMessageBox::Icon icon = QMessageBox::Information;
  switch (r.kind) {
    case BoxKind::Plain:
      icon = QMessageBox::NoIcon;
      break;
    case BoxKind::Information:
      icon = QMessageBox::Information;
      break;
    case BoxKind::Confirmation:
      icon = QMessageBox::Question;
      break;
    case BoxKind::Warning:
      icon = QMessageBox::Warning;
      break;
    case BoxKind::Error:
      icon = QMessageBox::Critical;
      break;
  }
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  QMessageBox::StandardButton default_button = QMessageBox::Ok;
  switch (r.buttons) {
    case BoxButtons::Ok:
      break;
    case BoxButtons::OkCancel:
      buttons = QMessageBox::Ok | QMessageBox::Cancel;
      break;
    case BoxButtons::YesNo:
      buttons = QMessageBox::Yes | QMessageBox::No;
      default_button = QMessageBox::Yes;
      break;
    case BoxButtons::YesNoCancel:
      buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      default_button = QMessageBox::Yes;
      break;
    case BoxButtons::AbortRetry:
      buttons = QMessageBox::Abort | QMessageBox::Retry;
      default_button = QMessageBox::Abort;
      break;
    case BoxButtons::AbortRetryIgnore:
      buttons = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
      default_button = QMessageBox::Abort;
      break;
    case BoxButtons::RetryCancel:
      buttons = QMessageBox::Retry | QMessageBox::Cancel;
      default_button = QMessageBox::Retry;
      break;
  }
  QMessageBox box(icon, r.caption, r.text, buttons, r.parent);
  box.setDefaultButton(default_button);
  box.setTextFormat(Qt::PlainText);  // a path or a page name with "<" in it is shown as it is
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QMessageBox::StandardButton ShowBox(QWidget* parent, BoxKind kind, BoxButtons buttons, const QString& text) {
  BoxRequest r;
  r.parent = parent;
  r.kind = kind;
  r.buttons = buttons;
  r.text = text;
  switch (kind) {
    case BoxKind::Plain:
      r.caption = text::kProductName;
      break;
    case BoxKind::Information:
      r.caption = text::kBoxInformation;
      break;
    case BoxKind::Confirmation:
      r.caption = text::kBoxConfirm;
      break;
    case BoxKind::Warning:
      r.caption = text::kBoxWarning;
      break;
    case BoxKind::Error:
      r.caption = text::kBoxError;
      break;
  }
  if (Presenter()) return Presenter()(r);
  return ShowReal(r);
}

BoxPresenter SetBoxPresenter(BoxPresenter presenter) {
  BoxPresenter previous = std::move(Presenter());
  Presenter() = std::move(presenter);
  return previous;
}

}  // namespace tomeshift::app
