#include "converter/document_assembly.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "converter/chm_to_doc.h"
#include "platform/cancellation.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/shell_execute.h"
#include "support/docx_reader.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"
#include "word/image/png_encoder.h"
#include "word/model/story_builder.h"
#include "word/model/web_page_importer.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::DocxReader;
using testing::ScratchDir;

TEST(MillimetresToPoints, TimesTwoPointEightFiveHalvesToEven) {
  const std::pair<int, int> cases[] = {{30, 86}, {10, 28}, {25, 71}, {220, 627}, {280, 798}, {0, 0}, {2, 6}, {6, 17}};
  for (auto [mm, pt] : cases) EXPECT_EQ(MillimetresToPoints(mm), pt) << mm;
}

TEST(StartsNewPage, ByStartNewPageAndLevel) {
  const struct {
    int s, level;
    bool due;
  } cases[] = {{0, 0, false}, {0, 3, false}, {1, 0, true}, {1, 1, false}, {2, 0, true},  {2, 5, true},
               {3, 1, true},  {3, 2, false}, {4, 2, true}, {4, 3, false}, {-1, 0, false}};
  for (const auto& c : cases) EXPECT_EQ(StartsNewPage(c.s, c.level), c.due) << c.s << "/" << c.level;
}

TEST(HeadingStyleForLevel, LevelPlusOneUpToHeadingNine) {
  const std::pair<int, int> cases[] = {{0, -2}, {1, -3}, {7, -9}, {8, -10}, {9, -10}, {15, -10}, {-1, -2}};
  for (auto [level, style] : cases) EXPECT_EQ(HeadingStyleForLevel(level), style) << level;
}

TEST(RefreshDueAfterEntry, FirstAfter400ThenEachTimeTheDocumentDoubled) {
  std::vector<int> due;
  int last = 0;
  for (int j = 0; j <= 7000; ++j)
    if (RefreshDueAfterEntry(j, last)) {
      due.push_back(j);
      last = j;
    }
  EXPECT_EQ(due, (std::vector<int>{400, 800, 1600, 3200, 6400}));
}

// Pages for the tests are lines: "H<n> text" a heading paragraph (Heading n of the page, Arial
// 20 pt unless the line says TNR), "IMG name width height [float] [wscale]" a linked picture,
// "CELLS a | b | ..." a table of one row whose cells hold such lines, and anything else a paragraph
// of text.
class LinePageImporter final : public word::IWebPageImporter {
 public:
  void Import(const std::u16string& path, word::DocModel& doc) override {
    auto bytes = FileSystem().ReadFile(path);
    if (!bytes) throw FileError(U8(path), "missing");
    if (bytes->rfind("BROKEN", 0) == 0) throw FileError(U8(path), "cannot be read");
    const std::string folder = U8(path).substr(0, U8(path).find_last_of('/') + 1);
    word::StoryBuilder b(doc, doc.main);
    std::istringstream in(*bytes);
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind("CELLS ", 0) == 0) {
        word::Table table;
        table.rows.resize(1);
        std::istringstream cells(line.substr(6));
        for (std::string cell; std::getline(cells, cell, '|');) {
          while (!cell.empty() && cell.back() == ' ') cell.pop_back();
          while (!cell.empty() && cell.front() == ' ') cell.erase(0, 1);
          word::TableCell c;
          word::StoryBuilder cb(doc, c.story);
          Line(doc, cb, cell, folder);
          cb.Finish();
          table.rows[0].cells.push_back(std::move(c));
        }
        b.AddTable(std::move(table));
      } else {
        Line(doc, b, line, folder);
      }
    }
    b.Finish();
  }

 private:
  static void Line(word::DocModel& doc, word::StoryBuilder& b, const std::string& line, const std::string& folder) {
    if (line.size() > 2 && line[0] == 'H' && line[1] >= '1' && line[1] <= '9') {
      const int n = line[1] - '0';
      const int style = doc.StyleByBuiltin(-1 - n);
      auto& def = doc.styles[static_cast<std::size_t>(style)];
      const bool tnr = line.find(" TNR") != std::string::npos;
      def.run.font = tnr ? u"Times New Roman" : u"Arial";
      def.run.size = 40;
      word::ParaProps p;
      p.style = style;
      b.Text(U16(line.substr(3, tnr ? line.size() - 7 : std::string::npos)));
      b.EndParagraph(p);
    } else if (line.rfind("IMG ", 0) == 0) {
      std::istringstream f(line.substr(4));
      std::string name, flag;
      double w = 0, h = 0;
      f >> name >> w >> h;
      word::Picture pic;
      pic.link_path = U16(folder + name);
      pic.linked = true;
      pic.natural_width = pic.width = w;
      pic.natural_height = pic.height = h;
      while (f >> flag) {
        if (flag == "float") pic.floating = true;
        if (flag == "half-wide") pic.width = w / 2;
      }
      b.AddPicture(pic);
      b.EndParagraph();
    } else {
      b.Text(U16(line));
      b.EndParagraph();
    }
  }
};

