#include "word/docx/xml_writer.h"

#include <stdexcept>

namespace tomeshift::word {

namespace {
constexpr std::size_t kChunk = 1 << 20;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool Allowed(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}
}  // namespace

XmlWriter::XmlWriter() {
  chunks_.emplace_back();
  chunks_.back().reserve(4096);
}

void XmlWriter::Raw(std::string_view s) {
  if (Out().size() + s.size() > kChunk && !Out().empty()) {
    chunks_.emplace_back();
    Out().reserve(kChunk + 1024);
  }
  Out().append(s);
}

void XmlWriter::Declaration() { Raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"); }

void XmlWriter::CloseStartTag() {
  if (in_start_tag_) {
    Raw(">");
    in_start_tag_ = false;
  }
}

void XmlWriter::Start(std::string_view name) {
  CloseStartTag();
  Raw("<");
  Raw(name);
  open_.emplace_back(name);
  in_start_tag_ = true;
}

void XmlWriter::Attr(std::string_view name, std::string_view utf8) {
  if (!in_start_tag_) throw std::logic_error("XML attribute outside a start tag");
  Raw(" ");
  Raw(name);
  Raw("=\"");
  Escaped8(utf8, true);
  Raw("\"");
}

void XmlWriter::Attr(std::string_view name, std::u16string_view text) {
  if (!in_start_tag_) throw std::logic_error("XML attribute outside a start tag");
  Raw(" ");
  Raw(name);
  Raw("=\"");
  Escaped16(text, true);
  Raw("\"");
}

void XmlWriter::Attr(std::string_view name, long long value) { Attr(name, std::string_view(std::to_string(value))); }

void XmlWriter::End() {
  if (open_.empty()) throw std::logic_error("XML end without a start");
  if (in_start_tag_) {
    Raw("/>");
    in_start_tag_ = false;
  } else {
    Raw("</");
    Raw(open_.back());
    Raw(">");
  }
  open_.pop_back();
}

void XmlWriter::Empty(std::string_view name) {
  Start(name);
  End();
}

void XmlWriter::Empty(std::string_view name, std::string_view attr, std::string_view value) {
  Start(name);
  Attr(attr, value);
  End();
}

void XmlWriter::Empty(std::string_view name, std::string_view attr, long long value) {
  Start(name);
  Attr(attr, value);
  End();
}

void XmlWriter::Text(std::u16string_view text) {
  CloseStartTag();
  Escaped16(text, false);
}

void XmlWriter::Text(std::string_view utf8) {
  CloseStartTag();
  Escaped8(utf8, false);
}

void XmlWriter::Escaped16(std::u16string_view s, bool attr) {
  std::string buf;
  buf.reserve(s.size() + 8);
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
        ++i;
      } else {
        continue;
      }
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      continue;
    }
    if (!Allowed(c)) continue;
    switch (c) {
      case '&':
        buf += "&amp;";
        break;
      case '<':
        buf += "&lt;";
        break;
      case '>':
        buf += "&gt;";
        break;
      case '"':
        buf += attr ? "&quot;" : "\"";
        break;
      case '\t':
        buf += attr ? "&#9;" : "\t";
        break;
      case '\n':
        buf += attr ? "&#10;" : "\n";
        break;
      case '\r':
        buf += "&#13;";
        break;
      default:
        AppendUtf8(buf, c);
    }
  }
  Raw(buf);
}

void XmlWriter::Escaped8(std::string_view s, bool attr) {
  std::string buf;
  buf.reserve(s.size() + 8);
  for (unsigned char c : s) {
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') continue;
    switch (c) {
      case '&':
        buf += "&amp;";
        break;
      case '<':
        buf += "&lt;";
        break;
      case '>':
        buf += "&gt;";
        break;
      case '"':
        buf += attr ? "&quot;" : "\"";
        break;
      case '\r':
        buf += "&#13;";
        break;
      default:
        buf += static_cast<char>(c);
    }
  }
  Raw(buf);
}

std::vector<std::string> XmlWriter::TakeChunks() {
  while (!open_.empty()) End();
  std::vector<std::string> out;
  out.swap(chunks_);
  chunks_.emplace_back();
  return out;
}

std::string XmlWriter::TakeString() {
  std::string all;
  for (auto& c : TakeChunks()) all += c;
  return all;
}

}  // namespace tomeshift::word
