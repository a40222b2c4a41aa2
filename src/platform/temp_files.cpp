#include "platform/temp_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <string_view>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

bool IsNativeDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The documents folder named in XDG's user-dirs.dirs ("$HOME/..." or an absolute path), or empty.
std::string XdgDocumentsDir(const std::string& home) {
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = home + "/.config";
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    const std::string_view key = "XDG_DOCUMENTS_DIR=";
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0) return home + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
    return {};
  }
  return {};
}

bool NativeExists(const std::string& native) {
  struct stat st;
  return ::lstat(native.c_str(), &st) == 0;
}

// Office suites name their lock files after the file's real spelling, so on disk the look-up is exact:
// resolving each candidate without regard to case would list the whole folder per test, and the page
// reader asks for every page.
bool NativeHeldByOfficeSuite(const std::string& native) {
  const std::size_t sep = native.find_last_of('/');
  const std::string folder = sep == std::string::npos ? std::string() : native.substr(0, sep + 1);
  const std::string name = sep == std::string::npos ? native : native.substr(sep + 1);
  if (name.empty()) return false;
  if (NativeExists(folder + ".~lock." + name + "#")) return true;
  const std::u16string wide = Utf8ToUtf16(name);
  for (std::size_t dropped = 0; dropped <= 2 && dropped < wide.size(); ++dropped) {
    if (NativeExists(folder + "~$" + Utf16ToUtf8(wide.substr(dropped)))) return true;
  }
  return false;
}

bool HeldByOfficeSuite(IFileSystem& fsys, const std::u16string& path) {
  const std::size_t sep = path.find_last_of(u"/\\");
  const std::u16string folder = sep == std::u16string::npos ? std::u16string() : path.substr(0, sep + 1);
  const std::u16string name = sep == std::u16string::npos ? path : path.substr(sep + 1);
  if (name.empty()) return false;
  if (fsys.FileExists(folder + u".~lock." + name + u"#")) return true;
  // Word's owner file puts "~$" in front of the name or in place of its first one or two characters,
  // depending on the name's length and the Word version: any of the three counts.
  for (std::size_t dropped = 0; dropped <= 2 && dropped < name.size(); ++dropped) {
    if (fsys.FileExists(folder + u"~$" + name.substr(dropped))) return true;
  }
  return false;
}

// Opens (creating when missing) for reading, and asks whether another process holds a lock on it.
bool NativeFileInUse(const std::string& native) {
  // O_NONBLOCK: a FIFO at that path must not hang the caller.
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0 && errno == ENOENT) {
    // Created exclusively: a dangling symbolic link planted at the path is not followed.
    fd = ::open(native.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0 && errno == EEXIST) fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  }
  if (fd < 0) return true;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return true;  // a folder cannot be opened as the file
  }
  struct flock lock;
  std::memset(&lock, 0, sizeof lock);
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  const bool locked = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  ::close(fd);
  return locked;
}

}  // namespace

std::u16string GetSpecialFolderPath(int csidl) {
  if (csidl != CSIDL_PERSONAL) return {};
  const std::string home = Env("HOME");
  if (home.empty()) return {};
  const std::string xdg = XdgDocumentsDir(home);
  if (IsNativeDirectory(xdg)) return Utf8ToUtf16(xdg);
  if (IsNativeDirectory(home + "/Documents")) return Utf8ToUtf16(home + "/Documents");
  return Utf8ToUtf16(home);
}

bool IsFileInUse(const std::u16string& path) {
  IFileSystem& fsys = FileSystem();
  if (auto* native = dynamic_cast<NativeFileSystem*>(&fsys)) {
    const std::string resolved = native->NativePath(path);
    return NativeFileInUse(resolved) || NativeHeldByOfficeSuite(resolved);
  } else {
    // A stand-in file system (tests): the same answers without touching the disk.
    if (fsys.DirectoryExists(path)) return true;
    if (!fsys.FileExists(path)) {
      try {
        fsys.WriteFile(path, {});
      } catch (const FileError&) {
        return true;
      }
    }
  }
  return HeldByOfficeSuite(fsys, path);
}

bool IsHeldByAnotherProgram(const std::u16string& path) {
  IFileSystem& fsys = FileSystem();
  auto* native = dynamic_cast<NativeFileSystem*>(&fsys);
  if (!native) return HeldByOfficeSuite(fsys, path);
  const std::string resolved = native->NativePath(path);
  if (NativeHeldByOfficeSuite(resolved)) return true;
  const int fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool locked = false;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    struct flock lock;
    std::memset(&lock, 0, sizeof lock);
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    locked = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  }
  ::close(fd);
  return locked;
}

