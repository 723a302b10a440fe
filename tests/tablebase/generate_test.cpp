// Tables written by ostrim-tool tb generate, read back through the index
// functions and checked against the engine's own move generator: every
// entry agrees with the best of its children, and short mates with a plain
// search.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/makemove.h"
#include "support/board_fixture.h"
#include "tablebase/classes.h"
#include "tablebase/index.h"
#include "tablebase/index_decode.h"
#include "tablebase/placement.h"
#include "tb_values.h"

namespace ostrim {
namespace {

using namespace tablebase;
using tools::decode_byte;
using tools::is_loss;
using tools::is_win;
using tools::loss_in_plies;
using tools::plies_of;
using tools::win_in_plies;

// kpk promotes into the other three-man classes; kbnk is the four-man
// class a test can afford (a class with pawns needs most others first).
const char* const kClassesChecked[] = {"kqk", "krk", "kpk", "kbnk"};
constexpr int16_t kBeyondSearch = INT16_MIN + 1;

class GenerateTest : public ::testing::Test {
 protected:
  static std::string dir;
  static std::map<int, std::vector<int8_t>> tables[2];

  static void SetUpTestSuite() {
    prepare_index_tables();
    char pattern[] = "/tmp/ostrim-tb-XXXXXX";
    dir = mkdtemp(pattern);
    std::string command = std::string(OSTRIM_TOOL_PATH) + " tb generate";
    for (const char* name : kClassesChecked) command += std::string(" ") + name;
    command += " --dir " + dir + " > " + dir + "/log.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(dir); }

  static const std::vector<int8_t>& table(int row, int side) {
    if (kClasses[row].flags & kSymmetric) side = 0;
    std::vector<int8_t>& t = tables[side][row];
    if (t.empty()) {
      std::ifstream in(dir + "/" + kClasses[row].name + (side == 0 ? ".nbw" : ".nbb"), std::ios::binary);
      t.assign(table_entries(row, side), 0);
      in.read(reinterpret_cast<char*>(t.data()), static_cast<std::streamsize>(t.size()));
      EXPECT_TRUE(in && in.peek() == EOF) << kClasses[row].name << " " << side;
    }
    return t;
  }

  // The stored value of the main board's position, as the probe finds it:
  // the class of its material with the stronger side first.
  static int16_t stored_value(Colour to_move, int en_passant) {
    Board& b = main_board;
    Placement side_squares[2] = {};
    std::string material[2];
    int used[2][5] = {};
    const std::string kinds = "qrbnp";
    for (int s = 0; s < 64; ++s) {
      PieceRecord* r = b.square_array[kSquareArrayOffset + (s >> 3) * 16 + (s & 7)];
      if (r == &b.header || r->colour == 0) continue;
      int colour = r->colour > 0 ? 0 : 1;
      char letter = static_cast<char>(std::tolower(r->type->letter));
      if (letter == 'k') {
        side_squares[colour].first[kKingSlot] = s;
        continue;
      }
      size_t k = kinds.find(letter);
      side_squares[colour].first[3 * (4 - static_cast<int>(k)) + used[colour][k]++] = s;
    }
    for (int c = 0; c < 2; ++c)
      for (char k : kinds) material[c] += std::string(used[c][kinds.find(k)], k);
    int first = 0;
    int row = find_class(("k" + material[0] + "k" + material[1]).c_str());
    if (row < 0) {
      first = 1;
      row = find_class(("k" + material[1] + "k" + material[0]).c_str());
    }
    if (row == 0) return 0;
    EXPECT_GT(row, 0);
    int side = (to_move == kWhite ? 0 : 1) ^ first;
    uint64_t index = index_function(row, side)(side_squares[first].first, side_squares[1 - first].first,
                                               en_passant, first);
    EXPECT_LT(index, table_entries(row, side));
    return decode_byte(table(row, side)[index]);
  }
};

std::string GenerateTest::dir;
std::map<int, std::vector<int8_t>> GenerateTest::tables[2];

std::string fen_of(int row, const Placement& p) {
  char board[64] = {};
  const char kLetters[] = "pnbrq";
  for (int side = 0; side < 2; ++side) {
    const int* squares = side == 0 ? p.first : p.second;
    board[squares[kKingSlot]] = side == 0 ? 'K' : 'k';
    for (int k = 0; k < 5; ++k)
      for (int i = 0; i < class_piece_count(row, side, kLetters[k]); ++i)
        board[squares[3 * k + i]] = static_cast<char>(side == 0 ? std::toupper(kLetters[k]) : kLetters[k]);
  }
  std::string fen;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      char c = board[8 * rank + file];
      if (!c) {
        ++empty;
        continue;
      }
      if (empty) fen += std::to_string(empty), empty = 0;
      fen += c;
    }
    if (empty) fen += std::to_string(empty);
    if (rank) fen += '/';
  }
  fen += p.side_to_move == 0 ? " w - " : " b - ";
  if (p.en_passant == kNoEnPassant) fen += "-";
  else fen += std::string{static_cast<char>('a' + (p.en_passant & 7)), static_cast<char>('1' + (p.en_passant >> 3))};
  return fen + " 0 1";
}

// The square a double step passed when a pawn of the new side to move can
// take the stepping pawn, kNoEnPassant otherwise (as the probe is told).
int en_passant_after(Board& b, Move m, const Position& child) {
  Square from = move_from(m), to = move_to_code(m);
  PieceRecord* moved = b.square_array[kSquareArrayOffset + to];
  if (std::tolower(moved->type->letter) != 'p' || (to - from != 32 && from - to != 32)) return kNoEnPassant;
  for (int df : {-1, 1}) {
    PieceRecord* beside = b.square_array[kSquareArrayOffset + to + df];
    if (beside != &b.header && beside->colour == child.side && std::tolower(beside->type->letter) == 'p') {
      Square passed = (from + to) / 2;
      return (passed >> 4) * 8 + (passed & 15);
    }
  }
  return kNoEnPassant;
}

// The exact result when a mate ends the game within `depth` plies,
// kBeyondSearch otherwise; 0 for stalemate.
int16_t mate_search(Position& p, int depth) {
  Board& b = *p.board;
  reset_generation(p);
  Position child;
  construct_position(child, b);
  int best_win = 0, longest_loss = -1;
  bool any = false, open = false;
  for (Move m = next_move(p); m != kNullMove; m = next_move(p)) {
    make_full_move(p, m, child);
    if (!attacked_by(b, child.side, king_of(b, p.side)->square)) {
      any = true;
      int16_t v = depth > 0 ? mate_search(child, depth - 1) : kBeyondSearch;
      if (v != kBeyondSearch && is_loss(v)) {
        int plies = plies_of(v) + 1;
        if (best_win == 0 || plies < best_win) best_win = plies;
      } else if (v != kBeyondSearch && is_win(v)) {
        longest_loss = std::max(longest_loss, plies_of(v) + 1);
      } else {
        open = true;
      }
    }
    unmake_move(child);
  }
  if (!any) return in_check(p) ? loss_in_plies(0) : 0;
  if (best_win) return win_in_plies(best_win);
  return open ? kBeyondSearch : loss_in_plies(longest_loss);
}

TEST_F(GenerateTest, EveryEntryIsTheBestOfItsMovesAndShortMatesAreExact) {
  std::mt19937_64 rng(2026);
  constexpr int kSearchPlies = 3;
  for (const char* name : kClassesChecked) {
    int row = find_class(name);
    int checked = 0, mates = 0;
    // Random entries, then random short mates until there are a few.
    while (checked < 300 || mates < 10) {
      int side = static_cast<int>(rng() % 2);
      uint64_t index = rng() % table_entries(row, side);
      int16_t v = decode_byte(table(row, side)[index]);
      if (checked >= 300 && (v == 0 || plies_of(v) > kSearchPlies)) continue;
      Placement p;
      if (!decode_index(row, side, index, p) || !legal_placement(row, p)) continue;
      ++checked;
      std::string fen = fen_of(row, p);
      Position& root = testing::setup(fen.c_str());
      int16_t stored = stored_value(root.side, p.en_passant);

      // The best of the children's stored values.
      Board& b = main_board;
      reset_generation(root);
      Position child;
      construct_position(child, b);
      int best_win = 0, longest_loss = -1;
      bool any = false, holds = false;
      for (Move m = next_move(root); m != kNullMove; m = next_move(root)) {
        make_full_move(root, m, child);
        if (!attacked_by(b, child.side, king_of(b, root.side)->square)) {
          any = true;
          int16_t v = stored_value(child.side, en_passant_after(b, m, child));
          if (is_loss(v)) best_win = best_win ? std::min(best_win, plies_of(v) + 1) : plies_of(v) + 1;
          else if (is_win(v)) longest_loss = std::max(longest_loss, plies_of(v) + 1);
          else holds = true;
        }
        unmake_move(child);
      }
      int16_t expected = !any ? (in_check(root) ? loss_in_plies(0) : 0)
                         : best_win ? win_in_plies(best_win)
                         : holds    ? 0
                                    : loss_in_plies(longest_loss);
      ASSERT_EQ(stored, expected) << fen;

      int16_t searched = mate_search(testing::setup(fen.c_str()), kSearchPlies);
      if (stored != 0 && plies_of(stored) <= kSearchPlies) {
        ASSERT_EQ(searched, stored) << fen;
        ++mates;
      } else {
        ASSERT_TRUE(searched == kBeyondSearch || (searched == 0 && stored == 0)) << fen;
      }
    }
  }
}

TEST_F(GenerateTest, StoredBytesReadBackAsTheProbeReadsThem) {
  // A win in n moves is stored as 127 - n, a loss in n moves as n - 126.
  struct Case {
    int8_t byte;
    int16_t value;
  };
  const Case cases[] = {{126, win_in_plies(1)},      {1, win_in_plies(251)},  {-128, win_in_plies(253)},
                        {-126, loss_in_plies(0)},    {-125, loss_in_plies(2)}, {-1, loss_in_plies(250)},
                        {-127, loss_in_plies(252)},  {0, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(decode_byte(c.byte), c.value) << int{c.byte};
    int8_t byte;
    ASSERT_TRUE(tools::encode_byte(c.value, byte));
    EXPECT_EQ(byte, c.byte);
  }
  int8_t byte;
  EXPECT_FALSE(tools::encode_byte(win_in_plies(255), byte));
}

}  // namespace
}  // namespace ostrim
