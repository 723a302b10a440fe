#include "eval/evaluate.h"

#include <algorithm>
#include <cmath>

#include "board/attacks.h"
#include "common/engine_flags.h"
#include "common/settings.h"
#include "eval/snapshot.h"
#include "eval/term_evaluators.h"
#include "eval/weights.h"

namespace ostrim {
namespace {

constexpr int kHeavyRootBias = 8;
constexpr int kMiddlegameRootBias = 4;
constexpr int kEndgameRootBias = 2;
constexpr int kComplexityCap = 89;
constexpr int kFutilityOffset = 10;
constexpr int kContemptBound = 1000;

// Castling rights whose rook has left its corner are gone.
void clean_castling(Position& p) {
  Board& b = *p.board;
  auto rook_on = [&](Square s, int type) { return piece_at(b, s)->type == &b.types[type]; };
  if (p.status & status::kWhiteCastling) {
    if (!rook_on(kA1, kWhiteRookType)) p.status &= ~status::kWhiteQueenSide;
    if (!rook_on(kH1, kWhiteRookType)) p.status &= ~status::kWhiteKingSide;
  }
  if (p.status & status::kBlackCastling) {
    if (!rook_on(kA8, kBlackRookType)) p.status &= ~status::kBlackQueenSide;
    if (!rook_on(kH8, kBlackRookType)) p.status &= ~status::kBlackKingSide;
  }
}

bool attacks_from_list(Board& b, SideList& list, Square s, PieceRecord** first) {
  for (PieceRecord* r = list.head.next; r != &b.header; r = r->next) {
    if (attacks(*r, s)) {
      if (first) *first = r;
      return true;
    }
  }
  return false;
}

// The piece that just captured, when it can be taken back at a profit: the
// evaluation counts it as gone (it still stands, and its score still counts).
PieceRecord* capture_en_prise(Position& p) {
  Board& b = *p.board;
  if (p.captured == nullptr || p.captured == &b.header) return nullptr;
  Square to = move_to(p.move);
  PieceRecord* capturer = piece_at(b, to);
  if (capturer->colour == kNoColour || capturer->type->kind == kKindKing) return nullptr;
  PieceRecord* attacker = nullptr;
  if (!attacks_from_list(b, side_list(b, p.side), to, &attacker)) return nullptr;
  if (attacker->type->value_class < capturer->type->value_class) return capturer;
  if (!attacks_from_list(b, side_list(b, -p.side), to, nullptr)) return capturer;
  return nullptr;
}

}  // namespace

int apply_no_progress(int t, int& p) {
  if (t < (3 * p) / 2) {
    if (t <= (-3 * p) / 2) p = -p;
    else p = (2 * t) / 3;
  }
  return t - p;
}

int advanced_contempt(int contempt, int complexity, int t) {
  double a = complexity / 200.0;
  double g = std::exp(std::abs(t) / 70.0);
  return static_cast<int>(contempt * (1.0 - 2.0 * (1.0 - a) / ((1.0 + a) * (1.0 + g))));
}

EvalReport evaluate_with_report(Position& p, bool root) {
  Board& b = *p.board;
  ensure_middlegame_weights(b);
  if (root) release_eval_snapshots(b);
  bool endgame = b.piece_material <= thresholds.switch_point;
  if (endgame) ensure_endgame_weights(b);
  clean_castling(p);

  PieceRecord* en_prise = capture_en_prise(p);
  if (en_prise) {
    --en_prise->type->count;
    if (en_prise->type->kind != kKindPawn) b.piece_material -= en_prise->type->value;
  }
  int s;
  if (endgame) {
    s = evaluate_endgame(b, p.status, p.halfmove, p.side, en_prise);
  } else {
    s = evaluate_middlegame(b, p.status, p.halfmove, en_prise);
    p.score = s;
    EvalState& e = b.eval;
    if (e.drawish == 0 && e.complexity > 8 && (s < -120 || s > 120))
      e.complexity = 9 * e.complexity / 10 - 2;
    if (e.complexity > kComplexityCap) e.complexity = kComplexityCap;
  }
  if (en_prise) {
    ++en_prise->type->count;
    if (en_prise->type->kind != kKindPawn) b.piece_material += en_prise->type->value;
  }
  const int term = s;

  int bias = kEndgameRootBias;
  if (!endgame) {
    bool queens = b.types[kWhiteQueenType].count + b.types[kBlackQueenType].count > 0;
    bias = queens && b.piece_material >= thresholds.heavy_mark ? kHeavyRootBias
                                                              : kMiddlegameRootBias;
  }
  const Colour root_colour = root_side();
  s = root_colour > 0 ? s - bias : s + bias;

  const int tempo_now = tempo();
  int t = p.side > 0 ? s : -s;
  t += tempo_now / 2;
  flags.futility_margin.store(tempo_now - kFutilityOffset, std::memory_order_relaxed);

  if (p.status & status::kAdjustmentPending) {
    int penalty = b.eval.irreversible_adjustment;
    t = apply_no_progress(t, penalty);
    // Stored from the side that made no progress, for make to take it
    // back when an irreversible move ends the no-progress stretch.
    b.eval.irreversible_adjustment = p.side == root_colour ? penalty : -penalty;
  }

  // Contempt comes unchecked from its option too.
  const int setting = std::clamp(settings.contempt, -kContemptBound, kContemptBound);
  int contempt = setting;
  if (!endgame && settings.advanced_contempt) contempt = advanced_contempt(setting, b.eval.complexity, t);
  t += p.side == root_colour ? contempt : -contempt;
  p.score = t;
  return {endgame, term, t};
}

void Evaluate(Position& p, bool root) { evaluate_with_report(p, root); }

}  // namespace ostrim
