// Scratch places on disk and the tests the converter makes on files and folders before using them.
#pragma once

#include <string>

namespace tomeshift {

// Shell folder identifiers that GetSpecialFolderPath understands.
constexpr int CSIDL_PERSONAL = 5;  // the user's documents folder

// The user's documents folder (CSIDL_PERSONAL): the XDG documents folder when configured and present,
// else $HOME/Documents when present, else $HOME. Empty for other identifiers or without a home.
std::u16string GetSpecialFolderPath(int csidl);

// True when the file cannot be opened (or, when missing, created) for reading, or another program
// holds it: a lock on the file, or an office suite's lock file beside it (".~lock.NAME#" of
// LibreOffice, "~$NAME" of Word). Like the system call it stands for, testing a missing path
// leaves an empty file there.
bool IsFileInUse(const std::u16string& path);

// True when another program holds the file: a lock on it, or an office suite's lock file beside it.
// Unlike IsFileInUse it creates nothing, and a file that cannot be opened is not "held" by anyone.
bool IsHeldByAnotherProgram(const std::u16string& path);

// Why no document can be written at target, as a sentence naming the folder or file and the reason
// ("Cannot write in the folder /srv/ro: Permission denied"); empty when it can. Asks the file system
// and creates nothing, except a missing folder (with its parents) when create_folder is set. A symbolic
// link at target is judged by where it leads; target may not be help_file (when one is named).
std::u16string OutputWriteProblem(const std::u16string& target, bool create_folder,
                                  const std::u16string& help_file = {});

// Removes the folder with everything in it, without following symbolic links. True when something
// was removed; callers ignore the answer for a folder that does not exist.
bool DeleteFolder(const std::u16string& path);

// $TMPDIR or /tmp, always ending in '/'.
std::u16string GetTempFolder();

// Creates a new, empty file "~wi…" in the temporary folder (exclusively: never an existing file)
// and returns its path. The caller deletes it. Throws FileError when no file can be created.
std::u16string NewTempFileName();

// A path (ending in '/') in the temporary folder at which nothing exists yet: a random number from
// 100000 to 1099998. The folder is not created.
std::u16string NewTempFolderName();

}  // namespace tomeshift
