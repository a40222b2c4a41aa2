#include "job/output_word.h"

#include <exception>

#include "platform/cancellation.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"
#include "platform/user_interaction.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {

// What the job's thread sees as the user: everything goes on to the program's own, and the warnings
// are kept as well, for the end of the run.
class JobWarnings final : public IUserInteraction {
 public:
  explicit JobWarnings(TOutputWord& job) : job_(job), next_(ProcessUserInteraction()) {}

  MessageAnswer MessageBox(std::u16string_view text, MessageIcon icon, MessageButtons buttons) override {
    return next_.MessageBox(job_.ForUser(std::u16string(text)), icon, buttons);
  }
  std::optional<std::u16string> SaveFileDialog(const SaveFileRequest& request) override {
    return next_.SaveFileDialog(request);
  }
  void Warning(std::u16string_view page, std::u16string_view text) override {
    const std::u16string p = job_.ForUser(std::u16string(page));
    const std::u16string t = job_.ForUser(std::u16string(text));
    next_.Warning(p, t);
    std::lock_guard lock(job_.warnings_mutex_);
    // A page of a thousand missing pictures must not make a list nobody reads to its end.
    if (job_.warnings_.size() < kMaxKept) {
      job_.warnings_.push_back(p.empty() ? t : p + u": " + t);
    } else {
      ++job_.warnings_dropped_;
    }
  }

  static constexpr std::size_t kMaxKept = 500;

 private:
  TOutputWord& job_;
  IUserInteraction& next_;
};

TOutputWord::TOutputWord(IJobInteraction& interaction)
    : Converter(std::make_unique<TChmToDocPDF>()), interaction_(interaction) {
  Converter->SetOnChange([this](const std::u16string& i, int p) { ChmToDocPDF_OnChange(i, p); });
  Converter->SetOnDenied([this](const std::u16string& f) { ChmToDocPDF_OnDenied(f); });
  Converter->SetOnMsg([this](const std::u16string& m) { ChmToDocPDF_OnMsg(m); });
  Converter->SetOnError([this](const std::u16string& e) { ChmToDocPDF_OnError(e); });
}

TOutputWord::~TOutputWord() {
  if (thread_.joinable()) StopIt();
}

void TOutputWord::Start() {
  if (thread_.joinable() || finished_) return;
  thread_ = std::thread([this] { Execute(); });
}

void TOutputWord::Execute() {
  // Long loops anywhere in the pipeline see a stop request at once, not at the next progress report.
  const ScopedCancelFlag cancel_flag(WantToExit);
  JobWarnings user(*this);
  const ScopedThreadUserInteraction on_this_thread(user);
  try {
    const std::uint32_t chosen_code_page = Converter->CodePage;
    Converter->LoadFromCHM(chm);
    if (KeepCodePage) {
      // The user's choice stands over what the help file's bytes showed: nothing to warn about.
      Converter->CodePage = chosen_code_page;
      Converter->CodePageReason.clear();
    }
    Converter->rootFolder = NewTempFolderName();
    DeleteFolder(Converter->rootFolder);
    Converter->UpdateSettings();
    Converter->decompile();
    Converter->Execute();
    Converter->OutputWord();
  } catch (const EUserCancel&) {
    canceled_ = true;
  } catch (const std::exception& e) {
    if (failure_.empty()) failure_ = U16(e.what());
  }
  Cleanup();
  SettleEnd();
  if (warnings_dropped_ > 0) {
    warnings_.push_back(u"and " + IntToStr(static_cast<std::int64_t>(warnings_dropped_)) + u" more warnings");
  }
  try {
    Synchronize([this] { interaction_.ShowEnd(*this); });
  } catch (...) {
  }
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
}

void TOutputWord::SettleEnd() {
  const TChmToDocPDF& c = *Converter;
  if (c.Saved) {
    // Whatever came after the save (a late stop request, say), the document is there.
    end_ = TJobEnd::kSaved;
    end_message_ = c.SavedFile;
    failure_.clear();
  } else if (canceled_ || cancel_raised_) {
    end_ = TJobEnd::kCanceled;
    end_message_ = u"Canceled.";
    failure_.clear();
  } else if (!failure_.empty() || c.Failed) {
    end_ = TJobEnd::kFailed;
    failure_ = failure_.empty() ? std::u16string(u"The conversion failed.") : ForUser(failure_);
    end_message_ = failure_;
  } else if (c.Abort) {
    end_ = TJobEnd::kNotSaved;
    end_message_ = u"\"" + DeniedFile + u"\" is in use by another program: nothing was written.";
  } else {
    end_ = TJobEnd::kFailed;
    failure_ = u"No document was written.";
    end_message_ = failure_;
  }
}

std::u16string TOutputWord::ForUser(std::u16string text) const {
  // Pages are named as the help file holds them: the scratch folder they were read from is gone by
  // the time the user reads this.
  if (const std::u16string& root = Converter->rootFolder; !root.empty()) {
    text = ReplaceAll(text, root.back() == u'/' ? root : root + u'/', u"");
  }
  if (SourceFile.empty() || chm.empty() || SourceFile == chm) return text;
  return ReplaceAll(text, chm, SourceFile);
}

void TOutputWord::Cleanup() {
  // The output stage removes the scratch folder when it gets that far; on every other way out the
  // job does, so that no extracted pages stay behind.
  if (!Converter->rootFolder.empty() && FileSystem().DirectoryExists(Converter->rootFolder)) {
    DeleteFolder(Converter->rootFolder);
  }
}

void TOutputWord::StopIt() {
  WantToExit = true;
  WaitFor();
}

void TOutputWord::WaitFor() {
  if (!thread_.joinable()) return;
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return finished_ || (pending_ && !pending_done_); });
    if (pending_ && !pending_done_) {
      lock.unlock();
      ServeHandOvers();
      lock.lock();
      continue;
    }
    break;
  }
  lock.unlock();
  thread_.join();
}

void TOutputWord::ServeHandOvers() {
  std::function<void()> task;
  {
    std::lock_guard lock(mutex_);
    if (!pending_ || pending_done_) return;
    task = std::move(pending_);
    pending_ = nullptr;
  }
  try {
    task();
  } catch (...) {
    // A failing window must not leave the worker waiting forever.
  }
  {
    std::lock_guard lock(mutex_);
    pending_done_ = true;
  }
  changed_.notify_all();
}

void TOutputWord::Synchronize(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    pending_ = std::move(task);
    pending_done_ = false;
  }
  changed_.notify_all();
  interaction_.HandOverPending(*this);
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return pending_done_; });
  pending_done_ = false;
}

void TOutputWord::ChmToDocPDF_OnChange(const std::u16string& i, int persent) {
  if (persent != 0) position = persent;
  if (!i.empty()) info = i;
  Synchronize([this] { interaction_.ShowProgress(*this); });
  if (WantToExit && !cancel_raised_) {
    cancel_raised_ = true;
    throw EUserCancel();
  }
}

void TOutputWord::ChmToDocPDF_OnDenied(const std::u16string& file) {
  DeniedFile = file;
  Synchronize([this] { interaction_.AskDenied(*this); });
}

void TOutputWord::ChmToDocPDF_OnMsg(const std::u16string& MsgText) {
  Msg = MsgText;
  Synchronize([this] { interaction_.ShowProgress(*this); });
}

void TOutputWord::ChmToDocPDF_OnError(const std::u16string& ErrMsg) {
  // The error that ends the run: the job's end reports it, once, with the rest of how it ended.
  ErrorMsg = ErrMsg;
  if (failure_.empty()) failure_ = ErrMsg;
}

}  // namespace tomeshift
