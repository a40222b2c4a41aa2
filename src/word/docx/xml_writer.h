// The one streaming XML writer: every part of a produced package goes through it. It owns escaping
// and drops the characters that XML 1.0 forbids (control codes, lone surrogates, U+FFFE/U+FFFF).
// Output accumulates in chunks so that a large part is never one contiguous string.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tomeshift::word {

class XmlWriter {
 public:
  XmlWriter();
  void Declaration();  // <?xml version="1.0" encoding="UTF-8" standalone="yes"?>
  // <name; attributes follow until the next content or End.
  void Start(std::string_view name);
  void Attr(std::string_view name, std::string_view utf8);
  void Attr(std::string_view name, std::u16string_view text);
  void Attr(std::string_view name, long long value);
  void Attr(std::string_view name, int value) { Attr(name, static_cast<long long>(value)); }
  void Attr(std::string_view name, const char* utf8) { Attr(name, std::string_view(utf8)); }
  // Closes the innermost open element (as <x/> when it got no content).
  void End();
  // Shorthand: an element with one attribute and no content.
  void Empty(std::string_view name);
  void Empty(std::string_view name, std::string_view attr, std::string_view value);
  void Empty(std::string_view name, std::string_view attr, long long value);
  void Text(std::u16string_view text);
  void Text(std::string_view utf8);

  // Finishes and hands over the output.
  std::vector<std::string> TakeChunks();
  std::string TakeString();  // for small parts and tests
  std::size_t depth() const { return open_.size(); }

 private:
  void CloseStartTag();
  void Raw(std::string_view s);
  void Escaped16(std::u16string_view s, bool attr);
  void Escaped8(std::string_view s, bool attr);
  std::string& Out() { return chunks_.back(); }

  std::vector<std::string> chunks_;
  std::vector<std::string> open_;
  bool in_start_tag_ = false;
};

}  // namespace tomeshift::word
