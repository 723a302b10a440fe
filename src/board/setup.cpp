#include "board/setup.h"

#include <cctype>
#include <cstring>

#include "board/attacks.h"
#include "board/game_record.h"
#include "common/engine_flags.h"

namespace ostrim {
namespace {

constexpr const char* kStartText = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR W KQkq -";
constexpr int kSetupFailed = 1;

const char* skip_spaces(const char* s) {
  while (*s == ' ') ++s;
  return s;
}

bool field_ends(char c) { return c == ' ' || c == '\0'; }

// The fields after the placement: side to move, castling, en passant.
// Missing trailing fields keep their defaults.
bool parse_fields(const char* s) {
  s = skip_spaces(s);
  int side = std::toupper(static_cast<unsigned char>(*s));
  if (side != 'W' && side != 'B') return false;
  game.side = side == 'W' ? kWhite : kBlack;
  ++s;
  if (*s == '\0') return true;
  if (*s != ' ') return false;

  s = skip_spaces(s);
  if (*s == '\0') return true;
  game.castling = 0;
  if (*s == '-') {
    ++s;
  } else if (std::strncmp(s, "nil", 3) == 0) {
    s += 3;
  } else {
    for (; !field_ends(*s); ++s) {
      switch (*s) {
        case 'K': game.castling |= status::kWhiteKingSide; break;
        case 'k': game.castling |= status::kBlackKingSide; break;
        case 'Q': game.castling |= status::kWhiteQueenSide; break;
        case 'q': game.castling |= status::kBlackQueenSide; break;
        default: return false;
      }
    }
  }
  if (*s == '\0') return true;
  if (*s != ' ') return false;

  s = skip_spaces(s);
  if (*s == '\0') return true;
  if (*s == '-') {
    ++s;
  } else if (std::strncmp(s, "nil", 3) == 0) {
    s += 3;
  } else {
    if (s[0] < 'a' || s[0] > 'h' || s[1] < '1' || s[1] > '8') return false;
    game.ep_square = make_square(s[0] - 'a', s[1] - '1');
    s += 2;
  }
  return field_ends(*s);
}

bool parse_text(const char* text) {
  game.ep_square = kNullSquare;
  game.castling = status::kAllCastling;
  game.side = kWhite;
  game.halfmove = 0;
  game.move_number = 1;
  for (Stopwatch& clock : game.clocks) reset_stopwatch(clock);
  game.state = GameState::InProgress;
  if (text == nullptr) {
    text = kStartText;
  } else {
    game.move_number = 21;
  }
  const char* placement_end = std::strchr(text, ' ');
  std::size_t length = placement_end ? static_cast<std::size_t>(placement_end - text) : std::strlen(text);
  if (length >= sizeof game.setup_text) return false;
  std::memcpy(game.setup_text, text, length);
  game.setup_text[length] = '\0';
  return placement_end != nullptr && parse_fields(placement_end);
}

// A free record for the letter: its own type's record first, else a pawn
// record of that colour turned into the piece.
PieceRecord* take_record(Board& b, char letter) {
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    PieceRecord& r = b.slots[slot];
    if (r.colour == kNoColour && r.type->letter == letter) return &r;
  }
  if (letter == 'K' || letter == 'k') return nullptr;
  Colour colour = std::isupper(static_cast<unsigned char>(letter)) ? kWhite : kBlack;
  int pawn_letter = colour > 0 ? 'P' : 'p';
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    PieceRecord& r = b.slots[slot];
    if (r.colour != kNoColour || r.type->letter != pawn_letter) continue;
    PieceType* type = find_type_by_letter(&b.types[0], letter, colour);
    if (type == nullptr) return nullptr;
    r.type = type;
    return &r;
  }
  return nullptr;
}

bool place_pieces(Board& b, Position& root) {
  Square square = kA8;
  for (const char* s = game.setup_text; square != 8; ++s) {
    char c = *s;
    if (c == '\0') return false;  // ran off the text
    if (c == ' ') continue;
    if (c == '/') {
      square -= 24;
      if (square < 0 || square % 16 != 0) return false;
    } else if (c >= '1' && c <= '8') {
      int run = c - '0';
      if (file_of(square) + run > 8) return false;
      square += run;  // the squares are empty already
    } else {
      if (std::strchr("KQRBNPkqrbnp", c) == nullptr || !on_board(square)) return false;
      PieceRecord* r = take_record(b, c);
      if (r == nullptr) return false;
      r->colour = std::isupper(static_cast<unsigned char>(c)) ? kWhite : kBlack;
      r->square = square;
      piece_at(b, square) = r;
      xor_key(root.key, r->type->keys[square]);
      ++square;
    }
  }
  return true;
}

