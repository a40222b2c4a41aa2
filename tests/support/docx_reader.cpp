#include "support/docx_reader.h"

#include <expat.h>
#include <zip.h>

#include <memory>
#include <stdexcept>

namespace tomeshift::testing {

const XmlNode* XmlNode::Child(std::string_view n) const {
  for (const auto& c : children)
    if (c.name == n) return &c;
  return nullptr;
}

namespace {
void Collect(const XmlNode& node, std::string_view n, std::vector<const XmlNode*>& out) {
  for (const auto& c : node.children) {
    if (c.name == n) out.push_back(&c);
    Collect(c, n, out);
  }
}
void Texts(const XmlNode& node, std::string& out) {
  if (node.name == "w:t")
    out += node.text;
  else if (node.name == "w:tab")
    out += '\t';
  else if (node.name == "w:br" || node.name == "w:cr")
    out += '\n';
  for (const auto& c : node.children) Texts(c, out);
}
}  // namespace

std::vector<const XmlNode*> XmlNode::All(std::string_view n) const {
  std::vector<const XmlNode*> out;
  Collect(*this, n, out);
  return out;
}

std::string XmlNode::Attr(std::string_view n) const {
  auto it = attrs.find(std::string(n));
  return it == attrs.end() ? std::string() : it->second;
}

std::string XmlNode::AllText() const {
  std::string out;
  Texts(*this, out);
  return out;
}

XmlNode ParseXml(std::string_view xml) {
  struct State {
    XmlNode root;
    std::vector<XmlNode*> stack;
  } st;
  st.stack.push_back(&st.root);
  std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> p(XML_ParserCreate("UTF-8"),
                                                                                  XML_ParserFree);
  XML_SetUserData(p.get(), &st);
  XML_SetElementHandler(
      p.get(),
      [](void* ud, const XML_Char* name, const XML_Char** atts) {
        auto* s = static_cast<State*>(ud);
        XmlNode n;
        n.name = name;
        for (int i = 0; atts[i]; i += 2) n.attrs[atts[i]] = atts[i + 1];
        s->stack.back()->children.push_back(std::move(n));
        s->stack.push_back(&s->stack.back()->children.back());
      },
      [](void* ud, const XML_Char*) { static_cast<State*>(ud)->stack.pop_back(); });
  XML_SetCharacterDataHandler(p.get(), [](void* ud, const XML_Char* s, int len) {
    static_cast<State*>(ud)->stack.back()->text.append(s, static_cast<std::size_t>(len));
  });
  if (XML_Parse(p.get(), xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_ERROR)
    throw std::runtime_error(std::string("XML error: ") + XML_ErrorString(XML_GetErrorCode(p.get())) + " at line " +
                             std::to_string(XML_GetCurrentLineNumber(p.get())));
  if (st.root.children.size() != 1) throw std::runtime_error("XML without one root element");
  return std::move(st.root.children.front());
}

namespace {
std::string Trim(const std::string& s) {
  auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}
bool Equal(const XmlNode& a, const XmlNode& b, std::string* diff, const std::vector<std::string>& masked,
           const std::string& path) {
  std::string here = path + "/" + a.name;
  auto fail = [&](const std::string& why) {
    if (diff) *diff = here + ": " + why;
    return false;
  };
  if (a.name != b.name) return fail("element " + a.name + " vs " + b.name);
  auto strip = [&](std::map<std::string, std::string> m) {
    for (const auto& k : masked) m.erase(k);
    return m;
  };
  auto aa = strip(a.attrs), ba = strip(b.attrs);
  if (aa != ba) {
    std::string s;
    for (const auto& [k, v] : aa) s += k + "=" + v + " ";
    s += "| ";
    for (const auto& [k, v] : ba) s += k + "=" + v + " ";
    return fail("attributes " + s);
  }
  if (a.name == "w:t" ? a.text != b.text : Trim(a.text) != Trim(b.text))
    return fail("text '" + a.text + "' vs '" + b.text + "'");
  if (a.children.size() != b.children.size())
    return fail("children " + std::to_string(a.children.size()) + " vs " + std::to_string(b.children.size()));
  for (std::size_t i = 0; i < a.children.size(); ++i)
    if (!Equal(a.children[i], b.children[i], diff, masked, here + "[" + std::to_string(i) + "]")) return false;
  return true;
}
}  // namespace

bool XmlEqual(const XmlNode& a, const XmlNode& b, std::string* diff, const std::vector<std::string>& masked) {
  return Equal(a, b, diff, masked, "");
}

DocxReader::DocxReader(const std::filesystem::path& path) {
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
  if (!z) throw std::runtime_error("cannot open " + path.string() + " as zip (" + std::to_string(err) + ")");
  std::unique_ptr<zip_t, decltype(&zip_discard)> owner(z, zip_discard);
  zip_int64_t n = zip_get_num_entries(z, 0);
  for (zip_int64_t i = 0; i < n; ++i) {
    zip_stat_t st;
    if (zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st) != 0) throw std::runtime_error("bad zip entry");
    std::string data(st.size, '\0');
    zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
    if (!f) throw std::runtime_error(std::string("cannot read ") + st.name);
    zip_int64_t got = zip_fread(f, data.data(), st.size);
    zip_fclose(f);
    if (got != static_cast<zip_int64_t>(st.size)) throw std::runtime_error(std::string("short read of ") + st.name);
    order_.push_back(st.name);
    parts_[st.name] = std::move(data);
  }
}

std::vector<std::string> DocxReader::PartNames() const { return order_; }

const std::string& DocxReader::Part(const std::string& name) const {
  auto it = parts_.find(name);
  if (it == parts_.end()) throw std::runtime_error("no part " + name);
  return it->second;
}

std::vector<DocxReader::Paragraph> DocxReader::Paragraphs() const {
  std::vector<Paragraph> out;
  XmlNode doc = Xml("word/document.xml");
  for (const XmlNode* p : doc.All("w:p")) {
    Paragraph para;
    if (const XmlNode* ppr = p->Child("w:pPr")) {
      if (const XmlNode* s = ppr->Child("w:pStyle")) para.style = s->Attr("w:val");
      if (const XmlNode* jc = ppr->Child("w:jc")) para.alignment = jc->Attr("w:val");
    }
    para.text = p->AllText();
    out.push_back(std::move(para));
  }
  return out;
}

std::vector<DocxReader::Heading> DocxReader::Headings() const {
  std::vector<Heading> out;
  for (const auto& p : Paragraphs())
    if (p.style.size() == 8 && p.style.rfind("Heading", 0) == 0 && p.style[7] >= '1' && p.style[7] <= '9')
      out.push_back(Heading{p.style[7] - '0', p.text});
  return out;
}

std::vector<std::string> DocxReader::Bookmarks() const {
  std::vector<std::string> out;
  XmlNode doc = Xml("word/document.xml");
  for (const XmlNode* b : doc.All("w:bookmarkStart")) out.push_back(b->Attr("w:name"));
  return out;
}

std::map<std::string, std::string> DocxReader::Relationships(const std::string& rels_part) const {
  std::map<std::string, std::string> out;
  if (!HasPart(rels_part)) return out;
  XmlNode rels = Xml(rels_part);
  for (const XmlNode* r : rels.All("Relationship")) out[r->Attr("Id")] = r->Attr("Target");
  return out;
}

std::vector<std::string> DocxReader::InternalLinks() const {
  std::vector<std::string> out;
  XmlNode doc = Xml("word/document.xml");
  for (const XmlNode* h : doc.All("w:hyperlink"))
    if (!h->Attr("w:anchor").empty()) out.push_back(h->Attr("w:anchor"));
  return out;
}

std::vector<std::string> DocxReader::ExternalLinks() const {
  std::vector<std::string> out;
  auto rels = Relationships("word/_rels/document.xml.rels");
  XmlNode doc = Xml("word/document.xml");
  for (const XmlNode* h : doc.All("w:hyperlink"))
    if (!h->Attr("r:id").empty()) out.push_back(rels[h->Attr("r:id")]);
  return out;
}

std::vector<DocxReader::Picture> DocxReader::Pictures() const {
  std::vector<Picture> out;
  auto rels = Relationships("word/_rels/document.xml.rels");
  XmlNode doc = Xml("word/document.xml");
  for (const XmlNode* d : doc.All("w:drawing")) {
    Picture p;
    const XmlNode* frame = d->Child("wp:inline");
    if (!frame) {
      frame = d->Child("wp:anchor");
      p.floating = true;
    }
    if (!frame) continue;
    if (const XmlNode* e = frame->Child("wp:extent")) {
      p.cx = std::stoll(e->Attr("cx"));
      p.cy = std::stoll(e->Attr("cy"));
    }
    auto blips = frame->All("a:blip");
    if (!blips.empty()) {
      if (!blips[0]->Attr("r:embed").empty()) p.embed_target = rels[blips[0]->Attr("r:embed")];
      if (!blips[0]->Attr("r:link").empty()) p.link_target = rels[blips[0]->Attr("r:link")];
    }
    out.push_back(p);
  }
  return out;
}

std::vector<DocxReader::Section> DocxReader::Sections() const {
  std::vector<Section> out;
  XmlNode doc = Xml("word/document.xml");
  for (const XmlNode* s : doc.All("w:sectPr")) {
    Section sec;
    if (const XmlNode* sz = s->Child("w:pgSz")) {
      sec.width = std::stoi(sz->Attr("w:w"));
      sec.height = std::stoi(sz->Attr("w:h"));
    }
    if (const XmlNode* m = s->Child("w:pgMar")) {
      sec.top = std::stoi(m->Attr("w:top"));
      sec.bottom = std::stoi(m->Attr("w:bottom"));
      sec.left = std::stoi(m->Attr("w:left"));
      sec.right = std::stoi(m->Attr("w:right"));
    }
    sec.has_header = s->Child("w:headerReference") != nullptr;
    sec.has_footer = s->Child("w:footerReference") != nullptr;
    if (const XmlNode* n = s->Child("w:pgNumType"); n && !n->Attr("w:start").empty())
      sec.page_start = std::stoi(n->Attr("w:start"));
    out.push_back(sec);
  }
  return out;
}

}  // namespace tomeshift::testing
