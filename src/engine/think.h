#pragma once
// The think executor: a book move or a search, then "bestmove".
#include <cstdint>

#include "board/board.h"

namespace ostrim {

// Runs on the engine thread with the engine idle. mode: 0 normal, 1 ponder,
// 2 infinite analysis. time: the side to move's time value, moves_to_go,
// increment: the side to move's increment, extra: the eighth think token.
void run_think(int mode, int kind, int time, int moves_to_go, int increment, int extra);

// A think that has no position to search: says why and answers the null
// move (an infinite or pondering think once it is stopped), so that the
// interface is never left waiting.
void answer_without_search(int mode, const char* why);

// The `stoppondering` transition: a pondering search becomes a timed one.
// Returns whether the engine was pondering.
bool stop_pondering();

// The option values a think reads. The option table belongs to the front
// end, which installs its readers at engine start; without them a think
// uses the defaults (no book, one variation, depth limit 60).
struct OptionReader {
  int32_t (*integer)(const char* name) = nullptr;  // the value as a decimal integer
  bool (*flag)(const char* name) = nullptr;        // whether the value is "true"
};
extern OptionReader option_reader;

// Where a think asks for a book move (the opening book's lookup; tests put
// a book of their own here).
using BookLookup = Move (*)(const Position& root, int threshold);
extern BookLookup book_lookup;

}  // namespace ostrim
