// The core's way to ask the user something or tell them something. The pipeline runs on a worker
// thread; each call blocks until it is answered. The desktop program installs a Qt implementation
// (handing the call to the window thread), the command line one on the terminal; without either,
// the default writes a line on stderr and gives the answer that changes nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tomeshift {

enum class MessageIcon { kNone, kInformation, kConfirmation, kWarning, kError };
enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel, kAbortRetry, kAbortRetryIgnore, kRetryCancel };
enum class MessageAnswer { kOk, kCancel, kYes, kNo, kAbort, kRetry, kIgnore };

struct SaveFileRequest {
  SaveFileRequest() = default;
  explicit SaveFileRequest(std::u16string name) : file_name(std::move(name)) {}

  std::u16string file_name;          // preset name (may be a full path)
  std::u16string title;              // empty: the platform's standard title
  std::u16string filter;             // "Word Document (*.doc;*.docx)|*.doc;*.docx"; empty: all files
  std::u16string default_extension;  // ".doc"; empty: none
  bool confirm_overwrite = false;
};

class IUserInteraction {
 public:
  virtual ~IUserInteraction() = default;

  // A modal message box; the caption follows the platform's standard for the icon.
  virtual MessageAnswer MessageBox(std::u16string_view text, MessageIcon icon, MessageButtons buttons) = 0;
  // A save-file dialog; the chosen path, or nullopt when the user cancelled.
  virtual std::optional<std::u16string> SaveFileDialog(const SaveFileRequest& request) = 0;
  // A non-fatal problem (a charset read approximately, a missing picture); page may be empty.
  // Never blocks for an answer: implementations collect or print it.
  virtual void Warning(std::u16string_view page, std::u16string_view text) = 0;

  // The shapes the conversion uses.
  void ShowError(std::u16string_view text) { MessageBox(text, MessageIcon::kError, MessageButtons::kOk); }
  void ShowInformation(std::u16string_view text) { MessageBox(text, MessageIcon::kInformation, MessageButtons::kOk); }
  void ShowConfirmation(std::u16string_view text) { MessageBox(text, MessageIcon::kConfirmation, MessageButtons::kOk); }
  // Error box with Abort and Retry; true when the user chose Retry.
  bool AskRetry(std::u16string_view text) {
    return MessageBox(text, MessageIcon::kError, MessageButtons::kAbortRetry) == MessageAnswer::kRetry;
  }
};

// The answer a user who is not there gives: the one that changes nothing or gives up.
MessageAnswer CautiousAnswer(MessageButtons buttons);

// Writes every message and warning as one line on stderr; answers with CautiousAnswer and cancels dialogs.
class StderrUserInteraction final : public IUserInteraction {
 public:
  MessageAnswer MessageBox(std::u16string_view text, MessageIcon icon, MessageButtons buttons) override;
  std::optional<std::u16string> SaveFileDialog(const SaveFileRequest& request) override;
  void Warning(std::u16string_view page, std::u16string_view text) override;
};

// The implementation for the calling thread: the one installed for it alone, else the process-wide
// one (StderrUserInteraction unless one was installed).
IUserInteraction& UserInteraction();
// The process-wide implementation, whatever the calling thread has installed for itself.
IUserInteraction& ProcessUserInteraction();
// Installs an implementation for the rest of the run (the desktop program, the command line);
// nullptr restores the default. Returns the previous one. Install before any worker starts.
IUserInteraction* SetUserInteraction(IUserInteraction* replacement);

// Installs a replacement for the lifetime of the guard (tests); restores the previous one afterwards.
class ScopedUserInteraction {
 public:
  explicit ScopedUserInteraction(IUserInteraction& replacement);
  ~ScopedUserInteraction();
  ScopedUserInteraction(const ScopedUserInteraction&) = delete;
  ScopedUserInteraction& operator=(const ScopedUserInteraction&) = delete;

 private:
  IUserInteraction* previous_;
};

// Installs a replacement for the calling thread only, while the guard lives (a conversion job that
// gathers the warnings of its run); other threads keep theirs.
class ScopedThreadUserInteraction {
 public:
  explicit ScopedThreadUserInteraction(IUserInteraction& replacement);
  ~ScopedThreadUserInteraction();
  ScopedThreadUserInteraction(const ScopedThreadUserInteraction&) = delete;
  ScopedThreadUserInteraction& operator=(const ScopedThreadUserInteraction&) = delete;

 private:
  IUserInteraction* previous_;
};

}  // namespace tomeshift
