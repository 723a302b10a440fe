#pragma once
// The running score of a match from the first engine's view: games, pairs
// of games that share an opening, endings and each engine's faults.
#include <map>
#include <string>

#include "match/match_stats.h"
#include "match/referee.h"

namespace ostrim::tools {

// Where a game stands in the match: games 2k and 2k + 1 play opening k
// (from the first opening) with colours swapped.
struct GameJob {
  int number = 0;  // from 0
  int opening = 0;
  bool first_white = true;  // the first engine has White
};

GameJob job_for(int number, int opening_count, int first_opening);

constexpr int kFaultKinds = 6;

struct Standing {
  Tally tally;
  PairTally pairs;
  std::map<int, int> half_points_of_pair;  // a pair with one game played: its half-points
  std::map<std::string, int> endings;      // "checkmate" ...
  int faults[2][kFaultKinds] = {};         // by engine and Fault
};

void count_game(Standing& st, const GameJob& job, const GameReport& report);

}  // namespace ostrim::tools
