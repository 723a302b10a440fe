// Square control: what each side gains by controlling each square
// (mobility, pressure on pawns, attack on the enemy king's zone), turned
// into the knight, bishop, rook and queen tables.
#include "board/attacks.h"
#include "common/settings.h"
#include "eval/term_context.h"
#include "eval/weights.h"

namespace ostrim {
namespace {

constexpr int kOrthogonal[4] = {1, -1, 16, -16};
constexpr int kDiagonal[4] = {17, -17, 15, -15};
constexpr int kKnightJumps[8] = {18, -18, 14, -14, 33, -33, 31, -31};
constexpr int kDampNumerator = 54;

// The king's own square, and the squares beside a king tucked into a corner.
bool king_shelter_square(Colour c, Square king, Square s) {
  if (s == king) return true;
  int kf = file_of(king), kr = own_rank(c, king), f = file_of(s), r = own_rank(c, s);
  if (kr != 0 || r != 0) return false;
  if (kf == 6) return f == 5 || f == 6;
  if (kf == 1) return f >= 1 && f <= 3;
  return false;
}

// The first own piece attacking s in list order is a lesser piece.
bool defended_by_lesser_piece(Board& b, Colour c, Square s) {
  SideList& list = side_list(b, c);
  for (PieceRecord* r = list.head.next; r != &b.header; r = r->next) {
    if (!attacks(*r, s)) continue;
    return r->type->kind != kKindQueen && r->type->kind != kKindKing;
  }
  return false;
}

bool enemy_close_ahead(Board& b, Colour c, Square s) {
  Square ahead = s + forward(c);
  for (int df = -2; df <= 2; ++df) {
    Square a = ahead + df;
    if (on_board(a) && file_of(a) == file_of(s) + df && piece_at(b, a)->colour == -c) return true;
  }
  Square two = s + 2 * forward(c);
  return on_board(two) && piece_at(b, two)->colour == -c;
}

// Shield: an own piece other than the king on the square in front.
bool shielded(Board& b, Colour c, Square s) {
  Square ahead = s + forward(c);
  if (!on_board(ahead)) return false;
  const PieceRecord* r = piece_at(b, ahead);
  return r->colour == c && r->type->kind != kKindKing;
}

// The zone of c's king raises the opponent's values there.
void king_zone(TermContext& t, Colour c) {
  Board& b = *t.board;
  const int k = pct(settings.king_safety_pct);
  Square king = t.king_square[ci(c)];
  int* enemy_a = t.control_a[ci(-c)];
  int* enemy_b = t.control_b[ci(-c)];
  for (int dr = -2; dr <= 2; ++dr) {
    for (int df = -2; df <= 2; ++df) {
      Square s = king + 16 * dr + df;
      if (!on_board(s) || file_of(s) != file_of(king) + df) continue;
      int distance = king_distance(s, king);
      if (distance == 2 && !is_piece_of(piece_at(b, s), kKindPawn, c)) continue;
      int x, y;
      Square above = s + forward(c);
      if (king_shelter_square(c, king, s)) {
        x = 38, y = 16;
      } else if (defended_by_lesser_piece(b, c, s) ||
                 (own_rank(c, s) == 0 && is_piece_of(piece_at(b, above), kKindPawn, c))) {
        x = 4, y = 7;
      } else {
        x = 15, y = 24;
      }
      if (enemy_close_ahead(b, c, s)) x += 8;
      if (shielded(b, c, s)) x = scale64(x, 51);
      if (!t.heavy) {
        x /= 2;
        y /= 2;
      }
      enemy_a[s] += x * k / 100;
      enemy_b[s] += y * k / 100;
    }
  }
}

// Walks each direction from the board's edge; every square receives the
// running sum of the squares behind it (what a slider standing there sees
// that way), before its own value joins the sum. Pawns block; the colour's
// damping squares pass on 54/64 of the sum.
void accumulate_rays(TermContext& t, Colour c, const int (&dirs)[4], int16_t* line_table,
                     int16_t* queen_table) {
  const int* a = t.control_a[ci(c)];
  uint8_t damping = c > 0 ? squareflag::kWhiteDamping : squareflag::kBlackDamping;
  bool damped = !t.endgame;
  for (int d : dirs) {
    for (Square start = 0; start < 128; ++start) {
      if (!on_board(start) || on_board(start - d)) continue;
      int sum = 0;
      for (Square s = start; on_board(s); s += d) {
        line_table[s] += sum;
        queen_table[s] += sum;
        uint8_t flags = t.square_flags[s];
        if (flags & squareflag::kBlocking) {
          sum = a[s];
        } else if (damped && (flags & damping)) {
          sum = scale64(sum, kDampNumerator) + a[s];
        } else {
          sum += a[s];
        }
      }
    }
  }
}

}  // namespace

void square_control(TermContext& t) {
  Board& b = *t.board;
  const int m = pct(settings.mobility_pct);
  const int pawn_pressure =
      t.endgame ? endgame_weights.attacked_pawn : middlegame_weights.attacked_pawn;
  const bool open_game = !(t.queen_on_board && t.span < 6);
  const int unit = t.many_units ? 3 : !open_game ? 2 : 6;
  const int base_a = unit * m / 100, base_b = (6 - unit) * m / 100;
  const int home_a = 3 * m / 100;

  for (Square s = 0; s < 128; ++s) {
    t.square_flags[s] = 0;
    if (!on_board(s)) continue;
    for (int i = 0; i < 2; ++i) {
      Colour c = colour_of_index(i);
      int r = own_rank(c, s), f = file_of(s);
      bool home = r <= 1 || (r == 2 && (f <= 1 || f >= 6));
      t.control_a[i][s] = open_game && home ? home_a : base_a;
      t.control_b[i][s] = open_game && home ? 0 : base_b;
      if (b.eval.square_marks[i][s] & pawnmark::kEnemyAttack) {
        t.control_a[i][s] -= m / 25;
        t.control_b[i][s] = 0;
      }
    }
  }
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    SideList& list = side_list(b, c);
    for (PieceRecord* r = list.head.next; r != &b.header; r = r->next) {
      Square s = r->square;
      int kind = r->type->kind;
      if (kind == kKindPawn) {
        t.square_flags[s] |= c > 0 ? squareflag::kWhitePawn : squareflag::kBlackPawn;
        if (!(b.eval.square_marks[i][s] & pawnmark::kEnemyAttack)) {
          t.control_a[1 - i][s] += pawn_pressure;
          t.control_a[i][s] = 0;
          t.control_b[i][s] = 0;
        }
      } else if (kind != kKindKing) {
        // A ray through an own piece is only partly lost: the piece may move.
        t.square_flags[s] |= c > 0 ? squareflag::kWhiteDamping : squareflag::kBlackDamping;
      }
    }
  }
  for (Square s = 0; s < 128; ++s) {
    if (!on_board(s)) continue;
    for (int i = 0; i < 2; ++i) {
      if (t.control_a[i][s] < 0) t.control_a[i][s] = 0;
      if (t.control_b[i][s] < 0) t.control_b[i][s] = 0;
    }
  }
  if (!t.endgame) {
    king_zone(t, kWhite);
    king_zone(t, kBlack);
  }

  bool knights = t.knights[0] + t.knights[1] > 0;
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    if (knights) {
      int16_t* table = kind_table(b, kKindKnight, c);
      for (Square s = 0; s < 128; ++s) {
        if (!on_board(s)) continue;
        int sum = 0;
        for (int jump : kKnightJumps) {
          Square n = s + jump;
          if (on_board(n)) sum += t.control_a[i][n] + t.control_b[i][n];
        }
        table[s] += sum;
      }
    }
    int16_t* queen = kind_table(b, kKindQueen, c);
    accumulate_rays(t, c, kOrthogonal, kind_table(b, kKindRook, c), queen);
    accumulate_rays(t, c, kDiagonal, kind_table(b, kKindBishop, c), queen);
  }
}

}  // namespace ostrim
