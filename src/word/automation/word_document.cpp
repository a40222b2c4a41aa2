#include "word/automation/word_document.h"

#include <cmath>
#include <mutex>

#include "text/unicode.h"
#include "word/automation/paper_sizes.h"
#include "word/automation/word_application.h"
#include "word/docx/docx_packager.h"
#include "word/model/bookmark_names.h"
#include "word/model/story_edit.h"
#include "word/model/toc_builder.h"
#include "word/model/twips.h"
#include "word/model/word_error.h"
#include "word/msdoc/writer.h"

namespace tomeshift::word {

namespace {

std::mutex g_doc_writer_mutex;
DocFormatWriter g_doc_writer;

// A page dimension or margin as the word processor accepts it: 0 to 22 inches.
int PageTwips(double points) {
  if (!(points >= 0) || points > 22 * 72) throw WordError("The value is out of range.");
  return Twips(points);
}

std::pair<std::size_t, std::size_t> FieldSpan(const Story& s, std::uint32_t id) {
  std::size_t b = std::string::npos;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s.at(i) == ch::kFieldBegin && s.attr(i).obj == id) b = i;
    if (s.at(i) == ch::kFieldEnd && s.attr(i).obj == id && b != std::string::npos) return {b, i};
  }
  throw WordError("The object has been deleted.");
}

std::vector<std::uint32_t> FieldsOfKind(const DocModel& doc, FieldKind kind) {
  std::vector<std::uint32_t> ids;
  const Story& s = doc.main;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (s.at(i) == ch::kFieldBegin && doc.fields[s.attr(i).obj].kind == kind) ids.push_back(s.attr(i).obj);
  return ids;
}

}  // namespace

void SetDocFormatWriter(DocFormatWriter writer) {
  std::lock_guard lock(g_doc_writer_mutex);
  g_doc_writer = std::move(writer);
}

void LineNumbering::SetActive(bool on) {
  doc_->final_section.page.line_numbering = on;
  for (auto& s : doc_->sections) s.page.line_numbering = on;
}

void PageSetup::Change(const std::function<void(PageSetupProps&)>& f) {
  f(doc_->final_section.page);
  for (auto& s : doc_->sections) f(s.page);
}

void PageSetup::SetPaperSize(int code) {
  auto size = PaperSizeTwips(code);
  if (!size && code != paper::kCustom) throw WordError("The value is out of range.");
  Change([&](PageSetupProps& p) {
    p.paper_size = code;
    if (size) {
      bool landscape = p.width > p.height;
      p.width = landscape ? size->second : size->first;
      p.height = landscape ? size->first : size->second;
    }
  });
}

void PageSetup::SetPageWidth(double points) {
  int w = PageTwips(points);
  Change([&](PageSetupProps& p) {
    p.width = w;
    p.paper_size = PaperCodeFor(p.width, p.height);
  });
}

void PageSetup::SetPageHeight(double points) {
  int h = PageTwips(points);
  Change([&](PageSetupProps& p) {
    p.height = h;
    p.paper_size = PaperCodeFor(p.width, p.height);
  });
}

void PageSetup::SetTopMargin(double points) {
  int v = PageTwips(points);
  Change([&](PageSetupProps& p) { p.top = v; });
}
void PageSetup::SetBottomMargin(double points) {
  int v = PageTwips(points);
  Change([&](PageSetupProps& p) { p.bottom = v; });
}
void PageSetup::SetLeftMargin(double points) {
  int v = PageTwips(points);
  Change([&](PageSetupProps& p) { p.left = v; });
}
void PageSetup::SetRightMargin(double points) {
  int v = PageTwips(points);
  Change([&](PageSetupProps& p) { p.right = v; });
}

void WebOptions::SetTargetBrowser(int v) {
  if (v < 0 || v > 4) throw WordError("The value is out of range.");
  doc_->properties.target_browser = v;
}

Range BookmarkRef::GetRange() const {
  const Bookmark* b = doc_->main.FindBookmark(name_);
  if (!b) throw WordError("The object has been deleted.");
  return Range(doc_, &doc_->main, b->start, b->end);
}

