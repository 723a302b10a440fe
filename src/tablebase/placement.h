#pragma once
// A position of a material class as two piece-square arrays (0..63 squares,
// the first side of the class name is White), and the tests the tables need
// of it: attacks, and whether it can occur in a game.
#include <cstdint>

#include "tablebase/index.h"

namespace ostrim::tablebase {

constexpr int kNoSquare = -1;

struct Placement {
  int first[kPieceSlots];
  int second[kPieceSlots];
  int side_to_move;  // 0 White (the first side), 1 Black
  int en_passant;    // 0..63 or kNoEnPassant
};

uint64_t occupied_squares(int row, const Placement& p);

// Whether the piece of the kind ('k', 'q', 'r', 'b', 'n', 'p') on `from`
// attacks `to` on a board with the `occupied` squares; `white` gives a
// pawn's direction.
bool piece_attacks(char kind, bool white, int from, int to, uint64_t occupied);

// Whether a piece of `by_side` (0 first, 1 second) attacks the square.
bool side_attacks(int row, const Placement& p, int by_side, int square, uint64_t occupied);

// Men on distinct squares, pawns on ranks 2..7, the kings apart, the side
// not to move out of check, and an en passant square that a pawn's double
// step can have left behind with a pawn of the side to move beside it.
bool legal_placement(int row, const Placement& p);

}  // namespace ostrim::tablebase
