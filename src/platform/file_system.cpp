#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

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

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

struct ScratchFolderList {
  std::mutex mutex;
  std::vector<std::pair<std::string, std::u16string>> folders;  // native with '/' at the end, as spelled
};

ScratchFolderList& ScratchFolders() {
  static ScratchFolderList list;
  return list;
}

// Length of the outermost registered scratch folder that native lies in (or is); 0 when none.
std::size_t OutermostScratchFolder(const std::string& native) {
  std::lock_guard lock(ScratchFolders().mutex);
  std::size_t best = 0;
  for (const auto& [folder, spelling] : ScratchFolders().folders) {
    const bool inside = native.compare(0, folder.size(), folder) == 0 ||
                        (native.size() + 1 == folder.size() && folder.compare(0, native.size(), native) == 0);
    if (inside && (best == 0 || folder.size() < best)) best = folder.size();
  }
  return best;
}

std::string TooLarge(std::uint64_t size, std::uint64_t max_bytes) {
  return "is " + std::to_string((size + (1u << 20) - 1) >> 20) + " MB, more than the " +
         std::to_string(max_bytes >> 20) + " MB a picture or style sheet may have";
}

std::string RealPath(const std::string& native) {
  char* real = ::realpath(native.c_str(), nullptr);
  if (!real) return {};
  std::string out(real);
  std::free(real);
  return out;
}

std::string RealPathOf(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(link, buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

// The rest of an open regular file, refusing to grow past max_bytes should it grow meanwhile.
void ReadAll(int fd, const std::string& native, std::uint64_t max_bytes, std::string& data) {
  char buf[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buf, sizeof buf);
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      throw FileError(native, ErrnoText(errno));
    }
    if (got == 0) break;
    data.append(buf, static_cast<size_t>(got));
    if (data.size() > max_bytes) throw FileError(native, TooLarge(data.size(), max_bytes));
  }
}

// The names of a folder by their case-folded form, as read when the folder last changed: pages name
// the same missing or differently spelt files again and again, and listing a folder of thousands
// of pages for each would make the work grow with the square of the pages.
struct FolderListing {
  timespec changed{};
  std::unordered_map<std::u16string, std::string> names;  // folded -> as on disk (the first one listed)
};

struct FolderListings {
  std::mutex mutex;
  std::unordered_map<std::string, FolderListing> folders;
};

FolderListings& Listings() {
  static FolderListings listings;
  return listings;
}

void ForgetFolder(const std::string& native_file) {
  const std::size_t slash = native_file.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : native_file.substr(0, slash + 1);
  std::lock_guard lock(Listings().mutex);
  Listings().folders.erase(folder);
}

// The entry of the open folder dir (at path folder) whose name equals part without regard to case;
// empty when there is none.
std::string MatchInFolder(int dir, const std::string& folder, std::string_view part) {
  struct stat st;
  if (::fstat(dir, &st) != 0) return {};
  const std::u16string key = UpperCase(Utf8ToUtf16(part));
  const auto same_time = [&](const timespec& t) {
    return t.tv_sec == st.st_mtim.tv_sec && t.tv_nsec == st.st_mtim.tv_nsec;
  };
  {
    std::lock_guard lock(Listings().mutex);
    const auto it = Listings().folders.find(folder);
    if (it != Listings().folders.end() && same_time(it->second.changed)) {
      const auto name = it->second.names.find(key);
      return name == it->second.names.end() ? std::string() : name->second;
    }
  }
  FolderListing listing;
  listing.changed = st.st_mtim;
  if (DIR* entries = ::fdopendir(::dup(dir))) {
    while (const dirent* entry = ::readdir(entries)) {
      const std::string_view name(entry->d_name);
      if (name != "." && name != "..") listing.names.emplace(UpperCase(Utf8ToUtf16(name)), std::string(name));
    }
    ::closedir(entries);
  }
  const auto name = listing.names.find(key);
  std::string found = name == listing.names.end() ? std::string() : name->second;
  std::lock_guard lock(Listings().mutex);
  if (Listings().folders.size() >= 4096) Listings().folders.clear();
  Listings().folders[folder] = std::move(listing);
  return found;
}

}  // namespace

void ForgetFolderListings() {
  std::lock_guard lock(Listings().mutex);
  Listings().folders.clear();
}

IFileSystem& FileSystem() { return *Current(); }

