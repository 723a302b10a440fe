#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "common/engine_flags.h"
#include "common/hooks.h"
#include "common/report.h"
#include "search/driver.h"
#include "search/search.h"
#include "search/search_clock.h"
#include "search/transposition.h"
#include "support/board_fixture.h"
#include "support/search_fixture.h"

namespace ostrim {
namespace {

TEST(SearchDriver, SameSearchSameTree) {
  const char* fen = "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 3 9";
  testing::SearchOutcome first = testing::search_position(fen, 10);
  testing::SearchOutcome second = testing::search_position(fen, 10);
  EXPECT_EQ(first.nodes, second.nodes);
  ASSERT_EQ(first.lines.size(), second.lines.size());
  for (std::size_t i = 0; i < first.lines.size(); ++i) {
    EXPECT_EQ(first.lines[i].score, second.lines[i].score);
    EXPECT_EQ(first.lines[i].variation, second.lines[i].variation);
  }
  EXPECT_TRUE(is_legal_move(root_position, first.best));
}

TEST(SearchDriver, FixedDepthIsOneIterationReportedTwice) {
  testing::SearchOutcome o = testing::search_position(testing::kStartFen, 5);
  ASSERT_EQ(o.lines.size() >= 2, true);
  for (const testing::ReportedLine& line : o.lines) EXPECT_EQ(line.depth, 5);
  const testing::ReportedLine& last = o.lines.back();
  const testing::ReportedLine& before = o.lines[o.lines.size() - 2];
  EXPECT_EQ(last.score, before.score);
  EXPECT_EQ(last.variation, before.variation);
}

// A timed search with a single legal move ends after the first iteration
// deeper than 6.
TEST(SearchDriver, SingleLegalMoveEndsEarly) {
  testing::search_position(testing::kStartFen, 3);  // engine and table ready
  testing::setup("k7/2Q5/7p/8/8/8/8/7K b - - 0 1");
  int deepest = 0;
  static int* deepest_seen = nullptr;
  deepest_seen = &deepest;
  Hooks saved = hooks;
  hooks = Hooks{};
  hooks.print_variation = [](int depth, int, const Move*, const Position*) {
    if (depth > *deepest_seen) *deepest_seen = depth;
  };
  SearchLimits limits;
  limits.kind = 6;
  limits.depth_limit = 60;
  search_clock.soft_time = search_clock.hard_time = 0;
  search_clock.target_time = 1000000;  // time never decides
  set_engine_state(EngineState::Thinking);
  search_driver(root_position, limits);
  set_engine_state(EngineState::Idle);
  hooks = saved;
  EXPECT_GT(deepest, 6);
  EXPECT_LE(deepest, 9);
  EXPECT_EQ(report.variation[0], testing::generated_move(root_position, "h6h5"));
}

// The deepest searches stay inside their stacks; a stop ends them.
TEST(SearchDriver, DepthLimitSixtyIsStoppable) {
  const char* fens[] = {"8/8/8/8/8/4k3/4p3/2K5 w - - 0 1", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
                        "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"};
  for (const char* fen : fens) {
    std::atomic<bool> done{false};
    std::thread stopper([&done] {
      auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
      while (!done && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      request_stop();
    });
    testing::SearchOutcome o = testing::search_position(fen, 60);
    done = true;
    stopper.join();
    EXPECT_TRUE(is_legal_move(root_position, o.best)) << fen;
    // Unwinding released every entry: no owner or path mark is left.
    EXPECT_EQ(main_board.held_entries, 0);
    for (uint64_t i = 0; i < transposition_table.count; ++i)
      ASSERT_EQ(transposition_table.entries[i].flags.load() & (ttflag::kOnPath | ttflag::kOwnerMask), 0);
  }
}

}  // namespace
}  // namespace ostrim

namespace ostrim {
namespace {

TEST(SearchDriver, MultiPvLinesAreDistinctAndOrdered) {
  testing::SearchOutcome o = testing::search_position(testing::kStartFen, 6, 3);
  // New best moves while searching, then the three variations; no final report.
  ASSERT_GE(o.lines.size(), 3u);
  const testing::ReportedLine* v = &o.lines[o.lines.size() - 3];
  EXPECT_NE(v[0].variation[0], v[1].variation[0]);
  EXPECT_NE(v[0].variation[0], v[2].variation[0]);
  EXPECT_NE(v[1].variation[0], v[2].variation[0]);
  EXPECT_GE(v[0].score + 10, v[1].score);
  EXPECT_GE(v[1].score + 10, v[2].score);
}

TEST(SearchNode, FloorCutComesFirst) {
  testing::search_position(testing::kStartFen, 3);
  Position& root = root_position;
  reset_generation(root);
  root.floor = -50;
  uint64_t nodes = main_board.nodes;
  Move killers[2] = {kNullMove, kNullMove};
  Move pv[kVariationLength];
  EXPECT_EQ(Search(root, 6, -60, -9999, killers, pv, nullptr), -60);
  EXPECT_EQ(main_board.nodes, nodes);
  root.floor = kRootFloor;
}

}  // namespace
}  // namespace ostrim
