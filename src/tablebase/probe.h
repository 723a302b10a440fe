#pragma once
// The probe: the exact value of a position with at most four pieces besides
// the kings, as the tablebase of its material stores it.
#include "board/board.h"

namespace ostrim::tablebase {

// 1 with *value set when the position's table holds a value, else 0. The
// value is the distance to mate in moves from the side to move's view:
// d > 0 wins, d < 0 is mated, 0 is a draw (a position that is mate already
// has no value here: the search finds it). The en passant square (0x88)
// is passed only when a pawn of the side to move can take en passant,
// else 0. Every value found counts one tablebase hit. The caller holds the
// search lock.
int probe_tablebase(Board& b, int side_to_move, int ep_square, int* value);

// The en passant square of the position when a pawn of its side to move
// can take there (what the probe wants), else 0.
int probe_en_passant(const Position& p);

// A stored signed byte as a 16-bit entry word.
int32_t byte_to_word(int32_t stored);

// The distance an entry word stands for; kNoValue for none.
int32_t word_to_distance(int32_t word);

}  // namespace ostrim::tablebase
