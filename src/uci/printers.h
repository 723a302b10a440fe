#pragma once
// The search's reports: principal variation, current move and best move
// lines, installed as hooks at engine start.
#include "board/board.h"

namespace ostrim::uci {

// "info depth %d score cp %d nodes %lld tbhits %ld time %d multipv %d pv %s",
// or "score mate %d" for |score| of 9000 and more. The score is from the
// root side's view; the variation ends at the null move (19 moves at most)
// and becomes the reported variation.
void print_variation(int depth, int score, const Move* variation, const Position* root = nullptr);

// With no child: "info depth %d nodes %lld", and the current-move count
// starts again. With the child just made from the root by a root move:
// "info currmove %s currmovenumber %d".
void print_current_move(int depth, const Position* child);

// "bestmove %s ponder %s", or "bestmove %s" when the ponder move is the
// null move. A null best move prints "bestmove 0000".
void print_bestmove(Move best, Move ponder);

// The score the variation line shows: corrected by the contempt unless it
// is 0 or a mate score.
int shown_score(int score, int contempt);

}  // namespace ostrim::uci
