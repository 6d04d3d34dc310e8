#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "../support.h"
#include "board/bitboard.h"

using testing_support::squares;

namespace {

// Plain file/rank geometry, independent of the engine's tables.
int file(int s) { return s % 8; }
int rank(int s) { return s / 8; }
bool on_board(int f, int r) { return f >= 0 && f < 8 && r >= 0 && r < 8; }

Bitboard ray_attacks(int s, Bitboard occupied, const int (*dirs)[2]) {
  Bitboard b = 0;
  for (int d = 0; d < 4; ++d)
    for (int f = file(s) + dirs[d][0], r = rank(s) + dirs[d][1]; on_board(f, r);
         f += dirs[d][0], r += dirs[d][1]) {
      b |= Bitboard(1) << (8 * r + f);
      if (occupied & (Bitboard(1) << (8 * r + f)))
        break;
    }
  return b;
}

const int RookDirs[4][2] = {{0, 1}, {1, 0}, {0, -1}, {-1, 0}};
const int BishopDirs[4][2] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}};

Bitboard steps(int s, std::initializer_list<std::pair<int, int>> deltas) {
  Bitboard b = 0;
  for (auto [df, dr] : deltas)
    if (on_board(file(s) + df, rank(s) + dr))
      b |= Bitboard(1) << (8 * (rank(s) + dr) + file(s) + df);
  return b;
}

}  // namespace

TEST(Bitboards, MagicAttacksMatchRaySlidingOnRandomOccupancies) {
  std::mt19937_64 rng(20240611);
  for (Square s = SQUARE_A1; s <= SQUARE_H8; ++s)
    for (int i = 0; i < 300; ++i) {
      // Mix sparse and dense boards so both short and long rays are hit.
      const Bitboard occ = i % 3 == 0 ? rng() : i % 3 == 1 ? rng() & rng() : rng() & rng() & rng();
      ASSERT_EQ(attacks_bb<PIECE_TYPE_ROOK>(s, occ), ray_attacks(s, occ, RookDirs)) << s << " " << occ;
      ASSERT_EQ(attacks_bb<PIECE_TYPE_BISHOP>(s, occ), ray_attacks(s, occ, BishopDirs)) << s << " " << occ;
    }
}

TEST(Bitboards, MagicMasksAndTableSizes) {
  EXPECT_EQ(popcount(RookMasks[SQUARE_A1]), 12);
  EXPECT_EQ(popcount(RookMasks[SQUARE_D4]), 10);
  EXPECT_EQ(popcount(BishopMasks[SQUARE_D4]), 9);
  EXPECT_EQ(popcount(BishopMasks[SQUARE_A1]), 6);
  EXPECT_EQ(RookMasks[SQUARE_A1], squares("a2 a3 a4 a5 a6 a7 b1 c1 d1 e1 f1 g1"));

  size_t rookTotal = 0, bishopTotal = 0;
  for (Square s = SQUARE_A1; s <= SQUARE_H8; ++s) {
    rookTotal += size_t(1) << popcount(RookMasks[s]);
    bishopTotal += size_t(1) << popcount(BishopMasks[s]);
    EXPECT_EQ(RookShifts[s], unsigned(64 - popcount(RookMasks[s])));
    if (s < SQUARE_H8) {
      // Blocks lie back to back, one per square.
      EXPECT_EQ(RookAttacks[s + 1] - RookAttacks[s], 1 << popcount(RookMasks[s]));
      EXPECT_EQ(BishopAttacks[s + 1] - BishopAttacks[s], 1 << popcount(BishopMasks[s]));
    }
  }
  EXPECT_EQ(rookTotal, 102400u);
  EXPECT_EQ(bishopTotal, 5248u);
}

