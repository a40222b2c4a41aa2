#include "word/import/html_import_defaults.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "text/text_utils.h"
#include "word/import/css/css_value.h"

namespace tomeshift::word {

namespace {

using Table = std::unordered_map<std::string, std::vector<CssDeclaration>>;

// The parts of the browsers' default style sheet that change what a page looks like on paper.
constexpr const char* kDefaultSheet[][2] = {
    {"html body div address center dl dt fieldset form figure figcaption section article aside nav header "
     "footer main hgroup details summary legend noframes menu dir listing xmp plaintext optgroup",
     "display:block"},
    {"p", "display:block; margin:1em 0"},
    {"blockquote", "display:block; margin:1em 40px"},
    {"figure", "margin:1em 40px"},
    {"dl", "margin:1em 0"},
    {"dd", "display:block; margin-left:40px"},
    {"ul menu dir", "display:block; margin:1em 0; padding-left:40px; list-style-type:disc"},
    {"ol", "display:block; margin:1em 0; padding-left:40px; list-style-type:decimal"},
    {"li", "display:list-item"},
    {"h1", "display:block; font-size:2em; font-weight:bold; margin:.67em 0"},
    {"h2", "display:block; font-size:1.5em; font-weight:bold; margin:.83em 0"},
    {"h3", "display:block; font-size:1.17em; font-weight:bold; margin:1em 0"},
    {"h4", "display:block; font-weight:bold; margin:1.33em 0"},
    {"h5", "display:block; font-size:.83em; font-weight:bold; margin:1.67em 0"},
    {"h6", "display:block; font-size:.67em; font-weight:bold; margin:2.33em 0"},
    {"pre listing xmp plaintext",
     "display:block; font-family:monospace; font-size:.8125em; white-space:pre; margin:1em 0"},
    {"code tt kbd samp", "font-family:monospace; font-size:.8125em"},
    {"address i em cite var dfn", "font-style:italic"},
    {"b strong th", "font-weight:bold"},
    {"u ins", "text-decoration:underline"},
    {"s strike del", "text-decoration:line-through"},
    {"sub", "vertical-align:sub; font-size:smaller"},
    {"sup", "vertical-align:super; font-size:smaller"},
    {"small", "font-size:smaller"},
    {"big", "font-size:larger"},
    {"center", "text-align:center"},
    {"mark", "background-color:yellow"},
    {"hr", "display:block; margin:.5em 0; border:1px inset gray"},
    {"table", "display:table"},
    {"caption", "display:table-caption; text-align:center"},
    {"thead tbody tfoot", "display:table-row-group"},
    {"tr", "display:table-row"},
    {"td th", "display:table-cell"},
    {"th", "text-align:center"},
    {"fieldset", "margin:0 2px; padding:.35em .75em .625em; border:2px groove silver"},
    {"head script style noscript template object embed iframe applet frame frameset input select textarea "
     "button option datalist title meta link base param source track area map audio video canvas noembed",
     "display:none"},
};

const Table& BuildTable() {
  static const Table table = [] {
    Table t;
    for (const auto& entry : kDefaultSheet) {
      auto decls = CssParser::ParseDeclarations(entry[1]);
      std::string tags = entry[0];
      std::size_t i = 0;
      while (i < tags.size()) {
        std::size_t j = tags.find(' ', i);
        if (j == std::string::npos) j = tags.size();
        auto& list = t[tags.substr(i, j - i)];
        list.insert(list.end(), decls.begin(), decls.end());
        i = j + 1;
      }
    }
    return t;
  }();
  return table;
}

void Hint(std::vector<CssDeclaration>& out, CssProperty p, std::string value) {
  out.push_back(CssDeclaration{p, false, std::move(value)});
}

// HTML's dimension attributes: "120", "120px", "50%".
bool DimensionValue(std::string_view attr, std::string& out) {
  std::string_view v = TrimCss(attr);
  std::size_t n = 0;
  while (n < v.size() && ((v[n] >= '0' && v[n] <= '9') || v[n] == '.')) ++n;
  if (n == 0) return false;
  std::string number(v.substr(0, n));
  if (n < v.size() && v[n] == '%')
    out = number + "%";
  else
    out = number + "px";
  return true;
}

std::string ColorText(std::uint32_t rgb) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
  return buf;
}

// sides: top, right, bottom, left.
void SideHints(std::vector<CssDeclaration>& out, const bool (&sides)[4], const std::string& width, const char* style) {
  static constexpr CssProperty kWidths[] = {CssProperty::kBorderTopWidth, CssProperty::kBorderRightWidth,
                                            CssProperty::kBorderBottomWidth, CssProperty::kBorderLeftWidth};
  static constexpr CssProperty kStyles[] = {CssProperty::kBorderTopStyle, CssProperty::kBorderRightStyle,
                                            CssProperty::kBorderBottomStyle, CssProperty::kBorderLeftStyle};
  static constexpr CssProperty kColors[] = {CssProperty::kBorderTopColor, CssProperty::kBorderRightColor,
                                            CssProperty::kBorderBottomColor, CssProperty::kBorderLeftColor};
  for (int k = 0; k < 4; ++k) {
    if (!sides[k]) continue;
    Hint(out, kWidths[k], width);
    Hint(out, kStyles[k], style);
    Hint(out, kColors[k], "gray");
  }
}

// The border and frame attributes draw the table's own edges, as browsers' presentational hints do.
void TableFrameHints(const HtmlNode& e, std::vector<CssDeclaration>& out) {
  const std::string* border = e.FindAttribute("border");
  const std::string* frame = e.FindAttribute("frame");
  int px = 0;
  if (border) px = TrimCss(*border).empty() ? 1 : std::max(0, std::atoi(border->c_str()));
  if (frame && px == 0) px = 1;
  if (px == 0) return;
  bool sides[4] = {true, true, true, true};
  if (frame) {
    const std::string f = AsciiLower(TrimCss(*frame));
    const bool top = f == "above" || f == "hsides" || f == "box" || f == "border";
    const bool bottom = f == "below" || f == "hsides" || f == "box" || f == "border";
    const bool left = f == "lhs" || f == "vsides" || f == "box" || f == "border";
    const bool right = f == "rhs" || f == "vsides" || f == "box" || f == "border";
    sides[0] = top, sides[1] = right, sides[2] = bottom, sides[3] = left;
  }
  SideHints(out, sides, std::to_string(px) + "px", "outset");
}

}  // namespace

