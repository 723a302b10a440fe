#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "book/book.h"
#include "book/book_files.h"
#include "support/board_fixture.h"

namespace ostrim {
namespace {

using testing::TempDirectory;
using testing::TestRecord;

constexpr int kDraws = 2000;

struct BookLookup : ::testing::Test {
  TempDirectory dir;
  Position* root = nullptr;
  testing::KeyBytes start_key{};

  void SetUp() override {
    root = &testing::setup(testing::kStartFen);
    start_key = testing::bytes_of(root->key);
    ASSERT_LT(testing::low_key(255), start_key);
    ASSERT_LT(start_key, testing::high_key(0));
  }
  void TearDown() override { book::close_book(); }

  Move move(const char* text) { return testing::generated_move(*root, text); }

  void open(const std::string& path) { ASSERT_TRUE(book::open_book(path.c_str())) << path; }

  std::vector<book::BookEntry> entries() {
    book::BookEntry e[book::kMaxBookEntries];
    int n = book::book_entries(root->key, e);
    return {e, e + n};
  }

  // How often each move comes out of `draws` lookups from a fixed seed.
  std::map<Move, int> tally(int threshold, int draws = kDraws) {
    book::seed_book_random(12345);
    std::map<Move, int> counts;
    for (int i = 0; i < draws; ++i) ++counts[book::book_move(*root, threshold)];
    return counts;
  }
};

// The seed whose next generator step gives r: inverts state * 214013 + 2531011.
uint32_t seed_for_draw(uint32_t r) {
  uint32_t a = 214013u;
  uint32_t inverse = a;  // Newton's iteration doubles the correct low bits
  for (int i = 0; i < 5; ++i) inverse *= 2u - a * inverse;
  return ((r << 16) - 2531011u) * inverse;
}

TEST_F(BookLookup, FilesWithoutWholeRecordsHaveNoMoves) {
  TestRecord hit{start_key, move("e2e4"), 100};
  std::string whole = testing::record_bytes(hit);
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"eleven bytes", whole.substr(0, 11)},
      // The start position's record is cut short: only the first whole record counts.
      {"partial last record", testing::record_bytes({testing::low_key(1), move("d2d4"), 100}) + whole.substr(0, 11)},
  };
  for (const Case& c : cases) {
    open(dir.write(c.name, c.bytes));
    EXPECT_TRUE(entries().empty()) << c.name;
    EXPECT_EQ(book::book_move(*root, 50), kNullMove) << c.name;
  }
  book::close_book();
  EXPECT_EQ(book::book_move(*root, 50), kNullMove) << "no book open";
}

TEST_F(BookLookup, MissingFileFailsWithTheSystemErrorAndClosesTheOldBook) {
  open(dir.write_book("good", {{start_key, move("e2e4"), 100}}));
  errno = 0;
  EXPECT_FALSE(book::open_book(dir.file("missing").c_str()));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(book::book_move(*root, 50), kNullMove);
  EXPECT_FALSE(book::open_book(dir.path.c_str())) << "a directory";
}

// The run is collected whole wherever it stands, starting at the record the
// binary search hit, then backwards, then forwards, and nothing else.
TEST_F(BookLookup, RunIsCollectedWholeAtEveryPlaceInTheFile) {
  const char* run_moves[] = {"e2e4", "d2d4", "c2c4", "g1f3", "b1c3"};
  struct Case {
    int before;
    int run;
    int after;
  };
  const Case cases[] = {{0, 1, 0}, {0, 3, 0}, {0, 3, 7}, {7, 3, 0}, {1, 5, 1}, {9, 2, 4}, {0, 5, 40}, {40, 5, 0}};
  for (const Case& c : cases) {
    std::vector<TestRecord> records;
    // Neighbours carry legal moves too: collecting one would show.
    for (int i = 0; i < c.before; ++i) records.push_back({testing::low_key(i), move("a2a3"), 7});
    for (int i = 0; i < c.run; ++i) records.push_back({start_key, move(run_moves[i]), static_cast<int16_t>(10 + i)});
    for (int i = 0; i < c.after; ++i) records.push_back({testing::high_key(i), move("h2h3"), 7});
    open(dir.write_book("book", records));
    std::vector<book::BookEntry> got = entries();
    ASSERT_EQ(static_cast<int>(got.size()), c.run) << c.before << "/" << c.run << "/" << c.after;
    std::set<Move> moves;
    for (const book::BookEntry& e : got) moves.insert(e.move);
    EXPECT_EQ(static_cast<int>(moves.size()), c.run) << "no record twice";
    EXPECT_EQ(moves.count(move("a2a3")) + moves.count(move("h2h3")), 0u);
  }
  // Five equal records alone: the search hits the third; then 2, 1, then 4, 5.
  std::vector<TestRecord> five;
  for (int i = 0; i < 5; ++i) five.push_back({start_key, move(run_moves[i]), static_cast<int16_t>(i + 1)});
  open(dir.write_book("five", five));
  std::vector<int> weights;
  for (const book::BookEntry& e : entries()) weights.push_back(e.weight);
  EXPECT_EQ(weights, (std::vector<int>{3, 2, 1, 4, 5}));
}

