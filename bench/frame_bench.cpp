// The core's own cost of composing a frame onto a surface that draws nothing: a full board
// (26 characters, 5 areas, the moved shadow, a selected character) with the marker
// distances and the movement line, and the measuring line with every perpendicular.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <memory>

#include "app/frame.h"
#include "board/board.h"
#include "panels/ids.h"
#include "panels/ui_ports.h"
#include "render/distances.h"
#include "render/measure_line.h"
#include "render/piece_drawing.h"

namespace {

class Menu : public dz::MenuMarks {
 public:
  std::map<int, bool> marks = {{IDM_SNAP, true},
                               {IDM_MARKER_DISTANCES, true},
                               {IDM_LINE_DISTANCES, true},
                               {IDM_ROUND_HALF_UP, true}};
  bool IsChecked(int id) override { return marks[id]; }
  void SetChecked(int id, bool checked) override { marks[id] = checked; }
};

class Pictures : public dz::Pictures {
 public:
  std::unique_ptr<dz::Canvas> LoadPicture(const char*, std::int32_t* w, std::int32_t* h) override {
    *w = 64;
    *h = 64;
    return std::make_unique<dz::NullCanvas>();
  }
  std::unique_ptr<dz::Canvas> CreateEmptySurface() override {
    return std::make_unique<dz::NullCanvas>();
  }
  std::unique_ptr<dz::Canvas> CreateSurface(std::int32_t, std::int32_t) override {
    return std::make_unique<dz::NullCanvas>();
  }
};

class Pointer : public dz::Cursor {
 public:
  dz::Point Position() override { return dz::Point{590, 580}; }
};

// Counts what a frame draws, so the figures can be read per line.
class CountingCanvas : public dz::NullCanvas {
 public:
  int lines = 0;
  int labels = 0;
  void LineTo(std::int32_t, std::int32_t) override { ++lines; }
  void TextAt(std::int32_t, std::int32_t, const char*) override { ++labels; }
};

Menu menu;
Pictures pictures;
Pointer pointer;

// Every character on its own cell of a 6 × 5 layout, every fifth one in melee; five
// areas of radius 2 to 6; character 0 selected, moved two cells from its shadow.
void FillBoard() {
  dz::ResetBoardState();
  dz::uiPorts.menu = &menu;
  dz::ports.pictures = &pictures;
  dz::uiPorts.cursor = &pointer;
  dz::gridSize = 30;
  for (int i = 0; i < dz::kCharacterCount; ++i) {
    dz::Character& c = dz::characters[i];
    c.SetName(dz::defaultNames[i]);
    c.SetColor(dz::MarkerColor(i % dz::kColorCount));
    c.SetPosition(1 + (i % 6) * 90 + (i / 6) * 30, 1 + (i / 6) * 120);
    c.SetMelee(i % 5 == 4 ? 1 : 0);
  }
  for (int i = 0; i < dz::kAreaCount; ++i) {
    dz::Area& a = dz::areas[i];
    a.LoadBitmapFile("area.bmp");
    a.SetRadius(2 + i);
    a.SetPosition(40 + i * 100, 300 - i * 50);
  }
  dz::shadow.LoadBitmapFile("shadow.bmp");
  dz::shadow.SetAlpha(150);
  dz::shadow.SetPosition(61, 1);
  dz::selectedCharacter = 0;
  dz::FitPiecesToGrid();
}

void BM_BoardFrame(benchmark::State& state) {
  FillBoard();
  const dz::FrameOptions options = dz::ReadFrameOptions();  // from the fake menu and pointer
  dz::NullCanvas surface;
  for (auto _ : state) {
    dz::DrawPieces(surface);
    dz::DrawMarkerDistances(surface, options.measure.rounding);
    dz::DrawMoveDistance(surface, options.measure.rounding);
    benchmark::ClobberMemory();
  }
  CountingCanvas count;
  dz::DrawMarkerDistances(count, options.measure.rounding);
  dz::DrawMoveDistance(count, options.measure.rounding);
  state.counters["lines"] = count.lines;
  state.counters["labels"] = count.labels;
}
BENCHMARK(BM_BoardFrame);

void BM_MeasuringFrame(benchmark::State& state) {
  FillBoard();
  const dz::FrameOptions options = dz::ReadFrameOptions();  // from the fake menu and pointer
  dz::NullCanvas surface;
  for (auto _ : state) {
    dz::DrawPieces(surface);
    dz::DrawMeasureLine(surface, options.measure);
    dz::DrawMoveDistance(surface, options.measure.rounding);
    benchmark::ClobberMemory();
  }
  CountingCanvas count;
  dz::DrawMeasureLine(count, options.measure);
  state.counters["lines"] = count.lines;
  state.counters["labels"] = count.labels;
}
BENCHMARK(BM_MeasuringFrame);

void BM_MeasureLineOnly(benchmark::State& state) {
  FillBoard();
  const dz::FrameOptions options = dz::ReadFrameOptions();  // from the fake menu and pointer
  dz::NullCanvas surface;
  for (auto _ : state) {
    dz::DrawMeasureLine(surface, options.measure);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MeasureLineOnly);

}  // namespace

BENCHMARK_MAIN();
