// Writing and reading the coordinate code of a full board: 26 characters with 3-byte names
// and 5 areas, every number 11 characters long.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "board/board.h"
#include "code/coordinate_code.h"

namespace {

void FillBoard() {
  dz::ResetBoardState();
  for (int i = 0; i < dz::kCharacterCount; ++i) {
    dz::Character& c = dz::characters[i];
    c.SetName("ABC");
    c.SetPosition(INT32_MIN, INT32_MIN + i);
    c.SetWidth(dz::gridSize);
    c.SetHeight(dz::gridSize);
    c.SetColor(dz::MarkerColor(i % dz::kColorCount));
    c.SetMelee(i % 2);
  }
  for (int i = 0; i < dz::kAreaCount; ++i) {
    dz::Area& a = dz::areas[i];
    a.SetRadius(INT32_MIN + i);
    a.SetPosition(-1000000000 - i, -2000000000 + i);
    a.LoadBitmapFile("area.bmp");
  }
}

void BM_WriteFullBoard(benchmark::State& state) {
  FillBoard();
  char buf[dz::kCodeSize];
  for (auto _ : state) {
    benchmark::DoNotOptimize(dz::BuildCoordinateCode(buf));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::strlen(buf)));
}
BENCHMARK(BM_WriteFullBoard);

void BM_ReadFullBoard(benchmark::State& state) {
  FillBoard();
  char code[dz::kCodeSize];
  const int len = dz::BuildCoordinateCode(code);
  char buf[dz::kCodeSize];
  for (auto _ : state) {
    std::memcpy(buf, code, static_cast<std::size_t>(len) + 1);
    dz::ReadCoordinateCode(buf);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * len);
}
BENCHMARK(BM_ReadFullBoard);

}  // namespace

BENCHMARK_MAIN();
