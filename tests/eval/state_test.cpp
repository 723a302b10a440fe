// The evaluation state outside the score: snapshots, passed-pawn tables,
// the single-pawn draw recogniser and the king zones.
#include <gtest/gtest.h>

#include <cstring>

#include "board/game_record.h"
#include "board/makemove.h"
#include "common/settings.h"
#include "eval/evaluate.h"
#include "eval/king_zone.h"
#include "eval/pawn_ending.h"
#include "eval/snapshot.h"
#include "support/board_fixture.h"

namespace ostrim::testing {
namespace {

bool same_state(const Board& b, const EvalSnapshot& s) {
  if (std::memcmp(&b.eval, &s.eval, sizeof b.eval) != 0) return false;
  for (int i = 0; i < kPieceTypeCount; ++i)
    if (b.types[i].bonus != s.bonuses[i]) return false;
  for (int slot = 1; slot <= kSlotCount; ++slot)
    if (b.slots[slot].score != s.scores[slot]) return false;
  return true;
}

TEST(EvalSnapshot, RestoresWhatAnInteriorEvaluationChanged) {
  reset_settings();
  Position& p = setup("r3k2r/pp3ppp/2p5/8/3P4/2P5/P4PPP/R3K2R w KQkq - 0 1");
  Evaluate(p, true);
  EvalSnapshot saved;
  saved.eval = main_board.eval;
  for (int i = 0; i < kPieceTypeCount; ++i) saved.bonuses[i] = main_board.types[i].bonus;
  for (int slot = 1; slot <= kSlotCount; ++slot) saved.scores[slot] = main_board.slots[slot].score;

  Position child;
  construct_position(child, main_board);
  make_full_move(p, generated_move(p, "d4d5"), child);
  EvalSnapshot* s = take_eval_snapshot(main_board);
  ASSERT_NE(s, nullptr);
  Evaluate(child, false);
  EXPECT_FALSE(same_state(main_board, saved));
  restore_eval_snapshot(main_board, s);
  unmake_move(child);
  EXPECT_TRUE(same_state(main_board, saved));
  EXPECT_EQ(main_board.snapshot_depth, 0);
}

TEST(EvalSnapshot, StackIsBoundedAndReleasedAtTheRoot) {
  Position& p = setup(kStartFen);
  Evaluate(p, true);
  for (int i = 0; i < kSnapshotCapacity; ++i) ASSERT_NE(take_eval_snapshot(main_board), nullptr);
  EXPECT_EQ(take_eval_snapshot(main_board), nullptr);  // the caller skips that evaluation
  Evaluate(p, true);
  EXPECT_EQ(main_board.snapshot_depth, 0);
  EvalSnapshot* first = take_eval_snapshot(main_board);
  EvalSnapshot* second = take_eval_snapshot(main_board);
  restore_eval_snapshot(main_board, second);
  restore_eval_snapshot(main_board, first);
  EXPECT_EQ(main_board.snapshot_depth, 0);
}

// A passed pawn's value rises with its pushes and is lost with it.
TEST(EvalPassedPawns, ValueFollowsThePawnsPath) {
  reset_settings();
  Position& p = setup("6k1/8/8/8/3P4/8/6p1/6K1 w - - 0 1");
  Evaluate(p, true);
  Board& b = main_board;
  const int16_t* a = b.eval.pawn_square[colour_index(kWhite)];
  const int16_t* b_table = a + 8;
  Square d4 = make_square(3, 3), d5 = make_square(3, 4), d8 = make_square(3, 7);
  // Pawn ending: rank entries 31 (4th) and 79 (5th) times 37/64, plus the
  // free-path extra 4 per rank beyond the second.
  const int at_d4 = ((31 * 37 + 32) >> 6) + 2 * 4, at_d5 = ((79 * 37 + 32) >> 6) + 3 * 4;
  EXPECT_EQ(a[d4], 0);
  EXPECT_EQ(b_table[d4], at_d4);      // what losing it costs
  EXPECT_EQ(a[d5], at_d5 - at_d4);    // what the push gains
  EXPECT_EQ(b_table[d5], at_d4);      // lost on d5: A + B = its value there
  EXPECT_EQ(a[d8], -at_d4);           // promoting hands over to the queen
  EXPECT_TRUE(b.eval.square_marks[0][d5] & 8);
  // Black's g2 pawn is passed as well; its path runs to g1.
  EXPECT_TRUE(b.eval.square_marks[1][make_square(6, 0)] & 8);
}

TEST(EvalPawnEnding, SinglePawnDrawPatterns) {
  struct Case {
    const char* fen;
    uint32_t bits;
  };
  const Case cases[] = {
      {"k7/8/8/8/P7/8/8/4K3 w - - 0 1", status::kWhiteCannotWin},    // king in front of a rook pawn
      {"1k6/8/P7/8/8/8/8/4K3 b - - 0 1", status::kWhiteCannotWin},   // corner reached
      {"8/8/4k3/4P3/3K4/8/8/8 b - - 0 1", status::kWhiteCannotWin},  // blockade
      {"8/8/3k4/8/3K4/4P3/8/8 w - - 0 1", 0},                        // the king is not in front
      {"8/8/8/8/4k3/8/4p3/2K5 w - - 0 1", 0},                        // a pawn on its seventh rank
      {"8/8/8/4k3/4p3/4K3/8/8 w - - 0 1", status::kBlackCannotWin},  // blockade for Black
      {"k7/8/8/8/P7/8/8/2B1K3 w - - 0 1", status::kWhiteCannotWin},  // wrong bishop (dark, a8 light)
      {"k7/8/8/8/P7/8/8/3BK3 w - - 0 1", 0},                         // the bishop covers a8
      {"8/1k6/P7/8/8/8/8/4K3 b - - 0 1", 0},                         // the pawn attacks the king
      {"k7/8/8/8/P7/8/1p6/4K3 w - - 0 1", 0},                        // the defender has a pawn
  };
  for (const Case& c : cases) {
    Position& p = setup(c.fen);
    uint32_t before = p.status;
    recognise_single_pawn_draw(p);
    EXPECT_EQ(p.status & ~before & status::kNoWinner, c.bits) << c.fen;
  }
}

TEST(EvalKingZone, ZonesSeparateTheWingsAndTheOpenBoard) {
  EXPECT_EQ(king_zone(kG1), king_zone(kH1));
  EXPECT_EQ(king_zone(kG1), king_zone(kG8));
  EXPECT_NE(king_zone(kE1), king_zone(kG1));
  EXPECT_NE(king_zone(kE1), king_zone(kC1));
  EXPECT_NE(king_zone(kE1), king_zone(make_square(4, 2)));
  EXPECT_EQ(king_zone(make_square(4, 3)), king_zone(make_square(0, 4)));
}

}  // namespace
}  // namespace ostrim::testing
