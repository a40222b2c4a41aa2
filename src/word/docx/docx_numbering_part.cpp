#include "word/docx/docx_numbering_part.h"

#include "word/docx/xml_writer.h"

namespace tomeshift::word {

std::string DocxNumberingPart::Write(const DocModel& doc) {
  XmlWriter x;
  x.Declaration();
  x.Start("w:numbering");
  x.Attr("xmlns:w", "http://schemas.openxmlformats.org/wordprocessingml/2006/main");
  for (std::size_t n = 0; n < doc.lists.size(); ++n) {
    x.Start("w:abstractNum");
    x.Attr("w:abstractNumId", static_cast<long long>(n));
    x.Empty("w:multiLevelType", "w:val", "hybridMultilevel");
    const auto& levels = doc.lists[n].levels;
    for (int l = 0; l < 9; ++l) {
      ListLevel lv = l < static_cast<int>(levels.size()) ? levels[static_cast<std::size_t>(l)]
                                                         : (levels.empty() ? ListLevel{} : levels.back());
      if (l >= static_cast<int>(levels.size()) && lv.format != "bullet")
        lv.text = u"%" + std::u16string(1, static_cast<char16_t>(u'1' + l)) + u".";
      x.Start("w:lvl");
      x.Attr("w:ilvl", l);
      x.Empty("w:start", "w:val", lv.start);
      x.Empty("w:numFmt", "w:val", lv.format);
      x.Start("w:lvlText");
      x.Attr("w:val", lv.text);
      x.End();
      x.Empty("w:lvlJc", "w:val", "left");
      x.Start("w:pPr");
      x.Start("w:ind");
      x.Attr("w:left", 720 * (l + 1));
      x.Attr("w:hanging", 360);
      x.End();
      x.End();
      if (lv.format == "bullet") {
        x.Start("w:rPr");
        x.Start("w:rFonts");
        x.Attr("w:ascii", "Symbol");
        x.Attr("w:hAnsi", "Symbol");
        x.Attr("w:hint", "default");
        x.End();
        x.End();
      }
      x.End();
    }
    x.End();
  }
  for (std::size_t n = 0; n < doc.lists.size(); ++n) {
    x.Start("w:num");
    x.Attr("w:numId", static_cast<long long>(n + 1));
    x.Empty("w:abstractNumId", "w:val", static_cast<long long>(n));
    x.End();
  }
  return x.TakeString();
}

}  // namespace tomeshift::word
