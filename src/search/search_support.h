#pragma once
// Small pieces the node searches share: candidates, move filters, gains,
// records with the sides exchanged, killers and variations.
#include <atomic>

#include "board/attacks.h"
#include "board/board.h"
#include "common/engine_flags.h"
#include "common/settings.h"
#include "search/search.h"

namespace ostrim {

inline int ply_of(const Position& p) { return p.floor - kRootFloor; }

inline bool epoch_stale(const Board& b) {
  return b.epoch != flags.search_epoch.load(std::memory_order_relaxed);
}
inline bool search_interrupted(const Board& b) { return stop_requested() || epoch_stale(b); }

// The bounds of a node whose moves workers search are shared with them:
// every access is whole and goes to memory.
inline int read_bound(int& bound) { return std::atomic_ref<int>(bound).load(std::memory_order_relaxed); }
inline void write_bound(int& bound, int value) {
  std::atomic_ref<int>(bound).store(value, std::memory_order_relaxed);
}

// The to-square of the move that led here; an under-promotion code counts as none.
inline Square last_move_target(const Position& p) {
  int code = move_to_code(p.move);
  return code < 0 ? kNullSquare : code;
}

inline Square refutation_target(const Position& p) { return p.refutation >> 8; }

// In check: a threat is pending and it is on the side to move's king.
inline bool node_in_check(const Position& p) {
  if ((p.flags & moveflag::kThreatPending) == 0) return false;
  const PieceRecord* r = piece_at(*p.board, p.threatened_square);
  return r->colour == p.side && r->type->kind == kKindKing;
}

inline bool is_capture(const Board& b, Move m) { return piece_at(b, move_to(m))->colour != kNoColour; }

inline bool is_en_passant(const Position& p, Move m) {
  return (p.flags & moveflag::kEnPassant) && move_to(m) == p.ep_square &&
         piece_at(*p.board, move_from(m))->type->kind == kKindPawn;
}

inline bool is_castling(const Board& b, Move m) {
  int d = move_to(m) - move_from(m);
  return (d == 2 || d == -2) && piece_at(b, move_from(m))->type->kind == kKindKing;
}

// What the move wins at once by the tables: the mover's table entry at its
// destination minus that at its origin, plus the score of what it takes.
inline int move_gain(const Board& b, Move m) {
  Square from = move_from(m);
  Square to = move_to(m);
  const PieceRecord* mover = piece_at(b, from);
  return mover->type->table[to] - mover->type->table[from] + piece_at(b, to)->score;
}

inline bool queen_on_board(const Board& b) {
  return b.types[kWhiteQueenType].count + b.types[kBlackQueenType].count > 0;
}

// The evaluation's switch point between middlegame and endgame: queen + bishop.
inline int endgame_threshold(const Board& b) {
  return b.types[kWhiteQueenType].value + b.types[kWhiteBishopType].value;
}

inline void push_if_pseudo_legal(Position& p, Move m) {
  if (m != kNullMove && is_pseudo_legal(p, m)) *p.stack_top++ = m;
}

// The node's candidates before any generation: killers, threat answers and
// the captures of the target square by its two cheapest attackers.
void push_candidates(Position& p, const Move* killers);
// The captures of the target square by the first and second attacker in
// list order; the first ends on top.
void push_captures_of(Position& p, Square target);

// At a bad-move node: only moves onto the refutation's square, captures of
// a more valuable piece, or (unless narrowed) recaptures pass.
bool passes_bad_move_filter(const Position& p, Move m);

// At a node with a threat pending: whether the move is searched; a move that
// ignores the threat leaves it in the node's pending-threat slot.
bool passes_threat_filter(Position& p, Move m);

// The node's moves in search order: the candidates on its stack (last
// pushed first), then the generator's; a move already tried is skipped.
struct MoveOrder {
  static constexpr int kRemembered = 24;
  Move tried[kRemembered];
  int tried_count = 0;

  Move next(Position& p);
};

// Makes the move into the child with the fields every child search starts from.
void make_child(Position& p, Move m, Position& c);

// The record with the sides exchanged (null move, threat tests).
void build_swapped_record(Position& r, Position& source);
// The threat test's record: the position with the opponent to move again,
// marked as a threat record.
void build_threat_record(Position& r, Position& source);

void update_killers(Move* killers, Move m, const Position& p);
// pv = m followed by the child's variation.
void copy_variation(Move* pv, Move m, const Move* child_pv);

// Whether the move list (read down to its null move) holds m.
bool is_excluded(const Move* excluded, Move m);

// Stand pat beyond the deepest ply the stacks are sized for.
inline bool too_deep(const Position& p) { return ply_of(p) >= kMaxPly; }

// A threat found by a search of a swapped record becomes the position's
// pending threat: its source, the threatened square and piece, flag 8.
void set_threat(Position& c, Move threat, int result);

}  // namespace ostrim

namespace ostrim {

// Moves that repeat or cannot win are worth at most a draw when the window
// reaches above it: scored 0 outright when alpha is already at least 0,
// else searched with the child's lower bound at 0.
enum class DrawishWindow { None, ScoreZero, CapAtZero, CapReversal };
inline DrawishWindow drawish_window(const Position& p, const Position& c, int beta, int alpha) {
  if (beta <= 0) return DrawishWindow::None;
  bool reverses = c.repetition > 0;
  bool cannot_win = (c.status & p.side_list->cannot_win) != 0;
  if (!reverses && !cannot_win) return DrawishWindow::None;
  if (alpha >= 0) return DrawishWindow::ScoreZero;
  return reverses ? DrawishWindow::CapReversal : DrawishWindow::CapAtZero;
}

}  // namespace ostrim

namespace ostrim {
inline bool is_castling_distance(Square from, Square to) { return to - from == 2 || from - to == 2; }
}  // namespace ostrim
