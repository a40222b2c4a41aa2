// CSS selectors: type, universal, class, id and attribute tests, the link pseudo-class, with
// descendant, child and sibling combinators. Matching runs right to left over the page tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "word/import/gumbo_document.h"

namespace tomeshift::word {

// (ids, classes + attributes + pseudo-classes, types), compared lexicographically.
struct CssSpecificity {
  std::uint16_t a = 0, b = 0, c = 0;
  auto operator<=>(const CssSpecificity&) const = default;
};

class CssSelector;

// What matching has learnt about one page tree: whether the part of a selector left of a descendant
// or sibling combinator matches somewhere up an element's ancestors or back along its siblings. Each
// such search then runs once per element, however many selectors and elements ask, instead of once
// per way of matching, which grows exponentially with the combinators a selector chains. Valid for
// one tree only; it forgets everything when it grows too large.
class CssMatchCache {
 public:
  std::optional<bool> Find(const CssSelector* selector, std::size_t index, const HtmlNode* node, bool up) const;
  void Put(const CssSelector* selector, std::size_t index, const HtmlNode* node, bool up, bool result);

 private:
  struct Key {
    const CssSelector* selector;
    const HtmlNode* node;
    std::uint32_t index;
    bool up;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const;
  };
  std::unordered_map<Key, bool, KeyHash> results_;
};

class CssSelector {
 public:
  // One selector of a group ("div.note > p"); nullopt when it is not valid (the rule is dropped).
  static std::optional<CssSelector> Parse(std::string_view text);
  // A comma-separated group; nullopt when any member is invalid, as browsers drop the whole rule.
  static std::optional<std::vector<CssSelector>> ParseGroup(std::string_view text);

  // cache: shared by every match against the same page tree (one of the call's own when null).
  bool Matches(const HtmlNode& element, CssMatchCache* cache = nullptr) const;
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
  bool MatchesFrom(const HtmlNode& element, std::size_t index, CssMatchCache& cache) const;
  // Whether compounds 0..index match at start or at an element further up (ancestors) or back
  // (previous siblings) from it.
  bool MatchesAlong(const HtmlNode* start, std::size_t index, bool up, CssMatchCache& cache) const;
  static bool MatchesCompound(const Compound& c, const HtmlNode& element);

  std::vector<Compound> compounds_;  // left to right
  CssSpecificity specificity_;
  char key_kind_ = 0;
  std::string key_;
};

}  // namespace tomeshift::word
