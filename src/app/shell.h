// The desktop shell: open a file or address with its program, show a file in the file manager,
// open the program's own help. The core's "open this file" requests come here too.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

#include "platform/shell_execute.h"

class QWidget;

namespace tomeshift::app {

// How the shell functions reach the desktop. Tests put in their own so that nothing depends on the
// machine's file manager, viewers or session bus.
struct DesktopShell {
  // Opens the address with the desktop's program for it (QDesktopServices).
  std::function<bool(const QUrl& url)> open_url;
  // Shows the file selected through the session's FileManager1 service; false when there is no such
  // service or the call failed.
  std::function<bool(const QString& file)> show_items;
  // Whether a program is set up for help files (xdg-open starts even when none is).
  std::function<bool()> has_help_viewer;
  // Whether a program is set up for the type of this file or folder.
  std::function<bool(const QString& file)> has_handler;
  // Where the program's help file is; empty when it is nowhere.
  std::function<QString()> help_file;
};

// The desktop as it is.
DesktopShell SystemDesktopShell();
// Replaces what the shell functions use (a member left empty: the system's); returns the previous.
DesktopShell SetDesktopShell(DesktopShell shell);

// Opens a file (or an address such as "mailto:...") with the desktop's program for it; says so in a
// box when there is none. False when nothing was opened.
bool OpenWithShell(QWidget* parent, const QString& file_or_address);

// Whether the desktop has a program for this file's type (a folder: a file manager).
bool HasProgramFor(const QString& file);

// Shows the file selected in the file manager (the FileManager1 service when it is there), else opens
// the folder that holds it.
bool ShowInFileManager(QWidget* parent, const QString& file);

// Opens the program's help file with the desktop's viewer for help files; says so clearly when the
// file or a viewer is missing.
bool OpenProgramHelp(QWidget* parent);

// Where the help file is: beside the program, else where it was installed. Empty when neither.
QString ProgramHelpFile();

// While it lives, the core's ShellExecute requests (the finished document) open through the desktop
// when a program is set up for them, and are dropped quietly otherwise: the finished window says what
// happened and offers to open it. Requests from the worker thread reach the window thread in order.
class DesktopShellExecute {
 public:
  DesktopShellExecute();
  ~DesktopShellExecute();
  DesktopShellExecute(const DesktopShellExecute&) = delete;
  DesktopShellExecute& operator=(const DesktopShellExecute&) = delete;

 private:
  ShellExecuteHandler previous_;
};

}  // namespace tomeshift::app
