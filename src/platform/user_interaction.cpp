#include "platform/user_interaction.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "text/unicode.h"

namespace tomeshift {
namespace {

StderrUserInteraction& DefaultInteraction() {
  static StderrUserInteraction instance;
  return instance;
}

std::atomic<IUserInteraction*>& Current() {
  static std::atomic<IUserInteraction*> current{&DefaultInteraction()};
  return current;
}

// Lines from the worker and the main thread must not interleave.
void WriteLine(const std::string& line) {
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  std::fputs(line.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

const char* IconLabel(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return "Information";
    case MessageIcon::kConfirmation:
      return "Confirm";
    case MessageIcon::kWarning:
      return "Warning";
    case MessageIcon::kError:
      return "Error";
    case MessageIcon::kNone:
      break;
  }
  return "Message";
}

}  // namespace

MessageAnswer CautiousAnswer(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      return MessageAnswer::kOk;
    case MessageButtons::kOkCancel:
    case MessageButtons::kYesNoCancel:
    case MessageButtons::kRetryCancel:
      return MessageAnswer::kCancel;
    case MessageButtons::kYesNo:
      return MessageAnswer::kNo;
    case MessageButtons::kAbortRetry:
    case MessageButtons::kAbortRetryIgnore:
      return MessageAnswer::kAbort;
  }
  return MessageAnswer::kCancel;
}

MessageAnswer StderrUserInteraction::MessageBox(std::u16string_view text, MessageIcon icon, MessageButtons buttons) {
  WriteLine(std::string("tomeshift: ") + IconLabel(icon) + ": " + Utf16ToUtf8(text));
  return CautiousAnswer(buttons);
}

std::optional<std::u16string> StderrUserInteraction::SaveFileDialog(const SaveFileRequest& request) {
  WriteLine("tomeshift: no one to choose another name for " + Utf16ToUtf8(request.file_name) + "; cancelled");
  return std::nullopt;
}

void StderrUserInteraction::Warning(std::u16string_view page, std::u16string_view text) {
  std::string line = "tomeshift: warning: ";
  if (!page.empty()) line += Utf16ToUtf8(page) + ": ";
  WriteLine(line + Utf16ToUtf8(text));
}

IUserInteraction& UserInteraction() { return *Current().load(); }

IUserInteraction* SetUserInteraction(IUserInteraction* replacement) {
  return Current().exchange(replacement ? replacement : &DefaultInteraction());
}

ScopedUserInteraction::ScopedUserInteraction(IUserInteraction& replacement)
    : previous_(SetUserInteraction(&replacement)) {}

ScopedUserInteraction::~ScopedUserInteraction() { SetUserInteraction(previous_); }

}  // namespace tomeshift
