#pragma once
// The think executor: a book move or a search, then "bestmove".

namespace ostrim {

// Runs on the engine thread with the engine idle. mode: 0 normal, 1 ponder,
// 2 infinite analysis. time: the side to move's time value, moves_to_go,
// increment: the side to move's increment, extra: the eighth think token.
void run_think(int mode, int kind, int time, int moves_to_go, int increment, int extra);

// The `stoppondering` transition: a pondering search becomes a timed one.
// Returns whether the engine was pondering.
bool stop_pondering();

}  // namespace ostrim
