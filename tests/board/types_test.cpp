#include <gtest/gtest.h>

#include <iostream>

#include "board/misc.h"
#include "board/position.h"
#include "board/psqt.h"
#include "board/types.h"

// Hash keys, stored table entries and move text all depend on these codes.
TEST(Types, MoveEncoding) {
  const Move m = make<MOVE_TYPE_PROMOTION>(SQUARE_B2, SQUARE_A1, PIECE_TYPE_QUEEN);
  EXPECT_EQ(int(m), 29248);
  EXPECT_EQ(move_from(m), SQUARE_B2);
  EXPECT_EQ(move_to(m), SQUARE_A1);
  EXPECT_EQ(move_type(m), MOVE_TYPE_PROMOTION);
  EXPECT_EQ(move_promotion(m), PIECE_TYPE_QUEEN);

  EXPECT_EQ(move_from(MOVE_NULL), SQUARE_B1);
  EXPECT_EQ(move_to(MOVE_NULL), SQUARE_B1);
  EXPECT_EQ(move_from(MOVE_NONE), SQUARE_A1);
  EXPECT_EQ(move_to(MOVE_NONE), SQUARE_A1);
  EXPECT_EQ(int(make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_H1)), SQUARE_H1 | SQUARE_E1 << 6 | 0xC000);

  for (PieceType pt : {PIECE_TYPE_KNIGHT, PIECE_TYPE_BISHOP, PIECE_TYPE_ROOK, PIECE_TYPE_QUEEN})
    EXPECT_EQ(move_promotion(make<MOVE_TYPE_PROMOTION>(SQUARE_H7, SQUARE_H8, pt)), pt);
}

TEST(Types, ScorePacking) {
  EXPECT_EQ(int(make_score(-1, -1)), -65537);
  const int halves[] = {0, 1, -1, 3, -5, 110, -135, 1230, -1270, 32000, -32000};
  for (int mg : halves)
    for (int eg : halves) {
      const Score s = make_score(mg, eg) + make_score(7, -9) - make_score(7, -9);
      EXPECT_EQ(score_mg(s), mg) << mg << "/" << eg;
      EXPECT_EQ(score_eg(s), eg) << mg << "/" << eg;
      EXPECT_EQ(score_mg(make_score(mg / 4, eg / 4) * 3), mg / 4 * 3) << mg << "/" << eg;
      EXPECT_EQ(score_eg(make_score(mg / 4, eg / 4) * 3), eg / 4 * 3) << mg << "/" << eg;
    }
}

// Start-up has copied the white values to the black pieces.
TEST(Types, PieceValuesForBothColours) {
  for (PieceType pt = PIECE_TYPE_PAWN; pt <= PIECE_TYPE_KING; ++pt)
    for (int phase : {PHASE_MG, PHASE_EG})
      EXPECT_EQ(PieceValue[phase][make_piece(COLOR_BLACK, pt)], PieceValue[phase][pt]);
  EXPECT_EQ(PieceValue[PHASE_MG][PIECE_BLACK_QUEEN], 1230);
  EXPECT_EQ(PieceValue[PHASE_EG][PIECE_BLACK_PAWN], 135);
  EXPECT_EQ(PieceValue[PHASE_MG][PIECE_WHITE_KING], 0);
}

TEST(Psqt, TableEntries) {
  struct Case { PieceType pt; Square s; int mg, eg; };
  const Case cases[] = {
      {PIECE_TYPE_KNIGHT, SQUARE_G1, 410 - 96, 425 - 82},
      {PIECE_TYPE_PAWN, SQUARE_E4, 110 + 31, 135 - 3},
      {PIECE_TYPE_PAWN, SQUARE_A1, 110, 135},
      {PIECE_TYPE_PAWN, SQUARE_H8, 110, 135},
      {PIECE_TYPE_KING, SQUARE_G1, 344, 76},
      {PIECE_TYPE_BISHOP, SQUARE_C1, 415 - 35, 435 - 46},
      {PIECE_TYPE_ROOK, SQUARE_A1, 620 - 25, 650},
      {PIECE_TYPE_QUEEN, SQUARE_H8, 1230 - 1, 1270 - 75},
      {PIECE_TYPE_KNIGHT, SQUARE_E8, 410 - 29, 425 - 13},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PSQT::psq[COLOR_WHITE][c.pt][c.s], make_score(c.mg, c.eg)) << c.pt << " " << c.s;
    EXPECT_EQ(PSQT::psq[COLOR_BLACK][c.pt][c.s ^ 56], make_score(-c.mg, -c.eg)) << c.pt << " " << c.s;
  }
}

TEST(Psqt, SymmetricAndEmptyRows) {
  for (Square s = SQUARE_A1; s <= SQUARE_H8; ++s) {
    EXPECT_EQ(PSQT::psq[COLOR_WHITE][PIECE_TYPE_NONE][s], SCORE_ZERO);
    EXPECT_EQ(PSQT::psq[COLOR_BLACK][7][s], SCORE_ZERO);
    for (PieceType pt = PIECE_TYPE_PAWN; pt <= PIECE_TYPE_KING; ++pt) {
      EXPECT_EQ(PSQT::psq[COLOR_WHITE][pt][s], PSQT::psq[COLOR_WHITE][pt][s ^ 7]);
      EXPECT_EQ(PSQT::psq[COLOR_BLACK][pt][s ^ 56], -PSQT::psq[COLOR_WHITE][pt][s]);
    }
  }
}

TEST(Misc, EngineInfo) {
  EXPECT_EQ(engine_info(false), "VYN 26.8.1 64 POPCNT by Quellmark");
  EXPECT_EQ(engine_info(true), "VYN 26.8.1 64 POPCNT\nid author Quellmark");
}

TEST(Misc, DebugCountersPrintIntegerHitRate) {
  testing::internal::CaptureStderr();
  dbg_print();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  dbg_hit_on(true);
  dbg_hit_on(false);
  dbg_hit_on(false, true);  // not counted: the condition is false
  dbg_hit_on(true, false);
  testing::internal::CaptureStderr();
  dbg_print();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Total 3 Hits 1 hit rate (%) 33\n");
}
