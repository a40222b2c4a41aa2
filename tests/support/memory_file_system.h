// An in-memory IFileSystem for tests: names compare without regard to case and '\' equals '/', as on
// the native file system; "." and ".." are resolved. Writing needs the folder to exist (AddFile
// creates it). Install it for a test with ScopedFileSystem.
#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace tomeshift::testing {

class MemoryFileSystem final : public IFileSystem {
 public:
  // Stores a file, creating the folders above it.
  void AddFile(std::u16string_view path, std::string_view bytes);
  // Every file's path as first spelled, '/'-separated, sorted.
  std::vector<std::u16string> AllFiles() const;
  // Reading or writing this file (or anything below this folder) throws FileError from now on.
  void FailOn(std::u16string_view path);

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

 private:
  struct Entry {
    std::u16string spelling;  // the full path as first created
    bool is_directory = false;
    std::string data;
  };
  // '/'-separated components with "." and ".." resolved; a leading '/' is kept.
  static std::u16string Normalize(std::u16string_view path);
  static std::u16string Key(std::u16string_view normalized);
  static std::u16string Parent(std::u16string_view normalized);
  bool IsFolder(const std::u16string& normalized) const;  // the roots always are
  void CreateDirectoriesLocked(const std::u16string& normalized);
  bool FailsLocked(const std::u16string& key) const;
  // The path with the spelling of every component that exists (as first created).
  std::u16string SpellingLocked(const std::u16string& normalized) const;

  mutable std::mutex mutex_;
  std::map<std::u16string, Entry> entries_;  // by upper-cased normalized path
  std::set<std::u16string> failing_;
};

}  // namespace tomeshift::testing
