#include "tablebase/index.h"

#include <array>
#include <utility>

#include "tablebase/classes.h"
#include "tablebase/index_layout.h"
#include "tablebase/index_tables.h"

namespace ostrim::tablebase {

namespace {

struct Frame {
  int mask;
  bool reflect;
};

inline int reduce(const Frame& f, int s) {
  s ^= f.mask;
  return f.reflect ? kDiagonalReflection[s] : s;
}

inline int count_below(int s, const int* placed, int n) {
  int below = 0;
  for (int i = 0; i < n; ++i) below += placed[i] < s;
  return below;
}

// The combination's number: digits in any order, distinct.
inline uint64_t combination(int* digit, int n) {
  for (int i = 1; i < n; ++i)
    for (int j = i; j > 0 && digit[j - 1] > digit[j]; --j) std::swap(digit[j - 1], digit[j]);
  uint64_t value = 0;
  for (int i = 0; i < n; ++i) value += kBinomial[digit[i]][i + 1];
  return value;
}

uint64_t en_passant_index(const IndexLayout& l, const Frame& f, int pair, int k1, int k2, int e, const int* mover,
                          const int* other) {
  int capturer = -1;
  int p = e - 7;
  for (int i = 0; i < l.mover_pawns && file64(e) < 7; ++i)
    if (reduce(f, mover[i]) == p) capturer = i;
  if (capturer < 0) {
    p = e - 9;
    for (int i = 0; i < l.mover_pawns && file64(e) > 0; ++i)
      if (reduce(f, mover[i]) == p) capturer = i;
  }
  int b = e - 8;
  int d = e == p + 7 ? file64(p) - 1 : file64(p) + 7;
  int placed[8] = {p, b, e, e + 8};
  int n_placed = 4;
  uint64_t rest = 0;
  int digit[3];
  // Pawns of the side to move, then of the other side, on what is left of
  // ranks 2..7.
  int pawn_squares = 44;
  for (int pass = 0; pass < 2; ++pass) {
    const int* squares = pass == 0 ? mover : other;
    int pawns = pass == 0 ? l.mover_pawns : l.other_pawns;
    int n = 0, added[3];
    bool skipped = false;
    for (int i = 0; i < pawns; ++i) {
      int s = reduce(f, squares[i]);
      if (!skipped && (pass == 0 ? i == capturer : s == b)) {
        skipped = true;
        continue;
      }
      digit[n] = s - 8 - count_below(s, placed, n_placed);
      added[n++] = s;
    }
    if (n > 0) {
      rest = rest * kBinomial[pawn_squares][n] + combination(digit, n);
      pawn_squares -= n;
    }
    for (int i = 0; i < n; ++i) placed[n_placed++] = added[i];
  }
  placed[n_placed++] = k1;
  placed[n_placed++] = k2;
  int free_squares = 64 - n_placed;
  for (int pass = 0; pass < 2; ++pass) {
    const PieceGroup* groups = pass == 0 ? l.mover : l.other;
    const int* squares = pass == 0 ? mover : other;
    int n_groups = pass == 0 ? l.mover_groups : l.other_groups;
    for (int g = 0; g < n_groups; ++g) {
      if (groups[g].kind == kPawnKind) continue;
      int added[3];
      for (int i = 0; i < groups[g].count; ++i) {
        int s = reduce(f, squares[kKindSlot[groups[g].kind] + i]);
        digit[i] = s - count_below(s, placed, n_placed);
        added[i] = s;
      }
      rest = rest * kBinomial[free_squares][groups[g].count] + combination(digit, groups[g].count);
      free_squares -= groups[g].count;
      for (int i = 0; i < groups[g].count; ++i) placed[n_placed++] = added[i];
    }
  }
  return l.placements * l.other_span + (uint64_t{static_cast<uint32_t>(pair)} * 14 + d) * l.ep_span + rest;
}

uint64_t compute_index(const IndexLayout& l, int side, const int* first, const int* second, int en_passant,
                       int exchange) {
  const int* mover = side == 0 ? first : second;
  const int* other = side == 0 ? second : first;
  int k1 = mover[kKingSlot], k2 = other[kKingSlot];
  Frame f{0, false};
  if (l.pawns) {
    f.mask = kPawnFileMirror[k1] ^ kColourExchange[exchange] ^ kColourExchange[side];
  } else {
    f.mask = kPawnlessSymmetry[k1];
    int a = k1 ^ f.mask, b = k2 ^ f.mask;
    f.reflect = !((off_diagonal(a) || on_or_below_diagonal(b)) && in_triangle(a));
  }
  k1 = reduce(f, k1);
  k2 = reduce(f, k2);
  int pair = (l.pawns ? kPawnKingPair : kPawnlessKingPair)[k1 * 64 + k2];
  if (en_passant != kNoEnPassant && l.en_passant)
    return en_passant_index(l, f, pair, k1, k2, reduce(f, en_passant), mover, other);

  // The offset groups, the first group least significant.
  const int* grouped = l.offset_other_side ? other : mover;
  int placed[8] = {k1, k2};
  int n_placed = 2;
  int mover_pawns[3];
  uint64_t group_value[3], group_span[3];
  int digit[3];
  for (int g = 0; g < l.mover_groups; ++g) {
    int kind = l.mover[g].kind, count = l.mover[g].count, rule = l.mover[g].rule;
    const uint8_t* rank = &kSquareRanks.rank[rule][k2 * 64];
    bool king_counted = rank[k1] != kNotAllowed;
    for (int i = 0; i < count; ++i) {
      int s = reduce(f, grouped[kKindSlot[kind] + i]);
      digit[i] = rank[s] - (king_counted && k1 < s);
      placed[n_placed++] = s;
      if (kind == kPawnKind) mover_pawns[i] = s;
    }
    group_value[g] = combination(digit, count);
    group_span[g] = kBinomial[kSquareRanks.count[rule][k2] - king_counted][count];
  }
  uint64_t placement = 0;
  for (int g = l.mover_groups; g-- > 0;) placement = placement * group_span[g] + group_value[g];
  placement += l.offsets[pair];

  // The other side's pawns are placed before its pieces.
  uint64_t outer = 0;
  int other_pawns[3];
  for (int i = 0; i < l.other_pawns; ++i) other_pawns[i] = reduce(f, other[i]);
  for (int i = 0; i < l.other_pawns; ++i) placed[n_placed++] = other_pawns[i];
  int free_squares = 64 - n_placed;
  for (int g = 0; g < l.other_groups; ++g) {
    int kind = l.other[g].kind, count = l.other[g].count;
    if (kind == kPawnKind) {
      for (int i = 0; i < count; ++i)
        digit[i] = other_pawns[i] - 8 - count_below(other_pawns[i], mover_pawns, l.mover_pawns);
      outer = outer * kBinomial[48 - l.mover_pawns][count] + combination(digit, count);
      continue;
    }
    int added[3];
    for (int i = 0; i < count; ++i) {
      int s = reduce(f, other[kKindSlot[kind] + i]);
      digit[i] = s - count_below(s, placed, n_placed);
      added[i] = s;
    }
    outer = outer * kBinomial[free_squares][count] + combination(digit, count);
    free_squares -= count;
    for (int i = 0; i < count; ++i) placed[n_placed++] = added[i];
  }
  return placement * l.other_span + outer;
}

template <int Row, int Side>
uint64_t index_entry(const int* first, const int* second, int en_passant, int exchange) {
  return compute_index(index_layout(Row, Side), Side, first, second, en_passant, exchange);
}

template <std::size_t... R>
constexpr std::array<IndexFunction, 2 * kClassCount> make_functions(std::index_sequence<R...>) {
  return {{&index_entry<static_cast<int>(R / 2), static_cast<int>(R % 2)>...}};
}

constexpr std::array<IndexFunction, 2 * kClassCount> kIndexFunctions =
    make_functions(std::make_index_sequence<2 * kClassCount>{});

}  // namespace

IndexFunction index_function(int row, int side) {
  if (row <= 0 || row >= kClassCount || side < 0 || side > 1) return nullptr;
  return kIndexFunctions[2 * row + side];
}

}  // namespace ostrim::tablebase