struct Entry {
  std::u16string topic;
  int level;
  std::u16string url;
  std::uint32_t status = kStatusPage;
  std::u16string chapter;
};

class DocumentAssemblyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    word::SetDefaultWebPageImporterFactory([] { return std::make_unique<LinePageImporter>(); });
    root_ = std::make_unique<ScratchDir>();
    c_.rootFolder = U16(root_->folder());
    c_.Title = u"Sample Manual";
    c_.pdf = U16((out_.path() / "result.docx").string());
    c_.SetOnChange([this](const std::u16string& i, int p) {
      reports_.emplace_back(U8(i), p);
      if (cancel_at_ && reports_.size() == cancel_at_) throw EUserCancel();
    });
    c_.SetOnError([this](const std::u16string& e) { errors_.push_back(U8(e)); });
    c_.SetOnMsg([](const std::u16string&) {});
    c_.SetOnDenied([this](const std::u16string& f) {
      ++denied_;
      if (on_denied_) on_denied_(f);
    });
    previous_shell_ = SetShellExecuteHandler([this](const std::u16string& verb, const std::u16string& file, int show) {
      opened_.push_back(U8(verb) + " " + U8(file) + " " + std::to_string(show));
    });
  }
  void TearDown() override {
    SetShellExecuteHandler(previous_shell_);
    word::SetDefaultWebPageImporterFactory(nullptr);
  }

  // A fresh run on the same converter: new scratch folder, no entries, initial settings.
  void Reset() {
    c_.List.Clear();
    c_.Settings = TDocPDFSettings();
    c_.Failed = false;
    c_.OK = false;
    c_.Abort = false;
    root_ = std::make_unique<ScratchDir>();
    c_.rootFolder = U16(root_->folder());
    fs::remove(Result());
    reports_.clear();
    errors_.clear();
    opened_.clear();
    denied_ = 0;
    on_denied_ = nullptr;
  }
  void Page(const std::string& name, const std::string& text) { root_->Write(name, text); }
  void Add(const Entry& e) {
    auto item = std::make_unique<TTitleList>();
    item->Topic = e.topic;
    item->Level = e.level;
    item->Url = e.url;
    item->Status = e.status;
    item->ChapterNumber = e.chapter;
    item->Bookmark = u"Bookmark" + U16(std::to_string(c_.List.Count()));
    c_.List.Add(std::move(item));
  }
  // Three entries: a chapter with a page, a heading-only entry, a web address.
  void SmallHelp() {
    Page("intro.htm", "H1 Welcome\nFirst paragraph of the introduction.\nH2 Details TNR\nMore text.");
    Page("setup/install.htm", "Install it like this.");
    Add({u"Introduction", 0, u"intro.htm", kStatusPage, u"1"});
    Add({u"Setup", 0, u"", kStatusHeading, u"2"});
    Add({u"Installing", 1, u"setup/install.htm", kStatusPage, u"2.1"});
    Add({u"Web site", 1, u"http://example.com/", kStatusWebAddress, u"2.2"});
  }
  std::string FirstError() const { return errors_.empty() ? std::string() : errors_.front(); }
  fs::path Result() const { return out_.path() / "result.docx"; }
  std::vector<std::string> Messages() const {
    std::vector<std::string> m;
    for (const auto& [i, p] : reports_) m.push_back(i + "|" + std::to_string(p));
    return m;
  }

  TChmToDocPDF c_;
  std::unique_ptr<ScratchDir> root_;
  ScratchDir out_;
  std::vector<std::pair<std::string, int>> reports_;
  std::vector<std::string> errors_;
  std::vector<std::string> opened_;
  std::size_t cancel_at_ = 0;
  int denied_ = 0;
  std::function<void(const std::u16string&)> on_denied_;
  ShellExecuteHandler previous_shell_;
};

