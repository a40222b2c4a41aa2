// Opening pages through the automation objects, as the document assembly does: Documents.Open with
// format 7, the heading pass over GoTo(heading), then Content copied into the document being built.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/scratch_dir.h"
#include "text/unicode.h"
#include "word/automation/word_application.h"
#include "word/import/html_import_web_page.h"
#include "word/word_test_util.h"

namespace tomeshift::word {
namespace {

// The heading pass of the document assembly: headings become Normal paragraphs that keep their look.
void NormaliseHeadings(Document& page) {
  Range r = page.GoTo(wd::kGoToHeading, wd::kGoToFirst);
  r.Expand(wd::kParagraph);
  std::size_t remembered = r.Start();
  for (;;) {
    if (r.GetParagraphFormat().OutlineLevel() < 10) {
      Style s = r.GetParagraphFormat().GetStyle();
      r.GetParagraphFormat().SetStyle(builtin::kNormal);
      Font font = s.GetFont();
      if (font.Name() != u"Times New Roman") r.GetFont().SetName(font.Name());
      r.GetFont().SetSize(font.Size() > 14 ? 14 : font.Size());
      r.GetFont().SetColor(font.Color());
      r.GetFont().SetBold(font.Bold());
      r.GetParagraphFormat().SetAlignment(s.GetParagraphFormat().Alignment());
    }
    r = r.GoTo(wd::kGoToHeading, wd::kGoToNext);
    if (r.Start() == remembered) break;
    remembered = r.Start();
    r.Expand(wd::kParagraph);
  }
}

TEST(HtmlImportOpenTest, OpenedPageGoesThroughTheHeadingPassAndIntoTheDocument) {
  tomeshift::testing::ScratchDir dir;
  dir.Write("topic.htm",
            "<html><head><style>h1 { font-family: Arial; color: #800000 } h2 { text-align: center }</style></head>"
            "<body><h1>Installing</h1><p>Run <b>setup</b>.</p><h2>Options</h2><ul><li>one</li></ul>"
            "<p><img src='missing.png'></p></body></html>");
  std::vector<HtmlImportWarning> warnings;
  Application app;
  app.SetWebPageImporter(
      std::make_unique<HtmlWebPageImporter>([&](const HtmlImportWarning& w) { warnings.push_back(w); }));
  Document& target = app.GetDocuments().Add();
  target.GetPageSetup().SetLeftMargin(86);
  target.GetPageSetup().SetRightMargin(86);
  Document& page = app.GetDocuments().Open(U16(dir.folder() + "topic.htm"), 7, false, true);
  // Laid out for the paper it is pasted onto: its tables and code fit there.
  EXPECT_EQ(page.model().final_section.page, target.model().final_section.page);

  Range first = page.GoTo(wd::kGoToHeading, wd::kGoToFirst);
  first.Expand(wd::kParagraph);
  EXPECT_EQ(first.Text(), u"Installing\r");
  EXPECT_EQ(first.GetParagraphFormat().OutlineLevel(), 1);
  NormaliseHeadings(page);
  Range again = page.GoTo(wd::kGoToHeading, wd::kGoToFirst);
  EXPECT_EQ(again.Start(), 0u);
  again.Expand(wd::kParagraph);
  EXPECT_EQ(again.GetParagraphFormat().OutlineLevel(), 10);  // no heading left
  EXPECT_EQ(again.GetFont().Name(), u"Arial");
  EXPECT_EQ(again.GetFont().Size(), 14);
  EXPECT_EQ(again.GetFont().Color(), 0x000080);  // the word processor's colours are BGR
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].message.find(u"missing.png"), std::u16string::npos);

  Range content = page.Content();
  ASSERT_GT(content.End(), content.Start());
  content.Copy();
  Range insertion = target.Content();
  insertion.Collapse(wd::kCollapseEnd);
  insertion.SetStyle(builtin::kNormal);
  insertion.Paste();
  page.Close(0);
  std::string text = testing::Visible(*insertion.story());
  EXPECT_NE(text.find("Installing"), std::string::npos) << text;
  EXPECT_NE(text.find("Run setup."), std::string::npos) << text;
  EXPECT_NE(text.find("one"), std::string::npos) << text;
}

TEST(HtmlImportOpenTest, DefaultFactoryAndMissingPage) {
  HtmlWebPageImporter::InstallAsDefault();
  Application app;
  ASSERT_NE(app.web_page_importer(), nullptr);
  EXPECT_THROW(app.GetDocuments().Open(u"/no/such/page.htm", 7, false, true), std::exception);
  SetDefaultWebPageImporterFactory({});
}

// Generated pages open, save as .docx and convert in LibreOffice without complaint.
TEST(HtmlImportOpenTest, RealPagesSaveAsDocumentsThatLibreOfficeOpens) {
  namespace fs = std::filesystem;
  tomeshift::testing::ScratchDir dir;
  Application app;
  app.SetWebPageImporter(std::make_unique<HtmlWebPageImporter>());
  fs::path fixtures = fs::path(TOMESHIFT_FIXTURES_DIR) / "word" / "import";
  std::vector<fs::path> saved;
  for (const char* page : {"doxygen-style/class_ring_buffer.html", "javadoc-style/Scheduler.html",
                           "help-fixtures/tomeshift-manual/main-window.htm"}) {
    Document& doc = app.GetDocuments().Open(U16((fixtures / page).string()), 7, false, true);
    fs::path out = dir.path() / (fs::path(page).stem().string() + ".docx");
    doc.SaveAs(U16(out.string()), 12, false);
    doc.Close(0);
    ASSERT_TRUE(fs::exists(out));
    saved.push_back(out);
  }
  std::string error;
  auto pdfs = testing::ConvertToPdf(saved, dir.path(), &error);
  if (pdfs.empty() && error.empty()) GTEST_SKIP() << "LibreOffice is not installed";
  EXPECT_EQ(pdfs.size(), saved.size()) << error;
}

}  // namespace
}  // namespace tomeshift::word
