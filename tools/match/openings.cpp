#include "match/openings.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "book_build_pgn.h"
#include "match/game_rules.h"

namespace ostrim::tools {
namespace {

bool is_number(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool ends_with(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool load_pgn(std::istream& in, std::vector<Opening>& openings, std::string& why) {
  PgnReader reader;
  reader.in = &in;
  PgnGame game;
  while (read_pgn_game(reader, game)) {
    Opening o;
    o.fen = tag_value(game, "FEN");
    if (!game.error.empty() || !moves_in_protocol_text(o.fen, game.moves, o.moves, why)) {
      why = "game " + std::to_string(game.number) + ": " + (game.error.empty() ? why : game.error);
      return false;
    }
    openings.push_back(o);
  }
  return true;
}

}  // namespace

std::string fen_of_epd_line(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> fields;
  for (std::string f; fields.size() < 6 && in >> f;) fields.push_back(f);
  if (fields.size() < 4) return "";
  std::string fen = fields[0] + " " + fields[1] + " " + fields[2] + " " + fields[3];
  if (fields.size() == 6 && is_number(fields[4]) && is_number(fields[5])) fen += " " + fields[4] + " " + fields[5];
  return fen;
}

bool load_openings(const std::string& path, std::vector<Opening>& openings, std::string& why) {
  openings.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot read " + path;
    return false;
  }
  if (ends_with(path, ".pgn") || ends_with(path, ".PGN")) {
    if (!load_pgn(in, openings, why)) {
      why = path + ": " + why;
      return false;
    }
  } else {
    int number = 0;
    for (std::string line; std::getline(in, line);) {
      ++number;
      if (line.find_first_not_of(" \t\r") == std::string::npos || line[0] == '#') continue;
      Opening o;
      o.fen = fen_of_epd_line(line);
      if (o.fen.empty() || !judge_game(o.fen, {}, "", "").set_up) {
        why = path + ": line " + std::to_string(number) + " is not a legal position";
        return false;
      }
      openings.push_back(o);
    }
  }
  if (openings.empty()) {
    why = path + " holds no opening";
    return false;
  }
  return true;
}

}  // namespace ostrim::tools