namespace {

std::u16string WriteProblemAt(const std::u16string& target, bool create_folder) {
  IFileSystem& fsys = FileSystem();
  const std::u16string shown = U16(fsys.NativePath(target));
  if (target.empty()) return u"No document to write was named.";
  const std::size_t sep = target.find_last_of(u"/\\");
  if (sep == target.size() - 1 || fsys.DirectoryExists(target)) {
    return u"\"" + shown + u"\" is a folder: name the document to write in it.";
  }
  std::u16string folder = sep == std::u16string::npos ? u"." : target.substr(0, sep == 0 ? 1 : sep);
  if (!fsys.DirectoryExists(folder)) {
    if (fsys.FileExists(folder))
      return u"Cannot write in the folder " + U16(fsys.NativePath(folder)) + u": it is a file.";
    if (create_folder) {
      try {
        fsys.CreateDirectories(folder);
      } catch (const FileError& e) {
        return u"Cannot create the folder " + U16(fsys.NativePath(folder)) + u": " + U16(e.reason());
      }
    } else {
      // The folder would be made at saving: the nearest one that exists must take it.
      std::u16string existing = folder;
      while (!fsys.DirectoryExists(existing)) {
        const std::size_t up = existing.find_last_of(u"/\\");
        if (up == std::u16string::npos) {
          existing = u".";
          break;
        }
        existing = existing.substr(0, up == 0 ? 1 : up);
      }
      if (const int error = fsys.AccessForWriting(existing)) {
        return u"Cannot create the folder " + U16(fsys.NativePath(folder)) + u": " + U16(std::strerror(error));
      }
      return {};
    }
  }
  if (const int error = fsys.AccessForWriting(folder)) {
    return u"Cannot write in the folder " + U16(fsys.NativePath(folder)) + u": " + U16(std::strerror(error));
  }
  if (fsys.FileExists(target)) {
    if (const int error = fsys.AccessForWriting(target)) {
      return u"Cannot replace the document " + shown + u": " + U16(std::strerror(error));
    }
  }
  return {};
}

}  // namespace

std::u16string OutputWriteProblem(const std::u16string& target, bool create_folder, const std::u16string& help_file) {
  if (target.empty()) return u"No document to write was named.";
  // A link at the name is followed, as any program writing there would; the link itself stays.
  std::u16string written;
  try {
    written = FollowSymbolicLinks(target);
  } catch (const FileError& e) {
    return u"Cannot write the document " + U16(FileSystem().NativePath(target)) + u": " + U16(e.reason());
  }
  // manual.docx converted without naming another document would replace the help file itself.
  if (!help_file.empty() && SameFile(help_file, written)) {
    return u"\"" + U16(FileSystem().NativePath(target)) +
           u"\" is the help file being converted: name another document.";
  }
  return WriteProblemAt(written, create_folder);
}

bool DeleteFolder(const std::u16string& path) {
  RemoveScratchFolder(path);
  return FileSystem().RemoveTree(path);
}

std::u16string GetTempFolder() {
  std::string folder = Env("TMPDIR");
  if (folder.empty()) folder = "/tmp";
  if (folder.back() != '/') folder += '/';
  return Utf8ToUtf16(folder);
}

std::u16string NewTempFileName() {
  std::string pattern = Utf16ToUtf8(GetTempFolder()) + "~wiXXXXXX.tmp";
  // mkostemps creates the file with O_EXCL: an existing file or link is never reused.
  const int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
  if (fd < 0) throw FileError(pattern, std::string("cannot create a temporary file: ") + std::strerror(errno));
  ::close(fd);
  return Utf8ToUtf16(pattern);
}

std::u16string NewTempFolderName() {
  static std::mutex mutex;
  static std::mt19937 generator(static_cast<std::mt19937::result_type>(
      std::random_device{}() ^ std::chrono::steady_clock::now().time_since_epoch().count()));
  std::uniform_int_distribution<int> number(0, 999998);
  const std::u16string folder = GetTempFolder();
  IFileSystem& fsys = FileSystem();
  auto* native = dynamic_cast<NativeFileSystem*>(&fsys);
  for (;;) {
    int value = 0;
    {
      std::lock_guard<std::mutex> guard(mutex);
      value = number(generator) + 100000;
    }
    const std::u16string candidate = folder + IntToStr(value) + u"/";
    if (fsys.DirectoryExists(candidate) || fsys.FileExists(candidate)) continue;
    // A dangling symbolic link is neither a file nor a folder, yet occupies the name.
    struct stat st;
    if (native && ::lstat(native->NativePath(candidate.substr(0, candidate.size() - 1)).c_str(), &st) == 0) continue;
    return candidate;
  }
}

}  // namespace tomeshift