TEST_F(BookLookup, AtMostAHundredRecordsOfOneKeyAreCollected) {
  std::vector<std::string> legal = testing::generated_moves(*root);
  std::vector<TestRecord> records;
  for (int i = 0; i < 150; ++i)
    records.push_back({start_key, move(legal[i % legal.size()].c_str()), static_cast<int16_t>(i + 1)});
  open(dir.write_book("many", records));
  std::vector<book::BookEntry> got = entries();
  ASSERT_EQ(got.size(), 100u);
  std::set<int> weights;
  for (const book::BookEntry& e : got) weights.insert(e.weight);
  EXPECT_EQ(weights.size(), 100u) << "no record twice";
  EXPECT_EQ(*weights.begin(), 1) << "backwards to the first record";
  EXPECT_EQ(*weights.rbegin(), 100) << "then forwards until a hundred";
  for (int i = 0; i < 50; ++i) EXPECT_TRUE(is_legal_move(*root, book::book_move(*root, 50)));
}

TEST_F(BookLookup, SelectivityDropsLightMoves) {
  struct Case {
    std::vector<int> weights;  // for e2e4, d2d4, c2c4
    int threshold;
    std::vector<bool> chosen;
  };
  const Case cases[] = {
      {{60, 40, 10}, 50, {true, false, false}},
      {{60, 40, 10}, 0, {true, true, true}},
      {{30, 20}, 50, {true, false}},          // the threshold above the best weight
      {{30, 20}, 0, {true, true}},
      {{50, 50, 49}, 50, {true, true, false}},
      {{0, 0, 0}, 50, {false, false, false}},  // nothing to choose
      {{0, 0, 0}, 0, {false, false, false}},
  };
  const char* texts[] = {"e2e4", "d2d4", "c2c4"};
  for (const Case& c : cases) {
    std::vector<TestRecord> records;
    for (std::size_t i = 0; i < c.weights.size(); ++i)
      records.push_back({start_key, move(texts[i]), static_cast<int16_t>(c.weights[i])});
    open(dir.write_book("book", records));
    std::map<Move, int> counts = tally(c.threshold);
    for (std::size_t i = 0; i < c.weights.size(); ++i)
      EXPECT_EQ(counts[move(texts[i])] > 0, c.chosen[i]) << texts[i] << " at threshold " << c.threshold;
    bool any = std::find(c.chosen.begin(), c.chosen.end(), true) != c.chosen.end();
    EXPECT_EQ(counts[kNullMove] > 0, !any);
  }
}

TEST_F(BookLookup, ChoiceFollowsTheWeights) {
  open(dir.write_book("book", {{start_key, move("d2d4"), 40}, {start_key, move("e2e4"), 60},
                               {start_key, move("c2c4"), 10}}));
  std::map<Move, int> counts = tally(0, 11000);
  EXPECT_NEAR(counts[move("e2e4")], 6000, 300);
  EXPECT_NEAR(counts[move("d2d4")], 4000, 300);
  EXPECT_NEAR(counts[move("c2c4")], 1000, 200);
  EXPECT_EQ(counts[kNullMove], 0);
}

// The generator step and the walk, at the edges of each entry's share. The
// search hits the middle record (e2e4, 60), then d2d4 (40), then c2c4 (10).
TEST_F(BookLookup, DrawPicksTheFirstEntryWhoseRunningTotalExceedsIt) {
  open(dir.write_book("book", {{start_key, move("d2d4"), 40}, {start_key, move("e2e4"), 60},
                               {start_key, move("c2c4"), 10}}));
  struct Case {
    uint32_t r;  // (r * 110) >> 15 is the point drawn in 0..109
    const char* expected;
  };
  const Case cases[] = {{0, "e2e4"},     {17873, "e2e4"}, {17874, "d2d4"},
                        {29789, "d2d4"}, {29790, "c2c4"}, {32767, "c2c4"}};
  for (const Case& c : cases) {
    book::seed_book_random(seed_for_draw(c.r));
    EXPECT_EQ(book::book_move(*root, 0), move(c.expected)) << "r = " << c.r;
    EXPECT_EQ((book::book_random_state() >> 16) & 0x7FFF, c.r);
  }
}

