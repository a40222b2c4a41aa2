#include "word/docx/docx_styles_part.h"

#include "text/unicode.h"
#include "word/docx/docx_story_writer.h"
#include "word/docx/xml_writer.h"

namespace tomeshift::word {

std::string DocxStylesPart::Write(const DocModel& doc) {
  XmlWriter x;
  x.Declaration();
  x.Start("w:styles");
  x.Attr("xmlns:w", "http://schemas.openxmlformats.org/wordprocessingml/2006/main");
  x.Start("w:docDefaults");
  x.Start("w:rPrDefault");
  x.Start("w:rPr");
  x.Start("w:rFonts");
  x.Attr("w:ascii", "Calibri");
  x.Attr("w:hAnsi", "Calibri");
  x.Attr("w:eastAsia", "Calibri");
  x.Attr("w:cs", "Times New Roman");
  x.End();
  x.Empty("w:sz", "w:val", 22);
  x.Empty("w:szCs", "w:val", 22);
  x.Start("w:lang");
  x.Attr("w:val", "en-US");
  x.Attr("w:eastAsia", "en-US");
  x.Attr("w:bidi", "ar-SA");
  x.End();
  x.End();
  x.End();
  x.Empty("w:pPrDefault");
  x.End();
  for (std::size_t i = 0; i < doc.styles.size(); ++i) {
    const StyleDef& s = doc.styles[i];
    x.Start("w:style");
    static const char* kType[] = {"", "paragraph", "character", "table", "numbering"};
    x.Attr("w:type", kType[static_cast<int>(s.type)]);
    bool is_default = (s.type == StyleType::kParagraph && s.builtin == builtin::kNormal) ||
                      s.builtin == builtin::kDefaultParagraphFont || s.builtin == builtin::kNormalTable;
    if (is_default) x.Attr("w:default", "1");
    x.Attr("w:styleId", s.style_id);
    x.Empty("w:name", "w:val", U8(s.name));
    if (s.based_on >= 0 && s.based_on < static_cast<int>(doc.styles.size()) && s.based_on != static_cast<int>(i))
      x.Empty("w:basedOn", "w:val", U8(doc.style(s.based_on).style_id));
    if (s.next >= 0 && s.next < static_cast<int>(doc.styles.size()))
      x.Empty("w:next", "w:val", U8(doc.style(s.next).style_id));
    if (s.builtin >= builtin::kToc1 - 8 && s.builtin <= builtin::kToc1) {
      x.Empty("w:uiPriority", "w:val", 39);
      x.Empty("w:unhideWhenUsed");
    }
    if (s.builtin == builtin::kNormal || (s.builtin <= builtin::kHeading1 && s.builtin >= builtin::kHeading1 - 8))
      x.Empty("w:qFormat");
    if (s.type == StyleType::kParagraph) {
      ParaProps p = s.para;
      p.style = 0;
      if (s.num_id > 0) p.num_id = s.num_id;
      x.Start("w:pPr");
      DocxStoryWriter::WriteParaProps(x, doc, p, true);
      x.End();
    }
    if (s.type != StyleType::kTable) {
      RunProps r = s.run;
      r.char_style = -1;
      DocxStoryWriter::WriteRunProps(x, doc, r);
    } else {
      x.Start("w:tblPr");
      x.Empty("w:tblInd", "w:w", 0);
      x.Start("w:tblCellMar");
      for (const char* side : {"w:top", "w:left", "w:bottom", "w:right"}) {
        x.Start(side);
        x.Attr("w:w", (side[2] == 'l' || side[2] == 'r') ? 108 : 0);
        x.Attr("w:type", "dxa");
        x.End();
      }
      x.End();
      x.End();
    }
    x.End();
  }
  return x.TakeString();
}

}  // namespace tomeshift::word
