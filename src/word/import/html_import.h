// Opening a web page as a document: the page's HTML and style sheets become paragraphs, runs,
// lists, tables, pictures, hyperlinks and bookmarks of the document model, looking as the page
// looks in a browser. Headings become the built-in heading styles with their outline levels.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "word/model/document_model.h"

namespace tomeshift::word {

// A problem that did not stop the import (a missing picture, an unreadable style sheet).
struct HtmlImportWarning {
  std::u16string page;     // the page's path
  std::u16string message;  // names the file concerned and what happened
};

class HtmlImport {
 public:
  // Replaces doc's content with the page at `path` (a core path), decoded by its byte order mark,
  // else its declared charset, else the ANSI code page. Throws FileError when the page cannot be read.
  static void ImportFile(const std::u16string& path, DocModel& doc, std::vector<HtmlImportWarning>* warnings = nullptr);
  // The same for text already decoded; `path` names the page and anchors its relative addresses.
  static void ImportText(std::u16string_view html, const std::u16string& path, DocModel& doc,
                         std::vector<HtmlImportWarning>* warnings = nullptr);
};

}  // namespace tomeshift::word
