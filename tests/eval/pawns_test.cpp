#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "board/bitboard.h"
#include "board/position.h"
#include "eval/pawns.h"
#include "eval/tables.h"

namespace {

class PawnsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Pawns::init(); }
  Pawns::Entry* probe(const std::string& fen) {
    EXPECT_TRUE(pos.set(fen, false, tables.get())) << fen;
    return Pawns::probe(pos);
  }
  std::unique_ptr<EvalTables> tables = std::make_unique<EvalTables>();
  Position pos;
};

TEST_F(PawnsTest, ConnectedTable) {
  // Rows: (opposed, phalanx, apex) in binary order; columns: relative ranks 2..7.
  const int expected[8][6][2] = {
      {{13, 9}, {33, 22}, {22, 15}, {128, 85}, {168, 112}, {303, 202}},
      {{20, 13}, {49, 33}, {33, 22}, {191, 127}, {252, 168}, {454, 303}},
      {{22, 15}, {29, 19}, {74, 49}, {148, 99}, {236, 157}, {441, 294}},
      {{33, 22}, {42, 28}, {110, 73}, {222, 148}, {353, 235}, {661, 441}},
      {{6, 4}, {15, 10}, {11, 7}, {63, 42}, {83, 55}, {150, 100}},
      {{9, 6}, {22, 15}, {15, 10}, {94, 63}, {123, 82}, {225, 150}},
      {{11, 7}, {13, 9}, {36, 24}, {74, 49}, {117, 78}, {220, 147}},
      {{15, 10}, {20, 13}, {54, 36}, {110, 73}, {175, 117}, {330, 220}},
  };
  Pawns::init();  // idempotent
  for (int row = 0; row < 8; ++row)
    for (Rank r = RANK_1; r <= RANK_8; ++r)
      EXPECT_EQ(Pawns::connected_bonus(row & 4, row & 2, row & 1, r),
                r == RANK_1 || r == RANK_8 ? SCORE_ZERO
                                           : make_score(expected[row][r - 1][0], expected[row][r - 1][1]))
          << "row " << row << " rank " << r + 1;
}

TEST_F(PawnsTest, StructureScores) {
  const struct { const char* fen; int mg, eg; } cases[] = {
      {"4k3/8/8/8/P7/8/P7/4K3 w - - 0 1", -80, -111},   // a2 doubled at distance 2: 13/2, 43/2
      {"4k3/8/8/8/P7/P7/P7/4K3 w - - 0 1", -130, -199}, // against the frontmost pawn
      {"4k3/8/8/4p3/4P3/3P4/8/4K3 w - - 0 1", -16, 0},  // d3 backward, not also unsupported
      {"4k3/8/8/3pp3/4P3/3P4/8/4K3 w - - 0 1", -76, -49}, // d3 backward and opposed
      {"4k3/8/3p4/8/3P4/8/2P5/4K3 w - - 0 1", 6, 19},   // d4: empty attack span, not backward
      {"4k3/8/2p5/8/3P4/8/2P5/4K3 w - - 0 1", 6, 19},   // d4: c2 behind it, not backward
      {"4k3/8/2p5/4P3/3P4/8/8/4K3 w - - 0 1", 121, 95}, // d4 backward
      {"4k3/2p5/4P3/3P4/8/8/8/4K3 w - - 0 1", 211, 156},// the same a rank higher: never backward
      {"4k3/8/8/8/3PP3/2P5/8/4K3 w - - 0 1", 114, 82},  // c3 d4 e4
      {"4k3/8/8/8/3P4/2P1P3/8/4K3 w - - 0 1", -1, 6},   // d4 supported twice
      {"4k3/8/8/8/2P1P3/8/8/4K3 w - - 0 1", -112, -104},// centre bind on d5
      {"4k3/8/8/2p1p3/8/8/8/4K3 w - - 0 1", 112, 104},  // black's on d4
      {"4k3/8/8/8/8/2P1P3/8/4K3 w - - 0 1", -120, -104},// d4 is outside white's zone
      {"4k3/8/3p4/4P3/8/8/8/4K3 w - - 0 1", 20, 20},    // levers on white's fifth, black's third
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    const Pawns::Entry* e = probe(c.fen);
    EXPECT_EQ(e->key, pos.pawn_key());
    EXPECT_EQ(e->pawns_score(), make_score(c.mg, c.eg));
  }
}

