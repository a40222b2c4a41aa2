#include "converter/document_assembly.h"

#include <cctype>
#include <cmath>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>
#include <vector>

#include "converter/chapter_numbers.h"
#include "converter/chm_to_doc.h"
#include "platform/atomic_save.h"
#include "platform/cancellation.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/office_layout.h"
#include "platform/shell_execute.h"
#include "platform/temp_files.h"
#include "platform/user_interaction.h"
#include "text/html_tag_tree.h"
#include "text/text_utils.h"
#include "text/unicode.h"
#include "word/automation/word_application.h"
#include "word/automation/word_document.h"

namespace tomeshift {

namespace {

// The word processor's constants, as passed.
constexpr int kStyleNormal = -1;
constexpr int kCollapseEnd = 0;
constexpr int kSectionBreakNextPage = 2;
constexpr int kAlignLeft = 0;
constexpr int kAlignCenter = 1;
constexpr int kGoToHeading = 11;
constexpr int kGoToFirst = 1;
constexpr int kGoToNext = 2;
constexpr int kUnitParagraph = 4;
constexpr int kOutlineBodyText = 10;
constexpr int kParagraphStyle = 1;
constexpr int kFormatWebPage = 7;
constexpr int kInlineLinkedPicture = 4;
constexpr int kFloatingLinkedPicture = 11;
constexpr int kPaperCustom = 41;
constexpr int kFormatDocument = 0;
constexpr int kFormatXMLDocument = 12;
constexpr int kDoNotSaveChanges = 0;
constexpr int kPageNumberCenter = 1;
constexpr int kPictureRefreshEvery = 10000;

std::u16string Num(long long n) { return U16(std::to_string(n)); }

// The extension of a path with its dot ("" when the last name has none).
std::u16string ExtensionOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"/\\");
  const std::size_t dot = path.rfind(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
  return path.substr(dot);
}

std::u16string ChangeExtension(const std::u16string& path, const std::u16string& ext) {
  const std::u16string old = ExtensionOf(path);
  return path.substr(0, path.size() - old.size()) + ext;
}

bool Is100(double percent) { return std::abs(percent - 100.0) < 1e-6; }

// Puts a finished scratch file in place of the target through the atomic save.
void CopyIntoPlace(const std::string& from, const std::string& target) {
  std::ifstream in(from, std::ios::binary);
  if (!in) throw FileError(from, "cannot be read");
  word::AtomicSave file(target);
  std::vector<char> buffer(1 << 20);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in.gcount() > 0) file.Write(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())));
    CheckCancel();
  }
  if (in.bad()) throw FileError(from, "cannot be read");
  file.Commit();
}

}  // namespace

int MillimetresToPoints(int mm) {
  // mm × 285 / 100 in whole numbers, so that halves are exact.
  const long long hundredths = static_cast<long long>(mm) * 285;
  long long q = hundredths / 100;
  long long r = hundredths % 100;
  if (r < 0) {
    r += 100;
    --q;
  }
  if (r > 50 || (r == 50 && (q % 2 != 0))) ++q;
  return static_cast<int>(q);
}

int RoundProgress(double value) { return static_cast<int>(std::nearbyint(value)); }

bool StartsNewPage(int s, int level) {
  if (s == 1) return level == 0;
  if (s == 2) return true;
  if (s > 2) return level < s - 1;
  return false;
}

int HeadingStyleForLevel(int level) {
  if (level < 0) level = 0;
  if (level > 8) level = 8;
  return -level - 2;
}

std::u16string HeadingText(const TTitleList& entry, bool title_number, bool titles_numbered) {
  const bool counted = title_number && !titles_numbered && OwnChapterNumber(entry.Topic, false).empty();
  return counted ? entry.ChapterNumber + u" " + entry.Topic : entry.Topic;
}

std::u16string ReferenceText(const std::u16string& hint_format, const std::u16string& heading) {
  const std::u16string text = ReplaceText(hint_format, u"[Title No.]", heading);
  return TrimWhitespace(text).empty() ? heading : text;
}

bool RefreshDueAfterEntry(int j, int last_refresh) { return j > 300 && j % 200 == 0 && j >= 2 * last_refresh; }

