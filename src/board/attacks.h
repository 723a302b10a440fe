#pragma once
// Geometry by square difference, attack tests, threats and move validation.
#include <array>
#include <cstdint>

#include "board/board.h"

namespace ostrim {

namespace detail {

constexpr int sign(int x) { return (x > 0) - (x < 0); }
constexpr int abs_value(int x) { return x < 0 ? -x : x; }

// Both tables are indexed by (target - origin) + 119.
constexpr std::array<int8_t, 239> build_direction_table() {
  std::array<int8_t, 239> t{};
  for (int dr = -7; dr <= 7; ++dr) {
    for (int df = -7; df <= 7; ++df) {
      int d = 16 * dr + df;
      int step = 0;
      if ((dr == 0) != (df == 0) || (dr != 0 && abs_value(dr) == abs_value(df)))
        step = 16 * sign(dr) + sign(df);
      else if ((abs_value(dr) == 1 && abs_value(df) == 2) || (abs_value(dr) == 2 && abs_value(df) == 1))
        step = d;
      t[d + 119] = static_cast<int8_t>(step);
    }
  }
  return t;
}

constexpr std::array<int8_t, 239> build_attack_table() {
  std::array<int8_t, 239> t{};
  for (int dr = -7; dr <= 7; ++dr) {
    for (int df = -7; df <= 7; ++df) {
      int d = 16 * dr + df;
      int bits = 0;
      int distance = abs_value(dr) > abs_value(df) ? abs_value(dr) : abs_value(df);
      if ((dr == 0) != (df == 0)) {
        bits = distance == 1 ? kAttackKing | kAttackQueen | kAttackRook : kAttackQueen | kAttackRook;
      } else if (dr != 0 && abs_value(dr) == abs_value(df)) {
        if (distance > 1)
          bits = kAttackQueen | kAttackBishop;
        else
          bits = kAttackKing | kAttackQueen | kAttackBishop | (dr > 0 ? kAttackWhitePawn : kAttackBlackPawn);
      } else if ((abs_value(dr) == 1 && abs_value(df) == 2) || (abs_value(dr) == 2 && abs_value(df) == 1)) {
        bits = kAttackKnight;
      }
      t[d + 119] = static_cast<int8_t>(bits);
    }
  }
  return t;
}

}  // namespace detail

inline constexpr std::array<int8_t, 239> kDirectionTable = detail::build_direction_table();
inline constexpr std::array<int8_t, 239> kAttackTable = detail::build_attack_table();

inline int direction_between(Square from, Square to) { return kDirectionTable[to - from + 119]; }
inline int attack_bits_between(Square from, Square to) { return kAttackTable[to - from + 119]; }

// Whether every square strictly between the two (on one line) is empty.
inline bool line_clear(const Board& b, Square from, Square to) {
  int step = direction_between(from, to);
  for (Square s = from + step; s != to; s += step)
    if (!is_empty(b, s)) return false;
  return true;
}

// Whether a piece with this attack bit standing on `from` attacks s.
inline bool attacks_from(const Board& b, int attack_bit, Square from, Square s) {
  if ((attack_bits_between(from, s) & attack_bit) == 0) return false;
  return (attack_bit & kAttackSliders) == 0 || line_clear(b, from, s);
}

// Whether the piece attacks square s (sliders need the squares between empty).
inline bool attacks(const PieceRecord& piece, Square s) {
  return attacks_from(*piece.board, piece.type->attack_bit, piece.square, s);
}

// Whether a piece of the given colour attacks s.
bool attacked_by(Board& b, Colour attacker, Square s);
// Whether a piece of the opponent of the side to move attacks s.
inline bool square_attacked(const Position& p, Square s) {
  return attacked_by(*p.board, p.opponent, s);
}
// Whether the side to move's king is attacked.
inline bool in_check(const Position& p) {
  return square_attacked(p, king_of(*p.board, p.side)->square);
}

// Value class limits of the least-attacker test.
constexpr int kOwnClass = 6;      // targets of the attacker's own class or above
constexpr int kAnyButPawns = 7;   // every piece but pawns
constexpr int kKingOnly = 11;     // the king only

// The target a piece of this type and colour, standing (or placed) on s,
// attacks within the value class limit; the null square for none.
Square least_attacker(Board& b, Square s, const PieceType* type, Colour colour, int limit);
inline Square least_attacker(Board& b, Square s, const PieceRecord& x, int limit) {
  return least_attacker(b, s, x.type, x.colour, limit);
}

// Whether m could be played in p by a piece's ordinary move (never castling,
// en passant or an under-promotion).
bool is_pseudo_legal(const Position& p, Move m);
// Pushes m onto p's move stack when it is pseudo-legal.
void validate_and_push(Position& p, Move m);

}  // namespace ostrim
