#pragma once
// The inverse of the index functions, for building and checking tables.
#include <cstdint>

#include "tablebase/placement.h"

namespace ostrim::tablebase {

// The men the entry `index` of the row's table (side to move 0 White, 1
// Black) stands for, with White as the first side. False when the digits
// name no placement; a placement is returned whether or not it is legal,
// and its men may share squares.
bool decode_index(int row, int side, uint64_t index, Placement& out);

}  // namespace ostrim::tablebase
