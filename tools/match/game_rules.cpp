#include "match/game_rules.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "board/attacks.h"
#include "board/game_record.h"
#include "board/keys.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/setup.h"
#include "pgn_moves.h"
#include "platform/sync.h"

namespace ostrim::tools {
namespace {

constexpr int kFiftyMovePlies = 100;
constexpr int kRepetitionCount = 3;

// Holds the main board for one caller at a time.
struct BoardLock {
  BoardLock() {
    platform::enter_critical_section(section());
    static bool keys_drawn = false;
    if (!keys_drawn) {
      draw_hash_keys();
      keys_drawn = true;
    }
  }
  ~BoardLock() { platform::leave_critical_section(section()); }
  static platform::CriticalSection* section() {
    static platform::CriticalSection* s = platform::create_critical_section();
    return s;
  }
};

// The legal move whose protocol text is exactly `text`, or the null move.
Move strict_move(const Position& p, const std::string& text) {
  Move m = find_move(p, text.c_str());
  if (m == kNullMove || !is_legal_move(p, m)) return kNullMove;
  char back[kMoveTextSize];
  move_text_in(back, p, m);
  return text == back ? m : kNullMove;
}

// Neither side can mate: no pawn, rook or queen, and at most one minor piece.
bool insufficient_material(const Board& b) {
  int minors = 0;
  for (Square s = 0; s < 128; ++s) {
    if (!on_board(s) || is_empty(b, s)) continue;
    switch (piece_at(b, s)->type->kind) {
      case kKindKing: break;
      case kKindKnight: case kKindBishop: ++minors; break;
      default: return false;
    }
  }
  return minors <= 1;
}

std::string square_name(Square s) {
  return {static_cast<char>('a' + file_of(s)), static_cast<char>('1' + rank_of(s))};
}

// SAN without the check mark, for a legal move of p (the board as before it).
std::string san_before_move(const Position& p, Move m) {
  const Board& b = *p.board;
  Square from = move_from(m);
  Square to = move_to(m);
  const int kind = piece_at(b, from)->type->kind;
  if (kind == kKindKing && std::abs(file_of(to) - file_of(from)) == 2)
    return file_of(to) > file_of(from) ? "O-O" : "O-O-O";
  const bool capture = !is_empty(b, to) || (kind == kKindPawn && file_of(from) != file_of(to));
  std::string san;
  if (kind == kKindPawn) {
    if (capture) san = std::string(1, static_cast<char>('a' + file_of(from))) + "x";
    san += square_name(to);
    char text[kMoveTextSize];
    move_text_in(text, p, m);
    if (text[4] != '\0') san += std::string("=") + static_cast<char>(std::toupper(text[4]));
    return san;
  }
  san = std::string(1, static_cast<char>(std::toupper(piece_at(b, from)->type->letter)));
  bool ambiguous = false, file_shared = false, rank_shared = false;
  Position scratch;
  copy_for_generation(scratch, p);
  for (Move g = next_move(scratch); g != kNullMove; g = next_move(scratch)) {
    Square other = move_from(g);
    if (other == from || move_to(g) != to || piece_at(b, other)->type->kind != kind) continue;
    if (!leaves_king_safe(scratch, g)) continue;
    ambiguous = true;
    file_shared |= file_of(other) == file_of(from);
    rank_shared |= rank_of(other) == rank_of(from);
  }
  if (ambiguous) {
    if (!file_shared) san += static_cast<char>('a' + file_of(from));
    else if (!rank_shared) san += static_cast<char>('1' + rank_of(from));
    else san += square_name(from);
  }
  if (capture) san += 'x';
  return san + square_name(to);
}

// The numeric field of a set-up text (4: half-move clock, 5: move number).
int fen_field(const std::string& fen, int index, int fallback) {
  std::istringstream in(fen);
  std::string field;
  for (int i = 0; i <= index; ++i)
    if (!(in >> field)) return fallback;
  char* end = nullptr;
  long value = std::strtol(field.c_str(), &end, 10);
  return end != field.c_str() && *end == '\0' && value >= 0 ? static_cast<int>(value) : fallback;
}

struct PositionMark {
  uint32_t low;
  uint16_t high;
  uint32_t castling;
  bool operator==(const PositionMark&) const = default;
};

PositionMark mark_of(const Position& p) { return {p.key.low, p.key.high, p.status & status::kAllCastling}; }

// The set-up text of the board as it stands, for p; en passant after the
// double step `last` (null: none), the half-move clock 0.
std::string fen_of(const Position& p, Move last, int full_move) {
  const Board& b = *p.board;
  std::string fen;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      Square s = make_square(file, rank);
      if (is_empty(b, s)) {
        ++empty;
        continue;
      }
      if (empty > 0) fen += static_cast<char>('0' + empty);
      empty = 0;
      fen += static_cast<char>(piece_at(b, s)->type->letter);
    }
    if (empty > 0) fen += static_cast<char>('0' + empty);
    if (rank > 0) fen += '/';
  }
  fen += p.side == kWhite ? " w " : " b ";
  std::string castling;
  if (p.status & status::kWhiteKingSide) castling += 'K';
  if (p.status & status::kWhiteQueenSide) castling += 'Q';
  if (p.status & status::kBlackKingSide) castling += 'k';
  if (p.status & status::kBlackQueenSide) castling += 'q';
  fen += castling.empty() ? "-" : castling;
  fen += ' ';
  fen += last == kNullMove ? "-" : square_name((move_from(last) + move_to(last)) / 2);
  return fen + " 0 " + std::to_string(full_move);
}

