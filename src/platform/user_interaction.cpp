#include "platform/user_interaction.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include "text/text_utils.h"
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

namespace {

// Names from a help file may hold control characters; the program's own line breaks stay.
std::string ForTerminal(std::u16string_view text) {
  std::u16string out;
  for (std::size_t from = 0;;) {
    const std::size_t end = text.find(u'\n', from);
    out += EscapeControls(text.substr(from, end == std::u16string_view::npos ? std::u16string_view::npos : end - from));
    if (end == std::u16string_view::npos) break;
    out += u'\n';
    from = end + 1;
  }
  return Utf16ToUtf8(out);
}

}  // namespace

MessageAnswer StderrUserInteraction::MessageBox(std::u16string_view text, MessageIcon icon, MessageButtons buttons) {
  WriteLine(std::string("tomeshift: ") + IconLabel(icon) + ": " + ForTerminal(text));
  return CautiousAnswer(buttons);
}

std::optional<std::u16string> StderrUserInteraction::SaveFileDialog(const SaveFileRequest& request) {
  WriteLine("tomeshift: no one to choose another name for " + ForTerminal(request.file_name) + "; cancelled");
  return std::nullopt;
}

void StderrUserInteraction::Warning(std::u16string_view page, std::u16string_view text) {
  std::string line = "tomeshift: warning: ";
  if (!page.empty()) line += ForTerminal(page) + ": ";
  WriteLine(line + ForTerminal(text));
}

namespace {
thread_local IUserInteraction* thread_interaction = nullptr;
}  // namespace

IUserInteraction& UserInteraction() { return thread_interaction ? *thread_interaction : *Current().load(); }

IUserInteraction& ProcessUserInteraction() { return *Current().load(); }

IUserInteraction* SetUserInteraction(IUserInteraction* replacement) {
  return Current().exchange(replacement ? replacement : &DefaultInteraction());
}

ScopedUserInteraction::ScopedUserInteraction(IUserInteraction& replacement)
    : previous_(SetUserInteraction(&replacement)) {}

ScopedUserInteraction::~ScopedUserInteraction() { SetUserInteraction(previous_); }

ScopedThreadUserInteraction::ScopedThreadUserInteraction(IUserInteraction& replacement)
    : previous_(std::exchange(thread_interaction, &replacement)) {}

ScopedThreadUserInteraction::~ScopedThreadUserInteraction() { thread_interaction = previous_; }

}  // namespace tomeshift
