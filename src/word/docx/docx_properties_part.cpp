#include "word/docx/docx_properties_part.h"

#include "word/docx/xml_writer.h"

namespace tomeshift::word {

std::u16string DocumentTitle(const DocModel& doc) {
  if (!doc.properties.title.empty()) return doc.properties.title;
  const auto& t = doc.main.text();
  std::u16string line;
  for (std::size_t i = 0; i < t.size() && line.size() < 255; ++i) {
    char16_t c = t[i];
    if (IsBlockEnd(c) || c == ch::kLineBreak || c == ch::kPageBreak) {
      if (!line.empty()) break;
      continue;
    }
    if (c >= 0x20 || c == ch::kTab) line += c == ch::kTab ? u' ' : c;
  }
  while (!line.empty() && line.back() == u' ') line.pop_back();
  while (!line.empty() && line.front() == u' ') line.erase(0, 1);
  return line;
}

std::string DocxPropertiesPart::WriteCore(const DocModel& doc, const std::string& created) {
  XmlWriter x;
  x.Declaration();
  x.Start("cp:coreProperties");
  x.Attr("xmlns:cp", "http://schemas.openxmlformats.org/package/2006/metadata/core-properties");
  x.Attr("xmlns:dc", "http://purl.org/dc/elements/1.1/");
  x.Attr("xmlns:dcterms", "http://purl.org/dc/terms/");
  x.Attr("xmlns:dcmitype", "http://purl.org/dc/dcmitype/");
  x.Attr("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
  x.Start("dc:title");
  x.Text(DocumentTitle(doc));
  x.End();
  x.Start("dc:creator");
  x.Text("Tomeshift");
  x.End();
  for (const char* name : {"dcterms:created", "dcterms:modified"}) {
    x.Start(name);
    x.Attr("xsi:type", "dcterms:W3CDTF");
    x.Text(created);
    x.End();
  }
  return x.TakeString();
}

std::string DocxPropertiesPart::WriteApp(const DocModel& doc, int pages) {
  XmlWriter x;
  x.Declaration();
  x.Start("Properties");
  x.Attr("xmlns", "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties");
  x.Attr("xmlns:vt", "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes");
  x.Start("Application");
  x.Text("Tomeshift");
  x.End();
  x.Start("Pages");
  x.Text(std::to_string(pages));
  x.End();
  x.Start("DocSecurity");
  x.Text("0");
  x.End();
  x.Start("AppVersion");
  x.Text("16.0000");
  x.End();
  return x.TakeString();
}

}  // namespace tomeshift::word
