// The shell's "open this file with its program" as the core sees it. The front end decides what
// that means (the desktop program asks the desktop; the command line runs xdg-open when asked to);
// without a handler the request is dropped.
#pragma once

#include <functional>
#include <string>

namespace tomeshift {

constexpr int SW_SHOW = 5;

using ShellExecuteHandler =
    std::function<void(const std::u16string& verb, const std::u16string& file, int show_command)>;

// Installs the handler for the whole process and returns the one installed before.
ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler);
// Hands the request to the installed handler; errors are the handler's to report.
void ShellExecute(const std::u16string& verb, const std::u16string& file, int show_command = SW_SHOW);

}  // namespace tomeshift
