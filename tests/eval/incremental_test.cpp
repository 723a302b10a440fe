// After an evaluation, make/unmake must score every descendant from the
// evaluation's tables alone. At each node of random legal sequences the
// incremental score must equal the score summed afresh from those tables:
//   side-to-move view of (term total + piece scores - isolated pawns - root
//   bias + the pawn-square extras of the pushes and pawn captures so far),
//   plus the tempo on odd plies and the no-progress penalty while pending.
// Unmake must restore every score the evaluation wrote.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <tuple>

#include "board/game_record.h"
#include "board/keys.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/setup.h"
#include "common/engine_flags.h"
#include "common/settings.h"
#include "eval/evaluate.h"
#include "eval_support.h"

namespace ostrim::testing {
namespace {

int expected_piece_score(Board& b, const PieceRecord& r) {
  int score = r.type->table[r.square] + r.type->bonus;
  int f = file_of(r.square);
  if (r.type->kind == kKindRook && pawns_on_file(b.white, f) == 0 && pawns_on_file(b.black, f) == 0)
    score += b.eval.open_file_bonus;
  return score;
}

// Term total plus piece scores minus isolated pawns, White's view; checks
// every record's score against its table entry on the way.
int fresh_white_sum(Board& b, bool* records_ok) {
  int sum = b.eval.term_total;
  *records_ok = true;
  for (Colour c : {kWhite, kBlack}) {
    SideList& own = side_list(b, c);
    int i = colour_index(c);
    for (PieceRecord* r = own.head.next; r != &b.header; r = r->next) {
      int expected = expected_piece_score(b, *r);
      if (r->score != expected) *records_ok = false;
      int f = file_of(r->square);
      int isolated = 0;
      if (r->type->kind == kKindPawn && pawns_on_file(own, f - 1) == 0 && pawns_on_file(own, f + 1) == 0)
        isolated = pawns_on_file(own, f) == 1 ? b.eval.isolated_pawn[i][f] : b.eval.isolated_file[i][f] / 2;
      sum += c * (r->score - isolated);
    }
  }
  return sum;
}

// Files with two or more isolated pawns: make charges their changes by the
// single-pawn term, the summation by half the file term, so sequences stop
// where these files change.
std::set<std::tuple<int, int, int>> doubled_isolated(Board& b) {
  std::set<std::tuple<int, int, int>> files;
  for (Colour c : {kWhite, kBlack}) {
    SideList& own = side_list(b, c);
    for (int f = 0; f < 8; ++f) {
      int n = pawns_on_file(own, f);
      if (n >= 2 && pawns_on_file(own, f - 1) == 0 && pawns_on_file(own, f + 1) == 0)
        files.insert({c, f, n});
    }
  }
  return files;
}

struct Snapshot {
  std::array<int, kSlotCount + 1> scores;
  int material, pieces;
  std::array<int, 24> pawn_files;
};
Snapshot capture(Board& b) {
  Snapshot s{};
  for (int slot = 1; slot <= kSlotCount; ++slot) s.scores[slot] = b.slots[slot].score;
  s.material = b.piece_material;
  s.pieces = b.piece_count;
  for (int f = 0; f < 12; ++f) {
    s.pawn_files[f] = b.white.pawn_files[f];
    s.pawn_files[12 + f] = b.black.pawn_files[f];
  }
  return s;
}
bool same(const Snapshot& a, const Snapshot& b) {
  return a.scores == b.scores && a.material == b.material && a.pieces == b.pieces &&
         a.pawn_files == b.pawn_files;
}

Move random_legal_move(Position& p, Lcg& rng) {
  Move moves[256];
  int n = 0;
  reset_generation(p);
  for (Move m = next_move(p); m != kNullMove && n < 256; m = next_move(p))
    if (leaves_king_safe(p, m)) moves[n++] = m;
  reset_generation(p);
  return n == 0 ? kNullMove : moves[rng.next() % n];
}

struct Walk {
  Board* b;
  Colour root;
  int bias_white;      // the root-side bias, White's view
  int pending_root;    // the no-progress penalty, root side's view
  Lcg rng;
  int checked = 0;
};

// Checks node n at distance `ply` from the evaluated position, with the
// White-view pawn-square extras `ledger`, then goes deeper.
void walk(Walk& w, Position& n, int ply, int depth, int ledger, const std::string& fen) {
  Board& b = *w.b;
  bool records_ok = false;
  int white = fresh_white_sum(b, &records_ok) + w.bias_white + ledger;
  int expected = n.side * white + (ply % 2 == 1 ? tempo() : 0);
  if (n.status & status::kAdjustmentPending) expected += n.side == w.root ? w.pending_root : -w.pending_root;
  ++w.checked;
  ASSERT_TRUE(records_ok) << fen << " ply " << ply;
  ASSERT_EQ(n.score, expected) << fen << " ply " << ply;
  if (ply == depth) return;

  Move m = random_legal_move(n, w.rng);
  if (m == kNullMove) return;
  Snapshot before = capture(b);
  auto doubled = doubled_isolated(b);
  Colour mover = n.side;
  Square from = move_from(m), to = move_to(m);
  bool pawn_move = piece_at(b, from)->type->kind == kKindPawn;
  const int16_t* mover_a = b.eval.pawn_square[colour_index(mover)];
  const int16_t* victim_ab = b.eval.pawn_square[colour_index(-mover)];

  Position child;
  construct_position(child, b);
  make_full_move(n, m, child);
  int next_ledger = ledger;
  bool captured = child.captured != &b.header;
  if (captured && child.captured->type->kind == kKindPawn)
    next_ledger += mover * (victim_ab[to] + victim_ab[to + 8]);  // the victim is -mover
  if (pawn_move && !captured) next_ledger += mover * (mover_a[to] - mover_a[from]);
  if (doubled_isolated(b) == doubled && !(child.status & status::kTerminal))
    walk(w, child, ply + 1, depth, next_ledger, fen);
  unmake_move(child);
  EXPECT_TRUE(same(before, capture(b))) << fen << " unmake after ply " << ply;
}

struct Tally {
  int positions = 0, nodes = 0, pending = 0;
};

// Evaluates each position, then walks two random sequences of five plies.
void run_walks(const std::vector<std::string>& fens, int halfmove_every, Tally& tally) {
  Lcg rng{12345};
  for (size_t i = 0; i < fens.size(); ++i) {
    if (setup_position(fens[i].c_str()) != 0) continue;
    ++tally.positions;
    Position& root = root_position;
    // Some positions carry a no-progress stretch, so that its undoing is seen.
    if (i % halfmove_every == 0) root.halfmove = 7;
    EvalReport report = evaluate_with_report(root, true);
    Board& b = main_board;
    bool records_ok = false;
    int white = fresh_white_sum(b, &records_ok);
    ASSERT_TRUE(records_ok) << fens[i];
    ASSERT_EQ(white, report.term) << fens[i];

    Walk w{&b, root_side(), 0, 0, Lcg{rng.next()}};
    int pending = 0;
    if (root.status & status::kAdjustmentPending) {
      w.pending_root = -b.eval.irreversible_adjustment;  // as the root side sees it
      pending = root.side == w.root ? w.pending_root : -w.pending_root;
      ++tally.pending;
    }
    int bias = root.score - pending - root.side * white;  // what is left is the root bias
    w.bias_white = root.side * bias;
    ASSERT_TRUE(bias == -2 || bias == -4 || bias == -8) << fens[i] << " bias " << bias;
    for (int run = 0; run < 2; ++run) walk(w, root, 0, 5, 0, fens[i]);
    tally.nodes += w.checked;
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(EvalIncremental, OpeningsDescendantsScoreFromTheTables) {
  draw_hash_keys();
  reset_settings();
  std::vector<std::string> fens = load_positions("openings/openings2000.epd");
  Tally tally;
  run_walks(fens, 3, tally);
  EXPECT_EQ(tally.positions, static_cast<int>(fens.size()));
  EXPECT_GT(tally.nodes, 15000);
}

// Thinner material: the endgame evaluator, passed pawns, the no-progress
// penalty and drawish scaling all feed the tables here.
TEST(EvalIncremental, EndgameDescendantsScoreFromTheTables) {
  draw_hash_keys();
  reset_settings();
  std::vector<std::string> openings = load_positions("openings/openings2000.epd");
  std::vector<std::string> fens;
  const int shapes[][2] = {{15, 80}, {25, 40}, {0, 50}, {35, 25}, {10, 100}};
  for (uint32_t i = 0; i < 400; ++i) {
    const int* shape = shapes[i % 5];
    fens.push_back(thin_out(openings[i * 7 % openings.size()], 1000 + i, shape[0], shape[1]));
  }
  Tally tally;
  run_walks(fens, 2, tally);
  EXPECT_GT(tally.nodes, 3000);
  EXPECT_GT(tally.pending, 100);
}

}  // namespace
}  // namespace ostrim::testing
