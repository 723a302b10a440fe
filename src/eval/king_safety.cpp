// The kings' tables: centralisation, the castling entry, pawn shelter and
// the rook shut in behind its own king (middlegame); centralisation towards
// the enemy (endgame).
#include <initializer_list>

#include "common/settings.h"
#include "eval/term_context.h"
#include "eval/weights.h"

namespace ostrim {
namespace {

constexpr int distance_from_centre_line(int x) { return x <= 3 ? 3 - x : x - 4; }
// max(2, 7 - df - dr): df from the d/e files, dr from the 4th/5th ranks.
constexpr int centre(Square s) {
  int v = 7 - distance_from_centre_line(file_of(s)) - distance_from_centre_line(rank_of(s));
  return v < 2 ? 2 : v;
}

// The endgame king table from White's side, rank 8 first.
constexpr int kEndgameKing[8][8] = {
    {2, 3, 4, 5, 5, 4, 3, 2}, {3, 4, 5, 6, 6, 5, 4, 3}, {4, 5, 6, 7, 7, 6, 5, 4},
    {4, 5, 6, 7, 7, 6, 5, 4}, {3, 4, 5, 6, 6, 5, 4, 3}, {2, 3, 4, 5, 5, 4, 3, 2},
    {2, 2, 3, 4, 4, 3, 2, 2}, {0, 1, 2, 3, 3, 2, 1, 0},
};

// Pawn-table entries at ranks 2..7 of the file from the most advanced pawn
// of that colour on (all six when it has none) change by delta.
void shelter_file(TermContext& t, Colour c, int file, int delta) {
  int16_t* table = kind_table(*t.board, kKindPawn, c);
  int most = t.most[ci(c)][file];
  for (int r = 1; r <= 6; ++r)
    if (most == 0 || r >= most) table[own_square(c, file, r)] += delta;
}

}  // namespace

Square back_rank_rook_scan(Board& b, Colour c, Square corner) {
  Square home = c > 0 ? kE1 : kE8;
  int step = corner < home ? 1 : -1;
  Square found = home;
  for (Square s = corner; s != home; s += step) {
    if (!is_piece_of(piece_at(b, s), kKindRook, c)) continue;
    if (pawns_on_file(side_list(b, c), file_of(s)) == 0) return home;
    found = s;
  }
  return found;
}

void king_safety(TermContext& t) {
  Board& b = *t.board;
  const int k = pct(settings.king_safety_pct);
  const MiddlegameWeights& mw = middlegame_weights;
  const int base = t.king_activity ? 0 : t.heavy ? 53 * k / 100 : 41 * k / 100;
  int w;
  if (t.heavy) {
    w = -(8 * k / 100);
  } else {
    w = t.king_activity ? mw.king_centre_active : mw.king_centre;
    if (t.queen_on_board) w /= 2;
  }
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    int16_t* table = kind_table(b, kKindKing, c);
    Square king = t.king_square[i];
    Square home = c > 0 ? kE1 : kE8;
    for (Square s = 0; s < 128; ++s)
      if (on_board(s)) table[s] += centre(s) * w;

    // The make-move update keeps these tables until the next evaluation, so
    // a square the king reaches without castling must already carry what it
    // is worth once the rights are gone: the base penalty between rooks
    // still shut in on closed files of the back rank, rights or not. The
    // squares castling reaches are spared for the rights still held.
    const uint32_t rights = *t.status & (c > 0 ? status::kWhiteCastling : status::kBlackCastling);
    const Square short_target = own_square(c, 6, 0), long_target = own_square(c, 2, 0);
    int low = file_of(back_rank_rook_scan(b, c, own_square(c, 0, 0)));
    int high = file_of(back_rank_rook_scan(b, c, own_square(c, 7, 0)));
    for (int f = low + 1; f < high; ++f) {
      for (int r = 0; r < 2; ++r) {
        Square s = own_square(c, f, r);
        if (rights != 0 && s == home) continue;  // the castling entry below stands in
        if ((rights & (status::kWhiteKingSide | status::kBlackKingSide)) && s == short_target) continue;
        if ((rights & (status::kWhiteQueenSide | status::kBlackQueenSide)) && s == long_target) continue;
        table[s] -= base;
      }
    }

    // The castling entry, a little better than the base penalty the home
    // square would carry between shut-in rooks once the rights are gone.
    if (rights != 0) table[home] += (centre(king) - centre(home)) * w - base + k / 10;
  }

  if (!t.heavy) return;
  for (int i = 0; i < 2; ++i) {
    Colour c = colour_of_index(i);
    int king_file = file_of(t.king_square[i]);
    for (int f = king_file - 1; f <= king_file + 1; ++f) {
      if (f < 0 || f > 7) continue;
      shelter_file(t, c, f, k / 10);
      if (t.files_without_pawns == 0) shelter_file(t, -c, f, -(7 * k / 100));
    }
  }
}

void endgame_king_position(TermContext& t) {
  const int w = endgame_weights.king_centre;
  int16_t* white = kind_table(*t.board, kKindKing, kWhite);
  int16_t* black = kind_table(*t.board, kKindKing, kBlack);
  for (int r = 0; r < 8; ++r) {
    for (int f = 0; f < 8; ++f) {
      Square s = make_square(f, r);
      white[s] += kEndgameKing[7 - r][f] * w;
      black[s] += kEndgameKing[r][f] * w;
    }
  }
}

}  // namespace ostrim
