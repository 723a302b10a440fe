#pragma once
// Moves written in games (SAN or coordinates) matched on the main board,
// shared by the book builder and the match runner's openings.
#include <string>

#include "board/board.h"

namespace ostrim::tools {

// Set-up accepts more than a game may start from: both kings must stand,
// the side that just moved must not be in check, no pawn on a back rank.
bool sound_start(Position& root);

// The legal move of p the text denotes, or the null move.
Move match_game_move(const Position& p, const std::string& text);

}  // namespace ostrim::tools
