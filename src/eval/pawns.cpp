// Pawn analysis: pawn maps and extremes, passed pawns, weak and isolated
// pawns, space, kings near pawns; and the small piece terms that read pawns.
#include "eval/term_context.h"
#include "eval/weights.h"

namespace ostrim {
namespace {

constexpr int kKingSteps[8] = {1, -1, 16, -16, 17, -17, 15, -15};
constexpr int kPromotionRank = 7;
constexpr int kLastPawnRank = 6;

bool pawn_of(Board& b, Square s, Colour c) {
  return on_board(s) && is_piece_of(piece_at(b, s), kKindPawn, c);
}

// Whether a pawn of c on the file at own rank r has no enemy pawn in front
// of it on its own or an adjacent file.
bool passed_at(const TermContext& t, Colour c, int file, int rank) {
  int enemy = ci(-c);
  for (int g = file - 1; g <= file + 1; ++g) {
    if (g < 0 || g > 7) continue;
    if (7 - t.least[enemy][g] > rank) return false;
  }
  return true;
}

// The passed-pawn extras, each paid per rank beyond the second: beside
// another passer (connected), guarded by an own pawn (middlegame), nothing
// in its way (free path), and out of reach of a king without pieces
// (endgame). The king terms: the enemy king on the pawn's path, the own
// king beside the square ahead of it, each by half the rank times weight.
struct PassedExtras {
  int connected, protect, free_path, unstoppable;
  int king_block, king_escort;
};

PassedExtras passed_extras(const TermContext& t) {
  if (t.endgame) {
    const EndgameWeights& w = endgame_weights;
    return {w.passed_connected, 0, w.passed_free, w.passed_unstoppable, w.king_block_passer,
            w.king_escort_passer};
  }
  const MiddlegameWeights& w = middlegame_weights;
  return {w.passed_connected, w.passed_protected, w.passed_free, 0, w.king_block_passer,
          w.king_escort_passer};
}

bool path_free(Board& b, Colour c, Square s) {
  for (Square p = s + forward(c); on_board(p); p += forward(c))
    if (!is_empty(b, p)) return false;
  return true;
}

// The rule of the square: the defending king cannot reach the promotion
// square in time (pure king-and-pawn race, path free).
bool outside_square(const TermContext& t, Colour c, int file, int rank) {
  int steps = kPromotionRank - rank - (rank == 1 ? 1 : 0);
  Square promotion = own_square(c, file, kPromotionRank);
  int reach = king_distance(t.king_square[ci(-c)], promotion) - (t.side_to_move == -c ? 1 : 0);
  return reach > steps;
}

}  // namespace

void analyse_pawns(TermContext& t) {
  Board& b = *t.board;
  int low = 8, high = -1;
  for (int i = 0; i < 2; ++i) {
    t.most_advanced[i] = 0;
    for (int f = 0; f < 8; ++f) {
      t.least[i][f] = 7;
      t.most[i][f] = 0;
    }
  }
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    uint8_t* own = b.eval.square_marks[i];
    uint8_t* other = b.eval.square_marks[1 - i];
    SideList& list = side_list(b, c);
    for (PieceRecord* r = list.head.next; r != &b.header; r = r->next) {
      if (r->type->kind != kKindPawn) continue;
      Square s = r->square;
      int f = file_of(s), rank = own_rank(c, s);
      own[s] |= pawnmark::kOwnPawn | pawnmark::kOwnControl;
      for (int side = -1; side <= 1; side += 2) {
        Square a = s + forward(c) + side;
        if (!on_board(a)) continue;
        own[a] |= pawnmark::kOwnControl;
        other[a] |= pawnmark::kEnemyAttack;
      }
      if (rank < t.least[i][f]) t.least[i][f] = rank;
      if (rank > t.most[i][f]) t.most[i][f] = rank;
      if (rank > t.most_advanced[i]) t.most_advanced[i] = rank;
      if (f < low) low = f;
      if (f > high) high = f;
    }
  }
  t.span = high >= low ? high - low : 0;
}