TEST_F(DocumentAssemblyTest, BuildsHeadingsBookmarksBodiesAndLinks) {
  SmallHelp();
  c_.OutputWord();
  ASSERT_TRUE(errors_.empty()) << FirstError();
  EXPECT_TRUE(c_.OK);
  EXPECT_FALSE(c_.Failed);
  EXPECT_EQ(c_.max, 4);
  ASSERT_TRUE(fs::exists(Result()));
  EXPECT_FALSE(fs::exists(root_->path())) << "the scratch folder must go";
  EXPECT_EQ(opened_, (std::vector<std::string>{"open " + Result().string() + " 5"}));

  DocxReader docx(Result());
  const auto headings = docx.Headings();
  ASSERT_EQ(headings.size(), 4u);
  const std::pair<int, std::string> expected[] = {
      {1, "1 Introduction"}, {1, "2 Setup"}, {2, "2.1 Installing"}, {2, "2.2 Web site"}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(headings[i].level, expected[i].first);
    EXPECT_EQ(headings[i].text, expected[i].second);
  }
  auto bookmarks = docx.Bookmarks();
  for (int i = 0; i < 4; ++i)
    EXPECT_NE(std::find(bookmarks.begin(), bookmarks.end(), "Bookmark" + std::to_string(i)), bookmarks.end()) << i;
  EXPECT_EQ(docx.ExternalLinks(), (std::vector<std::string>{"http://example.com/"}));

  const std::string body = docx.Part("word/document.xml");
  EXPECT_NE(body.find("First paragraph of the introduction."), std::string::npos);
  EXPECT_NE(body.find("Install it like this."), std::string::npos);
  EXPECT_NE(body.find("TOC \\o \"1-3\""), std::string::npos);
  EXPECT_NE(body.find("Sample Manual"), std::string::npos);

  // The page's own headings keep their look, at most 14 pt, a "Times New Roman" face not carried.
  bool welcome = false, details = false;
  const testing::XmlNode tree = docx.Xml("word/document.xml");
  for (const testing::XmlNode* p : tree.All("w:p")) {
    const std::string text = p->AllText();
    if (text != "Welcome" && text != "Details") continue;
    const testing::XmlNode* rpr = p->Child("w:r") ? p->Child("w:r")->Child("w:rPr") : nullptr;
    ASSERT_NE(rpr, nullptr) << text;
    ASSERT_NE(rpr->Child("w:sz"), nullptr) << text;
    EXPECT_EQ(rpr->Child("w:sz")->Attr("w:val"), "28") << text;
    const testing::XmlNode* fonts = rpr->Child("w:rFonts");
    const std::string face = fonts ? fonts->Attr("w:ascii") : "";
    if (text == "Welcome") {
      welcome = true;
      EXPECT_EQ(face, "Arial");
    } else {
      details = true;
      EXPECT_NE(face, "Times New Roman");
    }
  }
  EXPECT_TRUE(welcome && details);
  // The page's own headings kept their text but are body text now.
  for (const auto& p : docx.Paragraphs()) {
    if (p.text == "Welcome" || p.text == "Details") {
      EXPECT_EQ(p.style.rfind("Heading", 0), std::string::npos) << p.text;
    }
  }
}

