// Bookmark names as the word processor accepts them: ASCII letters, digits and "_", starting with a
// letter, at most 40 characters.
#pragma once

#include <string>
#include <string_view>

namespace tomeshift::word {

constexpr std::size_t kMaxBookmarkName = 40;

bool IsValidBookmarkName(std::u16string_view name);

// A valid name for any name taken from a page ("Bookmark12_sec-2.1"). Valid names come back unchanged;
// others are cleaned and get a suffix hashed from the whole name (letter case ignored, as bookmark
// names are compared), so a bookmark and every link to it map alike wherever each is met, in any
// order and in any document, and different names stay apart.
std::u16string MapBookmarkName(std::u16string_view raw);

}  // namespace tomeshift::word
