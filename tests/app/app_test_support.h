// Helpers for driving the windows in tests: answering modal dialogs and message boxes.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <vector>

#include "app/message_box.h"

namespace tomeshift::testing {

// Records every message box and answers from a script (Ok when the script has run out).
class BoxRecorder {
 public:
  BoxRecorder();
  ~BoxRecorder();

  std::vector<app::BoxRequest> boxes;
  std::vector<QMessageBox::StandardButton> answers;  // consumed in order
  std::function<void(const app::BoxRequest&)> on_box;  // runs while the box is "open"

  QStringList Texts() const;

 private:
  app::BoxPresenter previous_;
};

// Runs action on the next modal window that differs from the one active now, once it is shown.
void WhenModal(std::function<void(QWidget* modal)> action);

// Processes events until pred holds or the time runs out; the answer is pred's last value.
bool WaitFor(const std::function<bool()>& pred, int timeout_ms = 10000);

}  // namespace tomeshift::testing
