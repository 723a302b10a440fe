// Thinking through the protocol: fixed time, fixed depth, bare go,
// pondering, infinite analysis and clocks too short for the budgets.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace ostrim::test {
namespace {

using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

#ifdef OSTRIM_SANITIZE
constexpr int kLoadTolerance = 600;  // instrumented code unwinds slowly
#else
constexpr int kLoadTolerance = 200;  // other builds and tests share the cores
#endif

constexpr const char* kMiddlegame =
    "position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N2N2/PP2BPPP/R2QKB1R w KQ - 0 8";

int ms_since(Clock::time_point start) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool starts_with(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

struct Answer {
  Lines lines;          // before the bestmove line
  std::string bestmove;  // empty when none came
  int ms = 0;           // from the start given to its arrival
};

Answer await_bestmove(EngineProcess& engine, Clock::time_point start, int timeout_ms) {
  Answer a;
  std::string line;
  while (read_line(engine, line, timeout_ms - ms_since(start) > 0 ? timeout_ms - ms_since(start) : 0)) {
    if (starts_with(line, "bestmove")) {
      a.bestmove = line;
      a.ms = ms_since(start);
      break;
    }
    a.lines.push_back(line);
  }
  return a;
}

// Nothing but info lines for that long (kept in `seen`): no bestmove yet.
bool silent_but_info(EngineProcess& engine, int ms, Lines* seen = nullptr) {
  Clock::time_point start = Clock::now();
  std::string line;
  while (ms_since(start) < ms) {
    if (!read_line(engine, line, ms - ms_since(start))) return true;
    if (seen != nullptr) seen->push_back(line);
    if (!starts_with(line, "info ")) {
      ADD_FAILURE() << "unexpected: " << line;
      return false;
    }
  }
  return true;
}

void start_ready(EngineProcess& engine) {
  ASSERT_TRUE(start_quiet_engine(engine));
  bool ready = false;
  lines_before_ready(engine, ready);
  ASSERT_TRUE(ready);
}

Answer go(EngineProcess& engine, const std::string& position, const std::string& go_line, int timeout_ms) {
  EXPECT_TRUE(send_line(engine, position));
  Clock::time_point start = Clock::now();
  EXPECT_TRUE(send_line(engine, go_line));
  return await_bestmove(engine, start, timeout_ms);
}

TEST(ThinkProtocol, MovetimeEndsJustAfterItsTime) {
  EngineProcess engine;
  start_ready(engine);
  for (int movetime : {2500, 600, 100}) {
    Answer a = go(engine, kMiddlegame, "go movetime " + std::to_string(movetime), movetime + 5000);
    ASSERT_FALSE(a.bestmove.empty()) << movetime;
    EXPECT_GE(a.ms, movetime) << "iterations go on until the time is up";
    EXPECT_LE(a.ms, movetime + 200 + kLoadTolerance);
  }
}

TEST(ThinkProtocol, FixedDepthIsOneIterationWithItsLastLineTwice) {
  EngineProcess engine;
  start_ready(engine);
  Answer a = go(engine, kMiddlegame, "go depth 6", 30000);
  ASSERT_FALSE(a.bestmove.empty());
  Lines pv;
  for (const std::string& l : a.lines) {
    if (!starts_with(l, "info depth")) continue;
    EXPECT_TRUE(starts_with(l, "info depth 6 ")) << l;
    if (l.find(" pv ") != std::string::npos) pv.push_back(l);
  }
  ASSERT_GE(pv.size(), 2u);
  // The same line twice; only the elapsed time may have moved on.
  auto without_time = [](std::string l) {
    std::size_t at = l.find(" time ");
    std::size_t end = l.find(' ', at + 6);
    return l.erase(at, end - at);
  };
  EXPECT_EQ(without_time(pv[pv.size() - 1]), without_time(pv[pv.size() - 2]));
  std::string best = pv.back().substr(pv.back().find(" pv  ") + 5, 4);
  EXPECT_TRUE(starts_with(a.bestmove, "bestmove " + best)) << a.bestmove;
}

TEST(ThinkProtocol, BareGoAnswersAfterTheFirstIterations) {
  EngineProcess engine;
  start_ready(engine);
  Answer a = go(engine, kMiddlegame, "go", 20000);
  ASSERT_FALSE(a.bestmove.empty());
  bool first_iteration = false;
  for (const std::string& l : a.lines) first_iteration |= starts_with(l, "info depth 3 score ");
  EXPECT_TRUE(first_iteration);
}

TEST(ThinkProtocol, NoLegalMoveAnswersTheNullMove) {
  EngineProcess engine;
  start_ready(engine);
  for (const char* position : {"position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1",
                               "position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"}) {
    Answer a = go(engine, position, "go wtime 10000 btime 10000", 10000);
    EXPECT_EQ(a.bestmove, "bestmove 0000") << position;
  }
}

TEST(ThinkProtocol, InfiniteAnalysisAnswersIsreadyDropsGoAndEndsOnStop) {
  EngineProcess engine;
  start_ready(engine);
  ASSERT_TRUE(send_line(engine, kMiddlegame));
  ASSERT_TRUE(send_line(engine, "go infinite"));
  EXPECT_TRUE(silent_but_info(engine, 700));
  // isready is answered at once during the search.
  Clock::time_point asked = Clock::now();
  ASSERT_TRUE(send_line(engine, "isready"));
  bool ready = false;
  for (const std::string& l : read_until(engine, "readyok", ready, 5000))
    EXPECT_TRUE(starts_with(l, "info ")) << l;
  ASSERT_TRUE(ready);
  EXPECT_LE(ms_since(asked), 100 + kLoadTolerance);
  // A go during the search is dropped.
  ASSERT_TRUE(send_line(engine, "go depth 3"));
  EXPECT_TRUE(silent_but_info(engine, 500));
  Clock::time_point stopped = Clock::now();
  ASSERT_TRUE(send_line(engine, "stop"));
  Answer a = await_bestmove(engine, stopped, 5000);
  ASSERT_FALSE(a.bestmove.empty());
  EXPECT_LE(a.ms, 100 + kLoadTolerance);
  // Exactly one bestmove.
  ready = false;
  for (const std::string& l : lines_before_ready(engine, ready)) EXPECT_FALSE(starts_with(l, "bestmove")) << l;
  EXPECT_TRUE(ready);
}

// The multipv number of a principal variation line, 0 for other lines.
int multipv_of(const std::string& l) {
  std::size_t at = l.find(" multipv ");
  return at == std::string::npos ? 0 : std::atoi(l.c_str() + at + 9);
}
int depth_of(const std::string& l) { return std::atoi(l.c_str() + 11); }

TEST(ThinkProtocol, MultiPvAnalysisPrintsEveryVariationOfEachIteration) {
  EngineProcess engine;
  start_ready(engine);
  ASSERT_TRUE(send_line(engine, "setoption name MultiPV value 3"));
  ASSERT_TRUE(send_line(engine, kMiddlegame));
  ASSERT_TRUE(send_line(engine, "go infinite"));
  Lines seen;
  EXPECT_TRUE(silent_but_info(engine, 1500, &seen));
  Clock::time_point stopped = Clock::now();
  ASSERT_TRUE(send_line(engine, "stop"));
  Answer a = await_bestmove(engine, stopped, 5000);
  ASSERT_FALSE(a.bestmove.empty());
  seen.insert(seen.end(), a.lines.begin(), a.lines.end());
  Lines pv;
  for (const std::string& l : seen)
    if (multipv_of(l) > 0) pv.push_back(l);
  int complete = 0;
  for (std::size_t i = 0; i < pv.size(); ++i) {
    if (multipv_of(pv[i]) != 3) continue;
    // Each third variation closes an iteration that printed the first two
    // of the same depth just before it.
    ASSERT_GE(i, 2u);
    EXPECT_EQ(multipv_of(pv[i - 1]), 2) << pv[i - 1];
    EXPECT_EQ(multipv_of(pv[i - 2]), 1) << pv[i - 2];
    EXPECT_EQ(depth_of(pv[i - 1]), depth_of(pv[i]));
    EXPECT_EQ(depth_of(pv[i - 2]), depth_of(pv[i]));
    ++complete;
  }
  EXPECT_GE(complete, 2) << "iterations with three variations";
}

TEST(ThinkProtocol, PonderhitArmsTheDeadlinesFromItsArrival) {
  EngineProcess engine;
  start_ready(engine);
  ASSERT_TRUE(send_line(engine, kMiddlegame));
  // 1500 ms a move: a target of 1125 ms, not reached when the ponderhit
  // comes; the deadline then counts from the ponderhit.
  ASSERT_TRUE(send_line(engine, "go ponder movetime 1500"));
  EXPECT_TRUE(silent_but_info(engine, 300)) << "no deadline while pondering";
  Clock::time_point hit = Clock::now();
  ASSERT_TRUE(send_line(engine, "ponderhit"));
  Answer a = await_bestmove(engine, hit, 10000);
  ASSERT_FALSE(a.bestmove.empty());
  EXPECT_GE(a.ms, 1500);
  EXPECT_LE(a.ms, 1500 + 200 + kLoadTolerance);
}

TEST(ThinkProtocol, PonderhitAfterTheTargetStopsAtOnce) {
  EngineProcess engine;
  start_ready(engine);
  ASSERT_TRUE(send_line(engine, kMiddlegame));
  // Ten seconds: a target of 156 ms, a hard time of 2 s.
  ASSERT_TRUE(send_line(engine, "go ponder wtime 10000 btime 10000"));
  EXPECT_TRUE(silent_but_info(engine, 1500));
  Clock::time_point hit = Clock::now();
  ASSERT_TRUE(send_line(engine, "ponderhit"));
  Answer a = await_bestmove(engine, hit, 10000);
  ASSERT_FALSE(a.bestmove.empty());
  // At once when the last iteration's score stood; at the end of the
  // iteration, within the hard time, when it had just fallen.
  EXPECT_LE(a.ms, 2000 + 200 + kLoadTolerance);
}

TEST(ThinkProtocol, AFinishedPonderSearchWaitsForPonderhitOrStop) {
  EngineProcess engine;
  start_ready(engine);
  for (const char* ending : {"ponderhit", "stop"}) {
    ASSERT_TRUE(send_line(engine, kMiddlegame));
    ASSERT_TRUE(send_line(engine, "go ponder depth 4"));
    EXPECT_TRUE(silent_but_info(engine, 500)) << ending;
    Clock::time_point sent = Clock::now();
    ASSERT_TRUE(send_line(engine, ending));
    Answer a = await_bestmove(engine, sent, 5000);
    ASSERT_FALSE(a.bestmove.empty()) << ending;
    EXPECT_LE(a.ms, 100 + kLoadTolerance) << ending;
    // A ponderhit lets the search print its final line again; a stop does not.
    std::size_t finals = 0;
    for (const std::string& l : a.lines) finals += multipv_of(l) > 0;
    EXPECT_EQ(finals, std::string(ending) == "ponderhit" ? 1u : 0u) << ending;
  }
}

TEST(ThinkProtocol, DepthsBelowOnePlySearchOnePly) {
  EngineProcess engine;
  start_ready(engine);
  for (const char* depth : {"0", "1"}) {
    Answer a = go(engine, kMiddlegame, std::string("go depth ") + depth, 10000);
    ASSERT_FALSE(a.bestmove.empty()) << depth;
    EXPECT_NE(a.bestmove, "bestmove 0000") << depth;
    int reported = 0;
    for (const std::string& l : a.lines) {
      if (!starts_with(l, "info depth")) continue;
      EXPECT_TRUE(starts_with(l, "info depth 2 ")) << "depth " << depth << ": " << l;
      ++reported;
    }
    EXPECT_GE(reported, 2) << depth;
  }
}

// White to move has exactly three legal moves: Ka2, Kb1 and Kb2.
constexpr const char* kThreeMoves = "position fen 7k/8/8/7p/7P/8/8/K7 w - - 0 1";

// The number of a current-move line, 0 for other lines.
int currmovenumber_of(const std::string& l) {
  std::size_t at = l.find(" currmovenumber ");
  return at == std::string::npos ? 0 : std::atoi(l.c_str() + at + 16);
}

// More variations asked for than there are legal moves: only legal moves are
// reported, and each pass numbers its moves from 1.
TEST(ThinkProtocol, RootMovesAreCountedWithinEachPass) {
  EngineProcess engine;
  start_ready(engine);
  struct Case {
    const char* multipv;
    int ms;
  };
  for (Case c : {Case{"4", 30}, Case{"4", 150}, Case{"4", 400}, Case{"4", 800}, Case{"1", 400}}) {
    ASSERT_TRUE(send_line(engine, std::string("setoption name MultiPV value ") + c.multipv));
    ASSERT_TRUE(send_line(engine, kThreeMoves));
    ASSERT_TRUE(send_line(engine, "go infinite"));
    Lines seen;
    EXPECT_TRUE(silent_but_info(engine, c.ms, &seen));
    Clock::time_point stopped = Clock::now();
    ASSERT_TRUE(send_line(engine, "stop"));
    Answer a = await_bestmove(engine, stopped, 5000);
    seen.insert(seen.end(), a.lines.begin(), a.lines.end());
    std::string best = a.bestmove.substr(0, 13);
    EXPECT_TRUE(best == "bestmove a1a2" || best == "bestmove a1b1" || best == "bestmove a1b2") << a.bestmove;
    int firsts = 0;
    for (const std::string& l : seen) {
      EXPECT_LE(multipv_of(l), 3) << l;
      EXPECT_FALSE(l.size() >= 3 && l.compare(l.size() - 3, 3, "pv ") == 0) << "an empty variation: " << l;
      EXPECT_LE(currmovenumber_of(l), 3) << l;
      firsts += currmovenumber_of(l) == 1;
    }
    if (c.ms >= 400) {
      EXPECT_GE(firsts, 2) << "MultiPV " << c.multipv << ": each pass starts at 1";
    }
  }
}

// The score text of a principal variation line ("cp 12", "mate 3").
std::string score_of(const std::string& l) {
  std::size_t at = l.find(" score ");
  std::size_t end = l.find(" nodes ");
  return at == std::string::npos || end == std::string::npos ? "" : l.substr(at + 7, end - at - 7);
}

TEST(ThinkProtocol, ADroppedGoLeavesTheRunningSearchItsSettings) {
  EngineProcess engine;
  start_ready(engine);
  ASSERT_TRUE(send_line(engine, "setoption name Contempt value 200"));
  ASSERT_TRUE(send_line(engine, kMiddlegame));
  ASSERT_TRUE(send_line(engine, "go ponder depth 4"));  // contempt 200; done, it waits for ponderhit
  Lines seen;
  EXPECT_TRUE(silent_but_info(engine, 500, &seen));
  ASSERT_TRUE(send_line(engine, "go infinite"));  // dropped: its contempt of 0 is not this search's
  EXPECT_TRUE(silent_but_info(engine, 200, &seen));
  ASSERT_TRUE(send_line(engine, "ponderhit"));
  Answer a = await_bestmove(engine, Clock::now(), 5000);
  ASSERT_FALSE(a.bestmove.empty());
  Lines pv;
  for (const std::string& l : seen)
    if (multipv_of(l) > 0) pv.push_back(l);
  ASSERT_FALSE(pv.empty());
  ASSERT_EQ(a.lines.size(), 1u) << "the final line, printed again";
  EXPECT_EQ(score_of(a.lines[0]), score_of(pv.back()));
  EXPECT_NE(score_of(pv.back()), "");
}

// Clocks too short for the budgets: the clock guard keeps the answer inside.
TEST(ThinkProtocol, ShortClocksAreNeverOverrun) {
  EngineProcess engine;
  start_ready(engine);
  for (int clock : {60, 150, 400, 999, 2500, 5900}) {
    std::string ms = std::to_string(clock);
    Answer a = go(engine, kMiddlegame, "go wtime " + ms + " btime " + ms + " winc 10 binc 10", clock + 5000);
    ASSERT_FALSE(a.bestmove.empty()) << clock;
    EXPECT_LT(a.ms, clock) << "clock " << clock;
  }
}

}  // namespace
}  // namespace ostrim::test
