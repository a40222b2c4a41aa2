// How elements look before any style sheet of the page applies: the browsers' default style sheet,
// and the presentational attributes of legacy HTML (align, bgcolor, <font>, width ...) as hints.
#pragma once

#include <vector>

#include "word/import/css/css_parser.h"
#include "word/import/gumbo_document.h"

namespace tomeshift::word {

class HtmlImportDefaults {
 public:
  // The element's defaults by tag name (empty for elements without any). Built once, thread-safe.
  static const std::vector<CssDeclaration>& ForTag(const std::string& tag);
  // Appends the element's presentational hints. `list_depth` counts the lists around the element.
  static void AddHints(const HtmlNode& element, int list_depth, std::vector<CssDeclaration>& out);
  // The lines a table's rules and border attributes draw around a cell of a row that is or is not the
  // table's first or last and starts or ends a row group.
  static void AddCellRuleHints(const HtmlNode& table, bool first_row, bool last_row, bool group_start, bool group_end,
                               std::vector<CssDeclaration>& out);
  // Elements whose content is never rendered (script, style, form controls ...).
  static bool IsNeverRendered(const std::string& tag);
};

}  // namespace tomeshift::word
