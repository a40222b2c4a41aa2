#include "support/memory_file_system.h"

#include "platform/errors.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift::testing {

std::u16string MemoryFileSystem::Normalize(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::u16string part;
  const auto flush = [&] {
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (const char16_t c : path) {
    if (c == u'/' || c == u'\\') {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  std::u16string out = (!path.empty() && (path[0] == u'/' || path[0] == u'\\')) ? u"/" : u"";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += u'/';
    out += parts[i];
  }
  return out;
}

std::u16string MemoryFileSystem::Key(std::u16string_view normalized) { return UpperCase(normalized); }

std::u16string MemoryFileSystem::Parent(std::u16string_view normalized) {
  const std::size_t slash = normalized.rfind(u'/');
  if (slash == std::u16string_view::npos) return u"";
  if (slash == 0) return u"/";
  return std::u16string(normalized.substr(0, slash));
}

bool MemoryFileSystem::IsFolder(const std::u16string& normalized) const {
  if (normalized.empty() || normalized == u"/") return true;
  const auto it = entries_.find(Key(normalized));
  return it != entries_.end() && it->second.is_directory;
}

std::u16string MemoryFileSystem::SpellingLocked(const std::u16string& normalized) const {
  if (normalized.empty() || normalized == u"/") return normalized;
  const auto it = entries_.find(Key(normalized));
  if (it != entries_.end()) return it->second.spelling;
  const std::u16string parent = Parent(normalized);
  const std::u16string leaf = normalized.substr(parent.empty() ? 0 : parent.size() + (parent == u"/" ? 0 : 1));
  const std::u16string spelledParent = SpellingLocked(parent);
  if (spelledParent.empty()) return leaf;
  return spelledParent == u"/" ? u"/" + leaf : spelledParent + u"/" + leaf;
}

bool MemoryFileSystem::FailsLocked(const std::u16string& key) const {
  for (const auto& failing : failing_) {
    if (key == failing || (key.size() > failing.size() && key.starts_with(failing) && key[failing.size()] == u'/')) {
      return true;
    }
  }
  return false;
}

void MemoryFileSystem::CreateDirectoriesLocked(const std::u16string& normalized) {
  if (IsFolder(normalized)) return;
  CreateDirectoriesLocked(Parent(normalized));
  const auto it = entries_.find(Key(normalized));
  if (it != entries_.end()) throw FileError(U8(it->second.spelling), "a file of that name exists");
  entries_.emplace(Key(normalized), Entry{SpellingLocked(normalized), true, {}});
}

void MemoryFileSystem::AddFile(std::u16string_view path, std::string_view bytes) {
  const std::u16string normalized = Normalize(path);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    CreateDirectoriesLocked(Parent(normalized));
  }
  WriteFile(path, bytes);
}

std::vector<std::u16string> MemoryFileSystem::AllFiles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::u16string> files;
  for (const auto& [key, entry] : entries_) {
    if (!entry.is_directory) files.push_back(entry.spelling);
  }
  return files;
}

void MemoryFileSystem::FailOn(std::u16string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  failing_.insert(Key(Normalize(path)));
}

bool MemoryFileSystem::FileExists(std::u16string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = entries_.find(Key(Normalize(path)));
  return it != entries_.end() && !it->second.is_directory;
}

bool MemoryFileSystem::DirectoryExists(std::u16string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  return IsFolder(Normalize(path));
}

std::optional<std::string> MemoryFileSystem::ReadFile(std::u16string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::u16string normalized = Normalize(path);
  const std::u16string key = Key(normalized);
  const auto it = entries_.find(key);
  if (it == entries_.end()) return std::nullopt;
  if (FailsLocked(key)) throw FileError(U8(it->second.spelling), "Permission denied");
  if (it->second.is_directory) throw FileError(U8(it->second.spelling), "is a folder, not a file");
  return it->second.data;
}

void MemoryFileSystem::WriteFile(std::u16string_view path, std::string_view bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::u16string normalized = Normalize(path);
  const std::u16string key = Key(normalized);
  if (FailsLocked(key)) throw FileError(U8(normalized), "Permission denied");
  if (!IsFolder(Parent(normalized))) throw FileError(U8(normalized), "No such file or directory");
  auto it = entries_.find(key);
  if (it == entries_.end()) {
    entries_.emplace(key, Entry{SpellingLocked(normalized), false, std::string(bytes)});
  } else if (it->second.is_directory) {
    throw FileError(U8(normalized), "Is a directory");
  } else {
    it->second.data.assign(bytes);
  }
}

void MemoryFileSystem::CreateDirectories(std::u16string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  CreateDirectoriesLocked(Normalize(path));
}

bool MemoryFileSystem::RemoveFile(std::u16string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = entries_.find(Key(Normalize(path)));
  if (it == entries_.end() || it->second.is_directory) return false;
  entries_.erase(it);
  return true;
}

bool MemoryFileSystem::RemoveTree(std::u16string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::u16string key = Key(Normalize(path));
  if (key.empty() || key == u"/") return false;
  bool removed = false;
  for (auto it = entries_.begin(); it != entries_.end();) {
    const bool below = it->first.size() > key.size() && it->first.starts_with(key) && it->first[key.size()] == u'/';
    if (it->first == key || below) {
      it = entries_.erase(it);
      removed = true;
    } else {
      ++it;
    }
  }
  return removed;
}

std::vector<DirEntry> MemoryFileSystem::ListDirectory(std::u16string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<DirEntry> list;
  const std::u16string normalized = Normalize(path);
  if (!IsFolder(normalized)) return list;
  const std::u16string key = Key(normalized);
  for (const auto& [entryKey, entry] : entries_) {
    if (Key(Parent(entry.spelling)) != key) continue;
    const std::size_t slash = entry.spelling.rfind(u'/');
    list.push_back(
        {slash == std::u16string::npos ? entry.spelling : entry.spelling.substr(slash + 1), entry.is_directory});
  }
  return list;
}

std::optional<std::uint64_t> MemoryFileSystem::FileSize(std::u16string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = entries_.find(Key(Normalize(path)));
  if (it == entries_.end() || it->second.is_directory) return std::nullopt;
  return it->second.data.size();
}

std::string MemoryFileSystem::NativePath(std::u16string_view path) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::u16string normalized = Normalize(path);
  return U8(SpellingLocked(normalized));
}

}  // namespace tomeshift::testing
