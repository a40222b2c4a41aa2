// CSS selectors: type, universal, class, id and attribute tests, the link pseudo-class, with
// descendant, child and sibling combinators. Matching runs right to left over the page tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "word/import/gumbo_document.h"

namespace tomeshift::word {

// (ids, classes + attributes + pseudo-classes, types), compared lexicographically.
struct CssSpecificity {
  std::uint16_t a = 0, b = 0, c = 0;
  auto operator<=>(const CssSpecificity&) const = default;
};

class CssSelector {
 public:
  // One selector of a group ("div.note > p"); nullopt when it is not valid (the rule is dropped).
  static std::optional<CssSelector> Parse(std::string_view text);
  // A comma-separated group; nullopt when any member is invalid, as browsers drop the whole rule.
  static std::optional<std::vector<CssSelector>> ParseGroup(std::string_view text);

  bool Matches(const HtmlNode& element) const;
  CssSpecificity specificity() const { return specificity_; }

  // The rightmost compound's most selective key, for indexing rules: '#' id, '.' class, 't' type, 0 none.
  char key_kind() const { return key_kind_; }
  const std::string& key() const { return key_; }

  enum class Combinator : std::uint8_t { kNone, kDescendant, kChild, kAdjacent, kSibling };
  struct AttributeTest {
    std::string name;
    std::string value;
    char op = 0;  // 0 present, '=' equal, '~' word, '|' prefix-dash, '^' '$' '*' substring
  };
  struct Compound {
    std::string type;  // empty: any
    std::string id;
    std::vector<std::string> classes;
    std::vector<AttributeTest> attributes;
    bool link = false;   // :link / :any-link
    bool never = false;  // dynamic or unsupported pseudo-classes and pseudo-elements
    bool first_child = false;
    Combinator combinator = Combinator::kNone;  // how it relates to the compound on its left
  };

 private:
  bool MatchesFrom(const HtmlNode& element, std::size_t index) const;
  static bool MatchesCompound(const Compound& c, const HtmlNode& element);

  std::vector<Compound> compounds_;  // left to right
  CssSpecificity specificity_;
  char key_kind_ = 0;
  std::string key_;
};

}  // namespace tomeshift::word
