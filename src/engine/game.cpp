#include "engine/game.h"

namespace ostrim {

// Not built yet.
bool apply_game_move(const char*) { return false; }
GameResult play_game_move(Move) { return GameResult::GoesOn; }
GameResult check_game_state(Position&) { return GameResult::GoesOn; }

}  // namespace ostrim
