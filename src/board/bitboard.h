#ifndef VYN_BOARD_BITBOARD_H
#define VYN_BOARD_BITBOARD_H

#include <string>

#include "board/types.h"

namespace Bitboards {

void init();
std::string pretty(Bitboard b);

}  // namespace Bitboards

constexpr Bitboard DarkSquares = 0xAA55AA55AA55AA55ULL;

constexpr Bitboard FileABB = 0x0101010101010101ULL;
constexpr Bitboard FileBBB = FileABB << 1;
constexpr Bitboard FileCBB = FileABB << 2;
constexpr Bitboard FileDBB = FileABB << 3;
constexpr Bitboard FileEBB = FileABB << 4;
constexpr Bitboard FileFBB = FileABB << 5;
constexpr Bitboard FileGBB = FileABB << 6;
constexpr Bitboard FileHBB = FileABB << 7;

constexpr Bitboard Rank1BB = 0xFF;
constexpr Bitboard Rank2BB = Rank1BB << (8 * 1);
constexpr Bitboard Rank3BB = Rank1BB << (8 * 2);
constexpr Bitboard Rank4BB = Rank1BB << (8 * 3);
constexpr Bitboard Rank5BB = Rank1BB << (8 * 4);
constexpr Bitboard Rank6BB = Rank1BB << (8 * 5);
constexpr Bitboard Rank7BB = Rank1BB << (8 * 6);
constexpr Bitboard Rank8BB = Rank1BB << (8 * 7);

extern int SquareDistance[SQUARE_NB][SQUARE_NB];

extern Bitboard SquareBB[SQUARE_NB];
extern Bitboard FileBB[FILE_NB];
extern Bitboard RankBB[RANK_NB];
extern Bitboard AdjacentFilesBB[FILE_NB];
extern Bitboard InFrontBB[COLOR_NB][RANK_NB];
extern Bitboard StepAttacksBB[PIECE_NB][SQUARE_NB];
extern Bitboard BetweenBB[SQUARE_NB][SQUARE_NB];
extern Bitboard LineBB[SQUARE_NB][SQUARE_NB];
extern Bitboard DistanceRingBB[SQUARE_NB][8];
extern Bitboard ForwardBB[COLOR_NB][SQUARE_NB];
extern Bitboard PassedPawnMask[COLOR_NB][SQUARE_NB];
extern Bitboard PawnAttackSpan[COLOR_NB][SQUARE_NB];
extern Bitboard PseudoAttacks[PIECE_TYPE_NB][SQUARE_NB];

extern Bitboard RookMasks[SQUARE_NB];
extern Bitboard RookMagics[SQUARE_NB];
extern Bitboard* RookAttacks[SQUARE_NB];
extern unsigned RookShifts[SQUARE_NB];

extern Bitboard BishopMasks[SQUARE_NB];
extern Bitboard BishopMagics[SQUARE_NB];
extern Bitboard* BishopAttacks[SQUARE_NB];
extern unsigned BishopShifts[SQUARE_NB];

inline Bitboard operator&(Bitboard b, Square s) { return b & SquareBB[s]; }
inline Bitboard operator|(Bitboard b, Square s) { return b | SquareBB[s]; }
inline Bitboard operator^(Bitboard b, Square s) { return b ^ SquareBB[s]; }
inline Bitboard& operator|=(Bitboard& b, Square s) { return b |= SquareBB[s]; }
inline Bitboard& operator^=(Bitboard& b, Square s) { return b ^= SquareBB[s]; }

constexpr bool more_than_one(Bitboard b) { return b & (b - 1); }

inline Bitboard rank_bb(Rank r) { return RankBB[r]; }
inline Bitboard rank_bb(Square s) { return RankBB[rank_of(s)]; }
inline Bitboard file_bb(File f) { return FileBB[f]; }
inline Bitboard file_bb(Square s) { return FileBB[file_of(s)]; }

