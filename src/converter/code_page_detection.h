// The code page of a help file that names none (no language record, or a language the table does
// not know), told from the bytes the help file holds: the values of its contents and index files,
// the names its files are stored under, and the pages that declare no charset.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tomeshift {

struct CodePageDetection {
  std::uint32_t code_page = 0;  // 0: no code page shows clearly, or the text is all ASCII
  bool non_ascii = false;       // some of the text is not plain ASCII, so the code page matters
  std::u16string reason;        // why "that code page" (or why none), for the user
};

// chm holds the whole help file; record is the text of its system record (title, default topic).
// A file that is not a help file gives no code page.
CodePageDetection DetectHelpFileCodePage(std::string_view chm, const std::string& display_name,
                                         std::string_view record);

// Some compilers write every byte above 127 of a contents entry's name as a Latin-1 character
// reference ("&agrave;" for E0), whatever code page the bytes were in. The bytes such a value stands
// for, when it holds at least one such reference and nothing else but ASCII; nullopt otherwise.
std::optional<std::string> CharacterReferenceBytes(std::u16string_view value);

// Whether texts, taken together, read as text in code_page clearly enough to be re-read in it.
bool ReadsClearlyAs(const std::vector<std::string>& texts, std::uint32_t code_page);

}  // namespace tomeshift
