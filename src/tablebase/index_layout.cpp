#include "tablebase/index_layout.h"

#include <map>
#include <utility>
#include <string>
#include <vector>

#include "tablebase/classes.h"
#include "tablebase/index.h"
#include "tablebase/index_decode.h"
#include "tablebase/index_tables.h"
#include "tablebase/placement.h"

namespace ostrim::tablebase {

namespace {

IndexLayout layouts[kClassCount][2];
bool prepared = false;

// Offset tables shared by the tables whose side to move has the same groups.
std::map<std::string, std::vector<uint32_t>>& offset_tables() {
  static std::map<std::string, std::vector<uint32_t>> tables;
  return tables;
}

struct PairList {
  int k1[kPawnKingPairs], k2[kPawnKingPairs];
};

const PairList& pair_list(bool pawns) {
  static PairList lists[2];
  static bool built = false;
  if (!built) {
    for (int p = 0; p < 2; ++p)
      for (int k = 0; k < 64 * 64; ++k) {
        uint16_t pair = (p ? kPawnKingPair : kPawnlessKingPair)[k];
        if (pair != kNoKingPair) lists[p].k1[pair] = k / 64, lists[p].k2[pair] = k % 64;
      }
    built = true;
  }
  return lists[pawns ? 1 : 0];
}

uint64_t group_span(const PieceGroup& g, int free_squares) {
  return free_squares < g.count ? 0 : kBinomial[free_squares][g.count];
}

const std::vector<uint32_t>& offsets_for(bool pawns, int groups, const PieceGroup* group, uint64_t& total) {
  std::string key(1, pawns ? 'P' : '-');
  for (int i = 0; i < groups; ++i) key += std::to_string(group[i].rule) + "x" + std::to_string(group[i].count) + ";";
  int pairs = pawns ? kPawnKingPairs : kPawnlessKingPairs;
  auto known = offset_tables().find(key);
  if (known != offset_tables().end()) {
    total = known->second[pairs];
    return known->second;
  }
  std::vector<uint32_t>& offsets = offset_tables()[key];
  const PairList& list = pair_list(pawns);
  uint64_t running = 0;
  offsets.assign(pairs + 1, 0);
  for (int pair = 0; pair < pairs; ++pair) {
    offsets[pair] = static_cast<uint32_t>(running);
    uint64_t count = 1;
    for (int i = 0; i < groups; ++i) {
      int k1 = list.k1[pair], k2 = list.k2[pair], rule = group[i].rule;
      int free_squares = kSquareRanks.count[rule][k2] - (kSquareRanks.rank[rule][k2 * 64 + k1] != kNotAllowed);
      count *= group_span(group[i], free_squares);
    }
    running += count;
  }
  offsets[pairs] = static_cast<uint32_t>(running);
  total = running;
  return offsets;
}

int side_groups(int row, int side, PieceGroup* group, int& pawns, int& men) {
  int n = 0;
  pawns = men = 0;
  for (int kind = 0; kind < kKindCount; ++kind) {
    int count = class_piece_count(row, side, kKindLetter[kind]);
    if (count == 0) continue;
    group[n++] = {kind, count, kind};
    men += count;
    if (kind == kPawnKind) pawns = count;
  }
  return n;
}

void build_layout(int row, int side) {
  IndexLayout& l = layouts[row][side];
  l = IndexLayout{};
  l.mover_groups = side_groups(row, side, l.mover, l.mover_pawns, l.mover_men);
  l.other_groups = side_groups(row, 1 - side, l.other, l.other_pawns, l.other_men);
  l.pawns = l.mover_pawns + l.other_pawns > 0;
  l.en_passant = l.mover_pawns > 0 && l.other_pawns > 0;
  if (l.mover_groups == 0) {
    l.offset_other_side = true;
    std::swap(l.mover, l.other);
    std::swap(l.mover_groups, l.other_groups);
    for (int i = 0; i < l.mover_groups; ++i) l.mover[i].rule = l.mover[i].kind == kPawnKind ? kFreePawnRule : kFreePieceRule;
    l.mover_pawns = l.other_pawns = 0;
    l.mover_men = l.other_men = 0;
  }
  l.offsets = offsets_for(l.pawns, l.mover_groups, l.mover, l.placements).data();
  // The other side's digits: pawns among the pawn squares the side to move
  // leaves, the others among the squares every earlier man leaves.
  l.other_span = 1;
  int placed = 2 + l.mover_men + l.other_pawns;
  for (int i = 0; i < l.other_groups; ++i) {
    const PieceGroup& g = l.other[i];
    if (g.kind == kPawnKind) {
      l.other_span *= group_span(g, 48 - l.mover_pawns);
    } else {
      l.other_span *= group_span(g, 64 - placed);
      placed += g.count;
    }
  }
  l.full_entries = l.placements * l.other_span;
  if (l.en_passant) {
    // Remaining men after the two pawns of the capture: pawns first.
    int pawns_left = l.mover_pawns - 1 + l.other_pawns - 1;
    l.ep_span = 1;
    if (l.mover_pawns > 1) l.ep_span *= kBinomial[44][l.mover_pawns - 1];
    if (l.other_pawns > 1) l.ep_span *= kBinomial[44 - (l.mover_pawns - 1)][l.other_pawns - 1];
    int taken = 6 + pawns_left;
    for (int pass = 0; pass < 2; ++pass) {
      const PieceGroup* groups = pass == 0 ? l.mover : l.other;
      int n = pass == 0 ? l.mover_groups : l.other_groups;
      for (int i = 0; i < n; ++i) {
        if (groups[i].kind == kPawnKind) continue;
        l.ep_span *= group_span(groups[i], 64 - taken);
        taken += groups[i].count;
      }
    }
    l.full_entries += uint64_t{kPawnKingPairs} * 14 * l.ep_span;
  }
  l.entries = l.full_entries - kTrailingIllegal[row][side];
}

}  // namespace

const IndexLayout& index_layout(int row, int side) { return layouts[row][side]; }

void king_pair_squares(bool pawns, int pair, int& k1, int& k2) {
  const PairList& list = pair_list(pawns);
  k1 = list.k1[pair];
  k2 = list.k2[pair];
}

void prepare_index_tables() {
  if (prepared) return;
  pair_list(false);
  for (int row = 1; row < kClassCount; ++row)
    for (int side = 0; side < 2; ++side) build_layout(row, side);
  prepared = true;
}

uint64_t scan_table_entries(int row, int side) {
  Placement p;
  for (uint64_t index = layouts[row][side].full_entries; index-- > 0;)
    if (decode_index(row, side, index, p) && legal_placement(row, p)) return index + 1;
  return 0;
}

uint64_t table_entries(int row, int side) {
  if (row <= 0 || row >= kClassCount || !prepared) return 0;
  return layouts[row][side].entries;
}

}  // namespace ostrim::tablebase
