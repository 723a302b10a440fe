#include <gtest/gtest.h>

#include "common/report.h"
#include "support/board_fixture.h"
#include "tablebase/block_cache.h"
#include "tablebase/probe.h"
#include "tablebase/registry.h"

namespace ostrim {
namespace {

using namespace tablebase;

// An index function that records its arguments and answers a fixed index.
struct IndexCall {
  int calls = 0;
  int side = -1;
  int first_king = -1, second_king = -1, first_rook = -1, en_passant = -1, exchange = -1;
};
IndexCall last_call;
uint64_t answer = 0;

template <int Side>
uint64_t recording_index(const int* first, const int* second, int en_passant, int exchange) {
  last_call = {last_call.calls + 1, Side, first[kKingSlot], second[kKingSlot], first[9], en_passant, exchange};
  return answer;
}

constexpr int kKrk = 4;
constexpr int kKppkp = 36;

struct TablebaseProbe : ::testing::Test {
  uint8_t table[16] = {};

  void SetUp() override {
    initialise_tablebases("");
    set_up_cache(0);
    last_call = {};
    answer = 0;
    report.tablebase_hits.store(0);
  }
  void TearDown() override { initialise_tablebases(""); }

  // The row's tables answer from memory through the recording functions.
  void install(int row, const uint8_t* memory, uint64_t entries) {
    for (int side = 0; side < 2; ++side) {
      TableSide& t = registry[row].sides[side];
      t.index = side == 0 ? recording_index<0> : recording_index<1>;
      t.entries = entries;
      t.memory = memory;
    }
    ASSERT_TRUE(register_class(row));
  }

