#pragma once
// The tables every index function shares: the symmetry masks, the two
// king-pair numberings, and for each kind of piece of the side to move the
// squares it may take next to the king of the side not to move.
#include <array>
#include <cstdint>

namespace ostrim::tablebase {

constexpr int rank64(int square) { return square >> 3; }
constexpr int file64(int square) { return square & 7; }
constexpr int king_distance(int a, int b) {
  int dr = rank64(a) - rank64(b), df = file64(a) - file64(b);
  dr = dr < 0 ? -dr : dr;
  df = df < 0 ? -df : df;
  return dr > df ? dr : df;
}

// Piece kinds in the order of the class names.
enum PieceKind : int { kQueenKind, kRookKind, kBishopKind, kKnightKind, kPawnKind, kKindCount };
// The square rules: one per kind for the pieces of the side to move, and
// two without exclusions for the pieces of the side not to move when they
// take the offset groups (the side to move has only its king).
enum SquareRule : int { kFreePieceRule = kKindCount, kFreePawnRule, kRuleCount };
// First slot of each kind in a piece-square array.
constexpr int kKindSlot[kKindCount] = {12, 9, 6, 3, 0};
constexpr char kKindLetter[kKindCount] = {'q', 'r', 'b', 'n', 'p'};

constexpr uint16_t kNoKingPair = 4000;
constexpr int kPawnlessKingPairs = 462;
constexpr int kPawnKingPairs = 1806;
constexpr uint8_t kNotAllowed = 255;

constexpr std::array<uint8_t, 64> kPawnFileMirror = [] {
  std::array<uint8_t, 64> t{};
  for (int s = 0; s < 64; ++s) t[s] = file64(s) >= 4 ? 7 : 0;
  return t;
}();

constexpr uint8_t kColourExchange[2] = {0, 56};

constexpr std::array<uint8_t, 64> kPawnlessSymmetry = [] {
  std::array<uint8_t, 64> t{};
  for (int s = 0; s < 64; ++s) t[s] = (file64(s) >= 4 ? 7 : 0) ^ (rank64(s) >= 4 ? 56 : 0);
  return t;
}();

constexpr std::array<uint8_t, 64> kDiagonalReflection = [] {
  std::array<uint8_t, 64> t{};
  for (int s = 0; s < 64; ++s) t[s] = static_cast<uint8_t>(8 * file64(s) + rank64(s));
  return t;
}();

constexpr bool in_triangle(int s) {
  int r = rank64(s), f = file64(s);
  return f < 4 && r <= f;
}
constexpr bool off_diagonal(int s) { return rank64(s) != file64(s); }
constexpr bool on_or_below_diagonal(int s) { return file64(s) >= rank64(s); }

constexpr std::array<uint16_t, 64 * 64> kPawnlessKingPair = [] {
  std::array<uint16_t, 64 * 64> t{};
  uint16_t next = 0;
  for (int k1 = 0; k1 < 64; ++k1)
    for (int k2 = 0; k2 < 64; ++k2) {
      bool valid = in_triangle(k1) && king_distance(k1, k2) >= 2 &&
                   (off_diagonal(k1) || on_or_below_diagonal(k2));
      t[k1 * 64 + k2] = valid ? next++ : kNoKingPair;
    }
  return t;
}();

constexpr std::array<uint16_t, 64 * 64> kPawnKingPair = [] {
  std::array<uint16_t, 64 * 64> t{};
  uint16_t next = 0;
  for (int k1 = 0; k1 < 64; ++k1)
    for (int k2 = 0; k2 < 64; ++k2)
      t[k1 * 64 + k2] = file64(k1) < 4 && king_distance(k1, k2) >= 2 ? next++ : kNoKingPair;
  return t;
}();

// Which squares a piece may take while the king of the side not to move
// stands on `king`: never the king's own square, and for a piece of the
// side to move never a square from which it would give a check no man
// could block. A check along a line from further away may be blocked, so
// those squares stay; the positions they produce are illegal entries of the
// table. Pawns take ranks 2..7; those of the side to move move up.
constexpr bool may_take(int rule, int king, int s) {
  if (s == king) return false;
  int dr = rank64(king) - rank64(s), df = file64(king) - file64(s);
  int adr = dr < 0 ? -dr : dr, adf = df < 0 ? -df : df;
  switch (rule) {
    case kFreePieceRule: return true;
    case kFreePawnRule: return rank64(s) >= 1 && rank64(s) <= 6;
    case kQueenKind: return adr > 1 || adf > 1;
    case kRookKind: return adr + adf != 1;
    case kBishopKind: return !(adr == 1 && adf == 1);
    case kKnightKind: return !(adr * adf == 2);
    default: return rank64(s) >= 1 && rank64(s) <= 6 && !(dr == 1 && adf == 1);
  }
}

// rank[rule][king * 64 + square]: the square's rank among the squares the
// piece may take, kNotAllowed for the others; count[rule][king]: how many.
struct SquareRanks {
  uint8_t rank[kRuleCount][64 * 64];
  uint8_t count[kRuleCount][64];
};

constexpr SquareRanks kSquareRanks = [] {
  SquareRanks t{};
  for (int rule = 0; rule < kRuleCount; ++rule)
    for (int king = 0; king < 64; ++king) {
      uint8_t n = 0;
      for (int s = 0; s < 64; ++s) t.rank[rule][king * 64 + s] = may_take(rule, king, s) ? n++ : kNotAllowed;
      t.count[rule][king] = n;
    }
  return t;
}();

// Binomial coefficients C(n, k) for the numbering of like pieces.
constexpr std::array<std::array<uint32_t, 5>, 65> kBinomial = [] {
  std::array<std::array<uint32_t, 5>, 65> t{};
  for (int n = 0; n <= 64; ++n) {
    t[n][0] = 1;
    for (int k = 1; k <= 4; ++k) t[n][k] = n == 0 ? 0 : t[n - 1][k - 1] + t[n - 1][k];
  }
  return t;
}();

}  // namespace ostrim::tablebase
