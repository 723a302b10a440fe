#include "board/board.h"

#include <cstddef>
#include <cstring>
#include <initializer_list>

namespace ostrim {
namespace {

// The empty type's shared table: all zero, wide enough for any square.
int16_t empty_table[136];

// The slot's type index before any promotion.
int initial_slot_type(int slot) {
  static constexpr int kBlackSlots[17] = {-1, kBlackKingType, kBlackQueenType, kBlackRookType,
                                          kBlackRookType, kBlackBishopType, kBlackBishopType,
                                          kBlackKnightType, kBlackKnightType, kBlackPawnType,
                                          kBlackPawnType, kBlackPawnType, kBlackPawnType,
                                          kBlackPawnType, kBlackPawnType, kBlackPawnType,
                                          kBlackPawnType};
  static constexpr int kWhitePieces[8] = {kWhiteKnightType, kWhiteKnightType, kWhiteBishopType,
                                          kWhiteBishopType, kWhiteRookType,   kWhiteRookType,
                                          kWhiteQueenType,  kWhiteKingType};
  if (slot <= 16) return kBlackSlots[slot];
  if (slot == kEmptySlot) return kEmptyType;
  if (slot < kWhitePawnSlot + 8) return kWhitePawnType;
  return kWhitePieces[slot - kWhitePawnSlot - 8];
}

void init_empty_record(PieceRecord& r, Board& b) {
  r.next = &b.header;
  r.prev = &b.header;
  r.square = kNullSquare;
  r.score = 0;
  r.colour = kNoColour;
  r.type = &b.types[kEmptyType];
  r.board = &b;
}

void init_side(SideList& side, Board& b, Colour colour, SideList& opponent) {
  init_empty_record(side.head, b);
  side.board = &b;
  side.opponent = &opponent;
  side.colour = colour;
  std::memset(side.pawn_files, 0, sizeof side.pawn_files);
  side.root_mask = colour > 0 ? ~status::kWhiteRootMark : ~status::kBlackRootMark;
  side.cannot_win = colour > 0 ? status::kWhiteCannotWin : status::kBlackCannotWin;
  for (Move& m : side.threat_answers) m = kNullMove;
}

}  // namespace

void init_board(Board& b) {
  EvalSnapshot* snapshots = b.snapshots;  // allocated once per board
  std::memset(static_cast<void*>(&b), 0, sizeof b);
  b.snapshots = snapshots;
  for (int i = 0; i < kPieceTypeCount; ++i) {
    PieceType& t = b.types[i];
    t = piece_type_templates[i];
    t.next = i + 1 < kPieceTypeCount ? &b.types[i + 1] : nullptr;
    int block = i < kWhitePawnType ? i : i - kWhitePawnType;
    t.keys = &key_storage[block][i < kWhitePawnType ? 0 : 8];
    if (t.kind == kKindEmpty) {
      t.table = empty_table;
    } else {
      t.table = b.eval.tables[table_block(t.kind)] + (t.colour < 0 ? 8 : 0);
    }
    t.count = 0;
    t.bonus = t.value;
  }
  init_empty_record(b.header, b);
  init_empty_record(b.sentinel, b);
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    init_empty_record(b.slots[slot], b);
    b.slots[slot].type = &b.types[initial_slot_type(slot)];
  }
  for (PieceRecord*& entry : b.square_array) entry = &b.sentinel;
  for (Square s = 0; s < 128; ++s)
    if (on_board(s)) piece_at(b, s) = &b.header;
  piece_at(b, kNullSquare) = &b.header;
  init_side(b.white, b, kWhite, b.black);
  init_side(b.black, b, kBlack, b.white);
  b.lists[0] = &b.black;
  b.lists[1] = nullptr;
  b.lists[2] = &b.white;
  b.enemy_kings[0] = &b.slots[kWhiteKingSlot];  // Black's opponent's king
  b.enemy_kings[1] = nullptr;
  b.enemy_kings[2] = &b.slots[kBlackKingSlot];
  b.thread_number = 1;
  b.epoch = 1;
}

void construct_position(Position& p, Board& b) {
  p.killers[0] = kNullMove;
  p.board = &b;
}

void copy_position(Position& to, const Position& from) {
  constexpr std::size_t kSkip = offsetof(Position, status);
  std::memcpy(reinterpret_cast<char*>(&to) + kSkip, reinterpret_cast<const char*>(&from) + kSkip,
              sizeof(Position) - kSkip);
  to.stack_top = to.stack;
}

HashKey compute_key(const Board& b, Colour side_to_move) {
  HashKey key;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const PieceRecord& r = b.slots[slot];
    if (r.colour == kNoColour || !on_board(r.square)) continue;
    xor_key(key, r.type->keys[r.square]);
  }
  if (side_to_move < 0) key.low ^= kBlackToMoveBit;
  return key;
}

}  // namespace ostrim

namespace ostrim {
namespace {

// Moves pointers into one board (or position) onto the same place in another.
struct Relocation {
  const char* begin;
  const char* end;
  std::ptrdiff_t delta;

  template <class T>
  void apply(T*& pointer) const {
    const char* address = reinterpret_cast<const char*>(pointer);
    if (address >= begin && address < end)
      pointer = reinterpret_cast<T*>(const_cast<char*>(address) + delta);
  }
};

void relocate_record(PieceRecord& r, const Relocation& to_board) {
  to_board.apply(r.next);
  to_board.apply(r.prev);
  to_board.apply(r.type);
  to_board.apply(r.board);
}

}  // namespace

void clone_board(Board& to, Position& to_position, const Board& from,
                 const Position& from_position) {
  if (&to != &from) {
    EvalSnapshot* snapshots = to.snapshots;
    int32_t snapshot_depth = to.snapshot_depth;
    int32_t thread_number = to.thread_number;
    std::memcpy(static_cast<void*>(&to), &from, sizeof to);
    to.snapshots = snapshots;
    to.snapshot_depth = snapshot_depth;
    to.thread_number = thread_number;

    const Relocation r{reinterpret_cast<const char*>(&from), reinterpret_cast<const char*>(&from + 1),
                       reinterpret_cast<const char*>(&to) - reinterpret_cast<const char*>(&from)};
    relocate_record(to.header, r);
    relocate_record(to.sentinel, r);
    for (PieceRecord& rec : to.slots) relocate_record(rec, r);
    for (PieceRecord*& entry : to.square_array) r.apply(entry);
    for (SideList*& list : to.lists) r.apply(list);
    for (PieceRecord*& king : to.enemy_kings) r.apply(king);
    for (SideList* list : {&to.white, &to.black}) {
      relocate_record(list->head, r);
      r.apply(list->board);
      r.apply(list->opponent);
    }
    for (PieceType& t : to.types) {
      r.apply(t.next);
      r.apply(t.table);
    }
    r.apply(to.root);
  }

  std::memcpy(static_cast<void*>(&to_position), &from_position, sizeof to_position);
  const Relocation rb{reinterpret_cast<const char*>(&from), reinterpret_cast<const char*>(&from + 1),
                      reinterpret_cast<const char*>(&to) - reinterpret_cast<const char*>(&from)};
  rb.apply(to_position.captured);
  rb.apply(to_position.cursor);
  rb.apply(to_position.designated);
  rb.apply(to_position.side_list);
  rb.apply(to_position.board);
  to_position.stack_top = to_position.stack + (from_position.stack_top - from_position.stack);
}

}  // namespace ostrim
