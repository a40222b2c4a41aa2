// The fixed tables that tie text to Windows code pages: help-file languages and charset names.
// Both are built on first use (before any worker runs) and are read-only afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tomeshift {

class TLanguage {
 public:
  std::u16string Name;         // display name, "English (United States)"
  std::u16string Id;           // "0x" and four upper-case hexadecimal digits
  std::uint32_t CodePage = 0;  // code page of the help file's single- and multi-byte text
  std::u16string Dictionary;   // proofing dictionary; nothing in the conversion reads it
};

class TLanguages {
 public:
  TLanguages();

  int GetCount() const { return static_cast<int>(Languages.size()); }
  // i must be in range (0 to GetCount() - 1); throws std::out_of_range otherwise.
  const TLanguage& GetItem(int i) const;
  // Code page of the first entry whose Id equals id without regard to case; 0 when none does.
  std::uint32_t GetCodepageById(std::u16string_view id) const;
  // Position of that entry, or -1.
  int GetIndexById(std::u16string_view id) const;

  std::vector<std::unique_ptr<TLanguage>> Languages;
};

// The program-wide language table, in its fixed row order (not alphabetical).
const TLanguages& GlobalLanguages();

// Lines "name|codepage" in their fixed order; names compare without regard to case.
class TCharsetTable {
 public:
  TCharsetTable();

  int Count() const { return static_cast<int>(lines_.size()); }
  const std::u16string& Line(int i) const { return lines_.at(static_cast<size_t>(i)); }
  // The code page text of the first line whose name equals name without regard to case, or empty.
  std::u16string Values(std::u16string_view name) const;
  // The same as a number; nullopt when the name is not in the table.
  std::optional<std::uint32_t> CodePageOf(std::u16string_view name) const;

 private:
  std::vector<std::u16string> lines_;
};

const TCharsetTable& CharsetTable();

}  // namespace tomeshift
