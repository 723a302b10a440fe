#include "tb_generate.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tablebase/classes.h"
#include "tablebase/index.h"
#include "tablebase/index_decode.h"
#include "tablebase/index_tables.h"
#include "tb_generate_board.h"
#include "tb_values.h"

namespace ostrim::tools {

using namespace tablebase;

namespace {

constexpr int16_t kIllegal = INT16_MIN;
constexpr char kKindLetters[] = "kqrbnp";

// Finished tables by row: stored bytes per side (one side for a class with
// the same material on both sides).
std::map<int, std::vector<int8_t>[2]>& finished() {
  static std::map<int, std::vector<int8_t>[2]> tables;
  return tables;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string table_path(const std::string& dir, int row, int side) {
  return dir + "/" + kClasses[row].name + (side == 0 ? ".nbw" : ".nbb");
}

int stored_sides(int row) { return kClasses[row].flags & kSymmetric ? 1 : 2; }

// The row of a material and whether White is its first side; row 0 is two
// bare kings, -1 a material without a class.
int class_of(const TbBoard& b, int& first) {
  std::string side[2];
  for (int kind = kQueen; kind <= kPawn; ++kind)
    for (int i = 0; i < b.men; ++i)
      if (b.man[i].kind == kind) side[b.man[i].colour] += kKindLetters[kind];
  first = 0;
  int row = find_class(("k" + side[0] + "k" + side[1]).c_str());
  if (row < 0) {
    first = 1;
    row = find_class(("k" + side[1] + "k" + side[0]).c_str());
  }
  return row;
}

// Rows a capture or a promotion of the row's class leads to.
std::vector<int> exit_rows(int row) {
  TbBoard base{};
  for (int side = 0; side < 2; ++side) {
    base.man[base.men++] = {0, kKing, static_cast<int8_t>(side)};
    for (int kind = kQueen; kind <= kPawn; ++kind)
      for (int i = 0; i < class_piece_count(row, side, kKindLetters[kind]); ++i)
        base.man[base.men++] = {0, static_cast<int8_t>(kind), static_cast<int8_t>(side)};
  }
  std::vector<int> rows;
  auto add = [&](const TbBoard& b) {
    int first, r = class_of(b, first);
    if (r > 0 && std::find(rows.begin(), rows.end(), r) == rows.end()) rows.push_back(r);
  };
  // Captures, then promotions with and without a capture.
  auto captures = [&](const TbBoard& b, int colour) {
    for (int victim = 0; victim < b.men; ++victim) {
      if (b.man[victim].kind == kKing || (colour >= 0 && b.man[victim].colour == colour)) continue;
      TbBoard c = b;
      c.man[victim] = c.man[--c.men];
      add(c);
    }
  };
  captures(base, -1);
  for (int pawn = 0; pawn < base.men; ++pawn) {
    if (base.man[pawn].kind != kPawn) continue;
    for (int kind : {kQueen, kRook, kBishop, kKnight}) {
      TbBoard b = base;
      b.man[pawn].kind = static_cast<int8_t>(kind);
      add(b);
      captures(b, b.man[pawn].colour);
    }
  }
  return rows;
}

bool read_tables(int row, const std::string& dir) {
  std::vector<int8_t>(&tables)[2] = finished()[row];
  for (int side = 0; side < stored_sides(row); ++side) {
    std::ifstream in(table_path(dir, row, side), std::ios::binary);
    uint64_t size = table_entries(row, side);
    tables[side].assign(size, 0);
    if (!in.read(reinterpret_cast<char*>(tables[side].data()), static_cast<std::streamsize>(size)) ||
        in.peek() != EOF) {
      finished().erase(row);
      return false;
    }
  }
  return true;
}

bool write_tables(int row, const std::string& dir) {
  for (int side = 0; side < stored_sides(row); ++side) {
    std::ofstream out(table_path(dir, row, side), std::ios::binary | std::ios::trunc);
    const std::vector<int8_t>& table = finished()[row][side];
    if (!out.write(reinterpret_cast<const char*>(table.data()), static_cast<std::streamsize>(table.size()))) {
      std::printf("tb generate: cannot write %s\n", table_path(dir, row, side).c_str());
      return false;
    }
  }
  return true;
}

// The value of a board after a capture or a promotion, for its side to move.
int16_t exit_value(const TbBoard& b) {
  int first, row = class_of(b, first);
  if (row <= 0) return kDraw;
  Placement p;
  placement_of(b, first, p);
  int side = p.side_to_move;
  uint64_t index = index_function(row, side)(p.first, p.second, p.en_passant, first);
  const std::vector<int8_t>& table = finished()[row][stored_sides(row) == 1 ? 0 : side];
  return decode_byte(table[index]);
}

struct ExitSummary {
  int best_win = 0;        // plies of the quickest win a capture or promotion gives, 0 none
  bool holds = false;      // one of them draws or wins
  int longest_loss = 0;    // plies of the slowest loss among them
};

void add_exit(ExitSummary& e, int16_t child) {
  if (is_loss(child)) {
    int plies = plies_of(child) + 1;
    if (e.best_win == 0 || plies < e.best_win) e.best_win = plies;
    e.holds = true;
  } else if (is_win(child)) {
    e.longest_loss = std::max(e.longest_loss, plies_of(child) + 1);
  } else {
    e.holds = true;
  }
}

ExitSummary exits_of(const TbBoard& b) {
  TbMove moves[kMaxMoves];
  int n = legal_moves(b, moves);
  ExitSummary e;
  for (int k = 0; k < n; ++k)
    if (moves[k].capture || moves[k].promotion >= 0) add_exit(e, exit_value(make(b, moves[k])));
  return e;
}

struct State {
  int row;
  bool pawnless;
  std::vector<int16_t> value[2];
  std::vector<uint8_t> pending[2];  // children not yet known as wins for the other side
  // Decided at a later ply than the one being processed, by side.
  std::vector<std::vector<uint64_t>> scheduled[2];
};

void schedule(State& st, int side, int plies, uint64_t index) {
  auto& lists = st.scheduled[side];
  if (static_cast<int>(lists.size()) <= plies) lists.resize(plies + 1);
  lists[plies].push_back(index);
}

uint64_t index_of(const State& st, const TbBoard& b) {
  Placement p;
  placement_of(b, 0, p);
  return index_function(st.row, p.side_to_move)(p.first, p.second, p.en_passant, 0);
}

// Whether, seen from the side to move's king brought to a1..d4, both kings
// stand on the a1..h8 diagonal: only then can the board and its reflection
// in the diagonal have different entries.
bool kings_on_diagonal(const TbBoard& b) {
  int king[2] = {};
  for (int i = 0; i < b.men; ++i)
    if (b.man[i].kind == kKing) king[b.man[i].colour] = b.man[i].square;
  int mask = kPawnlessSymmetry[king[b.side_to_move]];
  int a = king[0] ^ mask, c = king[1] ^ mask;
  return rank64(a) == file64(a) && rank64(c) == file64(c);
}

// The side that just moved has its king out of check and apart from the
// other (the boards come from legal ones by moving one man back).
bool legal_parent(const TbBoard& b) {
  int king[2] = {};
  for (int i = 0; i < b.men; ++i)
    if (b.man[i].kind == kKing) king[b.man[i].colour] = b.man[i].square;
  return king_distance(king[0], king[1]) >= 2 && !in_check(b, 1 - b.side_to_move);
}

TbBoard diagonal_image(const TbBoard& b) {
  TbBoard d = b;
  d.occupied = 0;
  for (int i = 0; i < d.men; ++i) {
    d.man[i].square = static_cast<int8_t>(kDiagonalReflection[d.man[i].square]);
    d.occupied |= uint64_t{1} << d.man[i].square;
  }
  return d;
}

// The first look at every entry: illegal, mated, stalemated, or the
// number of its children in the class and what its captures and
// promotions give.
void initialise(State& st, int side) {
  uint64_t size = table_entries(st.row, side);
  st.value[side].assign(size, kDraw);
  st.pending[side].assign(size, 0);
  TbMove moves[kMaxMoves];
  uint64_t children[2 * kMaxMoves];
  for (uint64_t index = 0; index < size; ++index) {
    Placement p;
    if (!decode_index(st.row, side, index, p) || !legal_placement(st.row, p)) {
      st.value[side][index] = kIllegal;
      continue;
    }
    TbBoard b = board_from_placement(st.row, p);
    int n = legal_moves(b, moves);
    if (n == 0) {
      if (in_check(b, b.side_to_move)) schedule(st, side, 0, index);
      continue;
    }
    // When the board's reflection in the diagonal shares its entry, so do
    // the reflections' children (retract counts them the same way).
    bool twin = st.pawnless && (!kings_on_diagonal(b) || index_of(st, diagonal_image(b)) == index);
    ExitSummary e;
    int distinct = 0;
    for (int k = 0; k < n; ++k) {
      TbBoard child = make(b, moves[k]);
      if (moves[k].capture || moves[k].promotion >= 0) {
        add_exit(e, exit_value(child));
        continue;
      }
      children[distinct++] = index_of(st, child);
      if (twin && kings_on_diagonal(child)) children[distinct++] = index_of(st, diagonal_image(child));
    }
    std::sort(children, children + distinct);
    distinct = static_cast<int>(std::unique(children, children + distinct) - children);
    st.pending[side][index] = static_cast<uint8_t>(distinct);
    if (e.best_win) schedule(st, side, e.best_win, index);
    else if (distinct == 0 && !e.holds) schedule(st, side, e.longest_loss, index);
  }
}

// Entries of the side decided at `plies`: those scheduled for it and still
// open.
void take_scheduled(State& st, int side, int plies, std::vector<uint64_t>& decided) {
  if (static_cast<int>(st.scheduled[side].size()) <= plies) return;
  for (uint64_t index : st.scheduled[side][plies]) {
    int16_t& v = st.value[side][index];
    if (v != kDraw) continue;
    v = plies % 2 ? win_in_plies(plies) : loss_in_plies(plies);
    decided.push_back(index);
  }
  std::vector<uint64_t>().swap(st.scheduled[side][plies]);
}

// Passes a decided entry's result on to the entries with a move to it.
void retract(State& st, int side, uint64_t index, int plies, std::vector<uint64_t>& next) {
  Placement p;
  decode_index(st.row, side, index, p);
  TbBoard b = board_from_placement(st.row, p);
  bool twin = st.pawnless && (!kings_on_diagonal(b) || index_of(st, diagonal_image(b)) == index);
  static TbBoard boards[kMaxUnmoves];
  uint64_t parents[2 * kMaxUnmoves];
  int n_parents = 0;
  int n = unmoves(b, boards);
  for (int k = 0; k < n; ++k) {
    if (!legal_parent(boards[k])) continue;
    parents[n_parents++] = index_of(st, boards[k]);
    if (twin && kings_on_diagonal(boards[k])) parents[n_parents++] = index_of(st, diagonal_image(boards[k]));
  }
  std::sort(parents, parents + n_parents);
  n_parents = static_cast<int>(std::unique(parents, parents + n_parents) - parents);
  int other = 1 - side;
  bool lost = is_loss(st.value[side][index]);
  for (int k = 0; k < n_parents; ++k) {
    uint64_t parent = parents[k];
    int16_t& v = st.value[other][parent];
    if (v != kDraw) continue;
    if (lost) {
      v = win_in_plies(plies + 1);
      next.push_back(parent);
    } else if (--st.pending[other][parent] == 0) {
      Placement q;
      decode_index(st.row, other, parent, q);
      ExitSummary e = exits_of(board_from_placement(st.row, q));
      if (e.holds) continue;
      if (e.longest_loss <= plies + 1) {
        v = loss_in_plies(plies + 1);
        next.push_back(parent);
      } else {
        schedule(st, other, e.longest_loss, parent);
      }
    }
  }
}

bool solve(int row, const std::string& dir) {
  auto start = std::chrono::steady_clock::now();
  State st;
  st.row = row;
  st.pawnless = class_piece_count(row, 0, 'p') + class_piece_count(row, 1, 'p') == 0;
  std::printf("%s: %llu + %llu entries\n", kClasses[row].name,
              static_cast<unsigned long long>(table_entries(row, 0)),
              static_cast<unsigned long long>(table_entries(row, 1)));
  std::fflush(stdout);
  for (int side = 0; side < 2; ++side) initialise(st, side);
  std::printf("%s: first look done in %.1f s\n", kClasses[row].name, seconds_since(start));
  std::fflush(stdout);

  std::vector<uint64_t> decided[2], next[2];
  int longest = 0;
  for (int plies = 0;; ++plies) {
    bool more = false;
    for (int side = 0; side < 2; ++side) {
      take_scheduled(st, side, plies, next[side]);
      decided[side].swap(next[side]);
      next[side].clear();
    }
    for (int side = 0; side < 2; ++side) {
      for (uint64_t index : decided[side]) retract(st, side, index, plies, next[1 - side]);
      if (!decided[side].empty()) longest = plies;
    }
    for (int side = 0; side < 2; ++side) {
      more |= !next[side].empty();
      for (size_t p = plies + 1; p < st.scheduled[side].size(); ++p) more |= !st.scheduled[side][p].empty();
    }
    if (plies % 20 == 0 || !more) {
      std::printf("%s: ply %d, %.1f s\n", kClasses[row].name, plies, seconds_since(start));
      std::fflush(stdout);
    }
    if (!more) break;
  }

  std::vector<int8_t>(&tables)[2] = finished()[row];
  for (int side = 0; side < stored_sides(row); ++side) {
    tables[side].resize(st.value[side].size());
    for (size_t i = 0; i < st.value[side].size(); ++i) {
      int16_t v = st.value[side][i] == kIllegal ? kDraw : st.value[side][i];
      if (!encode_byte(v, tables[side][i])) {
        std::printf("tb generate: %s has a mate too long for a byte\n", kClasses[row].name);
        return false;
      }
    }
  }
  std::printf("%s: longest mate %d plies, generated in %.1f s\n", kClasses[row].name, longest,
              seconds_since(start));
  std::fflush(stdout);
  return write_tables(row, dir);
}

}  // namespace

bool generate_class(int row, const std::string& dir, bool rebuild) {
  prepare_index_tables();
  if (finished().count(row) && !rebuild) return true;
  for (int exit : exit_rows(row))
    if (!generate_class(exit, dir, false)) return false;
  if (!rebuild && read_tables(row, dir)) {
    std::printf("%s: read from %s\n", kClasses[row].name, dir.c_str());
    return true;
  }
  return solve(row, dir);
}

}  // namespace ostrim::tools
