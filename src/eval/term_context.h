#pragma once
// What one run of a term evaluator works with: the counts and marks it
// derives from the board, its per-side term totals and the scratch maps of
// the square-control pass. Lives on the caller's stack; only the tables on
// the board outlive the call.
#include <cstdint>

#include "board/board.h"

namespace ostrim {

struct TermContext {
  Board* board;
  uint32_t* status;
  int halfmove;
  Colour side_to_move;
  const PieceRecord* en_prise;  // on the board but left out of the counts
  bool endgame;

  // Counts by colour_index, from the type counts (the recapture test may
  // have taken one piece out of them).
  int queens[2], rooks[2], bishops[2], knights[2], pawns[2], pieces[2];
  int bishop_colour[2];  // (file + rank) & 1 of a lone bishop, else -1
  Square bishop_square[2];
  Square king_square[2];
  int piece_material;

  bool queen_on_board;
  bool heavy;          // queens, two rooks and two pieces a side
  bool many_units;
  bool symmetric_files;
  bool imbalance;
  bool king_activity;
  bool opposite_bishops;
  int files_without_pawns;
  int span;

  // Per-file pawn extremes by colour_index, ranks from the pawn's own side:
  // least advanced (7 when none) and most advanced (0 when none).
  int least[2][8];
  int most[2][8];
  int most_advanced[2];

  // Score bonuses of the kinds before any side's adjustment; the rules that
  // compare with "the knight bonus" use these so that both colours agree.
  int knight_base, bishop_base, rook_base;
  int q, d;  // piece balance and material balance, White minus Black

  const int32_t* passed_rank;
  int weak_pawn[2][8];  // A per colour and file
  int total[2];         // term totals, each from its own side's view
  int complexity;
  int drawish;

  // Square control: per colour slider value a and knight part b, and the
  // square flags.
  int control_a[2][128];
  int control_b[2][128];
  uint8_t square_flags[128];
};

// Square flags of the control pass.
namespace squareflag {
constexpr uint8_t kWhiteDamping = 8;
constexpr uint8_t kBlackDamping = 16;
constexpr uint8_t kWhitePawn = 32;
constexpr uint8_t kBlackPawn = 64;
constexpr uint8_t kBlocking = kWhitePawn | kBlackPawn;
}  // namespace squareflag

// Pawn map bits (EvalState::square_marks, per colour).
namespace pawnmark {
constexpr uint8_t kOwnPawn = 1;        // a pawn of the map's colour stands here
constexpr uint8_t kOwnControl = 2;     // ... stands here or attacks the square
constexpr uint8_t kEnemyAttack = 4;    // a pawn of the other colour attacks it
constexpr uint8_t kPasserPath = 8;     // a push here makes or keeps a passed pawn
}  // namespace pawnmark

constexpr int kScaleOne = 64;
// x scaled by s/64 with rounding.
constexpr int scale64(int x, int s) { return (x * s + 32) >> 6; }

constexpr int ci(Colour c) { return colour_index(c); }
constexpr Colour colour_of_index(int i) { return i == 0 ? kWhite : kBlack; }
// Rank counted from the colour's own side.
constexpr int own_rank(Colour c, Square s) { return c > 0 ? rank_of(s) : 7 - rank_of(s); }
constexpr Square own_square(Colour c, int file, int rank) {
  return make_square(file, c > 0 ? rank : 7 - rank);
}
constexpr int forward(Colour c) { return 16 * c; }
constexpr int king_distance(Square a, Square b) {
  int df = file_of(a) - file_of(b), dr = rank_of(a) - rank_of(b);
  df = df < 0 ? -df : df;
  dr = dr < 0 ? -dr : dr;
  return df > dr ? df : dr;
}

// The colour's half of a kind's piece-square table, indexed by square.
inline int16_t* kind_table(Board& b, int kind, Colour c) {
  return b.eval.tables[table_block(kind)] + (c > 0 ? 0 : 8);
}
inline int16_t* pawn_table_a(Board& b, Colour c) { return b.eval.pawn_square[ci(c)]; }
inline int16_t* pawn_table_b(Board& b, Colour c) { return b.eval.pawn_square[ci(c)] + 8; }
inline PieceType& type_of(Board& b, int kind, Colour c) {
  return b.types[c > 0 ? kWhitePawnType + (kind - kKindPawn) : kBlackPawnType - (kind - kKindPawn)];
}
inline bool is_piece_of(const PieceRecord* r, int kind, Colour c) {
  return r->colour == c && r->type->kind == kind;
}

// ---- Steps shared by both term evaluators.

// Clears the evaluation area and the marks; files without pawns, symmetry.
void reset_terms(TermContext& t, Board& b, uint32_t& status, int halfmove, Colour side,
                 const PieceRecord* en_prise, bool endgame);
// Counts, phase marks, lone bishops, kings.
void count_material(TermContext& t);
// q and d from the score bonuses in force.
void material_balance(TermContext& t);
// The no-progress penalty: p = per_ply * h where it applies.
void no_progress_penalty(TermContext& t, bool applies, int per_ply);

// Pawn maps, per-file extremes, span; then passed pawns into tables A/B.
void analyse_pawns(TermContext& t);
void passed_pawns(TermContext& t);
// T1, T2, A per file and colour, and the backward-pawn penalties from A.
void pawn_weaknesses(TermContext& t, int weak, int isolated, int isolated_file, int raise,
                     int raise_file);
// Both colours' kings near pawns.
void kings_near_pawns(TermContext& t, int near_enemy, int near_own);
// Pawn-table space by rank: ((r - 1) w) >> 2 from each side's view.
void pawn_space(TermContext& t, int w);
void bishop_pair(TermContext& t, int bonus);
void trapped_pieces(TermContext& t, int penalty);
void clear_lead(TermContext& t, int complexity_gain, bool needs_open_file);

// Square control and the slider, knight tables built from it.
void square_control(TermContext& t);

// King centralisation, castling entry, shelter and the rook scan (middlegame).
void king_safety(TermContext& t);
// The endgame king table.
void endgame_king_position(TermContext& t);

// Drawish rules of each evaluator; each sets t.drawish and adjusts totals.
void middlegame_drawish_rules(TermContext& t);
void endgame_drawish_rules(TermContext& t);
// Applies s/64 to totals, weakness values, tables and bonuses (kings excepted).
void apply_scale(TermContext& t, int s);

// Promotion-rank pawn entries, piece scores, and the White-view sum.
int sum_piece_scores(TermContext& t);

// The back-rank rook scan from a corner towards the colour's king home square.
Square back_rank_rook_scan(Board& b, Colour c, Square corner);

}  // namespace ostrim
