#include "word/model/document_model.h"

#include <functional>

#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift::word {

namespace {

void Mix(std::size_t& h, std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); }

StyleDef Paragraph(std::u16string name, std::u16string id, int builtin) {
  StyleDef s;
  s.name = std::move(name);
  s.style_id = std::move(id);
  s.builtin = builtin;
  s.based_on = builtin == builtin::kNormal ? -1 : 0;
  return s;
}

}  // namespace

std::size_t DocModel::RunHash::operator()(const RunProps& p) const {
  std::size_t h = std::hash<std::u16string>()(p.font);
  Mix(h, static_cast<std::size_t>(p.size));
  Mix(h, static_cast<std::size_t>(p.color));
  Mix(h, static_cast<std::size_t>((p.bold + 2) | (p.italic + 2) << 2 | (p.underline + 2) << 4 | (p.strike + 2) << 6 |
                                  p.vert_align << 8));
  Mix(h, std::hash<std::string>()(p.highlight));
  Mix(h, static_cast<std::size_t>(p.char_style));
  return h;
}

std::size_t DocModel::ParaHash::operator()(const ParaProps& p) const {
  std::size_t h = static_cast<std::size_t>(p.style);
  Mix(h, static_cast<std::size_t>(p.alignment + 2));
  for (const auto& o : {p.indent_left, p.indent_right, p.indent_first, p.space_before, p.space_after, p.line_spacing})
    Mix(h, o ? static_cast<std::size_t>(*o) + 7 : 3);
  Mix(h, static_cast<std::size_t>(p.outline_level | (p.keep_next + 2) << 4 | (p.page_break_before + 2) << 6));
  Mix(h, static_cast<std::size_t>(p.num_id * 16 + p.num_level));
  for (const auto& t : p.tabs) Mix(h, static_cast<std::size_t>(t.pos * 16 + t.align * 4 + t.leader));
  Mix(h, static_cast<std::size_t>(p.shading));
  Mix(h, static_cast<std::size_t>(p.border_bottom) * 31 + static_cast<std::size_t>(p.border_bottom_color));
  return h;
}

DocModel::DocModel() {
  InternRun(RunProps{});
  InternPara(ParaProps{});
  main.set_attr(0, CharAttr{0, 0});

  // The defaults of a blank document of the word processor this model stands in for.
  StyleDef normal = Paragraph(u"Normal", u"Normal", builtin::kNormal);
  normal.run.font = u"Calibri";
  normal.run.size = 22;
  normal.para.space_after = 160;
  normal.para.line_spacing = 259;
  styles.push_back(normal);
  static const int kHeadingSizes[9] = {32, 26, 24, 22, 22, 22, 22, 21, 21};
  for (int n = 1; n <= 9; ++n) {
    StyleDef h = Paragraph(u"Heading " + U16(std::to_string(n)), u"Heading" + U16(std::to_string(n)),
                           builtin::kHeading1 + 1 - n);
    h.next = 0;
    h.run.font = u"Calibri Light";
    h.run.size = kHeadingSizes[n - 1];
    h.run.color = (n == 3 || n == 6 || n == 7) ? 0x1F3763 : 0x2F5496;
    if (n == 4 || n == 7 || n == 9) h.run.italic = 1;
    h.para.space_before = n == 1 ? 240 : 40;
    h.para.space_after = 0;
    h.para.keep_next = 1;
    h.para.outline_level = static_cast<std::int8_t>(n);
    styles.push_back(h);
  }
  for (int n = 1; n <= 9; ++n) {
    StyleDef t = Paragraph(u"TOC " + U16(std::to_string(n)), u"TOC" + U16(std::to_string(n)), builtin::kToc1 + 1 - n);
    t.next = 0;
    t.para.indent_left = (n - 1) * 220;
    t.para.space_after = 100;
    styles.push_back(t);
  }
  StyleDef header = Paragraph(u"header", u"Header", builtin::kHeader);
  header.para.tabs = {TabStop{4513, 1, 0}, TabStop{9026, 2, 0}};
  header.para.space_after = 0;
  header.para.line_spacing = 240;
  styles.push_back(header);
  StyleDef footer = header;
  footer.name = u"footer";
  footer.style_id = u"Footer";
  footer.builtin = builtin::kFooter;
  styles.push_back(footer);
  StyleDef title = Paragraph(u"Title", u"Title", builtin::kTitle);
  title.run.font = u"Calibri Light";
  title.run.size = 56;
  title.para.space_after = 0;
  styles.push_back(title);
  StyleDef dpf;
  dpf.name = u"Default Paragraph Font";
  dpf.style_id = u"DefaultParagraphFont";
  dpf.type = StyleType::kCharacter;
  dpf.builtin = builtin::kDefaultParagraphFont;
  styles.push_back(dpf);
  StyleDef link = dpf;
  link.name = u"Hyperlink";
  link.style_id = u"Hyperlink";
  link.builtin = builtin::kHyperlink;
  link.based_on = StyleByBuiltin(builtin::kDefaultParagraphFont);
  link.run.color = 0x0563C1;
  link.run.underline = 1;
  styles.push_back(link);
  StyleDef table;
  table.name = u"Normal Table";
  table.style_id = u"TableNormal";
  table.type = StyleType::kTable;
  table.builtin = builtin::kNormalTable;
  styles.push_back(table);
}

