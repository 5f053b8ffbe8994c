// A plain-text table held back until its end, so that its columns line up: the cells'
// text (already in the output's character set) and where each row and cell starts. Held
// to fixed limits; a table past them is written as far as it was held and the rest goes
// out unaligned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "fast/kept_blocks.h"

namespace vellumine {

class TextTable {
 public:
  static constexpr size_t kTextCapacity = size_t{1} << 20;
  static constexpr size_t kMaxCells = 16384;
  static constexpr size_t kMaxRows = 1000;
  static constexpr size_t kMaxColumns = 256;  // columns past this are not padded

  // Takes the memory; false when there is none.
  bool Allocate();

  void Clear() {
    textUsed_ = 0;
    cellCount_ = 0;
    rowCount_ = 0;
  }
  bool CanAddRow() const { return rowCount_ < kMaxRows && cellCount_ < kMaxCells; }
  bool CanAddCell() const { return cellCount_ < kMaxCells; }
  // Starts a row; starts a cell in the last row (which there must be).
  void AddRow() { rowStart_[rowCount_++] = static_cast<uint32_t>(cellCount_); }
  void AddCell(int span) {
    cells_[cellCount_].begin = static_cast<uint32_t>(textUsed_);
    cells_[cellCount_].end = static_cast<uint32_t>(textUsed_);
    cells_[cellCount_].span = static_cast<uint32_t>(span);
    ++cellCount_;
  }

  // Room for k more bytes of the last cell's text; nullptr when the text is full.
  char* Room(size_t k) { return kTextCapacity - textUsed_ < k ? nullptr : text_.get() + textUsed_; }
  void Commit(char* end) {
    textUsed_ = static_cast<size_t>(end - text_.get());
    cells_[cellCount_ - 1].end = static_cast<uint32_t>(textUsed_);
  }

  size_t rowCount() const { return rowCount_; }
  // The columns terminals give the text (East Asian wide characters two).
  static size_t DisplayWidth(const char* s, size_t n, bool utf8);
  const char* text() const { return text_.get(); }
  size_t cellCount() const { return cellCount_; }
  size_t cellBegin(size_t i) const { return cells_[i].begin; }
  size_t cellEnd(size_t i) const { return cells_[i].end; }
  size_t cellSpan(size_t i) const { return cells_[i].span; }
  size_t cellWidth(size_t i) const { return cells_[i].width; }
  void SetCellWidth(size_t i, size_t width) { cells_[i].width = static_cast<uint32_t>(width); }
  size_t rowBegin(size_t r) const { return rowStart_[r]; }
  size_t rowEnd(size_t r) const { return r + 1 < rowCount_ ? rowStart_[r + 1] : cellCount_; }

 private:
  struct Cell {
    uint32_t begin;
    uint32_t end;
    uint32_t span;   // the columns it takes
    uint32_t width;  // its text's, once measured
  };
  KeptArray<char> text_;
  KeptArray<Cell> cells_;
  std::unique_ptr<uint32_t[]> rowStart_;
  size_t textUsed_ = 0;
  size_t cellCount_ = 0;
  size_t rowCount_ = 0;
};

}  // namespace vellumine
