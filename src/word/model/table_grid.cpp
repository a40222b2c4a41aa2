#include "word/model/table_grid.h"

#include <algorithm>
#include <cstddef>

namespace tomeshift::word {

TableGrid::TableGrid(const Table& table, int max_span) : table_(table), rows_(table.rows.size()) {
  std::vector<int> busy;  // rows still covered, per column
  int columns = 0;
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    int col = 0;
    for (const auto& cell : table.rows[r].cells) {
      while (col < static_cast<int>(busy.size()) && busy[static_cast<std::size_t>(col)] > 0) ++col;
      const int span = std::clamp(cell.col_span, 1, max_span);
      rows_[r].push_back(Slot{&cell, col, false});
      if (static_cast<int>(busy.size()) < col + span) busy.resize(static_cast<std::size_t>(col + span), 0);
      for (int k = 0; k < span; ++k) busy[static_cast<std::size_t>(col + k)] = std::max(1, cell.row_span);
      col += span;
    }
    columns = std::max(columns, static_cast<int>(busy.size()));
    for (auto& b : busy) b = std::max(0, b - 1);
  }
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    const std::vector<Slot> own = rows_[r];
    for (const Slot& sl : own) {
      if (sl.continuation) continue;  // only the row a span starts in extends it
      for (int k = 1; k < sl.cell->row_span && r + static_cast<std::size_t>(k) < rows_.size(); ++k)
        rows_[r + static_cast<std::size_t>(k)].push_back(Slot{sl.cell, sl.col, true});
    }
  }
  for (auto& row : rows_)
    std::stable_sort(row.begin(), row.end(), [](const Slot& a, const Slot& b) { return a.col < b.col; });
  columns_ = std::max(columns, 1);
}

std::vector<int> TableGrid::ColumnWidths(int available, int min_width) const {
  std::vector<int> widths(static_cast<std::size_t>(columns_), 0);
  if (static_cast<int>(table_.column_widths.size()) == columns_) {
    widths = table_.column_widths;
  } else {
    for (const auto& row : rows_) {
      for (const Slot& sl : row) {
        if (!sl.continuation && sl.cell->col_span <= 1 && sl.cell->width > 0)
          widths[static_cast<std::size_t>(sl.col)] = std::max(widths[static_cast<std::size_t>(sl.col)], sl.cell->width);
      }
    }
  }
  const int total = table_.width > 0 ? table_.width : table_.width < 0 ? available * (-table_.width) / 5000 : available;
  int known = 0, unknown = 0;
  for (int w : widths) w > 0 ? known += w : ++unknown;
  for (int& w : widths) {
    if (w <= 0) w = std::max(min_width, (total - known) / unknown);
  }
  return widths;
}

}  // namespace tomeshift::word