TEST(Bitboards, StepAndPseudoAttacks) {
  for (int s = 0; s < 64; ++s) {
    const Bitboard knight = steps(s, {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}});
    const Bitboard king = steps(s, {{1, 1}, {1, 0}, {1, -1}, {0, 1}, {0, -1}, {-1, 1}, {-1, 0}, {-1, -1}});
    EXPECT_EQ(StepAttacksBB[PIECE_WHITE_KNIGHT][s], knight) << s;
    EXPECT_EQ(StepAttacksBB[PIECE_BLACK_KNIGHT][s], knight) << s;
    EXPECT_EQ(StepAttacksBB[PIECE_WHITE_KING][s], king) << s;
    EXPECT_EQ(StepAttacksBB[PIECE_BLACK_KING][s], king) << s;
    EXPECT_EQ(StepAttacksBB[PIECE_WHITE_PAWN][s], steps(s, {{-1, 1}, {1, 1}})) << s;
    EXPECT_EQ(StepAttacksBB[PIECE_BLACK_PAWN][s], steps(s, {{-1, -1}, {1, -1}})) << s;

    EXPECT_EQ(PseudoAttacks[PIECE_TYPE_KNIGHT][s], 0u);
    EXPECT_EQ(PseudoAttacks[PIECE_TYPE_KING][s], 0u);
    EXPECT_EQ(PseudoAttacks[PIECE_TYPE_ROOK][s], ray_attacks(s, 0, RookDirs));
    EXPECT_EQ(PseudoAttacks[PIECE_TYPE_BISHOP][s], ray_attacks(s, 0, BishopDirs));
    EXPECT_EQ(PseudoAttacks[PIECE_TYPE_QUEEN][s], ray_attacks(s, 0, RookDirs) | ray_attacks(s, 0, BishopDirs));
  }
  EXPECT_EQ(StepAttacksBB[PIECE_WHITE_PAWN][SQUARE_H2], squares("g3"));
  EXPECT_EQ(StepAttacksBB[PIECE_BLACK_PAWN][SQUARE_A7], squares("b6"));
  EXPECT_EQ(StepAttacksBB[PIECE_WHITE_KNIGHT][SQUARE_A1], squares("b3 c2"));
}

TEST(Bitboards, LinesAndBetweenForEveryPair) {
  for (int a = 0; a < 64; ++a)
    for (int b = 0; b < 64; ++b) {
      const int df = file(b) - file(a), dr = rank(b) - rank(a);
      const bool alignedPair = a != b && (df == 0 || dr == 0 || std::abs(df) == std::abs(dr));
      Bitboard line = 0, between = 0;
      if (alignedPair) {
        const int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
        for (int f = file(a) + sf, r = rank(a) + sr; f != file(b) || r != rank(b); f += sf, r += sr)
          between |= Bitboard(1) << (8 * r + f);
        // The whole line: walk both ways from a to the edges.
        for (int dir : {1, -1})
          for (int f = file(a), r = rank(a); on_board(f, r); f += dir * sf, r += dir * sr)
            line |= Bitboard(1) << (8 * r + f);
      }
      ASSERT_EQ(LineBB[a][b], line) << a << " " << b;
      ASSERT_EQ(BetweenBB[a][b], between) << a << " " << b;
    }

  EXPECT_EQ(LineBB[SQUARE_A1][SQUARE_H8], squares("a1 b2 c3 d4 e5 f6 g7 h8"));
  EXPECT_EQ(LineBB[SQUARE_A1][SQUARE_B3], 0u);
  EXPECT_EQ(BetweenBB[SQUARE_A1][SQUARE_A8], squares("a2 a3 a4 a5 a6 a7"));
  EXPECT_EQ(BetweenBB[SQUARE_E4][SQUARE_F5], 0u);
  EXPECT_TRUE(aligned(SQUARE_A1, SQUARE_C3, SQUARE_H8));
  EXPECT_FALSE(aligned(SQUARE_A1, SQUARE_C3, SQUARE_H7));
}

TEST(Bitboards, FileRankPawnMasksAndDistances) {
  EXPECT_EQ(FileBB[FILE_C], 0x0404040404040404ULL);
  EXPECT_EQ(RankBB[RANK_3], 0xFF0000ULL);
  EXPECT_EQ(AdjacentFilesBB[FILE_A], FileBB[FILE_B]);
  EXPECT_EQ(AdjacentFilesBB[FILE_E], FileBB[FILE_D] | FileBB[FILE_F]);
  EXPECT_EQ(InFrontBB[COLOR_WHITE][RANK_8], 0u);
  EXPECT_EQ(InFrontBB[COLOR_BLACK][RANK_1], 0u);
  EXPECT_EQ(InFrontBB[COLOR_WHITE][RANK_6], RankBB[RANK_7] | RankBB[RANK_8]);
  EXPECT_EQ(ForwardBB[COLOR_BLACK][SQUARE_C3], squares("c2 c1"));
  EXPECT_EQ(PawnAttackSpan[COLOR_WHITE][SQUARE_A6], squares("b7 b8"));
  EXPECT_EQ(PassedPawnMask[COLOR_WHITE][SQUARE_E6], squares("d7 e7 f7 d8 e8 f8"));
  EXPECT_EQ(SquareDistance[SQUARE_A1][SQUARE_H8], 7);
  EXPECT_EQ(SquareDistance[SQUARE_B2][SQUARE_C4], 2);
  EXPECT_EQ(SquareDistance[SQUARE_E4][SQUARE_E4], 0);
  EXPECT_EQ(DistanceRingBB[SQUARE_A1][1], squares("a3 b3 c3 c2 c1"));
  EXPECT_EQ(DistanceRingBB[SQUARE_D4][0], StepAttacksBB[PIECE_WHITE_KING][SQUARE_D4]);
}
