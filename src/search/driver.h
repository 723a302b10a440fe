#pragma once
// The search driver: engine initialisation and one whole search.
#include <cstdint>

#include "board/board.h"

namespace ostrim {

// Draws the keys, allocates the transposition table (0 bytes: the default
// size), starts the timer and initialises the main board. Returns the table
// size in bytes, 0 when the table could not be allocated.
uint64_t engine_initialise(uint64_t table_bytes);

// Reallocates only the transposition table (0 bytes: the default size);
// false when it cannot be allocated, and the old table stays.
bool resize_table(uint64_t table_bytes);

// One search of the root for a think; the result is the reported variation.
void search_driver(Position& root, int multipv);

}  // namespace ostrim
