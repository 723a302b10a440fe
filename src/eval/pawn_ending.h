#pragma once
// Known draws with a single pawn.
#include "board/board.h"

namespace ostrim {

// For each side with exactly one pawn against a bare king (its only other
// piece, if any, a bishop that does not cover a rook pawn's promotion
// square), sets that side's cannot-win bit in the child's status when the
// kings stand in a known drawing pattern and the defending king is not
// attacked.
void recognise_single_pawn_draw(Position& child);

}  // namespace ostrim