TEST_F(DocumentAssemblyTest, ReportsEveryStageInOrder) {
  SmallHelp();
  c_.OutputWord();
  const std::vector<std::string> expected = {"Launching Word...|20",
                                             "Word launched.|20",
                                             "Creating document...|20",
                                             "Creating cover...|0",
                                             "Creating TOC...|0",
                                             "Processing (1 of 4) intro.htm...|20",
                                             "Processing (2 of 4) ...|35",
                                             "Processing (3 of 4) setup/install.htm...|50",
                                             "Processing (4 of 4) http://example.com/...|65",
                                             "Freshing document(it may take a long time)...|0",
                                             "Header and footer...|90",
                                             "Updating TOC...|95",
                                             "Saving document...|98",
                                             "OK!|100",
                                             "|100"};
  EXPECT_EQ(Messages(), expected);
}

TEST_F(DocumentAssemblyTest, PageSetupHeaderAndFooterFollowTheSettings) {
  const struct {
    bool cover;
    int paper;
    int width_mm, height_mm;
    int want_width, want_height;  // twips
    std::size_t marked_section;   // 0-based
  } cases[] = {{true, 41, 220, 280, 627 * 20, 798 * 20, 1},
               {false, 41, 220, 280, 627 * 20, 798 * 20, 0},
               {false, 7, 0, 0, 11906, 16838, 0}};  // A4
  for (const auto& k : cases) {
    SCOPED_TRACE(::testing::Message() << "cover " << k.cover << " paper " << k.paper);
    Reset();
    SmallHelp();
    c_.Settings.Cover = k.cover;
    c_.Settings.PaperSize = k.paper;
    c_.Settings.Width = k.width_mm;
    c_.Settings.Height = k.height_mm;
    c_.OutputWord();
    ASSERT_FALSE(c_.Failed) << FirstError();
    DocxReader docx(Result());
    const auto sections = docx.Sections();
    ASSERT_GT(sections.size(), k.marked_section);
    for (std::size_t i = 0; i < sections.size(); ++i) {
      const auto& s = sections[i];
      EXPECT_EQ(s.width, k.want_width);
      EXPECT_EQ(s.height, k.want_height);
      EXPECT_EQ((std::vector<int>{s.top, s.bottom, s.left, s.right}),
                (std::vector<int>{71 * 20, 71 * 20, 86 * 20, 86 * 20}));
      const bool marked = i == k.marked_section;
      EXPECT_EQ(s.has_header, marked) << i;
      EXPECT_EQ(s.has_footer, marked) << i;
      EXPECT_EQ(s.page_start, marked ? 1 : 0) << i;
    }
    const auto rels = docx.PartNames();
    bool title_in_header = false, page_field = false;
    for (const auto& name : rels) {
      if (name.rfind("word/header", 0) == 0)
        title_in_header |= docx.Part(name).find("Sample Manual") != std::string::npos;
      if (name.rfind("word/footer", 0) == 0) page_field |= docx.Part(name).find("PAGE") != std::string::npos;
    }
    EXPECT_TRUE(title_in_header);
    EXPECT_TRUE(page_field);
  }
}

TEST_F(DocumentAssemblyTest, StartNewPageDecidesTheSectionBreaks) {
  // Entries of levels 0, 1, 0, 2: sections = cover + toc + 1 + breaks.
  const std::pair<int, std::size_t> cases[] = {{0, 3}, {1, 4}, {2, 6}, {3, 5}};
  for (auto [start_new_page, sections] : cases) {
    SCOPED_TRACE(start_new_page);
    Reset();
    Add({u"A", 0, u"", kStatusHeading, u"1"});
    Add({u"B", 1, u"", kStatusHeading, u"1.1"});
    Add({u"C", 0, u"", kStatusHeading, u"2"});
    Add({u"D", 2, u"", kStatusHeading, u"2.1.1"});
    c_.Settings.StartNewPage = start_new_page;
    c_.OutputWord();
    ASSERT_FALSE(c_.Failed);
    EXPECT_EQ(DocxReader(Result()).Sections().size(), sections);
  }
}

