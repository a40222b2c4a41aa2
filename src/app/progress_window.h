// The progress window of a conversion. It starts the worker when it is shown, serves the worker's
// hand-overs on the window thread (progress, messages, the question about an output file in use),
// stops the worker before it lets itself be closed during a run, and ends showing how the run ended:
// the document saved (with buttons to open it and show its folder), not saved, failed or canceled,
// and the warnings of the run.
#pragma once

#include <QDialog>
#include <memory>

#include "job/job_interaction.h"
#include "job/output_word.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace tomeshift {

class TfrmProgress final : public QDialog, public IJobInteraction {
  Q_OBJECT

 public:
  explicit TfrmProgress(QWidget* owner);
  ~TfrmProgress() override;

  // Installed by the opener before the window is shown (created with this window as its
  // interaction); the window owns it from then on.
  void SetOutputWord(std::unique_ptr<TOutputWord> worker);
  TOutputWord* OutputWord() const { return OutputWord_.get(); }

  // Asks the worker to stop and waits for it, serving its hand-overs meanwhile.
  void StopIt();
  // Waits for the worker to end without asking it to stop, serving it meanwhile.
  void WaitForWorker();

  // IJobInteraction, for the worker.
  void HandOverPending(TOutputWord& worker) override;
  void ShowProgress(TOutputWord& worker) override;
  void AskDenied(TOutputWord& worker) override;
  void ShowEnd(TOutputWord& worker) override;

  QProgressBar* Gauge1 = nullptr;
  QPushButton* btnCancel = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* lbInfo = nullptr;
  // Shown once the run has ended.
  QLabel* lbEnd = nullptr;               // how it ended, in one sentence
  QPushButton* btnOpen = nullptr;        // the saved document
  QPushButton* btnShowFolder = nullptr;  // the saved document in its folder
  QPushButton* btnWarnings = nullptr;    // shows or hides the list of warnings
  QListWidget* lstWarnings = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void btnCancelClick();
  bool Running() const;
  // True when closing may go on (no run, or the user agreed to stop it and it has stopped).
  bool MayClose();
  // Places the controls of the finished window, the warnings list open or not.
  void LayOutEnd();

  std::unique_ptr<TOutputWord> OutputWord_;
  bool started_ = false;
  bool stopping_ = false;
  QString saved_file_;
  int warning_count_ = 0;  // of the run that ended, also those beyond the list
};

}  // namespace tomeshift
