#include "word/automation/engine_clipboard.h"

#include <mutex>

namespace tomeshift::word {

namespace {
std::mutex g_mutex;
std::shared_ptr<const DocModel> g_content;
}  // namespace

void EngineClipboard::Put(std::shared_ptr<const DocModel> content) {
  std::lock_guard lock(g_mutex);
  g_content = std::move(content);
}

std::shared_ptr<const DocModel> EngineClipboard::Get() {
  std::lock_guard lock(g_mutex);
  return g_content;
}

void EngineClipboard::Clear() { Put(nullptr); }

}  // namespace tomeshift::word