TDocumentAssembly::TDocumentAssembly(TChmToDocPDF& converter) : c_(converter) {}

TDocumentAssembly::~TDocumentAssembly() = default;

void TDocumentAssembly::Report(const std::u16string& info, int persent) {
  if (c_.FOnChange) c_.FOnChange(info, persent);
}

void TDocumentAssembly::Run() {
  try {
    Build();
  } catch (const std::exception& e) {
    const bool canceled = dynamic_cast<const EUserCancel*>(&e) != nullptr;
    const std::u16string message = U16(e.what());
    try {
      Report(canceled ? u"Canceled." : u"Failed.", 0);
    } catch (...) {
      // A stop requested meanwhile changes nothing now: the stage is ending anyway.
    }
    c_.Failed = true;
    if (!canceled && c_.FOnError) c_.FOnError(message);
  }
  Cleanup();
  // Only what this run wrote: after giving up a file in use, the old document there is not the result.
  if (c_.Saved) ShellExecute(u"open", c_.SavedFile, SW_SHOW);
  c_.OK = true;
  try {
    Report(u"", 100);
  } catch (...) {
  }
}

void TDocumentAssembly::Build() {
  StartConnection();

  Report(u"Creating document...", 20);
  document_ = &application_->GetDocuments().Add();
  SetUpPage();
  SetUpStyles();

  const int count = c_.List.Count();
  c_.max = count;
  if (count == 0) throw TomeshiftError(NoContentsMessage());
  step_ = 60.0 / count;
  range_ = document_->Content();

  if (c_.Settings.Cover) AddCover();
  if (c_.Settings.Toc) AddTableOfContents();

  for (int j = 0; j < count; ++j) {
    AddTopic(j);
    if (RefreshDueAfterEntry(j, last_refresh_entry_)) {
      Refresh();
      last_refresh_entry_ = j;
    }
  }
  Refresh();
  // The paragraph after the last entry would otherwise keep that entry's heading style, an empty
  // heading at the end of the document.
  range_.Collapse(kCollapseEnd);
  range_.SetStyle(kStyleNormal);

  FitPictures();
  AddHeaderAndFooter();

  Report(u"Updating TOC...", 95);
  if (c_.Settings.Toc) document_->GetTablesOfContents().Item(1).Update();

  Save();
  word::Document* doc = std::exchange(document_, nullptr);
  doc->Close(kDoNotSaveChanges);
  completed_ = true;
  Report(c_.Saved ? u"OK!" : u"Not saved.", 100);
}

std::string TDocumentAssembly::NoContentsMessage() const {
  std::string what;
  if (c_.hhcFile.empty()) {
    what = "the help file has no contents file (.hhc) to take the topics from.";
  } else {
    std::u16string name = c_.hhcFile;
    if (name.compare(0, c_.rootFolder.size(), c_.rootFolder) == 0) name = name.substr(c_.rootFolder.size());
    what = "its contents file " + U8(name) + " lists no topics that can be read.";
  }
  if (!c_.chmFile.empty()) return U8(c_.chmFile) + ": " + what;
  what[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(what[0])));
  return what;
}

void TDocumentAssembly::StartConnection() {
  BeginWordAutomation();
  automation_begun_ = true;
  Report(u"Launching Word...", 20);
  application_ = CreateWordApplication();
  modern_word_ = IsModernWord(WordMajorVersion(application_->Version()));
  saved_options_ = SaveWordOptions(*application_, modern_word_);
  options_saved_ = true;
  DisableWordOptions(*application_, modern_word_);
  Report(u"Word launched.", 20);

  // The scratch name comes with an empty file of its own name; only the changed name is used.
  const std::u16string temp = NewTempFileName();
  FileSystem().RemoveFile(temp);
  scratch_document_ = ChangeExtension(temp, modern_word_ ? u".docx" : u".doc");
  save_format_ = modern_word_ ? kFormatXMLDocument : kFormatDocument;
}

