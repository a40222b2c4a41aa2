#include "word/import/css/css_selector.h"

#include "text/text_utils.h"

namespace tomeshift::word {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

class SelectorReader {
 public:
  explicit SelectorReader(std::string_view s) : s_(s) {}
  bool AtEnd() const { return i_ >= s_.size(); }
  char Peek() const { return i_ < s_.size() ? s_[i_] : '\0'; }
  void Skip() { ++i_; }
  bool SkipSpace() {
    std::size_t start = i_;
    while (i_ < s_.size() && IsSpace(s_[i_])) ++i_;
    return i_ > start;
  }
  // An identifier with backslash escapes of single characters.
  std::string Name() {
    std::string out;
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == '\\' && i_ + 1 < s_.size()) {
        out.push_back(s_[i_ + 1]);
        i_ += 2;
      } else if (IsNameChar(c)) {
        out.push_back(c);
        ++i_;
      } else {
        break;
      }
    }
    return out;
  }
  bool QuotedOrName(std::string& out) {
    char q = Peek();
    if (q == '"' || q == '\'') {
      ++i_;
      std::size_t end = s_.find(q, i_);
      if (end == std::string_view::npos) return false;
      out.assign(s_.substr(i_, end - i_));
      i_ = end + 1;
      return true;
    }
    out = Name();
    return !out.empty();
  }
  // Skips a parenthesised argument of a functional pseudo-class.
  bool SkipParens() {
    if (Peek() != '(') return true;
    int depth = 0;
    for (; i_ < s_.size(); ++i_) {
      if (s_[i_] == '(') ++depth;
      if (s_[i_] == ')' && --depth == 0) {
        ++i_;
        return true;
      }
    }
    return false;
  }

 private:
  std::string_view s_;
  std::size_t i_ = 0;
};

}  // namespace

std::optional<CssSelector> CssSelector::Parse(std::string_view text) {
  CssSelector sel;
  SelectorReader r(text);
  r.SkipSpace();
  Combinator pending = Combinator::kNone;
  while (!r.AtEnd()) {
    Compound c;
    c.combinator = pending;
    bool any = false;
    if (r.Peek() == '*') {
      r.Skip();
      any = true;
    } else if (IsNameChar(r.Peek()) || r.Peek() == '\\') {
      c.type = AsciiLower(r.Name());
      ++sel.specificity_.c;
      any = true;
    }
    for (;;) {
      char ch = r.Peek();
      if (ch == '#') {
        r.Skip();
        c.id = r.Name();
        if (c.id.empty()) return std::nullopt;
        ++sel.specificity_.a;
      } else if (ch == '.') {
        r.Skip();
        std::string name = r.Name();
        if (name.empty()) return std::nullopt;
        c.classes.push_back(std::move(name));
        ++sel.specificity_.b;
      } else if (ch == '[') {
        r.Skip();
        r.SkipSpace();
        AttributeTest t;
        t.name = AsciiLower(r.Name());
        if (t.name.empty()) return std::nullopt;
        r.SkipSpace();
        char op = r.Peek();
        if (op == '=') {
          t.op = '=';
          r.Skip();
        } else if (op == '~' || op == '|' || op == '^' || op == '$' || op == '*') {
          r.Skip();
          if (r.Peek() != '=') return std::nullopt;
          r.Skip();
          t.op = op;
        }
        if (t.op) {
          r.SkipSpace();
          if (!r.QuotedOrName(t.value)) return std::nullopt;
          r.SkipSpace();
          if (r.Peek() == 'i' || r.Peek() == 'I') r.Skip(), r.SkipSpace();
        }
        if (r.Peek() != ']') return std::nullopt;
        r.Skip();
        c.attributes.push_back(std::move(t));
        ++sel.specificity_.b;
      } else if (ch == ':') {
        r.Skip();
        bool element = false;
        if (r.Peek() == ':') {
          r.Skip();
          element = true;
        }
        std::string name = AsciiLower(r.Name());
        if (name.empty() || !r.SkipParens()) return std::nullopt;
        if (element || name == "before" || name == "after" || name == "first-line" || name == "first-letter") {
          c.never = true;  // generated content is not rendered
          ++sel.specificity_.c;
        } else {
          ++sel.specificity_.b;
          if (name == "link" || name == "any-link")
            c.link = true;
          else if (name == "first-child")
            c.first_child = true;
          else
            c.never = true;  // :hover, :visited, :focus ... never hold in a printed page
        }
      } else {
        break;
      }
      any = true;
    }
    if (!any) return std::nullopt;
    sel.compounds_.push_back(std::move(c));
    bool space = r.SkipSpace();
    if (r.AtEnd()) break;
    char ch = r.Peek();
    if (ch == '>' || ch == '+' || ch == '~') {
      r.Skip();
      r.SkipSpace();
      pending = ch == '>' ? Combinator::kChild : ch == '+' ? Combinator::kAdjacent : Combinator::kSibling;
      if (r.AtEnd()) return std::nullopt;
    } else if (space) {
      pending = Combinator::kDescendant;
    } else {
      return std::nullopt;
    }
  }
  if (sel.compounds_.empty()) return std::nullopt;
  const Compound& last = sel.compounds_.back();
  if (!last.id.empty())
    sel.key_kind_ = '#', sel.key_ = last.id;
  else if (!last.classes.empty())
    sel.key_kind_ = '.', sel.key_ = last.classes.front();
  else if (!last.type.empty())
    sel.key_kind_ = 't', sel.key_ = last.type;
  return sel;
}

