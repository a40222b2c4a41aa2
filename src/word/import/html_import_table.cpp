// Tables of a page: rows and cells with their spans, widths, borders, padding and backgrounds.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/cancellation.h"
#include "word/import/css/css_value.h"
#include "word/import/html_import_defaults.h"
#include "word/import/html_import_walker.h"
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

// What a cell's content needs across, in twips: the longest word (below which it cannot shrink) and
// the longest line (what it takes when nothing wraps). Character widths are estimated at a little
// over half the font size, which is close for the proportional fonts of help pages.
struct ContentWidth {
  double min = 0, max = 0;
};

ContentWidth Measure(const DocModel& doc, const Story& story) {
  ContentWidth w;
  double line = 0, word = 0;
  auto end_word = [&] {
    w.min = std::max(w.min, word);
    word = 0;
  };
  auto end_line = [&] {
    end_word();
    w.max = std::max(w.max, line);
    line = 0;
  };
  for (std::size_t i = 0; i < story.size(); ++i) {
    char16_t c = story.at(i);
    const CharAttr& a = story.attr(i);
    if (c == ch::kParagraph || c == ch::kLineBreak || c == ch::kSection) {
      end_line();
    } else if (c == ch::kTable) {
      end_line();
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
      const RunProps& run = doc.run(a.fmt);
      int half_points = run.size > 0 ? run.size : 24;
      // Twips; a little generous, as a column too narrow breaks words while one too wide only shows space.
      double cw = half_points * 10 * (c >= 0x2E80 ? 1.0 : run.bold == 1 ? 0.6 : 0.55);
      line += cw;
      if (c == u' ' || c == ch::kTab)
        end_word();
      else
        word += cw;
    }
  }
  end_line();
  return w;
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
void HtmlImportWalker::LayOutColumns(Table& table, const std::vector<bool>& explicit_widths, bool fixed_table_width,
                                     int table_width) {
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
  std::vector<int> widths;
  for (const auto& c : columns) {
    double w;
    if (sum_max <= target) {
      // Room to spare: a table of given width spreads it over the columns without a set width.
      double flexible = 0;
      for (const auto& o : columns) flexible += o.fixed > 0 ? 0 : o.max;
      double extra = target - sum_max;
      w = c.max + (c.fixed > 0 || flexible <= 0 ? 0 : extra * c.max / flexible);
    } else if (sum_min >= target) {
      w = c.min * target / std::max(1.0, sum_min);
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
    table.width = Twips(table_width_pt);
  }
  if (style.margin_auto[1] && style.margin_auto[3])
    table.alignment = 1;
  else if (style.float_side == 2)
    table.alignment = 2;

  // Borders: the border attribute gives every cell a thin rule; CSS borders on the table or its
  // cells give their own width and colour.
  table.border_size = 0;
  if (const std::string* b = e.FindAttribute("border")) {
    int px = b->empty() ? 1 : std::atoi(b->c_str());
    if (px > 0) table.border_size = 6;
  }
  auto take_css_border = [&](const CssComputedStyle& s) {
    for (const auto& side : s.border) {
      if (side.visible()) {
        table.border_size = std::clamp(static_cast<int>(std::lround(side.width * 8)), 2, 96);
        table.border_color = static_cast<std::int32_t>(side.color & 0xFFFFFF);
        return true;
      }
    }
    return false;
  };
  take_css_border(style);
  if (const std::string* pad = e.FindAttribute("cellpadding")) {
    table.cell_padding = std::clamp(std::atoi(pad->c_str()), 0, 200) * 15;
  } else {
    table.cell_padding = 15;
  }

  std::vector<bool> explicit_widths;  // per cell, in order: did the page give its width?
  bool cell_border_seen = false, cell_padding_seen = e.FindAttribute("cellpadding") != nullptr;
  std::vector<int> covered;  // per grid column: rows still covered by a span from above
  std::vector<CssComputedStyle> group_styles;
  const HtmlNode* last_group = nullptr;
  CssComputedStyle group_style = style;
  for (const RowSource& src : rows) {
    if (src.group != last_group) {
      last_group = src.group;
      group_style = src.group == &e ? style : StyleOf(*src.group, style);
    }
    if (group_style.display == CssDisplay::kNone) continue;
    CssComputedStyle row_style = StyleOf(*src.row, group_style);
    if (row_style.display == CssDisplay::kNone) continue;
    TableRow row;
    row.header = src.header_group;
    bool all_th = true;
    std::size_t col = 0;
    for (const HtmlNode* c : src.row->children) {
      if (!c->IsElement() || (c->tag != "td" && c->tag != "th")) {
        if (!c->IsElement()) continue;
        // Stray content inside a row (forms, scripts) is not a cell.
        continue;
      }
      CssComputedStyle cell_style = StyleOf(*c, row_style);
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
      if (!cell_border_seen) cell_border_seen = take_css_border(cell_style);
      if (!cell_padding_seen) {
        cell_padding_seen = true;
        double pad = cell_style.padding[3];
        if (pad > 0) table.cell_padding = Twips(pad);
      }

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
      row.cells.push_back(std::move(cell));
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
  LayOutColumns(table, explicit_widths, style.width.has_value() && style.width->unit != CssLength::Unit::kAuto,
                Twips(table_width_pt));
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
