#include "tablebase/probe.h"

#include <atomic>

#include "common/report.h"
#include "tablebase/block_cache.h"
#include "tablebase/material_tree.h"
#include "tablebase/registry.h"

namespace ostrim::tablebase {
namespace {

constexpr int32_t kWordBias = 32640;       // a stored byte's distance sits this far from 0
constexpr int32_t kLongestWin = 126;
constexpr int8_t kStoredNoValue = 127;
constexpr int8_t kStoredLongestLoss = -127;
constexpr int8_t kStoredLongestWin = -128;
constexpr int32_t kLossBase = -32766;
constexpr int32_t kMatedNow = kLossBase;  // a loss in no moves

constexpr int kSlotsPerKind = 3;           // pawns 0..2, knights 3..5 ... queens 12..14

// Positions of one table that are not read: their stored entries are
// known to be wrong, the value is fixed.
constexpr int kFixedRow = 36;              // kppkp
constexpr int kFixedSide = 1;
constexpr uint64_t kFixedIndices[] = {0x43C778C, 0x40A2CAB, 0x38D4F29, 0x3639810, 0x3637648, 0x362DE44, 0x362BC7C};
constexpr int32_t kFixedValue = -127;

constexpr int kWordBlockBits = kBlockBits - 1;
constexpr uint64_t kWordOffsetMask = (uint64_t{1} << kWordBlockBits) - 1;
constexpr uint64_t kByteOffsetMask = (uint64_t{1} << kBlockBits) - 1;

int square64(int square) { return (square >> 4) * 8 + (square & 15); }

void collect_squares(Board& b, Colour c, int* squares) {
  int used[kKingSlot / kSlotsPerKind] = {};
  SideList& list = side_list(b, c);
  for (PieceRecord* r = list.head.next; r != &b.header; r = r->next) {
    int kind = r->type->kind;
    if (kind < kKindPawn || kind > kKindQueen) continue;
    int group = kind - kKindPawn;
    if (used[group] == kSlotsPerKind) continue;  // more than a table holds: no leaf leads here
    squares[group * kSlotsPerKind + used[group]++] = square64(r->square);
  }
  squares[kKingSlot] = square64(king_of(b, c)->square);
}

// The stored entry as a word; kNoValue when it cannot be read.
int32_t read_entry(int row, int side, uint64_t index) {
  const TableSide& t = registry[row].sides[side];
  bool words = (class_flags(row) & kWordEntries) != 0;
  if (t.memory != nullptr) {
    if (words) return t.memory[2 * index] + 256 * static_cast<int8_t>(t.memory[2 * index + 1]);
    return byte_to_word(static_cast<int8_t>(t.memory[index]));
  }
  if (cache_entry_count() == 0) return kNoValue;
  if (words) {
    uint32_t block = static_cast<uint32_t>(index >> kWordBlockBits);
    uint32_t offset = static_cast<uint32_t>(2 * (index & kWordOffsetMask));
    int32_t low = fetch_byte(row, side, block, offset);
    if (low == kNoValue) return kNoValue;
    int32_t high = fetch_byte(row, side, block, offset + 1);
    if (high == kNoValue) return kNoValue;
    // Little-endian: the low byte counts unsigned.
    return (low & 0xFF) + 256 * high;
  }
  int32_t stored = fetch_byte(row, side, static_cast<uint32_t>(index >> kBlockBits),
                              static_cast<uint32_t>(index & kByteOffsetMask));
  return stored == kNoValue ? kNoValue : byte_to_word(stored);
}

}  // namespace

int probe_en_passant(const Position& p) {
  if ((p.flags & moveflag::kEnPassant) == 0) return 0;
  const Board& b = *p.board;
  int pawn = p.side > 0 ? kWhitePawnType : kBlackPawnType;
  Square e = p.ep_square;
  Square left = p.side > 0 ? e - 15 : e + 15;
  Square right = p.side > 0 ? e - 17 : e + 17;
  return piece_at(b, left)->type->index == pawn || piece_at(b, right)->type->index == pawn ? e : 0;
}

int32_t byte_to_word(int32_t stored) {
  if (stored == 0) return 0;
  if (stored == kStoredNoValue) return kNoValue;
  if (stored == kStoredLongestLoss) return -kWordBias;
  if (stored == kStoredLongestWin) return kWordBias;
  return stored > 0 ? stored + kWordBias : stored - kWordBias;
}

int32_t word_to_distance(int32_t word) {
  // Mated now would read as 0, a draw: the search sees the mate on the
  // board instead.
  if (word == kNoValue || word == kMatedNow) return kNoValue;
  if (word > 0) return kNoValue - word;
  if (word == 0) return 0;
  return kLossBase - word;
}

int probe_tablebase(Board& b, int side_to_move, int ep_square, int* value) {
  MaterialCounts counts = {
      b.types[kWhitePawnType].count, b.types[kWhiteKnightType].count, b.types[kWhiteBishopType].count,
      b.types[kWhiteRookType].count, b.types[kWhiteQueenType].count,  b.types[kBlackPawnType].count,
      b.types[kBlackKnightType].count, b.types[kBlackBishopType].count, b.types[kBlackRookType].count,
      b.types[kBlackQueenType].count};
  int32_t leaf = find_material(counts);
  if (leaf == kNoTable) return 0;

  int white[kPieceSlots] = {};
  int black[kPieceSlots] = {};
  collect_squares(b, kWhite, white);
  collect_squares(b, kBlack, black);
  bool exchanged = leaf < 0;
  int row = exchanged ? -leaf : leaf;
  const int* first = exchanged ? black : white;
  const int* second = exchanged ? white : black;
  int table_side = (side_to_move > 0) == exchanged ? 1 : 0;
  if (!table_registered(row, table_side)) return 0;

  int en_passant = ep_square != 0 ? square64(ep_square) : kNoEnPassant;
  IndexFunction index_of = registry[row].sides[table_side].index;
  uint64_t index;
  if (index_of != nullptr) {
    index = index_of(first, second, en_passant, exchanged ? 1 : 0);
  } else if (table_side == 1 && (class_flags(row) & kSymmetric) && registry[row].sides[0].index != nullptr) {
    // One table for both sides to move: the other side's move is the
    // colour-exchanged position.
    index = registry[row].sides[0].index(second, first, en_passant, exchanged ? 0 : 1);
  } else {
    return 0;
  }
  int data_side = storage_side(row, table_side);
  if (index >= registry[row].sides[data_side].entries) return 0;

  int32_t distance = kNoValue;
  if (row == kFixedRow && table_side == kFixedSide) {
    for (uint64_t fixed : kFixedIndices)
      if (index == fixed) distance = kFixedValue;
  }
  if (distance == kNoValue) distance = word_to_distance(read_entry(row, data_side, index));
  if (distance == kNoValue) return 0;
  *value = distance;
  report.tablebase_hits.fetch_add(1, std::memory_order_relaxed);
  return 1;
}

}  // namespace ostrim::tablebase
