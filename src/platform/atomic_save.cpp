#include "platform/atomic_save.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/cancellation.h"
#include "platform/errors.h"

namespace tomeshift::word {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Reason(const char* what, int error) { return std::string(what) + ": " + std::strerror(error); }

bool AllDigits(std::string_view s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::string AtomicSave::TempPrefix(const std::string& native_target) {
  const std::string folder = FolderOf(native_target);
  return (folder == "/" ? "" : folder) + "/." + NameOf(native_target) + ".~tmp";
}

bool AtomicSave::IsStaleTemp(const std::string& native_target, const std::string& file_name) {
  const std::string prefix = "." + NameOf(native_target) + ".~tmp";
  if (file_name.compare(0, prefix.size(), prefix) != 0) return false;
  const std::string_view rest = std::string_view(file_name).substr(prefix.size());
  const std::size_t dot = rest.find('.');
  if (dot == std::string_view::npos || !AllDigits(rest.substr(0, dot)) || !AllDigits(rest.substr(dot + 1)))
    return false;
  const pid_t pid = static_cast<pid_t>(std::atoi(std::string(rest.substr(0, dot)).c_str()));
  if (pid <= 0 || pid == ::getpid()) return false;
  // Only a process that is certainly gone: a live one (or one we may not signal) may be saving now.
  return ::kill(pid, 0) != 0 && errno == ESRCH;
}

void AtomicSave::RemoveStaleTemps() const {
  const std::string folder = FolderOf(target_);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const std::string prefix = "." + NameOf(target_) + ".~tmp";
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0 || !IsStaleTemp(target_, name)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) ::unlinkat(::dirfd(dir), name.c_str(), 0);
  }
  ::closedir(dir);
}

AtomicSave::AtomicSave(std::string native_target) : target_(std::move(native_target)) {
  const std::string folder = FolderOf(target_);
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    throw FileError(target_, "the folder " + folder + " does not exist");
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) throw FileError(target_, "a folder of that name exists");
  // Renaming would replace a file its owner has made read-only; refuse as an editor would.
  if (exists && ::access(target_.c_str(), W_OK) != 0 && errno != ENOENT)
    throw FileError(target_, Reason("the file cannot be replaced", errno));
  RemoveStaleTemps();

  static std::atomic<unsigned> counter{0};
  const std::string prefix = TempPrefix(target_) + std::to_string(::getpid()) + ".";
  int error = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix + std::to_string(counter++ % 1000000000u);
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      temp_ = std::move(name);
      break;
    }
    error = errno;
    if (error != EEXIST) break;
  }
  if (fd_ < 0) throw FileError(target_, Reason(("cannot write in the folder " + folder).c_str(), error));
  // A replaced document keeps its permissions; a new one gets those of any new file (the umask).
  if (exists) ::fchmod(fd_, st.st_mode & 07777);
}

AtomicSave::~AtomicSave() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicSave::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw FileError(target_, Reason("the disk refused the document", n < 0 ? errno : ENOSPC));
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void AtomicSave::Commit() {
  // The last moment a stop leaves the old document as it was; after the rename the new one is saved.
  CheckCancel();
  // Flushed before the rename: after a crash the name holds the old document or the whole new one.
  if (::fsync(fd_) != 0 && errno != EINVAL) throw FileError(target_, Reason("the disk refused the document", errno));
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) throw FileError(target_, Reason("the disk refused the document", errno));
  if (::rename(temp_.c_str(), target_.c_str()) != 0) throw FileError(target_, Reason("cannot replace the file", errno));
  temp_.clear();
  const int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace tomeshift::word
