#include "word/docx/docx_settings_part.h"

#include "word/docx/xml_writer.h"

namespace tomeshift::word {

std::string DocxSettingsPart::Write(const DocModel& doc) {
  XmlWriter x;
  x.Declaration();
  x.Start("w:settings");
  x.Attr("xmlns:w", "http://schemas.openxmlformats.org/wordprocessingml/2006/main");
  x.Empty("w:zoom", "w:percent", 100);
  // The table of contents carries page numbers of our own estimate; the word processor recomputes them.
  if (doc.properties.update_fields_on_open) x.Empty("w:updateFields", "w:val", "true");
  x.Empty("w:defaultTabStop", "w:val", 720);
  x.Empty("w:characterSpacingControl", "w:val", "doNotCompress");
  x.Start("w:compat");
  x.Start("w:compatSetting");
  x.Attr("w:name", "compatibilityMode");
  x.Attr("w:uri", "http://schemas.microsoft.com/office/word");
  x.Attr("w:val", "15");
  x.End();
  x.End();
  return x.TakeString();
}

}  // namespace tomeshift::word
