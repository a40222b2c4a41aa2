// The document model that stands in for the word processor's document: what the automation objects
// edit, what the web-page importer fills and what the writers read. Writers see nothing else.
//
// Lengths are twips (1/20 point) unless a name says otherwise; font sizes are half-points; colours
// are 0xRRGGBB or kAutoColor. "Unset" values inherit from the style, as in the word processor.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "word/model/story.h"

namespace tomeshift::word {

constexpr std::int32_t kAutoColor = -1;
constexpr std::int8_t kUnset = -1;

// Character formatting of one run. Tri-state flags: kUnset, 0, 1.
struct RunProps {
  std::u16string font;                  // empty: inherit
  int size = 0;                         // half-points, 0: inherit
  std::int32_t color = kAutoColor - 1;  // kAutoColor - 1: inherit
  std::int8_t bold = kUnset, italic = kUnset, underline = kUnset, strike = kUnset;
  std::int8_t vert_align = 0;  // 0 baseline, 1 superscript, 2 subscript
  std::string highlight;       // OOXML highlight name ("yellow"), empty: none
  int char_style = -1;         // index of a character style, -1: none
  bool operator==(const RunProps&) const = default;
  static constexpr std::int32_t kInheritColor = kAutoColor - 1;
};

struct TabStop {
  int pos = 0;             // twips from the left indent
  std::int8_t align = 0;   // 0 left, 1 centre, 2 right, 3 decimal
  std::int8_t leader = 0;  // 0 none, 1 dots
  bool operator==(const TabStop&) const = default;
};

// Paragraph formatting. Alignment: 0 left, 1 centre, 2 right, 3 justify.
struct ParaProps {
  int style = 0;  // paragraph style index; 0 is Normal
  std::int8_t alignment = kUnset;
  std::optional<int> indent_left, indent_right, indent_first;  // first < 0 is a hanging indent
  std::optional<int> space_before, space_after, line_spacing;  // line spacing in 240ths of a line
  std::int8_t outline_level = 0;                               // 0: from the style; 1..9 levels, 10 body text
  std::int8_t keep_next = kUnset;
  std::int8_t page_break_before = kUnset;
  int num_id = 0;  // list (1-based into DocModel::lists), 0: none
  int num_level = 0;
  std::vector<TabStop> tabs;
  std::int32_t shading = kAutoColor;  // background colour, kAutoColor: none
  int border_bottom = 0;              // eighths of a point, 0: none (a web page's horizontal rule)
  std::int32_t border_bottom_color = kAutoColor;
  bool operator==(const ParaProps&) const = default;
};

enum class StyleType { kParagraph = 1, kCharacter = 2, kTable = 3, kList = 4 };

struct StyleDef {
  std::u16string name;      // as shown ("Heading 1")
  std::u16string style_id;  // as written ("Heading1")
  StyleType type = StyleType::kParagraph;
  int builtin = 0;  // the word processor's built-in index (-1 Normal, -2 Heading 1, ...), 0: none
  int based_on = -1;
  int next = -1;
  RunProps run;
  ParaProps para;  // para.style is ignored
  int num_id = 0;  // list template linked to the style, 0: none
  bool ui_priority_hidden = false;
};

struct PageSetupProps {
  int paper_size = 7;                 // the word processor's paper code (41: custom)
  int width = 11906, height = 16838;  // A4
  int top = 1440, bottom = 1440, left = 1440, right = 1440;
  int header_distance = 708, footer_distance = 708;
  bool line_numbering = false;
  bool operator==(const PageSetupProps&) const = default;
};

struct PageNumberProps {
  bool restart = false;
  int start = 1;
};

struct SectionProps {
  PageSetupProps page;
  int header = -1;  // index into DocModel::hf_stories; -1: linked to the previous section
  int footer = -1;
  PageNumberProps numbering;
};

// A picture, inline or floating, linked to a file or embedded with its bytes.
struct Picture {
  std::u16string link_path;  // the file it is linked to (empty when embedded only)
  std::string bytes;         // the embedded file's bytes (loaded when embedded)
  std::string format;        // file extension of the bytes: png, jpeg, gif, bmp, tiff, wmf, emf
  int pixel_width = 0, pixel_height = 0;
  double natural_width = 0, natural_height = 0;  // points
  double width = 0, height = 0;                  // points, as shown
  bool linked = false;
  bool save_with_document = false;
  bool floating = false;
  std::int8_t float_align = 0;  // 0 left, 1 centre, 2 right (floating only)
  bool lock_aspect_ratio = true;
  std::u16string description;
};

enum class FieldKind { kToc, kPage, kPageRef, kHyperlink, kOther };

struct Field {
  FieldKind kind = FieldKind::kOther;
  std::u16string code;               // the instruction as written (" TOC \o "1-3" \h \z \u ")
  std::u16string address;            // HYPERLINK: external address
  std::u16string sub_address;        // HYPERLINK: bookmark; PAGEREF: bookmark
  int toc_upper = 1, toc_lower = 9;  // TOC: heading levels
  bool toc_hyperlinks = true, toc_page_numbers = true, toc_right_align = true;
};

// One side of a cell's border.
struct BorderLine {
  int size = 0;  // eighths of a point; 0: none
  std::int32_t color = kAutoColor;
  bool operator==(const BorderLine&) const = default;
};

struct TableCell {
  Story story;
  int col_span = 1, row_span = 1;
  int width = 0;  // twips, 0: auto
  std::int32_t shading = kAutoColor;
  std::int8_t valign = 0;  // 0 top, 1 centre, 2 bottom
  // Top, left, bottom, right, replacing the table's lines around this cell; unset: the table's.
  std::optional<std::array<BorderLine, 4>> borders;
};

struct TableRow {
  std::vector<TableCell> cells;  // cells covered by a row span from above are not listed
  bool header = false;
  int height = 0;
};

struct Table {
  std::vector<TableRow> rows;
  std::vector<int> column_widths;  // twips; empty: derived from cells
  int width = 0;                   // twips, 0: auto; negative: -percent*50 (fiftieths of a percent)
  int border_size = 4;             // eighths of a point, every line of the grid; 0: no borders
  std::int32_t border_color = kAutoColor;
  int cell_padding = 0;  // twips
  std::int8_t alignment = 0;
};

struct ListLevel {
  std::string format = "decimal";  // OOXML numFmt: decimal, bullet, lowerLetter, upperRoman, ...
  std::u16string text = u"%1.";    // level text; bullets carry the bullet character
  int start = 1;
};

struct ListDef {
  std::vector<ListLevel> levels;  // up to 9
};

struct DocProperties {
  std::u16string title;
  bool update_fields_on_open = false;
  bool allow_png = false;
  int target_browser = 0;
  bool show_hidden_bookmarks = false;
};

class DocModel {
 public:
  DocModel();

