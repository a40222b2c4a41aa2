// The cascade: which declaration wins for each property of an element, from the page's style sheets,
// the element's presentational hints and its style attribute. Order of strength, weakest first:
// hints, rules (by specificity, then order), the style attribute; then the same with !important.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "word/import/css/css_parser.h"
#include "word/import/gumbo_document.h"

namespace tomeshift::word {

// The winning declaration of every property (nullptr: not declared for this element).
using CssDeclared = std::array<const CssDeclaration*, kCssPropertyCount>;

class CssCascade {
 public:
  // Sheets are applied in the order they are added (the page's order of link and style elements).
  void AddStyleSheet(CssStyleSheet sheet);
  void AddStyleSheet(std::shared_ptr<const CssStyleSheet> sheet);
  bool empty() const { return rules_.empty(); }

  // `defaults` (the element's usual look), `hints` (its presentational attributes) and `inline_style`
  // must outlive the use of `out`.
  void Cascade(const HtmlNode& element, const std::vector<CssDeclaration>& defaults,
               const std::vector<CssDeclaration>& hints, const std::vector<CssDeclaration>& inline_style,
               CssDeclared& out) const;

 private:
  struct Entry {
    std::uint32_t rule;
    std::uint32_t selector;
  };
  void Collect(const std::vector<Entry>& entries, const HtmlNode& element,
               std::vector<std::pair<CssSpecificity, std::uint32_t>>& hits) const;

  std::vector<const CssRule*> rules_;
  std::vector<std::shared_ptr<const CssStyleSheet>> sheets_;
  std::unordered_map<std::string, std::vector<Entry>> by_id_, by_class_, by_type_;
  std::vector<Entry> universal_;
  mutable CssMatchCache match_cache_;  // the cascade serves one page
};

}  // namespace tomeshift::word
