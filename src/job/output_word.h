// One conversion job: a worker thread that owns the converter and runs the pipeline in a fixed
// order, handing its progress, messages and questions to the user-interface side synchronously.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "converter/chm_to_doc.h"
#include "job/job_interaction.h"

namespace tomeshift {

// How a job ended. Only kSaved means that a document was written.
enum class TJobEnd {
  kRunning,
  kSaved,     // EndMessage: the path of the written document
  kNotSaved,  // the output was in use and the user gave it up; EndMessage says so
  kFailed,    // EndMessage: the error, naming the user's files
  kCanceled,  // the user stopped the run
};

class TOutputWord {
 public:
  // Created suspended: Start() runs it. The converter's four events are assigned to the handlers.
  explicit TOutputWord(IJobInteraction& interaction);
  // Stops a running job (as StopIt) before the converter is freed.
  ~TOutputWord();
  TOutputWord(const TOutputWord&) = delete;
  TOutputWord& operator=(const TOutputWord&) = delete;

  std::unique_ptr<TChmToDocPDF> Converter;
  std::u16string Msg;       // pending information message
  std::u16string ErrorMsg;  // the error that ended the run (reported with the job's end)
  std::u16string Word;
  std::u16string chm;  // the help file to convert
  // The help file as the user named it, when chm is a scratch copy of it: messages and warnings say
  // this name instead of the copy's.
  std::u16string SourceFile;
  int position = 0;     // last percentage
  std::u16string info;  // last stage message
  std::atomic<bool> WantToExit{false};
  int StartSection = 0;
  std::u16string DeniedFile;
  // Set by a caller that chose the code page itself (a language picked in the window): reading the
  // help file again in the first step must not undo that choice.
  bool KeepCodePage = false;

  // Starts the thread (once).
  void Start();
  // The thread body: the seven steps in order. Public so that a caller may run a job on its own thread.
  void Execute();
  // Asks the job to stop at its next progress report and waits for it to end, serving its
  // hand-overs meanwhile. Call on the user-interface thread.
  void StopIt();
  // Waits for the job to end, serving its hand-overs meanwhile (the command line's main loop).
  void WaitFor();
  // Runs the hand-over that is waiting, if any. Call on the user-interface thread.
  void ServeHandOvers();
  bool Finished() const { return finished_.load(); }

  // How the job ended, once Finished() (or from ShowEnd on).
  TJobEnd End() const { return end_; }
  const std::u16string& EndMessage() const { return end_message_; }
  // The message of the error that ended the job; empty unless End() is kFailed.
  const std::u16string& FailureMessage() const { return failure_; }
  bool Canceled() const { return end_ == TJobEnd::kCanceled; }
  // The warnings of the run ("page: text"), in order, the first 500 and a count of the rest. Read
  // after the job has ended.
  const std::vector<std::u16string>& Warnings() const { return warnings_; }
  // How many warnings the run raised, those beyond the list as well.
  std::size_t WarningCount() const { return warnings_.size() - (warnings_dropped_ > 0 ? 1 : 0) + warnings_dropped_; }

  // The converter's events (run on the worker thread).
  void ChmToDocPDF_OnChange(const std::u16string& info, int persent);
  void ChmToDocPDF_OnDenied(const std::u16string& DeniedFile);
  void ChmToDocPDF_OnMsg(const std::u16string& MsgText);
  void ChmToDocPDF_OnError(const std::u16string& ErrMsg);

 private:
  // Runs task on the user-interface side and returns when it has run.
  void Synchronize(std::function<void()> task);
  void Cleanup();
  void SettleEnd();
  // The text with the scratch copy's name replaced by the user's name for the help file.
  std::u16string ForUser(std::u16string text) const;
  friend class JobWarnings;

  IJobInteraction& interaction_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> pending_;  // the hand-over waiting to be served
  bool pending_done_ = false;
  std::atomic<bool> finished_{false};
  bool cancel_raised_ = false;
  bool canceled_ = false;
  std::u16string failure_;
  TJobEnd end_ = TJobEnd::kRunning;
  std::u16string end_message_;
  std::mutex warnings_mutex_;
  std::vector<std::u16string> warnings_;
  std::size_t warnings_dropped_ = 0;
};

}  // namespace tomeshift