void TDocumentAssembly::SetUpPage() {
  const TDocPDFSettings& s = c_.Settings;
  word::PageSetup page = document_->GetPageSetup();
  page.SetPaperSize(s.PaperSize);
  if (s.PaperSize == kPaperCustom) {
    page.SetPageHeight(MillimetresToPoints(s.Height));
    page.SetPageWidth(MillimetresToPoints(s.Width));
  }
  page.SetTopMargin(MillimetresToPoints(s.Top));
  page.SetBottomMargin(MillimetresToPoints(s.Bottom));
  page.SetLeftMargin(MillimetresToPoints(s.Left));
  page.SetRightMargin(MillimetresToPoints(s.Right));
  text_width_ = static_cast<int>(std::lround(page.PageWidth() - page.LeftMargin() - page.RightMargin()));

  page.GetLineNumbering().SetActive(false);
  document_->GetWebOptions().SetAllowPNG(true);
  try {
    document_->GetWebOptions().SetTargetBrowser(4);
  } catch (const std::exception&) {
  }
  document_->GetBookmarks().SetShowHidden(true);
}

void TDocumentAssembly::SetUpStyles() {
  for (int n = 1; n <= 9; ++n) {
    const TFont& f = c_.Settings.HeadingFont[static_cast<std::size_t>(n)];
    word::Font font = document_->GetStyles().Item(-1 - n).GetFont();
    font.SetName(f.Name);
    font.SetColor(static_cast<int>(f.Color));
    font.SetSize(f.Size);
    font.SetBold(f.Bold);
    font.SetItalic(f.Italic);
    font.SetUnderline(f.Underline ? 1 : 0);
  }
  // No style may number its paragraphs: chapter numbers are text.
  const int styles = document_->GetStyles().Count();
  for (int i = 1; i <= styles; ++i) {
    try {
      word::Style style = document_->GetStyles().Item(i);
      if (style.Type() == kParagraphStyle) style.LinkToListTemplate(nullptr);
    } catch (const std::exception&) {
    }
  }
}

void TDocumentAssembly::AddCover() {
  Report(u"Creating cover...", 0);
  range_.SetStyle(kStyleNormal);
  for (int i = 0; i < 6; ++i) range_.InsertParagraphAfter();
  range_.Collapse(kCollapseEnd);
  range_.InsertAfter(c_.Title);
  range_.GetFont().SetSize(36);
  range_.GetParagraphFormat().SetAlignment(kAlignCenter);
  range_.Collapse(kCollapseEnd);
  range_.InsertParagraphAfter();
  range_.InsertParagraphAfter();
  range_.Collapse(kCollapseEnd);
  range_.InsertParagraphAfter();
  range_.GetParagraphFormat().SetAlignment(kAlignLeft);
  range_.Collapse(kCollapseEnd);
  range_.InsertBreak(kSectionBreakNextPage);
}

void TDocumentAssembly::AddTableOfContents() {
  Report(u"Creating TOC...", 0);
  range_.Collapse(kCollapseEnd);
  range_.InsertAfter(c_.Settings.TOCCaption);
  range_.GetFont().SetSize(28);
  range_.GetParagraphFormat().SetAlignment(kAlignLeft);
  range_.InsertParagraphAfter();
  range_.Collapse(kCollapseEnd);
  word::TocAddArgs args;
  args.Range = range_;
  args.RightAlignPageNumbers = true;
  args.UseHeadingStyles = true;
  args.UpperHeadingLevel = 1;
  args.LowerHeadingLevel = c_.Settings.ShowLevel;
  args.IncludePageNumbers = true;
  args.UseHyperlinks = true;
  args.HidePageNumbersInWeb = true;
  args.UseOutlineLevels = true;
  range_ = document_->GetTablesOfContents().Add(args).GetRange();
  range_.Collapse(kCollapseEnd);
  range_.InsertBreak(kSectionBreakNextPage);
}

