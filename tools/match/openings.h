#pragma once
// The openings of a match: set-up texts from an EPD file, or the moves of
// the games of a PGN file.
#include <string>
#include <vector>

#include "match/referee.h"

namespace ostrim::tools {

// Reads the file (PGN when its name ends in .pgn, else one set-up text a
// line, EPD operations after the fourth field ignored). False, with why
// set, when it cannot be read or holds an opening that is not legal.
bool load_openings(const std::string& path, std::vector<Opening>& openings, std::string& why);

// The set-up text of an EPD or FEN line: its first four fields, with the
// half-move clock and move number when the line has them; "" when the
// line has fewer than four fields.
std::string fen_of_epd_line(const std::string& line);

}  // namespace ostrim::tools
