#include <gtest/gtest.h>

#include <random>

#include "tablebase/classes.h"
#include "tablebase/index.h"
#include "tablebase/index_decode.h"
#include "tablebase/index_layout.h"
#include "tablebase/placement.h"

namespace ostrim::tablebase {
namespace {

class IndexTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { prepare_index_tables(); }
};

TEST_F(IndexTest, TableSizesMatchTheRegistry) {
  struct Size {
    const char* name;
    uint64_t white, black;
  };
  const Size sizes[] = {
      {"kpk", 81664, 84012},           {"kqk", 25629, 28644},
      {"kpkp", 3863492, 3863492},      {"kppkp", 84219361, 89391280},
      {"knnknn", 1301488080, 1301488080}, {"kqqpkq", 7297961576, 8514011520},
  };
  for (const Size& s : sizes) {
    int row = find_class(s.name);
    EXPECT_EQ(table_entries(row, 0), s.white) << s.name;
    EXPECT_EQ(table_entries(row, 1), s.black) << s.name;
  }
  EXPECT_EQ(table_entries(0, 0), 0u);
  EXPECT_EQ(index_function(0, 0), nullptr);
}

TEST_F(IndexTest, TrailingIllegalEntriesMatchAScanOfEveryTable) {
  for (int row = 1; row < kClassCount; ++row)
    for (int side = 0; side < 2; ++side)
      ASSERT_EQ(table_entries(row, side), scan_table_entries(row, side)) << kClasses[row].name << " " << side;
}

Placement empty_placement() {
  Placement p;
  for (int i = 0; i < kPieceSlots; ++i) p.first[i] = p.second[i] = kNoSquare;
  p.side_to_move = 0;
  p.en_passant = kNoEnPassant;
  return p;
}

TEST_F(IndexTest, WorkedExamples) {
  // King and queen against king, Black to move: kings a1 and c1, queen h8.
  Placement p = empty_placement();
  p.first[kKingSlot] = 2;
  p.first[12] = 63;
  p.second[kKingSlot] = 0;
  int kqk = find_class("kqk");
  EXPECT_EQ(index_function(kqk, 1)(p.first, p.second, kNoEnPassant, 0), 61u);
  // The same with every square mirrored through the centre: the Black king
  // on h8 is reduced back to a1.
  Placement m = p;
  m.first[kKingSlot] ^= 63, m.first[12] ^= 63, m.second[kKingSlot] ^= 63;
  EXPECT_EQ(index_function(kqk, 1)(m.first, m.second, kNoEnPassant, 0), 61u);

  // kpkp, White to move: en passant positions follow the 47 * C others, 14
  // per king pair. White king d8 (59), Black king h8 (63), pawns g5 and h5
  // just arrived from h7: the table's last entry.
  int kpkp = find_class("kpkp");
  Placement e = empty_placement();
  e.first[kKingSlot] = 59, e.first[0] = 38, e.second[kKingSlot] = 63, e.second[0] = 39;
  uint64_t last = index_function(kpkp, 0)(e.first, e.second, 47, 0);
  EXPECT_EQ(last, table_entries(kpkp, 0) - 1);
  EXPECT_EQ(last, 47u * 81664 + 14 * 1806 - 1);
}

TEST_F(IndexTest, KrbbkpNumbersTheBlackPawnLastAndTheRookBeforeTheBishops) {
  // White to move, White king on files a..d: no square is mirrored, and
  // index = 48 * (offset + rook + n * bishops) + (pawn - 8).
  int row = find_class("krbbkp");
  IndexFunction f = index_function(row, 0);
  Placement p = empty_placement();
  p.first[kKingSlot] = 0;   // a1
  p.second[kKingSlot] = 39; // h5
  p.first[9] = 2;           // rook c1
  p.first[6] = 4, p.first[7] = 14;  // bishops e1, g2
  p.second[0] = 50;         // pawn c7
  ASSERT_TRUE(legal_placement(row, p));
  uint64_t index = f(p.first, p.second, kNoEnPassant, 0);
  EXPECT_EQ(index % 48, 50u - 8);
  p.second[0] = 51;
  EXPECT_EQ(f(p.first, p.second, kNoEnPassant, 0), index + 1);
  p.first[9] = 3;  // the rook one square on: 48 entries further
  EXPECT_EQ(f(p.first, p.second, kNoEnPassant, 0), index + 1 + 48);
  std::swap(p.first[6], p.first[7]);  // like bishops are one combination
  EXPECT_EQ(f(p.first, p.second, kNoEnPassant, 0), index + 1 + 48);
}

// The board's symmetries, as maps of 0..63 squares.
int transform(int symmetry, int s) {
  if (symmetry & 1) s ^= 7;
  if (symmetry & 2) s ^= 56;
  if (symmetry & 4) s = 8 * (s & 7) + (s >> 3);
  return s;
}

Placement transformed(const Placement& p, int symmetry) {
  Placement t = p;
  for (int i = 0; i < kPieceSlots; ++i) {
    if (p.first[i] != kNoSquare) t.first[i] = transform(symmetry, p.first[i]);
    if (p.second[i] != kNoSquare) t.second[i] = transform(symmetry, p.second[i]);
  }
  if (p.en_passant != kNoEnPassant) t.en_passant = transform(symmetry, p.en_passant);
  return t;
}

Placement random_legal(int row, int side, std::mt19937& rng, bool en_passant) {
  for (;;) {
    Placement p = empty_placement();
    p.side_to_move = side;
    for (int s = 0; s < 2; ++s) {
      int* squares = s == 0 ? p.first : p.second;
      squares[kKingSlot] = static_cast<int>(rng() % 64);
      const char kinds[] = "pnbrq";
      for (int k = 0; k < 5; ++k)
        for (int i = 0; i < class_piece_count(row, s, kinds[k]); ++i)
          squares[3 * k + i] = kinds[k] == 'p' ? 8 + static_cast<int>(rng() % 48) : static_cast<int>(rng() % 64);
    }
    if (en_passant) {
      // A pawn of the side not to move has just stepped two squares.
      int* waiting = side == 0 ? p.second : p.first;
      int file = static_cast<int>(rng() % 8);
      waiting[0] = side == 0 ? 32 + file : 24 + file;
      p.en_passant = side == 0 ? 40 + file : 16 + file;
    }
    if (legal_placement(row, p)) return p;
  }
}

TEST_F(IndexTest, RandomLegalPositionsIndexBelowTheSizeAndAgreeWithTheirImages) {
  std::mt19937 rng(12345);
  for (int row = 1; row < kClassCount; ++row) {
    bool pawns = class_piece_count(row, 0, 'p') + class_piece_count(row, 1, 'p') > 0;
    bool both_pawns = class_piece_count(row, 0, 'p') > 0 && class_piece_count(row, 1, 'p') > 0;
    int trials = class_men(row) <= 4 ? 400 : 40;
    for (int side = 0; side < 2; ++side) {
      IndexFunction f = index_function(row, side);
      for (int t = 0; t < trials; ++t) {
        Placement p = random_legal(row, side, rng, both_pawns && t % 4 == 0);
        uint64_t index = f(p.first, p.second, p.en_passant, 0);
        ASSERT_LT(index, table_entries(row, side)) << kClasses[row].name << " " << side;
        // The entry's position is the same one in a symmetric form.
        Placement d;
        ASSERT_TRUE(decode_index(row, side, index, d));
        ASSERT_TRUE(legal_placement(row, d)) << kClasses[row].name << " " << side << " " << index;
        ASSERT_EQ(index_function(row, side)(d.first, d.second, d.en_passant, 0), index);
        // Kings on one long diagonal leave a position and its reflection
        // in that diagonal as two entries.
        Placement r = transformed(p, 4);
        uint64_t twin = pawns ? index : f(r.first, r.second, r.en_passant, 0);
        for (int symmetry = 1; symmetry < (pawns ? 2 : 8); ++symmetry) {
          Placement m = transformed(p, symmetry);
          uint64_t image = f(m.first, m.second, m.en_passant, 0);
          ASSERT_TRUE(image == index || image == twin) << kClasses[row].name << " " << symmetry;
        }
        // The same position with the colours exchanged, as the probe
        // passes it for the material with the sides reversed.
        Placement c = transformed(p, pawns ? 2 : 0);
        ASSERT_EQ(f(c.first, c.second, c.en_passant, pawns ? 1 : 0), index) << kClasses[row].name;
        if (kClasses[row].flags & kSymmetric) {
          // One table serves both sides: Black to move reads White's table.
          Placement s = transformed(p, 2);
          std::swap(s.first, s.second);
          ASSERT_EQ(index_function(row, 1 - side)(s.first, s.second, s.en_passant, 0), index) << kClasses[row].name;
        }
      }
    }
  }
}

}  // namespace
}  // namespace ostrim::tablebase
