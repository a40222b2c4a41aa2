// Style and Styles: the style table as automation sees it. Styles.Item takes a built-in index
// (-1 Normal, -2..-10 Heading 1..9, -20..-28 TOC 1..9, -86 Hyperlink), a 1-based position, a name
// or a Style; anything else raises WordError.
#pragma once

#include <string>

#include "word/automation/word_font.h"
#include "word/model/document_model.h"

namespace tomeshift::word {

class Style {
 public:
  Style(DocModel* doc, int index) : doc_(doc), index_(index) {}
  std::u16string NameLocal() const { return doc_->style(index_).name; }
  int Type() const { return static_cast<int>(doc_->style(index_).type); }
  bool BuiltIn() const { return doc_->style(index_).builtin != 0; }
  Font GetFont() const { return Font(FormatTarget{doc_, nullptr, nullptr, index_}); }
  ParagraphFormat GetParagraphFormat() const { return ParagraphFormat(FormatTarget{doc_, nullptr, nullptr, index_}); }
  // Unlinks (nullptr) the style from list numbering; list templates are not modelled otherwise.
  void LinkToListTemplate(const void* list_template);
  int index() const { return index_; }
  DocModel* doc() const { return doc_; }
  bool operator==(const Style& o) const { return doc_ == o.doc_ && index_ == o.index_; }

 private:
  DocModel* doc_;
  int index_;
};

class Styles {
 public:
  explicit Styles(DocModel* doc) : doc_(doc) {}
  int Count() const { return static_cast<int>(doc_->styles.size()); }
  Style Item(int index) const;
  Style Item(std::u16string_view name) const;
  // A style of another document is found here by name, as the word processor does.
  Style Item(const Style& style) const;

 private:
  DocModel* doc_;
};

// The model's style index for a built-in index or 1-based position; throws WordError.
int ResolveStyle(const DocModel& doc, int index);

}  // namespace tomeshift::word
