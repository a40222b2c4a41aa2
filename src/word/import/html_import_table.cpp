// Tables of a page: rows and cells with their spans, widths, borders, padding and backgrounds.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <unordered_map>

#include "platform/cancellation.h"
#include "text/text_utils.h"
#include "text/unicode.h"
#include "word/import/css/css_value.h"
#include "word/import/html_import_defaults.h"
#include "word/import/html_import_walker.h"
#include "word/model/table_grid.h"
#include "word/model/twips.h"

namespace tomeshift::word {

namespace {

// colspan / rowspan as browsers clamp them.
int SpanAttribute(const HtmlNode& cell, std::string_view name, int fallback, int max) {
  const std::string* v = cell.FindAttribute(name);
  if (!v) return fallback;
  char* end = nullptr;
  long n = std::strtol(v->c_str(), &end, 10);
  if (end == v->c_str()) return fallback;
  return static_cast<int>(std::clamp(n, 0L, static_cast<long>(max)));
}

// Advance widths of Arial (Helvetica's metrics) for ASCII 32..126, in thousandths of an em.
constexpr std::uint16_t kArialWidths[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333,  278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667,
    611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667,  611, 722, 667, 944, 667,
    667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278,  556, 556, 222, 222, 500,
    222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500,  500, 334, 260, 334, 584};

// The same for Times New Roman (Times-Roman's metrics).
constexpr std::uint16_t kTimesWidths[95] = {
    250, 333, 408, 500, 500, 833, 778, 180, 333, 333, 500, 564, 250, 333, 250, 278, 500, 500, 500,
    500, 500, 500, 500, 500, 500, 500, 278, 278, 564, 564, 564, 444, 921, 722, 667, 667, 722, 611,
    556, 722, 722, 333, 389, 722, 611, 889, 722, 722, 556, 722, 667, 556, 611, 722, 722, 944, 722,
    722, 611, 333, 278, 333, 469, 500, 333, 444, 500, 444, 500, 444, 333, 500, 500, 278, 278, 500,
    278, 778, 500, 500, 500, 500, 333, 389, 278, 500, 500, 722, 500, 500, 444, 480, 200, 480, 541};

// Arial's Cyrillic capitals and small letters, U+0410..U+044F.
constexpr std::uint16_t kArialCyrillic[64] = {
    667, 656, 667, 542, 677, 667, 923, 604, 719,  719, 583, 656, 833, 722, 778, 719, 667, 722, 611, 635, 760, 667,
    740, 667, 917, 938, 792, 885, 656, 719, 1010, 722, 556, 573, 531, 365, 583, 556, 669, 458, 559, 559, 438, 583,
    688, 552, 556, 542, 556, 500, 458, 500, 823,  500, 573, 521, 802, 823, 625, 719, 521, 510, 750, 542};

// A character's advance in em, in a sans-serif or a serif font.
double EmWidth(char16_t c, bool serif) {
  if (c >= 32 && c < 127) return (serif ? kTimesWidths : kArialWidths)[c - 32] / 1000.0;
  if (serif && c < 0x2E80) return EmWidth(c, false) * 0.92;
  if (c >= 0x2E80) return 1.0;  // CJK, kana, Hangul, full-width forms
  if (c >= 0x410 && c <= 0x44F) return kArialCyrillic[c - 0x410] / 1000.0;
  if (c >= 0x400 && c < 0x530) return 0.6;               // the rest of Cyrillic
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return 0.72;  // Latin-1 capitals
  if (c == 0xA0) return 0.278;
  return 0.58;
}

// How wide a font sets text against Arial, and whether it is fixed-pitch.
struct FontMetrics {
  double scale = 1;
  bool serif = false;
  bool fixed = false;
};

FontMetrics MetricsOf(const RunProps& run) {
  const std::string name = AsciiLower(Utf16ToUtf8(run.font));
  FontMetrics m;
  const auto has = [&](const char* part) { return name.find(part) != std::string::npos; };
  if (has("courier") || has(" mono") || has("consolas") || has("lucida console")) {
    m.fixed = true;
  } else if (has("arial") || has("helvetica") || has("liberation sans") || has("arimo") || has("sans serif")) {
    m.scale = 1;
  } else if (has("times") || name.empty()) {
    m.serif = true;  // Times New Roman, the importer's default
  } else if (has("georgia") || has("garamond") || has("palatino") || has("book antiqua") || has("cambria")) {
    m.serif = true;
    m.scale = has("georgia") ? 1.1 : 1.03;
  } else if (has("tahoma") || has("trebuchet")) {
    m.scale = 0.97;
  } else if (has("calibri") || has("segoe")) {
    m.scale = 0.92;
  } else {
    // Verdana, and what stands in for a font the reader lacks (DejaVu Sans where LibreOffice lays
    // it out): wide faces.
    m.scale = 1.12;
  }
  if (run.bold == 1) m.scale *= 1.1;
  return m;
}

// What a cell's content needs across, in twips: the longest word (below which it cannot shrink) and
// the longest line (what it takes when nothing wraps). Text is measured with Times' or Arial's
// widths, scaled for other fonts, a little generously: a column too narrow breaks words, one too wide only
// shows space.
struct ContentWidth {
  double min = 0, max = 0;
};

ContentWidth Measure(const DocModel& doc, const Story& story) {
  ContentWidth w;
  ContentWidth paragraph;  // of the paragraph being read, without its indents
  double line = 0, word = 0;
  auto end_word = [&] {
    paragraph.min = std::max(paragraph.min, word);
    word = 0;
  };
  auto end_line = [&] {
    end_word();
    paragraph.max = std::max(paragraph.max, line);
    line = 0;
  };
  // A paragraph's indents (a list's in a cell) come on top of its words and lines.
  auto end_paragraph = [&](const ParaProps* props) {
    end_line();
    double indent = 0;
    if (props) {
      indent = props->indent_left.value_or(0) + props->indent_right.value_or(0) +
               std::max(0, props->indent_first.value_or(0));
    }
    w.min = std::max(w.min, paragraph.min + indent);
    w.max = std::max(w.max, paragraph.max + indent);
    paragraph = {};
  };
  std::uint32_t metrics_fmt = UINT32_MAX;
  FontMetrics metrics;
  double points = 12;
  for (std::size_t i = 0; i < story.size(); ++i) {
    char16_t c = story.at(i);
    const CharAttr& a = story.attr(i);
    if (c == ch::kParagraph || c == ch::kSection) {
      end_paragraph(&doc.para(a.fmt));
    } else if (c == ch::kLineBreak) {
      end_line();
    } else if (c == ch::kTable) {
      end_paragraph(nullptr);
      const Table& t = doc.tables[a.obj];
      double total = 0;
      for (int cw : t.column_widths) total += cw;
      w.min = std::max(w.min, total);
      w.max = std::max(w.max, total);
    } else if (c == ch::kPicture) {
      const Picture& p = doc.pictures[a.obj];
      double pw = p.floating ? 0 : p.width * 20;
      word += pw;
      line += pw;
    } else if (c == ch::kFieldBegin || c == ch::kFieldEnd) {
      continue;
    } else {
      if (a.fmt != metrics_fmt) {
        const RunProps& run = doc.run(a.fmt);
        metrics_fmt = a.fmt;
        metrics = MetricsOf(run);
        points = (run.size > 0 ? run.size : 24) / 2.0;
      }
      const double em = metrics.fixed ? (c >= 0x2E80 ? 1.0 : 0.6) : EmWidth(c, metrics.serif) * metrics.scale;
      const double cw = em * points * 20 * 1.06;
      line += cw;
      // Browsers break lines at spaces and between ideographs.
      if (c == u' ' || c == ch::kTab || c == u'\u200B') {
        end_word();
      } else if (c >= 0x2E80 && !metrics.fixed) {
        end_word();
        word = cw;
        end_word();
      } else {
        word += cw;
      }
    }
  }
  end_paragraph(nullptr);
  return w;
}

// A CSS border side as the document draws it: one single line.
BorderLine Line(const CssBorderSide& side) {
  if (!side.visible()) return {};
  return {std::clamp(static_cast<int>(std::lround(side.width * 8)), 2, 96),
          static_cast<std::int32_t>(side.color & 0xFFFFFF)};
}

// Where two lines meet, as in the collapsed border model, the wider one is drawn.
void Widen(BorderLine& line, const BorderLine& other) {
  if (other.size > line.size) line = other;
}

// Each cell's four sides: its own lines, widened by its neighbours' on the shared edge and by the
// table's own at the table's edge, so that both cells of an edge agree. A table whose every line is
// alike keeps one line for its whole grid.
void DrawBorders(Table& table, const std::vector<std::array<BorderLine, 4>>& drawn,
                 const std::array<BorderLine, 4>& frame) {
  const TableGrid grid(table);
  const std::size_t rows = grid.rows().size(), columns = static_cast<std::size_t>(grid.columns());
  std::unordered_map<const TableCell*, const std::array<BorderLine, 4>*> own;
  std::size_t n = 0;
  for (const auto& row : table.rows)
    for (const auto& cell : row.cells) own[&cell] = n < drawn.size() ? &drawn[n++] : nullptr;
  // Which cell covers each grid slot, and the row each cell starts in.
  std::vector<std::vector<const TableCell*>> at(rows, std::vector<const TableCell*>(columns, nullptr));
  std::unordered_map<const TableCell*, std::pair<std::size_t, std::size_t>> start;
  for (std::size_t r = 0; r < rows; ++r) {
    for (const TableGrid::Slot& sl : grid.rows()[r]) {
      const auto from = static_cast<std::size_t>(sl.col);
      const std::size_t to = std::min(columns, from + static_cast<std::size_t>(std::max(1, sl.cell->col_span)));
      for (std::size_t c = from; c < to; ++c) at[r][c] = sl.cell;
      if (!sl.continuation) start[sl.cell] = {r, from};
    }
  }
  const auto side_of = [&](const TableCell* cell, int side) {
    const auto it = own.find(cell);
    return cell && it != own.end() && it->second ? (*it->second)[static_cast<std::size_t>(side)] : BorderLine{};
  };
  std::vector<std::pair<TableCell*, std::array<BorderLine, 4>>> result;
  bool uniform = true;
  std::optional<BorderLine> first;
  for (auto& row : table.rows) {
    for (auto& cell : row.cells) {
      const auto [r0, c0] = start[&cell];
      const std::size_t r1 = std::min(rows, r0 + static_cast<std::size_t>(cell.row_span)) - 1;
      const std::size_t c1 = std::min(columns, c0 + static_cast<std::size_t>(std::max(1, cell.col_span))) - 1;
      std::array<BorderLine, 4> lines = *own[&cell];
      for (std::size_t c = c0; c <= c1; ++c) {
        Widen(lines[0], r0 == 0 ? frame[0] : side_of(at[r0 - 1][c], 2));
        Widen(lines[2], r1 + 1 == rows ? frame[2] : side_of(at[r1 + 1][c], 0));
      }
      for (std::size_t r = r0; r <= r1; ++r) {
        Widen(lines[1], c0 == 0 ? frame[1] : side_of(at[r][c0 - 1], 3));
        Widen(lines[3], c1 + 1 == columns ? frame[3] : side_of(at[r][c1 + 1], 1));
      }
      for (const BorderLine& line : lines) {
        if (!first) first = line;
        uniform = uniform && line == *first;
      }
      result.emplace_back(&cell, lines);
    }
  }
  if (uniform) {
    table.border_size = first ? first->size : 0;
    table.border_color = first && first->size > 0 ? first->color : kAutoColor;
    return;
  }
  for (auto& [cell, lines] : result) cell->borders = lines;
}

struct RowSource {
  const HtmlNode* row;
  const HtmlNode* group;  // thead/tbody/tfoot or the table itself
  bool header_group;
};

}  // namespace

void HtmlImportWalker::HrBorder(ParaProps& para, const CssComputedStyle& style) {
  const CssBorderSide& side = style.border[2].visible() ? style.border[2] : style.border[0];
  para.border_bottom = std::clamp(static_cast<int>(std::lround(std::max(side.width, 0.75) * 8)), 2, 96);
  para.border_bottom_color = side.visible() ? static_cast<std::int32_t>(side.color & 0xFFFFFF) : 0x808080;
  para.line_spacing = 120;  // the rule's own line stays thin
}

// The browsers' automatic table layout, simplified: columns get what their content needs, within the
// table's width; columns the page sized keep their width.
void HtmlImportWalker::LayOutColumns(Table& table, const std::vector<bool>& explicit_widths,
                                     const std::vector<bool>& nowrap, bool fixed_table_width, int table_width) {
  struct Column {
    double min = 0, max = 0;
    int fixed = 0;
  };
  std::vector<Column> columns;
  std::vector<int> busy;
  std::size_t cell_index = 0;
  double padding = 2.0 * table.cell_padding;
  for (const auto& row : table.rows) {
    std::size_t col = 0;
    for (const auto& cell : row.cells) {
      while (col < busy.size() && busy[col] > 0) ++col;
      std::size_t span = static_cast<std::size_t>(std::max(1, cell.col_span));
      if (busy.size() < col + span) busy.resize(col + span, 0);
      if (columns.size() < col + span) columns.resize(col + span);
      for (std::size_t k = 0; k < span; ++k) busy[col + k] = std::max(1, cell.row_span);
      ContentWidth need = Measure(doc_, cell.story);
      if (cell_index < nowrap.size() && nowrap[cell_index]) need.min = need.max;  // its lines never wrap
      bool given = cell_index < explicit_widths.size() && explicit_widths[cell_index];
      ++cell_index;
      // A spanning cell shares its needs among its columns.
      for (std::size_t k = 0; k < span; ++k) {
        Column& c = columns[col + k];
        c.min = std::max(c.min, (need.min + padding) / static_cast<double>(span));
        c.max = std::max(c.max, (need.max + padding) / static_cast<double>(span));
        if (given && span == 1) c.fixed = std::max(c.fixed, cell.width);
      }
      col += span;
    }
    for (auto& b : busy) b = std::max(0, b - 1);
  }
  if (columns.empty()) return;
  double sum_min = 0, sum_max = 0;
  for (auto& c : columns) {
    if (c.fixed > 0) c.min = c.max = std::max<double>(c.fixed, c.min);
    c.max = std::max(c.max, c.min);
    sum_min += c.min;
    sum_max += c.max;
  }
  double avail = std::max(1.0, static_cast<double>(table_width));
  double target = fixed_table_width ? avail : std::min(avail, sum_max);
  // Too narrow for every column's longest word: the widest columns give way first, down to the width
  // where the rest fit (narrow columns keep their words whole).
  double cap = 0;
  if (sum_min > target) {
    std::vector<double> mins;
    for (const auto& c : columns) mins.push_back(c.min);
    std::sort(mins.begin(), mins.end());
    double below = 0;  // the columns narrower than the cap, whole
    for (std::size_t k = 0; k < mins.size(); ++k) {
      const double rest = static_cast<double>(mins.size() - k);
      cap = (target - below) / rest;
      if (cap <= mins[k]) break;
      below += mins[k];
    }
  }
  std::vector<int> widths;
  for (const auto& c : columns) {
    double w;
    if (sum_max <= target) {
      // Room to spare: a table of given width spreads it over the columns without a set width.
      double flexible = 0;
      for (const auto& o : columns) flexible += o.fixed > 0 ? 0 : o.max;
      double extra = target - sum_max;
      w = c.max + (c.fixed > 0 || flexible <= 0 ? 0 : extra * c.max / flexible);
    } else if (sum_min > target) {
      w = std::min(c.min, cap);
    } else {
      w = c.min + (c.max - c.min) * (target - sum_min) / std::max(1.0, sum_max - sum_min);
    }
    widths.push_back(std::max(200, static_cast<int>(std::lround(w))));
  }
  table.column_widths = std::move(widths);
  if (!fixed_table_width) {
    int total = 0;
    for (int w : table.column_widths) total += w;
    table.width = total;
  }
}

void HtmlImportWalker::TableElement(const HtmlNode& e, const CssComputedStyle& style, int depth) {
  CheckCancel();
  PutPendingMarker();
  Flow& outer = flow();
  EndParagraph();
  outer.pending_before = std::max(outer.pending_before, style.margin[0]);

  // Captions stand above the table as centred paragraphs.
  for (const HtmlNode* child : e.children) {
    if (child->Is("caption")) Walk(*child, style, depth + 1);
  }

  std::vector<RowSource> rows;
  for (const HtmlNode* child : e.children) {
    if (!child->IsElement()) continue;
    if (child->tag == "tr") {
      rows.push_back({child, &e, false});
    } else if (child->tag == "thead" || child->tag == "tbody" || child->tag == "tfoot") {
      for (const HtmlNode* r : child->children) {
        if (r->Is("tr")) rows.push_back({r, child, child->tag == "thead"});
      }
    }
  }

  Table table;
  double table_width_pt = text_width_;
  if (style.width && style.width->unit == CssLength::Unit::kPercent) {
    table.width = -static_cast<int>(std::lround(std::clamp(style.width->value, 1.0, 100.0) * 50));
    table_width_pt = text_width_ * std::clamp(style.width->value, 1.0, 100.0) / 100;
  } else if (style.width && style.width->unit != CssLength::Unit::kAuto) {
    table_width_pt = std::max(1.0, style.width->ToPoints(style.font_size, text_width_));
    // Wider than the page: paper cannot scroll, and cells past the edge would be cut off.
    if (flows_.size() == 1) table_width_pt = std::min(table_width_pt, text_width_);
    table.width = Twips(table_width_pt);
  }
  if (style.margin_auto[1] && style.margin_auto[3])
    table.alignment = 1;
  else if (style.float_side == 2)
    table.alignment = 2;
  table.border_size = 0;
  if (const std::string* pad = e.FindAttribute("cellpadding")) {
    table.cell_padding = std::clamp(std::atoi(pad->c_str()), 0, 200) * 15;
  } else {
    table.cell_padding = 15;
  }

  std::vector<bool> explicit_widths;             // per cell, in order: did the page give its width?
  std::vector<bool> nowrap;                      // per cell, in order: white-space: nowrap
  std::vector<std::array<BorderLine, 4>> drawn;  // per cell, in order: its own lines
  bool cell_padding_seen = e.FindAttribute("cellpadding") != nullptr;
  std::vector<int> covered;  // per grid column: rows still covered by a span from above
  const HtmlNode* last_group = nullptr;
  CssComputedStyle group_style = style;
  for (std::size_t row_index = 0; row_index < rows.size(); ++row_index) {
    const RowSource& src = rows[row_index];
    const bool group_start = src.group != last_group;
    const bool group_end = row_index + 1 == rows.size() || rows[row_index + 1].group != src.group;
    if (group_start) {
      last_group = src.group;
      group_style = src.group == &e ? style : StyleOf(*src.group, style);
    }
    if (group_style.display == CssDisplay::kNone) continue;
    CssComputedStyle row_style = StyleOf(*src.row, group_style);
    if (row_style.display == CssDisplay::kNone) continue;
    std::vector<CssDeclaration> rule_hints;
    HtmlImportDefaults::AddCellRuleHints(e, row_index == 0, row_index + 1 == rows.size(), group_start, group_end,
                                         rule_hints);
    TableRow row;
    row.header = src.header_group;
    bool all_th = true;
    std::size_t col = 0;
    std::size_t first_of_row = drawn.size();
    for (const HtmlNode* c : src.row->children) {
      // Stray content inside a row (forms, scripts) is not a cell.
      if (!c->IsElement() || (c->tag != "td" && c->tag != "th")) continue;
      CssComputedStyle cell_style = StyleOf(*c, row_style, &rule_hints);
      if (cell_style.display == CssDisplay::kNone) continue;
      while (col < covered.size() && covered[col] > 0) ++col;
      TableCell cell;
      cell.col_span = std::max(1, SpanAttribute(*c, "colspan", 1, 1000));
      int row_span = SpanAttribute(*c, "rowspan", 1, 65534);
      if (row_span == 0) row_span = 65534;  // to the end of the group; trimmed below
      cell.row_span = std::max(1, row_span);
      all_th = all_th && c->tag == "th";
      if (covered.size() < col + static_cast<std::size_t>(cell.col_span))
        covered.resize(col + static_cast<std::size_t>(cell.col_span), 0);
      for (int k = 0; k < cell.col_span; ++k) covered[col + static_cast<std::size_t>(k)] = cell.row_span;
      col += static_cast<std::size_t>(cell.col_span);

      if (cell_style.width && cell_style.width->unit == CssLength::Unit::kPercent) {
        cell.width = Twips(table_width_pt * std::clamp(cell_style.width->value, 0.0, 100.0) / 100);
      } else if (cell_style.width && cell_style.width->unit != CssLength::Unit::kAuto) {
        cell.width = Twips(std::clamp(cell_style.width->ToPoints(cell_style.font_size, table_width_pt), 0.0, 1584.0));
      }
      std::uint32_t shade = cell_style.background != kCssTransparent  ? cell_style.background
                            : row_style.background != kCssTransparent ? row_style.background
                                                                      : group_style.background;
      if (shade != kCssTransparent) cell.shading = static_cast<std::int32_t>(shade & 0xFFFFFF);
      std::int8_t valign = cell_style.box_valign >= 0 ? cell_style.box_valign : row_style.box_valign;
      cell.valign = valign >= 0 ? valign : 1;  // browsers centre cells vertically
      if (!cell_padding_seen) {
        cell_padding_seen = true;
        double pad = cell_style.padding[3];
        if (pad > 0) table.cell_padding = Twips(pad);
      }
      std::array<BorderLine, 4> lines = {Line(cell_style.border[0]), Line(cell_style.border[3]),
                                         Line(cell_style.border[2]), Line(cell_style.border[1])};
      if (style.border_collapse) {
        // Collapsed, the lines of rows and row groups are the cells' too.
        Widen(lines[0], Line(row_style.border[0]));
        Widen(lines[2], Line(row_style.border[2]));
        if (group_start) Widen(lines[0], Line(group_style.border[0]));
        if (group_end) Widen(lines[2], Line(group_style.border[2]));
      }
      drawn.push_back(lines);

      // The cell's content is a story of its own.
      flows_.push_back(std::make_unique<Flow>(doc_, cell.story));
      Block root;
      root.props.outline_level = 10;
      root.props.space_before = 0;
      root.props.space_after = 0;
      root.props.line_spacing = 240;
      root.props.alignment = cell_style.text_align;
      flow().blocks.push_back(root);
      auto saved_links = std::move(links_);
      links_.clear();
      int saved_depth = list_depth_;
      list_depth_ = 0;
      WalkChildren(*c, cell_style, depth + 2);
      list_depth_ = saved_depth;
      links_ = std::move(saved_links);
      FinishFlow(flow());
      flows_.pop_back();
      explicit_widths.push_back(cell.width > 0);
      nowrap.push_back(cell_style.white_space == CssWhiteSpace::kNoWrap);
      row.cells.push_back(std::move(cell));
    }
    if (style.border_collapse && drawn.size() > first_of_row) {
      Widen(drawn[first_of_row][1], Line(row_style.border[3]));
      Widen(drawn.back()[3], Line(row_style.border[1]));
    }
    for (auto& n : covered) {
      if (n > 0) --n;
    }
    if (row.cells.empty() && !table.rows.empty()) {
      // A row wholly covered by spans from above keeps its place.
      table.rows.push_back(std::move(row));
      continue;
    }
    if (row.cells.empty()) continue;
    row.header = row.header || all_th;
    table.rows.push_back(std::move(row));
  }
  // Row spans never reach past the last row.
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    for (auto& cell : table.rows[r].cells) {
      cell.row_span = std::min<int>(cell.row_span, static_cast<int>(table.rows.size() - r));
    }
  }
  LayOutColumns(table, explicit_widths, nowrap, style.width.has_value() && style.width->unit != CssLength::Unit::kAuto,
                Twips(table_width_pt));
  DrawBorders(table, drawn,
              {Line(style.border[0]), Line(style.border[3]), Line(style.border[2]), Line(style.border[1])});
  // Header rows repeat only from the top of the table.
  bool top = true;
  for (auto& row : table.rows) {
    top = top && row.header;
    row.header = top;
  }
  if (table.rows.empty()) return;

  Flow& f = flow();
  f.builder.AddTable(std::move(table));
  f.last_mark.reset();
  ++f.marks;
  f.pending_before = style.margin[2];
}

}  // namespace tomeshift::word
