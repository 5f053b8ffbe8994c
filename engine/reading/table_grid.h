// Where each cell of a table's row stands among its columns: cells that span rows take
// their columns in the rows below them, so that a row's cells go to the columns left free.
#pragma once

#include <algorithm>
#include <cstdint>

namespace vellumine {

class TableGrid {
 public:
  static constexpr int kColumns = 256;  // columns past these are never taken from above

  // A new table.
  void Clear() {
    std::fill_n(until_, std::min(widest_, kColumns), 0u);  // (no cell took a column past these)
    row_ = 0;
    column_ = 0;
    widest_ = 0;
    spansRows_ = false;
  }
  // Whether a cell of the table spans rows (else no column is ever taken from above).
  bool spansRows() const { return spansRows_; }
  // The next row starts (the first after Clear is row 1).
  void StartRow() {
    ++row_;
    column_ = 0;
  }
  // The columns that a cell of a row above takes from the next free column on: 0 when the
  // column is free (then Place); else Skip that many.
  int TakenHere() const {
    if (column_ >= kColumns || !TakenFromAbove(column_)) return 0;
    return span_[column_];
  }
  void Skip(int columns) { column_ += columns; }
  // The columns the row above still takes after the last cell of this one, from the next
  // column on: the first taken column (or -1 when none), with its span.
  int NextTakenAfter(int& span) const {
    for (int c = column_; c < std::min(widest_, kColumns); ++c) {
      if (TakenFromAbove(c)) {
        span = span_[c];
        return c;
      }
    }
    return -1;
  }
  // A cell of span columns and rowSpan rows at the next free column: its column.
  int Place(int span, int rowSpan) {
    const int column = column_;
    if (rowSpan > 1 && column < kColumns) {
      spansRows_ = true;
      const int last = std::min(column + span, kColumns);
      for (int c = column; c < last; ++c) {
        from_[c] = row_ + 1;
        until_[c] = row_ + static_cast<uint32_t>(rowSpan) - 1;
        span_[c] = static_cast<uint16_t>(std::min(last - c, 65535));
      }
    }
    column_ += span;
    widest_ = std::max(widest_, column_);
    return column;
  }
  int column() const { return column_; }
  // The most columns a row has reached.
  int widest() const { return widest_; }

 private:
  bool TakenFromAbove(int c) const { return from_[c] <= row_ && row_ <= until_[c]; }

  uint32_t from_[kColumns] = {};   // the rows a cell above takes in each column: from..until
  uint32_t until_[kColumns] = {};
  uint16_t span_[kColumns] = {};   // from each such column to the end of that cell
  uint32_t row_ = 0;
  int column_ = 0;
  int widest_ = 0;
  bool spansRows_ = false;
};

}  // namespace vellumine
