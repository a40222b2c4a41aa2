// Application: the in-process stand-in for the word processor's application object, with its
// options, its documents and the web-page import behind Documents.Open.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "word/automation/word_document.h"
#include "word/model/document_model.h"
#include "word/model/web_page_importer.h"

namespace tomeshift::word {

// The proofing and auto-format switches the converter turns off for a run, with the word
// processor's defaults.
// clang-format off
#define TOMESHIFT_WORD_OPTIONS(X)                       \
  X(CheckGrammarAsYouType, true)                        \
  X(CheckGrammarWithSpelling, true)                     \
  X(ContextualSpeller, true)                            \
  X(CheckSpellingAsYouType, true)                       \
  X(AutoFormatAsYouTypeApplyHeadings, false)            \
  X(AutoFormatAsYouTypeApplyBorders, true)              \
  X(AutoFormatAsYouTypeApplyBulletedLists, true)        \
  X(AutoFormatAsYouTypeApplyNumberedLists, true)        \
  X(AutoFormatAsYouTypeApplyTables, true)               \
  X(AutoFormatAsYouTypeReplaceQuotes, true)             \
  X(AutoFormatAsYouTypeReplaceSymbols, true)            \
  X(AutoFormatAsYouTypeReplaceOrdinals, true)           \
  X(AutoFormatAsYouTypeReplaceFractions, true)          \
  X(AutoFormatAsYouTypeReplacePlainTextEmphasis, false) \
  X(AutoFormatAsYouTypeReplaceHyperlinks, true)         \
  X(AutoFormatAsYouTypeFormatListItemBeginning, true)   \
  X(AutoFormatAsYouTypeDefineStyles, false)             \
  X(TabIndentKey, true)                                 \
  X(AutoFormatAsYouTypeApplyFirstIndents, true)         \
  X(AutoFormatAsYouTypeApplyDates, true)                \
  X(AutoFormatAsYouTypeMatchParentheses, true)          \
  X(AutoFormatAsYouTypeInsertOvers, true)               \
  X(AutoFormatAsYouTypeDeleteAutoSpaces, true)          \
  X(AutoFormatApplyHeadings, true)                      \
  X(AutoFormatApplyLists, true)                         \
  X(AutoFormatApplyBulletedLists, true)                 \
  X(AutoFormatApplyOtherParas, true)                    \
  X(AutoFormatReplaceQuotes, true)                      \
  X(AutoFormatReplaceSymbols, true)                     \
  X(AutoFormatReplaceOrdinals, true)                    \
  X(AutoFormatReplaceFractions, true)                   \
  X(AutoFormatReplacePlainTextEmphasis, true)           \
  X(AutoFormatReplaceHyperlinks, true)                  \
  X(AutoFormatPreserveStyles, true)                     \
  X(AutoFormatPlainTextWordMail, true)                  \
  X(AutoFormatApplyFirstIndents, true)                  \
  X(AutoFormatMatchParentheses, true)                   \
  X(AutoFormatDeleteAutoSpaces, true)                   \
  X(AutoFormatReplaceFarEastDashes, true)

#define TOMESHIFT_WORD_AUTOCORRECT(X)     \
  X(CorrectInitialCaps, true)             \
  X(CorrectSentenceCaps, true)            \
  X(CorrectDays, true)                    \
  X(CorrectCapsLock, true)                \
  X(ReplaceText, true)                    \
  X(ReplaceTextFromSpellingChecker, true) \
  X(CorrectKeyboardSetting, false)        \
  X(CorrectTableCells, true)
// clang-format on

#define TOMESHIFT_WORD_FIELD(name, value) bool name = value;

struct Options {
  TOMESHIFT_WORD_OPTIONS(TOMESHIFT_WORD_FIELD)
  // By name, as late-bound callers reach them; an unknown name raises WordError.
  bool Get(std::string_view name) const;
  void Set(std::string_view name, bool value);
  static std::vector<std::string_view> Names();
};

struct AutoCorrect {
  TOMESHIFT_WORD_AUTOCORRECT(TOMESHIFT_WORD_FIELD)
  bool Get(std::string_view name) const;
  void Set(std::string_view name, bool value);
  static std::vector<std::string_view> Names();
};

#undef TOMESHIFT_WORD_FIELD

class Application;

class Documents {
 public:
  explicit Documents(Application* app) : app_(app) {}
  // A new blank document.
  Document& Add();
  // A new document based on one this engine saved (the refresh after SaveAs); raises WordError for
  // any other file, or when the file changed since it was saved.
  Document& Add(const std::u16string& Template);
  // Format 7 opens a web page through the application's importer, on the page setup of the first
  // open document. Visible and OpenAndRepair are accepted for the word processor's sake and change
  // nothing here.
  Document& Open(const std::u16string& FileName, int Format = 7, bool Visible = true, bool OpenAndRepair = false);
  int Count() const { return static_cast<int>(docs_.size()); }
  Document& Item(int index);
  void Remove(Document* doc);
  void Clear() { docs_.clear(); }

 private:
  Document& Keep(std::unique_ptr<DocModel> model, std::u16string name);
  Application* app_;
  std::vector<std::unique_ptr<Document>> docs_;
  int created_ = 0;
};

class Application {
 public:
  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  std::u16string Version() const { return u"16.0"; }
  ::tomeshift::word::Options& GetOptions() { return options_; }
  ::tomeshift::word::AutoCorrect& GetAutoCorrect() { return autocorrect_; }
  Documents& GetDocuments();
  bool Visible() const { return visible_; }
  void SetVisible(bool on) { visible_ = on; }
  // Closes every document without saving when save_changes is false. The object is finished afterwards.
  void Quit(bool save_changes = false);

  void SetWebPageImporter(std::unique_ptr<IWebPageImporter> importer) { importer_ = std::move(importer); }
  IWebPageImporter* web_page_importer() { return importer_.get(); }
  // Called by Document::SaveAs so that Documents.Add(template) can base a document on it.
  void RememberSaved(const std::u16string& path, const DocModel& model);

 private:
  ::tomeshift::word::Options options_;
  ::tomeshift::word::AutoCorrect autocorrect_;
  Documents documents_{this};
  std::unique_ptr<IWebPageImporter> importer_;
  bool visible_ = false;
  bool quit_ = false;
};

}  // namespace tomeshift::word
