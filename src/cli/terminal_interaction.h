// The command line's side of the conversion job: progress and messages on the terminal. On a
// terminal the progress is a bar that redraws itself and an output file in use is asked about
// (Abort/Retry); otherwise progress is plain lines and such a file is given up at once.
#pragma once

#include <cstdio>
#include <string>

#include "job/job_interaction.h"

namespace tomeshift {

class TerminalJobInteraction final : public IJobInteraction {
 public:
  // interactive: out is a terminal and questions can be read from in.
  explicit TerminalJobInteraction(std::FILE* out = stderr, bool interactive = false, bool quiet = false,
                                  std::FILE* in = stdin)
      : out_(out), in_(in), interactive_(interactive), quiet_(quiet) {}

  // The main thread serves hand-overs in TOutputWord::WaitFor.
  void HandOverPending(TOutputWord&) override {}
  void ShowProgress(TOutputWord& worker) override;
  void AskDenied(TOutputWord& worker) override;
  // Closes the bar; the command line reports the end itself.
  void ShowEnd(TOutputWord& worker) override;
  // Ends the bar's line so that what follows starts on its own.
  void Finish();

 private:
  void BreakBar();

  std::FILE* out_;
  std::FILE* in_;
  bool interactive_;
  bool quiet_;
  bool bar_open_ = false;
  int shown_position_ = -1;
  std::u16string shown_info_;
};

}  // namespace tomeshift
