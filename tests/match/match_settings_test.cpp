// The match command's settings and its running standing: what a command
// line asks for, and how games and pairs are counted for the first engine.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "match/match_settings.h"
#include "match/match_standing.h"
#include "match/words.h"

namespace ostrim::tools {
namespace {

const char* const kEngines = "--engine cmd=a name=A option.Hash=16 arg=-x --engine cmd=b option.OwnBook=false ";

TEST(MatchSettings, CommandLinesThatMakeAMatch) {
  struct Case {
    const char* rest;
    TimeControl control;
    int margin_ms;
  };
  const Case cases[] = {
      {"--tc 10+0.1", {10000, 100, 0, 0}, 0},
      {"tc=60", {60000, 0, 0, 0}, 0},
      {"--tc 40/60+0.5 --timemargin 30", {60000, 500, 40, 0}, 30},
      {"st=0.25", {10000, 100, 0, 250}, 1000},
      {"--st 2 --timemargin 0", {10000, 100, 0, 2000}, 0},
  };
  for (const Case& c : cases) {
    MatchSettings s;
    std::string why;
    ASSERT_TRUE(parse_match_arguments(words(std::string(kEngines) + c.rest), s, why)) << c.rest << ": " << why;
    EXPECT_EQ(s.control.base_ms, c.control.base_ms) << c.rest;
    EXPECT_EQ(s.control.increment_ms, c.control.increment_ms) << c.rest;
    EXPECT_EQ(s.control.moves_per_period, c.control.moves_per_period) << c.rest;
    EXPECT_EQ(s.control.movetime_ms, c.control.movetime_ms) << c.rest;
    EXPECT_EQ(s.rules.time_margin_ms, c.margin_ms) << c.rest;
  }

  MatchSettings s;
  std::string why;
  ASSERT_TRUE(parse_match_arguments(
      words(std::string(kEngines) +
            "--each option.Threads=1 --tc 5+0.05 --rounds 7 --concurrency 2 --sprt -1 4 0.05 0.1 "
            "--sprt-model trinomial --adjudicate-resign moves=4 score=900 --adjudicate-draw movenumber=34 "
            "moves=6 score=8 --maxplies 300"),
      s, why))
      << why;
  EXPECT_EQ(s.engines[0].command, "a");
  EXPECT_EQ(s.engines[0].name, "A");
  EXPECT_EQ(s.engines[0].arguments, std::vector<std::string>{"-x"});
  using Options = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(s.engines[0].options, (Options{{"Hash", "16"}, {"Threads", "1"}}));
  EXPECT_EQ(s.engines[1].options, (Options{{"OwnBook", "false"}, {"Threads", "1"}}));
  EXPECT_EQ(s.rounds, 7);
  EXPECT_EQ(s.concurrency, 2);
  EXPECT_TRUE(s.sprt);
  EXPECT_EQ(s.elo0, -1);
  EXPECT_EQ(s.elo1, 4);
  EXPECT_EQ(s.beta, 0.1);
  EXPECT_FALSE(s.pentanomial);
  EXPECT_EQ(s.rules.resign_moves, 4);
  EXPECT_EQ(s.rules.resign_score, 900);
  EXPECT_EQ(s.rules.draw_from_move, 34);
  EXPECT_EQ(s.rules.draw_moves, 6);
  EXPECT_EQ(s.rules.draw_score, 8);
  EXPECT_EQ(s.rules.max_plies, 300);
}

TEST(MatchSettings, CommandLinesThatDoNot) {
  const char* const cases[] = {
      "--engine cmd=a --tc 10+0.1",                 // one engine
      "--engine name=A --engine cmd=b --tc 1+0",    // no command
      "--engine cmd=a --engine cmd=b",              // no clock
      "--engine cmd=a --engine cmd=b --tc 0+1",     // no base time
      "--engine cmd=a --engine cmd=b --tc x",
      "--engine cmd=a --engine cmd=b --st 0",
      "--engine cmd=a --engine cmd=b --engine cmd=c --tc 1",
      "--engine cmd=a colour=white --engine cmd=b --tc 1",
      "--engine cmd=a --engine cmd=b --tc 1 --sprt 5 0 0.05 0.05",
      "--engine cmd=a --engine cmd=b --tc 1 --adjudicate-draw moves=x",
      "--engine cmd=a --engine cmd=b --tc 1 --adjudicate-resign plies=3",
      "--engine cmd=a --engine cmd=b --tc 1 --rounds 0",
      "--engine cmd=a --engine cmd=b --tc 1 --bogus",
  };
  for (const char* c : cases) {
    MatchSettings s;
    std::string why;
    EXPECT_FALSE(parse_match_arguments(words(c), s, why)) << c;
    EXPECT_FALSE(why.empty()) << c;
  }
}

TEST(MatchStanding, GamesAndPairsFromTheFirstEnginesView) {
  auto report = [](const char* result, Fault fault = Fault::None, bool by_white = false) {
    GameReport r;
    r.result = result;
    r.reason = fault == Fault::None ? "checkmate" : fault_text(fault);
    r.fault = fault;
    r.fault_by_white = by_white;
    return r;
  };
  Standing st;
  // Pair 0: the first engine wins with White (game 0) and draws with Black (game 1).
  // Pair 1 finishes out of order: a loss with Black on time, then a win with White.
  count_game(st, job_for(0, 10, 0), report("1-0"));
  count_game(st, job_for(3, 10, 0), report("1-0", Fault::TimeForfeit, false));
  EXPECT_EQ(pairs_of(st.pairs), 0);
  count_game(st, job_for(1, 10, 0), report("1/2-1/2"));
  count_game(st, job_for(2, 10, 0), report("1-0", Fault::IllegalMove, false));
  EXPECT_EQ(st.tally.wins, 2);
  EXPECT_EQ(st.tally.draws, 1);
  EXPECT_EQ(st.tally.losses, 1);
  const int expected_pairs[5] = {0, 0, 1, 1, 0};  // pair 1: 1 point; pair 0: 3/2
  for (int i = 0; i < 5; ++i) EXPECT_EQ(st.pairs.counts[i], expected_pairs[i]) << i;
  EXPECT_EQ(st.faults[0][static_cast<int>(Fault::TimeForfeit)], 1);  // game 3: the first engine had Black
  EXPECT_EQ(st.faults[1][static_cast<int>(Fault::IllegalMove)], 1);  // game 2: the second engine had Black
  EXPECT_EQ(st.endings["checkmate"], 2);

  GameJob j = job_for(5, 4, 3);  // the third opening from the fourth: wraps to the second
  EXPECT_EQ(j.opening, 1);
  EXPECT_FALSE(j.first_white);
}

}  // namespace
}  // namespace ostrim::tools