std::uint32_t DocModel::InternRun(const RunProps& p) {
  auto [it, added] = run_ids_.try_emplace(p, static_cast<std::uint32_t>(runs_.size()));
  if (added) runs_.push_back(p);
  return it->second;
}

std::uint32_t DocModel::InternPara(const ParaProps& p) {
  auto [it, added] = para_ids_.try_emplace(p, static_cast<std::uint32_t>(paras_.size()));
  if (added) paras_.push_back(p);
  return it->second;
}

int DocModel::StyleByName(std::u16string_view name) const {
  for (std::size_t i = 0; i < styles.size(); ++i)
    if (AsciiEqualsNoCase(styles[i].name, name)) return static_cast<int>(i);
  return -1;
}

int DocModel::StyleByBuiltin(int index) const {
  for (std::size_t i = 0; i < styles.size(); ++i)
    if (styles[i].builtin == index) return static_cast<int>(i);
  return -1;
}

int DocModel::AddStyle(StyleDef def) {
  int found = StyleByName(def.name);
  if (found >= 0) return found;
  if (def.style_id.empty())
    for (char16_t c : def.name)
      if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) def.style_id += c;
  if (def.style_id.empty()) def.style_id = u"Style";
  // Style ids are unique in the styles part.
  std::u16string id = def.style_id;
  for (int n = 2;; ++n) {
    bool clash = false;
    for (const auto& s : styles) clash = clash || AsciiEqualsNoCase(s.style_id, id);
    if (!clash) break;
    id = def.style_id + U16(std::to_string(n));
  }
  def.style_id = id;
  styles.push_back(std::move(def));
  return static_cast<int>(styles.size() - 1);
}

int DocModel::EffectiveOutlineLevel(const ParaProps& p) const {
  if (p.outline_level > 0) return p.outline_level;
  for (int s = p.style, guard = 0; s >= 0 && guard < 32; s = styles[static_cast<std::size_t>(s)].based_on, ++guard)
    if (styles[static_cast<std::size_t>(s)].para.outline_level > 0)
      return styles[static_cast<std::size_t>(s)].para.outline_level;
  return 10;
}

int DocModel::EffectiveFontSize(std::uint32_t run_id, int para_style) const {
  if (runs_[run_id].size > 0) return runs_[run_id].size;
  for (int s = para_style, guard = 0; s >= 0 && guard < 32; s = styles[static_cast<std::size_t>(s)].based_on, ++guard)
    if (styles[static_cast<std::size_t>(s)].run.size > 0) return styles[static_cast<std::size_t>(s)].run.size;
  return 22;
}

SectionProps& DocModel::SectionAt(std::size_t pos) {
  const auto& t = main.text();
  for (std::size_t i = pos; i < t.size(); ++i)
    if (t[i] == ch::kSection) return sections[main.attr(i).obj];
  return final_section;
}

}  // namespace tomeshift::word
