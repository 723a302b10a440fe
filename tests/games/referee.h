#pragma once
// A referee for engine games through the protocol, as a GUI plays them:
// it keeps the clocks, checks every answer with the project's own move
// generator and adjudicates the end of the game.
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace ostrim::test {

struct TimeControl {
  int base_ms = 10000;    // each side's clock at the start (and per period)
  int increment_ms = 100;
  int moves_per_period = 0;  // 0: the whole game; else base_ms more every so many moves
  int movetime_ms = 0;       // set: a fixed time per move instead of clocks
};

struct GameReport {
  std::string result = "*";  // "1-0", "0-1", "1/2-1/2", or "*" at the move cap
  std::string reason;
  std::string failure;       // empty when the game was played without a fault
  std::vector<std::string> moves;
  int least_clock_ms = 1 << 30;    // the smallest clock left after a move (clocks)
  int largest_overrun_ms = -1 << 30;  // answer time minus the fixed time (movetime)
  int longest_answer_ms = 0;
};

// Starts an engine as a GUI does: uci, no book, isready. False on failure.
bool start_player(EngineProcess& engine);

// Plays one game from the set-up text (empty: the start position) between
// two started engines, up to max_plies half moves.
GameReport play_game(EngineProcess& white, EngineProcess& black, const std::string& fen,
                     const TimeControl& control, int max_plies);

// The set-up texts of the openings file, in file order.
std::vector<std::string> load_openings();

}  // namespace ostrim::test
