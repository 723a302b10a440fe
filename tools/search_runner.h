#pragma once
// Runs the engine's search on a position for the tools.
#include "board/board.h"

namespace ostrim::tools {

struct RunResult {
  Move best = kNullMove;
  uint64_t nodes = 0;
  int32_t milliseconds = 0;
};

// One-time engine set-up for a tool: keys, a table of `hash_mb`, the board.
void init_engine_for_tools(int hash_mb);

// Searches the position (already set up on the main board) to a depth, or
// for a time in milliseconds when movetime > 0.
RunResult run_search(int depth, int movetime);

}  // namespace ostrim::tools