// A passed pawn's value X(r) = rank entry * 37/64 plus its extras per rank
// beyond the second. The value at its square goes into the term total; the
// pawn-square tables carry the rest along its own file: A holds the gain of
// each push (X of that square minus X of the pawn's square, and minus X at
// the promotion square, where the queen's own score takes over), B the
// value at the pawn's square, so that capturing the pawn anywhere on its
// path costs A + B = the value it has reached. The kings' tables get the
// blockade squares in front of the pawn and the escort squares around the
// square ahead of it.
void passed_pawns(TermContext& t) {
  Board& b = *t.board;
  const PassedExtras x = passed_extras(t);
  bool passed[2][8] = {};
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    for (int f = 0; f < 8; ++f)
      passed[i][f] = t.most[i][f] > 0 && passed_at(t, c, f, t.most[i][f]);
  }
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    int16_t* a_table = pawn_table_a(b, c);
    int16_t* b_table = pawn_table_b(b, c);
    uint8_t* marks = b.eval.square_marks[i];
    int16_t* own_king = kind_table(b, kKindKing, c);
    int16_t* enemy_king = kind_table(b, kKindKing, -c);
    for (int f = 0; f < 8; ++f) {
      int rank = t.most[i][f];
      if (rank == 0) continue;
      Square s0 = own_square(c, f, rank);
      if (!passed[i][f]) {
        // A push that leaves every stopper behind makes a passed pawn.
        if (rank < kLastPawnRank && passed_at(t, c, f, rank + 1))
          marks[s0 + forward(c)] |= pawnmark::kPasserPath;
        continue;
      }
      int per_rank = 0;
      if ((f > 0 && passed[i][f - 1]) || (f < 7 && passed[i][f + 1])) per_rank += x.connected;
      if (pawn_of(b, s0 - forward(c) - 1, c) || pawn_of(b, s0 - forward(c) + 1, c))
        per_rank += x.protect;
      bool free_path = path_free(b, c, s0);
      if (free_path) per_rank += x.free_path;
      if (free_path && x.unstoppable != 0 && t.pieces[ci(-c)] == 0 &&
          outside_square(t, c, f, rank))
        per_rank += x.unstoppable;
      auto value_at = [&](int r) { return scale64(t.passed_rank[r], 37) + per_rank * (r - 1); };
      int base = value_at(rank);
      t.total[i] += base;
      b_table[s0] += base;
      for (int r = rank + 1; r <= kPromotionRank; ++r) {
        Square s = own_square(c, f, r);
        marks[s] |= pawnmark::kPasserPath;
        if (r == kPromotionRank) {
          a_table[s] -= base;
        } else {
          a_table[s] += value_at(r) - base;
          b_table[s] += base;
        }
        enemy_king[s] += rank * x.king_block / 2;
      }
      Square ahead = s0 + forward(c);
      for (int step : kKingSteps) {
        Square n = ahead + step;
        if (on_board(n)) own_king[n] += rank * x.king_escort / 2;
      }
    }
  }
}

void pawn_weaknesses(TermContext& t, int weak, int isolated, int isolated_file, int raise,
                     int raise_file) {
  Board& b = *t.board;
  EvalState& e = b.eval;
  e.open_file_bonus = t.files_without_pawns < 4 ? 6 : 0;
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    SideList& enemy = side_list(b, -c);
    for (int f = 0; f < 8; ++f) {
      int a = weak, t1 = isolated, t2 = isolated_file;
      // A file the opponent's rooks can use against the pawn.
      if (pawns_on_file(enemy, f) == 0 && t.rooks[1 - i] > 0) {
        a += raise;
        t1 += raise;
        t2 += raise_file;
      }
      t.weak_pawn[i][f] = a;
      e.isolated_pawn[i][f] = static_cast<int16_t>(t1);
      e.isolated_file[i][f] = static_cast<int16_t>(t2);
    }
  }
  // A backward pawn: not isolated, no own pawn beside or behind on the
  // neighbouring files, and an enemy pawn guards the square in front.
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    SideList& own = side_list(b, c);
    int16_t* pawn_table = kind_table(b, kKindPawn, c);
    for (PieceRecord* r = own.head.next; r != &b.header; r = r->next) {
      if (r->type->kind != kKindPawn) continue;
      Square s = r->square;
      int f = file_of(s), rank = own_rank(c, s);
      if (pawns_on_file(own, f - 1) == 0 && pawns_on_file(own, f + 1) == 0) continue;
      bool supported = (f > 0 && t.least[i][f - 1] <= rank) || (f < 7 && t.least[i][f + 1] <= rank);
      if (supported) continue;
      if (e.square_marks[i][s + forward(c)] & pawnmark::kEnemyAttack)
        pawn_table[s] -= static_cast<int16_t>(t.weak_pawn[i][f]);
    }
  }
}

