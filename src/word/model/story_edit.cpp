#include "word/model/story_edit.h"

#include <unordered_map>

namespace tomeshift::word {

std::vector<std::size_t> ParagraphMarksIn(const Story& s, std::size_t start, std::size_t end) {
  std::vector<std::size_t> marks;
  const auto& t = s.text();
  if (t.empty()) return marks;
  start = std::min(start, t.size() - 1);
  if (end <= start) end = start + 1;
  for (std::size_t i = start; i < t.size(); ++i) {
    if (t[i] == ch::kParagraph || t[i] == ch::kSection) marks.push_back(i);
    if (IsBlockEnd(t[i]) && i + 1 >= end) break;
  }
  return marks;
}

void ApplyRunProps(DocModel& doc, Story& s, std::size_t start, std::size_t end,
                   const std::function<void(RunProps&)>& f) {
  std::unordered_map<std::uint32_t, std::uint32_t> done;
  end = std::min(end, s.size());
  for (std::size_t i = start; i < end; ++i) {
    char16_t c = s.at(i);
    if (IsBlockEnd(c) || IsObjectChar(c)) continue;
    CharAttr a = s.attr(i);
    auto it = done.find(a.fmt);
    if (it == done.end()) {
      RunProps p = doc.run(a.fmt);
      f(p);
      it = done.emplace(a.fmt, doc.InternRun(p)).first;
    }
    a.fmt = it->second;
    s.set_attr(i, a);
  }
}

void ApplyParaProps(DocModel& doc, Story& s, std::size_t start, std::size_t end,
                    const std::function<void(ParaProps&)>& f) {
  std::unordered_map<std::uint32_t, std::uint32_t> done;
  for (std::size_t m : ParagraphMarksIn(s, start, end)) {
    CharAttr a = s.attr(m);
    auto it = done.find(a.fmt);
    if (it == done.end()) {
      ParaProps p = doc.para(a.fmt);
      f(p);
      it = done.emplace(a.fmt, doc.InternPara(p)).first;
    }
    a.fmt = it->second;
    s.set_attr(m, a);
  }
}

namespace {
void Overlay(RunProps& base, const RunProps& top) {
  if (!top.font.empty()) base.font = top.font;
  if (top.size > 0) base.size = top.size;
  if (top.color != RunProps::kInheritColor) base.color = top.color;
  if (top.bold != kUnset) base.bold = top.bold;
  if (top.italic != kUnset) base.italic = top.italic;
  if (top.underline != kUnset) base.underline = top.underline;
  if (top.strike != kUnset) base.strike = top.strike;
  if (top.vert_align) base.vert_align = top.vert_align;
  if (!top.highlight.empty()) base.highlight = top.highlight;
}

void OverlayPara(ParaProps& base, const ParaProps& top) {
  if (top.alignment != kUnset) base.alignment = top.alignment;
  if (top.indent_left) base.indent_left = top.indent_left;
  if (top.indent_right) base.indent_right = top.indent_right;
  if (top.indent_first) base.indent_first = top.indent_first;
  if (top.space_before) base.space_before = top.space_before;
  if (top.space_after) base.space_after = top.space_after;
  if (top.line_spacing) base.line_spacing = top.line_spacing;
  if (top.outline_level) base.outline_level = top.outline_level;
  if (top.keep_next != kUnset) base.keep_next = top.keep_next;
  if (top.num_id) base.num_id = top.num_id, base.num_level = top.num_level;
}

template <typename F>
void StyleChain(const DocModel& doc, int style, F f) {
  std::vector<int> chain;
  for (int s = style; s >= 0 && s < static_cast<int>(doc.styles.size()) && chain.size() < 32; s = doc.style(s).based_on)
    chain.push_back(s);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) f(doc.style(*it));
}
}  // namespace

RunProps EffectiveStyleRunProps(const DocModel& doc, int style) {
  RunProps r;
  r.font = u"Calibri";
  r.size = 22;
  r.color = kAutoColor;
  r.bold = r.italic = r.underline = r.strike = 0;
  StyleChain(doc, style, [&](const StyleDef& d) { Overlay(r, d.run); });
  return r;
}

ParaProps EffectiveStyleParaProps(const DocModel& doc, int style) {
  ParaProps p;
  p.alignment = 0;
  p.outline_level = 10;
  p.keep_next = 0;
  StyleChain(doc, style, [&](const StyleDef& d) { OverlayPara(p, d.para); });
  p.style = style;
  return p;
}

RunProps EffectiveRunProps(const DocModel& doc, const Story& s, std::size_t pos) {
  pos = std::min(pos, s.size() - 1);
  std::size_t mark = s.BlockEnd(pos);
  int pstyle = s.at(mark) == ch::kTable ? 0 : doc.para(s.attr(mark).fmt).style;
  RunProps r = EffectiveStyleRunProps(doc, pstyle);
  if (IsBlockEnd(s.at(pos)) || IsObjectChar(s.at(pos))) return r;
  const RunProps& direct = doc.run(s.attr(pos).fmt);
  if (direct.char_style >= 0) StyleChain(doc, direct.char_style, [&](const StyleDef& d) { Overlay(r, d.run); });
  Overlay(r, direct);
  r.char_style = direct.char_style;
  return r;
}

std::uint32_t InsertionRunFormat(const Story& s, std::size_t pos) {
  auto plain = [&](std::size_t i) { return !IsBlockEnd(s.at(i)) && !IsObjectChar(s.at(i)); };
  if (pos > 0 && pos - 1 < s.size() && plain(pos - 1)) return s.attr(pos - 1).fmt;
  if (pos < s.size() && plain(pos)) return s.attr(pos).fmt;
  return 0;
}

std::u16string PlainText(const Story& s, std::size_t start, std::size_t end) {
  std::u16string out;
  end = std::min(end, s.size());
  for (std::size_t i = start; i < end; ++i) {
    char16_t c = s.at(i);
    if (c == ch::kTab || c == ch::kLineBreak)
      out += u' ';
    else if (!IsBlockEnd(c) && !IsObjectChar(c) && c != ch::kPageBreak)
      out += c;
  }
  return out;
}

}  // namespace tomeshift::word
