#pragma once
// A PGN reader for the book builder: one game at a time, main line only.
#include <istream>
#include <string>
#include <utility>
#include <vector>

namespace ostrim::tools {

struct PgnGame {
  int number = 0;  // counted from 1 in the file
  std::vector<std::pair<std::string, std::string>> tags;
  // Main-line moves as written, with check marks, annotation glyphs and the
  // '=' of promotions removed.
  std::vector<std::string> moves;
  std::string result;  // the result token that ended the moves, if any
  std::string error;   // why the text is not a well-formed game; empty if it is
};

struct PgnReader {
  std::istream* in = nullptr;
  int games_read = 0;
  bool at_line_start = true;
  int line = 1;
};

// Reads the next game; false when the input has no further game.
bool read_pgn_game(PgnReader& reader, PgnGame& game);

// The value of a tag, or "" when the game has none.
const std::string& tag_value(const PgnGame& game, const std::string& name);

// 'S' for a move text in SAN or coordinates, 'N' for a move number (12. or
// 12...), 'R' for a result, 'A' for an annotation to ignore (!, ?!, ...).
// With 'S', move receives the cleaned text; a move glued to its number
// ("12.e4") is returned as 'S' too.
char classify_token(const std::string& token, std::string& move);

}  // namespace ostrim::tools
