// The mapper's tables: rows of cells on the table's grid, nested tables to the format's depth and
// the row definitions with widths, borders and shading.
#include <algorithm>

#include "word/msdoc/model_mapper.h"

namespace tomeshift::word {

void ModelMapper::WriteTable(const Table& t, int depth) {
  if (depth > kMaxTableDepth) {
    // Too deep: the cells' content as paragraphs of the enclosing cell.
    for (const auto& row : t.rows) {
      for (const auto& cell : row.cells) WriteFlattened(cell.story, depth - 1);
    }
    return;
  }
  const TableGrid layout(t, kMaxColumns);
  const auto& grid = layout.rows();
  const int columns = layout.columns();
  const int avail =
      depth == 1 ? text_width_ : std::max(720, cell_width_stack_.empty() ? text_width_ : cell_width_stack_.back());
  std::vector<int> widths = layout.ColumnWidths(avail, 144);
  // Never wider than the format's coordinates allow.
  long long sum = 0;
  for (int w : widths) sum += w;
  if (sum > 31000) {
    for (int& w : widths) w = static_cast<int>(std::max<long long>(30, w * 31000LL / sum));
  }

  for (std::size_t r = 0; r < grid.size(); ++r) {
    const auto& row = grid[r];
    if (row.empty()) continue;
    // Cells beyond the format's limit join the last cell.
    const std::size_t shown = std::min<std::size_t>(row.size(), kMaxColumns);
    std::vector<int> cell_widths;
    int x = 0;
    std::vector<int> bounds{0};
    for (std::size_t k = 0; k < shown; ++k) {
      const TableGrid::Slot& sl = row[k];
      const int span = std::clamp(sl.cell->col_span, 1, columns - std::min(sl.col, columns - 1));
      int w = 0;
      const int last_col = k + 1 == shown ? columns : std::min(columns, sl.col + span);
      for (int c = sl.col; c < last_col; ++c) w += widths[static_cast<std::size_t>(std::min(c, columns - 1))];
      if (sl.col > 0 && k == 0) {
        // A row that starts with a covered column: give its width to the first cell.
        for (int c = 0; c < sl.col; ++c) w += widths[static_cast<std::size_t>(c)];
      }
      w = std::max(w, 30);
      x += w;
      bounds.push_back(x);
      cell_widths.push_back(w);
    }
    for (std::size_t k = 0; k < shown; ++k) {
      const TableGrid::Slot& sl = row[k];
      cell_width_stack_.push_back(cell_widths[k]);
      if (sl.continuation) {
        EndCell(depth, 0, 0);
      } else if (k + 1 == shown && row.size() > shown) {
        for (std::size_t extra = k; extra < row.size(); ++extra) {
          if (row[extra].continuation) continue;
          if (extra + 1 < row.size())
            WriteFlattened(row[extra].cell->story, depth);
          else
            WriteStory(row[extra].cell->story, depth, false);
        }
        if (row.back().continuation) EndCell(depth, 0, 0);
      } else {
        WriteStory(sl.cell->story, depth, false);
      }
      cell_width_stack_.pop_back();
    }
    EndRow(t, r, row, shown, bounds, depth);
  }
}

void ModelMapper::WriteFlattened(const Story& s, int depth) {
  const auto& text = s.text();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const CharAttr& a = s.attr(i);
    if (c == ch::kParagraph || c == ch::kSection) {
      b_.EndParagraph(u'\r', 0, ParaPapx(a.fmt, std::min(depth, kMaxTableDepth)));
    } else if (c == ch::kTable) {
      if (a.obj < doc_.tables.size()) {
        for (const auto& row : doc_.tables[a.obj].rows) {
          for (const auto& cell : row.cells) WriteFlattened(cell.story, depth);
        }
      }
    } else if (c >= 0x20 || c == ch::kTab) {
      b_.AppendText(std::u16string_view(&c, 1), RunChpx(a.fmt));
    }
  }
}

void ModelMapper::EndRow(const Table& t, std::size_t r, const std::vector<TableGrid::Slot>& row, std::size_t shown,
                         const std::vector<int>& bounds, int depth) {
  TGrpprl g;
  g.Add8(sprm::kPFInTable, 1);
  if (depth > 1) {
    g.Add32(sprm::kPItap, static_cast<std::uint32_t>(depth));
    g.Add8(sprm::kPFInnerTableCell, 1);
    g.Add8(sprm::kPFInnerTtp, 1);
  } else {
    g.Add8(sprm::kPFTtp, 1);
  }
  if (t.alignment) g.Add16(sprm::kTJc90, static_cast<std::uint16_t>(std::clamp<int>(t.alignment, 0, 2)));
  g.Add16(sprm::kTDxaGapHalf,
          static_cast<std::uint16_t>(std::clamp(t.cell_padding > 0 ? t.cell_padding : 108, 0, 1440)));
  if (t.rows[r].height > 0) g.Add16(sprm::kTDyaRowHeight, S16(t.rows[r].height));
  if (t.rows[r].header) g.Add8(sprm::kTTableHeader, 1);
  const std::uint32_t brc = Brc80(t.border_size, t.border_color);
  {
    std::string op;
    for (int k = 0; k < 6; ++k) PutLe32(op, brc);
    g.AddVariable(sprm::kTTableBorders80, op);
  }
  std::string def;
  def.push_back(static_cast<char>(shown));
  for (int b : bounds) PutLe16(def, S16(b));
  for (std::size_t k = 0; k < shown; ++k) {
    const auto& sl = row[k];
    std::uint16_t tcgrf = 0;
    if (sl.continuation)
      tcgrf |= 1 << 5;  // merged with the cell above
    else if (sl.cell->row_span > 1)
      tcgrf |= 3 << 5;  // first of a vertical merge
    tcgrf |= static_cast<std::uint16_t>((std::clamp<int>(sl.cell->valign, 0, 2)) << 7);
    tcgrf |= 3 << 9;  // width in twips
    PutLe16(def, tcgrf);
    PutLe16(def, S16(bounds[k + 1] - bounds[k]));
    if (sl.cell->borders) {
      // The cell's own lines (top, left, bottom, right); one that spans rows has its top in the
      // first and its bottom in the last.
      if (!sl.continuation) cell_start_row_[sl.cell] = r;
      const bool last = r + 1 >= cell_start_row_[sl.cell] + static_cast<std::size_t>(std::max(1, sl.cell->row_span));
      for (int side = 0; side < 4; ++side) {
        const BorderLine& line = (*sl.cell->borders)[static_cast<std::size_t>(side)];
        const bool shown = side == 0 ? !sl.continuation : side == 2 ? last : true;
        PutLe32(def, shown ? Brc80(line.size, line.color) : 0);
      }
    } else {
      for (int side = 0; side < 4; ++side) PutLe32(def, brc);
    }
  }
  g.AddTableDefinition(def);
  // Cell shading (at most as many cells as one operand holds).
  bool shaded = false;
  for (std::size_t k = 0; k < shown; ++k) shaded |= !row[k].continuation && row[k].cell->shading != kAutoColor;
  if (shaded && shown <= 25) {
    std::string op;
    for (std::size_t k = 0; k < shown; ++k) {
      PutLe32(op, 0xFF000000u);
      PutLe32(op,
              row[k].continuation || row[k].cell->shading == kAutoColor ? 0xFF000000u : ColorRef(row[k].cell->shading));
      PutLe16(op, 0);
    }
    g.AddVariable(0xD612, op);  // sprmTDefTableShd
  }
  b_.EndParagraph(depth > 1 ? u'\r' : u'\x07', 0, b_.Papx(0, g));
}

}  // namespace tomeshift::word
