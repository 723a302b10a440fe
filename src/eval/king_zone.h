#pragma once
#include "board/types.h"

namespace ostrim {

// The evaluation's king zones: a king move between squares of different
// zones changes the king-safety picture.
int king_zone(Square s);

}  // namespace ostrim
