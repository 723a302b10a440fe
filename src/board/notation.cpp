#include "board/notation.h"

#include <cctype>
#include <cstring>

#include "board/movegen.h"

namespace ostrim {
namespace {

char promotion_letter(Move m, int piece_letter) {
  int code = move_to_code(m);
  if (code < 0) {
    switch (underpromotion_kind(code)) {
      case kKindRook: return 'R';
      case kKindBishop: return 'B';
      default: return 'N';
    }
  }
  if (piece_letter == 'P' && code >= 112) return 'Q';
  if (piece_letter == 'p' && code < 16) return 'Q';
  return '\0';
}

void write_square(char* out, Square s) {
  out[0] = static_cast<char>('a' + file_of(s));
  out[1] = static_cast<char>('1' + rank_of(s));
}

}  // namespace

void move_to_text(char out[kMoveTextSize], Move m, int piece_letter) {
  Square from = move_from(m);
  Square to = move_to(m);
  if (!on_board(from) || !on_board(to)) {
    std::strcpy(out, "0000");  // the null move, or no move at all
    return;
  }
  write_square(out, from);
  write_square(out + 2, to);
  out[4] = promotion_letter(m, piece_letter);
  out[5] = '\0';
}

void move_to_uci(char out[kMoveTextSize], Move m, int piece_letter) {
  move_to_text(out, m, piece_letter);
  out[4] = static_cast<char>(std::tolower(static_cast<unsigned char>(out[4])));
}

void move_text_in(char out[kMoveTextSize], const Position& p, Move m) {
  Square from = move_from(m);
  int letter = on_board(from) ? piece_at(*p.board, from)->type->letter : 'E';
  move_to_uci(out, m, letter);
}

bool match_move(const Board& b, Move m, const char* text) {
  char t[20];
  std::size_t n = 0;
  while (n < sizeof t - 1 && text[n] != '\0') {
    t[n] = text[n];
    ++n;
  }
  if (text[n] != '\0') return false;  // no move text is that long
  t[n] = '\0';
  if (n > 0 && (t[n - 1] == '+' || t[n - 1] == '#' || t[n - 1] == ')')) t[--n] = '\0';

  Square from = move_from(m);
  Square to = move_to(m);
  const PieceRecord* piece = piece_at(b, from);
  if (std::strcmp(t, "O-O") == 0 || std::strcmp(t, "0-0") == 0)
    return piece->type->kind == kKindKing && to - from == 2;
  if (std::strcmp(t, "O-O-O") == 0 || std::strcmp(t, "0-0-0") == 0)
    return piece->type->kind == kKindKing && from - to == 2;

  int code = move_to_code(m);
  int high_nibble = (m >> 12) & 0xF;
  if (n > 0 && std::strchr("BbNnQqRr", t[n - 1]) != nullptr) {
    switch (std::toupper(static_cast<unsigned char>(t[n - 1]))) {
      case 'B': if (high_nibble != 0x9 && high_nibble != 0xE) return false; break;
      case 'N': if (high_nibble != 0xA && high_nibble != 0xD) return false; break;
      case 'R': if (high_nibble != 0x8 && high_nibble != 0xF) return false; break;
      default: if (code < 0) return false; break;
    }
    t[--n] = '\0';
  }
  if (n < 2 || t[n - 2] != 'a' + file_of(to) || t[n - 1] != '1' + rank_of(to)) return false;
  n -= 2;
  if (n > 1 && (t[n - 1] == '-' || t[n - 1] == 'x')) --n;
  if (n == 0) return true;
  if (t[n - 1] >= '1' && t[n - 1] <= '8') {
    if (t[n - 1] != '1' + rank_of(from)) return false;
    if (--n == 0) return true;
  }
  if (t[n - 1] >= 'a' && t[n - 1] <= 'h') {
    if (t[n - 1] != 'a' + file_of(from)) return false;
    if (--n == 0) return true;
  }
  if (piece->type->kind == kKindPawn) return false;
  return n == 1 && t[0] == std::toupper(piece->type->letter);
}

Move find_move(const Position& root, const char* text) {
  Position scratch;
  copy_for_generation(scratch, root);
  for (Move m = next_move(scratch); m != kNullMove; m = next_move(scratch)) {
    // A move that leaves the king attacked is not a move of the game.
    if (match_move(*root.board, m, text) && leaves_king_safe(scratch, m)) return m;
  }
  return kNullMove;
}

}  // namespace ostrim
