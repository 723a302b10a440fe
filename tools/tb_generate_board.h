#pragma once
// The generator's board: at most six men on 0..63 squares, their legal
// moves, and the moves that could have led to a position.
#include <cstdint>

#include "tablebase/placement.h"

namespace ostrim::tools {

constexpr int kMaxMen = 6;

// Kinds as in the class names; White is colour 0.
enum ManKind : int8_t { kKing, kQueen, kRook, kBishop, kKnight, kPawn };

struct Man {
  int8_t square;
  int8_t kind;
  int8_t colour;
};

struct TbBoard {
  int men;
  Man man[kMaxMen];
  int side_to_move;  // 0 White, 1 Black
  int en_passant;    // the passed square, or -1
  uint64_t occupied;
};

struct TbMove {
  int8_t man;
  int8_t to;
  int8_t promotion;  // the new kind, or -1
  bool capture;      // a man leaves the board (en passant included)
};

constexpr int kMaxMoves = 128;

// The board of a placement of the row's class (the first side White).
TbBoard board_from_placement(int row, const tablebase::Placement& p);

// The placement of the board in the class whose first side is `first`'s
// colour, or false when a side has more men of a kind than it has slots.
bool placement_of(const TbBoard& b, int first, tablebase::Placement& p);

bool in_check(const TbBoard& b, int colour);

// The legal moves of the side to move.
int legal_moves(const TbBoard& b, TbMove* moves);

// The board after the move; en passant is kept only when a pawn of the new
// side to move stands beside the pawn that stepped two squares.
TbBoard make(const TbBoard& b, const TbMove& m);

constexpr int kMaxUnmoves = 256;

// Boards from which a move without capture or promotion by the side that
// just moved leads to `b`, each also with any en passant square the move
// before it may have left. The boards may be illegal; the caller checks.
int unmoves(const TbBoard& b, TbBoard* out);

}  // namespace ostrim::tools
