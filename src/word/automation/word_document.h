// Document and the collections it exposes to automation: page setup, web options, bookmarks,
// styles, tables of contents, hyperlinks, pictures and sections with their headers and footers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "word/automation/word_range.h"
#include "word/automation/word_shapes.h"
#include "word/automation/word_style.h"
#include "word/model/document_model.h"

namespace tomeshift::word {

class Application;

namespace wd {
constexpr int kFormatDocument = 0, kFormatXMLDocument = 12, kFormatDocumentDefault = 16;
constexpr int kDoNotSaveChanges = 0, kSaveChanges = -1, kPromptToSaveChanges = -2;
constexpr int kAlignPageNumberLeft = 0, kAlignPageNumberCenter = 1, kAlignPageNumberRight = 2;
}  // namespace wd

class LineNumbering {
 public:
  explicit LineNumbering(DocModel* doc) : doc_(doc) {}
  bool Active() const { return doc_->final_section.page.line_numbering; }
  void SetActive(bool on);

 private:
  DocModel* doc_;
};

// Lengths in points; setting one applies it to every section, as Document.PageSetup does.
class PageSetup {
 public:
  explicit PageSetup(DocModel* doc) : doc_(doc) {}
  int PaperSize() const { return doc_->final_section.page.paper_size; }
  void SetPaperSize(int code);
  double PageWidth() const { return doc_->final_section.page.width / 20.0; }
  double PageHeight() const { return doc_->final_section.page.height / 20.0; }
  void SetPageWidth(double points);
  void SetPageHeight(double points);
  double TopMargin() const { return doc_->final_section.page.top / 20.0; }
  double BottomMargin() const { return doc_->final_section.page.bottom / 20.0; }
  double LeftMargin() const { return doc_->final_section.page.left / 20.0; }
  double RightMargin() const { return doc_->final_section.page.right / 20.0; }
  void SetTopMargin(double points);
  void SetBottomMargin(double points);
  void SetLeftMargin(double points);
  void SetRightMargin(double points);
  LineNumbering GetLineNumbering() const { return LineNumbering(doc_); }

 private:
  void Change(const std::function<void(PageSetupProps&)>& f);
  DocModel* doc_;
};

class WebOptions {
 public:
  explicit WebOptions(DocModel* doc) : doc_(doc) {}
  bool AllowPNG() const { return doc_->properties.allow_png; }
  void SetAllowPNG(bool on) { doc_->properties.allow_png = on; }
  int TargetBrowser() const { return doc_->properties.target_browser; }
  void SetTargetBrowser(int v);

 private:
  DocModel* doc_;
};

class BookmarkRef {
 public:
  BookmarkRef(DocModel* doc, std::u16string name) : doc_(doc), name_(std::move(name)) {}
  std::u16string Name() const { return name_; }
  Range GetRange() const;

 private:
  DocModel* doc_;
  std::u16string name_;
};

class Bookmarks {
 public:
  explicit Bookmarks(DocModel* doc) : doc_(doc) {}
  bool ShowHidden() const { return doc_->properties.show_hidden_bookmarks; }
  void SetShowHidden(bool on) { doc_->properties.show_hidden_bookmarks = on; }
  // Raises WordError("Bad bookmark name.") for a name that is not letters, digits and "_" starting
  // with a letter, or longer than 40. An existing bookmark of that name moves to the range.
  BookmarkRef Add(std::u16string_view name, const Range& range);
  bool Exists(std::u16string_view name) const;
  // Hidden ("_") bookmarks count only while ShowHidden is on.
  int Count() const;
  BookmarkRef Item(std::u16string_view name) const;

 private:
  DocModel* doc_;
};

// The named arguments of TablesOfContents.Add, in the word processor's order.
struct TocAddArgs {
  tomeshift::word::Range Range;
  bool UseHeadingStyles = true;
  int UpperHeadingLevel = 1;
  int LowerHeadingLevel = 9;
  bool UseFields = false;
  bool RightAlignPageNumbers = true;
  bool IncludePageNumbers = true;
  bool UseHyperlinks = true;
  bool HidePageNumbersInWeb = true;
  bool UseOutlineLevels = true;
};

class TableOfContents {
 public:
  TableOfContents(DocModel* doc, std::uint32_t field) : doc_(doc), field_(field) {}
  // The whole field, from its start to its end character.
  Range GetRange() const;
  void Update();
  void UpdatePageNumbers() { Update(); }
  int LowerHeadingLevel() const { return doc_->fields[field_].toc_lower; }

 private:
  DocModel* doc_;
  std::uint32_t field_;
};

class TablesOfContents {
 public:
  explicit TablesOfContents(DocModel* doc) : doc_(doc) {}
  TableOfContents Add(const TocAddArgs& args);
  int Count() const;
  TableOfContents Item(int index) const;

 private:
  DocModel* doc_;
};

class Hyperlink {
 public:
  Hyperlink(DocModel* doc, std::uint32_t field) : doc_(doc), field_(field) {}
  // The whole link field: text inserted after its collapsed end lands outside the link.
  Range GetRange() const;
  std::u16string Address() const { return doc_->fields[field_].address; }
  std::u16string SubAddress() const { return doc_->fields[field_].sub_address; }
  std::u16string TextToDisplay() const;

