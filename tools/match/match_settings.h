#pragma once
// The match command's settings, read from its command line.
#include <string>
#include <vector>

#include "match/referee.h"

namespace ostrim::tools {

extern const char* const kMatchUsage;

struct MatchSettings {
  EngineConfig engines[2];
  TimeControl control;
  Adjudication rules;
  std::string openings_path;
  int openings_start = 1;  // counted from 1
  int rounds = 1;          // each round plays one opening with both colours
  int concurrency = 1;
  std::string pgn_path;
  bool sprt = false;
  double elo0 = 0, elo1 = 5, alpha = 0.05, beta = 0.05;
  bool pentanomial = true;
};

// Reads the words after "match"; false, with why set, when they do not
// make a match.
bool parse_match_arguments(const std::vector<std::string>& words, MatchSettings& s, std::string& why);

}  // namespace ostrim::tools
