#include "board/attacks.h"

#include "board/movegen.h"

namespace ostrim {

bool attacked_by(Board& b, Colour attacker, Square s) {
  SideList& list = side_list(b, attacker);
  for (PieceRecord* r = list.head.next; r != &b.header; r = r->next) {
    if (attacks(*r, s)) return true;
  }
  return false;
}

namespace {

// A pawn on s: the more valuable enemy piece it attacks, else its promotion
// square when free.
Square pawn_target(Board& b, Square s, Colour colour, int limit) {
  Square left = colour > 0 ? s + 15 : s - 15;
  Square right = colour > 0 ? s + 17 : s - 17;
  auto counts = [&](Square t) {
    const PieceRecord* r = piece_at(b, t);
    if (r->colour != -colour) return false;
    int kind = r->type->kind;
    return limit == kKingOnly ? kind == kKindKing : kind >= kKindKnight;
  };
  bool left_counts = counts(left);
  bool right_counts = counts(right);
  if (left_counts || right_counts) {
    if (!right_counts) return left;
    if (!left_counts) return right;
    int left_index = piece_at(b, left)->type->index;
    int right_index = piece_at(b, right)->type->index;
    // White's pieces are worth more at higher indices, Black's at lower.
    bool right_better = colour > 0 ? right_index < left_index : right_index > left_index;
    return right_better ? right : left;
  }
  bool seventh = colour > 0 ? s >= 96 : s < 32;
  Square front = s + 16 * colour;
  if (seventh && is_empty(b, front)) return front;
  return kNullSquare;
}

bool defended(Board& b, const PieceRecord& y) { return attacked_by(b, y.colour, y.square); }

}  // namespace

Square least_attacker(Board& b, Square s, const PieceType* type, Colour colour, int limit) {
  if (type->kind == kKindPawn) {
    bool last_rank = colour > 0 ? s >= 112 : s < 16;
    if (!last_rank) return pawn_target(b, s, colour, limit);
    type = &b.types[colour > 0 ? kWhiteQueenType : kBlackQueenType];  // promoting: a queen
  }
  if (limit == kOwnClass) limit = type->value_class;
  SideList& enemies = side_list(b, -colour);
  for (PieceRecord* y = king_of(b, -colour); y != &enemies.head; y = y->prev) {
    if (y->type->value_class <= limit) return kNullSquare;
    if (!attacks_from(b, type->attack_bit, s, y->square)) continue;
    if (y->type->value_class > type->value_class || !defended(b, *y)) return y->square;
  }
  return kNullSquare;
}

bool is_pseudo_legal(const Position& p, Move m) {
  const Board& b = *p.board;
  Square from = move_from(m);
  int to = move_to_code(m);
  if (to < 0 || !on_board(from) || !on_board(to)) return false;
  const PieceRecord* a = piece_at(b, from);
  const PieceRecord* t = piece_at(b, to);
  if (a->colour != p.side || t->colour == p.side) return false;
  int kind = a->type->kind;
  if (kind == kKindPawn) {
    Square forward = from + 16 * p.side;
    if (to == forward + 1 || to == forward - 1) return t != &b.header;
    if (t != &b.header) return false;
    if (to == forward) return true;
    return to == forward + 16 * p.side && is_empty(b, forward) && (from < 32 || from > 95);
  }
  return attacks_from(b, a->type->attack_bit, from, to);
}

void validate_and_push(Position& p, Move m) {
  if (is_pseudo_legal(p, m)) push_move(p, m);
}

}  // namespace ostrim
