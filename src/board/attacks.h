#pragma once
// Geometry by square difference, attack tests, threats and move validation.
#include <cstdint>

#include "board/board.h"

namespace ostrim {

// Indexed by (target - origin) + 119.
extern const int8_t kDirectionTable[239];
extern const int8_t kAttackTable[239];

inline int direction_between(Square from, Square to) { return kDirectionTable[to - from + 119]; }
inline int attack_bits_between(Square from, Square to) { return kAttackTable[to - from + 119]; }

// Whether the piece attacks square s (sliders need the squares between empty).
bool attacks(const PieceRecord& piece, Square s);

// Whether a piece of the opponent of the side to move attacks s.
bool square_attacked(const Position& p, Square s);
// Whether a piece of the given colour attacks s.
bool attacked_by(Board& b, Colour attacker, Square s);
// Whether the side to move's king is attacked.
inline bool in_check(Position& p) {
  return square_attacked(p, king_of(*p.board, p.side)->square);
}

// The target the piece x (standing, or placed, on s) attacks, within the
// value class limit: 6 = x's own class, 7 = every piece but pawns, 11 = the
// king only. The null square for none.
Square least_attacker(Board& b, Square s, const PieceRecord& x, int limit);
Square least_attacker(Board& b, Square s, PieceType* type, Colour colour, int limit);

// Whether m could be played in p by a piece's ordinary move (no castling,
// no en passant, no under-promotion).
bool is_pseudo_legal(const Position& p, Move m);
// Pushes m onto p's move stack when it is pseudo-legal.
void validate_and_push(Position& p, Move m);

}  // namespace ostrim