void TDocumentAssembly::AddTopic(int j) {
  const TTitleList& entry = c_.List[j];
  const int count = c_.List.Count();
  if (c_.FOnChange)
    Report(u"Processing (" + Num(j + 1) + u" of " + Num(count) + u") " + entry.Url + u"...",
           RoundProgress(j * step_) + 20);

  if (StartsNewPage(c_.Settings.StartNewPage, entry.Level) && j > 0) {
    range_.Collapse(kCollapseEnd);
    range_.InsertParagraphAfter();
    range_.Collapse(kCollapseEnd);
    range_.InsertBreak(kSectionBreakNextPage);
  }

  range_.Collapse(kCollapseEnd);
  const int style = HeadingStyleForLevel(entry.Level);
  range_.SetStyle(style);
  range_.InsertAfter(HeadingText(entry, c_.Settings.TitleNumber, c_.TitlesNumbered));
  range_.SetStyle(style);
  range_ = document_->GetBookmarks().Add(entry.Bookmark, range_).GetRange();
  range_.Collapse(kCollapseEnd);
  range_.InsertParagraphAfter();
  range_.Collapse(kCollapseEnd);

  if (entry.Status == kStatusPage && entry.BodyEntry) {
    AddReference(*entry.BodyEntry);
  } else if (entry.Status == kStatusPage && FileSystem().FileExists(c_.rootFolder + entry.Url)) {
    AddPageBody(c_.rootFolder + entry.Url);
  } else if (entry.Status == kStatusWebAddress) {
    AddWebAddress(entry);
  }
}

void TDocumentAssembly::AddPageBody(const std::u16string& path) {
  word::Document* page = nullptr;
  try {
    page = &application_->GetDocuments().Open(path, kFormatWebPage, false, true);
  } catch (const EUserCancel&) {
    throw;
  } catch (const std::exception&) {
    return;  // the entry keeps its heading only
  }

  try {
    // The page's headings must not reach the table of contents: they lose their heading styles
    // and keep their look. Those in table cells too: a position is a story (main text or cell)
    // and a place in it.
    word::Range r = page->GoTo(kGoToHeading, kGoToFirst);
    r.Expand(kUnitParagraph);
    std::size_t start = r.Start();
    const word::Story* story = r.story();
    for (;;) {
      if (r.GetParagraphFormat().OutlineLevel() < kOutlineBodyText) {
        const word::Style s = r.GetParagraphFormat().GetStyle();
        r.GetParagraphFormat().SetStyle(kStyleNormal);
        const word::Style style = page->GetStyles().Item(s);
        const std::u16string name = style.GetFont().Name();
        if (name != u"Times New Roman") r.GetFont().SetName(name);
        const double size = style.GetFont().Size();
        r.GetFont().SetSize(size > 14 ? 14 : size);
        r.GetFont().SetColor(style.GetFont().Color());
        r.GetFont().SetBold(style.GetFont().Bold());
        r.GetParagraphFormat().SetAlignment(style.GetParagraphFormat().Alignment());
      }
      r = r.GoTo(kGoToHeading, kGoToNext);
      if (r.Start() == start && r.story() == story) break;
      start = r.Start();
      story = r.story();
      r.Expand(kUnitParagraph);
    }

    word::Range content = page->Content();
    if (content.End() > content.Start()) {
      content.Copy();
      range_.Collapse(kCollapseEnd);
      range_.SetStyle(kStyleNormal);
      range_.Paste();
    }
  } catch (const EUserCancel&) {
    throw;
  } catch (const std::exception&) {
    // What was copied before the error stays; the page is closed below.
  }

  page->Close(kDoNotSaveChanges);
}

void TDocumentAssembly::AddWebAddress(const TTitleList& entry) {
  range_.Collapse(kCollapseEnd);
  range_.SetStyle(kStyleNormal);
  range_ = document_->GetHyperlinks().Add(range_, entry.Url, {}, {}, entry.Url).GetRange();
  range_.Collapse(kCollapseEnd);
  range_.InsertParagraphAfter();
}

void TDocumentAssembly::AddReference(const TTitleList& target) {
  // The text stands once, under the first entry that names it; this one points there.
  const std::u16string text =
      ReferenceText(c_.HintFormat, HeadingText(target, c_.Settings.TitleNumber, c_.TitlesNumbered));
  range_.Collapse(kCollapseEnd);
  range_.SetStyle(kStyleNormal);
  range_ = document_->GetHyperlinks().Add(range_, {}, target.Bookmark, {}, text).GetRange();
  range_.Collapse(kCollapseEnd);
  range_.InsertParagraphAfter();
}

