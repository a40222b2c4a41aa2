// Every package the writer produces here must open in LibreOffice and convert to PDF; the sample
// document is also read back and checked as a converted help file would be.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "support/docx_reader.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"
#include "word/automation/word_application.h"
#include "word/model/story_builder.h"
#include "word/sample_document.h"
#include "word/word_test_util.h"

namespace tomeshift::word {
namespace {

using tomeshift::testing::DocxReader;
using tomeshift::testing::ScratchDir;

std::filesystem::path SaveSample(const ScratchDir& dir, const std::string& name, const testing::SampleOptions& o) {
  Application app;
  Document& doc = app.GetDocuments().Add();
  testing::BuildSample(app, doc, dir.path() / ("pics-" + name), o);
  auto path = dir.path() / (name + ".docx");
  doc.SaveAs(U16(path.string()), 12, false);
  doc.Close(0);
  app.Quit(false);
  return path;
}

std::filesystem::path SaveModel(const ScratchDir& dir, const std::string& name,
                                const std::function<void(DocModel&)>& fill) {
  Application app;
  Document& doc = app.GetDocuments().Add();
  fill(doc.model());
  auto path = dir.path() / (name + ".docx");
  doc.SaveAs(U16(path.string()));
  return path;
}

std::string RunCommand(const std::string& cmd) {
  std::string out;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

TEST(LibreOfficeTest, EveryProducedPackageConvertsToPdf) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "soffice is not installed";
  ScratchDir dir;
  std::vector<std::filesystem::path> files;
  files.push_back(SaveSample(dir, "sample", {}));
  files.push_back(SaveSample(dir, "plain", testing::SampleOptions{12, false, false, 2}));
  files.push_back(SaveModel(dir, "empty", [](DocModel&) {}));
  files.push_back(SaveModel(dir, "lists-and-breaks", [](DocModel& d) {
    d.lists.push_back(ListDef{{ListLevel{"bullet", u"\u2022", 1}}});
    d.lists.push_back(ListDef{{ListLevel{"decimal", u"%1.", 1}, ListLevel{"lowerLetter", u"%2)", 1}}});
    StoryBuilder b(d, d.main);
    for (int i = 0; i < 6; ++i) {
      b.Text(u"item & <" + U16(std::to_string(i)) + u">");
      if (i == 2) b.LineBreak();
      if (i == 4) b.PageBreak();
      ParaProps p;
      p.num_id = i < 3 ? 1 : 2;
      p.num_level = i % 2;
      b.EndParagraph(p);
    }
    b.EndSection(SectionProps{});
    b.Text(u"\u05e9\u05dc\u05d5\u05dd \U0001F600 tab\there");
    RunProps r;
    r.highlight = "yellow";
    r.vert_align = 1;
    b.Text(u"sup", r);
  }));
  files.push_back(SaveModel(dir, "nested-table", [](DocModel& d) {
    Table inner;
    inner.rows.resize(1);
    inner.rows[0].cells.resize(2);
    for (auto& c : inner.rows[0].cells) {
      StoryBuilder cb(d, c.story);
      cb.Text(u"inner");
    }
    Table outer;
    outer.width = -5000;
    outer.rows.resize(1);
    outer.rows[0].cells.resize(1);
    {
      StoryBuilder cb(d, outer.rows[0].cells[0].story);
      cb.AddTable(std::move(inner));
    }
    StoryBuilder b(d, d.main);
    b.AddTable(std::move(outer));
  }));
  std::string error;
  auto pdfs = testing::ConvertToPdf(files, dir.path(), &error);
  EXPECT_EQ(pdfs.size(), files.size()) << error;

  if (const char* keep = std::getenv("TOMESHIFT_KEEP_SAMPLE")) {
    std::filesystem::copy_file(files[0], keep, std::filesystem::copy_options::overwrite_existing);
  }

  // The page numbers LibreOffice prints in the contents are our cached estimates; compare them with
  // where LibreOffice actually put each heading.
  if (pdfs.empty() || std::system("command -v pdftotext >/dev/null 2>&1") != 0) return;
  std::string text = RunCommand("pdftotext -layout '" + pdfs[0].string() + "' -");
  std::vector<std::string> pages;
  std::size_t start = 0;
  for (std::size_t ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1)
    pages.push_back(text.substr(start, ff - start));
  // Footers carry the page number from the first page after the cover on; the cover has none.
  for (std::size_t p = 0; p < pages.size(); ++p) {
    std::string last;
    std::istringstream lines(pages[p]);
    for (std::string line; std::getline(lines, line);)
      if (line.find_first_not_of(" \t") != std::string::npos) last = line.substr(line.find_first_not_of(" \t"));
    if (p == 0)
      EXPECT_EQ(last, "Sample Help");
    else
      EXPECT_EQ(last, std::to_string(p)) << "footer of page " << p + 1;
  }
  std::regex entry(R"((\d+(?:\.\d+)*) Topic (\d+)\s*\.{3,}\s*(\d+))");
  int entries = 0, exact = 0, off_by_more = 0;
  for (std::size_t p = 0; p < pages.size(); ++p) {
    for (std::sregex_iterator it(pages[p].begin(), pages[p].end(), entry), end; it != end; ++it) {
      ++entries;
      std::string heading = (*it)[1].str() + " Topic " + (*it)[2].str();
      int shown = std::stoi((*it)[3].str());
      // The physical page of the heading, numbered from the first page after the cover.
      for (std::size_t q = p + 1; q < pages.size(); ++q) {
        std::regex line("(^|\\n)\\s*" + std::regex_replace(heading, std::regex(R"(\.)"), R"(\.)") + "\\s*(\\n|$)");
        if (std::regex_search(pages[q], line)) {
          int actual = static_cast<int>(q);  // page 1 is the contents page after the cover
          exact += actual == shown;
          off_by_more += std::abs(actual - shown) > 1;
          break;
        }
      }
    }
  }
  EXPECT_EQ(entries, 50);
  EXPECT_EQ(off_by_more, 0) << exact << " of " << entries << " exact";
  RecordProperty("toc_numbers_exact", exact);
}

TEST(SampleDocumentTest, ReadsBackAsBuilt) {
  ScratchDir dir;
  auto path = SaveSample(dir, "sample", {});
  DocxReader r(path);
  auto headings = r.Headings();
  ASSERT_EQ(headings.size(), 50u);
  std::set<int> levels;
  for (const auto& h : headings) levels.insert(h.level);
  EXPECT_EQ(levels, (std::set<int>{1, 2, 3}));
  EXPECT_EQ(headings[0].text, "1 Topic 1");
  auto bookmarks = r.Bookmarks();
  std::set<std::string> names(bookmarks.begin(), bookmarks.end());
  for (int i = 1; i <= 50; ++i) EXPECT_TRUE(names.count("Bookmark" + std::to_string(i))) << i;
  auto links = r.InternalLinks();
  EXPECT_GT(links.size(), 100u);
  for (const auto& l : links) EXPECT_TRUE(names.count(l)) << "link to a missing bookmark " << l;
  auto pictures = r.Pictures();
  ASSERT_EQ(pictures.size(), 5u);
  auto sections = r.Sections();
  ASSERT_FALSE(sections.empty());
  long long text_width = (sections.back().width - sections.back().left - sections.back().right) * 635LL;
  for (const auto& p : pictures) {
    EXPECT_FALSE(p.embed_target.empty());
    EXPECT_TRUE(p.link_target.empty());
    EXPECT_LE(p.cx, text_width + 12700);
  }
  // 900 x 300 px at 96 dpi is 675 x 225 pt: fitted to the text width with its aspect kept.
  EXPECT_NEAR(static_cast<double>(pictures[0].cx) / pictures[0].cy, 3.0, 0.01);
  EXPECT_EQ(sections.front().width, 11906);
  EXPECT_EQ(sections.front().left, 86 * 20);
  EXPECT_FALSE(sections[0].has_footer);  // the cover
  EXPECT_TRUE(sections[1].has_footer);
  EXPECT_TRUE(sections[1].has_header);
  EXPECT_EQ(sections[1].page_start, 1);
  EXPECT_NE(r.Part("word/settings.xml").find("w:updateFields"), std::string::npos);
  EXPECT_NE(r.Part("word/document.xml").find("TOC \\o \"1-3\" \\h \\z \\u"), std::string::npos);
}

}  // namespace
}  // namespace tomeshift::word
