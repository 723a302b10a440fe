#include "search/parallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "board/movegen.h"
#include "common/engine_flags.h"
#include "common/hooks.h"
#include "search/driver.h"
#include "search/search.h"
#include "search/search_clock.h"
#include "search/transposition.h"
#include "support/board_fixture.h"
#include "support/search_fixture.h"

namespace ostrim {
namespace {

constexpr const char* kMiddlegame = "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 3 9";

// Hand-offs and restarts seen by the search listener, from any thread.
std::atomic<int> handed_off{0};
std::atomic<int> shallowest_hand_off{1000};
std::atomic<int> restarted{0};

void count_hand_offs(SearchEvent event, const Position&, int depth, int) {
  if (event == SearchEvent::WorkerMoveRestarted) ++restarted;
  if (event != SearchEvent::MoveHandedOff) return;
  ++handed_off;
  int now = shallowest_hand_off.load();
  while (depth < now && !shallowest_hand_off.compare_exchange_weak(now, depth)) {
  }
}

class Parallel : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::search_position(testing::kStartFen, 2);  // engine and table ready
    start_search_pool(2);
    handed_off = 0;
    shallowest_hand_off = 1000;
    restarted = 0;
    search_listener = count_hand_offs;
  }
  void TearDown() override {
    search_listener = nullptr;
    set_search_threads(1);
    EXPECT_EQ(slots_in_use(), 0);
  }
};

// The state of a search in progress at the root, for handing off by hand.
void begin_root_search(Position& root) {
  flags.stop.store(0);
  flags.search_epoch.store(1);
  main_board.epoch = 1;
  main_board.active_split = nullptr;
  root.parent = nullptr;
  root.legal_count = 0;
  root.best_so_far = -kScoreInfinite;
  root.bound_flags = ttflag::kUpperBound;
  root.futility_base = -kScoreInfinite;
  root.expected = kScoreInfinite;
  root.entry_beta = kScoreInfinite;
  search_state.iteration_depth = 9;
}

std::vector<Move> legal_moves(Position& p) {
  std::vector<Move> moves;
  reset_generation(p);
  for (Move m = next_move(p); m != kNullMove; m = next_move(p))
    if (is_legal_move(p, m)) moves.push_back(m);
  reset_generation(p);
  return moves;
}

TEST_F(Parallel, OnlyQualifyingMovesAreHandedOff) {
  Position& root = testing::setup(kMiddlegame);
  std::vector<Move> moves = legal_moves(root);
  ASSERT_GE(moves.size(), 3u);
  const Move empty_list[1] = {kNullMove};
  const Move one_excluded[2] = {moves[0], kNullMove};
  struct Case {
    const char* name;
    int threads;
    int depth;
    Move move;
    const Move* excluded;
    uint32_t flags;
    bool handed;
  };
  const Case cases[] = {
      {"depth 8", 2, 8, moves[1], empty_list, 0, false},
      {"the best move", 2, 9, moves[0], empty_list, 0, false},
      {"a root with an excluded move", 2, 9, moves[1], one_excluded, 0, false},
      {"a bad-move node", 2, 9, moves[1], empty_list, moveflag::kBadMove, false},
      {"one thread", 1, 9, moves[1], empty_list, 0, false},
      {"depth 9", 2, 9, moves[1], empty_list, 0, true},
  };
  for (const Case& c : cases) {
    set_search_threads(c.threads);
    begin_root_search(root);
    root.best_move = moves[0];
    root.flags = c.flags;
    int beta = kScoreInfinite;
    int alpha = -kScoreInfinite;
    Move killers[2] = {kNullMove, kNullMove};
    Move pv[kVariationLength] = {kNullMove};
    EXPECT_EQ(hand_off(root, c.depth, beta, alpha, killers, pv, c.move, c.excluded), c.handed) << c.name;
    if (!c.handed) {
      EXPECT_EQ(main_board.active_split, nullptr) << c.name;
      continue;
    }
    EXPECT_EQ(main_board.active_split, &root);
    collect_workers(root);
    // The worker searched the move, raised the shared alpha and said so.
    EXPECT_EQ(main_board.active_split, nullptr);
    EXPECT_EQ(slots_in_use(), 0);
    EXPECT_EQ(root.legal_count, 1);
    EXPECT_GT(alpha, -kScoreInfinite);
    EXPECT_EQ(pv[0], c.move);
    EXPECT_EQ(root.bound_flags, ttflag::kExact);
    EXPECT_GT(flags.search_epoch.load(), 1);
    EXPECT_EQ(main_board.epoch, flags.search_epoch.load());
  }
}