TEST_F(PawnsTest, EntryFields) {
  // White a2 a4 d4 h5, black d6.
  const Pawns::Entry* e = probe("4k3/8/3p4/7P/P2P4/8/P7/4K3 w - - 0 1");
  const Bitboard sq[] = {SquareBB[SQUARE_A4] | SquareBB[SQUARE_H5],  // a2 stands behind a4
                         SquareBB[SQUARE_B3] | SquareBB[SQUARE_B5] | SquareBB[SQUARE_C5] | SquareBB[SQUARE_E5]
                             | SquareBB[SQUARE_G6]};
  EXPECT_EQ(e->passed_pawns(COLOR_WHITE), sq[0]);
  EXPECT_EQ(e->passed_pawns(COLOR_BLACK), 0u);
  EXPECT_EQ(e->pawn_attacks(COLOR_WHITE), sq[1]);
  EXPECT_EQ(e->pawn_attacks(COLOR_BLACK), SquareBB[SQUARE_C5] | SquareBB[SQUARE_E5]);
  EXPECT_EQ(e->pawn_attacks_span(COLOR_WHITE), (FileBBB & ~(Rank1BB | Rank2BB))
                                                   | ((FileCBB | FileEBB) & (Rank5BB | Rank6BB | Rank7BB | Rank8BB))
                                                   | (FileGBB & (Rank6BB | Rank7BB | Rank8BB)));
  EXPECT_EQ(e->pawn_attacks_span(COLOR_BLACK),
            (FileCBB | FileEBB) & (Rank1BB | Rank2BB | Rank3BB | Rank4BB | Rank5BB));
  EXPECT_EQ(e->semiOpenFiles[COLOR_WHITE], 0x76);
  EXPECT_EQ(e->semiOpenFiles[COLOR_BLACK], 0xF7);
  EXPECT_EQ(e->pawn_span(COLOR_WHITE), 7);
  EXPECT_EQ(e->pawn_span(COLOR_BLACK), 0);
  EXPECT_EQ(e->pawn_asymmetry(), 2);
  EXPECT_EQ(e->pawns_on_same_color_squares(COLOR_WHITE, SQUARE_B1), 3);  // light: a2 a4 h5
  EXPECT_EQ(e->pawns_on_same_color_squares(COLOR_WHITE, SQUARE_A1), 1);
  EXPECT_EQ(e->pawns_on_same_color_squares(COLOR_BLACK, SQUARE_A1), 1);
  EXPECT_EQ(e->kingSquares[COLOR_WHITE], SQUARE_NONE);
}

// Tables start zeroed and a pawnless position has pawn key 0: the first probe
// must compute the entry rather than trust the blank slot.
TEST_F(PawnsTest, PawnlessFirstProbeInFreshTableMisses) {
  EXPECT_NE(tables->pawnsTable[0]->key, Key(0));
  Pawns::Entry* e = probe("4k3/8/8/8/8/8/8/K7 w - - 0 1");
  ASSERT_EQ(pos.pawn_key(), Key(0));
  for (Color c : {COLOR_WHITE, COLOR_BLACK}) {
    EXPECT_EQ(e->semiOpenFiles[c], 0xFF);
    EXPECT_EQ(e->kingSquares[c], SQUARE_NONE);
  }
  // A blank slot would claim a cached a1 king with safety 0.
  EXPECT_EQ(e->king_safety<COLOR_WHITE>(pos, SQUARE_A1), make_score(130 - 48 - 60 - 50, 0));
}

