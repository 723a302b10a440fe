#pragma once
// A played game as PGN, each engine move with its score, depth and time.
#include <string>

#include "match/referee.h"

namespace ostrim::tools {

struct GameHeader {
  std::string event = "ostrim-tool match";
  std::string date;  // YYYY.MM.DD
  int round = 1;
  std::string white, black;
  std::string time_control;  // the PGN form: "10+0.1", "40/60+0", "1/0.5"
};

// The PGN text of the game, ending with an empty line.
std::string game_pgn(const GameHeader& header, const Opening& opening, const GameReport& report);

// The PGN TimeControl value of a control.
std::string pgn_time_control(const TimeControl& control);

// Today's date (UTC) as PGN writes it.
std::string pgn_date_today();

}  // namespace ostrim::tools