void HtmlImportDefaults::AddCellRuleHints(const HtmlNode& table, bool first_row, bool last_row, bool group_start,
                                          bool group_end, std::vector<CssDeclaration>& out) {
  // rules decides the lines between cells (not along the table's edge, which frame draws); without
  // it, a border attribute rules every cell.
  bool sides[4] = {false, false, false, false};
  if (const std::string* rules = table.FindAttribute("rules")) {
    const std::string r = AsciiLower(TrimCss(*rules));
    const bool rows = r == "rows" || r == "all", cols = r == "cols" || r == "all";
    sides[0] = !first_row && (rows || (r == "groups" && group_start));
    sides[2] = !last_row && (rows || (r == "groups" && group_end));
    sides[1] = sides[3] = cols;
    SideHints(out, sides, "1px", "solid");
    return;
  }
  const std::string* border = table.FindAttribute("border");
  if (!border || (!TrimCss(*border).empty() && std::atoi(border->c_str()) <= 0)) return;
  for (bool& side : sides) side = true;
  SideHints(out, sides, "1px", "inset");
}

const std::vector<CssDeclaration>& HtmlImportDefaults::ForTag(const std::string& tag) {
  static const std::vector<CssDeclaration> kNone;
  const Table& t = BuildTable();
  auto it = t.find(tag);
  return it == t.end() ? kNone : it->second;
}

bool HtmlImportDefaults::IsNeverRendered(const std::string& tag) {
  static const std::unordered_set<std::string> kTags = {
      "head",     "script", "style",  "noscript", "template", "object", "embed",    "iframe", "applet", "frame",
      "frameset", "input",  "select", "textarea", "button",   "option", "datalist", "title",  "meta",   "link",
      "base",     "param",  "source", "track",    "area",     "map",    "audio",    "video",  "canvas", "noembed"};
  return kTags.count(tag) != 0;
}