  Story main;
  std::vector<Story> hf_stories;
  std::vector<StyleDef> styles;
  std::vector<Picture> pictures;
  std::vector<Field> fields;
  std::vector<Table> tables;
  std::vector<ListDef> lists;
  std::vector<SectionProps> sections;  // by id, named by kSection characters
  SectionProps final_section;          // the section that ends with the story
  DocProperties properties;

  std::uint32_t InternRun(const RunProps& p);
  std::uint32_t InternPara(const ParaProps& p);
  const RunProps& run(std::uint32_t id) const { return runs_[id]; }
  const ParaProps& para(std::uint32_t id) const { return paras_[id]; }
  std::size_t run_count() const { return runs_.size(); }

  // Style lookups; -1 when absent.
  int StyleByName(std::u16string_view name) const;
  int StyleByBuiltin(int builtin) const;
  // Adds a paragraph or character style (returns the existing one of that name).
  int AddStyle(StyleDef def);

  // Effective values along the style chain.
  int EffectiveOutlineLevel(const ParaProps& p) const;                // 1..9, or 10 for body text
  int EffectiveFontSize(std::uint32_t run_id, int para_style) const;  // half-points
  const StyleDef& style(int i) const { return styles[static_cast<std::size_t>(i)]; }

  // Section props for the section that a kSection at story position i ends (or the final one).
  SectionProps& SectionAt(std::size_t story_pos);

 private:
  struct RunHash {
    std::size_t operator()(const RunProps& p) const;
  };
  struct ParaHash {
    std::size_t operator()(const ParaProps& p) const;
  };
  std::vector<RunProps> runs_;
  std::vector<ParaProps> paras_;
  std::unordered_map<RunProps, std::uint32_t, RunHash> run_ids_;
  std::unordered_map<ParaProps, std::uint32_t, ParaHash> para_ids_;
};

// Built-in style indexes of the word processor.
namespace builtin {
constexpr int kNormal = -1;
constexpr int kHeading1 = -2;  // Heading N is -1 - N
constexpr int kToc1 = -20;     // TOC N is -19 - N
constexpr int kHeader = -32;
constexpr int kFooter = -33;
constexpr int kTitle = -63;
constexpr int kDefaultParagraphFont = -66;
constexpr int kHyperlink = -86;
constexpr int kNormalTable = -106;
}  // namespace builtin

}  // namespace tomeshift::word
