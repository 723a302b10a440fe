#pragma once
// The incremental pseudo-legal move generator: one piece's moves at a time.
#include "board/board.h"

namespace ostrim {

// The next move of the side to move, or the null move when there are no
// more (and for ever after). Moves pushed by the caller come out first.
Move next_move(Position& p);

inline void push_move(Position& p, Move m) { *p.stack_top++ = m; }

// A scratch copy of p whose generation starts again from the first piece,
// with no piece designated.
void copy_for_generation(Position& scratch, const Position& p);

// Makes the move on a scratch child and tests the mover's king: whether a
// generated move is legal.
bool leaves_king_safe(Position& p, Move m);

// Whether m is one of the moves the generator produces for p and is legal.
bool is_legal_move(const Position& p, Move m);

// Counts the legal moves of p.
int count_legal_moves(const Position& p);

}  // namespace ostrim
