#include "platform/shell_execute.h"

#include <mutex>
#include <utility>

namespace tomeshift {

namespace {
std::mutex g_mutex;
ShellExecuteHandler g_handler;
}  // namespace

ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler) {
  std::lock_guard lock(g_mutex);
  return std::exchange(g_handler, std::move(handler));
}

void ShellExecute(const std::u16string& verb, const std::u16string& file, int show_command) {
  ShellExecuteHandler handler;
  {
    std::lock_guard lock(g_mutex);
    handler = g_handler;
  }
  if (handler) handler(verb, file, show_command);
}

}  // namespace tomeshift
