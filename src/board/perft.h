#pragma once
// Perft: the number of legal move sequences of a given length.
#include <cstdint>

#include "board/board.h"

namespace ostrim {

// Every generated move goes through make, key update and castling update,
// and counts when the mover's king is not attacked afterwards.
uint64_t perft(Position& p, int depth);

}  // namespace ostrim
