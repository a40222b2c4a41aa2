// The fixed HTML word lists that the page scanners consult instead of a grammar, and the table of
// named character references. Built once on first use (thread-safe static initialisation) and
// read-only afterwards, so any thread may call these at any time.
#pragma once

#include <string>
#include <string_view>

#include "text/string_list.h"

namespace tomeshift {

// Sorted, case-insensitive lists of upper-case names.
const TStringList& BreakTags();        // elements that break the text flow (block tags plus P and BR)
const TStringList& BlockTags();        // BreakTags without P and BR
const TStringList& NonDocumentTags();  // elements whose content is not document text
const TStringList& EmptyTags();        // elements treated as having no end tag
const TStringList& UrlAttributes();    // attributes that hold links
const TStringList& PageExtensions();   // extensions (with the dot) of page files

// "name:code" lines, sorted and compared case-sensitively: the HTML 4.01 named references (no
// "euro"; "nbsp" is a plain space) plus a few upper-case and legacy spellings.
const TStringList& EntityTable();

// The attribute of the span that holds a cross-reference hint added to a page ("(See 2.1)"): the page
// importer leaves such a hint out where it would stand inside code.
inline constexpr std::string_view kHintAttribute = "data-tomeshift-hint";

// Builds every table now; the program calls it at start-up so no later caller pays for it.
void InitializeVocabulary();

bool IsBreakTag(std::u16string_view name);
bool IsBlockTag(std::u16string_view name);
bool IsNonDocumentTag(std::u16string_view name);
bool IsEmptyTag(std::u16string_view name);
bool IsUrlAttribute(std::u16string_view name);
bool IsPageExtension(std::u16string_view extension);

// The table's value for a name (case-sensitive), as text; empty when the name is absent.
std::u16string EntityValue(std::u16string_view name);
// The same as a character code, or -1 when absent; the decoder's fast path.
int EntityCode(std::u16string_view name);

}  // namespace tomeshift
