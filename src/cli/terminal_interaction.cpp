#include "cli/terminal_interaction.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

#include "job/output_word.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {

namespace {

int TerminalWidth(std::FILE* out) {
  winsize ws{};
  if (::ioctl(::fileno(out), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 20) return ws.ws_col;
  return 80;
}

// Cuts UTF-8 text to at most n code points.
std::string Cut(const std::string& text, int n) {
  int seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == n) return text.substr(0, i);
  }
  return text;
}

}  // namespace

void TerminalJobInteraction::BreakBar() {
  if (bar_open_) std::fputc('\n', out_);
  bar_open_ = false;
}

void TerminalJobInteraction::Finish() {
  BreakBar();
  std::fflush(out_);
}

void TerminalJobInteraction::ShowProgress(TOutputWord& worker) {
  if (!worker.Msg.empty()) {
    BreakBar();
    std::fprintf(out_, "%s\n", U8(EscapeControls(worker.Msg)).c_str());
    worker.Msg.clear();
  }
  if (!quiet_ && (worker.position != shown_position_ || worker.info != shown_info_)) {
    shown_position_ = worker.position;
    shown_info_ = worker.info;
    if (interactive_) {
      constexpr int kBar = 24;
      const int filled = worker.position * kBar / 100;
      const std::string bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                              std::string(static_cast<std::size_t>(kBar - filled), '-') + "]";
      const int room = TerminalWidth(out_) - kBar - 10;
      std::fprintf(out_, "\r%s %3d%% %s\x1b[K", bar.c_str(), worker.position,
                   Cut(U8(EscapeControls(worker.info)), room).c_str());
      bar_open_ = true;
    } else {
      std::fprintf(out_, "[%3d%%] %s\n", worker.position, U8(EscapeControls(worker.info)).c_str());
    }
  }
  std::fflush(out_);
}

void TerminalJobInteraction::ShowEnd(TOutputWord&) { Finish(); }

void TerminalJobInteraction::AskDenied(TOutputWord& worker) {
  BreakBar();
  const std::string message = "\"" + U8(EscapeControls(worker.DeniedFile)) +
                              "\" access denied! It probably has been opened. Please close it and retry.";
  if (!interactive_) {
    std::fprintf(out_, "error: %s\n", message.c_str());
    worker.Converter->Abort = true;
    std::fflush(out_);
    return;
  }
  for (;;) {
    std::fprintf(out_, "%s\n[A]bort or [R]etry? ", message.c_str());
    std::fflush(out_);
    char line[64];
    if (!std::fgets(line, sizeof line, in_)) {
      worker.Converter->Abort = true;
      return;
    }
    const char c = line[0];
    if (c == 'r' || c == 'R') return;
    if (c == 'a' || c == 'A') {
      worker.Converter->Abort = true;
      return;
    }
  }
}

}  // namespace tomeshift
