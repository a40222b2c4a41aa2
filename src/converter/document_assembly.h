// The output stage of a conversion: builds the document through the word processor's automation
// objects from the distilled pages and the contents list, saves it, and cleans up.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "converter/word_connection.h"
#include "word/automation/word_range.h"

namespace tomeshift {

class TChmToDocPDF;
class TTitleList;

namespace word {
class Application;
class Document;
}  // namespace word

// Millimetres to points as the program has always done it: × 2.85, halves to the even neighbour.
int MillimetresToPoints(int mm);
// The progress step of an entry or picture: round-half-even of value, as a whole percentage.
int RoundProgress(double value);
// True when a section break is due before an entry of this level (before the very first, too).
bool StartsNewPage(int start_new_page, int level);
// The built-in heading style of an entry level: Heading level + 1, at most Heading 9.
int HeadingStyleForLevel(int level);
// The heading of an entry: its chapter number and title with chapter numbers on, unless its title
// carries its own number (or most titles do); then, and with numbers off, the title as written.
std::u16string HeadingText(const TTitleList& entry, bool title_number, bool titles_numbered);
// The paragraph an entry that repeats an earlier one gets instead of its text: the hint template
// with the earlier entry's heading for "[Title No.]".
std::u16string ReferenceText(const std::u16string& hint_format, const std::u16string& heading);
// After which entries (0-based) the document is saved and reopened. The first comes after entry
// 400; later ones only once the document has doubled since the last, so that the copies made
// stay proportional to the document.
bool RefreshDueAfterEntry(int j, int last_refresh);

class TDocumentAssembly {
 public:
  explicit TDocumentAssembly(TChmToDocPDF& converter);
  ~TDocumentAssembly();
  TDocumentAssembly(const TDocumentAssembly&) = delete;
  TDocumentAssembly& operator=(const TDocumentAssembly&) = delete;

  // The whole stage; never throws (failures are reported through the converter's events).
  void Run();

  // How often the document was saved and reopened (tests, benchmark).
  int refresh_count() const { return refresh_count_; }

 private:
  void Build();
  void StartConnection();
  void SetUpPage();
  void SetUpStyles();
  void AddCover();
  void AddTableOfContents();
  void AddTopic(int j);
  void AddPageBody(const std::u16string& path);
  void AddWebAddress(const TTitleList& entry);
  void AddReference(const TTitleList& target);
  void Refresh();
  void FitPictures();
  void AddHeaderAndFooter();
  void Save();
  // Saves into the scratch space, has LibreOffice lay the document out (and make the PDF), and puts
  // the result in place; when the office fails on a Word document, the estimate goes in place instead.
  void SaveThroughOffice(const std::string& office, const std::u16string& written);
  void Cleanup();
  void Report(const std::u16string& info, int persent);
  std::string NoContentsMessage() const;

  TChmToDocPDF& c_;
  std::shared_ptr<word::Application> application_;
  word::Document* document_ = nullptr;
  word::Range range_;  // where the next content goes
  bool automation_begun_ = false;
  bool modern_word_ = false;
  TSavedWordOptions saved_options_;
  bool options_saved_ = false;
  std::u16string scratch_document_;
  int save_format_ = 12;
  int text_width_ = 0;
  double step_ = 0;
  bool completed_ = false;
  std::u16string target_;
  std::u16string laid_in_, laid_out_;  // the layout pass's scratch documents
  int refresh_count_ = 0;
  int last_refresh_entry_ = 0;
};

}  // namespace tomeshift
