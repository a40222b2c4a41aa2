// Whole conversions: a real help file in, the .docx read back (headings, bookmarks, links,
// pictures, page setup), and LibreOffice opening every document.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "converter/chapter_numbers.h"
#include "converter/chm_to_doc.h"
#include "converter/chm_topic_file.h"
#include "converter/document_assembly.h"
#include "converter/topic_comparison.h"
#include "platform/code_pages.h"
#include "platform/office_layout.h"
#include "platform/temp_files.h"
#include "platform/text_files.h"
#include "support/docx_reader.h"
#include "support/scratch_dir.h"
#include "text/html_tag_tree.h"
#include "text/html_vocabulary.h"
#include "text/path_helpers.h"
#include "text/text_utils.h"
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

struct PageParagraph {
  std::string text;
  bool links = false;      // mostly link text: navigation or a list of links
  std::string shape;       // lower case, each link's text as one kLinkMark
  bool link_line = false;  // links with at most a few words between them
};

// Stands for the text of a link in a paragraph's shape.
const std::string kLinkMark = "\xE2\x97\xA6";

// A contents page as it came out of the help file.
struct RawPage {
  std::vector<PageParagraph> paragraphs;
  std::vector<std::u16string> titles;  // the entry's and the page's own
};

struct Converted {
  fs::path docx;
  std::vector<Expected> entries;
  // The distilled pages' paragraphs (before they were cut into sections), and the titles that become
  // headings instead of text.
  std::vector<PageParagraph> page_paragraphs;
  std::vector<std::u16string> titles;
  std::vector<RawPage> raw_pages;
  std::vector<std::string> web_addresses;
  bool failed = true;
  std::string error;
  bool scratch_left = false;
};