TEST_F(DocumentAssemblyTest, HeadingsWithoutNumbersAndDeepLevelsUseHeadingNine) {
  Add({u"Top", 0, u"", kStatusHeading, u"1"});
  Add({u"Deep", 9, u"", kStatusHeading, u"1.1.1.1.1.1.1.1.1.1"});
  Add({u"Deeper", 12, u"", kStatusHeading, u"1.1.1.1.1.1.1.1.1.1.1.1.1"});
  c_.Settings.TitleNumber = false;
  c_.Settings.Toc = false;
  c_.Settings.Cover = false;
  c_.OutputWord();
  ASSERT_FALSE(c_.Failed) << FirstError();
  const auto headings = DocxReader(Result()).Headings();
  ASSERT_EQ(headings.size(), 3u);
  EXPECT_EQ(headings[0].text, "Top");
  EXPECT_EQ(headings[1].level, 9);
  EXPECT_EQ(headings[2].level, 9);
  EXPECT_EQ(headings[2].text, "Deeper");
}

TEST_F(DocumentAssemblyTest, RepeatedEntriesReferToTheFirstAndTitleNumbersStandAlone) {
  Page("intro.htm", "First paragraph of the introduction.");
  Add({u"1. Introduction", 0, u"intro.htm", kStatusPage, u"1"});
  Add({u"Introduction again", 0, u"intro.htm", kStatusPage, u"2."});
  c_.List[1].BodyEntry = &c_.List[0];
  c_.HintFormat = u"cf. [Title No.]";
  c_.Settings.Toc = false;
  c_.Settings.Cover = false;
  c_.OutputWord();
  ASSERT_FALSE(c_.Failed) << FirstError();
  const DocxReader docx(Result());
  const auto headings = docx.Headings();
  ASSERT_EQ(headings.size(), 2u);
  EXPECT_EQ(headings[0].text, "1. Introduction");
  EXPECT_EQ(headings[1].text, "2. Introduction again");
  const std::string body = docx.Part("word/document.xml");
  EXPECT_EQ(body.find("First paragraph"), body.rfind("First paragraph"));
  EXPECT_NE(body.find(">cf. 1. Introduction<"), std::string::npos) << body;
  EXPECT_EQ(docx.InternalLinks(), (std::vector<std::string>{"Bookmark0"}));
}

TEST_F(DocumentAssemblyTest, PicturesAreEmbeddedAndFitTheTextWidth) {
  root_->Write("img/wide.png", word::EncodePng(std::string(8 * 4 * 4, '\x7f'), 8, 4));
  Page("pics.htm",
       "Pictures:\nIMG img/wide.png 1000 500\nIMG img/wide.png 200 100 half-wide\nIMG img/wide.png 900 300 float\n"
       "IMG img/missing.png 40 40");
  Add({u"Pictures", 0, u"pics.htm", kStatusPage, u"1"});
  c_.OutputWord();
  ASSERT_FALSE(c_.Failed) << FirstError();
  const double text_width_emu = (612 - 86 - 86) * 12700.0;  // Legal, the initial paper, with 30 mm margins
  const auto pictures = DocxReader(Result()).Pictures();
  ASSERT_EQ(pictures.size(), 3u) << "a picture whose file is missing is not written";
  for (const auto& p : pictures) {
    EXPECT_FALSE(p.embed_target.empty());
    EXPECT_TRUE(p.link_target.empty());
    EXPECT_LE(p.cx, text_width_emu + 1);
  }
  // 200 x 100 shown 50 % wide and 100 % high becomes 50 % both ways.
  EXPECT_EQ(pictures[1].cx, 100 * 12700);
  EXPECT_EQ(pictures[1].cy, 50 * 12700);
  // The wide one keeps its proportions.
  EXPECT_NEAR(static_cast<double>(pictures[0].cy) / pictures[0].cx, 0.5, 0.01);
  bool resizing_reported = false;
  for (const auto& m : Messages()) resizing_reported |= m == "Resizing inline Shapes (4 of 4)...|90";
  EXPECT_TRUE(resizing_reported);
}

