#include "word/docx/docx_relationships.h"

#include "word/docx/xml_writer.h"

namespace tomeshift::word {

std::string DocxRelationships::Add(const std::string& type, const std::string& target, bool external) {
  std::string id = "rId" + std::to_string(items_.size() + 1);
  items_.push_back(Item{id, type, target, external});
  return id;
}

std::string DocxRelationships::Write() const {
  XmlWriter x;
  x.Declaration();
  x.Start("Relationships");
  x.Attr("xmlns", "http://schemas.openxmlformats.org/package/2006/relationships");
  for (const auto& i : items_) {
    x.Start("Relationship");
    x.Attr("Id", i.id);
    x.Attr("Type", i.type);
    x.Attr("Target", i.target);
    if (i.external) x.Attr("TargetMode", "External");
    x.End();
  }
  return x.TakeString();
}

}  // namespace tomeshift::word