// Runs of white space (no-break spaces too) as one blank, none at the ends.
std::string Normalize(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    bool space = s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r';
    if (s[i] == '\xC2' && i + 1 < s.size() && s[i + 1] == '\xA0') {
      space = true;
      ++i;
    }
    if (!space)
      out += s[i];
    else if (!out.empty() && out.back() != ' ')
      out += ' ';
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// A printed paragraph's parts, without the hint right behind each link ("(See 2.1)"); a link's text
// as kLinkMark when `shape`.
std::string PrintedText(const XmlNode& paragraph, bool shape = false) {
  std::string out;
  bool after_link = false;
  for (const XmlNode& part : paragraph.children) {
    std::string text = part.AllText();
    if (after_link && text.rfind("(See ", 0) == 0 && text.find(')') != std::string::npos)
      text.erase(0, text.find(')') + 1);
    after_link = part.name == "w:hyperlink";
    out += shape && after_link ? (Normalize(text).empty() ? "" : kLinkMark) : text;
  }
  return out;
}

// A distilled body's text as paragraphs: cut at block tags, without comments and what the reader never
// sees (scripts, styles), entities decoded.
std::vector<PageParagraph> PageParagraphs(std::u16string_view body) {
  std::vector<PageParagraph> out;
  std::u16string text, shape;
  std::size_t letters = 0, link_letters = 0, in_link = 0, links = 0;
  bool masked = false;
  const auto flush = [&] {
    std::string p = Normalize(U8(DecodeHtmlEntities(text, true)));
    if (!p.empty()) {
      PageParagraph para;
      para.text = p;
      para.links = link_letters * 2 >= letters;
      para.shape = U8(LowerCase(U16(Normalize(U8(DecodeHtmlEntities(shape, true))))));
      // Navigation words between the links ("Next:", "Up:"), no sentence.
      std::size_t gap_words = 0, words = 0;
      bool sentence = false;
      std::string rest = para.shape + kLinkMark;
      for (std::size_t at = rest.find(kLinkMark); at != std::string::npos; at = rest.find(kLinkMark)) {
        gap_words = 0;
        bool in_word = false;
        for (const char ch : rest.substr(0, at)) {
          const bool word = (ch & 0x80) != 0 || std::isalnum(static_cast<unsigned char>(ch));
          if (word && !in_word) ++gap_words;
          in_word = word;
        }
        words += gap_words;
        sentence = sentence || gap_words > 3;
        rest.erase(0, at + kLinkMark.size());
      }
      para.link_line = links > 0 && !sentence && words <= 2 * links + 3;
      out.push_back(std::move(para));
    }
    text.clear();
    shape.clear();
    letters = link_letters = links = 0;
  };
  for (std::size_t i = 0; i < body.size();) {
    if (body[i] != u'<') {
      const char16_t c = body[i];
      if (c >= 0x80 || std::isalnum(static_cast<unsigned char>(c))) {
        ++letters;
        if (in_link) ++link_letters;
      }
      if (!in_link) {
        shape += c;
      } else if (!masked && !IsWhitespace(c)) {
        shape += U16(kLinkMark);
        masked = true;
      }
      text += body[i++];
      continue;
    }
    if (body.substr(i, 4) == u"<!--") {
      const std::size_t end = body.find(u"-->", i + 4);
      i = end == std::u16string_view::npos ? body.size() : end + 3;
      continue;
    }
    const std::size_t close = body.find(u'>', i);
    if (close == std::u16string_view::npos) break;
    std::u16string_view tag = body.substr(i + 1, close - i - 1);
    i = close + 1;
    const bool end_tag = !tag.empty() && tag.front() == u'/';
    if (end_tag) tag.remove_prefix(1);
    const std::size_t name_end = tag.find_first_of(u" \t\r\n/");
    const std::u16string name(tag.substr(0, name_end));
    if (IsBreakTag(name)) flush();
    if (SameText(name, u"a")) {
      const bool starts = !end_tag && ContainsText(tag, u"href");
      in_link = end_tag ? 0 : (starts ? 1 : in_link);
      if (starts) masked = false, ++links;
    }
    if (!end_tag && (SameText(name, u"script") || SameText(name, u"style"))) {
      const std::size_t end = PosText(u"</" + name, body, i);
      i = end == std::u16string_view::npos ? body.size() : end;
    }
    // Hints are the document's, not the page's text.
    if (!end_tag && SameText(name, u"span") && ContainsText(tag, U16(kHintAttribute))) {
      const std::size_t end = PosText(u"</span>", body, i);
      i = end == std::u16string_view::npos ? body.size() : end;
    }
  }
  flush();
  return out;
}

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
  // The pages as extracted, before the distiller rewrites them: upper-cased path in the scratch folder.
  std::map<std::u16string, std::u16string> extracted;
  const fs::path scratch = U8(c.rootFolder);
  if (const ScopedAnsiCodePage code_page(c.CodePage); fs::is_directory(scratch))
    for (const auto& f : fs::recursive_directory_iterator(scratch)) {
      const std::string ext = f.path().extension().string();
      if (f.is_regular_file() && (SameText(U16(ext), u".htm") || SameText(U16(ext), u".html")))
        extracted[UpperCase(ToBackslashes(U16(fs::relative(f.path(), scratch).string())))] =
            ReadPageText(U16(f.path().string()));
    }
  c.Execute();
  std::set<std::u16string> seen;
  for (const auto& e : c.List) {
    if (e->Status != kStatusPage) continue;
    const std::u16string key = UpperCase(ToBackslashes(SplitUrlAnchor(e->Url).page));
    const auto page = extracted.find(key);
    if (page == extracted.end() || !seen.insert(key).second) continue;
    const TBodySplit split = SplitBody(page->second);
    r.raw_pages.push_back({PageParagraphs(split.Body), {e->Topic, DecodeHtmlEntities(GetPageTitle(split.BeforeBody))}});
  }
  for (const auto& e : c.List) {
    const std::u16string text = HeadingText(*e, settings.TitleNumber, c.TitlesNumbered);
    r.entries.push_back({std::min(e->Level + 1, 9), U8(text), U8(e->Bookmark)});
    if (e->Status == kStatusWebAddress) r.web_addresses.push_back(U8(e->Url));
    r.titles.push_back(e->Topic);
    r.titles.push_back(text);
  }
  r.titles.push_back(c.Title);
  for (const auto& page : c.TopicList) {
    if (c.Discard && c.NonTocicFiles.Contains(page->Filename)) continue;
    for (auto& p : PageParagraphs(page->Body)) r.page_paragraphs.push_back(std::move(p));
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

bool IsTitle(const std::string& paragraph, const std::vector<std::u16string>& titles) {
  if (std::count(paragraph.begin(), paragraph.end(), ' ') > 12) return false;
  const std::u16string text = U16(paragraph);
  for (const auto& title : titles)
    if (TitlesMatch(text, title)) return true;
  return false;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

// Each paragraph of the distilled pages is printed as often as the pages hold it, once as a rule: none
// twice, (almost) none lost. Titles are left out: the headings stand for them; so are paragraphs that
// are mostly links (navigation) from the count of what is lost. Paragraphs that the document breaks
// differently are counted in the running text.
void ExpectPageTextOnce(const Converted& r, const DocxReader& docx) {
  std::map<std::string, std::size_t> expected, printed;
  std::set<std::string> prose;  // what the loss is measured on
  std::string page_text, printed_text;
  for (const auto& [p, links, shape, link_line] : r.page_paragraphs) {
    page_text += p + ' ';
    if (p.size() < 20 || std::count(p.begin(), p.end(), ' ') < 2 || IsTitle(p, r.titles)) continue;
    ++expected[p];
    if (!links) prose.insert(p);
  }
  const XmlNode document = docx.Xml("word/document.xml");
  for (const XmlNode* p : document.All("w:p")) {
    const XmlNode* ppr = p->Child("w:pPr");
    const XmlNode* style = ppr ? ppr->Child("w:pStyle") : nullptr;
    const std::string id = style ? style->Attr("w:val") : "";
    if (id.rfind("Heading", 0) == 0 || id.rfind("TOC", 0) == 0) continue;
    const std::string text = Normalize(PrintedText(*p));
    ++printed[text];
    printed_text += text + ' ';
  }
  std::size_t words = 0, found = 0;
  std::vector<std::string> repeated, lost;
  for (const auto& [p, count] : expected) {
    std::size_t want = count, got = printed.count(p) ? printed.at(p) : 0;
    if (got != want) {
      want = Occurrences(page_text, p);
      got = Occurrences(printed_text, p);
    }
    if (got > want) repeated.push_back(p);
    if (!prose.count(p)) continue;
    const auto w = static_cast<std::size_t>(std::count(p.begin(), p.end(), ' ') + 1);
    words += want * w;
    found += std::min(got, want) * w;
    if (got < want) lost.push_back(p);
  }
  EXPECT_TRUE(repeated.empty()) << repeated.size()
                                << " paragraphs printed more than once, such as: " << repeated.front();
  EXPECT_GE(found * 100, words * 99) << "text found " << found << " of " << words
                                     << " words; lost: " << (lost.empty() ? std::string() : lost.front());
}

// A title as a reader compares it: lower case, without its number ("2.1", "Chapter 3.", "A.1.") and
// the permalink sign behind it.
std::string Bare(const std::string& title) {
  std::string text = U8(LowerCase(U16(Normalize(title))));
  while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\xC2\xB6") == 0)
    text = Normalize(text.substr(0, text.size() - 2));
  static const std::regex number(R"(^((chapter|appendix|section)\s+)?([0-9]+|[a-z])(\.[0-9]+)*\.?\s+)");
  return std::regex_replace(text, number, "", std::regex_constants::format_first_only);
}

// Measured against the pages as extracted: navigation that most pages carry at their top or bottom
// (a line of links whose shape, link texts masked, is the same there) is printed at most once; no
// heading is followed by its own title; the text only one page or two hold (the pages' own) is there.
void ExpectNavigationGoneAndContentKept(const Converted& r, const DocxReader& docx, const std::string& name) {
  const std::size_t pages = r.raw_pages.size();
  // As the pages vote on shared blocks; text on at least half the pages is no page's own.
  const auto most_vote = static_cast<std::size_t>(SharedBlockThreshold(pages)) + 1;
  const std::size_t most = std::max<std::size_t>(3, (pages + 1) / 2);
  std::map<std::string, std::size_t> edge_shapes, holders;
  for (const auto& page : r.raw_pages) {
    std::set<std::string> shapes, texts;
    const auto& ps = page.paragraphs;
    for (std::size_t i = 0; i < ps.size(); ++i)
      if (ps[i].link_line && (i < 12 || i + 12 >= ps.size())) shapes.insert(ps[i].shape);
    for (const auto& p : ps) texts.insert(p.text);
    for (const auto& shape : shapes) ++edge_shapes[shape];
    for (const auto& text : texts) ++holders[text];
  }
  std::set<std::string> navigation;
  for (const auto& [shape, count] : edge_shapes) {
    std::string fixed;  // what stands besides the links: "Next:", "|", "»"
    for (std::size_t at = 0; at < shape.size(); ++at) {
      if (shape.compare(at, kLinkMark.size(), kLinkMark) == 0)
        at += kLinkMark.size() - 1;
      else if (shape[at] != ' ')
        fixed += shape[at];
    }
    if (count >= std::max<std::size_t>(3, most_vote) && !fixed.empty()) navigation.insert(shape);
  }

  struct Printed {
    std::string text, shape;
    bool heading;
  };
  std::vector<Printed> printed;
  const XmlNode document = docx.Xml("word/document.xml");
  for (const XmlNode* p : document.All("w:p")) {
    const XmlNode* ppr = p->Child("w:pPr");
    const XmlNode* style = ppr ? ppr->Child("w:pStyle") : nullptr;
    const std::string id = style ? style->Attr("w:val") : "";
    if (id.rfind("TOC", 0) == 0) continue;
    printed.push_back({Normalize(PrintedText(*p)), U8(LowerCase(U16(Normalize(PrintedText(*p, true))))),
                       id.rfind("Heading", 0) == 0});
  }
  std::map<std::string, std::size_t> navigation_printed;
  std::size_t titles_repeated = 0;
  std::string printed_text, repeated;
  std::map<std::string, std::size_t> printed_count;
  for (std::size_t i = 0; i < printed.size(); ++i) {
    const Printed& p = printed[i];
    if (!p.heading) {
      printed_text += p.text + ' ';
      ++printed_count[p.text];
      if (navigation.count(p.shape)) ++navigation_printed[p.shape];
      continue;
    }
    std::size_t next = i + 1;
    while (next < printed.size() && !printed[next].heading && printed[next].text.empty()) ++next;
    // A link is no title, though it may bear the same words ("Index" on the index page).
    if (next < printed.size() && !printed[next].heading && printed[next].shape != kLinkMark && !Bare(p.text).empty() &&
        Bare(printed[next].text) == Bare(p.text)) {
      ++titles_repeated;
      repeated = p.text;
    }
  }
  // A bar's lone links, left where the bar lacks a neighbour on some pages (the first has no "Prev").
  std::size_t lone_links = 0;
  for (const Printed& p : printed) {
    const std::string word = U8(LowerCase(U16(p.text)));
    if (!p.heading && p.shape == kLinkMark &&
        (word == "prev" || word == "previous" || word == "next" || word == "up" || word == "home"))
      ++lone_links;
  }
  EXPECT_EQ(lone_links, 0u) << "links of a navigation bar left";
  std::size_t navigation_left = 0;
  for (const auto& [shape, count] : navigation_printed) {
    EXPECT_LE(count, 1u) << "navigation printed " << count << " times: " << shape;
    navigation_left += count > 1 ? count - 1 : 0;
  }
  EXPECT_EQ(titles_repeated, 0u) << "titles printed again under their headings, such as " << repeated;

  std::set<std::string> entry_titles;
  for (const auto& t : r.titles) entry_titles.insert(Bare(U8(t)));
  std::size_t words = 0, found = 0;
  std::string lost;
  for (const auto& page : r.raw_pages)
    for (const auto& p : page.paragraphs) {
      if (p.links || p.text.size() < 20 || std::count(p.text.begin(), p.text.end(), ' ') < 2 ||
          holders[p.text] >= most || entry_titles.count(Bare(p.text)))
        continue;
      const std::u16string text = U16(p.text);
      if (std::any_of(page.titles.begin(), page.titles.end(), [&](const auto& t) { return IsSimilarText(text, t); }))
        continue;
      const auto w = static_cast<std::size_t>(std::count(p.text.begin(), p.text.end(), ' ') + 1);
      words += w;
      if (printed_count.count(p.text) || printed_text.find(p.text) != std::string::npos)
        found += w;
      else if (lost.empty())
        lost = p.text;
    }
  EXPECT_GE(found * 100, words * 99) << "the pages' own text found " << found << " of " << words
                                     << " words; lost: " << lost;
  std::printf("[figures] %s: navigation printed again %zu, titles repeated %zu, own text %zu/%zu words\n", name.c_str(),
              navigation_left, titles_repeated, found, words);
}

bool IsMonospace(const std::string& font) {
  const std::string f = U8(LowerCase(U16(font)));
  return f.find("courier") != std::string::npos || f.find(" mono") != std::string::npos ||
         f.find("consolas") != std::string::npos;
}

// The font and size (half-points) a run is set in, when it says so itself.
std::pair<std::string, int> RunFont(const XmlNode& run) {
  const XmlNode* rpr = run.Child("w:rPr");
  const XmlNode* fonts = rpr ? rpr->Child("w:rFonts") : nullptr;
  const XmlNode* size = rpr ? rpr->Child("w:sz") : nullptr;
  return {fonts ? fonts->Attr("w:ascii") : "", size ? std::atoi(size->Attr("w:val").c_str()) : 24};
}

// What browsers never draw: a list marker on a line of its own, justified code, a hint inside code,
// and (where the table fits the page) a column narrower than a word of its cells. Word widths are
// taken low (a third of an em a letter, six tenths in code), so only a real squeeze counts.
void ExpectPagesDrawnAsBrowsersDo(const DocxReader& docx) {
  const XmlNode document = docx.Xml("word/document.xml");
  std::vector<std::string> faults;
  for (const XmlNode* p : document.All("w:p")) {
    const XmlNode* ppr = p->Child("w:pPr");
    const XmlNode* num = ppr ? ppr->Child("w:numPr") : nullptr;
    const XmlNode* num_id = num ? num->Child("w:numId") : nullptr;
    const std::string text = Normalize(p->AllText());
    if (num_id && num_id->Attr("w:val") != "0" && text.empty() && p->All("w:drawing").empty())
      faults.push_back("an empty list paragraph");
    bool code = !text.empty();
    for (const XmlNode* run : p->All("w:r")) {
      const std::string run_text = run->AllText();
      if (Normalize(run_text).empty()) continue;
      const bool mono = IsMonospace(RunFont(*run).first);
      code = code && mono;
      if (mono && run_text.find("(See ") != std::string::npos) faults.push_back("a hint in code: " + text);
    }
    const XmlNode* jc = ppr ? ppr->Child("w:jc") : nullptr;
    if (code && jc && jc->Attr("w:val") == "both") faults.push_back("justified code: " + text);
  }
  const auto sections = docx.Sections();
  const int text_width = sections.empty() ? 0 : sections[0].width - sections[0].left - sections[0].right;
  for (const XmlNode* table : document.All("w:tbl")) {
    std::vector<int> grid;
    for (const XmlNode* col : table->Child("w:tblGrid")->All("w:gridCol"))
      grid.push_back(std::atoi(col->Attr("w:w").c_str()));
    int margins = 0;
    const XmlNode* mar = table->Child("w:tblPr")->Child("w:tblCellMar");
    for (const char* side : {"w:left", "w:right"})
      if (const XmlNode* m = mar ? mar->Child(side) : nullptr) margins += std::atoi(m->Attr("w:w").c_str());
    std::vector<double> need(grid.size(), 0);
    std::vector<std::string> word(grid.size());
    for (const XmlNode& row : table->children) {
      if (row.name != "w:tr") continue;
      std::size_t col = 0;
      for (const XmlNode& cell : row.children) {
        if (cell.name != "w:tc") continue;
        const XmlNode* span = cell.Child("w:tcPr") ? cell.Child("w:tcPr")->Child("w:gridSpan") : nullptr;
        const std::size_t cols = span ? static_cast<std::size_t>(std::atoi(span->Attr("w:val").c_str())) : 1;
        if (cols == 1 && col < grid.size()) {
          for (const XmlNode* run : cell.All("w:r")) {
            const auto [font, size] = RunFont(*run);
            std::istringstream words(run->AllText());
            for (std::string w; words >> w;) {
              const double width = U16(w).size() * size * 10 * (IsMonospace(font) ? 0.6 : 0.33) + margins;
              if (width > need[col]) need[col] = width, word[col] = w;
            }
          }
        }
        col += cols;
      }
    }
    double total = 0;
    for (double n : need) total += n;
    if (total > text_width) continue;  // no room for every word: some column must give way
    for (std::size_t c = 0; c < grid.size(); ++c)
      if (grid[c] + 20 < need[c]) faults.push_back("a column narrower than \"" + word[c] + "\"");
  }
  EXPECT_TRUE(faults.empty()) << faults.size() << " places drawn unlike a browser, such as " << faults.front();
}

// "3.2 2.1 Rules", a counted number before a title's own, is a heading with two numbers.
void ExpectOneNumberPerHeading(const std::vector<DocxReader::Heading>& headings) {
  for (const auto& h : headings) {
    const std::string text = Normalize(h.text);
    const std::size_t blank = text.find(' ');
    if (blank == std::string::npos || text.find_first_not_of(".0123456789") < blank ||
        text.find_first_of("0123456789") > blank)
      continue;
    EXPECT_TRUE(OwnChapterNumber(U16(text.substr(blank + 1)), false).empty()) << "two numbers: " << text;
  }
}

struct ContentsEntry {
  std::string title;  // white space removed
  int page = 0;
};

// The contents as the document caches it: each entry's text and the page number after its tab.
std::vector<ContentsEntry> ContentsEntries(const DocxReader& docx) {
  std::vector<ContentsEntry> out;
  const XmlNode doc = docx.Xml("word/document.xml");
  for (const XmlNode* p : doc.All("w:p")) {
    const XmlNode* ppr = p->Child("w:pPr");
    const XmlNode* style = ppr ? ppr->Child("w:pStyle") : nullptr;
    const std::string name = style ? style->Attr("w:val") : "";
    if (name.rfind("TOC", 0) != 0 && name.rfind("Contents", 0) != 0) continue;
    const auto texts = p->All("w:t");
    if (texts.empty()) continue;
    const std::string number = texts.back()->AllText();
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) continue;
    ContentsEntry e;
    for (std::size_t i = 0; i + 1 < texts.size(); ++i) e.title += texts[i]->AllText();
    std::erase_if(e.title, [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
    e.page = std::stoi(number);
    out.push_back(std::move(e));
  }
  return out;
}

// The number each page of a PDF shows in its footer, as pdftotext reads it (0 when none).
std::vector<int> PdfFooterNumbers(const fs::path& pdf) {
  std::string text;
  FILE* pipe = ::popen(("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null").c_str(), "r");
  char buf[65536];
  for (std::size_t n; pipe && (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
  if (pipe) ::pclose(pipe);
  std::vector<int> numbers;
  for (std::size_t at = 0, end; (end = text.find('\f', at)) != std::string::npos; at = end + 1) {
    const std::string page = text.substr(at, end - at);
    std::string last;
    for (std::size_t line_end = page.size(); last.empty() && line_end > 0;) {
      const std::size_t line_start = page.rfind('\n', line_end - 1);
      const std::size_t from = line_start == std::string::npos ? 0 : line_start + 1;
      last = Normalize(page.substr(from, line_end - from));
      line_end = line_start == std::string::npos ? 0 : line_start;
    }
    const bool number = !last.empty() && last.size() < 6 && last.find_first_not_of("0123456789") == std::string::npos;
    numbers.push_back(number ? std::stoi(last) : 0);
  }
  return numbers;
}

// The number after key ("/First 12 0 R" gives 12) in an object's dictionary; 0 when absent.
int Reference(std::string_view object, std::string_view key) {
  const std::size_t at = object.find(key);
  return at == std::string_view::npos ? 0 : std::atoi(std::string(object.substr(at + key.size(), 12)).c_str());
}

// The PDF's outline in document order: each item's title (white space removed) and its page (from 0).
std::vector<std::pair<std::string, int>> PdfOutline(const std::string& pdf) {
  std::map<int, std::size_t> offsets;  // object number -> where "N 0 obj" starts
  for (std::size_t at = pdf.find(" 0 obj"); at != std::string::npos; at = pdf.find(" 0 obj", at + 6)) {
    std::size_t from = at;
    while (from > 0 && std::isdigit(static_cast<unsigned char>(pdf[from - 1]))) --from;
    if (from < at && (from == 0 || pdf[from - 1] == '\n')) offsets.emplace(std::atoi(pdf.c_str() + from), from);
  }
  auto object = [&](int n) -> std::string_view {
    const auto it = offsets.find(n);
    if (it == offsets.end()) return {};
    return std::string_view(pdf).substr(it->second, pdf.find("endobj", it->second) - it->second);
  };
  std::map<int, int> page_index;
  const std::size_t kids = pdf.find("/Kids[");
  if (kids != std::string::npos) {
    std::istringstream refs(pdf.substr(kids + 6, pdf.find(']', kids) - kids - 6));
    for (std::string n, gen, r; refs >> n >> gen >> r;)
      page_index.emplace(std::stoi(n), static_cast<int>(page_index.size()));
  }
  std::vector<std::pair<std::string, int>> out;
  std::vector<int> pending = {Reference(object(Reference(pdf, "/Outlines ")), "/First ")};
  while (!pending.empty() && out.size() < 100000) {
    const int item = pending.back();
    pending.pop_back();
    const std::string_view dict = object(item);
    if (dict.empty()) continue;
    if (const int next = Reference(dict, "/Next "); next) pending.push_back(next);
    if (const int first = Reference(dict, "/First "); first) pending.push_back(first);
    std::u16string title;
    const std::size_t hex = dict.find("/Title<FEFF");
    for (std::size_t i = hex + 11; hex != std::string_view::npos && i + 4 <= dict.size() && dict[i] != '>'; i += 4)
      title += static_cast<char16_t>(std::stoi(std::string(dict.substr(i, 4)), nullptr, 16));
    std::string squeezed = U8(title);
    std::erase_if(squeezed, [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
    const auto page = page_index.find(Reference(dict, "/Dest["));
    out.emplace_back(std::move(squeezed), page == page_index.end() ? -1 : page->second);
  }
  return out;
}

// Each contents entry must name the page that the PDF's footer shows where its heading stands (the
// outline says where; titles alone would also match the help file's own contents pages).
void ExpectContentsPagesAsPrinted(const std::vector<ContentsEntry>& entries, const fs::path& pdf) {
  const auto pages = PdfFooterNumbers(pdf);
  const auto outline = PdfOutline(testing::ReadBinaryFile(pdf));
  ASSERT_FALSE(pages.empty()) << "pdftotext read nothing from " << pdf;
  ASSERT_FALSE(outline.empty()) << "no outline in " << pdf;
  std::size_t at = 0;
  for (const auto& e : entries) {
    std::size_t found = at;
    while (found < outline.size() && outline[found].first != e.title) ++found;
    if (found == outline.size()) {
      ADD_FAILURE() << e.title << " is not in the outline after item " << at;
      continue;
    }
    at = found + 1;
    const int page = outline[found].second;
    ASSERT_TRUE(page >= 0 && page < static_cast<int>(pages.size())) << e.title;
    EXPECT_EQ(e.page, pages[static_cast<std::size_t>(page)]) << e.title;
  }
}

std::vector<fs::path> HelpFiles() {
  std::vector<fs::path> files = {fs::path(TOMESHIFT_SOURCE_DIR) / "docs/help/tomeshift.chm"};
  const fs::path fixtures = fs::path(TOMESHIFT_FIXTURES_DIR) / "converter";
  for (const char* name : {"nested-contents.chm", "linked-target.chm", "japanese-shift-jis.chm", "many-pages.chm",
                           "sitemap-in-subfolder.chm", "stray-hha-before-system.chm", "many-directory-chunks.chm"})
    files.push_back(fixtures / name);
  // Help files as documentation generators write them.
  for (const char* name : {"docbook-xsl.chm", "sphinx-htmlhelp.chm", "doxygen-htmlhelp.chm", "texinfo-html.chm"})
    files.push_back(fixtures / "generators" / name);
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
  fs::path corpus = TOMESHIFT_CORPUS_DIR;
  // Worktrees sit one level deeper than the main checkout.
  if (!fs::exists(corpus)) corpus = fs::path(TOMESHIFT_SOURCE_DIR) / ".." / ".." / "shared" / "corpus";
  if (!fs::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  ScratchDir out;
  std::vector<fs::path> documents;
  std::vector<fs::path> inputs = HelpFiles();
  for (const auto& e : fs::directory_iterator(corpus))
    if (e.path().extension() == ".chm") inputs.push_back(e.path());
  for (const auto& chm : inputs) {
    SCOPED_TRACE(chm.string());
    const fs::path docx = out.path() / (chm.stem().string() + ".docx");
    TDocPDFSettings settings;
    settings.AddHint = true;
    const Converted r = Convert(chm, docx, settings);
    EXPECT_FALSE(r.failed) << r.error;
    EXPECT_FALSE(r.scratch_left);
    if (!r.failed) {
      // The pages' own headings, in tables too, are body text: one heading per entry.
      const DocxReader read(docx);
      EXPECT_EQ(read.Headings().size(), r.entries.size());
      ExpectOneNumberPerHeading(read.Headings());
      ExpectPageTextOnce(r, read);
      ExpectNavigationGoneAndContentKept(r, read, chm.stem().string());
      ExpectPagesDrawnAsBrowsersDo(read);
      for (const auto& h : read.Headings())
        EXPECT_TRUE(h.text.find("&#") == std::string::npos && h.text.find("\xC3\xA2\xE2\x82\xAC") == std::string::npos)
            << "heading with a raw reference or mojibake: " << h.text;
      const auto bookmarks = read.Bookmarks();
      const std::set<std::string> names(bookmarks.begin(), bookmarks.end());
      for (const auto& link : read.InternalLinks()) EXPECT_TRUE(names.count(link)) << "dangling link to " << link;
      documents.push_back(docx);
    }
  }
  // One office for all: the layout pass numbers each document's pages, then its result, opened again,
  // is printed; the contents must name the pages the print shows.
  ::setenv("TOMESHIFT_SOFFICE", "soffice", 1);
  const std::string office = TOfficeLayout::FindProgram();
  ::setenv("TOMESHIFT_SOFFICE", "", 1);
  if (office.empty()) GTEST_SKIP() << "no LibreOffice";
  std::vector<OfficeJob> jobs;
  std::uintmax_t bytes = 0;
  fs::create_directories(out.path() / "laid");
  for (const auto& d : documents) {
    const fs::path laid = out.path() / "laid" / d.filename();
    jobs.push_back({d.string(), laid.string(), OfficeFormat::kDocx, 0});
    jobs.push_back(
        {laid.string(), (out.path() / "laid" / (d.stem().string() + ".pdf")).string(), OfficeFormat::kPdf, 0});
    bytes += 2 * fs::file_size(d);
  }
  ASSERT_NO_THROW(
      TOfficeLayout(office, TOfficeLayout::FindMacro()).Run(jobs, TOfficeLayout::TimeLimitSeconds(bytes, 0)));
  for (std::size_t i = 0; i < jobs.size(); i += 2) {
    SCOPED_TRACE(jobs[i].input);
    const auto entries = ContentsEntries(DocxReader(jobs[i].output));
    EXPECT_FALSE(entries.empty());
    ExpectContentsPagesAsPrinted(entries, jobs[i + 1].output);
    EXPECT_EQ(PdfFooterNumbers(jobs[i + 1].output).front(), 0) << "a page number on the cover";
    // The outline follows the headings, and the contents entries link to them.
    const std::string pdf = testing::ReadBinaryFile(jobs[i + 1].output);
    EXPECT_NE(pdf.find("/Outlines"), std::string::npos);
    EXPECT_NE(pdf.find("/Subtype/Link"), std::string::npos);
  }
}

}  // namespace
}  // namespace tomeshift
