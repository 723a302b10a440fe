#include <gtest/gtest.h>

#include "board/board.h"

namespace ostrim {
namespace {

TEST(Smoke, BoardInitialises) {
  static Board b;
  init_board(b);
  EXPECT_TRUE(is_empty(b, kNullSquare));
}

}  // namespace
}  // namespace ostrim