// One square in a direction; bits that would wrap round the a- or h-file drop out.
template <Square Delta>
constexpr Bitboard shift_bb(Bitboard b) {
  return Delta == DELTA_N    ? b << 8
         : Delta == DELTA_S  ? b >> 8
         : Delta == DELTA_NE ? (b & ~FileHBB) << 9
         : Delta == DELTA_SE ? (b & ~FileHBB) >> 7
         : Delta == DELTA_NW ? (b & ~FileABB) << 7
         : Delta == DELTA_SW ? (b & ~FileABB) >> 9
                             : 0;
}

inline Bitboard adjacent_files_bb(File f) { return AdjacentFilesBB[f]; }

inline Bitboard between_bb(Square s1, Square s2) { return BetweenBB[s1][s2]; }

inline Bitboard in_front_bb(Color c, Rank r) { return InFrontBB[c][r]; }

inline Bitboard forward_bb(Color c, Square s) { return ForwardBB[c][s]; }

inline Bitboard pawn_attack_span(Color c, Square s) { return PawnAttackSpan[c][s]; }

inline Bitboard passed_pawn_mask(Color c, Square s) { return PassedPawnMask[c][s]; }

inline bool aligned(Square s1, Square s2, Square s3) { return LineBB[s1][s2] & s3; }

template <typename T>
inline int distance(T x, T y) { return x < y ? y - x : x - y; }
template <>
inline int distance<Square>(Square x, Square y) { return SquareDistance[x][y]; }

template <typename T1, typename T2>
inline int distance(T2 x, T2 y);
template <>
inline int distance<File>(Square x, Square y) { return distance(file_of(x), file_of(y)); }
template <>
inline int distance<Rank>(Square x, Square y) { return distance(rank_of(x), rank_of(y)); }

template <PieceType Pt>
inline unsigned magic_index(Square s, Bitboard occupied) {
  Bitboard* const Masks = Pt == PIECE_TYPE_ROOK ? RookMasks : BishopMasks;
  Bitboard* const Magics = Pt == PIECE_TYPE_ROOK ? RookMagics : BishopMagics;
  unsigned* const Shifts = Pt == PIECE_TYPE_ROOK ? RookShifts : BishopShifts;
  return unsigned(((occupied & Masks[s]) * Magics[s]) >> Shifts[s]);
}

template <PieceType Pt>
inline Bitboard attacks_bb(Square s, Bitboard occupied) {
  return (Pt == PIECE_TYPE_ROOK ? RookAttacks : BishopAttacks)[s][magic_index<Pt>(s, occupied)];
}

inline Bitboard attacks_bb(Piece pc, Square s, Bitboard occupied) {
  switch (type_of(pc)) {
    case PIECE_TYPE_BISHOP: return attacks_bb<PIECE_TYPE_BISHOP>(s, occupied);
    case PIECE_TYPE_ROOK: return attacks_bb<PIECE_TYPE_ROOK>(s, occupied);
    case PIECE_TYPE_QUEEN:
      return attacks_bb<PIECE_TYPE_BISHOP>(s, occupied) | attacks_bb<PIECE_TYPE_ROOK>(s, occupied);
    default: return StepAttacksBB[pc][s];
  }
}

inline int popcount(Bitboard b) { return __builtin_popcountll(b); }

inline Square lsb(Bitboard b) {
  assert(b);
  return Square(__builtin_ctzll(b));
}

inline Square msb(Bitboard b) {
  assert(b);
  return Square(63 ^ __builtin_clzll(b));
}

inline Square pop_lsb(Bitboard* b) {
  const Square s = lsb(*b);
  *b &= *b - 1;
  return s;
}

// The most advanced square of a set, seen from colour c.
inline Square frontmost_sq(Color c, Bitboard b) { return c == COLOR_WHITE ? msb(b) : lsb(b); }
inline Square backmost_sq(Color c, Bitboard b) { return c == COLOR_WHITE ? lsb(b) : msb(b); }

#endif
