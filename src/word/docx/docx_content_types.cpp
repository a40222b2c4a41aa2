#include "word/docx/docx_content_types.h"

#include "word/docx/xml_writer.h"

namespace tomeshift::word {

DocxContentTypes::DocxContentTypes() {
  AddDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
  AddDefault("xml", "application/xml");
}

void DocxContentTypes::AddDefault(const std::string& extension, const std::string& type) {
  for (const auto& d : defaults_)
    if (d.first == extension) return;
  defaults_.emplace_back(extension, type);
}

void DocxContentTypes::AddOverride(const std::string& part_name, const std::string& type) {
  overrides_.emplace_back(part_name, type);
}

std::string DocxContentTypes::Write() const {
  XmlWriter x;
  x.Declaration();
  x.Start("Types");
  x.Attr("xmlns", "http://schemas.openxmlformats.org/package/2006/content-types");
  for (const auto& [ext, type] : defaults_) {
    x.Start("Default");
    x.Attr("Extension", ext);
    x.Attr("ContentType", type);
    x.End();
  }
  for (const auto& [part, type] : overrides_) {
    x.Start("Override");
    x.Attr("PartName", part);
    x.Attr("ContentType", type);
    x.End();
  }
  return x.TakeString();
}

std::string ImageContentType(const std::string& f) {
  if (f == "wmf") return "image/x-wmf";
  if (f == "emf") return "image/x-emf";
  return "image/" + f;
}

}  // namespace tomeshift::word
