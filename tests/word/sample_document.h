// A document built through the automation objects the way the converter builds one: cover,
// contents, headings on three levels with bookmarks, page bodies pasted from page documents (with
// internal links, a table and pictures wider than the text), header and footer with page numbers.
#pragma once

#include <filesystem>

#include "word/automation/word_application.h"

namespace tomeshift::word::testing {

struct SampleOptions {
  int topics = 50;
  bool cover = true;
  bool toc = true;
  int start_new_page = 1;  // as the converter's setting: 1 breaks before level-0 topics
};

// Pictures are written into picture_dir and linked from the page documents, as web pages link them.
void BuildSample(Application& app, Document& doc, const std::filesystem::path& picture_dir, const SampleOptions& o);

}  // namespace tomeshift::word::testing