void link_list(Board& b, SideList& list, int first_slot, int last_slot, int step) {
  PieceRecord* tail = &list.head;
  for (int slot = first_slot;; slot += step) {
    PieceRecord& r = b.slots[slot];
    if (r.colour != kNoColour) {
      tail->next = &r;
      r.prev = tail;
      tail = &r;
    }
    if (slot == last_slot) break;
  }
  tail->next = &b.header;
}

void count_material(Board& b) {
  b.piece_material = -2 * b.types[kWhiteKingType].value;
  b.piece_count = 0;
  for (PieceType& t : b.types) t.count = 0;
  for (SideList* list : {&b.white, &b.black}) {
    for (int f = 0; f < 8; ++f) pawns_on_file(*list, f) = 0;
    for (PieceRecord* r = list->head.next; r != &b.header; r = r->next) {
      ++r->type->count;
      ++b.piece_count;
      if (r->type->kind == kKindPawn)
        ++pawns_on_file(*list, file_of(r->square));
      else
        b.piece_material += r->type->value;
    }
  }
}

// Set-up's own rule: no pawns, rooks or queens, and no bishop with at most
// two knights, or at most one minor piece.
bool cannot_win_at_setup(const Board& b, Colour c) {
  int pawn = c > 0 ? kWhitePawnType : kBlackPawnType;
  int knight = c > 0 ? kWhiteKnightType : kBlackKnightType;
  int bishop = c > 0 ? kWhiteBishopType : kBlackBishopType;
  int rook = c > 0 ? kWhiteRookType : kBlackRookType;
  int queen = c > 0 ? kWhiteQueenType : kBlackQueenType;
  if (b.types[pawn].count || b.types[rook].count || b.types[queen].count) return false;
  int knights = b.types[knight].count;
  int bishops = b.types[bishop].count;
  return (bishops == 0 && knights <= 2) || bishops + knights <= 1;
}

// Positions the search cannot play from: a side without exactly one king,
// a pawn on a back rank, or the side not to move in check.
bool position_is_playable(Board& b, const Position& root) {
  if (b.types[kWhiteKingType].count != 1 || b.types[kBlackKingType].count != 1) return false;
  for (SideList* list : {&b.white, &b.black}) {
    for (PieceRecord* r = list->head.next; r != &b.header; r = r->next)
      if (r->type->kind == kKindPawn && (r->square < 16 || r->square >= 112)) return false;
  }
  return !attacked_by(b, root.side, king_of(b, root.opponent)->square);
}

bool build_board(Board& b, Position& root) {
  init_board(b);
  construct_position(root, b);
  root.status = 0;
  root.flags = 0;
  root.repetition = 0;
  root.key = HashKey{};
  root.parent = nullptr;
  if (!place_pieces(b, root)) return false;

  root.side = game.side;
  root.opponent = -game.side;
  if (root.side < 0) root.key.low ^= kBlackToMoveBit;
  root.side_list = &side_list(b, root.side);
  root.halfmove = game.halfmove;
  root.status |= game.castling;
  if (piece_at(b, kE1)->type->index != kWhiteKingType) root.status &= ~status::kWhiteCastling;
  if (piece_at(b, kE8)->type->index != kBlackKingType) root.status &= ~status::kBlackCastling;
  root.ep_square = game.ep_square;
  if (root.ep_square != kNullSquare) root.flags |= moveflag::kEnPassant;

  link_list(b, b.white, kWhitePawnSlot, kWhiteKingSlot, 1);
  link_list(b, b.black, kBlackPawnSlot + 7, kBlackKingSlot, -1);
  for (PieceType& t : b.types) t.bonus = t.value;

  reset_generation(root);
  root.futility_base = -kScoreInfinite;
  root.captured = &b.header;
  root.designated = &b.header;
  root.killers[0] = kNullMove;
  root.move = kNullMove;
  root.refutation = kNullMove;
  record_root_key(root);
  game.moves_played = 0;
  game.moves_to_replay = 0;
  flags.root_side.store(root.side, std::memory_order_relaxed);

  count_material(b);
  if (cannot_win_at_setup(b, kWhite)) root.status |= status::kWhiteCannotWin;
  if (cannot_win_at_setup(b, kBlack)) root.status |= status::kBlackCannotWin;
  return position_is_playable(b, root);
}

}  // namespace

int setup_position(const char* text) {
  if (!parse_text(text)) return kSetupFailed;
  return build_board(main_board, root_position) ? 0 : kSetupFailed;
}

}  // namespace ostrim
