#pragma once
// The 13 piece types, their static templates and the shared direction list.
#include <cstdint>

#include "board/keys.h"
#include "board/types.h"

namespace ostrim {

struct PieceType {
  PieceType* next;          // the next type in index order; none after K
  int32_t index;            // 0..12
  int32_t kind;             // 12 king ... 7 pawn, 6 empty
  int32_t value_class;      // as kind, but knights are class 9 like bishops
  int32_t letter;
  int32_t colour;
  int32_t attack_bit;
  int32_t value;            // material value; total piece material uses it
  int32_t second_value;     // the evaluation's other material value
  const int32_t* directions;      // first offset of its direction list
  const int32_t* directions_end;  // one past the last
  int16_t* table;           // piece-square table, indexed by square
  const HashKey* keys;      // hash keys, indexed by square
  int32_t count;            // pieces of this type on the board
  int32_t bonus;            // score bonus added to the table entry
};

// 1, -1, 16, -16, 17, -17, 15, -15, 18, -18, 14, -14, 33, -33, 31, -31
extern const int32_t kDirections[16];

// The static templates, in index order. The evaluation's weights may change
// their values once; boards copy them when they are initialised.
extern PieceType piece_type_templates[kPieceTypeCount];

// Block of the piece-square tables for a kind: king 0, queen 1 ... pawn 5.
constexpr int table_block(int kind) { return kKindKing - kind; }

constexpr bool is_slider(const PieceType* t) { return (t->attack_bit & kAttackSliders) != 0; }

// The first type (in index order, from `first`) of that colour whose letter,
// upper-cased, equals the letter upper-cased and that a pawn may become.
PieceType* find_type_by_letter(PieceType* first, int letter, Colour colour);

}  // namespace ostrim