void kings_near_pawns(TermContext& t, int near_enemy, int near_own) {
  Board& b = *t.board;
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    int16_t* pawn_table = kind_table(b, kKindPawn, c);
    int bonus = type_of(b, kKindPawn, c).bonus;
    int16_t* own_king = kind_table(b, kKindKing, c);
    int16_t* enemy_king = kind_table(b, kKindKing, -c);
    SideList& list = side_list(b, c);
    for (PieceRecord* r = list.head.next; r != &b.header; r = r->next) {
      if (r->type->kind != kKindPawn) continue;
      Square s = r->square;
      int rank = own_rank(c, s);
      int attack = scale64(pawn_table[s] + bonus, near_enemy);
      bool front = rank == t.most[i][file_of(s)];
      for (int step : kKingSteps) {
        Square n = s + step;
        if (!on_board(n)) continue;
        enemy_king[n] += attack;
        if (front) own_king[n] += rank * near_own;
      }
    }
  }
}

void pawn_space(TermContext& t, int w) {
  int16_t* white = kind_table(*t.board, kKindPawn, kWhite);
  int16_t* black = kind_table(*t.board, kKindPawn, kBlack);
  for (int r = 1; r <= 6; ++r) {
    for (int f = 0; f < 8; ++f) {
      Square s = make_square(f, r);
      if (r > 1) white[s] += ((r - 1) * w) >> 2;
      if (r < 6) black[s] += ((6 - r) * w) >> 2;
    }
  }
}

void bishop_pair(TermContext& t, int bonus) {
  for (int i = 0; i < 2; ++i) {
    if (t.bishops[i] != 2) continue;
    type_of(*t.board, kKindBishop, colour_of_index(i)).bonus += bonus;
    t.total[i] -= bonus;
  }
}

void trapped_pieces(TermContext& t, int penalty) {
  struct Pattern {
    int kind;
    int file, rank;            // the trapped piece, own view
    bool own_pawns;            // the pawns are the piece's own, else the enemy's
    int pawn_files[2], pawn_ranks[2];
    int pawn_count;
  };
  static constexpr Pattern kPatterns[] = {
      {kKindBishop, 0, 6, false, {1, 0}, {5, 0}, 1}, {kKindBishop, 7, 6, false, {6, 0}, {5, 0}, 1},
      {kKindBishop, 0, 5, false, {1, 0}, {4, 0}, 1}, {kKindBishop, 7, 5, false, {6, 0}, {4, 0}, 1},
      {kKindKnight, 0, 7, false, {0, 0}, {6, 0}, 1}, {kKindKnight, 7, 7, false, {7, 0}, {6, 0}, 1},
      {kKindRook, 0, 1, true, {0, 1}, {2, 1}, 2},    {kKindRook, 7, 1, true, {7, 6}, {2, 1}, 2},
  };
  Board& b = *t.board;
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    for (const Pattern& p : kPatterns) {
      Colour pawn_colour = p.own_pawns ? c : -c;
      bool all = true;
      for (int k = 0; k < p.pawn_count; ++k) {
        // The pawn squares are given from the trapped piece's side.
        if (!pawn_of(b, own_square(c, p.pawn_files[k], p.pawn_ranks[k]), pawn_colour)) all = false;
      }
      if (all) kind_table(b, p.kind, c)[own_square(c, p.file, p.rank)] -= penalty;
    }
  }
}

void clear_lead(TermContext& t, int complexity_gain, bool needs_open_file) {
  if (t.drawish != 0) return;
  if ((*t.status & status::kAdjustmentPending) && t.pawns[0] < 4 && t.pawns[1] < 4) return;
  if (t.files_without_pawns >= 4) return;
  int x = 2 * t.knight_base - t.rook_base;
  int leader = t.q >= x ? 0 : t.q <= -x ? 1 : -1;
  if (leader < 0) return;
  t.complexity += complexity_gain;
  if (!needs_open_file || t.files_without_pawns >= 1) t.total[leader] += 3;
}

}  // namespace ostrim
