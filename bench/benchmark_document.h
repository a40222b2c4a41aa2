// The document both document benchmarks build and save: through the automation objects as the
// converter does (headings with bookmarks, page bodies pasted from page documents, pictures embedded
// and fitted, a contents field).
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "text/unicode.h"
#include "word/automation/word_application.h"
#include "word/image/png_encoder.h"
#include "word/model/story_builder.h"

namespace tomeshift::bench {

using namespace tomeshift::word;

constexpr int kHeadings = 2000;
constexpr int kParagraphs = 20000;  // headings included
constexpr int kPictures = 500;
constexpr int kTables = 200;

inline double Since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

inline void FillPage(DocModel& page, int topic, int paragraphs, const std::string& picture, bool with_picture,
                     bool with_table) {
  StoryBuilder b(page, page.main);
  RunProps bold;
  bold.bold = 1;
  for (int p = 0; p < paragraphs; ++p) {
    b.Text(u"Paragraph " + U16(std::to_string(p + 1)) + u" of topic " + U16(std::to_string(topic)) +
           u": the body text of a help page, long enough to wrap over two lines of the printed page, with ");
    b.Text(u"some bold words", bold);
    b.Text(u" and a link to ");
    b.BeginHyperlink({}, u"Bookmark" + U16(std::to_string((topic * 37) % kHeadings + 1)) + u"_sec-1");
    b.Text(u"another topic");
    b.EndHyperlink();
    b.Text(u".");
    b.EndParagraph();
  }
  if (with_picture) {
    Picture pic;
    pic.linked = true;
    pic.link_path = U16(picture);
    pic.format = "png";
    pic.natural_width = pic.width = 600;
    pic.natural_height = pic.height = 200;
    b.AddPicture(pic);
    b.EndParagraph();
  }
  if (with_table) {
    Table t;
    for (int r = 0; r < 4; ++r) {
      TableRow row;
      row.header = r == 0;
      for (int c = 0; c < 3; ++c) {
        TableCell cell;
        StoryBuilder cb(page, cell.story);
        cb.Text(u"Cell " + U16(std::to_string(r)) + u"." + U16(std::to_string(c)));
        cb.Finish();
        row.cells.push_back(std::move(cell));
      }
      t.rows.push_back(std::move(row));
    }
    b.AddTable(std::move(t));
  }
  b.BeginBookmark(u"Bookmark" + U16(std::to_string(topic)) + u"_sec-1");
  b.Text(u"End of topic.");
  b.EndBookmark(u"Bookmark" + U16(std::to_string(topic)) + u"_sec-1");
  b.EndParagraph();
}

// Writes the picture the pages link to (800 x 266 pixels).
inline void WriteBenchmarkPicture(const std::string& path) {
  std::string px(800 * 266 * 4, '\x7f');
  std::ofstream(path, std::ios::binary) << EncodePng(px, 800, 266);
}

struct BuiltDocument {
  Document* doc = nullptr;
  int shapes = 0;
  double built = 0, pictures = 0, contents = 0;
};

// Builds the document in app: topics pasted from page documents, pictures embedded and fitted to
// the text width, the contents updated. Times each stage.
inline BuiltDocument BuildBenchmarkDocument(Application& app, const std::string& picture) {
  auto t0 = std::chrono::steady_clock::now();
  Document& doc = app.GetDocuments().Add();
  Range r = doc.Content();
  r.InsertAfter(u"Benchmark");
  r.InsertParagraphAfter();
  r.Collapse(0);
  TocAddArgs toc;
  toc.Range = r;
  toc.LowerHeadingLevel = 3;
  r = doc.GetTablesOfContents().Add(toc).GetRange();
  r.Collapse(0);
  r.InsertBreak(2);
  // Body paragraphs per page: the rest of the paragraph budget spread over the headings (the
  // closing paragraph of each page counts).
  int per_page = (kParagraphs - kHeadings) / kHeadings - 1;
  for (int j = 0; j < kHeadings; ++j) {
    int level = j % 10 == 0 ? 0 : (j % 3 == 0 ? 1 : 2);
    if (level == 0 && j > 0) {
      r.Collapse(0);
      r.InsertParagraphAfter();
      r.Collapse(0);
      r.InsertBreak(2);
    }
    r.Collapse(0);
    r.SetStyle(-level - 2);
    r.InsertAfter(u"Topic " + U16(std::to_string(j + 1)));
    r.SetStyle(-level - 2);
    r = doc.GetBookmarks().Add(u"Bookmark" + U16(std::to_string(j + 1)), r).GetRange();
    r.Collapse(0);
    r.InsertParagraphAfter();
    r.Collapse(0);
    Document& page = app.GetDocuments().Add();
    FillPage(page.model(), j + 1, per_page, picture, j % (kHeadings / kPictures) == 0, j % (kHeadings / kTables) == 0);
    Range c = page.Content();
    c.Copy();
    r.Collapse(0);
    r.SetStyle(-1);
    r.Paste();
    page.Close(0);
  }
  double built = Since(t0);

  auto t1 = std::chrono::steady_clock::now();
  double text_width =
      doc.GetPageSetup().PageWidth() - doc.GetPageSetup().LeftMargin() - doc.GetPageSetup().RightMargin();
  int shapes = doc.GetInlineShapes().Count();
  for (int i = 1; i <= shapes; ++i) {
    InlineShape s = doc.GetInlineShapes().Item(i);
    if (s.Type() != 4) continue;
    s.GetLinkFormat().SetSavePictureWithDocument(true);
    s.SetLockAspectRatio(true);
    if (s.Width() > text_width) s.SetWidth(text_width);
    s.GetLinkFormat().BreakLink();
  }
  double pictures = Since(t1);

  auto t2 = std::chrono::steady_clock::now();
  doc.GetTablesOfContents().Item(1).Update();
  double contents = Since(t2);
  return {&doc, shapes, built, pictures, contents};
}

// Prints the document's size, the stage times and the peak memory.
inline void PrintBenchmarkFigures(const BuiltDocument& d) {
  int paragraphs = 0, tables = 0;
  for (char16_t ch : d.doc->model().main.text()) {
    paragraphs += ch == ch::kParagraph || ch == ch::kSection;
    tables += ch == ch::kTable;
  }
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("document: %d paragraphs (contents included), %d headings, %d pictures, %d tables, %zu characters\n",
              paragraphs, kHeadings, d.shapes, tables, d.doc->model().main.size());
  std::printf("build %.2f s, pictures %.2f s, contents %.2f s, peak memory %.1f MB\n", d.built, d.pictures, d.contents,
              ru.ru_maxrss / 1024.0);
}

}  // namespace tomeshift::bench