BookmarkRef Bookmarks::Add(std::u16string_view name, const Range& range) {
  if (!IsValidBookmarkName(name)) throw WordError("Bad bookmark name.");
  if (range.story() != &doc_->main) throw WordError("Bookmarks are kept in the main text only.");
  if (Bookmark* b = doc_->main.FindBookmark(name)) {
    b->start = range.Start();
    b->end = range.End();
  } else {
    doc_->main.bookmarks().push_back(Bookmark{std::u16string(name), range.Start(), range.End()});
  }
  return BookmarkRef(doc_, std::u16string(name));
}

bool Bookmarks::Exists(std::u16string_view name) const { return doc_->main.FindBookmark(name) != nullptr; }

int Bookmarks::Count() const {
  int n = 0;
  for (const auto& b : doc_->main.bookmarks()) n += (ShowHidden() || !b.name.starts_with(u"_"));
  return n;
}

BookmarkRef Bookmarks::Item(std::u16string_view name) const {
  const Bookmark* b = doc_->main.FindBookmark(name);
  if (!b) throw WordError(kNoSuchMember);
  return BookmarkRef(doc_, b->name);
}

Range TableOfContents::GetRange() const {
  auto [b, e] = FieldSpan(doc_->main, field_);
  return Range(doc_, &doc_->main, b, e + 1);
}

void TableOfContents::Update() { TocBuilder::Update(*doc_, field_); }

TableOfContents TablesOfContents::Add(const TocAddArgs& a) {
  if (!a.Range.valid() || a.Range.story() != &doc_->main || a.Range.doc() != doc_)
    throw WordError("A table of contents needs a range in the main text of this document.");
  if (a.UpperHeadingLevel < 1 || a.LowerHeadingLevel > 9 || a.UpperHeadingLevel > a.LowerHeadingLevel)
    throw WordError("The heading levels are out of range.");
  Field f;
  f.kind = FieldKind::kToc;
  f.toc_upper = a.UpperHeadingLevel;
  f.toc_lower = a.LowerHeadingLevel;
  f.toc_hyperlinks = a.UseHyperlinks;
  f.toc_page_numbers = a.IncludePageNumbers;
  f.toc_right_align = a.RightAlignPageNumbers;
  f.code = TocBuilder::FieldCode(f);
  doc_->fields.push_back(f);
  auto id = static_cast<std::uint32_t>(doc_->fields.size() - 1);
  Story& s = doc_->main;
  std::size_t p = std::min(a.Range.Start(), s.size() - 1);
  std::size_t end = std::min(a.Range.End(), s.size() - 1);
  if (end > p) s.Erase(p, end - p);
  const CharAttr attrs[2] = {CharAttr{0, id}, CharAttr{0, id}};
  const char16_t chars[2] = {ch::kFieldBegin, ch::kFieldEnd};
  s.Insert(p, std::u16string_view(chars, 2), attrs);
  TocBuilder::Update(*doc_, id);
  return TableOfContents(doc_, id);
}

int TablesOfContents::Count() const { return static_cast<int>(FieldsOfKind(*doc_, FieldKind::kToc).size()); }

TableOfContents TablesOfContents::Item(int index) const {
  auto ids = FieldsOfKind(*doc_, FieldKind::kToc);
  if (index < 1 || index > static_cast<int>(ids.size())) throw WordError(kNoSuchMember);
  return TableOfContents(doc_, ids[static_cast<std::size_t>(index - 1)]);
}

Range Hyperlink::GetRange() const {
  Story& s = doc_->main;
  auto [b, e] = FieldSpan(s, field_);
  return Range(doc_, &s, b, e + 1);
}

std::u16string Hyperlink::TextToDisplay() const {
  auto [b, e] = FieldSpan(doc_->main, field_);
  return PlainText(doc_->main, b + 1, e);
}

