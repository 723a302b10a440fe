#include <gtest/gtest.h>

#include <random>
#include <string>

#include "board/attacks.h"
#include "support/board_fixture.h"

namespace ostrim {
namespace {

TEST(Setup, AcceptsAndRefuses) {
  struct Case {
    const char* text;
    bool accepted;
  };
  const Case cases[] = {
      {testing::kStartFen, true},
      {"8/8/8/8/8/8/8/K6k w", true},                                      // trailing fields missing
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR B KQkq - 0 1", true},  // side letter in capitals
      {"4k3/8/8/8/8/8/8/4K3 w nil nil", true},
      {"pppppppp/p7/8/8/8/8/8/K1k5 w - - 0 1", false},                    // nine black pawns
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq - 0 1", false},  // last rank of seven squares
      {"rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", false},  // seventh rank of seven
      {"rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", false},
      {"4k3/8/8/8/8/8/8/4K3 w - e9 0 1", false},
      {"4k3/8/8/8/8/8/8/4K3 w - e3 0 1", true},                            // no pawn check
      {"4k3/8/8/8/8/8/8/4K3 x - - 0 1", false},
      {"4k3/8/8/8/8/8/8/4K3 w KX - 0 1", false},
      {"4k3/8/8/8/8/8/8/4K3", false},
      {"", false},
      {"4k3/8/8/8/8/8/8/4KE2 w - - 0 1", false},                          // no such piece letter
      // Refused because the search could not play from them.
      {"8/8/8/8/8/8/8/4K3 w - - 0 1", false},                             // no black king
      {"4k3/8/8/8/8/8/8/3KK3 w - - 0 1", false},                          // two white kings
      {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", false},                          // pawn on the eighth
      {"4k3/8/8/8/8/8/8/p3K3 w - - 0 1", false},                          // pawn on the first
      {"4k3/4Q3/8/8/8/8/8/4K3 w - - 0 1", false},                         // side not to move in check
      {"4k3/4Q3/8/8/8/8/8/4K3 b - - 0 1", true},                          // side to move in check
  };
  draw_hash_keys();
  for (const Case& c : cases) EXPECT_EQ(setup_position(c.text) == 0, c.accepted) << c.text;
}

TEST(Setup, ThreeQueensUseMissingPawnRecords) {
  Position& p = testing::setup("4k3/8/8/8/8/8/PPPPPP2/QQQ1K3 w - - 0 1");
  EXPECT_EQ(main_board.types[kWhiteQueenType].count, 3);
  EXPECT_EQ(main_board.types[kWhitePawnType].count, 6);
  EXPECT_EQ(main_board.piece_material, 3 * 732);
  EXPECT_TRUE(same_key(p.key, compute_key(main_board, kWhite)));
  draw_hash_keys();
  EXPECT_NE(setup_position("4k3/8/8/8/8/8/PPPPPPP1/QQQ1K3 w - - 0 1"), 0);  // one pawn too many
}

TEST(Setup, RootFields) {
  Position& p = testing::setup("8/8/8/8/8/8/8/K6k w");
  EXPECT_EQ(game.castling, status::kAllCastling);  // the record keeps the default rights
  EXPECT_EQ(p.status & status::kAllCastling, 0u);  // kings away from e1/e8
  EXPECT_EQ(p.status & status::kNoWinner, status::kNoWinner);

  Position& s = testing::setup(testing::kStartFen);
  EXPECT_EQ(s.status & status::kAllCastling, status::kAllCastling);
  EXPECT_EQ(game.move_number, 21);
  EXPECT_EQ(s.halfmove, 0);
  EXPECT_EQ(key_history.length, 1);
  EXPECT_EQ(main_board.piece_material, 2 * (2 * 228 + 2 * 242 + 2 * 350 + 732));
  EXPECT_EQ(main_board.piece_count, 32);

  Position& b = testing::setup("4k3/8/8/8/8/8/8/1NN1K3 b - - 0 1");
  EXPECT_EQ(b.status & status::kNoWinner, status::kNoWinner);  // two knights cannot win at set-up
  EXPECT_EQ(b.key.low & kBlackToMoveBit, kBlackToMoveBit);
}

TEST(Setup, KeysAreFixedAndSideBitOnly) {
  draw_hash_keys();
  HashKey first = key_storage[0][0];
  draw_hash_keys();
  EXPECT_TRUE(same_key(first, key_storage[0][0]));
  for (int block = 0; block < kKeyBlocks; ++block)
    for (Square s = 0; s < 120; ++s)
      if (on_board(s)) {
        EXPECT_EQ(key_storage[block][s].low & kBlackToMoveBit, 0u);
      }
  Position& w = testing::setup("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  HashKey white = w.key;
  Position& b = testing::setup("4k3/8/8/8/8/8/8/4K3 b - - 0 1");
  EXPECT_EQ(white.low ^ b.key.low, kBlackToMoveBit);
  EXPECT_EQ(white.high, b.key.high);
}

TEST(Setup, NullSquareReadsEmptyAndMarginsReadSentinel) {
  testing::setup(testing::kStartFen);
  EXPECT_TRUE(is_empty(main_board, kNullSquare));
  EXPECT_EQ(piece_at(main_board, kA1 - 33), &main_board.sentinel);
  EXPECT_EQ(piece_at(main_board, kH8 + 33), &main_board.sentinel);
}

// Random and truncated texts are refused or accepted, never crash (the
// sanitizers watch this run).
TEST(Setup, RandomAndTruncatedTexts) {
  draw_hash_keys();
  std::mt19937 rng(12345);
  const std::string alphabet = "KQRBNPkqrbnp12345678/ wb-KQkqa1h8e3x0E\t";
  const std::string fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
  for (std::size_t cut = 0; cut <= fen.size(); ++cut) setup_position(fen.substr(0, cut).c_str());
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    int length = static_cast<int>(rng() % 120);
    for (int j = 0; j < length; ++j) text += alphabet[rng() % alphabet.size()];
    if (setup_position(text.c_str()) == 0) {
      // An accepted position is whole: one king each, and generation works.
      EXPECT_EQ(main_board.types[kWhiteKingType].count, 1);
      EXPECT_EQ(main_board.types[kBlackKingType].count, 1);
      count_legal_moves(root_position);
    }
  }
}

}  // namespace
}  // namespace ostrim
