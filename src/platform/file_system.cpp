#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/errors.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {
namespace fs = std::filesystem;

namespace {

IFileSystem*& Current() {
  static NativeFileSystem native;
  static IFileSystem* current = &native;
  return current;
}

// Names on disk match the help file's spelling without regard to case.
bool SameNameIgnoringCase(std::string_view a, std::string_view b) { return SameText(Utf8ToUtf16(a), Utf8ToUtf16(b)); }

std::string ToNative(std::u16string_view path) {
  std::string native = Utf16ToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

bool LExists(const std::string& p) {
  struct stat st;
  return ::lstat(p.c_str(), &st) == 0;
}

std::string ErrnoText(int err) { return std::strerror(err); }

}  // namespace

IFileSystem& FileSystem() { return *Current(); }

ScopedFileSystem::ScopedFileSystem(IFileSystem& replacement) : previous_(Current()) { Current() = &replacement; }
ScopedFileSystem::~ScopedFileSystem() { Current() = previous_; }

std::string ResolveNativePath(std::string_view native) {
  std::string result;
  size_t pos = 0;
  if (!native.empty() && native[0] == '/') {
    result = "/";
    pos = 1;
  }
  bool resolving = true;  // stop looking once a component is missing: nothing below it can exist
  while (pos <= native.size()) {
    size_t slash = native.find('/', pos);
    if (slash == std::string_view::npos) slash = native.size();
    std::string_view part = native.substr(pos, slash - pos);
    pos = slash + 1;
    if (part.empty()) {
      if (slash == native.size()) break;
      continue;
    }
    std::string candidate = result;
    if (!candidate.empty() && candidate.back() != '/') candidate += '/';
    std::string exact = candidate + std::string(part);
    if (!resolving || part == "." || part == ".." || LExists(exact)) {
      result = std::move(exact);
      continue;
    }
    std::error_code ec;
    std::string found;
    const std::string folder = candidate.empty() ? "." : candidate;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (SameNameIgnoringCase(name, part)) {
        found = name;
        break;
      }
    }
    if (found.empty()) {
      resolving = false;
      result = std::move(exact);
    } else {
      result = candidate + found;
    }
  }
  if (native.size() > 1 && native.back() == '/' && (result.empty() || result.back() != '/')) result += '/';
  return result;
}

std::string NativeFileSystem::NativePath(std::u16string_view path) { return ResolveNativePath(ToNative(path)); }

int NativeFileSystem::AccessForWriting(std::u16string_view path) {
  const std::string native = NativePath(path);
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return errno;
  // Creating and renaming inside a folder needs its search permission too.
  const int mode = S_ISDIR(st.st_mode) ? W_OK | X_OK : W_OK;
  return ::access(native.c_str(), mode) == 0 ? 0 : errno;
}

bool NativeFileSystem::FileExists(std::u16string_view path) {
  std::error_code ec;
  return fs::is_regular_file(NativePath(path), ec);
}

bool NativeFileSystem::DirectoryExists(std::u16string_view path) {
  std::error_code ec;
  return fs::is_directory(NativePath(path), ec);
}

std::optional<std::string> NativeFileSystem::ReadFile(std::u16string_view path) {
  const std::string native = NativePath(path);
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    throw FileError(native, ErrnoText(errno));
  }
  std::string data;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw FileError(native, "is a folder, not a file");
  }
  if (st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buf, sizeof buf);
    if (got < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      throw FileError(native, ErrnoText(err));
    }
    if (got == 0) break;
    data.append(buf, static_cast<size_t>(got));
  }
  ::close(fd);
  return data;
}

void NativeFileSystem::WriteFile(std::u16string_view path, std::string_view bytes) {
  const std::string native = NativePath(path);
  const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) throw FileError(native, ErrnoText(errno));
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      throw FileError(native, ErrnoText(err));
    }
    done += static_cast<size_t>(put);
  }
  if (::close(fd) != 0) throw FileError(native, ErrnoText(errno));
}

void NativeFileSystem::CreateDirectories(std::u16string_view path) {
  const std::string native = NativePath(path);
  std::error_code ec;
  fs::create_directories(native, ec);
  if (ec) throw FileError(native, ec.message());
}

bool NativeFileSystem::RemoveFile(std::u16string_view path) {
  const std::string native = NativePath(path);
  return ::unlink(native.c_str()) == 0;
}

bool NativeFileSystem::RemoveTree(std::u16string_view path) {
  std::string native = NativePath(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  std::error_code ec;
  // remove_all does not follow symbolic links: a link inside the tree is removed, not its target.
  const auto removed = fs::remove_all(native, ec);
  return !ec && removed > 0;
}

std::vector<DirEntry> NativeFileSystem::ListDirectory(std::u16string_view path) {
  std::vector<DirEntry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(NativePath(path), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code tec;
    entries.push_back({Utf8ToUtf16(it->path().filename().string()), it->is_directory(tec) && !it->is_symlink(tec)});
  }
  return entries;
}

std::optional<std::uint64_t> NativeFileSystem::FileSize(std::u16string_view path) {
  std::error_code ec;
  const auto size = fs::file_size(NativePath(path), ec);
  if (ec) return std::nullopt;
  return size;
}

}  // namespace tomeshift
