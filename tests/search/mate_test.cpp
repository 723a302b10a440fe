#include <gtest/gtest.h>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "support/board_fixture.h"
#include "support/search_fixture.h"

namespace ostrim {
namespace {

// An independent oracle: whether the side to move mates within n moves.
bool has_legal_move(Position& p) {
  Position c;
  construct_position(c, *p.board);
  reset_generation(p);
  for (Move m = next_move(p); m != kNullMove; m = next_move(p)) {
    make_full_move(p, m, c);
    bool legal = !attacked_by(*p.board, c.side, king_of(*p.board, p.side)->square);
    unmake_move(c);
    if (legal) return true;
  }
  return false;
}

}  // namespace
bool mates_within(Position& p, int n, Move* first = nullptr);
namespace {

// Every reply of the defender leads to a mate within n.
bool all_replies_lose(Position& p, int n) {
  if (!has_legal_move(p)) return in_check(p);
  if (n == 0) return false;
  Position c;
  construct_position(c, *p.board);
  reset_generation(p);
  for (Move m = next_move(p); m != kNullMove; m = next_move(p)) {
    make_full_move(p, m, c);
    bool legal = !attacked_by(*p.board, c.side, king_of(*p.board, p.side)->square);
    bool lost = !legal || mates_within(c, n);
    unmake_move(c);
    if (!lost) return false;
  }
  return true;
}

}  // namespace
bool mates_within(Position& p, int n, Move* first) {
  Position c;
  construct_position(c, *p.board);
  Position scratch;
  construct_position(scratch, *p.board);
  copy_position(scratch, p);
  reset_generation(scratch);
  for (Move m = next_move(scratch); m != kNullMove; m = next_move(scratch)) {
    make_full_move(scratch, m, c);
    bool legal = !attacked_by(*p.board, c.side, king_of(*p.board, scratch.side)->square);
    bool mate = legal && all_replies_lose(c, n - 1);
    unmake_move(c);
    if (mate) {
      if (first) *first = m;
      return true;
    }
  }
  return false;
}

namespace {

int shortest_mate(const char* fen, int limit) {
  for (int n = 1; n <= limit; ++n) {
    Position& p = testing::setup(fen);
    if (mates_within(p, n)) return n;
  }
  return 0;
}

TEST(SearchMates, FindsShortestMates) {
  struct Case {
    const char* fen;
    int depth;  // half plies
  };
  const Case cases[] = {
      {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 4},              // back rank
      {"k7/8/1K6/8/8/8/8/7R w - - 0 1", 4},
      {"k7/8/2K5/8/8/8/8/7R w - - 0 1", 6},                   // king and rook, mate in two
      {"6rk/6pp/8/6N1/8/1Q6/8/6K1 w - - 0 1", 6},            // smothered mate
      {"r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4", 4},
      {"1k6/8/1K6/8/8/8/8/3R4 w - - 0 1", 4},
      {"3k4/8/3K4/8/8/8/8/R7 w - - 0 1", 4},
      {"k7/8/8/8/8/8/6R1/4K2R w K - 0 1", 6},                 // two rooks, mate in two
      {"7k/8/8/8/5K2/8/8/6Q1 w - - 0 1", 12},                 // king and queen, mate in three
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    int expected = shortest_mate(c.fen, 3);
    ASSERT_GT(expected, 0) << "the position has no mate in three";
    testing::SearchOutcome o = testing::search_position(c.fen, c.depth);
    ASSERT_FALSE(o.lines.empty());
    int score = o.lines.back().score;
    EXPECT_EQ((kScoreInfinite - score) / 2, expected) << "score " << score;
    // The move played mates in that many.
    Position& p = testing::setup(c.fen);
    Position child;
    construct_position(child, main_board);
    make_full_move(p, o.best, child);
    EXPECT_TRUE(all_replies_lose(child, expected - 1)) << testing::root_move_text(o.best);
    unmake_move(child);
  }
}

TEST(SearchMates, MatedAndStalematedRoots) {
  // No legal move: the best move is the null move, with the floor score
  // when mated and 0 when stalemated.
  testing::SearchOutcome mated = testing::search_position("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", 4);
  EXPECT_EQ(mated.best, kNullMove);
  ASSERT_FALSE(mated.lines.empty());
  EXPECT_EQ(mated.lines.back().score, kRootFloor);
  testing::SearchOutcome stalemate = testing::search_position("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 4);
  EXPECT_EQ(stalemate.best, kNullMove);
  ASSERT_FALSE(stalemate.lines.empty());
  EXPECT_EQ(stalemate.lines.back().score, 0);
}

}  // namespace
}  // namespace ostrim
