// Self-play through the protocol: two engine processes, a referee with
// GUI clocks, every move checked, games played to their end or a cap.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "match/openings.h"
#include "match/referee.h"

namespace ostrim::test {
namespace {

using tools::GameReport;
using tools::Player;
using tools::TimeControl;

#ifdef OSTRIM_SANITIZE
constexpr int kMovesCap = 40;  // instrumented engines are several times slower
#else
constexpr int kMovesCap = 100;
#endif

struct Series {
  int games = 0;
  int faults = 0;
  std::map<std::string, int> results;  // "1-0 checkmate" ...
  int least_clock_ms = 1 << 30;
  int largest_overrun_ms = -1 << 30;
  int longest_answer_ms = 0;
  int plies = 0;
};

// Plays the games in pairs of openings with colours exchanged; every fault
// fails the test with the position and commands that showed it.
Series play_series(const TimeControl& control, int games, int max_plies, int first_opening) {
  Series s;
  std::vector<tools::Opening> openings;
  std::string why;
  if (!tools::load_openings(std::string(OSTRIM_DATA_DIR) + "/openings/openings2000.epd", openings, why)) {
    ADD_FAILURE() << why;
    return s;
  }
  Player a, b;
  for (Player* p : {&a, &b}) {
    p->config.command = OSTRIM_ENGINE_PATH;
    p->config.options = {{"OwnBook", "false"}};
  }
  if (!tools::start_player(a, why) || !tools::start_player(b, why)) {
    ADD_FAILURE() << "the engines did not start: " << why;
    return s;
  }
  tools::Adjudication rules;
  rules.max_plies = max_plies;
  rules.strict = true;
  // A fixed time's overrun is printed for a look, not judged; clocks are.
  rules.time_margin_ms = control.movetime_ms > 0 ? 1000 : 0;
  for (int g = 0; g < games; ++g) {
    const tools::Opening& opening = openings[static_cast<std::size_t>(first_opening + g / 2 * 97) % openings.size()];
    const std::string& fen = opening.fen;
    bool swapped = g % 2 == 1;
    GameReport r = tools::play_game(swapped ? b : a, swapped ? a : b, opening, control, rules);
    ++s.games;
    s.plies += static_cast<int>(r.moves.size());
    if (!r.failure.empty()) {
      ++s.faults;
      ADD_FAILURE() << "game " << g << " from " << fen << ": " << r.failure;
    }
    ++s.results[r.result + " " + r.reason];
    if (r.least_clock_ms < s.least_clock_ms) s.least_clock_ms = r.least_clock_ms;
    if (r.largest_overrun_ms > s.largest_overrun_ms) s.largest_overrun_ms = r.largest_overrun_ms;
    if (r.longest_answer_ms > s.longest_answer_ms) s.longest_answer_ms = r.longest_answer_ms;
    if (!r.failure.empty() && (!platform::child_running(a.process) || !platform::child_running(b.process))) break;
  }
  return s;
}

void print(const char* name, const Series& s) {
  std::printf("%s: %d games, %d plies, %d faults; smallest clock left %d ms, largest movetime overrun %d ms, "
              "longest answer %d ms\n",
              name, s.games, s.plies, s.faults, s.least_clock_ms == 1 << 30 ? -1 : s.least_clock_ms,
              s.largest_overrun_ms == -1 << 30 ? 0 : s.largest_overrun_ms, s.longest_answer_ms);
  for (const auto& [result, count] : s.results) std::printf("  %3d x %s\n", count, result.c_str());
}

TEST(SelfPlay, FastGamesUnderEveryKindOfControl) {
  struct Case {
    const char* name;
    TimeControl control;
    int games;
  };
  const Case cases[] = {
      {"1 s + 10 ms", {1000, 10, 0, 0}, 2},
      {"2 s + 50 ms", {2000, 50, 0, 0}, 2},
      {"1 s per 10 moves", {1000, 0, 10, 0}, 1},
      {"40 ms a move", {0, 0, 0, 40}, 1},
  };
  int opening = 0;
  for (const Case& c : cases) {
    Series s = play_series(c.control, c.games, kMovesCap, opening);
    opening += 500;
    print(c.name, s);
    EXPECT_EQ(s.faults, 0) << c.name;
    if (c.control.movetime_ms == 0) {
      EXPECT_GE(s.least_clock_ms, 0) << c.name;
    }
  }
}

// Long series for a hand run:
//   ostrim_tests --gtest_also_run_disabled_tests --gtest_filter='*LongSeries*'
// with OSTRIM_GAMES, OSTRIM_BASE_MS, OSTRIM_INC_MS, OSTRIM_MOVES_PER_PERIOD,
// OSTRIM_MOVETIME_MS and OSTRIM_MAX_PLIES in the environment.
int from_environment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr ? std::atoi(text) : fallback;
}

TEST(SelfPlay, DISABLED_LongSeries) {
  TimeControl control{from_environment("OSTRIM_BASE_MS", 10000), from_environment("OSTRIM_INC_MS", 100),
                      from_environment("OSTRIM_MOVES_PER_PERIOD", 0), from_environment("OSTRIM_MOVETIME_MS", 0)};
  Series s = play_series(control, from_environment("OSTRIM_GAMES", 20), from_environment("OSTRIM_MAX_PLIES", 400),
                         from_environment("OSTRIM_FIRST_OPENING", 0));
  print("series", s);
  EXPECT_EQ(s.faults, 0);
}

}  // namespace
}  // namespace ostrim::test
