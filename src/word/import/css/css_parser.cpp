#include "word/import/css/css_parser.h"

#include <array>
#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "text/text_utils.h"
#include "word/import/css/css_value.h"

namespace tomeshift::word {

namespace {

using P = CssProperty;

// Removes comments (outside strings) and HTML comment markers that style elements often carry.
std::string StripComments(std::string_view css) {
  std::string out;
  out.reserve(css.size());
  char quote = 0;
  for (std::size_t i = 0; i < css.size(); ++i) {
    char c = css[i];
    if (quote) {
      out.push_back(c);
      if (c == '\\' && i + 1 < css.size())
        out.push_back(css[++i]);
      else if (c == quote || c == '\n')
        quote = 0;
      continue;
    }
    if (c == '/' && i + 1 < css.size() && css[i + 1] == '*') {
      std::size_t end = css.find("*/", i + 2);
      i = end == std::string_view::npos ? css.size() : end + 1;
      out.push_back(' ');
      continue;
    }
    if (c == '<' && css.substr(i, 4) == "<!--") {
      i += 3;
      out.push_back(' ');
      continue;
    }
    if (c == '-' && css.substr(i, 3) == "-->") {
      i += 2;
      out.push_back(' ');
      continue;
    }
    if (c == '"' || c == '\'') quote = c;
    out.push_back(c);
  }
  return out;
}

// Index of the character that closes the block opened at `open` ('{'), or the end of the text.
std::size_t MatchingBrace(std::string_view s, std::size_t open) {
  int depth = 0;
  char quote = 0;
  for (std::size_t i = open; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      if (c == '\\')
        ++i;
      else if (c == quote)
        quote = 0;
      continue;
    }
    if (c == '"' || c == '\'')
      quote = c;
    else if (c == '{')
      ++depth;
    else if (c == '}' && --depth == 0)
      return i;
  }
  return s.size();
}

// First occurrence of one of `stops` outside strings and parentheses, or npos.
std::size_t FindTopLevel(std::string_view s, std::size_t from, std::string_view stops) {
  int depth = 0;
  char quote = 0;
  for (std::size_t i = from; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      if (c == '\\')
        ++i;
      else if (c == quote)
        quote = 0;
      continue;
    }
    if (c == '"' || c == '\'')
      quote = c;
    else if (c == '(')
      ++depth;
    else if (c == ')')
      depth = depth > 0 ? depth - 1 : 0;
    else if (depth == 0 && stops.find(c) != std::string_view::npos)
      return i;
  }
  return std::string_view::npos;
}