// Several workers on one node: every raise is under the lock and advances
// the epoch, the others start again against the new alpha, and the node
// ends with the best of the moves and each move counted once.
TEST_F(Parallel, WorkersShareTheBoundsOfOneNode) {
  Position& root = testing::setup(kMiddlegame);
  std::vector<Move> moves = legal_moves(root);
  set_search_threads(4);
  EXPECT_GE(pool_worker_count(), 8);
  int beta = kScoreInfinite;
  int alpha = -kScoreInfinite;
  Move killers[2] = {kNullMove, kNullMove};
  Move pv[kVariationLength] = {kNullMove};
  const Move empty_list[1] = {kNullMove};
  const int handed = 6;
  // A raise while other workers of the node are still at work makes them
  // start their moves again; some round shows it.
  for (int round = 0; round < 8 && restarted.load() == 0; ++round) {
    clear_table();
    begin_root_search(root);
    root.best_move = moves[0];
    beta = kScoreInfinite;
    alpha = -kScoreInfinite;
    for (int i = 1; i <= handed; ++i)
      ASSERT_TRUE(hand_off(root, 9, beta, alpha, killers, pv, moves[i], empty_list));
    collect_workers(root);
    EXPECT_EQ(slots_in_use(), 0);
    EXPECT_EQ(root.legal_count, handed);
    EXPECT_TRUE(std::find(moves.begin() + 1, moves.begin() + 1 + handed, pv[0]) != moves.begin() + 1 + handed);
    EXPECT_GT(flags.search_epoch.load(), 1);
  }
  EXPECT_GT(restarted.load(), 0);

  // The same moves one after the other on this thread end no higher: a
  // restart never keeps a score against an old alpha.
  set_search_threads(1);
  clear_table();
  begin_root_search(root);
  int serial_beta = kScoreInfinite;
  int serial_alpha = -kScoreInfinite;
  Position child;
  construct_position(child, main_board);
  for (int i = 1; i <= handed; ++i)
    SearchMove(root, 9, serial_beta, serial_alpha, killers, pv, moves[i], child, empty_list);
  EXPECT_NEAR(alpha, serial_alpha, 60);
}

TEST_F(Parallel, SearchesAgreeAcrossThreadCounts) {
  const char* fens[] = {
      kMiddlegame,
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "8/pp2r1k1/2p1p3/3pP2p/1P1P1P1P/P5KR/8/8 w - - 0 1",
  };
  for (const char* fen : fens) {
    set_search_threads(1);
    handed_off = 0;
    testing::SearchOutcome one = testing::search_position(fen, 11);
    EXPECT_EQ(handed_off.load(), 0) << fen;
    for (int threads : {2, 4}) {
      set_search_threads(threads);
      handed_off = 0;
      testing::SearchOutcome many = testing::search_position(fen, 11);
      EXPECT_TRUE(is_legal_move(root_position, many.best)) << fen << " threads " << threads;
      ASSERT_FALSE(many.lines.empty());
      EXPECT_NEAR(many.lines.back().score, one.lines.back().score, 100) << fen << " threads " << threads;
      EXPECT_GT(handed_off.load(), 0) << fen << " threads " << threads;
      EXPECT_EQ(slots_in_use(), 0);
    }
  }
  EXPECT_GE(shallowest_hand_off.load(), kHandOffDepth);
}

// Stopped at any moment, the search leaves every worker idle, no slot
// reserved and the engine thread without a split node.
TEST_F(Parallel, StopLeavesEveryWorkerIdle) {
  set_search_threads(4);
  for (int wait_ms : {30, 120, 300, 700}) {
    testing::setup(kMiddlegame);
    clear_table();
    SearchLimits limits;
    limits.kind = kKindDepth;
    limits.depth = 60;
    limits.depth_limit = 60;
    search_clock.soft_time = search_clock.hard_time = 0;
    search_clock.target_time = 1000000;
    Hooks saved = hooks;
    hooks = Hooks{};
    set_engine_state(EngineState::Thinking);
    std::thread search([&] { search_driver(root_position, limits); });
    std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
    request_stop();
    search.join();
    set_engine_state(EngineState::Idle);
    hooks = saved;
    EXPECT_EQ(workers_running(), 0) << wait_ms;
    EXPECT_EQ(slots_in_use(), 0) << wait_ms;
    EXPECT_EQ(main_board.active_split, nullptr) << wait_ms;
  }
  EXPECT_GT(handed_off.load(), 0);
}

}  // namespace
}  // namespace ostrim
