#include "text/font_spec.h"

#include <vector>

#include "text/text_utils.h"

namespace tomeshift {
namespace {

// The fields of a font description: commas act as line breaks, and so do CR, LF and CRLF already in
// the text, as in a list of lines; a break at the very end adds no empty field.
std::vector<std::u16string> SplitFields(std::u16string_view spec) {
  std::vector<std::u16string> fields;
  std::size_t i = 0;
  while (i < spec.size()) {
    const std::size_t start = i;
    while (i < spec.size() && spec[i] != u',' && spec[i] != u'\r' && spec[i] != u'\n') ++i;
    fields.emplace_back(spec.substr(start, i - start));
    if (i < spec.size() && spec[i] == u'\r') {
      ++i;
      if (i < spec.size() && spec[i] == u'\n') ++i;
    } else if (i < spec.size()) {
      ++i;
    }
  }
  return fields;
}

}  // namespace

std::u16string FontToSpec(const TFont& font) {
  std::u16string spec = font.Name;
  spec += u',';
  spec += IntToStr(font.Size);
  spec += u',';
  spec += IntToStr(static_cast<std::int32_t>(font.Color));
  spec += u",[";
  if (font.Bold) spec += u'B';
  if (font.Italic) spec += u'I';
  if (font.Underline) spec += u'U';
  if (font.StrikeOut) spec += u'S';
  spec += u']';
  return spec;
}

void SpecToFont(std::u16string_view spec, TFont& font) {
  const std::vector<std::u16string> fields = SplitFields(spec);
  if (fields.size() != 4) return;
  font.Name = fields[0];
  font.Size = StrToInt(fields[1]);
  font.Color = static_cast<std::uint32_t>(StrToInt(fields[2]));
  const std::u16string& style = fields[3];
  font.Bold = style.find(u'B') != std::u16string::npos;
  font.Italic = style.find(u'I') != std::u16string::npos;
  font.Underline = style.find(u'U') != std::u16string::npos;
  font.StrikeOut = style.find(u'S') != std::u16string::npos;
}

}  // namespace tomeshift