bool irreversible(const Position& p, Move m) {
  return piece_at(*p.board, move_from(m))->type->kind == kKindPawn || !is_empty(*p.board, move_to(m));
}

}  // namespace

const char* ending_text(Ending ending) {
  switch (ending) {
    case Ending::Checkmate: return "checkmate";
    case Ending::Stalemate: return "stalemate";
    case Ending::FiftyMoves: return "fifty moves";
    case Ending::Repetition: return "threefold repetition";
    case Ending::InsufficientMaterial: return "insufficient material";
    case Ending::None: break;
  }
  return "";
}

Verdict judge_game(const std::string& fen, const std::vector<std::string>& moves, const std::string& candidate,
                   const std::string& ponder) {
  Verdict v;
  BoardLock lock;
  if (setup_position(fen.empty() ? nullptr : fen.c_str()) != 0 || !sound_start(root_position)) {
    v.set_up = false;
    return v;
  }
  // One record per ply; never reallocated, since each child points to its parent.
  std::vector<Position> path(moves.size() + 2);
  copy_position(path[0], root_position);
  int halfmove = fen_field(fen, 4, 0);
  int full_move = fen_field(fen, 5, 1);
  std::vector<PositionMark> since_irreversible{mark_of(path[0])};
  auto play = [&](std::size_t ply, Move m) {
    Position& p = path[ply];
    Position& child = path[ply + 1];
    construct_position(child, main_board);
    bool resets = irreversible(p, m);
    bool double_step = piece_at(*p.board, move_from(m))->type->kind == kKindPawn &&
                       std::abs(rank_of(move_to(m)) - rank_of(move_from(m))) == 2;
    if (p.side == kBlack) ++full_move;
    make_full_move(p, m, child);
    halfmove = resets ? 0 : halfmove + 1;
    if (resets) {
      since_irreversible.clear();
      v.reset_fen = fen_of(child, double_step ? m : kNullMove, full_move);
      v.reset_ply = ply + 1;
    }
    since_irreversible.push_back(mark_of(child));
  };
  for (std::size_t ply = 0; ply < moves.size(); ++ply) {
    Move m = strict_move(path[ply], moves[ply]);
    if (m == kNullMove) {
      v.set_up = false;
      return v;
    }
    play(ply, m);
  }
  std::size_t last = moves.size();
  if (!candidate.empty()) {
    Move m = strict_move(path[last], candidate);
    if (m == kNullMove) {
      v.legal = false;
      return v;
    }
    v.san = san_before_move(path[last], m);
    play(last, m);
    ++last;
  }
  Position& now = path[last];
  v.white_to_move = now.side == kWhite;
  v.full_move = full_move;
  int replies = count_legal_moves(now);
  if (replies == 0) {
    v.ending = in_check(now) ? Ending::Checkmate : Ending::Stalemate;
  } else {
    int seen = 0;
    for (const PositionMark& mark : since_irreversible) seen += mark == since_irreversible.back();
    if (halfmove >= kFiftyMovePlies) v.ending = Ending::FiftyMoves;
    else if (seen >= kRepetitionCount) v.ending = Ending::Repetition;
    else if (insufficient_material(*now.board)) v.ending = Ending::InsufficientMaterial;
  }
  if (!candidate.empty() && in_check(now)) v.san += v.ending == Ending::Checkmate ? "#" : "+";
  if (!ponder.empty() && replies > 0) v.ponder_legal = strict_move(now, ponder) != kNullMove;
  else if (!ponder.empty()) v.ponder_legal = false;
  return v;
}

bool moves_in_protocol_text(const std::string& fen, const std::vector<std::string>& written,
                            std::vector<std::string>& protocol, std::string& why) {
  protocol.clear();
  BoardLock lock;
  if (setup_position(fen.empty() ? nullptr : fen.c_str()) != 0 || !sound_start(root_position)) {
    why = "the set-up text is refused: " + fen;
    return false;
  }
  std::vector<Position> path(written.size() + 1);
  copy_position(path[0], root_position);
  for (std::size_t ply = 0; ply < written.size(); ++ply) {
    Move m = match_game_move(path[ply], written[ply]);
    if (m == kNullMove) {
      why = "move " + std::to_string(ply + 1) + " (" + written[ply] + ") is not legal";
      return false;
    }
    char text[kMoveTextSize];
    move_text_in(text, path[ply], m);
    protocol.push_back(text);
    construct_position(path[ply + 1], main_board);
    make_full_move(path[ply], m, path[ply + 1]);
  }
  return true;
}

}  // namespace ostrim::tools