Hyperlink Hyperlinks::Add(const Range& anchor, std::u16string_view address, std::u16string_view sub_address,
                          std::u16string_view /*screen_tip*/, std::u16string_view text_to_display) {
  if (!anchor.valid() || anchor.doc() != doc_) throw WordError("The anchor is not in this document.");
  if (address.empty() && sub_address.empty()) throw WordError("A hyperlink needs an address.");
  Story& s = *anchor.story();
  std::u16string shown(text_to_display);
  if (shown.empty()) shown = PlainText(s, anchor.Start(), anchor.End());
  if (shown.empty()) shown = address.empty() ? std::u16string(sub_address) : std::u16string(address);
  Field f;
  f.kind = FieldKind::kHyperlink;
  f.address = address;
  f.sub_address = sub_address;
  doc_->fields.push_back(f);
  auto id = static_cast<std::uint32_t>(doc_->fields.size() - 1);
  std::size_t p = std::min(anchor.Start(), s.size() - 1);
  std::size_t end = std::min(anchor.End(), s.size() - 1);
  std::uint32_t base = InsertionRunFormat(s, p);
  if (end > p) s.Erase(p, end - p);
  RunProps run = doc_->run(base);
  run.char_style = doc_->StyleByBuiltin(builtin::kHyperlink);
  std::uint32_t fmt = doc_->InternRun(run);
  std::u16string text;
  std::vector<CharAttr> attrs;
  text += ch::kFieldBegin;
  attrs.push_back(CharAttr{0, id});
  for (char16_t c : shown)
    if (c >= 0x20) {
      text += c;
      attrs.push_back(CharAttr{fmt, 0});
    }
  text += ch::kFieldEnd;
  attrs.push_back(CharAttr{0, id});
  s.Insert(p, text, attrs.data());
  return Hyperlink(doc_, id);
}

int Hyperlinks::Count() const { return static_cast<int>(FieldsOfKind(*doc_, FieldKind::kHyperlink).size()); }

InlineShape InlineShapes::Item(int index) const {
  const auto& ids = index_->Get(*doc_, false);
  if (index < 1 || index > static_cast<int>(ids.size())) throw WordError(kNoSuchMember);
  return InlineShape(doc_, ids[static_cast<std::size_t>(index - 1)]);
}

Shape Shapes::Item(int index) const {
  const auto& ids = index_->Get(*doc_, true);
  if (index < 1 || index > static_cast<int>(ids.size())) throw WordError(kNoSuchMember);
  return Shape(doc_, ids[static_cast<std::size_t>(index - 1)]);
}

SectionProps& SectionByIndex(DocModel& doc, int index) {
  if (index >= 1) {
    int n = 0;
    const Story& s = doc.main;
    for (std::size_t i = 0; i < s.size(); ++i)
      if (s.at(i) == ch::kSection && ++n == index) return doc.sections[s.attr(i).obj];
    if (index == n + 1) return doc.final_section;
  }
  throw WordError(kNoSuchMember);
}

int Sections::Count() const {
  int n = 1;
  for (char16_t c : doc_->main.text()) n += c == ch::kSection;
  return n;
}

Section Sections::Item(int index) const {
  SectionByIndex(*doc_, index);
  return Section(doc_, index);
}

Range Section::GetRange() const {
  const Story& s = doc_->main;
  std::size_t start = 0;
  int n = 1;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (s.at(i) == ch::kSection) {
      if (n == index_) return Range(doc_, &doc_->main, start, i + 1);
      ++n;
      start = i + 1;
    }
  return Range(doc_, &doc_->main, start, s.size());
}

HeaderFooter HeadersFooters::Item(int index) const {
  if (index != 1) throw WordError("Only the primary header and footer are kept.");
  return HeaderFooter(doc_, section_, header_);
}

int& HeaderFooter::Slot() const {
  SectionProps& s = SectionByIndex(*doc_, section_);
  return header_ ? s.header : s.footer;
}

int HeaderFooter::Effective() const {
  for (int i = section_; i >= 1; --i) {
    SectionProps& s = SectionByIndex(*doc_, i);
    int v = header_ ? s.header : s.footer;
    if (v >= 0) return v;
  }
  return -1;
}

int HeaderFooter::Own() {
  if (Slot() < 0) {
    int shown = Effective();
    Story copy;
    if (shown >= 0)
      copy = doc_->hf_stories[static_cast<std::size_t>(shown)];
    else {
      // A new header or footer paragraph takes the matching style.
      ParaProps pp;
      pp.style = std::max(0, doc_->StyleByBuiltin(header_ ? builtin::kHeader : builtin::kFooter));
      copy.set_attr(0, CharAttr{doc_->InternPara(pp), 0});
    }
    doc_->hf_stories.push_back(std::move(copy));
    Slot() = static_cast<int>(doc_->hf_stories.size() - 1);
  }
  return Slot();
}

bool HeaderFooter::LinkToPrevious() const { return section_ > 1 && Slot() < 0; }

void HeaderFooter::SetLinkToPrevious(bool on) {
  if (section_ == 1) return;  // the first section has nothing to link to
  if (on)
    Slot() = -1;
  else
    Own();
}

