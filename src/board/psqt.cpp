#include "board/psqt.h"

#include <algorithm>

Value PieceValue[PHASE_NB][PIECE_NB] = {
    {VALUE_ZERO, VALUE_PAWN_MG, VALUE_KNIGHT_MG, VALUE_BISHOP_MG, VALUE_ROOK_MG, VALUE_QUEEN_MG},
    {VALUE_ZERO, VALUE_PAWN_EG, VALUE_KNIGHT_EG, VALUE_BISHOP_EG, VALUE_ROOK_EG, VALUE_QUEEN_EG}};

namespace PSQT {

#define S(mg, eg) make_score(mg, eg)

// Square bonus of a white piece on the left half of the board, [type][rank][file a..d];
// the right half mirrors it.
const Score Bonus[PIECE_TYPE_NB][RANK_NB][4] = {
    {},
    {// Pawn
     {S(0, 0), S(0, 0), S(0, 0), S(0, 0)},
     {S(-19, 5), S(1, -4), S(7, 8), S(3, -2)},
     {S(-26, -6), S(-7, -5), S(19, 5), S(24, 4)},
     {S(-25, 1), S(-14, 3), S(16, -8), S(31, -3)},
     {S(-14, 6), S(0, 9), S(-1, 7), S(17, -6)},
     {S(-14, 6), S(-13, -5), S(-10, 2), S(-6, 4)},
     {S(-12, 1), S(15, -9), S(-8, 1), S(-4, 18)},
     {S(0, 0), S(0, 0), S(0, 0), S(0, 0)}},
    {// Knight
     {S(-143, -97), S(-96, -82), S(-80, -46), S(-73, -14)},
     {S(-83, -69), S(-43, -55), S(-21, -17), S(-10, 9)},
     {S(-71, -50), S(-22, -39), S(0, -8), S(9, 28)},
     {S(-25, -41), S(18, -25), S(43, 7), S(47, 38)},
     {S(-26, -46), S(16, -25), S(38, 2), S(50, 41)},
     {S(-11, -55), S(37, -38), S(56, -8), S(71, 27)},
     {S(-62, -64), S(-17, -50), S(5, -24), S(14, 13)},
     {S(-195, -110), S(-66, -90), S(-42, -50), S(-29, -13)}},
    {// Bishop
     {S(-54, -68), S(-23, -40), S(-35, -46), S(-44, -28)},
     {S(-30, -43), S(10, -17), S(2, -23), S(-9, -5)},
     {S(-19, -32), S(17, -9), S(11, -13), S(1, 8)},
     {S(-21, -36), S(18, -13), S(11, -15), S(0, 7)},
     {S(-21, -36), S(14, -14), S(6, -17), S(-1, 3)},
     {S(-27, -35), S(6, -13), S(2, -10), S(-8, 1)},
     {S(-33, -44), S(7, -21), S(-4, -22), S(-12, -4)},
     {S(-45, -65), S(-21, -42), S(-29, -46), S(-39, -27)}},
    {// Rook
     {S(-25, 0), S(-16, 0), S(-16, 0), S(-9, 0)},
     {S(-21, 0), S(-8, 0), S(-3, 0), S(0, 0)},
     {S(-21, 0), S(-9, 0), S(-4, 0), S(2, 0)},
     {S(-22, 0), S(-6, 0), S(-1, 0), S(2, 0)},
     {S(-22, 0), S(-7, 0), S(0, 0), S(1, 0)},
     {S(-21, 0), S(-7, 0), S(0, 0), S(2, 0)},
     {S(-12, 0), S(4, 0), S(8, 0), S(12, 0)},
     {S(-23, 0), S(-15, 0), S(-11, 0), S(-5, 0)}},
    {// Queen
     {S(0, -70), S(-3, -57), S(-4, -41), S(-1, -29)},
     {S(-4, -58), S(6, -30), S(9, -21), S(8, -4)},
     {S(-2, -39), S(6, -17), S(9, -7), S(9, 5)},
     {S(-1, -29), S(8, -5), S(10, 9), S(7, 17)},
     {S(-3, -27), S(9, -5), S(8, 10), S(7, 23)},
     {S(-2, -40), S(6, -16), S(8, -11), S(10, 3)},
     {S(-2, -54), S(7, -30), S(7, -21), S(6, -7)},
     {S(-1, -75), S(-4, -54), S(-1, -44), S(0, -30)}},
    {// King
     {S(291, 28), S(344, 76), S(294, 103), S(219, 112)},
     {S(289, 70), S(329, 119), S(263, 170), S(205, 159)},
     {S(226, 109), S(271, 164), S(202, 195), S(136, 191)},
     {S(204, 131), S(212, 194), S(175, 194), S(137, 204)},
     {S(177, 132), S(205, 187), S(143, 224), S(94, 227)},
     {S(147, 118), S(188, 178), S(113, 199), S(70, 197)},
     {S(116, 72), S(158, 121), S(93, 142), S(48, 161)},
     {S(94, 30), S(120, 76), S(78, 101), S(31, 111)}}};

#undef S

Score psq[COLOR_NB][PIECE_TYPE_NB][SQUARE_NB];

void init() {
  for (PieceType pt = PIECE_TYPE_PAWN; pt <= PIECE_TYPE_KING; ++pt) {
    PieceValue[PHASE_MG][make_piece(COLOR_BLACK, pt)] = PieceValue[PHASE_MG][pt];
    PieceValue[PHASE_EG][make_piece(COLOR_BLACK, pt)] = PieceValue[PHASE_EG][pt];

    const Score v = make_score(PieceValue[PHASE_MG][pt], PieceValue[PHASE_EG][pt]);

    for (Square s = SQUARE_A1; s <= SQUARE_H8; ++s) {
      const File f = std::min(file_of(s), FILE_H - file_of(s));
      psq[COLOR_WHITE][pt][s] = v + Bonus[pt][rank_of(s)][f];
      psq[COLOR_BLACK][pt][~s] = -psq[COLOR_WHITE][pt][s];
    }
  }
}

}  // namespace PSQT
