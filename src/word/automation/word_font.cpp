#include "word/automation/word_font.h"

#include <cmath>

#include "word/automation/word_style.h"
#include "word/model/story_edit.h"

namespace tomeshift::word {

int ToWordColor(std::int32_t rgb) {
  if (rgb < 0) return kWdColorAutomatic;
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

std::int32_t FromWordColor(int c) {
  if (c < 0) return kAutoColor;
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

RunProps Font::Current() const {
  if (t_.style >= 0) return EffectiveStyleRunProps(*t_.doc, t_.style);
  return EffectiveRunProps(*t_.doc, *t_.story, t_.pos->start);
}

void Font::Change(const std::function<void(RunProps&)>& f) {
  if (t_.style >= 0) {
    f(t_.doc->styles[static_cast<std::size_t>(t_.style)].run);
    return;
  }
  ApplyRunProps(*t_.doc, *t_.story, t_.pos->start, t_.pos->end, f);
}

std::u16string Font::Name() const { return Current().font; }
void Font::SetName(const std::u16string& name) {
  Change([&](RunProps& p) { p.font = name; });
}
double Font::Size() const { return Current().size / 2.0; }
void Font::SetSize(double points) {
  int hp = static_cast<int>(std::lround(points * 2));
  if (hp < 2 || hp > 3276) throw std::invalid_argument("The font size is out of range.");
  Change([&](RunProps& p) { p.size = hp; });
}
int Font::Color() const { return ToWordColor(Current().color); }
void Font::SetColor(int c) {
  Change([&](RunProps& p) { p.color = FromWordColor(c); });
}
bool Font::Bold() const { return Current().bold == 1; }
void Font::SetBold(bool on) {
  Change([&](RunProps& p) { p.bold = on ? 1 : 0; });
}
bool Font::Italic() const { return Current().italic == 1; }
void Font::SetItalic(bool on) {
  Change([&](RunProps& p) { p.italic = on ? 1 : 0; });
}
int Font::Underline() const { return Current().underline == 1 ? 1 : 0; }
void Font::SetUnderline(int kind) {
  Change([&](RunProps& p) { p.underline = kind ? 1 : 0; });
}
void Font::SetStrikeThrough(bool on) {
  Change([&](RunProps& p) { p.strike = on ? 1 : 0; });
}
void Font::SetSuperscript(bool on) {
  Change([&](RunProps& p) { p.vert_align = on ? 1 : 0; });
}
void Font::SetSubscript(bool on) {
  Change([&](RunProps& p) { p.vert_align = on ? 2 : 0; });
}

ParaProps ParagraphFormat::Current() const {
  if (t_.style >= 0) return EffectiveStyleParaProps(*t_.doc, t_.style);
  const Story& s = *t_.story;
  auto marks = ParagraphMarksIn(s, t_.pos->start, t_.pos->end);
  if (marks.empty()) return EffectiveStyleParaProps(*t_.doc, 0);
  const ParaProps& direct = t_.doc->para(s.attr(marks.front()).fmt);
  ParaProps p = EffectiveStyleParaProps(*t_.doc, direct.style);
  if (direct.alignment != kUnset) p.alignment = direct.alignment;
  if (direct.outline_level) p.outline_level = direct.outline_level;
  if (direct.keep_next != kUnset) p.keep_next = direct.keep_next;
  return p;
}

void ParagraphFormat::Change(const std::function<void(ParaProps&)>& f) {
  if (t_.style >= 0) {
    f(t_.doc->styles[static_cast<std::size_t>(t_.style)].para);
    return;
  }
  ApplyParaProps(*t_.doc, *t_.story, t_.pos->start, t_.pos->end, f);
}

int ParagraphFormat::Alignment() const { return Current().alignment; }
void ParagraphFormat::SetAlignment(int a) {
  if (a < 0 || a > 3) throw std::invalid_argument("The alignment is out of range.");
  Change([&](ParaProps& p) { p.alignment = static_cast<std::int8_t>(a); });
}
int ParagraphFormat::OutlineLevel() const { return Current().outline_level; }
void ParagraphFormat::SetOutlineLevel(int level) {
  if (level < 1 || level > 10) throw std::invalid_argument("The outline level is out of range.");
  Change([&](ParaProps& p) { p.outline_level = static_cast<std::int8_t>(level); });
}
Style ParagraphFormat::GetStyle() const { return Style(t_.doc, t_.style >= 0 ? t_.style : Current().style); }
void ParagraphFormat::SetStyle(int builtin_index) {
  int s = ResolveStyle(*t_.doc, builtin_index);
  Change([&](ParaProps& p) { p.style = s; });
}
void ParagraphFormat::SetStyle(const Style& style) {
  int s = Styles(t_.doc).Item(style).index();
  Change([&](ParaProps& p) { p.style = s; });
}
void ParagraphFormat::SetKeepWithNext(bool on) {
  Change([&](ParaProps& p) { p.keep_next = on ? 1 : 0; });
}

}  // namespace tomeshift::word