bool MediaAppliesToScreen(std::string_view media) {
  std::string m = AsciiLower(TrimCss(media));
  if (m.empty()) return true;
  std::size_t start = 0;
  while (start <= m.size()) {
    std::size_t comma = m.find(',', start);
    std::string_view q =
        TrimCss(std::string_view(m).substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (q.substr(0, 5) == "only ") q = TrimCss(q.substr(5));
    if (q.substr(0, 4) != "not " &&
        (q.empty() || q.substr(0, 3) == "all" || q.substr(0, 6) == "screen" || q.front() == '(')) {
      return true;
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return false;
}

std::string Unquote(std::string_view s) {
  s = TrimCss(s);
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) s = s.substr(1, s.size() - 2);
  return std::string(s);
}

std::string UrlArgument(std::string_view s) {
  s = TrimCss(s);
  if (s.size() > 4 && AsciiEqualsNoCase(s.substr(0, 4), "url(")) {
    std::size_t close = s.rfind(')');
    return Unquote(s.substr(4, close == std::string_view::npos ? std::string_view::npos : close - 4));
  }
  return Unquote(s);
}

void ParseBlockList(std::string_view css, CssStyleSheet& sheet, int depth) {
  std::size_t i = 0;
  while (i < css.size()) {
    while (i < css.size() && (css[i] == ' ' || css[i] == '\t' || css[i] == '\n' || css[i] == '\r' || css[i] == '\f' ||
                              css[i] == ';' || css[i] == '}')) {
      ++i;
    }
    if (i >= css.size()) break;
    if (css[i] == '@') {
      std::size_t stop = FindTopLevel(css, i, ";{");
      if (stop == std::string_view::npos) break;
      std::string_view prelude = css.substr(i + 1, stop - i - 1);
      std::size_t name_end = 0;
      while (name_end < prelude.size() && prelude[name_end] != ' ' && prelude[name_end] != '\t' &&
             prelude[name_end] != '\n' && prelude[name_end] != '\r' && prelude[name_end] != '"' &&
             prelude[name_end] != '\'' && prelude[name_end] != '(') {
        ++name_end;
      }
      std::string name = AsciiLower(prelude.substr(0, name_end));
      std::string_view rest = prelude.substr(name_end);
      if (css[stop] == ';') {
        if (name == "import") {
          std::string_view target = TrimCss(rest);
          std::size_t media_at = std::string_view::npos;
          if (!target.empty() && (target.front() == '"' || target.front() == '\'')) {
            media_at = target.find(target.front(), 1);
            if (media_at != std::string_view::npos) ++media_at;
          } else {
            media_at = target.find(')');
            if (media_at != std::string_view::npos) ++media_at;
          }
          std::string_view media = media_at == std::string_view::npos ? std::string_view() : target.substr(media_at);
          std::string address = UrlArgument(target.substr(0, media_at));
          if (!address.empty() && MediaAppliesToScreen(media)) sheet.imports.push_back(std::move(address));
        }
        i = stop + 1;
        continue;
      }
      std::size_t close = MatchingBrace(css, stop);
      if (name == "media" && depth < 8 && MediaAppliesToScreen(rest)) {
        ParseBlockList(css.substr(stop + 1, close - stop - 1), sheet, depth + 1);
      }
      i = close + 1;
      continue;
    }
    std::size_t open = FindTopLevel(css, i, "{");
    if (open == std::string_view::npos) break;
    std::size_t close = MatchingBrace(css, open);
    auto selectors = CssSelector::ParseGroup(TrimCss(css.substr(i, open - i)));
    if (selectors) {
      CssRule rule;
      rule.selectors = std::move(*selectors);
      rule.declarations = CssParser::ParseDeclarations(css.substr(open + 1, close - open - 1));
      if (!rule.declarations.empty()) sheet.rules.push_back(std::move(rule));
    }
    i = close + 1;
  }
}

struct PropertyName {
  const char* name;
  P property;
};

constexpr PropertyName kLonghands[] = {
    {"color", P::kColor},
    {"background-color", P::kBackgroundColor},
    {"font-family", P::kFontFamily},
    {"font-size", P::kFontSize},
    {"font-weight", P::kFontWeight},
    {"font-style", P::kFontStyle},
    {"text-decoration", P::kTextDecoration},
    {"text-decoration-line", P::kTextDecoration},
    {"vertical-align", P::kVerticalAlign},
    {"text-align", P::kTextAlign},
    {"text-indent", P::kTextIndent},
    {"white-space", P::kWhiteSpace},
    {"list-style-type", P::kListStyleType},
    {"display", P::kDisplay},
    {"float", P::kFloat},
    {"visibility", P::kVisibility},
    {"margin-top", P::kMarginTop},
    {"margin-right", P::kMarginRight},
    {"margin-bottom", P::kMarginBottom},
    {"margin-left", P::kMarginLeft},
    {"padding-top", P::kPaddingTop},
    {"padding-right", P::kPaddingRight},
    {"padding-bottom", P::kPaddingBottom},
    {"padding-left", P::kPaddingLeft},
    {"border-top-width", P::kBorderTopWidth},
    {"border-right-width", P::kBorderRightWidth},
    {"border-bottom-width", P::kBorderBottomWidth},
    {"border-left-width", P::kBorderLeftWidth},
    {"border-top-style", P::kBorderTopStyle},
    {"border-right-style", P::kBorderRightStyle},
    {"border-bottom-style", P::kBorderBottomStyle},
    {"border-left-style", P::kBorderLeftStyle},
    {"border-top-color", P::kBorderTopColor},
    {"border-right-color", P::kBorderRightColor},
    {"border-bottom-color", P::kBorderBottomColor},
    {"border-left-color", P::kBorderLeftColor},
    {"width", P::kWidth},
    {"height", P::kHeight},
    {"text-transform", P::kTextTransform},
    {"border-collapse", P::kBorderCollapse},
};

bool IsBorderStyle(std::string_view v) {
  static constexpr const char* kStyles[] = {"none",   "hidden", "dotted", "dashed", "solid",
                                            "double", "groove", "ridge",  "inset",  "outset"};
  for (const char* s : kStyles) {
    if (AsciiEqualsNoCase(v, s)) return true;
  }
  return false;
}

bool IsBorderWidth(std::string_view v) {
  return AsciiEqualsNoCase(v, "thin") || AsciiEqualsNoCase(v, "medium") || AsciiEqualsNoCase(v, "thick") ||
         ParseCssLength(v).has_value();
}

void Push(std::vector<CssDeclaration>& out, P p, std::string_view value, bool important) {
  out.push_back(CssDeclaration{p, important, std::string(value)});
}

// margin: 1 to 4 values -> top right bottom left.
void PushBox(std::vector<CssDeclaration>& out, std::array<P, 4> sides, std::string_view value, bool important) {
  auto parts = SplitCssValue(value);
  if (parts.empty() || parts.size() > 4) return;
  std::string_view v[4];
  v[0] = parts[0];
  v[1] = parts.size() > 1 ? parts[1] : v[0];
  v[2] = parts.size() > 2 ? parts[2] : v[0];
  v[3] = parts.size() > 3 ? parts[3] : v[1];
  for (int k = 0; k < 4; ++k) Push(out, sides[static_cast<std::size_t>(k)], v[k], important);
}

constexpr std::array<P, 4> kWidths{P::kBorderTopWidth, P::kBorderRightWidth, P::kBorderBottomWidth,
                                   P::kBorderLeftWidth};
constexpr std::array<P, 4> kStylesOf{P::kBorderTopStyle, P::kBorderRightStyle, P::kBorderBottomStyle,
                                     P::kBorderLeftStyle};
constexpr std::array<P, 4> kColors{P::kBorderTopColor, P::kBorderRightColor, P::kBorderBottomColor,
                                   P::kBorderLeftColor};

// border / border-top ...: width, style and colour in any order; missing parts reset to initial values.
void PushBorder(std::vector<CssDeclaration>& out, std::string_view value, bool important, int side) {
  std::string_view width = "medium", style = "none", color = "currentcolor";
  auto parts = SplitCssValue(value);
  if (parts.size() == 1 && (AsciiEqualsNoCase(parts[0], "inherit") || AsciiEqualsNoCase(parts[0], "initial"))) {
    width = style = color = parts[0];
  } else {
    for (auto part : parts) {
      if (IsBorderStyle(part))
        style = part;
      else if (IsBorderWidth(part))
        width = part;
      else if (ParseCssColor(part))
        color = part;
      else
        return;
    }
  }
  for (int k = 0; k < 4; ++k) {
    if (side >= 0 && side != k) continue;
    Push(out, kWidths[static_cast<std::size_t>(k)], width, important);
    Push(out, kStylesOf[static_cast<std::size_t>(k)], style, important);
    Push(out, kColors[static_cast<std::size_t>(k)], color, important);
  }
}

// font: [style] [variant] [weight] size[/line-height] family
void PushFont(std::vector<CssDeclaration>& out, std::string_view value, bool important) {
  auto parts = SplitCssValue(value);
  std::string_view style = "normal", weight = "normal";
  std::size_t i = 0;
  for (; i < parts.size(); ++i) {
    std::string lower = AsciiLower(parts[i]);
    if (lower == "italic" || lower == "oblique")
      style = parts[i];
    else if (lower == "bold" || lower == "bolder" || lower == "lighter" ||
             (lower.size() == 3 && lower[1] == '0' && lower[2] == '0'))
      weight = parts[i];
    else if (lower == "normal" || lower == "small-caps")
      continue;
    else
      break;
  }
  if (i >= parts.size()) return;  // system fonts (caption, menu) and broken values
  std::string_view size = parts[i];
  std::size_t slash = size.find('/');
  if (slash != std::string_view::npos) size = size.substr(0, slash);
  ++i;
  if (i < parts.size() && parts[i].front() == '/') ++i;  // "12px / 1.5"
  if (i < parts.size() && parts[i - 1] == "/") ++i;
  if (i >= parts.size()) return;  // a family is required
  const char* family_begin = parts[i].data();
  const char* family_end = parts.back().data() + parts.back().size();
  Push(out, P::kFontStyle, style, important);
  Push(out, P::kFontWeight, weight, important);
  Push(out, P::kFontSize, size, important);
  Push(out, P::kFontFamily, std::string_view(family_begin, static_cast<std::size_t>(family_end - family_begin)),
       important);
}

}  // namespace

std::vector<std::string_view> SplitCssValue(std::string_view value) {
  std::vector<std::string_view> parts;
  std::size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() &&
           (value[i] == ' ' || value[i] == '\t' || value[i] == '\n' || value[i] == '\r' || value[i] == '\f'))
      ++i;
    if (i >= value.size()) break;
    std::size_t start = i;
    int depth = 0;
    char quote = 0;
    for (; i < value.size(); ++i) {
      char c = value[i];
      if (quote) {
        if (c == quote) quote = 0;
        continue;
      }
      if (c == '"' || c == '\'')
        quote = c;
      else if (c == '(')
        ++depth;
      else if (c == ')')
        depth = depth > 0 ? depth - 1 : 0;
      else if (depth == 0 && (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'))
        break;
    }
    parts.push_back(value.substr(start, i - start));
  }
  return parts;
}

void CssParser::AddDeclaration(std::string_view name_in, std::string_view value, bool important,
                               std::vector<CssDeclaration>& out) {
  std::string name = AsciiLower(TrimCss(name_in));
  value = TrimCss(value);
  if (value.empty() || name.empty()) return;
  for (const auto& l : kLonghands) {
    if (name == l.name) {
      Push(out, l.property, value, important);
      return;
    }
  }
  if (name == "margin")
    PushBox(out, {P::kMarginTop, P::kMarginRight, P::kMarginBottom, P::kMarginLeft}, value, important);
  else if (name == "padding")
    PushBox(out, {P::kPaddingTop, P::kPaddingRight, P::kPaddingBottom, P::kPaddingLeft}, value, important);
  else if (name == "border-width")
    PushBox(out, kWidths, value, important);
  else if (name == "border-style")
    PushBox(out, kStylesOf, value, important);
  else if (name == "border-color")
    PushBox(out, kColors, value, important);
  else if (name == "border")
    PushBorder(out, value, important, -1);
  else if (name == "border-top")
    PushBorder(out, value, important, 0);
  else if (name == "border-right")
    PushBorder(out, value, important, 1);
  else if (name == "border-bottom")
    PushBorder(out, value, important, 2);
  else if (name == "border-left")
    PushBorder(out, value, important, 3);
  else if (name == "font")
    PushFont(out, value, important);
  else if (name == "background") {
    std::string_view color = "transparent";
    for (auto part : SplitCssValue(value)) {
      if (ParseCssColor(part)) color = part;
      if (AsciiEqualsNoCase(part, "inherit")) color = part;
    }
    Push(out, P::kBackgroundColor, color, important);
  } else if (name == "list-style") {
    for (auto part : SplitCssValue(value)) {
      std::string lower = AsciiLower(part);
      if (lower.find('(') != std::string::npos || lower == "inside" || lower == "outside") continue;
      Push(out, P::kListStyleType, part, important);
      break;
    }
  }
}

std::vector<CssDeclaration> CssParser::ParseDeclarations(std::string_view block) {
  std::vector<CssDeclaration> out;
  std::string cleaned;
  if (block.find("/*") != std::string_view::npos) {
    cleaned = StripComments(block);
    block = cleaned;
  }
  std::size_t i = 0;
  while (i < block.size()) {
    std::size_t end = FindTopLevel(block, i, ";");
    if (end == std::string_view::npos) end = block.size();
    std::string_view decl = block.substr(i, end - i);
    i = end + 1;
    std::size_t colon = decl.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view value = TrimCss(decl.substr(colon + 1));
    bool important = false;
    std::size_t bang = value.rfind('!');
    if (bang != std::string_view::npos && AsciiEqualsNoCase(TrimCss(value.substr(bang + 1)), "important")) {
      important = true;
      value = TrimCss(value.substr(0, bang));
    }
    AddDeclaration(decl.substr(0, colon), value, important, out);
  }
  return out;
}

std::shared_ptr<const CssStyleSheet> CssParser::ParseStyleSheetShared(std::string_view css) {
  constexpr std::size_t kMaxEntries = 64;
  constexpr std::size_t kMaxBytes = 8u << 20;
  static std::mutex mutex;
  static std::unordered_map<std::string, std::shared_ptr<const CssStyleSheet>> cache;
  static std::list<std::string> order;  // oldest first
  static std::size_t bytes = 0;
  std::string key(css);
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (auto it = cache.find(key); it != cache.end()) return it->second;
  }
  auto sheet = std::make_shared<const CssStyleSheet>(ParseStyleSheet(css));
  if (key.size() > kMaxBytes / 4) return sheet;
  std::lock_guard<std::mutex> lock(mutex);
  if (cache.emplace(key, sheet).second) {
    bytes += key.size();
    order.push_back(std::move(key));
    while (order.size() > kMaxEntries || bytes > kMaxBytes) {
      bytes -= order.front().size();
      cache.erase(order.front());
      order.pop_front();
    }
  }
  return sheet;
}

CssStyleSheet CssParser::ParseStyleSheet(std::string_view css) {
  CssStyleSheet sheet;
  std::string cleaned = StripComments(css);
  ParseBlockList(cleaned, sheet, 0);
  return sheet;
}

}  // namespace tomeshift::word
