#include "word/import/gumbo_document.h"

#include <gumbo.h>

#include <memory>

#include "text/text_utils.h"
namespace tomeshift::word {

namespace {

struct GumboOutputDeleter {
  void operator()(GumboOutput* output) const { gumbo_destroy_output(&kGumboDefaultOptions, output); }
};
using GumboOutputPtr = std::unique_ptr<GumboOutput, GumboOutputDeleter>;

void AppendLower(std::string& out, const char* data, std::size_t size) {
  out.reserve(out.size() + size);
  for (std::size_t i = 0; i < size; ++i) {
    out.push_back(AsciiLowerChar(data[i]));
  }
}

std::string TagName(const GumboElement& element) {
  if (element.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(element.tag);
  GumboStringPiece piece = element.original_tag;
  gumbo_tag_from_original_text(&piece);
  std::string name;
  AppendLower(name, piece.data, piece.length);
  return name;
}

}  // namespace

const std::string* HtmlNode::FindAttribute(std::string_view name) const {
  for (const auto& a : attributes) {
    if (a.name == name) return &a.value;
  }
  return nullptr;
}

std::string_view HtmlNode::Attribute(std::string_view name) const {
  const std::string* v = FindAttribute(name);
  return v ? std::string_view(*v) : std::string_view();
}

bool HtmlNode::HasClass(std::string_view name) const {
  std::string_view list = Attribute("class");
  std::size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() &&
           (list[i] == ' ' || list[i] == '\t' || list[i] == '\n' || list[i] == '\r' || list[i] == '\f'))
      ++i;
    std::size_t j = i;
    while (j < list.size() &&
           !(list[j] == ' ' || list[j] == '\t' || list[j] == '\n' || list[j] == '\r' || list[j] == '\f'))
      ++j;
    if (j > i && AsciiEqualsNoCase(list.substr(i, j - i), name)) return true;
    i = j;
  }
  return false;
}

const HtmlNode* HtmlNode::PreviousElementSibling() const {
  if (!parent) return nullptr;
  for (std::uint32_t i = index_in_parent; i-- > 0;) {
    const HtmlNode* sibling = parent->children[i];
    if (sibling->IsElement()) return sibling;
  }
  return nullptr;
}

// Copies gumbo's tree into ours without recursion (deeply nested pages must not exhaust the stack).
class GumboTreeCopier {
 public:
  explicit GumboTreeCopier(GumboDocument& doc) : doc_(doc) {}

  HtmlNode* Copy(const GumboNode* root_element) {
    HtmlNode* root = MakeElement(root_element->v.element, nullptr);
    struct Frame {
      const GumboNode* source;
      HtmlNode* target;
      unsigned next = 0;
    };
    std::vector<Frame> stack{{root_element, root}};
    while (!stack.empty()) {
      Frame& f = stack.back();
      const GumboVector& kids =
          f.source->type == GUMBO_NODE_DOCUMENT ? f.source->v.document.children : f.source->v.element.children;
      if (f.next >= kids.length) {
        stack.pop_back();
        continue;
      }
      const auto* child = static_cast<const GumboNode*>(kids.data[f.next++]);
      HtmlNode* parent = f.target;
      switch (child->type) {
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
          HtmlNode* element = MakeElement(child->v.element, parent);
          stack.push_back({child, element});
          break;
        }
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_CDATA:
        case GUMBO_NODE_WHITESPACE: {
          // Adjacent text pieces (gumbo splits around whitespace runs) join into one node.
          if (!parent->children.empty() && !parent->children.back()->IsElement()) {
            parent->children.back()->text += child->v.text.text;
          } else {
            HtmlNode* text = doc_.NewNode();
            text->kind = HtmlNode::Kind::kText;
            text->text = child->v.text.text;
            Attach(parent, text);
          }
          break;
        }
        default:
          break;  // comments, the document node
      }
    }
    return root;
  }

 private:
  HtmlNode* MakeElement(const GumboElement& source, HtmlNode* parent) {
    HtmlNode* node = doc_.NewNode();
    node->tag = TagName(source);
    node->attributes.reserve(source.attributes.length);
    for (unsigned i = 0; i < source.attributes.length; ++i) {
      const auto* a = static_cast<const GumboAttribute*>(source.attributes.data[i]);
      HtmlAttribute attribute;
      AppendLower(attribute.name, a->name, std::char_traits<char>::length(a->name));
      attribute.value = a->value;
      node->attributes.push_back(std::move(attribute));
    }
    node->children.reserve(source.children.length);
    if (parent) Attach(parent, node);
    if (node->tag == "head" && !doc_.head_) doc_.head_ = node;
    if ((node->tag == "body" || node->tag == "frameset") && !doc_.body_) doc_.body_ = node;
    return node;
  }

  static void Attach(HtmlNode* parent, HtmlNode* child) {
    child->parent = parent;
    child->index_in_parent = static_cast<std::uint32_t>(parent->children.size());
    parent->children.push_back(child);
  }

  GumboDocument& doc_;
};

GumboDocument::GumboDocument(std::string_view utf8) {
  GumboOptions options = kGumboDefaultOptions;
  options.max_errors = 0;  // error records cost time and we do not report them
  GumboOutputPtr output(gumbo_parse_with_options(&options, utf8.data(), utf8.size()));
  if (!output || !output->root) {
    root_ = NewNode();
    root_->tag = "html";
    return;
  }
  root_ = GumboTreeCopier(*this).Copy(output->root);
}

HtmlNode* GumboDocument::NewNode() { return &nodes_.emplace_back(); }

}  // namespace tomeshift::word
