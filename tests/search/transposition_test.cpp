#include <gtest/gtest.h>

#include "board/game_record.h"
#include "search/transposition.h"

namespace ostrim {
namespace {

struct TinyTable : ::testing::Test {
  void SetUp() override {
    saved_count = transposition_table.count;
    ASSERT_TRUE(allocate_table(4 * sizeof(TTEntry)));  // the window is the whole table
    ASSERT_EQ(transposition_table.count, 4u);
  }
  void TearDown() override { allocate_table(saved_count * sizeof(TTEntry)); }
  static void fill(int slot, uint32_t low, uint8_t depth_key, int generation, uint16_t flags = 0) {
    TTEntry& e = transposition_table.entries[slot];
    e.key_low = low;
    e.key_high = 0;
    e.depth_key = depth_key;
    e.generation = static_cast<uint8_t>(generation);
    e.flags.store(flags);
    e.move_to = kNullSquare;
  }
  static int slot_of(const TTEntry* e) { return static_cast<int>(e - transposition_table.entries); }
  uint64_t saved_count = 0;
};

TEST_F(TinyTable, ReplacementPrefersEmptyThenOlderThenShallower) {
  transposition_table.generation = 5;
  fill(0, 100, 10, 5);   // current generation, depth key 10: value -10
  fill(1, 101, 200, 4);  // one generation older, depth key 200: value 56
  fill(2, 102, 30, 5);
  fill(3, 103, 40, 5);
  Probe p = probe_and_claim(HashKey{999, 0}, 20, kEngineThread);
  ASSERT_NE(p.entry, nullptr);
  EXPECT_EQ(slot_of(p.entry), 1);
  EXPECT_TRUE(p.held);
  EXPECT_EQ(p.entry->depth_key, 0);  // reset for the new key
  EXPECT_EQ(p.entry->generation, 5);
  release_entry(*p.entry, p.flags_before);

  // An empty unowned slot is taken before anything else.
  fill(1, 101, 200, 4);
  fill(3, 0, 0, 0);
  p = probe_and_claim(HashKey{998, 0}, 20, kEngineThread);
  EXPECT_EQ(slot_of(p.entry), 3);
}

TEST_F(TinyTable, CurrentGenerationNeedsADeeperSearch) {
  transposition_table.generation = 3;
  for (int i = 0; i < 4; ++i) fill(i, 200 + i, 6 + 10 * i, 3);
  EXPECT_EQ(probe_and_claim(HashKey{999, 0}, 6, kEngineThread).entry, nullptr);
  Probe p = probe_and_claim(HashKey{999, 0}, 7, kEngineThread);
  ASSERT_NE(p.entry, nullptr);
  EXPECT_EQ(slot_of(p.entry), 0);
}

TEST_F(TinyTable, OwnedSlotsAreNeverReplacedAndForeignHoldersAreReadOnly) {
  for (int i = 0; i < 4; ++i) fill(i, 300 + i, 2, 0, 7);  // owned by thread 7
  EXPECT_EQ(probe_and_claim(HashKey{999, 0}, 200, kEngineThread).entry, nullptr);
  Probe p = probe_and_claim(HashKey{302, 0}, 2, kEngineThread);
  ASSERT_NE(p.entry, nullptr);
  EXPECT_FALSE(p.held);
  EXPECT_EQ(p.entry->flags.load() & ttflag::kOwnerMask, 7);
  // The holder itself uses its own entry again.
  Probe own = probe_and_claim(HashKey{302, 0}, 2, 7);
  EXPECT_TRUE(own.held);
}

TEST_F(TinyTable, ReleaseRestoresTheEarlierOwnerAndPathMark) {
  fill(0, 400, 8, 0);
  Probe outer = probe_and_claim(HashKey{400, 0}, 8, kEngineThread);
  ASSERT_TRUE(outer.held);
  outer.entry->flags.fetch_or(ttflag::kOnPath);
  // The same position deeper on the path: a repetition for this thread.
  Probe inner = probe_and_claim(HashKey{400, 0}, 4, kEngineThread);
  ASSERT_EQ(inner.entry, outer.entry);
  EXPECT_TRUE(inner.flags_before & ttflag::kOnPath);
  release_entry(*inner.entry, inner.flags_before);
  EXPECT_EQ(outer.entry->flags.load() & (ttflag::kOnPath | ttflag::kOwnerMask), ttflag::kOnPath | kEngineThread);
  release_entry(*outer.entry, outer.flags_before);
  EXPECT_EQ(outer.entry->flags.load(), 0);
}

TEST(GameHistory, OccurrencesAreCountedAndRemoved) {
  ASSERT_TRUE(allocate_table(1 << 16));
  const HashKey a{0x1234, 7};
  const HashKey b{0x5678, 9};
  key_history.keys[0] = a;
  key_history.keys[1] = b;
  key_history.keys[2] = a;
  key_history.keys[3] = b;
  key_history.keys[4] = a;
  key_history.length = 5;
  mark_game_history();
  EXPECT_EQ(find_entry(a)->flags.load(), 0x3801);
  EXPECT_EQ(find_entry(b)->flags.load(), 0x3001);
  EXPECT_EQ(find_entry(a)->depth_key, kGameHistoryDepthKey);
  key_history.length = 1;
  unmark_game_history();
  EXPECT_EQ(find_entry(a), nullptr);
  key_history.length = 5;
  unmark_game_history();
  EXPECT_EQ(find_entry(b), nullptr);
  key_history.length = 0;
}

TEST(GameHistory, StoppedSearchLeavesNoOwnerOrPathMark) {
  ASSERT_TRUE(allocate_table(1 << 16));
  for (uint32_t k = 1; k < 40; ++k) {
    Probe p = probe_and_claim(HashKey{k * 7919, 0}, 10, kEngineThread);
    if (p.held) p.entry->flags.fetch_or(ttflag::kOnPath);
  }
  end_search(true);
  for (uint64_t i = 0; i < transposition_table.count; ++i)
    EXPECT_EQ(transposition_table.entries[i].flags.load() & (ttflag::kOnPath | ttflag::kOwnerMask), 0);
}

TEST(TableSize, EntriesFromMegabytes) {
  struct Case {
    uint64_t megabytes;
    uint64_t entries;
  };
  const Case cases[] = {{4, 262144}, {16, 1048576}, {19, 1245184}};
  for (const Case& c : cases) {
    ASSERT_TRUE(allocate_table(c.megabytes << 20));
    EXPECT_EQ(transposition_table.count, c.entries);
  }
}

}  // namespace
}  // namespace ostrim
