// One relationships part (_rels/.rels, word/_rels/document.xml.rels, ...).
#pragma once

#include <string>
#include <vector>

namespace tomeshift::word {

namespace rel {
inline constexpr const char* kOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr const char* kCoreProperties =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
inline constexpr const char* kExtendedProperties =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties";
inline constexpr const char* kStyles = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr const char* kNumbering =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering";
inline constexpr const char* kSettings = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings";
inline constexpr const char* kHeader = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/header";
inline constexpr const char* kFooter = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/footer";
inline constexpr const char* kImage = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
inline constexpr const char* kHyperlink =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink";
}  // namespace rel

class DocxRelationships {
 public:
  // Returns the new relationship's id ("rId1", ...).
  std::string Add(const std::string& type, const std::string& target, bool external = false);
  bool empty() const { return items_.empty(); }
  std::string Write() const;

 private:
  struct Item {
    std::string id, type, target;
    bool external;
  };
  std::vector<Item> items_;
};

}  // namespace tomeshift::word
