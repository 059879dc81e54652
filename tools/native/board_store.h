// A board of its own for each of many room members in one process. A room works on the
// board's pools (characters, areas, gridSize); before a member's room is called, its board
// is swapped into them (Boards::Use), the previous member's swapped back out.
#pragma once

#include <cstdint>
#include <utility>

#include "board/board.h"

namespace dz::native {

class BoardStore {
 public:
  BoardStore() : grid_(gridSize) {}
  // Exchanges this board with the pools.
  void Swap() {
    for (int i = 0; i < kCharacterCount; ++i) std::swap(characters[i], characters_[i]);
    for (int i = 0; i < kAreaCount; ++i) std::swap(areas[i], areas_[i]);
    std::swap(gridSize, grid_);
  }

 private:
  Character characters_[kCharacterCount];
  Area areas_[kAreaCount];
  std::int32_t grid_;
};

class Boards {
 public:
  // Makes b the board in the pools.
  void Use(BoardStore& b) {
    if (active_ == &b) return;
    if (active_) active_->Swap();
    b.Swap();
    active_ = &b;
  }

 private:
  BoardStore* active_ = nullptr;
};

}  // namespace dz::native
