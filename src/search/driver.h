#pragma once
// The search driver: engine initialisation and one whole search.
#include <cstdint>

#include "board/board.h"

namespace ostrim {

constexpr uint64_t kDefaultTableBytes = 20480000;

// Draws the keys, allocates the transposition table (0 bytes: the default
// size), initialises the main board and sets up the start position. Returns
// the table size in bytes, 0 when the table could not be allocated.
uint64_t engine_initialise(uint64_t table_bytes);

// Reallocates only the transposition table (0 bytes: the default size);
// false when it cannot be allocated, and the old table stays.
bool resize_table(uint64_t table_bytes);

// The kinds of limit of a think.
constexpr int kKindDepth = 0;
constexpr int kKindInfinite = 1;
constexpr int kKindMoveTime = 4;

struct SearchLimits {
  int kind = kKindDepth;
  int depth = 0;         // KIND 0: the depth asked for, in half plies
  int depth_limit = 60;  // `Depth_limit`
  int multipv = 1;
};

// One search of the root. The time budgets are in search_clock; the result
// is the reported principal variation.
void search_driver(Position& root, const SearchLimits& limits);

// The threat test of a root: what the opponent could win if we passed.
void root_threat_test(Position& root, int depth);

}  // namespace ostrim
