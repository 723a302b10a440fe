#include "pgn_moves.h"

#include "board/attacks.h"
#include "board/movegen.h"
#include "board/notation.h"

namespace ostrim::tools {
namespace {

bool is_file(char c) { return c >= 'a' && c <= 'h'; }
bool is_rank(char c) { return c >= '1' && c <= '8'; }

// e2e4, e2-e4, e7xd8q: any piece may make these.
bool is_coordinate_text(const std::string& t) {
  if (t.size() < 4 || !is_file(t[0]) || !is_rank(t[1])) return false;
  std::size_t i = (t[2] == '-' || t[2] == 'x') ? 3 : 2;
  return t.size() >= i + 2 && is_file(t[i]) && is_rank(t[i + 1]);
}

}  // namespace

bool sound_start(Position& root) {
  Board& b = *root.board;
  for (Colour c : {kWhite, kBlack}) {
    PieceRecord* king = king_of(b, c);
    if (king->colour != c || !on_board(king->square)) return false;
  }
  for (int file = 0; file < 8; ++file) {
    for (Square s : {make_square(file, 0), make_square(file, 7)})
      if (piece_at(b, s)->colour != kNoColour && piece_at(b, s)->type->kind == kKindPawn) return false;
  }
  return !attacked_by(b, root.side, king_of(b, root.opponent)->square);
}

// A SAN text without a piece letter
// must be a pawn's move: the engine's matching would accept any piece that
// reaches the square, and a promoted piece can stand before a pawn in the
// generation order.
Move match_game_move(const Position& root, const std::string& text) {
  Position scratch;
  construct_position(scratch, *root.board);
  copy_position(scratch, root);
  reset_generation(scratch);
  scratch.flags &= ~moveflag::kThreatPending;
  bool pawn_only = is_file(text[0]) && !is_coordinate_text(text);
  for (Move m = next_move(scratch); m != kNullMove; m = next_move(scratch)) {
    if (!match_move(*root.board, m, text.c_str())) continue;
    if (pawn_only && piece_at(*root.board, move_from(m))->type->kind != kKindPawn) continue;
    if (leaves_king_safe(scratch, m)) return m;
  }
  return kNullMove;
}

}  // namespace ostrim::tools
