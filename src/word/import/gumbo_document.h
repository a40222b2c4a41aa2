// An HTML page parsed as browsers parse it (HTML5 tree construction), held as a small tree of our
// own so that nothing outside this pair depends on the parser library.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tomeshift::word {

struct HtmlAttribute {
  std::string name;   // lower case
  std::string value;  // UTF-8, character references decoded
};

class HtmlNode {
 public:
  enum class Kind : std::uint8_t { kElement, kText };

  Kind kind = Kind::kElement;
  std::string tag;   // elements: lower-case name ("p", "my-widget")
  std::string text;  // text nodes: UTF-8, character references decoded
  std::vector<HtmlAttribute> attributes;
  std::vector<HtmlNode*> children;
  HtmlNode* parent = nullptr;
  std::uint32_t index_in_parent = 0;

  bool IsElement() const { return kind == Kind::kElement; }
  bool Is(std::string_view name) const { return kind == Kind::kElement && tag == name; }
  // nullptr when the attribute is absent (an empty value is present).
  const std::string* FindAttribute(std::string_view name) const;
  std::string_view Attribute(std::string_view name) const;
  // Classes (and ids, in the selector) match without regard to case, as in quirks-mode pages.
  bool HasClass(std::string_view name) const;
  // The element sibling before this one, or nullptr.
  const HtmlNode* PreviousElementSibling() const;
};

class GumboDocument {
 public:
  // Parses UTF-8 text; never fails (HTML5 parsing recovers from every error). Comments are dropped.
  explicit GumboDocument(std::string_view utf8);
  GumboDocument(const GumboDocument&) = delete;
  GumboDocument& operator=(const GumboDocument&) = delete;

  const HtmlNode& root() const { return *root_; }  // the html element
  const HtmlNode* head() const { return head_; }
  const HtmlNode* body() const { return body_; }  // a body or frameset element, or nullptr

 private:
  HtmlNode* NewNode();

  std::deque<HtmlNode> nodes_;
  HtmlNode* root_ = nullptr;
  const HtmlNode* head_ = nullptr;
  const HtmlNode* body_ = nullptr;
  friend class GumboTreeCopier;
};

}  // namespace tomeshift::word