TEST_F(DocumentAssemblyTest, HeadingsInTablesOfAPageBecomeBodyTextToo) {
  Page("cells.htm", "H1 Above\nCELLS H2 In a cell | plain | H3 Another TNR\nbetween\nCELLS H4 Second table\nH2 Below");
  Add({u"Cells", 0, u"cells.htm", kStatusPage, u"1"});
  Add({u"Next", 0, u"", kStatusHeading, u"2"});
  c_.OutputWord();
  ASSERT_TRUE(errors_.empty()) << FirstError();
  DocxReader docx(Result());
  const auto headings = docx.Headings();
  ASSERT_EQ(headings.size(), 2u);
  EXPECT_EQ(headings[0].text, "1 Cells");
  EXPECT_EQ(headings[1].text, "2 Next");
  // Each keeps its look, capped at 14 pt, in the cell as in the main text.
  int restyled = 0;
  const testing::XmlNode tree = docx.Xml("word/document.xml");
  for (const testing::XmlNode* p : tree.All("w:p")) {
    const std::string text = p->AllText();
    if (text != "Above" && text != "In a cell" && text != "Another" && text != "Second table" && text != "Below")
      continue;
    ++restyled;
    const testing::XmlNode* rpr = p->Child("w:r") ? p->Child("w:r")->Child("w:rPr") : nullptr;
    ASSERT_NE(rpr, nullptr) << text;
    ASSERT_NE(rpr->Child("w:sz"), nullptr) << text;
    EXPECT_EQ(rpr->Child("w:sz")->Attr("w:val"), "28") << text;
  }
  EXPECT_EQ(restyled, 5);
}

TEST_F(DocumentAssemblyTest, PageThatCannotBeOpenedKeepsItsHeadingOnly) {
  Page("broken.htm", "BROKEN");
  Add({u"Broken", 0, u"broken.htm", kStatusPage, u"1"});
  Add({u"Missing", 0, u"missing.htm", kStatusPage, u"2"});
  c_.OutputWord();
  ASSERT_FALSE(c_.Failed);
  EXPECT_EQ(DocxReader(Result()).Headings().size(), 2u);
}

TEST_F(DocumentAssemblyTest, NoContentsEntriesFailsWithAMessage) {
  c_.OutputWord();
  EXPECT_TRUE(c_.Failed);
  EXPECT_TRUE(c_.OK);
  // Named after the help file (none here) and its contents file, when there is one.
  EXPECT_EQ(errors_, (std::vector<std::string>{"The help file has no contents file (.hhc) to take the topics from."}));
  EXPECT_FALSE(fs::exists(Result()));
  EXPECT_FALSE(fs::exists(root_->path()));
  EXPECT_TRUE(opened_.empty());
  ASSERT_GE(reports_.size(), 2u);
  EXPECT_EQ(reports_[reports_.size() - 2], (std::pair<std::string, int>{"Failed.", 0}));
  EXPECT_EQ(reports_.back(), (std::pair<std::string, int>{"", 100}));
}

TEST_F(DocumentAssemblyTest, CancellationCleansUpWithoutAnError) {
  SmallHelp();
  cancel_at_ = 7;  // the second topic's report
  c_.OutputWord();
  EXPECT_TRUE(c_.Failed);
  EXPECT_TRUE(c_.OK);
  EXPECT_TRUE(errors_.empty());
  EXPECT_FALSE(fs::exists(Result()));
  EXPECT_FALSE(fs::exists(root_->path()));
  EXPECT_TRUE(opened_.empty());
  EXPECT_FALSE(com::IsInitialized());
  EXPECT_EQ(com::CurrentMessageFilter(), nullptr);
}

