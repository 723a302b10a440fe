#pragma once
#include "board/board.h"

namespace ostrim {

// Sets the cannot-win bit of a side with a single pawn in a known drawn
// king-and-pawn pattern.
void recognise_single_pawn_draw(Position& p);

}  // namespace ostrim
