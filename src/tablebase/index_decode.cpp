#include "tablebase/index_decode.h"

#include <algorithm>

#include "tablebase/index_layout.h"
#include "tablebase/index_tables.h"

namespace ostrim::tablebase {

namespace {

// square_of_rank[kind][king][rank]: the inverse of the square ranks.
struct SquareOfRank {
  uint8_t square[kRuleCount][64][64];
};

const SquareOfRank& square_of_rank() {
  static SquareOfRank table = [] {
    SquareOfRank t{};
    for (int rule = 0; rule < kRuleCount; ++rule)
      for (int king = 0; king < 64; ++king)
        for (int s = 0; s < 64; ++s) {
          uint8_t r = kSquareRanks.rank[rule][king * 64 + s];
          if (r != kNotAllowed) t.square[rule][king][r] = static_cast<uint8_t>(s);
        }
    return t;
  }();
  return table;
}

// The digits of the combination numbered `value`, ascending.
void combination_digits(uint64_t value, int count, int* digit) {
  for (int i = count; i >= 1; --i) {
    int r = i - 1;
    while (kBinomial[r + 1][i] <= value) ++r;
    value -= kBinomial[r][i];
    digit[i - 1] = r;
  }
}

// The square whose reduced number is `reduced`: skips the placed squares.
int unreduce(int reduced, int base, int* placed, int n_placed) {
  std::sort(placed, placed + n_placed);
  int s = reduced + base;
  for (int i = 0; i < n_placed; ++i) s += placed[i] <= s;
  return s;
}

struct Field {
  const PieceGroup* group;
  int side;  // 0 the side to move
  uint64_t span;
  uint64_t value;
};

void split_fields(uint64_t number, Field* fields, int n) {
  for (int i = n; i-- > 0;) {
    fields[i].value = number % fields[i].span;
    number /= fields[i].span;
  }
}

}  // namespace

bool decode_index(int row, int side, uint64_t index, Placement& out) {
  const IndexLayout& l = index_layout(row, side);
  if (index >= l.full_entries) return false;
  int mv[kPieceSlots], ot[kPieceSlots];
  std::fill(mv, mv + kPieceSlots, kNoSquare);
  std::fill(ot, ot + kPieceSlots, kNoSquare);
  int e = kNoEnPassant;
  int placed[16], n_placed = 0, scratch[16];
  int digit[3];
  uint64_t base = l.placements * l.other_span;

  if (index >= base) {
    uint64_t q = index - base, rest = q % l.ep_span, t = q / l.ep_span;
    int d = static_cast<int>(t % 14), pair = static_cast<int>(t / 14);
    king_pair_squares(true, pair, mv[kKingSlot], ot[kKingSlot]);
    int p = 32 + (d < 7 ? d + 1 : d - 7);
    e = d < 7 ? p + 7 : p + 9;
    int b = e - 8;
    mv[0] = p;
    ot[0] = b;
    int pawn_placed[8] = {p, b, e, e + 8};
    int n_pawn_placed = 4;
    Field fields[8];
    int n = 0;
    int pawn_squares = 44;
    if (l.mover_pawns > 1) fields[n++] = {nullptr, 0, kBinomial[pawn_squares][l.mover_pawns - 1], 0}, pawn_squares -= l.mover_pawns - 1;
    if (l.other_pawns > 1) fields[n++] = {nullptr, 1, kBinomial[pawn_squares][l.other_pawns - 1], 0};
    int free_squares = 64 - 6 - (l.mover_pawns - 1) - (l.other_pawns - 1);
    for (int pass = 0; pass < 2; ++pass) {
      const PieceGroup* groups = pass == 0 ? l.mover : l.other;
      int n_groups = pass == 0 ? l.mover_groups : l.other_groups;
      for (int g = 0; g < n_groups; ++g) {
        if (groups[g].kind == kPawnKind) continue;
        fields[n++] = {&groups[g], pass, kBinomial[free_squares][groups[g].count], 0};
        free_squares -= groups[g].count;
      }
    }
    split_fields(rest, fields, n);
    placed[n_placed++] = mv[kKingSlot];
    placed[n_placed++] = ot[kKingSlot];
    placed[n_placed++] = e;
    placed[n_placed++] = e + 8;
    placed[n_placed++] = p;
    placed[n_placed++] = b;
    for (int i = 0; i < n; ++i) {
      int* squares = fields[i].side == 0 ? mv : ot;
      if (fields[i].group == nullptr) {
        int count = (fields[i].side == 0 ? l.mover_pawns : l.other_pawns) - 1;
        combination_digits(fields[i].value, count, digit);
        int added[3];
        for (int j = 0; j < count; ++j) {
          std::copy(pawn_placed, pawn_placed + n_pawn_placed, scratch);
          added[j] = unreduce(digit[j], 8, scratch, n_pawn_placed);
          squares[1 + j] = added[j];
        }
        for (int j = 0; j < count; ++j) pawn_placed[n_pawn_placed++] = added[j], placed[n_placed++] = added[j];
      } else {
        int count = fields[i].group->count, slot = kKindSlot[fields[i].group->kind];
        combination_digits(fields[i].value, count, digit);
        int added[3];
        for (int j = 0; j < count; ++j) {
          std::copy(placed, placed + n_placed, scratch);
          added[j] = unreduce(digit[j], 0, scratch, n_placed);
          squares[slot + j] = added[j];
        }
        for (int j = 0; j < count; ++j) placed[n_placed++] = added[j];
      }
    }
  } else {
    uint64_t outer = index % l.other_span, placement = index / l.other_span;
    int pairs = l.pawns ? kPawnKingPairs : kPawnlessKingPairs;
    int pair = static_cast<int>(std::upper_bound(l.offsets, l.offsets + pairs + 1, placement) - l.offsets) - 1;
    if (pair < 0 || pair >= pairs) return false;
    int k1, k2;
    king_pair_squares(l.pawns, pair, k1, k2);
    mv[kKingSlot] = k1;
    ot[kKingSlot] = k2;
    placed[n_placed++] = k1;
    placed[n_placed++] = k2;
    uint64_t within = placement - l.offsets[pair];
    int mover_pawns[3], n_mover_pawns = 0;
    int* grouped = l.offset_other_side ? ot : mv;
    for (int g = 0; g < l.mover_groups; ++g) {
      int kind = l.mover[g].kind, count = l.mover[g].count, rule = l.mover[g].rule;
      uint8_t king_rank = kSquareRanks.rank[rule][k2 * 64 + k1];
      bool king_counted = king_rank != kNotAllowed;
      uint64_t span = kBinomial[kSquareRanks.count[rule][k2] - king_counted][count];
      if (span == 0) return false;
      combination_digits(within % span, count, digit);
      within /= span;
      for (int j = 0; j < count; ++j) {
        int r = digit[j] + (king_counted && digit[j] >= king_rank);
        int s = square_of_rank().square[rule][k2][r];
        grouped[kKindSlot[kind] + j] = s;
        placed[n_placed++] = s;
        if (kind == kPawnKind) mover_pawns[n_mover_pawns++] = s;
      }
    }
    Field fields[3];
    int free_squares = 64 - 2 - l.mover_men - l.other_pawns;
    for (int g = 0; g < l.other_groups; ++g) {
      const PieceGroup& group = l.other[g];
      int squares = group.kind == kPawnKind ? 48 - l.mover_pawns : free_squares;
      fields[g] = {&group, 1, kBinomial[squares][group.count], 0};
      if (group.kind != kPawnKind) free_squares -= group.count;
    }
    split_fields(outer, fields, l.other_groups);
    // Pawns first: the pieces' squares skip them.
    for (int g = l.other_groups; g-- > 0;) {
      if (l.other[g].kind != kPawnKind) continue;
      combination_digits(fields[g].value, l.other[g].count, digit);
      for (int j = 0; j < l.other[g].count; ++j) {
        std::copy(mover_pawns, mover_pawns + n_mover_pawns, scratch);
        ot[j] = unreduce(digit[j], 8, scratch, n_mover_pawns);
      }
      for (int j = 0; j < l.other[g].count; ++j) placed[n_placed++] = ot[j];
    }
    for (int g = 0; g < l.other_groups; ++g) {
      int kind = l.other[g].kind, count = l.other[g].count;
      if (kind == kPawnKind) continue;
      combination_digits(fields[g].value, count, digit);
      int added[3];
      for (int j = 0; j < count; ++j) {
        std::copy(placed, placed + n_placed, scratch);
        added[j] = unreduce(digit[j], 0, scratch, n_placed);
        ot[kKindSlot[kind] + j] = added[j];
      }
      for (int j = 0; j < count; ++j) placed[n_placed++] = added[j];
    }
  }

  // Back from the frame where the side to move plays up the board.
  int flip = l.pawns && side == 1 ? 56 : 0;
  for (int i = 0; i < kPieceSlots; ++i) {
    if (mv[i] != kNoSquare) mv[i] ^= flip;
    if (ot[i] != kNoSquare) ot[i] ^= flip;
  }
  std::copy(side == 0 ? mv : ot, (side == 0 ? mv : ot) + kPieceSlots, out.first);
  std::copy(side == 0 ? ot : mv, (side == 0 ? ot : mv) + kPieceSlots, out.second);
  out.side_to_move = side;
  out.en_passant = e == kNoEnPassant ? kNoEnPassant : e ^ flip;
  return true;
}

}  // namespace ostrim::tablebase
