#include "code/coordinate_code.h"

#include <string>

#include "board/board.h"
#include "board/ids.h"
#include "fake_ports.h"

namespace dz::testing {
namespace {

using CoordinateCodeTest = BoardTest;

std::string Build() {
  char buf[kCodeSize];
  const int n = BuildCoordinateCode(buf);
  EXPECT_EQ(n, static_cast<int>(std::string(buf).size()));
  return buf;
}

// Character slot 0 "A" at (1, 1) red; slot 3 "D" at (91, 61) blue in the melee; area slot 1
// at (-14, -14) with radius 2; grid size 30.
void SetUpWorkedExample() {
  gridSize = 30;
  characters[0].SetName("A");
  characters[0].SetPosition(1, 1);
  characters[0].SetColor(MakeColor(255, 1, 1));
  characters[3].SetName("D");
  characters[3].SetPosition(91, 61);
  characters[3].SetColor(MakeColor(1, 1, 255));
  characters[3].SetMelee(1);
  areas[1].SetRadius(2);
  areas[1].SetPosition(-14, -14);
  areas[1].LoadBitmapFile("area.bmp");
}

constexpr char kWorkedExample[] = "A:1,1:r D:91,61:b; rb:-14,-14:2";

TEST_F(CoordinateCodeTest, EmptyBoardWritesTheEmptyText) {
  EXPECT_EQ(Build(), "");
  fake.panels.At(Panel::Board, IDC_BOARD_CODE).text = "old";
  WriteCoordinateCode();
  EXPECT_EQ(fake.panels.Text(Panel::Board, IDC_BOARD_CODE), "");
}

TEST_F(CoordinateCodeTest, WriterProducesTheWorkedExampleInTheCodeField) {
  SetUpWorkedExample();
  EXPECT_EQ(Build(), kWorkedExample);
  WriteCoordinateCode();
  EXPECT_EQ(fake.panels.Text(Panel::Board, IDC_BOARD_CODE), kWorkedExample);
}

}  // namespace
}  // namespace dz::testing
