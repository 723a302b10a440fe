#include <gtest/gtest.h>

#include "board/attacks.h"
#include "support/board_fixture.h"

namespace ostrim {
namespace {

TEST(Attacks, Tables) {
  EXPECT_EQ(attack_bits_between(0, 16), kAttackKing | kAttackQueen | kAttackRook);
  EXPECT_EQ(attack_bits_between(0, 0x25), 0);
  EXPECT_EQ(attack_bits_between(16, 31), kAttackKing | kAttackQueen | kAttackBishop | kAttackWhitePawn);
  EXPECT_EQ(attack_bits_between(33, 16), kAttackKing | kAttackQueen | kAttackBishop | kAttackBlackPawn);
  EXPECT_EQ(attack_bits_between(0, 0x77), kAttackQueen | kAttackBishop);
  EXPECT_EQ(attack_bits_between(0, 7), kAttackQueen | kAttackRook);
  EXPECT_EQ(attack_bits_between(0, 33), kAttackKnight);
  EXPECT_EQ(attack_bits_between(0, 0), 0);
  EXPECT_EQ(direction_between(0, 0x77), 17);
  EXPECT_EQ(direction_between(0x77, 0), -17);
  EXPECT_EQ(direction_between(7, 0x70), 15);
  EXPECT_EQ(direction_between(0, 33), 33);
  EXPECT_EQ(direction_between(0, 0x25), 0);
  EXPECT_EQ(kAttackTable[16 + 119] & kAttackWhitePawn, 0);
}

TEST(Attacks, SquareAttacked) {
  Position& p = testing::setup("4k3/8/8/8/8/8/8/R3K3 b - - 0 1");
  // Black to move: White's rook attacks along the empty first rank.
  EXPECT_TRUE(square_attacked(p, kD1));
  EXPECT_TRUE(square_attacked(p, kA8));
  testing::setup("4k3/8/8/8/8/8/8/R2NK3 b - - 0 1");
  EXPECT_FALSE(attacks(*piece_at(main_board, kA1), kE1));
  EXPECT_TRUE(attacks(*piece_at(main_board, kA1), kD1));
  // A square attacked only by the side to move's own pieces.
  Position& w = testing::setup("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  EXPECT_FALSE(square_attacked(w, kD1));
}

TEST(Attacks, LeastAttacker) {
  // A white knight attacks an undefended black bishop: the bishop's square
  // when pieces are admitted; a same-class bishop is no target in the
  // knight's own class.
  testing::setup("4k3/8/8/3b4/8/4N3/8/4K3 w - - 0 1");
  const PieceRecord& knight = *piece_at(main_board, make_square(4, 2));
  EXPECT_EQ(least_attacker(main_board, knight.square, knight, kAnyButPawns), make_square(3, 4));
  EXPECT_EQ(least_attacker(main_board, knight.square, knight, kOwnClass), kNullSquare);
  // Defended by a pawn, the bishop is no target.
  testing::setup("4k3/8/2p5/3b4/8/4N3/8/4K3 w - - 0 1");
  const PieceRecord& k2 = *piece_at(main_board, make_square(4, 2));
  EXPECT_EQ(least_attacker(main_board, k2.square, k2, kAnyButPawns), kNullSquare);
  // A more valuable target is taken even when defended.
  testing::setup("4k3/8/2p5/3r4/8/4N3/8/4K3 w - - 0 1");
  const PieceRecord& k3 = *piece_at(main_board, make_square(4, 2));
  EXPECT_EQ(least_attacker(main_board, k3.square, k3, kOwnClass), make_square(3, 4));
  // A pawn forking rook and knight names the rook; on the seventh, the free square ahead.
  testing::setup("4k3/8/8/2r1n3/3P4/8/8/4K3 w - - 0 1");
  const PieceRecord& pawn = *piece_at(main_board, make_square(3, 3));
  EXPECT_EQ(least_attacker(main_board, pawn.square, pawn, kOwnClass), make_square(2, 4));
  EXPECT_EQ(least_attacker(main_board, pawn.square, pawn, kKingOnly), kNullSquare);
  testing::setup("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
  const PieceRecord& runner = *piece_at(main_board, make_square(1, 6));
  EXPECT_EQ(least_attacker(main_board, runner.square, runner, kOwnClass), make_square(1, 7));
}

TEST(Attacks, ValidateAndPush) {
  Position& p = testing::setup("r3k2r/8/8/4Pp2/8/8/8/R3K2R w KQkq f6 0 1");
  struct Case {
    Move move;
    bool accepted;
  };
  const Case cases[] = {
      {make_move(kE1, kG1), false},                                      // castling
      {make_move(make_square(4, 4), make_square(5, 5)), false},          // en passant
      {make_move(make_square(4, 4), make_square(4, 5)), true},           // pawn push
      {make_move(kA1, kA8), true},                                       // rook takes rook
      {make_move(kA1, make_square(0, 7) + 1), false},                    // past the rook? b8 not on a file
      {make_move(kH1, kH8), true},
      {make_move(kE1, make_square(4, 1)), true},
      {make_move(make_square(4, 4), kWhitePromoteKnight), false},        // under-promotion code
      {make_move(kE8, make_square(4, 6)), false},                        // not our piece
      {make_move(kA1, kE1), false},                                      // own piece on target
  };
  for (const Case& c : cases) {
    reset_generation(p);
    validate_and_push(p, c.move);
    EXPECT_EQ(p.stack_top != p.stack, c.accepted) << std::hex << c.move;
  }
}

}  // namespace
}  // namespace ostrim