void TDocumentAssembly::Refresh() {
  Report(u"Freshing document(it may take a long time)...", 0);
  document_->SaveAs(scratch_document_, save_format_, false);
  document_ = nullptr;
  range_ = word::Range();
  application_->Quit(false);
  application_ = CreateWordApplication();
  document_ = &application_->GetDocuments().Add(scratch_document_);
  range_ = document_->Content();
  ++refresh_count_;
}

void TDocumentAssembly::FitPictures() {
  const int inline_count = document_->GetInlineShapes().Count();
  const int floating_count = document_->GetShapes().Count();
  const int total = inline_count + floating_count;
  if (total == 0) return;
  const double step = 10.0 / total;
  Report(u"Resizing inline Shapes...", 80);
  auto progress = [&](int k) {
    if (c_.FOnChange)
      Report(u"Resizing inline Shapes (" + Num(k) + u" of " + Num(total) + u")...", RoundProgress(k * step) + 80);
  };
  // Every picture is embedded before the scratch folder, which its link points into, goes.
  int last_refresh = 0;
  for (int i = 1; i <= inline_count; ++i) {
    progress(i);
    word::InlineShape s = document_->GetInlineShapes().Item(i);
    if (s.Type() == kInlineLinkedPicture) {
      s.GetLinkFormat().SetSavePictureWithDocument(true);
      s.SetLockAspectRatio(false);
      const double sh = s.ScaleHeight(), sw = s.ScaleWidth();
      if (Is100(sh) && !Is100(sw))
        s.SetScaleHeight(sw);
      else if (Is100(sw) && !Is100(sh))
        s.SetScaleWidth(sh);
      s.SetLockAspectRatio(true);
      if (s.Width() > text_width_) {
        try {
          s.SetWidth(text_width_);
        } catch (const std::exception&) {
        }
      }
      s.GetLinkFormat().BreakLink();
    }
    if (i % kPictureRefreshEvery == 0 && i >= 2 * last_refresh) {
      Refresh();
      last_refresh = i;
    }
  }
  for (int i = 1; i <= floating_count; ++i) {
    progress(inline_count + i);
    word::Shape s = document_->GetShapes().Item(i);
    if (s.Type() == kFloatingLinkedPicture) {
      s.GetLinkFormat().SetSavePictureWithDocument(true);
      if (s.Width() > text_width_) {
        const double p = text_width_ / s.Width() * 100.0;
        try {
          s.SetWidth(text_width_);
        } catch (const std::exception&) {
          s.SetScaleHeight(p);
          s.SetScaleWidth(p);
        }
      }
      s.GetLinkFormat().BreakLink();
    }
    if (i % kPictureRefreshEvery == 0 && inline_count + i >= 2 * last_refresh) {
      Refresh();
      last_refresh = inline_count + i;
    }
  }
}

void TDocumentAssembly::AddHeaderAndFooter() {
  Report(u"Header and footer...", 90);
  const int section = c_.Settings.Cover ? 2 : 1;
  if (c_.Settings.Footer) {
    word::HeaderFooter footer = document_->GetSections().Item(section).Footers().Item(1);
    footer.SetLinkToPrevious(false);
    footer.GetPageNumbers().SetRestartNumberingAtSection(true);
    footer.GetPageNumbers().SetStartingNumber(1);
    footer.GetPageNumbers().Add(kPageNumberCenter, true);
  }
  if (c_.Settings.Header) {
    word::HeaderFooter header = document_->GetSections().Item(section).Headers().Item(1);
    header.SetLinkToPrevious(false);
    header.GetRange().InsertAfter(c_.Title);
    header.GetRange().GetParagraphs().SetAlignment(kAlignCenter);
  }
}

