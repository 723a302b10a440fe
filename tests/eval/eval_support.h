#pragma once
// Position texts for the evaluation tests: the openings file, endgames
// derived from it, and colour-flipped copies.
#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"

namespace ostrim::testing {

// The first four fields of every line of a data file, with clocks "0 1".
inline std::vector<std::string> load_positions(const std::string& relative) {
  std::ifstream in(std::string(OSTRIM_DATA_DIR) + "/" + relative);
  std::vector<std::string> fens;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string placement, side, castling, ep;
    if (!(fields >> placement >> side >> castling >> ep)) continue;
    fens.push_back(placement + " " + side + " " + castling + " " + ep + " 0 1");
  }
  return fens;
}

// Placement as 64 characters, a8 first ('.' for empty), and back.
inline std::string expand(const std::string& placement) {
  std::string cells;
  for (char ch : placement) {
    if (ch == '/') continue;
    if (std::isdigit(static_cast<unsigned char>(ch))) cells.append(ch - '0', '.');
    else cells.push_back(ch);
  }
  return cells;
}
inline std::string compress(const std::string& cells) {
  std::string out;
  for (int row = 0; row < 8; ++row) {
    int empty = 0;
    for (int f = 0; f < 8; ++f) {
      char ch = cells[row * 8 + f];
      if (ch == '.') {
        ++empty;
        continue;
      }
      if (empty) out.push_back(static_cast<char>('0' + empty));
      empty = 0;
      out.push_back(ch);
    }
    if (empty) out.push_back(static_cast<char>('0' + empty));
    if (row < 7) out.push_back('/');
  }
  return out;
}

// Ranks mirrored, colours and side to move swapped, castling and en
// passant mirrored.
inline std::string flip_colours(const std::string& fen) {
  std::istringstream fields(fen);
  std::string placement, side, castling, ep, half, full;
  fields >> placement >> side >> castling >> ep >> half >> full;
  std::string cells = expand(placement), flipped(64, '.');
  for (int row = 0; row < 8; ++row) {
    for (int f = 0; f < 8; ++f) {
      char ch = cells[row * 8 + f];
      if (std::isupper(static_cast<unsigned char>(ch))) ch = static_cast<char>(std::tolower(ch));
      else if (std::islower(static_cast<unsigned char>(ch))) ch = static_cast<char>(std::toupper(ch));
      flipped[(7 - row) * 8 + f] = ch;
    }
  }
  std::string rights;
  if (castling != "-") {
    for (char want : std::string("KQkq")) {
      char source = std::isupper(static_cast<unsigned char>(want))
                        ? static_cast<char>(std::tolower(want))
                        : static_cast<char>(std::toupper(want));
      if (castling.find(source) != std::string::npos) rights.push_back(want);
    }
  }
  if (rights.empty()) rights = "-";
  std::string passant = ep;
  if (ep != "-") passant = std::string(1, ep[0]) + static_cast<char>('1' + '8' - ep[1]);
  return compress(flipped) + " " + (side == "w" ? "b" : "w") + " " + rights + " " + passant +
         " " + (half.empty() ? "0" : half) + " " + (full.empty() ? "1" : full);
}

// Endgames from an opening position: kings stay; each other man stays when
// a hash of its square and the seed says so. Castling and en passant go.
inline std::string thin_out(const std::string& fen, uint32_t seed, int keep_piece_pct,
                            int keep_pawn_pct) {
  std::istringstream fields(fen);
  std::string placement, side;
  fields >> placement >> side;
  std::string cells = expand(placement);
  for (int i = 0; i < 64; ++i) {
    char ch = cells[i];
    if (ch == '.' || ch == 'k' || ch == 'K') continue;
    uint32_t h = (seed * 2654435761u) ^ (static_cast<uint32_t>(i) * 40503u + 0x9E3779B9u);
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    int keep = (ch == 'p' || ch == 'P') ? keep_pawn_pct : keep_piece_pct;
    if (static_cast<int>(h % 100) >= keep) cells[i] = '.';
  }
  return compress(cells) + " " + side + " - - 0 1";
}

// Deterministic generator for move choices.
struct Lcg {
  uint32_t state;
  uint32_t next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

}  // namespace ostrim::testing
