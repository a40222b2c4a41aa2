// A table's cells laid on a column grid, as both writers need them: a cell spanning rows occupies its
// columns in the rows below (as continuation slots), and every column gets a width.
#pragma once

#include <climits>
#include <vector>

#include "word/model/document_model.h"

namespace tomeshift::word {

class TableGrid {
 public:
  struct Slot {
    const TableCell* cell;
    int col;
    bool continuation;  // a row span from above
  };

  // max_span: the widest column span honoured (a format's limit on cells in a row).
  explicit TableGrid(const Table& table, int max_span = INT_MAX);

  // Per row, its own cells and the continuations of spans from above, in column order.
  const std::vector<std::vector<Slot>>& rows() const { return rows_; }
  int columns() const { return columns_; }

  // Column widths in twips: the table's own when it gives one per column, else the widest single cell of each
  // column; columns still without a width share what is left of the table's width (its own, or a share of
  // available), each at least min_width.
  std::vector<int> ColumnWidths(int available, int min_width) const;

 private:
  const Table& table_;
  std::vector<std::vector<Slot>> rows_;
  int columns_ = 1;
};

}  // namespace tomeshift::word