TEST_F(DocumentAssemblyTest, StopWhileSavingKeepsTheOldDocumentOrEndsSaved) {
  // A stop that arrives while the document is written leaves the old one as it was; one that arrives
  // after the new one replaced it is too late, and the run ends saved, not canceled.
  for (const std::string at : {"Saving document...", "OK!"}) {
    SCOPED_TRACE(at);
    Reset();
    SmallHelp();
    out_.Write("result.docx", "the old document");
    std::atomic<bool> stop{false};
    const ScopedCancelFlag flag(stop);
    c_.SetOnChange([&](const std::u16string& i, int) {
      if (U8(i) == at) stop = true;
      if (stop && U8(i) == "OK!") throw EUserCancel();  // raised in the next report, as the job does
    });
    c_.OutputWord();
    const bool saved = at == "OK!";
    EXPECT_EQ(c_.Saved, saved);
    EXPECT_EQ(testing::ReadBinaryFile(Result()) == "the old document", !saved);
    EXPECT_TRUE(errors_.empty()) << FirstError();
  }
}

TEST_F(DocumentAssemblyTest, OutputInUseIsAskedAboutUntilFreeOrAbandoned) {
  for (bool give_up : {false, true}) {
    SCOPED_TRACE(give_up);
    Reset();
    SmallHelp();
    const fs::path lock = out_.path() / ".~lock.result.docx#";
    out_.Write(".~lock.result.docx#", "someone,host");
    on_denied_ = [&](const std::u16string& file) {
      EXPECT_EQ(U8(file), Result().string());
      if (give_up)
        c_.Abort = true;
      else if (denied_ == 2)
        fs::remove(lock);
    };
    c_.OutputWord();
    EXPECT_FALSE(c_.Failed);
    EXPECT_EQ(denied_, give_up ? 1 : 2);
    EXPECT_EQ(c_.Abort.load(), give_up);
    // Given up, nothing is left where there was nothing before, not even the in-use test's empty file.
    EXPECT_EQ(fs::exists(Result()), !give_up);
    if (!give_up) {
      EXPECT_GT(fs::file_size(Result()), 0u);
    }
    EXPECT_EQ(reports_[reports_.size() - 2].first, "OK!");
  }
}

TEST_F(DocumentAssemblyTest, OtherExtensionsAreWrittenAsDocIntoANewFolder) {
  const struct {
    const char* name;
    const char* written;
    bool compound;
  } cases[] = {
      {"result.rtf", "result.doc", true}, {"RESULT.DOC", "RESULT.DOC", true}, {"result.DocX", "result.DocX", false}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Reset();
    SmallHelp();
    c_.pdf = U16((out_.path() / "sub" / k.name).string());
    c_.OutputWord();
    ASSERT_FALSE(c_.Failed) << FirstError();
    const std::string bytes = testing::ReadBinaryFile(out_.path() / "sub" / k.written);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(bytes.rfind("\xD0\xCF\x11\xE0", 0) == 0, k.compound) << "a .doc is a compound file, a .docx a zip";
    EXPECT_FALSE(fs::exists(out_.path() / "sub" / "result.rtf"));
    fs::remove_all(out_.path() / "sub");
  }
}

TEST_F(DocumentAssemblyTest, LongListsAreRefreshedAndKeepEveryEntry) {
  Page("p.htm", "Body text.");
  for (int i = 0; i < 820; ++i)
    Add({u"Topic " + U16(std::to_string(i)), i % 3, i % 5 == 0 ? u"p.htm" : u"",
         i % 5 == 0 ? kStatusPage : kStatusHeading, U16(std::to_string(i + 1))});
  c_.Settings.Toc = false;
  TDocumentAssembly assembly(c_);
  assembly.Run();
  ASSERT_FALSE(c_.Failed) << FirstError();
  EXPECT_EQ(assembly.refresh_count(), 3);  // after entries 400 and 800, and at the end
  DocxReader docx(Result());
  EXPECT_EQ(docx.Headings().size(), 820u);
  EXPECT_EQ(docx.Bookmarks().size(), 820u);
}

}  // namespace
}  // namespace tomeshift
