// The importer's walk over one page tree (private to html_import*.cpp).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "word/import/css/css_cascade.h"
#include "word/import/css/css_computed_style.h"
#include "word/import/gumbo_document.h"
#include "word/import/html_import.h"
#include "word/model/document_model.h"
#include "word/model/story_builder.h"

namespace tomeshift::word {

class HtmlImportWalker {
 public:
  HtmlImportWalker(DocModel& doc, std::u16string page_path, std::vector<HtmlImportWarning>* warnings);
  void Run(const GumboDocument& page);

 private:
  // Deeper nesting than this is flattened: its text is kept with the formatting reached so far.
  static constexpr int kMaxDepth = 200;
  // Code is set no smaller than this (points) to keep its lines whole.
  static constexpr double kCodeFloor = 7;

  struct Block {
    ParaProps props;
    bool number_pending = false;    // a list item numbers only its first paragraph
    bool number_inherited = false;  // the pending number came from the enclosing block (the item)
    std::size_t marks_at_start = 0;
  };
  // One story being filled: the main text or a table cell.
  struct Flow {
    Flow(DocModel& doc, Story& s) : story(s), builder(doc, s) {}
    Story& story;
    StoryBuilder builder;
    std::vector<Block> blocks;
    bool para_open = false;
    bool at_line_start = true;   // nothing but collapsible space since the paragraph or a line break
    bool pending_space = false;  // a collapsed space waits for the next text
    RunProps space_run;
    ParaProps para;                        // props of the open paragraph
    double pending_before = 0;             // points of margin above the next paragraph
    std::optional<std::size_t> last_mark;  // position of the last paragraph mark in the story
    std::size_t marks = 0;
    int open_link = -1;  // index into links_ of the hyperlink open in this paragraph
  };
  struct Link {
    std::u16string address, sub_address;
  };
  // A white-space: pre block with a line wider than the text: its font is narrowed, and when some
  // line still does not fit, every line becomes a paragraph, those too long wrapping under a hanging
  // indent.
  struct CodeBlock {
    double scale = 1;       // of the font sizes inside
    std::vector<int> hang;  // per line: twips of hanging indent, -1 when the line fits
    bool split = false;
    std::size_t line = 0;  // the line being written
  };

  void LoadStyleSheets(const GumboDocument& page);
  void LoadStyleSheetFile(const std::u16string& path, int depth);
  void Walk(const HtmlNode& node, const CssComputedStyle& parent, int depth);
  void WalkChildren(const HtmlNode& node, const CssComputedStyle& style, int depth);
  void WalkFlat(const HtmlNode& node, const CssComputedStyle& style);
  // more_hints: presentational hints that come from elsewhere (a cell's lines from its table).
  CssComputedStyle StyleOf(const HtmlNode& element, const CssComputedStyle& parent,
                           const std::vector<CssDeclaration>* more_hints = nullptr);

  // Paragraph flow.
  Flow& flow() { return *flows_.back(); }
  void BeginBlock(const HtmlNode& e, const CssComputedStyle& style);
  void PutPendingMarker();
  void BeginCode(const HtmlNode& e, const CssComputedStyle& style);
  bool InCode() const { return code_ && flows_.size() == 1; }
  void EndBlock(const CssComputedStyle& style);
  void EnsureParagraph();
  void EndParagraph();
  void SyncLink();
  void CloseLink();
  void Text(std::string_view utf8, const CssComputedStyle& style);
  void LineBreak(const CssComputedStyle& style);
  void FlushSpace();
  RunProps RunFor(const CssComputedStyle& style) const;
  void Rule(const CssComputedStyle& style);
  static void HrBorder(ParaProps& para, const CssComputedStyle& style);

  // Elements with their own treatment.
  void Picture(const HtmlNode& e, const CssComputedStyle& style);
  std::optional<std::pair<double, double>> PictureSize(const std::u16string& path, std::string_view src);
  void List(const HtmlNode& e, const CssComputedStyle& style, int depth);
  void TableElement(const HtmlNode& e, const CssComputedStyle& style, int depth);
  void LayOutColumns(Table& table, const std::vector<bool>& explicit_widths, const std::vector<bool>& nowrap,
                     bool fixed_table_width, int table_width);
  void Heading(int level, const CssComputedStyle& style);

  // The file that href names, relative to referrer (a core path), inside the page's scratch folder;
  // empty when it names none (a refusal is warned about, naming what as the kind of file).
  std::u16string Resolve(std::string_view href, const std::u16string& referrer, const char16_t* what);
  void Warn(std::u16string message);
  double IndentOf(const CssComputedStyle& s, int side) const;

  DocModel& doc_;
  std::u16string page_path_;
  std::u16string root_;  // the folder page references must stay in, found at the first reference
  std::vector<HtmlImportWarning>* warnings_;
  CssCascade cascade_;
  std::vector<std::unique_ptr<Flow>> flows_;
  std::vector<Link> links_;  // the hyperlinks around the current node, innermost last
  int list_depth_ = 0;
  std::optional<CodeBlock> code_;
  double text_width_ = 451;  // points
  bool heading_styled_[7] = {};
  std::unordered_map<std::u16string, std::optional<std::pair<double, double>>> picture_sizes_;
  std::vector<std::u16string> sheets_loaded_;
  std::unordered_set<std::u16string> bookmark_names_;  // lower case, for the first-one-wins rule
  std::unordered_map<std::string, std::vector<CssDeclaration>>
      inline_styles_;  // lower case, for the first-one-wins rule
  void FinishFlow(Flow& f);
};

}  // namespace tomeshift::word
