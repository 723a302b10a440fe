#pragma once
// The two term evaluators. Each rebuilds the board's evaluation state and
// returns the score from White's view; each may set or clear the
// adjustment-pending flag in `status`. `en_prise` is a piece the recapture
// test has taken out of the counts (or nullptr).
#include <cstdint>

#include "board/board.h"

namespace ostrim {

int evaluate_middlegame(Board& b, uint32_t& status, int halfmove,
                        const PieceRecord* en_prise = nullptr);
int evaluate_endgame(Board& b, uint32_t& status, int halfmove, Colour side_to_move,
                     const PieceRecord* en_prise = nullptr);

}  // namespace ostrim
