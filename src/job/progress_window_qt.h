// The progress window of a conversion and the hand-over from the worker thread to it.
//
// The worker never touches a widget: its four event handlers (ProgressRelay) store what they carry and
// hand one step to the window thread, waiting until the window has shown it or the user has answered.
#pragma once

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tomeshift {

// What one hand-over carries to the window.
struct ProgressSnapshot {
  std::u16string Msg;       // information message, shown first
  std::u16string ErrorMsg;  // error message, shown next
  int position = 0;         // percentage shown on the bar
  std::u16string info;      // stage message shown in the label
};

// The window side of the hand-over. Both calls block the calling (worker) thread until they are done.
class IProgressView {
 public:
  virtual ~IProgressView() = default;
  virtual void ShowProgress(const ProgressSnapshot& snapshot) = 0;
  // True when the user gives up the file (Abort), false for Retry.
  virtual bool AskDenied(const std::u16string& denied_file) = 0;
};

// The converter's four events as the worker handles them.
class ProgressRelay {
 public:
  explicit ProgressRelay(IProgressView& view) : view_(view) {}

  // A report of 0 keeps the bar, an empty message keeps the label. After a stop request the first
  // report raises EUserCancel ("User canceled!"); later ones (the clean-up's) pass.
  void OnChange(std::u16string_view info, int persent);
  void OnMsg(std::u16string_view text);
  void OnError(std::u16string_view text);
  // True when the user chose Abort; Aborted() keeps the answer for the worker.
  bool OnDenied(std::u16string_view denied_file);

  void RequestStop() { WantToExit = true; }
  bool StopRequested() const { return WantToExit; }
  bool Aborted() const { return Abort; }

 private:
  void HandOver();

  IProgressView& view_;
  ProgressSnapshot state_;  // written by the worker only
  bool cancel_raised_ = false;
  std::atomic<bool> WantToExit{false};  // single writer: the window thread
  std::atomic<bool> Abort{false};       // single writer: the window thread (during the hand-over)
};

// One conversion run on its own thread. The body gets the relay for its events.
class ProgressJob {
 public:
  using Body = std::function<void(ProgressRelay& relay)>;
  // ok: the converter's "finished" flag, read by the window after each hand-over.
  ProgressJob(Body body, std::function<bool()> ok);
  ~ProgressJob();  // the thread must have been joined (the window does it)

  void Start(IProgressView& view, std::function<void()> on_finished);
  void RequestStop();
  bool Started() const { return thread_.joinable() || finished_; }
  bool Finished() const { return finished_; }
  void Join();
  bool Ok() const { return ok_ && ok_(); }
  bool Cancelled() const { return cancelled_; }
  // The message of an error that ended the run outside the output stage; empty otherwise.
  std::string Failure() const;

 private:
  Body body_;
  std::function<bool()> ok_;
  std::unique_ptr<ProgressRelay> relay_;
  std::thread thread_;
  std::atomic<bool> finished_{false};
  std::atomic<bool> cancelled_{false};
  mutable std::mutex failure_mutex_;
  std::string failure_;
};

class TfrmProgress final : public QDialog, public IProgressView {
  Q_OBJECT

 public:
  explicit TfrmProgress(QWidget* owner);
  ~TfrmProgress() override;

  // Installed by the opener before the window is shown; the window owns it from then on.
  void SetOutputWord(std::unique_ptr<ProgressJob> job);
  ProgressJob* OutputWord() const { return OutputWord_.get(); }

  // Sets the stop request and waits for the worker to end, serving its hand-overs meanwhile.
  void StopIt();
  // Waits for the worker to end without asking it to stop.
  void WaitForWorker();

  void ShowProgress(const ProgressSnapshot& snapshot) override;
  bool AskDenied(const std::u16string& denied_file) override;

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
  void ShowProgressNow(const ProgressSnapshot& snapshot);
  bool AskDeniedNow(const std::u16string& denied_file);
  void WorkerEnded();
  // True when closing may go on (no run, or the user agreed to stop it and it has stopped).
  bool MayClose();

  std::unique_ptr<ProgressJob> OutputWord_;
  bool stopping_ = false;
};

}  // namespace tomeshift