  // 1 and the value, or 0.
  int probe(const char* fen, int* value) {
    Position& p = testing::setup(fen);
    return probe_tablebase(*p.board, p.side, probe_en_passant(p), value);
  }
};

TEST_F(TablebaseProbe, StoredBytesBecomeDistances) {
  install(kKrk, table, 16);
  struct Case {
    int8_t stored;
    int found;
    int distance;
  };
  const Case cases[] = {{126, 1, 1}, {1, 1, 126}, {-1, 1, -125}, {-125, 1, -1}, {0, 1, 0},
                        {127, 0, 0}, {-127, 1, -126}, {-128, 1, 127}, {-126, 0, 0}};  // -126: mated now
  for (const Case& c : cases) {
    table[3] = static_cast<uint8_t>(c.stored);
    answer = 3;
    report.tablebase_hits.store(0);
    int value = 12345;
    EXPECT_EQ(probe("7R/8/8/8/8/2k5/8/K7 w - - 0 1", &value), c.found) << int{c.stored};
    if (c.found) {
      EXPECT_EQ(value, c.distance) << int{c.stored};
    }
    EXPECT_EQ(report.tablebase_hits.load(), c.found) << int{c.stored};
  }
  answer = 16;  // beyond the table: never read
  int value;
  EXPECT_EQ(probe("7R/8/8/8/8/2k5/8/K7 w - - 0 1", &value), 0);
}

TEST_F(TablebaseProbe, TheStrongerSideIsFirstWhateverItsColour) {
  install(kKrk, table, 16);
  table[0] = 100;
  struct Case {
    const char* fen;
    int side;      // the table side asked
    int exchange;
    int first_king, second_king, rook;  // 0..63 squares
  };
  const Case cases[] = {
      {"7R/8/8/8/8/2k5/8/K7 w - - 0 1", 0, 0, 0, 18, 63},
      {"7R/8/8/8/8/2k5/8/K7 b - - 0 1", 1, 0, 0, 18, 63},
      {"7r/8/8/8/8/2K5/8/k7 b - - 0 1", 0, 1, 0, 18, 63},  // Black's rook: the same table
      {"7r/8/8/8/8/2K5/8/k7 w - - 0 1", 1, 1, 0, 18, 63},
  };
  for (const Case& c : cases) {
    int value = 0;
    ASSERT_EQ(probe(c.fen, &value), 1) << c.fen;
    EXPECT_EQ(value, 27) << c.fen;
    EXPECT_EQ(last_call.side, c.side) << c.fen;
    EXPECT_EQ(last_call.exchange, c.exchange) << c.fen;
    EXPECT_EQ(last_call.first_king, c.first_king) << c.fen;
    EXPECT_EQ(last_call.second_king, c.second_king) << c.fen;
    EXPECT_EQ(last_call.first_rook, c.rook) << c.fen;
    EXPECT_EQ(last_call.en_passant, kNoEnPassant) << c.fen;
  }
}

TEST_F(TablebaseProbe, NothingIsReadWithoutATableForTheMaterial) {
  install(kKrk, table, 16);
  int value = 0;
  // Five pieces besides the kings lie beyond the material lookup.
  EXPECT_EQ(probe("7R/8/8/8/8/2k5/4PPPP/K7 w - - 0 1", &value), 0);
  // Material with no table loaded.
  EXPECT_EQ(probe("8/7Q/8/8/8/2k5/8/K7 w - - 0 1", &value), 0);
  EXPECT_EQ(last_call.calls, 0);
  // A file-backed table with no cache configured.
  registry[kKrk].sides[0].memory = nullptr;
  registry[kKrk].sides[0].paths[0] = "/nonexistent/krk.nbw";
  EXPECT_EQ(probe("7R/8/8/8/8/2k5/8/K7 w - - 0 1", &value), 0);
  EXPECT_EQ(report.tablebase_hits.load(), 0);
}

TEST_F(TablebaseProbe, WordEntriesAreLittleEndian) {
  const int row = find_class("krnknn");
  ASSERT_EQ(class_flags(row) & kWordEntries, kWordEntries);
  install(row, table, 8);
  struct Case {
    uint8_t low, high;
    int distance;
  };
  // The low byte counts unsigned, also from 128 on.
  const Case cases[] = {{0xFE, 0x7F, 1}, {0x00, 0x7F, 255}, {0x44, 0x80, -66}, {0, 0, 0}};
  for (const Case& c : cases) {
    table[2] = c.low;
    table[3] = c.high;
    answer = 1;
    int value = 0;
    ASSERT_EQ(probe("8/8/8/3n4/8/2k3n1/8/KRN5 w - - 0 1", &value), 1);
    EXPECT_EQ(value, c.distance) << int{c.low} << " " << int{c.high};
  }
  table[2] = 0xFF;
  table[3] = 0x7F;  // 32767: no value
  int value = 0;
  EXPECT_EQ(probe("8/8/8/3n4/8/2k3n1/8/KRN5 w - - 0 1", &value), 0);
}

TEST_F(TablebaseProbe, KnownWrongEntriesAreNotRead) {
  // One byte of table behind an index far beyond it: a read would show.
  install(kKppkp, table, 0x43C778D);
  answer = 0x43C778C;
  int value = 0;
  ASSERT_EQ(probe("8/8/8/p7/8/2k5/PP6/K7 b - - 0 1", &value), 1);
  EXPECT_EQ(value, -127);
  EXPECT_EQ(report.tablebase_hits.load(), 1);
}

TEST_F(TablebaseProbe, EnPassantOnlyWhenAPawnCanTake) {
  install(kKppkp, table, 16);
  int value = 0;
  ASSERT_EQ(probe("8/8/8/1Pp5/8/2k5/P7/K7 w - c6 0 1", &value), 1);
  EXPECT_EQ(last_call.en_passant, 42);  // c6
  ASSERT_EQ(probe("8/8/8/2p5/P7/2k5/7P/K7 w - c6 0 1", &value), 1);
  EXPECT_EQ(last_call.en_passant, kNoEnPassant);
}

}  // namespace
}  // namespace ostrim
