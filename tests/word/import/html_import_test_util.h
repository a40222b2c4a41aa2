// Helpers for the importer's tests: import a snippet, then read the model back paragraph by paragraph.
#pragma once

#include <string>
#include <vector>

#include "text/unicode.h"
#include "word/import/html_import.h"
#include "word/model/document_model.h"

namespace tomeshift::word::testing {

struct ImportedParagraph {
  std::string text;  // UTF-8; line break "\n", tab "\t", picture "[pic N]", table "[table N]", links "{...}"
  ParaProps props;
  std::vector<RunProps> runs;  // the props of every text character, in order
};

// Paragraphs of a story with their props; hyperlink fields show as {address#sub|text}.
inline std::vector<ImportedParagraph> Paragraphs(const DocModel& doc, const Story& story) {
  std::vector<ImportedParagraph> out(1);
  for (std::size_t i = 0; i < story.size(); ++i) {
    char16_t c = story.at(i);
    const CharAttr& a = story.attr(i);
    ImportedParagraph& p = out.back();
    switch (c) {
      case ch::kParagraph:
      case ch::kSection:
        p.props = doc.para(a.fmt);
        out.emplace_back();
        break;
      case ch::kTable:
        p.text += "[table " + std::to_string(a.obj) + "]";
        out.emplace_back();
        break;
      case ch::kLineBreak:
        p.text += "\n";
        break;
      case ch::kPicture:
        p.text += "[pic " + std::to_string(a.obj) + "]";
        break;
      case ch::kFieldBegin: {
        const Field& f = doc.fields[a.obj];
        p.text += "{" + U8(f.address) + (f.sub_address.empty() ? "" : "#" + U8(f.sub_address)) + "|";
        break;
      }
      case ch::kFieldEnd:
        p.text += "}";
        break;
      default:
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < story.size()) {
          p.text += U8(std::u16string{c, story.at(i + 1)});
          p.runs.push_back(doc.run(a.fmt));
          ++i;
          break;
        }
        p.text += U8(std::u16string(1, c));
        p.runs.push_back(doc.run(a.fmt));
    }
  }
  out.pop_back();
  return out;
}

inline DocModel ImportSnippet(const std::string& html, std::vector<HtmlImportWarning>* warnings = nullptr,
                              const std::u16string& path = u"/pages/page.htm") {
  DocModel doc;
  HtmlImport::ImportText(U16(html), path, doc, warnings);
  return doc;
}

inline std::vector<std::string> Texts(const DocModel& doc, const Story& story) {
  std::vector<std::string> out;
  for (const auto& p : Paragraphs(doc, story)) out.push_back(p.text);
  return out;
}

}  // namespace tomeshift::word::testing
