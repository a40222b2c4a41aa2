// The progress window of a conversion. It starts the worker when it is shown, serves the worker's
// hand-overs on the window thread (progress, messages, errors, the question about an output file in
// use), and stops the worker before it lets itself be closed during a run.
#pragma once

#include <QDialog>
#include <memory>

#include "job/job_interaction.h"
#include "job/output_word.h"

class QLabel;
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

  QProgressBar* Gauge1 = nullptr;
  QPushButton* btnCancel = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* lbInfo = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void btnCancelClick();
  bool Running() const;
  // True when closing may go on (no run, or the user agreed to stop it and it has stopped).
  bool MayClose();

  std::unique_ptr<TOutputWord> OutputWord_;
  bool started_ = false;
  bool stopping_ = false;
};

}  // namespace tomeshift