 private:
  DocModel* doc_;
  std::uint32_t field_;
};

class Hyperlinks {
 public:
  explicit Hyperlinks(DocModel* doc) : doc_(doc) {}
  // Replaces the anchor's text with a link showing TextToDisplay (else the anchor's text, else the address).
  Hyperlink Add(const Range& Anchor, std::u16string_view Address, std::u16string_view SubAddress = {},
                std::u16string_view ScreenTip = {}, std::u16string_view TextToDisplay = {});
  int Count() const;

 private:
  DocModel* doc_;
};

class InlineShapes {
 public:
  InlineShapes(DocModel* doc, PictureIndex* index) : doc_(doc), index_(index) {}
  int Count() const { return static_cast<int>(index_->Get(*doc_, false).size()); }
  InlineShape Item(int index) const;

 private:
  DocModel* doc_;
  PictureIndex* index_;
};

class Shapes {
 public:
  Shapes(DocModel* doc, PictureIndex* index) : doc_(doc), index_(index) {}
  int Count() const { return static_cast<int>(index_->Get(*doc_, true).size()); }
  Shape Item(int index) const;

 private:
  DocModel* doc_;
  PictureIndex* index_;
};

class PageNumbers {
 public:
  PageNumbers(DocModel* doc, int section) : doc_(doc), section_(section) {}
  bool RestartNumberingAtSection() const;
  void SetRestartNumberingAtSection(bool on);
  int StartingNumber() const;
  void SetStartingNumber(int n);
  // Puts a PAGE field into the section's footer, aligned (0 left, 1 centre, 2 right).
  void Add(int alignment = wd::kAlignPageNumberRight, bool first_page = true);

 private:
  DocModel* doc_;
  int section_;
};

// Item 1 (primary) of a section's Headers or Footers.
class HeaderFooter {
 public:
  HeaderFooter(DocModel* doc, int section, bool header) : doc_(doc), section_(section), header_(header) {}
  bool LinkToPrevious() const;
  // Unlinking gives the section its own story, a copy of what it showed until then.
  void SetLinkToPrevious(bool on);
  Range GetRange() const;
  PageNumbers GetPageNumbers() const { return PageNumbers(doc_, section_); }

 private:
  int& Slot() const;
  int Effective() const;  // the story shown, or -1
  int Own();              // the section's own story, created when missing
  DocModel* doc_;
  int section_;  // 1-based
  bool header_;
};

class HeadersFooters {
 public:
  HeadersFooters(DocModel* doc, int section, bool header) : doc_(doc), section_(section), header_(header) {}
  HeaderFooter Item(int index) const;

 private:
  DocModel* doc_;
  int section_;
  bool header_;
};

class Section {
 public:
  Section(DocModel* doc, int index) : doc_(doc), index_(index) {}
  HeadersFooters Headers() const { return HeadersFooters(doc_, index_, true); }
  HeadersFooters Footers() const { return HeadersFooters(doc_, index_, false); }
  Range GetRange() const;

 private:
  DocModel* doc_;
  int index_;
};

class Sections {
 public:
  explicit Sections(DocModel* doc) : doc_(doc) {}
  int Count() const;
  Section Item(int index) const;

 private:
  DocModel* doc_;
};

// Section props by 1-based index; throws WordError.
SectionProps& SectionByIndex(DocModel& doc, int index);

class Document {
 public:
  Document(Application* app, std::unique_ptr<DocModel> model, std::u16string name);
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  Range Content();
  Range GetRange(std::size_t start, std::size_t end);
  PageSetup GetPageSetup() { return PageSetup(model_.get()); }
  WebOptions GetWebOptions() { return WebOptions(model_.get()); }
  Bookmarks GetBookmarks() { return Bookmarks(model_.get()); }
  Styles GetStyles() { return Styles(model_.get()); }
  TablesOfContents GetTablesOfContents() { return TablesOfContents(model_.get()); }
  Hyperlinks GetHyperlinks() { return Hyperlinks(model_.get()); }
  InlineShapes GetInlineShapes() { return InlineShapes(model_.get(), &pictures_); }
  Shapes GetShapes() { return Shapes(model_.get(), &pictures_); }
  Sections GetSections() { return Sections(model_.get()); }
  // Headings only (What 11); Which 1 first, 2 next (from the start), 3 previous, -1 last.
  Range GoTo(int what, int which);
  // FileFormat 12 (or 16) writes .docx. Throws WordError or FileError (path and reason).
  void SaveAs(const std::u16string& FileName, int FileFormat = wd::kFormatXMLDocument, bool AddToRecentFiles = true);
  // Closes the document; it is destroyed, so no reference to it may be used afterwards.
  void Close(int SaveChanges = wd::kPromptToSaveChanges);

  std::u16string Name() const { return name_; }
  std::u16string FullName() const { return full_name_; }
  DocModel& model() { return *model_; }
  const DocModel& model() const { return *model_; }

 private:
  Application* app_;
  std::unique_ptr<DocModel> model_;
  std::u16string name_, full_name_;
  PictureIndex pictures_;
};

// Replaces the writer for FileFormat 0 (.doc); by default SaveAs uses TDocWriter.
using DocFormatWriter = std::function<void(const DocModel&, const std::u16string& path)>;
void SetDocFormatWriter(DocFormatWriter writer);

}  // namespace tomeshift::word
