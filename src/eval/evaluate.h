#pragma once
#include "board/board.h"

namespace ostrim {

// The static evaluation: writes the position's score (side to move's view)
// and rebuilds the board's evaluation state for the subtree below it.
void Evaluate(Position& p, bool root);

}  // namespace ostrim
