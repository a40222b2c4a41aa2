// The command line's side of the conversion job: progress and messages on the terminal. There is
// nobody to ask, so an output file in use is given up at once.
#pragma once

#include <cstdio>
#include <string>

#include "job/job_interaction.h"

namespace tomeshift {

class TerminalJobInteraction final : public IJobInteraction {
 public:
  explicit TerminalJobInteraction(std::FILE* out = stderr) : out_(out) {}

  // The main thread serves hand-overs in TOutputWord::WaitFor.
  void HandOverPending(TOutputWord&) override {}
  void ShowProgress(TOutputWord& worker) override;
  void AskDenied(TOutputWord& worker) override;

 private:
  std::FILE* out_;
  int shown_position_ = -1;
  std::u16string shown_info_;
};

}  // namespace tomeshift
