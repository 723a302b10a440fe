#pragma once
// Runs the search on a position and keeps what it reported.
#include <string>
#include <vector>

#include "board/game_record.h"
#include "board/board.h"

namespace ostrim::testing {

struct ReportedLine {
  int depth;
  int score;
  std::vector<Move> variation;
};

struct SearchOutcome {
  std::vector<ReportedLine> lines;
  Move best = kNullMove;
  uint64_t nodes = 0;
};

// Sets up the FEN and searches it to a depth (half plies) with a fresh table.
SearchOutcome search_position(const char* fen, int depth, int multipv = 1);

// The protocol text of a move in the root position.
std::string root_move_text(Move m);

}  // namespace ostrim::testing
