#pragma once
// Set-up text into the game record, the main board and the root position.

namespace ostrim {

// Parses the six fields of a position description (or the standard start
// position for none) and builds the main board and the root. Returns 0 on
// success, non-zero when the text is refused.
int setup_position(const char* text);

}  // namespace ostrim
