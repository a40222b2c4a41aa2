#include "cli/terminal_interaction.h"

#include "job/output_word.h"
#include "text/unicode.h"

namespace tomeshift {

void TerminalJobInteraction::ShowProgress(TOutputWord& worker) {
  if (!worker.Msg.empty()) {
    std::fprintf(out_, "%s\n", U8(worker.Msg).c_str());
    worker.Msg.clear();
  }
  if (!worker.ErrorMsg.empty()) {
    std::fprintf(out_, "error: %s\n", U8(worker.ErrorMsg).c_str());
    worker.ErrorMsg.clear();
  }
  if (worker.position != shown_position_ || worker.info != shown_info_) {
    shown_position_ = worker.position;
    shown_info_ = worker.info;
    std::fprintf(out_, "[%3d%%] %s\n", worker.position, U8(worker.info).c_str());
  }
  std::fflush(out_);
}

void TerminalJobInteraction::AskDenied(TOutputWord& worker) {
  std::fprintf(out_, "error: \"%s\" access denied! It probably has been opened. Close it and run again.\n",
               U8(worker.DeniedFile).c_str());
  worker.Converter->Abort = true;
}

}  // namespace tomeshift
