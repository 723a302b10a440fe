#pragma once
// Move texts: matching the forms people write, and the engine's own form.
#include "board/board.h"

namespace ostrim {

constexpr int kMoveTextSize = 6;

// Coordinates and a promotion letter (R, B, N, or Q for a plain promotion
// by a pawn with that letter); piece_letter is the moving piece's letter.
void move_to_text(char out[kMoveTextSize], Move m, int piece_letter);
// The same with the promotion letter in lower case, as the protocol writes it.
void move_to_uci(char out[kMoveTextSize], Move m, int piece_letter);
// The protocol text of a move of p (its piece letter read from p's board);
// "0000" for the null move.
void move_text_in(char out[kMoveTextSize], const Position& p, Move m);

// Whether the text denotes m on the board (e2e4, e4, Nf3, Ngf3, N1f3, Nxf3,
// e7e8N, e8q, O-O, 0-0-0 ...).
bool match_move(const Board& b, Move m, const char* text);
// The first root move that matches the text, or the null move.
Move find_move(const Position& root, const char* text);

}  // namespace ostrim
