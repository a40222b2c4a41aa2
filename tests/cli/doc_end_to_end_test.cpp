// Help files converted by tomeshift-cli to both .doc and .docx: the outside readers of the binary
// format (LibreOffice, antiword, catdoc, wvText) must find in the .doc what the .docx holds, and a
// LibreOffice round trip of the .doc back to .docx must keep the document's structure.
//
// Recall: the share of the .docx's words (counted as a multiset) that a reader's text of the .doc
// holds. A word is a maximal run of letters and digits; every character outside ASCII counts as a
// letter except white space and punctuation (general, CJK and full-width punctuation), so that
// readers which print field codes or put spaces around fields and cells do not split or join words
// differently from the .docx.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/docx_reader.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"
#include "word/image/gif_decoder.h"
#include "word/msdoc/test_tools.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::DocxReader;
using testing::ScratchDir;
using testing::XmlNode;
using word::testing::LibreOfficeConvert;
using word::testing::PdfPages;
using word::testing::Quote;
using word::testing::RunCommand;

bool Have(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

bool IsSeparator(char16_t c) {
  if (c < 0x80) return !((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'));
  return c == 0x00A0 || (c >= 0x2000 && c <= 0x206F) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFF0F) ||
         (c >= 0xFF1A && c <= 0xFF20) || c == 0xFEFF || c == 0x00AB || c == 0x00BB || c == 0x00B7;
}

std::multiset<std::u16string> Words(const std::string& utf8) {
  std::multiset<std::u16string> words;
  std::u16string w;
  for (char16_t c : U16(utf8)) {
    if (!IsSeparator(c)) {
      w.push_back(c);
    } else if (!w.empty()) {
      words.insert(w);
      w.clear();
    }
  }
  if (!w.empty()) words.insert(w);
  return words;
}

struct RecallResult {
  double recall = 1;
  std::size_t words = 0;
  std::string first_missing;
};

RecallResult Recall(const std::multiset<std::u16string>& expected, const std::string& actual) {
  const auto have = Words(actual);
  RecallResult r;
  r.words = expected.size();
  std::size_t hit = 0;
  for (auto it = expected.begin(); it != expected.end(); it = expected.upper_bound(*it)) {
    const std::size_t want = expected.count(*it), got = have.count(*it);
    hit += std::min(want, got);
    if (got < want && r.first_missing.empty()) r.first_missing = U8(*it);
  }
  if (!expected.empty()) r.recall = static_cast<double>(hit) / static_cast<double>(expected.size());
  return r;
}

// The text a reader sees in a .docx paragraph: runs' text, tabs and breaks as spaces, no field codes.
void Gather(const XmlNode& n, std::string& out, bool& picture) {
  if (n.name == "w:t")
    out += n.text;
  else if (n.name == "w:tab" || n.name == "w:br" || n.name == "w:cr")
    out += ' ';
  else if (n.name == "w:drawing" || n.name == "w:pict")
    picture = true;
  if (n.name == "w:instrText") return;
  for (const auto& c : n.children) Gather(c, out, picture);
}

struct DocxText {
  std::string all;
  std::string without_pictures;  // paragraphs that hold no picture, outside tables that hold one
};

void Walk(const XmlNode& n, bool picture_table, DocxText& t) {
  if (n.name == "w:tbl" && !picture_table) picture_table = !n.All("w:drawing").empty();
  if (n.name != "w:p") {
    for (const auto& c : n.children) Walk(c, picture_table, t);
    return;
  }
  std::string text;
  bool picture = false;
  Gather(n, text, picture);
  t.all += text + "\n";
  if (!picture && !picture_table) t.without_pictures += text + "\n";
}

DocxText TextOf(const fs::path& docx) {
  DocxText t;
  Walk(DocxReader(docx).Xml("word/document.xml"), false, t);
  return t;
}

int RunCli(const ScratchDir& scratch, const fs::path& chm, const fs::path& out) {
  const fs::path tmp = scratch.path() / "tmp";
  fs::create_directories(tmp);
  const std::string command = "TMPDIR=" + Quote(tmp) + " XDG_CONFIG_HOME=" + Quote(scratch.path() / "config") + " " +
                              Quote(TOMESHIFT_CLI_PATH) + " --factory --quiet " + Quote(chm) + " -o " + Quote(out) +
                              " </dev/null >/dev/null 2>&1";
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

const fs::path kManual = fs::path(TOMESHIFT_SOURCE_DIR) / "docs/help/tomeshift.chm";

// The real-world help files: $TOMESHIFT_CORPUS_DIR, else the folder configured at build time.
fs::path CorpusDir() {
  const char* env = std::getenv("TOMESHIFT_CORPUS_DIR");
  return env && *env ? fs::path(env) : fs::path(TOMESHIFT_CORPUS_DIR);
}

// Every help file that converts: the demo manual, the fixtures that are valid help files, the corpus.
std::vector<fs::path> HelpFiles() {
  std::vector<fs::path> files = {kManual};
  const fs::path fixtures = fs::path(TOMESHIFT_FIXTURES_DIR) / "converter";
  for (const char* name : {"nested-contents.chm", "linked-target.chm", "japanese-shift-jis.chm", "many-pages.chm",
                           "sitemap-in-subfolder.chm", "stray-hha-before-system.chm", "many-directory-chunks.chm"})
    files.push_back(fixtures / name);
  const fs::path corpus = CorpusDir();
  std::vector<fs::path> real;
  if (fs::is_directory(corpus))
    for (const auto& e : fs::directory_iterator(corpus))
      if (e.path().extension() == ".chm") real.push_back(e.path());
  std::sort(real.begin(), real.end());
  files.insert(files.end(), real.begin(), real.end());
  return files;
}

struct Converted {
  std::string name;
  fs::path doc, docx;
};

std::vector<Converted> ConvertBothWays(const ScratchDir& scratch, const std::vector<fs::path>& inputs) {
  std::vector<Converted> out;
  for (const auto& chm : inputs) {
    SCOPED_TRACE(chm.string());
    Converted c{chm.stem().string(), scratch.path() / (chm.stem().string() + ".doc"),
                scratch.path() / (chm.stem().string() + ".docx")};
    EXPECT_EQ(RunCli(scratch, chm, c.doc), 0);
    EXPECT_EQ(RunCli(scratch, chm, c.docx), 0);
    if (fs::exists(c.doc) && fs::exists(c.docx)) out.push_back(c);
  }
  EXPECT_TRUE(fs::is_empty(scratch.path() / "tmp")) << "scratch files left";
  return out;
}

// The text readers, each file: antiword and catdoc find the .docx's words, wvText parses the file.
// catdoc drops everything from the last paragraph mark up to a picture character (as Word itself
// writes inline pictures); in a table, whose cells end with cell marks, that can reach back over
// many cells and rows. So catdoc's words are those of paragraphs without pictures outside tables
// that hold pictures.
TEST(DocEndToEnd, TextReadersFindTheWordsOfTheDocx) {
  ScratchDir scratch;
  const auto files = ConvertBothWays(scratch, HelpFiles());
  ASSERT_FALSE(files.empty());
  struct Reader {
    std::string tool, command;
    bool without_pictures;
  };
  const std::vector<Reader> readers = {
      {"antiword", "antiword -w 0 -m UTF-8.txt ", false},
      {"catdoc", "catdoc -w -d utf-8 ", true},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const DocxText text = TextOf(f.docx);
    const auto all = Words(text.all), without_pictures = Words(text.without_pictures);
    ASSERT_GT(all.size(), 5u) << "the .docx holds almost no text";
    for (const auto& reader : readers) {
      if (!Have(reader.tool)) continue;
      const auto run = RunCommand(reader.command + Quote(f.doc));
      EXPECT_EQ(run.status, 0) << reader.tool;
      const RecallResult r = Recall(reader.without_pictures ? without_pictures : all, run.out);
      EXPECT_GE(r.recall, 0.98) << reader.tool << ": " << r.words << " words, first missing: " << r.first_missing;
      RecordProperty(f.name + "_" + reader.tool, std::to_string(r.recall));
    }
    if (Have("wvText")) {
      const fs::path txt = scratch.path() / (f.name + ".wv.txt");
      EXPECT_EQ(RunCommand("wvText " + Quote(f.doc) + " " + Quote(txt)).status, 0) << "wvText";
      EXPECT_TRUE(fs::exists(txt) && fs::file_size(txt) > 0) << "wvText wrote nothing";
    }
  }
}

// LibreOffice lays out every .doc as the .docx: converted to PDF without error, with a page count
// within 10 % (all files in one LibreOffice run; it is slow to start).
TEST(DocEndToEnd, LibreOfficeLaysOutTheDocLikeTheDocx) {
  if (!Have("soffice") || !Have("pdfinfo")) GTEST_SKIP() << "LibreOffice or pdfinfo is not installed";
  ScratchDir scratch;
  const auto files = ConvertBothWays(scratch, HelpFiles());
  ASSERT_FALSE(files.empty());
  std::vector<fs::path> docs, docxs;
  for (const auto& f : files) {
    docs.push_back(f.doc);
    docxs.push_back(f.docx);
  }
  fs::create_directories(scratch.path() / "pdf-doc");
  fs::create_directories(scratch.path() / "pdf-docx");
  const auto doc_pdfs = LibreOfficeConvert(docs, "pdf", scratch.path() / "pdf-doc");
  const auto docx_pdfs = LibreOfficeConvert(docxs, "pdf", scratch.path() / "pdf-docx");
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i].name);
    ASSERT_FALSE(doc_pdfs[i].empty()) << "LibreOffice did not convert the .doc";
    ASSERT_FALSE(docx_pdfs[i].empty()) << "LibreOffice did not convert the .docx";
    const int doc_pages = PdfPages(doc_pdfs[i]), docx_pages = PdfPages(docx_pdfs[i]);
    EXPECT_GT(doc_pages, 0);
    EXPECT_LE(std::abs(doc_pages - docx_pages), std::max(1, docx_pages / 10))
        << doc_pages << " .doc pages vs " << docx_pages;
    RecordProperty(files[i].name + "_pages", std::to_string(doc_pages) + "/" + std::to_string(docx_pages));
  }
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

std::vector<std::pair<int, std::string>> LevelsAndTexts(const DocxReader& r) {
  std::vector<std::pair<int, std::string>> out;
  for (const auto& h : r.Headings()) out.push_back({h.level, h.text});
  return out;
}

// Links to a bookmark: w:hyperlink anchors, HYPERLINK \l fields, and pictures that are links
// (LibreOffice turns a link around nothing but a picture into a link of the picture).
std::multiset<std::string> LinkTargets(const DocxReader& r) {
  const auto anchors = r.InternalLinks();
  std::multiset<std::string> out(anchors.begin(), anchors.end());
  const std::string xml = r.Part("word/document.xml");
  const auto rels = r.Relationships("word/_rels/document.xml.rels");
  const std::string click = "<a:hlinkClick ";
  for (std::size_t at = 0; (at = xml.find(click, at)) != std::string::npos;) {
    at += click.size();
    const std::size_t id = xml.find("r:id=\"", at), close = xml.find('>', at);
    if (id == std::string::npos || id > close) continue;
    const auto rel = rels.find(xml.substr(id + 6, xml.find('"', id + 6) - id - 6));
    if (rel != rels.end() && rel->second.rfind('#', 0) == 0) out.insert(rel->second.substr(1));
  }
  const std::string key = "HYPERLINK \\l &quot;";
  for (std::size_t at = 0; (at = xml.find(key, at)) != std::string::npos;) {
    at += key.size();
    out.insert(xml.substr(at, xml.find("&quot;", at) - at));
  }
  return out;
}

// A LibreOffice round trip of converted help files, .doc back to .docx: headings with their levels,
// bookmarks, links between topics, pictures and tables all survive. The manual has tables and links;
// nested-contents and the corpus's film-collection help add pictures, the latter 85 of them, many
// links made of a picture and 50 tables.
TEST(DocEndToEnd, RoundTripThroughLibreOfficeKeepsTheStructure) {
  if (!Have("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  ScratchDir scratch;
  std::vector<fs::path> inputs = {kManual, fs::path(TOMESHIFT_FIXTURES_DIR) / "converter/nested-contents.chm"};
  const fs::path real = CorpusDir() / "gh-filmcollection-help.chm";
  if (fs::exists(real)) inputs.push_back(real);
  const auto files = ConvertBothWays(scratch, inputs);
  ASSERT_EQ(files.size(), inputs.size());
  std::vector<fs::path> docs;
  for (const auto& f : files) docs.push_back(f.doc);
  fs::create_directories(scratch.path() / "back");
  const auto back = LibreOfficeConvert(docs, "docx", scratch.path() / "back");
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i].name);
    ASSERT_FALSE(back[i].empty()) << "LibreOffice did not convert the .doc";
    const DocxReader original(files[i].docx), round(back[i]);

    const auto headings = LevelsAndTexts(original);
    EXPECT_FALSE(headings.empty());
    EXPECT_EQ(LevelsAndTexts(round), headings);

    // LibreOffice renames the contents' _Toc bookmarks to its own heading references, links included.
    const auto round_bookmarks = round.Bookmarks();
    const std::set<std::string> kept(round_bookmarks.begin(), round_bookmarks.end());
    auto as_kept = [&](const std::string& name) {
      return kept.count(name) || !kept.count("__RefHeading__" + name) ? name : "__RefHeading__" + name;
    };
    const auto original_bookmarks = original.Bookmarks();
    const std::set<std::string> had(original_bookmarks.begin(), original_bookmarks.end());
    EXPECT_FALSE(had.empty());
    for (const auto& b : had) EXPECT_TRUE(kept.count(as_kept(b))) << "bookmark lost: " << b;

    // Every link between topics of the original goes to the same bookmark.
    const auto want_links = LinkTargets(original);
    std::multiset<std::string> have_links;
    for (const auto& l : LinkTargets(round)) have_links.insert(l.rfind("__RefHeading__", 0) == 0 ? l.substr(14) : l);
    EXPECT_FALSE(want_links.empty());
    for (auto it = want_links.begin(); it != want_links.end(); it = want_links.upper_bound(*it))
      EXPECT_GE(have_links.count(*it), want_links.count(*it)) << "links to " << *it;

    // Every picture, except GIFs too damaged to decode (the binary format holds no GIF, so they are
    // decoded and stored as PNG).
    std::size_t pictures = 0;
    for (const auto& p : original.Pictures()) {
      const bool gif = p.embed_target.size() > 4 && p.embed_target.substr(p.embed_target.size() - 4) == ".gif";
      pictures += !gif || word::TDocGifDecoder::Decode(original.Part("word/" + p.embed_target)).has_value();
    }
    const auto round_pictures = round.Pictures();
    EXPECT_EQ(round_pictures.size(), pictures);
    for (const auto& p : round_pictures) EXPECT_FALSE(p.embed_target.empty()) << "a picture is not embedded";
    // Tables with nothing between them are one table in the binary format (as Word shows them).
    const std::string xml = original.Part("word/document.xml"), round_xml = round.Part("word/document.xml");
    EXPECT_EQ(Count(round_xml, "<w:tbl>"), Count(xml, "<w:tbl>") - Count(xml, "</w:tbl><w:tbl>"));
  }
}

}  // namespace
}  // namespace tomeshift
