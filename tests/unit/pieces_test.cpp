#include <cstring>

#include "board/board.h"
#include "fake_ports.h"

namespace dz::testing {
namespace {

using PiecesTest = BoardTest;

TEST_F(PiecesTest, FreshPiecesAreInactiveWithTheirDefaults) {
  Character c;
  EXPECT_FALSE(c.IsActive());
  EXPECT_EQ(c.Alpha(), 255);
  EXPECT_STREQ(c.GetName(), "");
  EXPECT_EQ(c.IsMelee(), 0);
  Area a;
  EXPECT_FALSE(a.IsActive());
  EXPECT_EQ(a.Alpha(), 100);
  EXPECT_EQ(a.GetRadius(), 0);
}

}  // namespace
}  // namespace dz::testing