std::optional<std::vector<CssSelector>> CssSelector::ParseGroup(std::string_view text) {
  std::vector<CssSelector> group;
  std::size_t start = 0;
  int bracket = 0;
  char quote = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    char c = i < text.size() ? text[i] : ',';
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'')
      quote = c;
    else if (c == '[' || c == '(')
      ++bracket;
    else if (c == ']' || c == ')')
      --bracket;
    else if (c == ',' && bracket == 0) {
      auto sel = Parse(text.substr(start, i - start));
      if (!sel) return std::nullopt;
      group.push_back(std::move(*sel));
      start = i + 1;
    }
  }
  if (group.empty()) return std::nullopt;
  return group;
}

bool CssSelector::MatchesCompound(const Compound& c, const HtmlNode& e) {
  if (!e.IsElement() || c.never) return false;
  if (!c.type.empty() && c.type != e.tag) return false;
  // Help pages are mostly quirks-mode pages, where ids and classes match without regard to case.
  if (!c.id.empty() && !AsciiEqualsNoCase(e.Attribute("id"), c.id)) return false;
  for (const auto& cls : c.classes) {
    if (!e.HasClass(cls)) return false;
  }
  if (c.link && (!(e.tag == "a" || e.tag == "area") || !e.FindAttribute("href"))) return false;
  if (c.first_child && e.PreviousElementSibling()) return false;
  for (const auto& t : c.attributes) {
    const std::string* v = e.FindAttribute(t.name);
    if (!v) return false;
    std::string_view value = *v;
    switch (t.op) {
      case 0:
        break;
      case '=':
        if (value != t.value) return false;
        break;
      case '~': {
        bool found = false;
        std::size_t i = 0;
        while (i < value.size() && !found) {
          while (i < value.size() && IsSpace(value[i])) ++i;
          std::size_t j = i;
          while (j < value.size() && !IsSpace(value[j])) ++j;
          found = j > i && value.substr(i, j - i) == t.value;
          i = j;
        }
        if (!found) return false;
        break;
      }
      case '|':
        if (!(value == t.value || (value.size() > t.value.size() && value.substr(0, t.value.size()) == t.value &&
                                   value[t.value.size()] == '-')))
          return false;
        break;
      case '^':
        if (t.value.empty() || value.substr(0, t.value.size()) != t.value) return false;
        break;
      case '$':
        if (t.value.empty() || value.size() < t.value.size() || value.substr(value.size() - t.value.size()) != t.value)
          return false;
        break;
      case '*':
        if (t.value.empty() || value.find(t.value) == std::string_view::npos) return false;
        break;
      default:
        return false;
    }
  }
  return true;
}

std::size_t CssMatchCache::KeyHash::operator()(const Key& k) const {
  std::size_t h = std::hash<const void*>()(k.selector);
  h = h * 31 + std::hash<const void*>()(k.node);
  return h * 31 + k.index * 2 + (k.up ? 1 : 0);
}

std::optional<bool> CssMatchCache::Find(const CssSelector* selector, std::size_t index, const HtmlNode* node,
                                        bool up) const {
  const auto it = results_.find(Key{selector, node, static_cast<std::uint32_t>(index), up});
  if (it == results_.end()) return std::nullopt;
  return it->second;
}

void CssMatchCache::Put(const CssSelector* selector, std::size_t index, const HtmlNode* node, bool up, bool result) {
  // Memory stays bounded on huge pages; what is forgotten is only found again.
  if (results_.size() >= (std::size_t{1} << 20)) results_.clear();
  results_[Key{selector, node, static_cast<std::uint32_t>(index), up}] = result;
}

bool CssSelector::MatchesAlong(const HtmlNode* start, std::size_t index, bool up, CssMatchCache& cache) const {
  const auto next = [up](const HtmlNode* n) { return up ? n->parent : n->PreviousElementSibling(); };
  bool result = false;
  const HtmlNode* n = start;
  for (; n; n = next(n)) {
    if (const std::optional<bool> known = cache.Find(this, index, n, up)) {
      result = *known;
      break;
    }
    if (MatchesFrom(*n, index, cache)) {
      result = true;
      break;
    }
  }
  // Every element passed on the way has the same answer as the one the walk stopped at.
  for (const HtmlNode* m = start; m != n; m = next(m)) cache.Put(this, index, m, up, result);
  if (n) cache.Put(this, index, n, up, result);
  return result;
}

bool CssSelector::MatchesFrom(const HtmlNode& element, std::size_t index, CssMatchCache& cache) const {
  const Compound& c = compounds_[index];
  if (!MatchesCompound(c, element)) return false;
  if (index == 0) return true;
  switch (c.combinator) {
    case Combinator::kChild:
      return element.parent && MatchesFrom(*element.parent, index - 1, cache);
    case Combinator::kDescendant:
      return MatchesAlong(element.parent, index - 1, /*up=*/true, cache);
    case Combinator::kAdjacent: {
      const HtmlNode* prev = element.PreviousElementSibling();
      return prev && MatchesFrom(*prev, index - 1, cache);
    }
    case Combinator::kSibling:
      return MatchesAlong(element.PreviousElementSibling(), index - 1, /*up=*/false, cache);
    case Combinator::kNone:
      return false;
  }
  return false;
}

bool CssSelector::Matches(const HtmlNode& element, CssMatchCache* cache) const {
  if (compounds_.empty()) return false;
  if (cache) return MatchesFrom(element, compounds_.size() - 1, *cache);
  CssMatchCache own;
  return MatchesFrom(element, compounds_.size() - 1, own);
}

}  // namespace tomeshift::word
