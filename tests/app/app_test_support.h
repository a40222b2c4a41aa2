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
#include "app/shell.h"
#include "converter/chm_to_doc.h"
#include "job/output_word.h"

namespace tomeshift::testing {

// Records every message box and answers from a script (Ok when the script has run out).
class BoxRecorder {
 public:
  BoxRecorder();
  ~BoxRecorder();

  std::vector<app::BoxRequest> boxes;
  std::vector<QMessageBox::StandardButton> answers;    // consumed in order
  std::function<void(const app::BoxRequest&)> on_box;  // runs while the box is "open"

  QStringList Texts() const;

 private:
  app::BoxPresenter previous_;
};

// Stands in for the desktop while it lives: records what would be opened or shown, and answers
// from its fields.
class DesktopRecorder {
 public:
  DesktopRecorder();
  ~DesktopRecorder();

  QStringList opened;        // addresses handed to the desktop, as text (local files as paths)
  QStringList shown;         // files handed to the file manager's ShowItems
  bool file_manager = true;  // whether the FileManager1 service answers
  bool help_viewer = true;   // whether a program is set up for help files
  bool handler = true;       // whether a program is set up for documents and folders
  QString help_file = QStringLiteral("/opt/tomeshift/tomeshift.chm");

 private:
  app::DesktopShell previous_;
};

// A converter whose output stage follows a script instead of writing a document; the stages
// before it (reading and extracting the help file) are the real ones.
class ScriptedConverter final : public TChmToDocPDF {
 public:
  std::function<void(ScriptedConverter&)> script;
  void OutputWord() override {
    if (script) script(*this);
  }
  void Report(const std::u16string& info, int persent) { DoChange(info, persent); }
  void Denied(const std::u16string& file) { FOnDenied(file); }
  void Message(const std::u16string& text) { FOnMsg(text); }
  void Error(const std::u16string& text) { FOnError(text); }
};

// A real help file to run the early stages on.
QString SampleHelpFile();

// A worker for the interaction whose converter runs script as its output stage.
std::unique_ptr<TOutputWord> ScriptedWorker(IJobInteraction& interaction,
                                            std::function<void(ScriptedConverter&)> script);
// Puts a converter into a worker with the worker's four handlers on its events.
void InstallConverter(TOutputWord& worker, std::unique_ptr<TChmToDocPDF> converter);

// Runs action on the next modal window that differs from the one active now, once it is shown.
void WhenModal(std::function<void(QWidget* modal)> action);

// Processes events until pred holds or the time runs out; the answer is pred's last value.
bool WaitFor(const std::function<bool()>& pred, int timeout_ms = 10000);

}  // namespace tomeshift::testing
