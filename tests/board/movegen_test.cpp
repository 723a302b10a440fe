#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "board/makemove.h"
#include "support/board_fixture.h"

namespace ostrim {
namespace {

using testing::generated_moves;
using testing::setup;
using Moves = std::vector<std::string>;

TEST(MoveGeneration, DeliveryOrder) {
  struct Case {
    const char* fen;
    Moves expected;
  };
  const Case cases[] = {
      // Pawns in list order (a2..h2), double step first, then the knights.
      {testing::kStartFen,
       {"a2a4", "a2a3", "b2b4", "b2b3", "c2c4", "c2c3", "d2d4", "d2d3", "e2e4", "e2e3", "f2f4",
        "f2f3", "g2g4", "g2g3", "h2h4", "h2h3", "b1a3", "b1c3", "g1f3", "g1h3"}},
      // Queen promotion first, then knight, bishop, rook; king steps in the
      // order -15, 15, -17, 17, -16, 16, -1, 1.
      {"7k/4P3/8/8/8/8/8/K7 w - - 0 1",
       {"e7e8q", "e7e8n", "e7e8b", "e7e8r", "a1b2", "a1a2", "a1b1"}},
      // A blocked pawn on the seventh with two targets: 8 moves, left target first.
      {"3rnr2/4P3/8/8/8/8/8/K6k w - - 0 1",
       {"e7f8q", "e7f8n", "e7f8b", "e7f8r", "e7d8q", "e7d8n", "e7d8b", "e7d8r", "a1b2", "a1a2",
        "a1b1"}},
      // Both en passant captures come with the king, the one from e-17 first.
      {"4k3/8/8/3PpP2/8/8/8/4K3 w - e6 0 1",
       {"d5d6", "f5f6", "e1d2", "e1f2", "e1e2", "e1d1", "e1f1", "d5e6", "f5e6"}},
      // Black to move generates only Black's castlings, queen side first.
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
       {"a8a7", "a8a6", "a8a5", "a8a4", "a8a3", "a8a2", "a8a1", "a8b8", "a8c8", "a8d8", "h8h7",
        "h8h6", "h8h5", "h8h4", "h8h3", "h8h2", "h8h1", "h8g8", "h8f8", "e8d7", "e8f7", "e8e7",
        "e8d8", "e8f8", "e8c8", "e8g8"}},
  };
  for (const Case& c : cases) {
    Position& p = setup(c.fen);
    Moves got = generated_moves(p);
    if (std::string(c.fen).find(" b ") != std::string::npos) {
      // Only the set matters for the rook rays; castling must come last.
      ASSERT_GE(got.size(), 2u);
      EXPECT_EQ(got[got.size() - 2], "e8c8") << c.fen;
      EXPECT_EQ(got.back(), "e8g8") << c.fen;
      EXPECT_EQ(got.size(), c.expected.size()) << c.fen;
    } else {
      EXPECT_EQ(got, c.expected) << c.fen;
    }
  }
}

TEST(MoveGeneration, ExhaustedGeneratorKeepsReturningNull) {
  Position& p = setup(testing::kStartFen);
  reset_generation(p);
  while (next_move(p) != kNullMove) {
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(next_move(p), kNullMove);
}

TEST(MoveGeneration, PushedMovesComeFirstAndDesignatedPieceLeads) {
  Position& p = setup(testing::kStartFen);
  reset_generation(p);
  Move pushed = make_move(kG1, make_square(5, 2));
  push_move(p, pushed);
  EXPECT_EQ(next_move(p), pushed);
  EXPECT_EQ(next_move(p), make_move(make_square(0, 1), make_square(0, 3)));  // a2a4

  // The b1 knight designated: its moves first, then the list without it.
  reset_generation(p);
  p.flags |= moveflag::kThreatPending;
  p.designated = piece_at(main_board, kB1);
  Moves got;
  for (Move m = next_move(p); m != kNullMove; m = next_move(p)) {
    char t[kMoveTextSize];
    move_text_in(t, p, m);
    got.emplace_back(t);
  }
  ASSERT_EQ(got.size(), 20u);
  EXPECT_EQ(got[0], "b1a3");
  EXPECT_EQ(got[1], "b1c3");
  EXPECT_EQ(got[2], "a2a4");
  EXPECT_EQ(got.back(), "g1h3");
  p.flags &= ~moveflag::kThreatPending;
}

TEST(MoveGeneration, KingCaptureIsGenerated) {
  // White has left its king en prise (after an illegal move): Black may take it.
  Position& p = setup("4k3/8/8/8/8/8/4q3/3K4 w - - 0 1");
  Position child;
  construct_position(child, main_board);
  make_full_move(p, testing::generated_move(p, "d1c2"), child);
  Moves got = generated_moves(child);
  EXPECT_NE(std::find(got.begin(), got.end(), "e2c2"), got.end());
  unmake_move(child);
}

}  // namespace
}  // namespace ostrim
