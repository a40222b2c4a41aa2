// Reads a produced .docx back for tests: its parts, parsed XML trees, and what end-to-end tests
// check most (headings, bookmarks, links, pictures, page setup).
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tomeshift::testing {

struct XmlNode {
  std::string name;
  std::map<std::string, std::string> attrs;
  std::vector<XmlNode> children;
  std::string text;  // character data directly inside this element

  const XmlNode* Child(std::string_view name) const;
  // Every descendant (depth first, document order) with this name.
  std::vector<const XmlNode*> All(std::string_view name) const;
  std::string Attr(std::string_view name) const;
  // The text of all descendant w:t, in order, with tabs and line breaks as \t and \n.
  std::string AllText() const;
};

// Throws std::runtime_error on malformed XML.
XmlNode ParseXml(std::string_view xml);

// Compares two trees (names, attributes, children, trimmed text); attributes named in `masked` are
// ignored (volatile ids). On a difference, *diff says where.
bool XmlEqual(const XmlNode& a, const XmlNode& b, std::string* diff, const std::vector<std::string>& masked = {});

class DocxReader {
 public:
  explicit DocxReader(const std::filesystem::path& path);  // throws std::runtime_error

  std::vector<std::string> PartNames() const;  // in package order
  bool HasPart(const std::string& name) const { return parts_.count(name) != 0; }
  const std::string& Part(const std::string& name) const;
  XmlNode Xml(const std::string& name) const { return ParseXml(Part(name)); }

  struct Paragraph {
    std::string style;  // style id, empty for Normal
    std::string text;
    std::string alignment;
  };
  // Paragraphs of the body in order, those in tables included.
  std::vector<Paragraph> Paragraphs() const;
  struct Heading {
    int level;
    std::string text;
  };
  std::vector<Heading> Headings() const;  // paragraphs styled Heading1..9
  std::vector<std::string> Bookmarks() const;
  std::vector<std::string> InternalLinks() const;  // w:anchor of w:hyperlink
  std::vector<std::string> ExternalLinks() const;  // targets of external hyperlinks
  struct Picture {
    bool floating = false;
    std::string embed_target;  // "media/image1.png", empty when not embedded
    std::string link_target;   // external target, empty when not linked
    long long cx = 0, cy = 0;  // EMU
  };
  std::vector<Picture> Pictures() const;
  struct Section {
    int width = 0, height = 0, top = 0, bottom = 0, left = 0, right = 0;  // twips
    bool has_header = false, has_footer = false;
    int page_start = 0;  // 0: not restarted
  };
  std::vector<Section> Sections() const;
  std::map<std::string, std::string> Relationships(const std::string& rels_part) const;  // id -> target

 private:
  std::vector<std::string> order_;
  std::map<std::string, std::string> parts_;
};

}  // namespace tomeshift::testing
