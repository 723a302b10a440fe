#include "engine/think.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "board/game_record.h"
#include "board/setup.h"
#include "book/book.h"
#include "common/engine_flags.h"
#include "common/hooks.h"
#include "common/report.h"
#include "common/settings.h"
#include "engine/clock_guard.h"
#include "platform/clock.h"
#include "search/driver.h"
#include "search/search_clock.h"
#include "search/transposition.h"
#include "support/board_fixture.h"
#include "support/output_capture.h"
#include "uci/printers.h"

namespace ostrim {
namespace {

using Lines = std::vector<std::string>;

// The options a test gives the think.
struct TestOptions {
  bool own_book = false;
  int32_t book_selectivity = 5;
  int32_t multipv = 1;
  int32_t depth_limit = 60;
};
TestOptions options;

int32_t option_integer(const char* name) {
  if (std::strcmp(name, "Book_selectivity") == 0) return options.book_selectivity;
  if (std::strcmp(name, "MultiPV") == 0) return options.multipv;
  if (std::strcmp(name, "Depth_limit") == 0) return options.depth_limit;
  ADD_FAILURE() << "a think reads no option " << name;
  return 0;
}
bool option_flag(const char* name) {
  EXPECT_STREQ(name, "OwnBook");
  return options.own_book;
}

// A book that answers with one move and counts how it is asked.
struct TestBook {
  Move answer = kNullMove;
  int calls = 0;
  int threshold = -1;
};
TestBook test_book;
Move test_book_lookup(const Position&, int threshold) {
  ++test_book.calls;
  test_book.threshold = threshold;
  return test_book.answer;
}

// The engine state seen by each printer, and a ponderhit from the poll.
std::vector<EngineState> states_at_variation;
EngineState state_at_bestmove = EngineState::Thinking;
int polls_before_ponderhit = 0;

void recording_print_variation(int depth, int score, const Move* variation, const Position* root) {
  states_at_variation.push_back(engine_state());
  uci::print_variation(depth, score, variation, root);
}
void recording_print_bestmove(Move best, Move ponder) {
  state_at_bestmove = engine_state();
  uci::print_bestmove(best, ponder);
}
void ponderhit_poll() {
  if (polls_before_ponderhit > 0 && --polls_before_ponderhit == 0) stop_pondering();
}

class Think : public ::testing::Test {
 protected:
  void SetUp() override {
    if (transposition_table.entries == nullptr) engine_initialise(1 << 20);
    options = TestOptions{};
    test_book = TestBook{};
    option_reader = OptionReader{option_integer, option_flag};
    book_lookup = test_book_lookup;
    hooks.print_variation = recording_print_variation;
    hooks.print_bestmove = recording_print_bestmove;
    hooks.print_current_move = nullptr;
    hooks.poll_commands = ponderhit_poll;
    polls_before_ponderhit = 0;
    states_at_variation.clear();
    settings.contempt = 0;
    set_engine_state(EngineState::Idle);
    flags.stop.store(0);
  }
  void TearDown() override {
    book_lookup = ostrim::book::book_move;
    option_reader = OptionReader{};
    hooks = Hooks{};
  }
  // Sets up the position and runs one think; returns what it printed.
  Lines think(const char* fen, int mode, int kind, int time) {
    testing::setup(fen);
    run_think(mode, kind, time, 0, 0, 0);
    return output.take();
  }
  test::OutputCapture output;
};

bool starts_with(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }
bool ends_with(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The first two moves of a principal variation line.
std::string first_two_moves(const std::string& line) {
  std::size_t pv = line.find(" pv  ");
  if (pv == std::string::npos) return "";
  std::string moves = line.substr(pv + 5);
  std::size_t second_end = moves.find(' ', moves.find(' ') + 1);
  return moves.substr(0, second_end);
}

TEST_F(Think, ALegalBookMoveIsPlayedAtOnceWithoutPonderMove) {
  options.own_book = true;
  options.book_selectivity = 7;
  test_book.answer = testing::generated_move(testing::setup(testing::kStartFen), "e2e4");
  for (int mode : {0, 1}) {
    Lines out = think(testing::kStartFen, mode, 6, 60);
    ASSERT_EQ(out.size(), 2u) << "mode " << mode;
    EXPECT_TRUE(starts_with(out[0], "info depth 0 score cp 0 nodes ")) << out[0];
    EXPECT_TRUE(ends_with(out[0], " tbhits 0 time 0 multipv 1 pv  e2e4")) << out[0];
    EXPECT_EQ(out[1], "bestmove e2e4");
    EXPECT_EQ(state_at_bestmove, EngineState::Idle);
    EXPECT_EQ(engine_state(), EngineState::Idle);
  }
  EXPECT_EQ(test_book.calls, 2);
  EXPECT_EQ(test_book.threshold, 70) << "selectivity in tens";
}

TEST_F(Think, TheBookIsSkippedOrOverruledAndTheSearchRuns) {
  Position& start = testing::setup(testing::kStartFen);
  const Move black_move = testing::generated_move(testing::setup("4k3/4p3/8/8/8/8/8/4K3 b - - 0 1"), "e7e5");
  (void)start;
  struct Case {
    bool own_book;
    int mode;
    Move answer;
    int calls;
    const char* why;
  };
  const Case cases[] = {
      {false, 0, black_move, 0, "OwnBook off"},
      {true, 2, black_move, 0, "infinite analysis never asks the book"},
      {true, 0, kNullMove, 1, "no book move"},
      {true, 0, black_move, 1, "a book move that is not legal here counts as none"},
  };
  for (const Case& c : cases) {
    options.own_book = c.own_book;
    test_book = TestBook{};
    test_book.answer = c.answer;
    polls_before_ponderhit = c.mode == 2 ? 1 : 0;  // analysis waits for a ponderhit
    Lines out = think("4k3/4p3/8/8/8/8/4P3/4K3 w - - 0 1", c.mode, 0, 3);
    EXPECT_EQ(test_book.calls, c.calls) << c.why;
    ASSERT_GE(out.size(), 2u) << c.why;
    EXPECT_TRUE(starts_with(out[0], "info depth 3 ")) << c.why << ": " << out[0];
    EXPECT_TRUE(starts_with(out.back(), "bestmove ")) << c.why;
    EXPECT_FALSE(starts_with(out.back(), "bestmove e7e5")) << c.why;
  }
}

TEST_F(Think, ARootWithoutLegalMovesAnswersTheNullMove) {
  for (const char* fen : {"7k/6Q1/6K1/8/8/8/8/8 b - - 0 1",   // mate
                          "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"}) {  // stalemate
    Lines out = think(fen, 0, 0, 3);
    ASSERT_FALSE(out.empty()) << fen;
    EXPECT_EQ(out.back(), "bestmove 0000") << fen;
  }
}

TEST_F(Think, BestmoveAndPonderComeFromTheLastReportedVariation) {
  Lines out = think("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 0, 0, 5);
  ASSERT_GE(out.size(), 3u);
  const std::string& last = out[out.size() - 2];
  EXPECT_EQ(last, out[out.size() - 3]) << "a fixed depth prints its last line twice";
  std::string moves = first_two_moves(last);
  ASSERT_NE(moves.find(' '), std::string::npos) << last;
  EXPECT_EQ(out.back(), "bestmove " + moves.substr(0, moves.find(' ')) + " ponder " +
                            moves.substr(moves.find(' ') + 1));
  for (EngineState s : states_at_variation) EXPECT_EQ(s, EngineState::Thinking);
  EXPECT_EQ(state_at_bestmove, EngineState::Idle);
}

TEST_F(Think, AnalysisPondersWithEveryVariationUntilPonderhit) {
  options.multipv = 3;
  polls_before_ponderhit = 1;
  Lines out = think(testing::kStartFen, 2, 0, 4);
  // New best moves of the first variation may come first; the iteration
  // ends with its three variations in order.
  ASSERT_GE(out.size(), 4u);
  const std::size_t n = out.size();
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string& line = out[n - 4 + i];
    EXPECT_TRUE(starts_with(line, "info depth 4 ")) << line;
    EXPECT_NE(line.find(" multipv " + std::to_string(i + 1) + " pv "), std::string::npos) << line;
  }
  // No final report with several variations: the bestmove is the last one printed.
  EXPECT_EQ(out[n - 1].substr(0, out[n - 1].find(" ponder")), "bestmove " + first_two_moves(out[n - 2]).substr(0, 4));
  for (EngineState s : states_at_variation) EXPECT_EQ(s, EngineState::Pondering);
  EXPECT_EQ(polls_before_ponderhit, 0) << "the finished search waited for the ponderhit";
}

TEST_F(Think, MultiPvCountsOnlyForInfiniteAnalysis) {
  options.multipv = 3;
  for (int mode : {0, 1}) {
    polls_before_ponderhit = mode == 1 ? 1 : 0;
    Lines out = think(testing::kStartFen, mode, 0, 4);
    for (const std::string& line : out)
      if (starts_with(line, "info ")) {
        EXPECT_NE(line.find(" multipv 1 pv "), std::string::npos) << line;
      }
  }
}

TEST_F(Think, TheDepthLimitCapsAFixedDepth) {
  options.depth_limit = 4;
  Lines out = think(testing::kStartFen, 0, 0, 9);
  ASSERT_FALSE(out.empty());
  for (const std::string& line : out)
    if (starts_with(line, "info ")) {
      EXPECT_TRUE(starts_with(line, "info depth 4 ")) << line;
    }
}

struct PonderhitCase {
  EngineState state;
  int32_t score_stable, time_up, soft;
  bool returns, stops, deadline;
};

TEST(StopPondering, TurnsOnlyAPonderingSearchIntoATimedOne) {
  const PonderhitCase cases[] = {
      {EngineState::Idle, 1, 1, 1000, false, false, false},
      {EngineState::Thinking, 1, 1, 1000, false, false, false},
      {EngineState::Pondering, 1, 1, 1000, true, true, true},
      {EngineState::Pondering, 1, 0, 1000, true, false, true},
      {EngineState::Pondering, 0, 1, 1000, true, false, true},
      {EngineState::Pondering, 0, 0, 0, true, false, false},
      {EngineState::Pondering, 0, 0, -50, true, false, false},
  };
  for (const PonderhitCase& c : cases) {
    set_engine_state(c.state);
    flags.stop.store(0);
    disarm_deadlines();
    search_clock.score_stable.store(c.score_stable);
    search_clock.time_up.store(c.time_up);
    search_clock.soft_time = c.soft;
    search_clock.hard_time = 3 * c.soft;
    int32_t before = platform::now_ms();
    EXPECT_EQ(stop_pondering(), c.returns);
    EXPECT_EQ(stop_requested(), c.stops);
    EXPECT_EQ(engine_state(), c.returns ? EngineState::Thinking : c.state);
    int32_t soft = search_clock.soft_deadline.load();
    EXPECT_EQ(soft != -1, c.deadline);
    if (c.deadline) {
      // Measured from the ponderhit with the budgets computed at the go.
      int32_t from_now = platform::ms_between(before, soft);
      EXPECT_GE(from_now, c.soft);
      EXPECT_LE(from_now, c.soft + 100);
      EXPECT_EQ(platform::ms_between(soft, search_clock.hard_deadline.load()), 2 * c.soft);
    }
  }
  disarm_deadlines();
  search_clock.score_stable.store(0);
  search_clock.time_up.store(0);
  set_engine_state(EngineState::Idle);
  flags.stop.store(0);
}

TEST(StopPondering, ArmsTheClockGuardOfThePonderSearch) {
  set_engine_state(EngineState::Pondering);
  flags.stop.store(0);
  search_clock.soft_time = 0;
  prepare_guard(0);
  EXPECT_TRUE(stop_pondering());
  check_guard_deadline();
  EXPECT_TRUE(stop_requested());
  disarm_guard();
  prepare_guard(kNoGuard);
  set_engine_state(EngineState::Idle);
  flags.stop.store(0);
}

}  // namespace
}  // namespace ostrim