TEST_F(PawnsTest, KingSafety) {
  const struct { const char* fen; Color us; int mg, eg; } cases[] = {
      // 130 - (3 + 11) - (0 + 11) - (10 + 10)
      {"4k3/8/8/8/8/8/5PPP/6K1 w - - 0 1", COLOR_WHITE, 85, -16},
      {"4k3/8/8/8/8/8/PPP5/K7 w - - 0 1", COLOR_WHITE, 85, -16},
      {"6k1/5ppp/8/8/8/8/8/4K3 b - - 0 1", COLOR_BLACK, 85, -16},
      {"4k3/8/8/8/8/8/8/6K1 w - - 0 1", COLOR_WHITE, -28, 0},               // no pawns: d is 0
      {"4k3/8/8/8/8/6K1/5PPP/8 w - - 0 1", COLOR_WHITE, -28, -16},          // pawns behind count for nothing
      {"4k3/8/8/8/8/6p1/5PPP/6K1 w - - 0 1", COLOR_WHITE, 21, -16},         // g2 blocked by a pawn
      {"4k3/8/8/8/7p/8/5PPP/6K1 w - - 0 1", COLOR_WHITE, 67, -16},          // storm on h4
      {"4k3/8/8/7p/7p/8/5PPP/6K1 w - - 0 1", COLOR_WHITE, 67, -16},         // the nearer stormer counts
      {"4k3/8/8/8/8/7P/5PPP/6K1 w - - 0 1", COLOR_WHITE, 85, -16},          // the nearer shield counts
      {"6k1/5ppp/8/7P/8/8/8/4K3 b - - 0 1", COLOR_BLACK, 67, -16},
      {"4k3/8/8/8/8/8/6Pp/7K w - - 0 1", COLOR_WHITE, 162, -16},            // blocked by the king: -141
      // e1 57, g1 85, c1 86
      {"4k3/8/8/8/8/8/PPPP1PPP/R3K2R w KQ - 0 1", COLOR_WHITE, 86, -16},
      {"4k3/8/8/8/8/8/PPPP1PPP/R3K2R w K - 0 1", COLOR_WHITE, 85, -16},
      {"4k3/8/8/8/8/8/PPPP1PPP/R3K2R w - - 0 1", COLOR_WHITE, 57, -16},
      {"r3k2r/pppp1ppp/8/8/8/8/8/4K3 b kq - 0 1", COLOR_BLACK, 86, -16},
      {"r3k2r/pppp1ppp/8/8/8/8/8/R3K2R b KQ - 0 1", COLOR_BLACK, 57, -16},
      {"4k3/8/8/4K3/8/8/PP6/8 w - - 0 1", COLOR_WHITE, 0, -48},             // beyond the fourth rank
      {"4k3/8/8/8/6K1/8/8/8 w - - 0 1", COLOR_WHITE, -28, 0},
      {"8/8/8/8/6k1/8/pp6/4K3 b - - 0 1", COLOR_BLACK, 0, -80},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    Pawns::Entry* e = probe(c.fen);
    const Square ksq = pos.king_square(c.us);
    const Score s = c.us == COLOR_WHITE ? e->do_king_safety<COLOR_WHITE>(pos, ksq)
                                        : e->do_king_safety<COLOR_BLACK>(pos, ksq);
    EXPECT_EQ(s, make_score(c.mg, c.eg));
    EXPECT_EQ(e->kingSquares[c.us], ksq);
    EXPECT_EQ(e->castlingRights[c.us], pos.can_castle(c.us));
  }
}

// Same pawns and king square, other rights: the cached value must not be reused.
TEST_F(PawnsTest, CachedKingSafetyFollowsCastlingRights) {
  Pawns::Entry* e = probe("4k3/8/8/8/8/8/PPPP1PPP/R3K2R w KQ - 0 1");
  EXPECT_EQ(e->king_safety<COLOR_WHITE>(pos, SQUARE_E1), make_score(86, -16));
  Position other;
  ASSERT_TRUE(other.set("4k3/8/8/8/8/8/PPPP1PPP/R3K2R w - - 0 1", false, tables.get()));
  ASSERT_EQ(Pawns::probe(other), e);
  EXPECT_EQ(e->king_safety<COLOR_WHITE>(other, SQUARE_E1), make_score(57, -16));
}

}  // namespace
