// Real pages lose no visible text: what the importer produces is compared with what a browser shows
// (the .visible.txt files, recorded by tests/fixtures/word/import/make-visible-text.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/scratch_dir.h"
#include "text/unicode.h"
#include "word/import/html_import.h"

namespace tomeshift::word {
namespace {

namespace fs = std::filesystem;

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == 0xA0 || c == 0x200B || c == 0x3000;
}

// Every character of the story that a reader sees, tables cell by cell, without blanks.
void VisibleText(const DocModel& doc, const Story& story, std::u16string& out) {
  for (std::size_t i = 0; i < story.size(); ++i) {
    char16_t c = story.at(i);
    if (c == ch::kTable) {
      for (const auto& row : doc.tables[story.attr(i).obj].rows) {
        for (const auto& cell : row.cells) VisibleText(doc, cell.story, out);
      }
      continue;
    }
    if (c < 0x20 || IsBlank(c)) continue;
    out.push_back(c);
  }
}

std::u16string WithoutBlanks(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (!IsBlank(c) && c >= 0x20) out.push_back(c);
  }
  return out;
}

// Share of the reference's characters found, in order, in the imported text (longest common subsequence).
double Recall(const std::u16string& reference, const std::u16string& imported) {
  if (reference.empty()) return 1.0;
  std::vector<int> prev(imported.size() + 1, 0), cur(imported.size() + 1, 0);
  for (char16_t r : reference) {
    for (std::size_t j = 0; j < imported.size(); ++j) {
      cur[j + 1] = r == imported[j] ? prev[j] + 1 : std::max(prev[j + 1], cur[j]);
    }
    std::swap(prev, cur);
  }
  return static_cast<double>(prev[imported.size()]) / static_cast<double>(reference.size());
}

std::vector<fs::path> ReferencePages() {
  std::vector<fs::path> pages;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(TOMESHIFT_FIXTURES_DIR) / "word" / "import")) {
    std::string name = entry.path().filename().string();
    if (name.size() > 12 && name.substr(name.size() - 12) == ".visible.txt") pages.push_back(entry.path());
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

TEST(HtmlImportRecallTest, RealPagesKeepTheirVisibleText) {
  auto references = ReferencePages();
  ASSERT_GE(references.size(), 25u);
  double lowest = 1.0, total = 0;
  for (const auto& reference : references) {
    std::string stem = reference.string().substr(0, reference.string().size() - 12);
    fs::path page = fs::exists(stem + ".htm") ? fs::path(stem + ".htm") : fs::path(stem + ".html");
    ASSERT_TRUE(fs::exists(page)) << page;
    DocModel doc;
    std::vector<HtmlImportWarning> warnings;
    HtmlImport::ImportFile(U16(page.string()), doc, &warnings);
    std::u16string imported;
    VisibleText(doc, doc.main, imported);
    std::u16string expected = WithoutBlanks(U16(testing::ReadBinaryFile(reference)));
    double recall = Recall(expected, imported);
    EXPECT_GE(recall, 0.99) << page.filename() << ": " << expected.size() << " characters shown by the browser";
    // The importer adds nothing of its own either.
    EXPECT_GE(Recall(imported, expected), 0.97) << page.filename();
    lowest = std::min(lowest, recall);
    total += recall;
  }
  RecordProperty("lowest_recall", std::to_string(lowest));
  std::printf("text recall over %zu pages: lowest %.4f, mean %.4f\n", references.size(), lowest,
              total / static_cast<double>(references.size()));
}

}  // namespace
}  // namespace tomeshift::word
