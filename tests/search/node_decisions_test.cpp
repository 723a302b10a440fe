#include <gtest/gtest.h>

#include <vector>

#include "common/settings.h"
#include "search/search.h"
#include "support/search_fixture.h"

namespace ostrim {
namespace {

struct Seen {
  SearchEvent event;
  int depth;
  int beta;
  int ply;
  bool has_parent;
  int repetition;
  uint32_t status;
  uint32_t mover_cannot_win;
};

std::vector<Seen> seen;

void record(SearchEvent event, const Position& p, int depth, int beta) {
  uint32_t mover_bit = p.side > 0 ? status::kBlackCannotWin : status::kWhiteCannotWin;
  seen.push_back({event, depth, beta, p.floor - kRootFloor, p.parent != nullptr, p.repetition, p.status,
                  mover_bit});
}

std::vector<Seen> watch(const char* fen, int depth) {
  seen.clear();
  search_listener = record;
  testing::search_position(fen, depth);
  search_listener = nullptr;
  return seen;
}

int count(const std::vector<Seen>& events, SearchEvent e) {
  int n = 0;
  for (const Seen& s : events) n += s.event == e;
  return n;
}

const char* kEndgame = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1";

TEST(NodeDecisions, NullMoveChoosesItsSearchByDepth) {
#ifdef OSTRIM_SANITIZE
  std::vector<Seen> events = watch(kEndgame, 16);
#else
  std::vector<Seen> events = watch(kEndgame, 18);
#endif
  ASSERT_GT(count(events, SearchEvent::NullMoveByFrontier), 0);
  ASSERT_GT(count(events, SearchEvent::NullMoveBySearch), 0);
  ASSERT_GT(count(events, SearchEvent::NullMoveVerified), 0);
  const int r = settings.null_move_reduction;
  for (const Seen& s : events) {
    switch (s.event) {
      case SearchEvent::NullMoveByFrontier:
      case SearchEvent::NullMoveBySearch:
        EXPECT_TRUE(s.has_parent);
        EXPECT_GE(s.depth, 4);
        EXPECT_LT(s.beta, kMateScore);
        EXPECT_EQ(s.event == SearchEvent::NullMoveByFrontier, s.depth < r + 2) << s.depth;
        break;
      case SearchEvent::NullMoveVerified:
        EXPECT_GE(s.depth, 13);
        break;
      default:
        break;
    }
  }
}

TEST(NodeDecisions, NoNullMoveWithoutReduction) {
  const int saved = settings.null_move_reduction;
  settings.null_move_reduction = 0;
  std::vector<Seen> events = watch(kEndgame, 12);
  settings.null_move_reduction = saved;
  EXPECT_EQ(count(events, SearchEvent::NullMoveByFrontier) + count(events, SearchEvent::NullMoveBySearch), 0);
}

TEST(NodeDecisions, BetaNarrowsOnlyNearTheRoot) {
  std::vector<Seen> events = watch("r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 3 9", 10);
  ASSERT_GT(count(events, SearchEvent::BetaNarrowed), 0);
  for (const Seen& s : events) {
    if (s.event != SearchEvent::BetaNarrowed) continue;
    EXPECT_LT(s.ply, 3);
    EXPECT_LT(s.depth, 25);
  }
}

TEST(NodeDecisions, ReversingMovesScoreZeroOnlyWhenTheWindowReachesAboveIt) {
  // A won rook ending: the defender's king shuffles, and so does the
  // attacker's; returning moves are worth a draw at best.
  std::vector<Seen> events = watch("8/8/4k3/8/8/8/1R6/4K3 w - - 0 1", 12);
  ASSERT_GT(count(events, SearchEvent::DrawishMoveScoredZero), 0);
  for (const Seen& s : events) {
    if (s.event != SearchEvent::DrawishMoveScoredZero) continue;
    EXPECT_GT(s.beta, 0);
    EXPECT_TRUE(s.repetition > 0 || (s.status & s.mover_cannot_win));
  }
}

}  // namespace
}  // namespace ostrim
