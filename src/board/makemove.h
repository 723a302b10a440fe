#pragma once
// Making and unmaking moves with all incremental bookkeeping.
#include "board/board.h"

namespace ostrim {

// Makes m (a move the generator produces for p) into the child c, which was
// constructed for the same board. The board changes in place; p is not written.
void make_move(Position& p, Move m, Position& c);
// The child's key from its parent's and the move; after make_move.
void update_key(Position& c);
// Clears castling rights whose rook has left its corner; after update_key.
void update_castling(Position& c);
// The three steps of a full move.
inline void make_full_move(Position& p, Move m, Position& c) {
  make_move(p, m, c);
  update_key(c);
  update_castling(c);
}
// Restores the board to its state before the make that produced c.
void unmake_move(Position& c);

// Per-file pawn counts with their pawn-structure and open-file terms; each
// returns the change of that colour's terms from its own view.
int pawn_added_to_file(Board& b, Colour c, int file);
int pawn_removed_from_file(Board& b, Colour c, int file);
// White's rook score changes on the file minus Black's (initial-set rooks only).
int rescore_rooks_on_file(Board& b, int file);
// New score minus old score of a rook, with the open-file bonus.
int rescore_rook(PieceRecord& rook);

}  // namespace ostrim
