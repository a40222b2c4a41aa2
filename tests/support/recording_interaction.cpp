#include "support/recording_interaction.h"

namespace tomeshift::testing {

void RecordingInteraction::QueueAnswer(MessageAnswer answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(answer);
}

void RecordingInteraction::QueueSaveName(std::optional<std::u16string> name) {
  std::lock_guard<std::mutex> lock(mutex_);
  save_names_.push_back(std::move(name));
}

MessageAnswer RecordingInteraction::MessageBox(std::u16string_view text, MessageIcon icon, MessageButtons buttons) {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.push_back({std::u16string(text), icon, buttons});
  if (answers_.empty()) return CautiousAnswer(buttons);
  const MessageAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

std::optional<std::u16string> RecordingInteraction::SaveFileDialog(const SaveFileRequest& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  save_requests_.push_back(request);
  if (save_names_.empty()) return std::nullopt;
  auto name = std::move(save_names_.front());
  save_names_.pop_front();
  return name;
}

void RecordingInteraction::Warning(std::u16string_view page, std::u16string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  warnings_.push_back({std::u16string(page), std::u16string(text)});
}

std::vector<RecordingInteraction::Message> RecordingInteraction::messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

std::vector<SaveFileRequest> RecordingInteraction::save_requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return save_requests_;
}

std::vector<RecordingInteraction::Warned> RecordingInteraction::warnings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return warnings_;
}

}  // namespace tomeshift::testing
