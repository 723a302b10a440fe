#include "board/piece_types.h"

#include <cctype>

namespace ostrim {

const int32_t kDirections[16] = {1, -1, 16, -16, 17, -17, 15, -15,
                                 18, -18, 14, -14, 33, -33, 31, -31};

namespace {

constexpr const int32_t* kKingQueenBegin = kDirections;
constexpr const int32_t* kKingQueenEnd = kDirections + 8;
constexpr const int32_t* kRookBegin = kDirections;
constexpr const int32_t* kRookEnd = kDirections + 4;
constexpr const int32_t* kBishopBegin = kDirections + 4;
constexpr const int32_t* kBishopEnd = kDirections + 8;
constexpr const int32_t* kKnightBegin = kDirections + 8;
constexpr const int32_t* kKnightEnd = kDirections + 16;

PieceType make_template(int index, int kind, int value_class, int letter, int colour,
                        int attack_bit, int value, int second_value, const int32_t* dir_begin,
                        const int32_t* dir_end) {
  PieceType t{};
  t.index = index;
  t.kind = kind;
  t.value_class = value_class;
  t.letter = letter;
  t.colour = colour;
  t.attack_bit = attack_bit;
  t.value = value;
  t.second_value = second_value;
  t.directions = dir_begin;
  t.directions_end = dir_end;
  return t;
}

}  // namespace

PieceType piece_type_templates[kPieceTypeCount] = {
    make_template(0, kKindKing, 12, 'k', kBlack, kAttackKing, 14000, 14000, kKingQueenBegin, kKingQueenEnd),
    make_template(1, kKindQueen, 11, 'q', kBlack, kAttackQueen, 732, 995, kKingQueenBegin, kKingQueenEnd),
    make_template(2, kKindRook, 10, 'r', kBlack, kAttackRook, 350, 519, kRookBegin, kRookEnd),
    make_template(3, kKindBishop, 9, 'b', kBlack, kAttackBishop, 242, 319, kBishopBegin, kBishopEnd),
    make_template(4, kKindKnight, 9, 'n', kBlack, kAttackKnight, 228, 308, kKnightBegin, kKnightEnd),
    make_template(5, kKindPawn, 7, 'p', kBlack, kAttackBlackPawn, 49, 87, nullptr, nullptr),
    make_template(6, kKindEmpty, 6, 'E', kNoColour, 0, 0, 0, nullptr, nullptr),
    make_template(7, kKindPawn, 7, 'P', kWhite, kAttackWhitePawn, 49, 87, nullptr, nullptr),
    make_template(8, kKindKnight, 9, 'N', kWhite, kAttackKnight, 228, 308, kKnightBegin, kKnightEnd),
    make_template(9, kKindBishop, 9, 'B', kWhite, kAttackBishop, 242, 319, kBishopBegin, kBishopEnd),
    make_template(10, kKindRook, 10, 'R', kWhite, kAttackRook, 350, 519, kRookBegin, kRookEnd),
    make_template(11, kKindQueen, 11, 'Q', kWhite, kAttackQueen, 732, 995, kKingQueenBegin, kKingQueenEnd),
    make_template(12, kKindKing, 12, 'K', kWhite, kAttackKing, 14000, 14000, kKingQueenBegin, kKingQueenEnd),
};

PieceType* find_type_by_letter(PieceType* first, int letter, Colour colour) {
  int wanted = std::toupper(letter);
  for (PieceType* t = first; t != nullptr; t = t->next) {
    if (t->colour == colour && std::toupper(t->letter) == wanted && t->kind > kKindPawn &&
        t->kind != kKindKing)
      return t;
  }
  return nullptr;
}

}  // namespace ostrim