TEST_F(BookLookup, RandomStateAdvancesOnlyWhenADrawIsMade) {
  open(dir.write_book("book", {{start_key, move("e2e4"), 0}, {testing::high_key(0), move("d2d4"), 9}}));
  book::seed_book_random(77);
  EXPECT_EQ(book::book_move(*root, 50), kNullMove);
  EXPECT_EQ(book::book_random_state(), 77u) << "a zero sum returns before the draw";
  open(dir.write_book("book", {{start_key, move("e2e4"), 5}}));
  uint32_t seeded_at_open = book::book_random_state();
  book::seed_book_random(77);
  EXPECT_EQ(book::book_move(*root, 50), move("e2e4"));
  EXPECT_EQ(book::book_random_state(), 77u * 214013u + 2531011u);
  EXPECT_NE(seeded_at_open, 0u) << "seeded from the clock";
}

// A book is outside input: whatever its records say, the lookup returns the
// null move or a legal move of the position.
TEST_F(BookLookup, StrangeRecordsNeverYieldAnIllegalMove) {
  struct Case {
    const char* name;
    std::vector<TestRecord> records;
  };
  Move e4 = move("e2e4");
  Move d4 = move("d2d4");
  const Case cases[] = {
      {"illegal move", {{start_key, make_move(kE1, kE8), 100}}},
      {"null move", {{start_key, kNullMove, 100}}},
      {"off-board squares", {{start_key, 0xFFFF, 100}, {start_key, 0x8888, 100}}},
      {"negative weights", {{start_key, e4, -100}, {start_key, d4, -5}}},
      {"negative and positive", {{start_key, e4, -100}, {start_key, d4, 30}}},
      {"sum wraps", {{start_key, e4, 30000}, {start_key, d4, 30000}}},
      {"sum wraps to zero", {{start_key, e4, 32767}, {start_key, d4, -32767}}},
      {"extreme weights", {{start_key, e4, -32768}, {start_key, d4, 32767}, {start_key, kNullMove, -32768}}},
  };
  for (const Case& c : cases) {
    open(dir.write_book("book", c.records));
    for (int threshold : {-10, 0, 50, 300}) {
      book::seed_book_random(1);
      for (int i = 0; i < 200; ++i) {
        Move m = book::book_move(*root, threshold);
        EXPECT_TRUE(m == kNullMove || is_legal_move(*root, m)) << c.name << " gave " << m;
      }
    }
  }
}

// The key leaves out castling rights: a record made where castling was
// allowed matches the same placement without the rights.
TEST_F(BookLookup, CastlingFromACollidingPositionIsRefused) {
  Position& with_rights = testing::setup("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  Move castle = find_move(with_rights, "O-O");
  ASSERT_NE(castle, kNullMove);
  open(dir.write_book("book", {{testing::bytes_of(with_rights.key), castle, 100}}));
  EXPECT_EQ(book::book_move(with_rights, 50), castle);
  Position& without = testing::setup("r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1");
  EXPECT_EQ(book::book_move(without, 50), kNullMove);
}

TEST_F(BookLookup, RandomFilesNeverYieldAnIllegalMove) {
  std::mt19937 random(2024);
  for (int round = 0; round < 300; ++round) {
    std::string bytes(random() % 1300, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    // Plant the probe key in some records so that runs of garbage get collected.
    for (std::size_t at = 0; at + book::kRecordSize <= bytes.size(); at += book::kRecordSize)
      if (round % 2 == 0 && random() % 3 != 0) std::copy(start_key.begin(), start_key.end(), bytes.begin() + at);
    open(dir.write("random", bytes));
    book::seed_book_random(round);
    for (int threshold : {0, 50}) {
      Move m = book::book_move(*root, threshold);
      EXPECT_TRUE(m == kNullMove || is_legal_move(*root, m)) << "round " << round;
    }
  }
}

TEST_F(BookLookup, ShortReadAfterOpeningEndsTheCollection) {
  std::vector<TestRecord> records;
  const char* texts[] = {"e2e4", "d2d4", "c2c4", "g1f3", "b1c3"};
  for (int i = 0; i < 5; ++i) records.push_back({start_key, move(texts[i]), static_cast<int16_t>(i + 1)});
  std::string path = dir.write_book("book", records);
  open(path);
  std::filesystem::resize_file(path, 3 * book::kRecordSize + 5);  // the count was taken at open
  std::vector<int> weights;
  for (const book::BookEntry& e : entries()) weights.push_back(e.weight);
  EXPECT_EQ(weights, (std::vector<int>{3, 2, 1}));
  std::filesystem::resize_file(path, 0);
  EXPECT_TRUE(entries().empty());
  EXPECT_EQ(book::book_move(*root, 0), kNullMove);
}

}  // namespace
}  // namespace ostrim
