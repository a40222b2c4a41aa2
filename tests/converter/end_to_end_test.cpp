// Whole conversions: a real help file in, the .docx read back (headings, bookmarks, links,
// pictures, page setup), and LibreOffice opening every document.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "converter/chm_to_doc.h"
#include "converter/document_assembly.h"
#include "platform/temp_files.h"
#include "support/docx_reader.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::DocxReader;
using testing::ScratchDir;
using testing::XmlNode;

struct Expected {
  int level;
  std::string text;
  std::string bookmark;
};

struct Converted {
  fs::path docx;
  std::vector<Expected> entries;
  std::vector<std::string> web_addresses;
  bool failed = true;
  std::string error;
  bool scratch_left = false;
};

Converted Convert(const fs::path& chm, const fs::path& out, const TDocPDFSettings& settings) {
  Converted r;
  r.docx = out;
  TChmToDocPDF c;
  c.Settings = settings;
  c.pdf = U16(out.string());
  c.SetOnError([&](const std::u16string& e) { r.error = U8(e); });
  c.SetOnDenied([&](const std::u16string&) { c.Abort = true; });
  c.SetOnMsg([](const std::u16string&) {});
  c.LoadFromCHM(U16(chm.string()));
  c.Title = c.Title.empty() ? u"Untitled" : c.Title;
  c.rootFolder = NewTempFolderName();
  c.UpdateSettings();
  c.decompile();
  c.Execute();
  for (const auto& e : c.List) {
    std::u16string text = settings.TitleNumber ? e->ChapterNumber + u" " + e->Topic : e->Topic;
    r.entries.push_back({std::min(e->Level + 1, 9), U8(text), U8(e->Bookmark)});
    if (e->Status == kStatusWebAddress) r.web_addresses.push_back(U8(e->Url));
  }
  const std::u16string root = c.rootFolder;
  c.OutputWord();
  r.failed = c.Failed;
  r.scratch_left = fs::exists(U8(root));
  return r;
}