void TDocumentAssembly::Save() {
  Report(u"Saving document...", 98);
  target_ = OutputTargetPath(c_.pdf);
  const std::u16string ext = AsciiLower(ExtensionOf(target_));
  // Checked before the run started, and again now: the folder may have changed meanwhile. Only a file
  // that another program holds is worth asking about; nothing else gets better by retrying.
  const std::u16string problem = OutputWriteProblem(target_, true, c_.chmFile);
  if (!problem.empty()) throw TomeshiftError(U8(problem));
  if (const std::u16string missing = OutputFormatProblem(target_); !missing.empty()) throw TomeshiftError(U8(missing));
  // The document replaces the file a link at its name leads to, never the link.
  const std::u16string written = FollowSymbolicLinks(target_);
  c_.Abort = false;
  while (IsHeldByAnotherProgram(written)) {
    if (c_.FOnDenied) c_.FOnDenied(target_);
    if (c_.Abort) return;
  }
  // Without a contents there are no page numbers to put right: the office is not worth its seconds.
  const bool lay_out = IsPdfTarget(target_) || (c_.Settings.ExactPages && c_.Settings.Toc);
  const std::string office = lay_out ? TOfficeLayout::FindProgram() : std::string();
  if (lay_out && office.empty() && !TOfficeLayout::Disabled()) {
    UserInteraction().Warning(target_, U16(std::string("the page numbers in the table of contents are estimates: "
                                                       "LibreOffice, which would number the pages exactly, is not "
                                                       "installed (apt-get install ") +
                                           kOfficePackage + ")"));
  }
  if (office.empty()) {
    document_->SaveAs(written, ext == u".docx" ? kFormatXMLDocument : kFormatDocument, false);
  } else {
    SaveThroughOffice(office, written);
  }
  c_.Saved = true;
  c_.SavedFile = target_;
}

void TDocumentAssembly::SaveThroughOffice(const std::string& office, const std::u16string& written) {
  const std::u16string ext = AsciiLower(ExtensionOf(target_));
  const bool pdf = ext == u".pdf";
  const bool doc = ext == u".doc";
  // Both the estimate and the office's result stay in the scratch space until one of them replaces the
  // target, once: a document the office failed on is never half there.
  laid_in_ = scratch_document_ + (doc ? u".in.doc" : u".in.docx");
  laid_out_ = scratch_document_ + u".out" + ext;
  document_->SaveAs(laid_in_, doc ? kFormatDocument : kFormatXMLDocument, false);
  IFileSystem& files = FileSystem();
  std::vector<OfficeJob> jobs(1);
  jobs[0].input = files.NativePath(laid_in_);
  jobs[0].output = files.NativePath(laid_out_);
  jobs[0].format = pdf ? OfficeFormat::kPdf : doc ? OfficeFormat::kDoc : OfficeFormat::kDocx;
  Report(pdf ? u"Making the PDF in LibreOffice..." : u"Numbering the pages in LibreOffice...", 99);
  std::error_code ignored;
  const std::uintmax_t bytes = std::filesystem::file_size(jobs[0].input, ignored);
  bool laid_out = true;
  try {
    const auto entries = static_cast<std::size_t>(c_.List.Count());
    TOfficeLayout(office, TOfficeLayout::FindMacro()).Run(jobs, TOfficeLayout::TimeLimitSeconds(bytes, entries));
  } catch (const OfficeLayoutError& e) {
    if (pdf) throw TomeshiftError("Cannot make the PDF " + U8(target_) + ": " + e.what());
    UserInteraction().Warning(target_, u"the page numbers in the table of contents are estimates: " + U16(e.what()));
    laid_out = false;
  }
  CopyIntoPlace(laid_out ? jobs[0].output : jobs[0].input, files.NativePath(written));
}

void TDocumentAssembly::Cleanup() {
  try {
    if (application_) {
      if (options_saved_) RestoreWordOptions(*application_, modern_word_, saved_options_);
      document_ = nullptr;
      range_ = word::Range();
      application_->Quit(false);
    }
    if (!scratch_document_.empty()) FileSystem().RemoveFile(scratch_document_);
    for (const std::u16string* laid : {&laid_in_, &laid_out_}) {
      if (!laid->empty()) FileSystem().RemoveFile(*laid);
    }
  } catch (...) {
  }
  application_.reset();
  try {
    if (!c_.rootFolder.empty()) DeleteFolder(c_.rootFolder);
  } catch (...) {
  }
  if (automation_begun_) EndWordAutomation();
}

}  // namespace tomeshift