Range HeaderFooter::GetRange() const {
  // Editing a linked header edits the one it shows; the first section always has its own.
  int shown = Effective();
  if (shown < 0) {
    HeaderFooter first(doc_, 1, header_);
    shown = first.Own();
  }
  Story& s = doc_->hf_stories[static_cast<std::size_t>(shown)];
  return Range(doc_, &s, 0, s.size());
}

bool PageNumbers::RestartNumberingAtSection() const { return SectionByIndex(*doc_, section_).numbering.restart; }
void PageNumbers::SetRestartNumberingAtSection(bool on) { SectionByIndex(*doc_, section_).numbering.restart = on; }
int PageNumbers::StartingNumber() const { return SectionByIndex(*doc_, section_).numbering.start; }
void PageNumbers::SetStartingNumber(int n) {
  if (n < 0 || n > 32767) throw WordError("The value is out of range.");
  SectionByIndex(*doc_, section_).numbering.start = n;
}

void PageNumbers::Add(int alignment, bool /*first_page*/) {
  if (alignment < 0 || alignment > 4) throw WordError("The value is out of range.");
  HeaderFooter footer(doc_, section_, false);
  Range r = footer.GetRange();
  Story& s = *r.story();
  std::size_t p = s.size() - 1;
  if (!PlainText(s, 0, s.size()).empty()) {
    Range end(doc_, &s, p, p);
    end.InsertParagraphAfter();
    p = s.size() - 1;
  }
  Field f;
  f.kind = FieldKind::kPage;
  f.code = u" PAGE ";
  doc_->fields.push_back(f);
  auto id = static_cast<std::uint32_t>(doc_->fields.size() - 1);
  const char16_t chars[3] = {ch::kFieldBegin, u'1', ch::kFieldEnd};
  const CharAttr attrs[3] = {CharAttr{0, id}, CharAttr{0, 0}, CharAttr{0, id}};
  s.Insert(p, std::u16string_view(chars, 3), attrs);
  int a = alignment == 1 ? 1 : alignment == 2 || alignment == 4 ? 2 : 0;
  ApplyParaProps(*doc_, s, p, p + 3, [&](ParaProps& pp) { pp.alignment = static_cast<std::int8_t>(a); });
}

Document::Document(Application* app, std::unique_ptr<DocModel> model, std::u16string name)
    : app_(app), model_(std::move(model)), name_(std::move(name)) {}

Document::~Document() = default;

Range Document::Content() { return Range(model_.get(), &model_->main, 0, model_->main.size()); }

Range Document::GetRange(std::size_t start, std::size_t end) { return Range(model_.get(), &model_->main, start, end); }

Range Document::GoTo(int what, int which) {
  if (what != wd::kGoToHeading) throw WordError("This GoTo target is not supported.");
  const HeadingSpot spot = FindHeadingInDocument(*model_, nullptr, 0, which == wd::kGoToNext ? wd::kGoToFirst : which);
  if (!spot.story) return Range(model_.get(), &model_->main, 0, 0);
  return Range(model_.get(), spot.story, spot.start, spot.start);
}

void Document::SaveAs(const std::u16string& file_name, int file_format, bool /*add_to_recent_files*/) {
  if (file_format == wd::kFormatDocument) {
    DocFormatWriter writer;
    {
      std::lock_guard lock(g_doc_writer_mutex);
      writer = g_doc_writer;
    }
    if (writer)
      writer(*model_, file_name);
    else
      TDocWriter::Save(*model_, file_name);  // the built-in .doc writer
  } else if (file_format == wd::kFormatXMLDocument || file_format == wd::kFormatDocumentDefault) {
    if (!FieldsOfKind(*model_, FieldKind::kToc).empty()) model_->properties.update_fields_on_open = true;
    DocxPackager::Save(*model_, file_name);
  } else {
    throw WordError("This file format is not supported.");
  }
  full_name_ = file_name;
  auto slash = file_name.find_last_of(u"/\\");
  name_ = slash == std::u16string::npos ? file_name : file_name.substr(slash + 1);
  if (app_) app_->RememberSaved(file_name, *model_);
}

void Document::Close(int save_changes) {
  if (save_changes == wd::kSaveChanges) {
    if (full_name_.empty()) throw WordError("The document has never been saved.");
    SaveAs(full_name_);
  }
  if (app_) app_->GetDocuments().Remove(this);  // destroys this
}

}  // namespace tomeshift::word
