// A user who answers from a script: records every message, dialog and warning, and gives the
// queued answers in order (then the cautious default: Ok, Cancel, No, Abort; dialogs cancelled).
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/user_interaction.h"

namespace tomeshift::testing {

class RecordingInteraction final : public IUserInteraction {
 public:
  struct Message {
    std::u16string text;
    MessageIcon icon;
    MessageButtons buttons;
  };
  struct Warned {
    std::u16string page;
    std::u16string text;
  };

  // Answers for the next message boxes / save dialogs, in order.
  void QueueAnswer(MessageAnswer answer);
  void QueueSaveName(std::optional<std::u16string> name);

  MessageAnswer MessageBox(std::u16string_view text, MessageIcon icon, MessageButtons buttons) override;
  std::optional<std::u16string> SaveFileDialog(const SaveFileRequest& request) override;
  void Warning(std::u16string_view page, std::u16string_view text) override;

  std::vector<Message> messages() const;
  std::vector<SaveFileRequest> save_requests() const;
  std::vector<Warned> warnings() const;

 private:
  mutable std::mutex mutex_;
  std::deque<MessageAnswer> answers_;
  std::deque<std::optional<std::u16string>> save_names_;
  std::vector<Message> messages_;
  std::vector<SaveFileRequest> save_requests_;
  std::vector<Warned> warnings_;
};

}  // namespace tomeshift::testing