ScopedFileSystem::ScopedFileSystem(IFileSystem& replacement) : previous_(Current()) { Current() = &replacement; }
ScopedFileSystem::~ScopedFileSystem() { Current() = previous_; }

std::string ResolveNativePath(std::string_view native, std::size_t exact_prefix) {
  // Most names are spelled as on disk: one look-up settles them.
  if (LExists(std::string(native))) return std::string(native);
  exact_prefix = std::min(exact_prefix, native.size());
  std::string result(native.substr(0, exact_prefix));
  size_t pos = exact_prefix;
  if (exact_prefix == 0 && !native.empty() && native[0] == '/') {
    result = "/";
    pos = 1;
  }
  // Each folder is opened relative to the one above it, so the work grows with the depth only once.
  Fd dir(::open(result.empty() ? "." : result.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  bool resolving = dir.get() >= 0;  // stop looking once a component is missing: nothing below it can exist
  while (pos <= native.size()) {
    size_t slash = native.find('/', pos);
    if (slash == std::string_view::npos) slash = native.size();
    std::string_view part = native.substr(pos, slash - pos);
    pos = slash + 1;
    if (part.empty()) {
      if (slash == native.size()) break;
      continue;
    }
    if (!result.empty() && result.back() != '/') result += '/';
    std::string name(part);
    struct stat st;
    if (resolving && part != "." && part != ".." && ::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      std::string found = MatchInFolder(dir.get(), result, part);
      if (found.empty())
        resolving = false;
      else
        name = std::move(found);
    }
    result += name;
    if (resolving && pos <= native.size()) {
      dir = Fd(::openat(dir.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      resolving = dir.get() >= 0;
    }
  }
  if (native.size() > 1 && native.back() == '/' && (result.empty() || result.back() != '/')) result += '/';
  return result;
}

void AddScratchFolder(std::u16string_view folder) {
  std::string native = ToNative(folder);
  if (native.empty()) return;
  if (native.back() != '/') native += '/';
  std::lock_guard lock(ScratchFolders().mutex);
  for (const auto& [registered, spelling] : ScratchFolders().folders)
    if (registered == native) return;
  ScratchFolders().folders.emplace_back(native, std::u16string(folder));
}

void RemoveScratchFolder(std::u16string_view folder) {
  std::string native = ToNative(folder);
  if (native.empty()) return;
  if (native.back() != '/') native += '/';
  std::lock_guard lock(ScratchFolders().mutex);
  auto& folders = ScratchFolders().folders;
  std::erase_if(folders, [&](const auto& entry) { return entry.first.compare(0, native.size(), native) == 0; });
}

std::u16string ScratchFolderOf(std::u16string_view path) {
  const std::size_t length = OutermostScratchFolder(ToNative(path));
  if (length == 0) return {};
  std::lock_guard lock(ScratchFolders().mutex);
  for (const auto& [registered, spelling] : ScratchFolders().folders) {
    if (registered.size() == length && ToNative(path).compare(0, length, registered) == 0) {
      std::u16string folder = spelling;
      if (folder.back() != u'/' && folder.back() != u'\\') folder += u'/';
      return folder;
    }
  }
  return {};
}

bool SameFile(std::u16string_view a, std::u16string_view b) {
  auto* native_fs = dynamic_cast<NativeFileSystem*>(&FileSystem());
  if (!native_fs) {
    return FileSystem().FileExists(a) && FileSystem().FileExists(b) &&
           SameNameIgnoringCase(FileSystem().NativePath(a), FileSystem().NativePath(b));
  }
  struct stat sa, sb;
  return ::stat(native_fs->NativePath(a).c_str(), &sa) == 0 && ::stat(native_fs->NativePath(b).c_str(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::u16string FollowSymbolicLinks(std::u16string_view path) {
  auto* native_fs = dynamic_cast<NativeFileSystem*>(&FileSystem());
  if (!native_fs) return std::u16string(path);
  std::string native = native_fs->NativePath(path);
  bool followed = false;
  // The kernel's own limit on links in one look-up.
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
      return followed ? Utf8ToUtf16(native) : std::u16string(path);
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(native.c_str(), buf, sizeof buf - 1);
    if (n <= 0) throw FileError(native, "cannot read the symbolic link: " + ErrnoText(errno));
    std::string target(buf, static_cast<std::size_t>(n));
    if (target.front() != '/') {
      const std::size_t slash = native.find_last_of('/');
      target = (slash == std::string::npos ? std::string() : native.substr(0, slash + 1)) + target;
    }
    native = std::move(target);
    followed = true;
  }
  throw FileError(Utf16ToUtf8(path), "the symbolic links at this name lead in a circle");
}

std::optional<std::string> ReadFileHead(std::u16string_view path, std::size_t bytes) {
  auto* native_fs = dynamic_cast<NativeFileSystem*>(&FileSystem());
  if (!native_fs) {
    if (!FileSystem().FileExists(path)) return std::nullopt;
    std::optional<std::string> data = FileSystem().ReadFile(path);
    if (data && data->size() > bytes) data->resize(bytes);
    return data;
  }
  const std::string native = native_fs->NativePath(path);
  Fd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  struct stat st;
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::string head(bytes, '\0');
  std::size_t done = 0;
  while (done < bytes) {
    const ssize_t n = ::pread(fd.get(), head.data() + done, bytes - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  head.resize(done);
  return head;
}

std::optional<std::string> ReadConfinedFile(std::u16string_view path, std::uint64_t max_bytes) {
  auto* native_fs = dynamic_cast<NativeFileSystem*>(&FileSystem());
  if (!native_fs) {
    // A stand-in file system (tests) has no links or special files to refuse.
    const std::optional<std::uint64_t> size = FileSystem().FileSize(path);
    if (!size) return std::nullopt;
    if (*size > max_bytes) throw FileError(Utf16ToUtf8(path), TooLarge(*size, max_bytes));
    return FileSystem().ReadFile(path);
  }
  const std::string native = native_fs->NativePath(path);
  // O_NONBLOCK: a FIFO must not hang the run; O_NOFOLLOW: nothing extracted is a link.
  Fd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    if (errno == ELOOP) throw FileError(native, "is a symbolic link");
    throw FileError(native, ErrnoText(errno));
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) throw FileError(native, ErrnoText(errno));
  if (!S_ISREG(st.st_mode)) throw FileError(native, "is not a regular file");
  if (static_cast<std::uint64_t>(st.st_size) > max_bytes)
    throw FileError(native, TooLarge(static_cast<std::uint64_t>(st.st_size), max_bytes));
  const std::u16string folder = ScratchFolderOf(path);
  if (!folder.empty()) {
    // What was opened, not what the name says: a link above the file would show here.
    const std::string opened = RealPathOf(fd.get());
    std::string real_folder = RealPath(native_fs->NativePath(folder));
    if (!real_folder.empty() && real_folder.back() != '/') real_folder += '/';
    if (opened.empty() || real_folder.empty() || opened.compare(0, real_folder.size(), real_folder) != 0)
      throw FileError(native, "lies outside the folder the help file was extracted to");
  }
  std::string data;
  data.reserve(static_cast<size_t>(st.st_size));
  ReadAll(fd.get(), native, max_bytes, data);
  return data;
}

std::string NativeFileSystem::NativePath(std::u16string_view path) {
  std::string native = ToNative(path);
  const std::size_t folder = OutermostScratchFolder(native);
  if (folder == 0) return native;
  return ResolveNativePath(native, std::min(folder, native.size()));
}

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
  // O_NONBLOCK: a FIFO or device planted at the path must not hang the run.
  Fd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    throw FileError(native, ErrnoText(errno));
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) throw FileError(native, ErrnoText(errno));
  if (S_ISDIR(st.st_mode)) throw FileError(native, "is a folder, not a file");
  if (!S_ISREG(st.st_mode)) throw FileError(native, "is not a regular file");
  std::string data;
  if (st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
  ReadAll(fd.get(), native, UINT64_MAX, data);
  return data;
}

void NativeFileSystem::WriteFile(std::u16string_view path, std::string_view bytes) {
  const std::string native = NativePath(path);
  if (!LExists(native)) ForgetFolder(native);  // a new name in its folder
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
  ForgetFolderListings();
  std::error_code ec;
  fs::create_directories(native, ec);
  if (ec) throw FileError(native, ec.message());
}

bool NativeFileSystem::RemoveFile(std::u16string_view path) {
  const std::string native = NativePath(path);
  ForgetFolder(native);
  return ::unlink(native.c_str()) == 0;
}

bool NativeFileSystem::RemoveTree(std::u16string_view path) {
  std::string native = NativePath(path);
  ForgetFolderListings();
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