// Trims and folds runs of white space, as a reader of the heading sees it.
std::string Squeeze(const std::string& s) {
  std::string out;
  for (char ch : s) {
    const bool space = ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
    if (space) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += ch;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

struct HeadingSeen {
  int level;
  std::string text;
  std::set<std::string> bookmarks;
};

std::vector<HeadingSeen> HeadingsWithBookmarks(const DocxReader& docx) {
  std::vector<HeadingSeen> out;
  const XmlNode doc = docx.Xml("word/document.xml");
  for (const XmlNode* p : doc.All("w:p")) {
    const XmlNode* ppr = p->Child("w:pPr");
    const XmlNode* style = ppr ? ppr->Child("w:pStyle") : nullptr;
    const std::string id = style ? style->Attr("w:val") : "";
    if (id.size() != 8 || id.rfind("Heading", 0) != 0) continue;
    HeadingSeen h{id[7] - '0', Squeeze(p->AllText()), {}};
    for (const XmlNode* b : p->All("w:bookmarkStart")) h.bookmarks.insert(b->Attr("w:name"));
    out.push_back(h);
  }
  return out;
}

std::vector<fs::path> HelpFiles() {
  std::vector<fs::path> files = {fs::path(TOMESHIFT_SOURCE_DIR) / "docs/help/tomeshift.chm"};
  const fs::path fixtures = fs::path(TOMESHIFT_FIXTURES_DIR) / "converter";
  for (const char* name : {"nested-contents.chm", "linked-target.chm", "japanese-shift-jis.chm", "many-pages.chm",
                           "sitemap-in-subfolder.chm", "stray-hha-before-system.chm", "many-directory-chunks.chm"})
    files.push_back(fixtures / name);
  return files;
}

class EndToEnd : public ::testing::TestWithParam<fs::path> {};

TEST_P(EndToEnd, DocumentReadsBackAsTheContentsSays) {
  ScratchDir out;
  TDocPDFSettings settings;
  settings.AddHint = true;
  settings.PaperSize = 41;
  settings.Width = 200;
  settings.Height = 250;
  settings.Top = 20;
  settings.Bottom = 22;
  settings.Left = 24;
  settings.Right = 26;
  const Converted r = Convert(GetParam(), out.path() / "result.docx", settings);
  ASSERT_FALSE(r.failed) << r.error;
  EXPECT_FALSE(r.scratch_left);
  DocxReader docx(r.docx);

  const auto headings = HeadingsWithBookmarks(docx);
  ASSERT_EQ(headings.size(), r.entries.size());
  for (std::size_t i = 0; i < headings.size(); ++i) {
    SCOPED_TRACE(r.entries[i].text);
    EXPECT_EQ(headings[i].level, r.entries[i].level);
    EXPECT_EQ(headings[i].text, Squeeze(r.entries[i].text));
    EXPECT_TRUE(headings[i].bookmarks.count(r.entries[i].bookmark)) << "heading not covered by its bookmark";
  }

  const std::string body = docx.Part("word/document.xml");
  EXPECT_NE(body.find(" TOC \\o"), std::string::npos);
  const auto bookmarks = docx.Bookmarks();
  const std::set<std::string> names(bookmarks.begin(), bookmarks.end());
  // Links between topics and to anchors were rewritten to bookmarks; each must land on one.
  for (const auto& link : docx.InternalLinks()) EXPECT_TRUE(names.count(link)) << "dangling link to " << link;
  std::vector<std::string> external = docx.ExternalLinks();
  for (const auto& web : r.web_addresses)
    EXPECT_NE(std::find(external.begin(), external.end(), web), external.end()) << web;

  const long long text_width_emu = static_cast<long long>(570 - 68 - 74) * 12700;
  for (const auto& p : docx.Pictures()) {
    EXPECT_FALSE(p.embed_target.empty());
    EXPECT_TRUE(p.link_target.empty());
    EXPECT_LE(p.cx, text_width_emu + 12700);
  }

  const auto sections = docx.Sections();
  ASSERT_GE(sections.size(), 3u);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    EXPECT_EQ(sections[i].width, 570 * 20);
    EXPECT_EQ(sections[i].height, 712 * 20);
    EXPECT_EQ(sections[i].top, 57 * 20);
    EXPECT_EQ(sections[i].bottom, 63 * 20);
    EXPECT_EQ(sections[i].left, 68 * 20);
    EXPECT_EQ(sections[i].right, 74 * 20);
    EXPECT_EQ(sections[i].has_header, i == 1);
    EXPECT_EQ(sections[i].has_footer, i == 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, EndToEnd, ::testing::ValuesIn(HelpFiles()), [](const auto& info) {
  std::string n = info.param.stem().string();
  std::replace(n.begin(), n.end(), '-', '_');
  return n;
});

TEST(EndToEndManual, HintsBreaksAndNoNavigationText) {
  ScratchDir out;
  TDocPDFSettings settings;
  settings.AddHint = true;
  settings.Cover = false;
  settings.StartNewPage = 1;
  const fs::path manual = fs::path(TOMESHIFT_SOURCE_DIR) / "docs/help/tomeshift.chm";
  const Converted r = Convert(manual, out.path() / "manual.docx", settings);
  ASSERT_FALSE(r.failed) << r.error;
  DocxReader docx(r.docx);
  const std::string body = docx.Part("word/document.xml");
  EXPECT_NE(body.find("See "), std::string::npos) << "hints are on";
  // The navigation bar that every page of the manual shares is cut.
  EXPECT_EQ(body.find("Getting started | Troubleshooting"), std::string::npos);
  EXPECT_EQ(body.find(">Troubleshooting</w:t></w:r><w:r><w:t xml:space=\"preserve\"> |"), std::string::npos);
  int first_level = 0;
  for (const auto& e : r.entries) first_level += e.level == 1;
  const auto sections = docx.Sections();
  // The contents section, then one section per first-level entry.
  EXPECT_EQ(sections.size(), static_cast<std::size_t>(1 + first_level));
  EXPECT_TRUE(sections[0].has_header);
}

TEST(EndToEndCorpus, EveryRealHelpFileConvertsAndLibreOfficeOpensIt) {
  const fs::path corpus = TOMESHIFT_CORPUS_DIR;
  if (!fs::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  ScratchDir out;
  std::vector<fs::path> documents;
  std::vector<fs::path> inputs = HelpFiles();
  for (const auto& e : fs::directory_iterator(corpus))
    if (e.path().extension() == ".chm") inputs.push_back(e.path());
  for (const auto& chm : inputs) {
    SCOPED_TRACE(chm.string());
    const fs::path docx = out.path() / (chm.stem().string() + ".docx");
    const Converted r = Convert(chm, docx, TDocPDFSettings());
    EXPECT_FALSE(r.failed) << r.error;
    EXPECT_FALSE(r.scratch_left);
    if (!r.failed) {
      // The pages' own headings, in tables too, are body text: one heading per entry.
      const DocxReader read(docx);
      EXPECT_EQ(read.Headings().size(), r.entries.size());
      const auto bookmarks = read.Bookmarks();
      const std::set<std::string> names(bookmarks.begin(), bookmarks.end());
      for (const auto& link : read.InternalLinks()) EXPECT_TRUE(names.count(link)) << "dangling link to " << link;
      documents.push_back(docx);
    }
  }
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "no LibreOffice";
  std::string command = "cd '" + out.path().string() + "' && HOME='" + out.path().string() +
                        "' soffice --headless --convert-to pdf --outdir pdf";
  for (const auto& d : documents) command += " '" + d.filename().string() + "'";
  command += " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const auto& d : documents) {
    const fs::path pdf = out.path() / "pdf" / (d.stem().string() + ".pdf");
    EXPECT_TRUE(fs::exists(pdf) && fs::file_size(pdf) > 1000) << "LibreOffice could not open " << d;
  }
}

}  // namespace
}  // namespace tomeshift
