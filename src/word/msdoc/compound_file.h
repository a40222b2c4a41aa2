// The OLE2 compound file that holds a Word 97-2003 document's streams. Only what the writer needs:
// streams at the root storage, version 3 (512-byte sectors), written in one pass into memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tomeshift::word {

class TCompoundFile {
 public:
  // Names are at most 31 UTF-16 units and unique without regard to case; bytes up to 4 GB - 1.
  // Throws std::invalid_argument otherwise: a bad name is a programming error, not a user's.
  void AddStream(std::u16string name, std::string bytes);
  // The whole file. Streams below 4096 bytes go into the mini stream, as readers expect.
  std::string Serialize() const;

 private:
  struct Stream {
    std::u16string name;
    std::string bytes;
  };
  std::vector<Stream> streams_;
};

// Reads back what the writer (or any version 3/4 compound file) holds at its root. Used to check
// written documents; rejects inconsistent chains instead of looping.
class TCompoundFileReader {
 public:
  // Throws std::runtime_error naming what is wrong.
  explicit TCompoundFileReader(std::string bytes);
  std::vector<std::u16string> StreamNames() const;
  bool HasStream(std::u16string_view name) const;
  std::string ReadStream(std::u16string_view name) const;

 private:
  struct Entry {
    std::u16string name;
    std::uint8_t type = 0;
    std::uint32_t left = 0, right = 0, child = 0, start = 0;
    std::uint64_t size = 0;
  };
  std::string Chain(const std::vector<std::uint32_t>& fat, std::uint32_t start, std::uint64_t size, bool mini) const;
  const Entry* Find(std::u16string_view name) const;

  std::string bytes_;
  std::uint32_t sector_size_ = 512;
  std::uint32_t mini_cutoff_ = 4096;
  std::vector<std::uint32_t> fat_, mini_fat_;
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> root_children_;  // indexes reached through the root's tree
  std::string mini_stream_;
};

}  // namespace tomeshift::word
