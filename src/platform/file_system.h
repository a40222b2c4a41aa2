// The one boundary between the core and the disk.
//
// The core names files the way help files do: backslashes (or slashes) as separators, and names that
// may differ in case from the file on disk ("Setup.HTM" for "setup.htm"). Here such a path becomes a
// native path: separators become '/', and below a scratch folder (where a help file was extracted)
// each component that does not exist with its exact spelling is matched without regard to case
// against the entries of its folder. Anywhere else (the user's help file, the output document) a path
// means exactly what it says. Every file access of the core goes through FileSystem(); tests install
// an in-memory fake (tests/support).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tomeshift {

struct DirEntry {
  std::u16string name;
  bool is_directory = false;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;

  virtual bool FileExists(std::u16string_view path) = 0;
  virtual bool DirectoryExists(std::u16string_view path) = 0;
  // Whole file as bytes; nullopt when it does not exist. A file that exists but cannot be read throws FileError.
  virtual std::optional<std::string> ReadFile(std::u16string_view path) = 0;
  // Replaces the file's content (creating it). Throws FileError naming the path and the reason.
  virtual void WriteFile(std::u16string_view path, std::string_view bytes) = 0;
  virtual void CreateDirectories(std::u16string_view path) = 0;
  // False when there was nothing to remove or removal failed.
  virtual bool RemoveFile(std::u16string_view path) = 0;
  // Removes a folder tree without following symbolic links.
  virtual bool RemoveTree(std::u16string_view path) = 0;
  virtual std::vector<DirEntry> ListDirectory(std::u16string_view path) = 0;
  virtual std::optional<std::uint64_t> FileSize(std::u16string_view path) = 0;
  // The native (UTF-8, '/'-separated) path that the core's path resolves to; components that do not
  // exist keep their spelling.
  virtual std::string NativePath(std::u16string_view path) = 0;
  // 0 when this process may write the file, or create and replace entries in the folder, at path;
  // else the errno that says why not (EACCES, EROFS, ENOENT). Nothing is created. A file system that
  // cannot tell answers 0 and lets the write itself report.
  virtual int AccessForWriting(std::u16string_view path) { return 0; }
};

// The process-wide file system (native unless a test installed another).
IFileSystem& FileSystem();

// Installs a replacement for the lifetime of the guard (tests); restores the previous one afterwards.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(IFileSystem& replacement);
  ~ScopedFileSystem();
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  IFileSystem* previous_;
};

// The native implementation, usable directly where a real disk is required (the extractor, saving).
class NativeFileSystem final : public IFileSystem {
 public:
  bool FileExists(std::u16string_view path) override;
  bool DirectoryExists(std::u16string_view path) override;
  std::optional<std::string> ReadFile(std::u16string_view path) override;
  void WriteFile(std::u16string_view path, std::string_view bytes) override;
  void CreateDirectories(std::u16string_view path) override;
  bool RemoveFile(std::u16string_view path) override;
  bool RemoveTree(std::u16string_view path) override;
  std::vector<DirEntry> ListDirectory(std::u16string_view path) override;
  std::optional<std::uint64_t> FileSize(std::u16string_view path) override;
  std::string NativePath(std::u16string_view path) override;
  int AccessForWriting(std::u16string_view path) override;
};

// Case-insensitive resolution of a native path ('/'-separated, UTF-8) below its first exact_prefix
// bytes, which are taken as they are.
std::string ResolveNativePath(std::string_view native, std::size_t exact_prefix = 0);

// Case-insensitive look-ups remember each folder's names until it changes. Writes through
// FileSystem() keep that memory right; whoever writes into a scratch folder otherwise (the extractor)
// calls this afterwards.
void ForgetFolderListings();

// Scratch folders hold what was extracted from a help file. Only below them are names matched without
// regard to case, and only from them may the files a page refers to be read (ReadConfinedFile).
// A folder stays registered until RemoveScratchFolder (DeleteFolder does it) names it or a folder
// above it.
void AddScratchFolder(std::u16string_view folder);
void RemoveScratchFolder(std::u16string_view folder);
// The outermost registered scratch folder that holds path (with its trailing separator as
// registered); empty when there is none.
std::u16string ScratchFolderOf(std::u16string_view path);

// Whether two paths name the same existing file (the same file reached through links or another
// spelling counts). False when either does not exist.
bool SameFile(std::u16string_view a, std::u16string_view b);

// Where a write to path lands: symbolic links at the path are followed as the operating system would
// (to a target that may not exist yet). The path itself when it is no link. Throws FileError when the
// links lead in a circle.
std::u16string FollowSymbolicLinks(std::u16string_view path);

// The first bytes of a regular file (fewer when it is shorter), to tell what it is without reading
// it whole; nullopt when there is no readable regular file there.
std::optional<std::string> ReadFileHead(std::u16string_view path, std::size_t bytes);

// The most a picture or style sheet that a page names may have.
constexpr std::uint64_t kMaxPageResourceBytes = std::uint64_t{64} << 20;

// Reads a file that a page names (a picture, a style sheet): only a regular file, only when no larger
// than max_bytes, and (on the native file system) only when it really lies inside its scratch folder.
// nullopt when there is no such file; FileError naming the file and the reason otherwise.
std::optional<std::string> ReadConfinedFile(std::u16string_view path, std::uint64_t max_bytes);

}  // namespace tomeshift
