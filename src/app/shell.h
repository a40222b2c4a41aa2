// The desktop shell: open a file or address with its program, show a file in the file manager,
// open the program's own help.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tomeshift::app {

enum class ShellAction { Open, ShowInFolder };

// Opens a file (or an address such as "mailto:...") with the desktop's program for it; says so in a
// box when there is none. False when nothing was opened.
bool OpenWithShell(QWidget* parent, const QString& file_or_address);

// Shows the file selected in the file manager (the FileManager1 service when it is there), else opens
// the folder that holds it.
bool ShowInFileManager(QWidget* parent, const QString& file);

// Opens the program's help file with the desktop's viewer for help files.
bool OpenProgramHelp(QWidget* parent);

// Where the help file is: beside the program, else where it was installed. Empty when neither.
QString ProgramHelpFile();

// Tests: sees every shell request instead of the desktop; its answer is the request's success.
using ShellSpy = std::function<bool(ShellAction action, const QString& target)>;
ShellSpy SetShellSpy(ShellSpy spy);

}  // namespace tomeshift::app
