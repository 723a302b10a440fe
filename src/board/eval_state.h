#pragma once
// The evaluation state of a board: everything the evaluation rebuilds and
// make/unmake reads, kept together so that a snapshot is one copy.
#include <cstdint>

namespace ostrim {

constexpr int kTableBlocks = 6;  // king, queen, rook, bishop, knight, pawn

struct EvalState {
  // Piece-square tables: White's entry for square s at [s], Black's at [s + 8].
  int16_t tables[kTableBlocks][128];
  // Per colour (colour_index): pawn-square table A at [s], table B at [s + 8].
  int16_t pawn_square[2][128];
  // Per colour: square marks; bit 8 marks a pawn square the half-ply heuristic likes.
  uint8_t square_marks[2][128];
  // Per colour and file: isolated-pawn term (one pawn) and isolated-file term (two or more).
  int16_t isolated_pawn[2][8];
  int16_t isolated_file[2][8];
  int32_t open_file_bonus;
  int32_t irreversible_adjustment;  // the no-progress penalty
  int32_t complexity;
  int32_t drawish;                  // 0, 1 or 2
  int32_t term_total;               // the terms outside the piece scores, White's view
};

}  // namespace ostrim
