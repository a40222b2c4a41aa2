// Message boxes of the kinds the program uses, with the captions and icons of the standard ones.
// Tests replace the presenter to answer without a person.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace tomeshift::app {

enum class BoxKind { Plain, Information, Confirmation, Warning, Error };
enum class BoxButtons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetry, AbortRetryIgnore, RetryCancel };

struct BoxRequest {
  QWidget* parent = nullptr;
  BoxKind kind = BoxKind::Information;
  BoxButtons buttons = BoxButtons::Ok;
  QString caption;
  QString text;
};

using BoxPresenter = std::function<QMessageBox::StandardButton(const BoxRequest&)>;

// Shows a modal box and returns the button pressed.
QMessageBox::StandardButton ShowBox(QWidget* parent, BoxKind kind, BoxButtons buttons, const QString& text);

// Replaces the presenter (nullptr: the real boxes again); returns the previous one.
BoxPresenter SetBoxPresenter(BoxPresenter presenter);

}  // namespace tomeshift::app