void HtmlImportDefaults::AddHints(const HtmlNode& e, int list_depth, std::vector<CssDeclaration>& out) {
  const std::string& tag = e.tag;
  for (const auto& a : e.attributes) {
    const std::string& name = a.name;
    const std::string& value = a.value;
    if (name == "align") {
      std::string v = AsciiLower(TrimCss(value));
      if (tag == "img" || tag == "object") {
        if (v == "left" || v == "right")
          Hint(out, CssProperty::kFloat, v);
        else if (v == "middle" || v == "absmiddle")
          Hint(out, CssProperty::kVerticalAlign, "middle");
      } else if (tag == "table") {
        if (v == "left" || v == "right")
          Hint(out, CssProperty::kFloat, v);
        else if (v == "center")
          Hint(out, CssProperty::kMarginLeft, "auto"), Hint(out, CssProperty::kMarginRight, "auto");
      } else if (v == "left" || v == "right" || v == "center" || v == "justify" || v == "middle") {
        Hint(out, CssProperty::kTextAlign, v == "middle" ? "center" : v);
      }
    } else if (name == "bgcolor") {
      if (auto c = ParseHtmlColor(value)) Hint(out, CssProperty::kBackgroundColor, ColorText(*c));
    } else if (name == "text" && tag == "body") {
      if (auto c = ParseHtmlColor(value)) Hint(out, CssProperty::kColor, ColorText(*c));
    } else if (name == "color" && tag == "font") {
      if (auto c = ParseHtmlColor(value)) Hint(out, CssProperty::kColor, ColorText(*c));
    } else if (name == "face" && tag == "font") {
      Hint(out, CssProperty::kFontFamily, value);
    } else if (name == "size" && tag == "font") {
      std::string_view v = TrimCss(value);
      if (!v.empty()) {
        int n = std::atoi(std::string(v[0] == '+' ? v.substr(1) : v).c_str());
        int step = v[0] == '+' ? 3 + n : v[0] == '-' ? 3 + n : n;
        if (step < 1) step = 1;
        if (step > 7) step = 7;
        static constexpr const char* kSizes[] = {"x-small", "small",    "medium",   "large",
                                                 "x-large", "xx-large", "xxx-large"};
        if (v[0] == '+' || v[0] == '-' || (v[0] >= '0' && v[0] <= '9'))
          Hint(out, CssProperty::kFontSize, kSizes[step - 1]);
      }
    } else if ((name == "width" || name == "height") &&
               (tag == "img" || tag == "table" || tag == "td" || tag == "th" || tag == "col" || tag == "hr")) {
      std::string dim;
      if (DimensionValue(value, dim)) Hint(out, name == "width" ? CssProperty::kWidth : CssProperty::kHeight, dim);
    } else if (name == "valign" && (tag == "td" || tag == "th" || tag == "tr" || tag == "tbody" || tag == "thead")) {
      Hint(out, CssProperty::kVerticalAlign, AsciiLower(TrimCss(value)));
    } else if (name == "border" && tag == "img") {
      std::string dim;
      if (DimensionValue(value, dim)) Hint(out, CssProperty::kBorderTopWidth, dim);
    } else if (name == "type" && (tag == "ol" || tag == "ul" || tag == "li")) {
      std::string_view v = TrimCss(value);
      const char* type = nullptr;
      if (v == "1")
        type = "decimal";
      else if (v == "a")
        type = "lower-alpha";
      else if (v == "A")
        type = "upper-alpha";
      else if (v == "i")
        type = "lower-roman";
      else if (v == "I")
        type = "upper-roman";
      else if (AsciiEqualsNoCase(v, "disc"))
        type = "disc";
      else if (AsciiEqualsNoCase(v, "circle"))
        type = "circle";
      else if (AsciiEqualsNoCase(v, "square"))
        type = "square";
      if (type) Hint(out, CssProperty::kListStyleType, type);
    } else if (name == "nowrap" && (tag == "td" || tag == "th")) {
      Hint(out, CssProperty::kWhiteSpace, "nowrap");
    } else if (name == "href" && tag == "a") {
      Hint(out, CssProperty::kColor, "#0000EE");
      Hint(out, CssProperty::kTextDecoration, "underline");
    } else if (name == "hidden") {
      Hint(out, CssProperty::kDisplay, "none");
    }
  }
  if (tag == "table") TableFrameHints(e, out);
  // Lists inside lists have no vertical margins, and bullets change with depth.
  if ((tag == "ul" || tag == "ol" || tag == "menu" || tag == "dir") && list_depth > 0) {
    Hint(out, CssProperty::kMarginTop, "0");
    Hint(out, CssProperty::kMarginBottom, "0");
    if (tag != "ol" && !e.FindAttribute("type"))
      Hint(out, CssProperty::kListStyleType, list_depth == 1 ? "circle" : "square");
  }
}

}  // namespace tomeshift::word
