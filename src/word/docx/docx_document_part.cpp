#include "word/docx/docx_document_part.h"

#include "word/docx/xml_writer.h"

namespace tomeshift::word {

void DocxDocumentPart::DeclareNamespaces(XmlWriter& x) {
  x.Attr("xmlns:w", "http://schemas.openxmlformats.org/wordprocessingml/2006/main");
  x.Attr("xmlns:r", "http://schemas.openxmlformats.org/officeDocument/2006/relationships");
  x.Attr("xmlns:wp", "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing");
  x.Attr("xmlns:a", "http://schemas.openxmlformats.org/drawingml/2006/main");
  x.Attr("xmlns:pic", "http://schemas.openxmlformats.org/drawingml/2006/picture");
}

void DocxDocumentPart::WriteSectionProps(XmlWriter& x, const SectionProps& s, const std::map<int, std::string>& hf) {
  x.Start("w:sectPr");
  if (auto it = hf.find(s.header); s.header >= 0 && it != hf.end()) {
    x.Start("w:headerReference");
    x.Attr("w:type", "default");
    x.Attr("r:id", it->second);
    x.End();
  }
  if (auto it = hf.find(s.footer); s.footer >= 0 && it != hf.end()) {
    x.Start("w:footerReference");
    x.Attr("w:type", "default");
    x.Attr("r:id", it->second);
    x.End();
  }
  x.Start("w:pgSz");
  x.Attr("w:w", s.page.width);
  x.Attr("w:h", s.page.height);
  if (s.page.width > s.page.height) x.Attr("w:orient", "landscape");
  x.End();
  x.Start("w:pgMar");
  x.Attr("w:top", s.page.top);
  x.Attr("w:right", s.page.right);
  x.Attr("w:bottom", s.page.bottom);
  x.Attr("w:left", s.page.left);
  x.Attr("w:header", s.page.header_distance);
  x.Attr("w:footer", s.page.footer_distance);
  x.Attr("w:gutter", 0);
  x.End();
  if (s.page.line_numbering) {
    x.Start("w:lnNumType");
    x.Attr("w:countBy", 1);
    x.Attr("w:restart", "continuous");
    x.End();
  }
  if (s.numbering.restart) x.Empty("w:pgNumType", "w:start", s.numbering.start);
  x.Empty("w:cols", "w:space", 708);
  x.End();
}

std::vector<std::string> DocxDocumentPart::Write(const DocModel& doc, DocxRelationships& rels, DocxMedia& media,
                                                 DocxCounters& counters, const std::map<int, std::string>& hf_ids) {
  XmlWriter x;
  x.Declaration();
  x.Start("w:document");
  DeclareNamespaces(x);
  x.Start("w:body");
  DocxStoryWriter story(doc, x, rels, media, counters);
  const auto& fs = doc.final_section.page;
  story.SetTextWidth(fs.width - fs.left - fs.right);
  story.SetSectionWriter([&](const SectionProps& s) { WriteSectionProps(x, s, hf_ids); });
  story.WriteStory(doc.main);
  WriteSectionProps(x, doc.final_section, hf_ids);
  return x.TakeChunks();
}

std::string DocxHeaderFooterPart::Write(const DocModel& doc, const Story& story, bool header, DocxRelationships& rels,
                                        DocxMedia& media, DocxCounters& counters) {
  XmlWriter x;
  x.Declaration();
  x.Start(header ? "w:hdr" : "w:ftr");
  DocxDocumentPart::DeclareNamespaces(x);
  DocxStoryWriter w(doc, x, rels, media, counters);
  const auto& fs = doc.final_section.page;
  w.SetTextWidth(fs.width - fs.left - fs.right);
  w.WriteStory(story);
  return x.TakeString();
}

}  // namespace tomeshift::word
