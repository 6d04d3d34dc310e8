#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

#include "board/bitbase.h"
#include "board/position.h"
#include "eval/endgame.h"

namespace {

// Files a..h exchanged in the placement of a FEN (empty squares as '1's).
std::string mirror_fen(const std::string& fen) {
  const size_t end = fen.find(' ');
  std::string out, rank;
  for (size_t i = 0; i <= end; ++i) {
    if (i == end || fen[i] == '/') {
      out.append(rank.rbegin(), rank.rend()).push_back(fen[i]);
      rank.clear();
    } else
      rank += std::isdigit(static_cast<unsigned char>(fen[i])) ? std::string(fen[i] - '0', '1')
                                                              : std::string(1, fen[i]);
  }
  return out + fen.substr(end + 1);
}

// The evaluator of type E with strong colour c, on pos.
template <EndgameType E>
int run(Color c, const Position& pos) {
  return Endgame<E>(c)(pos);
}
using Rule = int (*)(Color, const Position&);

// White's evaluator on the FEN, which must be a legal position.
int eval_white(Rule rule, const std::string& fen) {
  Position pos;
  EXPECT_TRUE(pos.set(fen, false, nullptr)) << fen;
  return rule(COLOR_WHITE, pos);
}

constexpr int NONE = SCALE_FACTOR_NONE;
constexpr int DRAW = SCALE_FACTOR_DRAW;

struct Case {
  const char* name;
  Rule rule;
  const char* fen;
  int expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Every rule on hand-computed positions. White is the strong side; the
// expected result is from white's evaluator as the FEN stands (Value results
// signed by side to move). Each case is also checked with colours swapped
// (black's evaluator on the flipped position, same result) and with files
// mirrored (same result).
const Case Cases[] = {
  // KNNK: always a draw.
  {"KNNK", run<KNNK>, "7k/8/8/8/3K4/8/8/1N4N1 w - - 0 1", 0},
  // KXK: npm + 135 x pawns + PushToEdges + PushClose, + 3500 with mating material.
  {"KXK_QueenStalemate", run<KXK>, "k7/2Q5/1K6/8/8/8/8/8 b - - 0 1", 0},
  {"KXK_Queen", run<KXK>, "k7/2Q5/1K6/8/8/8/8/8 w - - 0 1", 1230 + 100 + 100 + 3500},
  {"KXK_KnightsPawnNoBonus", run<KXK>, "7k/8/8/8/3K4/8/P7/1N4N1 w - - 0 1", 820 + 135 + 100 + 60},
  {"KXK_BishopKnightPawn", run<KXK>, "7k/8/8/8/3K4/8/P7/1N4B1 w - - 0 1", 825 + 135 + 100 + 60 + 3500},
  {"KXK_SameColourBishops", run<KXK>, "7k/8/8/8/3K4/8/8/2B1B3 w - - 0 1", 830 + 100 + 60},
  {"KXK_OppositeBishops", run<KXK>, "7k/8/8/8/3K4/8/8/2BB4 w - - 0 1", 830 + 100 + 60 + 3500},
  {"KXK_Heavy", run<KXK>, "7k/8/8/8/8/4K3/RRBB4/QQQQQ3 w - - 0 1", 8220 + 100 + 40 + 3500},
  {"KXK_HeavyWeakToMove", run<KXK>, "7k/8/8/8/8/4K3/RRBB4/QQQQQ3 b - - 0 1", -(8220 + 100 + 40 + 3500)},
  // KBNK: 3500 + PushClose + PushToCorners, kings flipped for a light bishop.
  {"KBNK_DarkA1", run<KBNK>, "8/8/8/8/3K4/3NB3/8/k7 w - - 0 1", 3780},
  {"KBNK_DarkA1WeakToMove", run<KBNK>, "8/8/8/8/3K4/3NB3/8/k7 b - - 0 1", -3780},
  {"KBNK_DarkH8", run<KBNK>, "7k/8/8/8/3K4/3NB3/8/8 w - - 0 1", 3760},
  {"KBNK_LightA1", run<KBNK>, "8/8/8/8/3K4/3BN3/8/k7 w - - 0 1", 3710},
  {"KBNK_LightA8", run<KBNK>, "k7/8/8/8/3K4/3BN3/8/8 w - - 0 1", 3760},
  // KPK: the bitbase decides.
  {"KPK_OppositionWhiteToMove", run<KPK>, "8/3k4/8/3K4/3P4/8/8/8 w - - 0 1", 0},
  {"KPK_OppositionBlackToMove", run<KPK>, "8/3k4/8/3K4/3P4/8/8/8 b - - 0 1", -3638},
  {"KPK_RookPawnWhiteToMove", run<KPK>, "k7/8/8/8/P7/1K6/8/8 w - - 0 1", 0},
  {"KPK_RookPawnBlackToMove", run<KPK>, "k7/8/8/8/P7/1K6/8/8 b - - 0 1", 0},
  // KRKP: the four cases.
  {"KRKP_KingInFront", run<KRKP>, "7k/8/8/8/3p4/8/3K4/R7 w - - 0 1", 648},
  {"KRKP_WeakKingFar", run<KRKP>, "7k/8/8/8/1p6/8/8/R4K2 w - - 0 1", 646},
  {"KRKP_SupportedPawn", run<KRKP>, "7K/8/8/8/8/2p5/1k6/7R w - - 0 1", 40},
  {"KRKP_Race", run<KRKP>, "R7/8/8/4K3/2p5/2k5/8/8 w - - 0 1", 208},
  {"KRKP_RaceWeakToMove", run<KRKP>, "R7/8/8/4K3/2p5/2k5/8/8 b - - 0 1", -208},
  // KRKB, KRKN, KQKP, KQKR.
  {"KRKB", run<KRKB>, "5b1k/8/8/8/4K3/8/8/R7 w - - 0 1", 100},
  {"KRKN", run<KRKN>, "5n1k/8/8/8/4K3/8/8/R7 w - - 0 1", 100 + 20},
  {"KQKP_DrawingPawn", run<KQKP>, "7K/8/7Q/8/8/8/1kp5/8 w - - 0 1", 20},
  {"KQKP_DFilePawn", run<KQKP>, "7K/8/7Q/8/8/8/2kp4/8 w - - 0 1", 20 + 1135},
  {"KQKP_DrawingPawnWeakToMove", run<KQKP>, "7K/8/7Q/8/8/8/1kp5/8 b - - 0 1", -20},
  {"KQKR", run<KQKR>, "r6k/8/8/8/4K3/8/8/3Q4 w - - 0 1", 620 + 100 + 60},
  // KBPsK: wrong rook pawn; blocked g-pawns.
  {"KBPsK_WrongBishop", run<KBPsK>, "8/1k6/8/P7/P7/8/8/2B1K3 w - - 0 1", DRAW},
  {"KBPsK_RightBishop", run<KBPsK>, "8/1k6/8/P7/P7/8/8/3BK3 w - - 0 1", NONE},
  {"KBPsK_BlockedGPawn", run<KBPsK>, "7k/6p1/6P1/8/8/8/8/3BK3 w - - 0 1", DRAW},
  {"KBPsK_StrongKingCloser", run<KBPsK>, "4k3/6pK/6P1/8/8/8/8/3B4 w - - 0 1", NONE},
  {"KBPsK_WeakKingAway", run<KBPsK>, "8/6p1/6P1/8/3k4/8/8/3BK3 w - - 0 1", NONE},
  // KQKRPs: the third-rank fortress.
  {"KQKRPs_Fortress", run<KQKRPs>, "6k1/6p1/5r2/8/4K3/8/8/Q7 w - - 0 1", DRAW},
  {"KQKRPs_RookOffRank", run<KQKRPs>, "6k1/6p1/8/5r2/4K3/8/8/Q7 w - - 0 1", NONE},
  // KRPKR: rules 6 and 7 scale the endgame half up, above 64.
  {"KRPKR_ThirdRankDefence", run<KRPKR>, "3k4/8/r7/8/3P4/3K4/8/4R3 w - - 0 1", DRAW},
  {"KRPKR_SeventhRankWin", run<KRPKR>, "2K5/3P4/8/8/8/7k/r7/3R4 w - - 0 1", 126},
  // The strong king on the queening square gives the seventh-rank rule 128,
  // two more than its other cases reach.
  {"KRPKR_KingOnQueeningSquare", run<KRPKR>, "3K4/3P4/8/8/8/7k/r7/3R4 w - - 0 1", 128},
  {"KRPKR_PawnFurtherBack", run<KRPKR>, "8/8/2K5/3P4/8/7k/r7/3R4 w - - 0 1", 100},
  {"KRPKR_KingInPath", run<KRPKR>, "7r/3k4/8/8/3P4/8/R7/4K3 w - - 0 1", 10},
  // KRPKB: rook pawn on the fifth or sixth.
  {"KRPKB_FifthKingNear", run<KRPKB>, "1k6/2b5/8/P7/8/8/8/4K2R w - - 0 1", 24},
  {"KRPKB_FifthKingFar", run<KRPKB>, "8/2b5/8/P6k/8/8/8/4K1R1 w - - 0 1", 48},
  {"KRPKB_Sixth", run<KRPKB>, "1k6/8/P7/2b5/8/8/8/4K2R w - - 0 1", 8},
  {"KRPKB_NoRookPawn", run<KRPKB>, "1k6/2b5/8/3P4/8/8/8/4K2R w - - 0 1", NONE},
  // KRPPKRP.
  {"KRPPKRP_KingInFront", run<KRPPKRP>, "1r6/6k1/6p1/6P1/5P2/8/8/R3K3 w - - 0 1", 21},
  {"KRPPKRP_Passer", run<KRPPKRP>, "1r6/6k1/6p1/6P1/P7/8/8/R3K3 w - - 0 1", NONE},
  // KPsK.
  {"KPsK_RookPawnsBlocked", run<KPsK>, "1k6/8/8/8/8/P7/P7/7K w - - 0 1", DRAW},
  {"KPsK_KingTooFar", run<KPsK>, "2k5/8/8/8/8/P7/P7/7K w - - 0 1", NONE},
  // KBPKB.
  {"KBPKB_Blockade", run<KBPKB>, "8/8/3k4/4b3/3P4/8/8/2B1K3 w - - 0 1", DRAW},
  {"KBPKB_OppositeLowPawn", run<KBPKB>, "7k/8/8/5b2/3P4/8/8/2B1K3 w - - 0 1", DRAW},
  {"KBPKB_OppositeBishopHoldsPath", run<KBPKB>, "7k/8/3P4/8/b7/8/8/2B1K3 w - - 0 1", DRAW},
  {"KBPKB_OppositeBishopAway", run<KBPKB>, "7k/8/3P4/8/8/8/8/2B1K2b w - - 0 1", NONE},
  {"KBPKB_SameBishops", run<KBPKB>, "7k/8/8/4b3/3P4/8/8/2B1K3 w - - 0 1", NONE},
  // KBPPKB.
  {"KBPPKB_SameFile", run<KBPPKB>, "8/3k4/8/3P4/3P4/7b/8/2B1K3 w - - 0 1", DRAW},
  {"KBPPKB_AdjacentFiles", run<KBPPKB>, "8/8/3k4/3Pb3/4P3/8/8/4KB2 w - - 0 1", DRAW},
  {"KBPPKB_SameBishops", run<KBPPKB>, "8/3k4/8/3P2b1/3P4/8/8/2B1K3 w - - 0 1", NONE},
  // KBPKN.
  {"KBPKN_Blockade", run<KBPKN>, "8/8/3k4/8/3P4/8/8/2B1K2n w - - 0 1", DRAW},
  {"KBPKN_NoBlockade", run<KBPKN>, "7k/8/8/8/3P4/8/8/2B1K2n w - - 0 1", NONE},
  // KNPK.
  {"KNPK_A7", run<KNPK>, "k7/P7/8/8/8/8/8/1N2K3 w - - 0 1", DRAW},
  {"KNPK_B7", run<KNPK>, "1k6/1P6/8/8/8/8/8/1N2K3 w - - 0 1", NONE},
  // KNPKB: a small factor, the weak king's distance to the pawn, when the
  // bishop holds the pawn's path.
  {"KNPKB_BishopOnPath", run<KNPKB>, "5b2/8/8/3P4/8/8/K7/1N5k w - - 0 1", 4},
  {"KNPKB_BishopOffPath", run<KNPKB>, "7b/8/8/3P4/8/8/K7/1N5k w - - 0 1", NONE},
  // KPKP.
  {"KPKP_FifthRankNoBitbase", run<KPKP>, "8/p7/3k4/3P4/8/8/8/7K w - - 0 1", NONE},
  {"KPKP_FourthRankDrawn", run<KPKP>, "8/p7/8/3k4/3P4/8/8/7K w - - 0 1", DRAW},
  {"KPKP_RookPawnDrawn", run<KPKP>, "k7/7p/8/P7/8/8/8/7K w - - 0 1", DRAW},
  {"KPKP_RookPawnWon", run<KPKP>, "7k/7p/1K6/P7/8/8/8/8 w - - 0 1", NONE},
};

class EndgameCase : public ::testing::TestWithParam<Case> {};

TEST_P(EndgameCase, WhiteStrong) {
  const Case& c = GetParam();
  EXPECT_EQ(eval_white(c.rule, c.fen), c.expected) << c.fen;
}

TEST_P(EndgameCase, ColoursSwapped) {
  const Case& c = GetParam();
  Position pos;
  ASSERT_TRUE(pos.set(c.fen, false, nullptr));
  const Color stm = pos.side_to_move();
  pos.flip();
  ASSERT_NE(pos.side_to_move(), stm) << pos.fen();
  EXPECT_EQ(c.rule(COLOR_BLACK, pos), c.expected) << pos.fen();
}

TEST_P(EndgameCase, FilesMirrored) {
  const Case& c = GetParam();
  EXPECT_EQ(eval_white(c.rule, mirror_fen(c.fen)), c.expected) << mirror_fen(c.fen);
}

INSTANTIATE_TEST_SUITE_P(Rules, EndgameCase, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// KXK keeps its results below the mate range: even the most material a legal
// position can hold stays far below the cap of 31893.
TEST(EndgameRules, KXKStaysBelowMateScores) {
  for (const char* fen : {"7k/8/8/8/8/4K3/RRBB4/QQQQQ3 w - - 0 1", "7k/8/8/8/8/4K3/RRBB4/QQQQQ3 b - - 0 1"}) {
    const int v = eval_white(run<KXK>, fen);
    EXPECT_LE(std::abs(v), VALUE_MATE_IN_MAX_PLY - 1) << fen;
    EXPECT_GT(std::abs(v), VALUE_KNOWN_WIN) << fen;
  }
}

// A light-squared bishop mates in a8/h1, a dark one in a1/h8: with the weak
// king four steps from the strong king d4 in a8, h1 or h8, the corners of the
// bishop's colour score highest.
TEST(EndgameRules, KBNKDrivesToTheBishopsCorner) {
  for (const std::string bn : {"NB", "BN"}) {  // bishop on e3 (dark) or d3 (light)
    const int a8 = eval_white(run<KBNK>, "k7/8/8/8/3K4/3" + bn + "3/8/8 w - - 0 1");
    const int h8 = eval_white(run<KBNK>, "7k/8/8/8/3K4/3" + bn + "3/8/8 w - - 0 1");
    const int h1 = eval_white(run<KBNK>, "8/8/8/8/3K4/3" + bn + "3/8/7k w - - 0 1");
    if (bn == "NB") {
      EXPECT_GT(h8, a8);
      EXPECT_GT(h8, h1);
    } else {
      EXPECT_GT(a8, h8);
      EXPECT_GT(h1, h8);
    }
  }
}

// A won KPK grows by one per rank of the pawn: 3636 on rank 2 .. 3641 on rank 7.
TEST(EndgameRules, KPKValueGrowsWithThePawn) {
  for (int rank = 2; rank <= 7; ++rank) {
    std::string fen;
    for (int r = 8; r >= 1; --r)
      fen += (r == rank ? std::string("3P4") : r == 1 ? std::string("K6k") : std::string("8")) + (r > 1 ? "/" : "");
    fen += " w - - 0 1";
    EXPECT_EQ(eval_white(run<KPK>, fen), 3635 + rank - 1) << fen;
  }
}

// KPKP on rank 5 or higher off the rook file answers without the bitbase,
// even where the bitbase says KPK is not won; on file a it always asks.
TEST(EndgameRules, KPKPRankFiveRule) {
  // White king h1, pawn d5, black king d6, white to move: KPK is not won.
  EXPECT_FALSE(Bitbases::probe(SQUARE_H1, SQUARE_D5, SQUARE_D6, COLOR_WHITE));
  EXPECT_EQ(eval_white(run<KPKP>, "8/p7/3k4/3P4/8/8/8/7K w - - 0 1"), NONE);
  // The same on file a is drawn, since the bitbase is consulted there.
  EXPECT_FALSE(Bitbases::probe(SQUARE_H1, SQUARE_A5, SQUARE_A6, COLOR_WHITE));
  EXPECT_EQ(eval_white(run<KPKP>, "8/7p/k7/P7/8/8/8/7K w - - 0 1"), DRAW);
}

// The sixteen registrations: Value codes first, then ScaleFactor codes.
const char* const ValueCodes[] = {"KPK", "KNNK", "KBNK", "KRKP", "KRKB", "KRKN", "KQKP", "KQKR"};
const char* const ScaleCodes[] = {"KNPK", "KNPKB", "KRPKR", "KRPKB", "KBPKB", "KBPKN", "KBPPKB", "KRPPKRP"};

// A legal position with the code's material, white strong: white pieces from
// a1 and pawns from a2, black pieces from h8 leftwards and pawns from h7.
std::string material_fen(const std::string& code) {
  const size_t split = code.find('K', 1);
  std::string r1, r2, r7, r8;
  for (const char c : code.substr(0, split))
    (c == 'P' ? r2 : r1) += c;
  for (const char c : code.substr(split))
    (c == 'P' ? r7 : r8).insert(0, 1, char(std::tolower(c)));
  auto pad = [](const std::string& s, bool left) {
    const std::string gap = s.size() < 8 ? std::string(1, char('8' - s.size())) : "";
    return left ? gap + s : s + gap;
  };
  return pad(r8, true) + "/" + pad(r7, true) + "/8/8/8/8/" + pad(r2, false) + "/" + pad(r1, false) + " w - - 0 1";
}

// Each key equals the material key of a real position, for both strong
// colours, and finds an evaluator of its kind only, built for that colour.
template <typename T, typename Other>
void check_registrations(const char* const (&codes)[8]) {
  const Endgames endgames;
  for (const char* code : codes) {
    Position pos;
    ASSERT_TRUE(pos.set(material_fen(code), false, nullptr)) << material_fen(code);
    for (const Color strong : {COLOR_WHITE, COLOR_BLACK}) {
      if (strong == COLOR_BLACK)
        pos.flip();
      const Key key = Endgames::key(code, strong);
      EXPECT_EQ(key, pos.material_key()) << code << " strong " << strong << ": " << pos.fen();
      ASSERT_NE(endgames.probe<T>(key), nullptr) << code;
      EXPECT_EQ(endgames.probe<T>(key)->strong_side(), strong) << code;
      EXPECT_EQ(endgames.probe<Other>(key), nullptr) << code;
    }
  }
}

TEST(EndgameRegistry, ValueKeysEqualMaterialKeysOfRealPositions) {
  check_registrations<Value, ScaleFactor>(ValueCodes);
}

TEST(EndgameRegistry, ScaleKeysEqualMaterialKeysOfRealPositions) {
  check_registrations<ScaleFactor, Value>(ScaleCodes);
}

TEST(EndgameRegistry, SixteenEntriesOfEachKindWithDistinctKeys) {
  const Endgames endgames;
  EXPECT_EQ(endgames.size<Value>(), 16u);
  EXPECT_EQ(endgames.size<ScaleFactor>(), 16u);

  std::set<Key> keys;
  for (const auto* codes : {&ValueCodes, &ScaleCodes})
    for (const char* code : *codes)
      for (const Color c : {COLOR_WHITE, COLOR_BLACK})
        keys.insert(Endgames::key(code, c));
  EXPECT_EQ(keys.size(), 32u);
}

TEST(EndgameRegistry, UnregisteredMaterialFindsNothing) {
  const Endgames endgames;
  for (const char* fen : {"7k/8/8/8/8/8/8/K7 w - - 0 1", "7k/8/8/8/8/8/8/KQ6 w - - 0 1",
                          "7k/7p/8/8/8/8/P7/K7 w - - 0 1", "7k/8/8/8/8/8/8/KB6 w - - 0 1"}) {
    Position pos;
    ASSERT_TRUE(pos.set(fen, false, nullptr)) << fen;
    EXPECT_EQ(endgames.probe<Value>(pos.material_key()), nullptr) << fen;
    EXPECT_EQ(endgames.probe<ScaleFactor>(pos.material_key()), nullptr) << fen;
  }
  // The fixed types' materials are not registered either.
  EXPECT_EQ(endgames.probe<ScaleFactor>(Endgames::key("KPKP", COLOR_WHITE)), nullptr);
  EXPECT_EQ(endgames.probe<Value>(Endgames::key("KRK", COLOR_BLACK)), nullptr);
}

// The evaluator found by a position's material key is the rule of that material.
TEST(EndgameRegistry, LookupByMaterialKeyGivesTheRule) {
  const Endgames endgames;
  Position pos;
  ASSERT_TRUE(pos.set("8/8/8/8/3K4/3NB3/8/k7 b - - 0 1", false, nullptr));
  const EndgameBase<Value>* kbnk = endgames.probe<Value>(pos.material_key());
  ASSERT_NE(kbnk, nullptr);
  EXPECT_EQ((*kbnk)(pos), -3780);

  ASSERT_TRUE(pos.set("2k5/3p4/8/8/8/8/r7/4K2R w - - 0 1", false, nullptr));  // black KRP vs white KR
  const EndgameBase<ScaleFactor>* krpkr = endgames.probe<ScaleFactor>(pos.material_key());
  ASSERT_NE(krpkr, nullptr);
  EXPECT_EQ(krpkr->strong_side(), COLOR_BLACK);
}

}  // namespace
