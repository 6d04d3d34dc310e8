#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "board/position.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "eval/pawns.h"
#include "eval/tables.h"
#include "personalities/personality.h"
#include "uci/uci.h"

namespace {

const char* const StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char* const Kiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

// Both sides with an extra queen: phase 128, so the value is the middlegame
// half exactly. White's queen attacks the undefended knight on e4.
const char* const FullPhaseFen = "rnbqkb1r/ppppppp1/q7/8/4n3/3Q4/PPP1PPPP/RNBQKBNR w KQkq - 0 1";

// Phase 0 and scale factor 64: the value is the endgame half exactly. Kings 7
// files apart, 10 pawns, 2 one-coloured files: initiative 2 * (7 + 10 + 2 - 15) = 8.
const char* const EndgameFen = "k3r3/pp3ppp/8/3n4/8/2N5/PPP3PP/4R2K w - - 0 1";

class EvaluateTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Eval::init();
    Pawns::init();
    UCI::init(Options);
  }

  void SetUp() override {
    tables = std::make_unique<EvalTables>();
    reset();
  }

  void TearDown() override { reset(); }

  static void reset() {
    set_elo("2900 World Elite");
    set_weights(1, 1, 1, 1, 1);
  }

  static void set_elo(const std::string& label) {
    Options["VYN Corvastel Elo"] = label;
    ASSERT_EQ(UCI::elo_level(), std::stoi(label));
  }

  static void set_weights(double pawns, double space, double mobility, double initiative, double hanging) {
    Personality::PersonalityData d;
    d.pawnStructureWeight = pawns;
    d.spaceWeight = space;
    d.mobilityWeight = mobility;
    d.initiativeWeight = initiative;
    d.hangingFear = hanging;
    Personality::set_active(d);
  }

  Position& load(const std::string& fen, bool flipped = false, bool chess960 = false) {
    EXPECT_TRUE(pos.set(fen, chess960, tables.get())) << fen;
    if (flipped)
      pos.flip();
    return pos;
  }

  // The blended value from white's view, without the tempo.
  static int white_view(const Position& p) {
    const int v = Eval::evaluate(p) - Eval::Tempo;
    return p.side_to_move() == COLOR_WHITE ? v : -v;
  }

  std::vector<std::string> trace_lines() {
    std::vector<std::string> lines;
    std::istringstream ss(Eval::trace(pos));
    for (std::string l; std::getline(ss, l);)
      lines.push_back(l);
    EXPECT_EQ(lines.size(), 19u);
    return lines;
  }

  std::unique_ptr<EvalTables> tables;
  Position pos;
};

// The numbers of a trace row, in the order printed.
std::vector<double> numbers_of(const std::string& row) {
  std::vector<double> v;
  if (row.find('|') == std::string::npos)
    return v;
  std::istringstream ss(row.substr(row.find('|') + 1));
  for (std::string tok; ss >> tok;)
    if (tok != "|" && tok != "---")
      v.push_back(std::stod(tok));
  return v;
}

// Trace rows 3..14 in this order; 16 is the total.
enum Row { Material = 3, Imbalance, Pawns, Knights, Bishop, Rooks, Queens, Mobility, King, Threats, Passed, Space };

TEST_F(EvaluateTest, KingDangerTellingRows) {
  Eval::init();  // a second init changes nothing
  const int rows[][2] = {{0, 0},     {5, 0},     {10, 2},     {20, 12},    {30, 29},    {50, 81},
                         {100, 326}, {150, 735}, {200, 1258}, {227, 1542}, {228, 1550}, {399, 1550}};
  for (const auto& r : rows) {
    EXPECT_EQ(score_mg(Eval::king_danger(r[0])), r[1]) << r[0];
    EXPECT_EQ(score_eg(Eval::king_danger(r[0])), 0) << r[0];
  }
  for (int i = 1; i < 400; ++i)
    EXPECT_GE(score_mg(Eval::king_danger(i)), score_mg(Eval::king_danger(i - 1))) << i;
  EXPECT_EQ(Eval::king_danger(-50), Eval::king_danger(0));
  EXPECT_EQ(Eval::king_danger(100000), Eval::king_danger(399));
}

TEST_F(EvaluateTest, StrengthFactorAndNoiseLadder) {
  const struct {
    int elo;
    double f;
    int pawnMg, pawnEg, space, half, modulus;
  } ladder[] = {
      {500, 0.1, 20, 19, 6, 400, 801},          {800, 0.1140625, 22, 21, 7, 400, 801},
      {1000, 0.1390625, 27, 26, 9, 400, 801},   {1300, 0.2, 40, 38, 13, 400, 801},
      {1500, 0.25625, 51, 48, 16, 400, 801},    {1800, 0.3640625, 72, 69, 23, 325, 651},
      {2000, 0.4515625, 90, 85, 29, 275, 551},  {2300, 0.60625, 121, 115, 39, 200, 401},
      {2500, 0.725, 145, 137, 47, 150, 301},    {2700, 0.85625, 171, 162, 55, 100, 201},
      {2850, 0.962890625, 192, 182, 62, 62, 125}, {2900, 1.0, 200, 190, 65, 0, 1},
  };
  for (const auto& l : ladder) {
    const double f = Eval::strength_factor(l.elo);
    EXPECT_NEAR(f, l.f, 1e-12) << l.elo;
    EXPECT_EQ(int(200 * f), l.pawnMg) << l.elo;
    EXPECT_EQ(int(190 * f), l.pawnEg) << l.elo;
    EXPECT_EQ(int(65 * f), l.space) << l.elo;
    // Small keys fold to themselves: the offset runs -half .. +half and wraps
    EXPECT_EQ(Eval::noise(0, l.elo), -l.half) << l.elo;
    EXPECT_EQ(Eval::noise(Key(l.half), l.elo), 0) << l.elo;
    EXPECT_EQ(Eval::noise(Key(l.modulus - 1), l.elo), l.half) << l.elo;
    EXPECT_EQ(Eval::noise(Key(l.modulus), l.elo), -l.half) << l.elo;
  }

  // The high word is folded in: 2^32 + 1 and 2^32 leave 47 and 46 modulo 125
  EXPECT_EQ(Eval::noise(Key(1) << 32, 2850), 47 - 62);
  EXPECT_EQ(Eval::noise((Key(1) << 32) | 1, 2850), 46 - 62);
  // 1500 is the last level of the widest noise
  EXPECT_EQ(Eval::noise(Key(798), 1501), 399);

  for (int e : {std::numeric_limits<int>::min(), -1, 0}) {
    EXPECT_EQ(Eval::strength_factor(e), 0.1) << e;
    EXPECT_EQ(Eval::noise(Key(800), e), 400) << e;
  }
  EXPECT_EQ(Eval::strength_factor(std::numeric_limits<int>::max()), 1.0);
  EXPECT_EQ(Eval::noise(~Key(0), 3000), 0);
}

TEST_F(EvaluateTest, ColourFlippedTwinsAgree) {
  const char* const fens[] = {
      StartFen, Kiwipete, EndgameFen, FullPhaseFen,
      "r1bq1rk1/pp2bppp/2n2n2/3p4/3P4/2NBPN2/PP3PPP/R1BQ1RK1 w - - 0 1",
      "r1b2rk1/ppq2ppp/2n1p3/3pP1N1/3P4/2PB4/P1Q2PPP/R4RK1 b - - 0 1",
      "r1bqk2r/pppp1Npp/2n2n2/2b1p3/2B1P3/8/PPPP1PPP/RNBQK2R b KQkq - 0 1",
      "2r3k1/1q3ppp/p3p3/1p1nP3/3P4/P2Q1N2/1P3PPP/2R3K1 w - - 0 1",
      "6k1/5pp1/7p/8/2Q5/8/5PPP/3R2K1 b - - 0 1", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
      "8/5k2/3b4/2p5/2P5/3B4/6K1/8 w - - 0 1", "8/1P4k1/8/8/8/8/5Kp1/8 b - - 0 1",
      "bqnrkrnb/pppppppp/8/8/8/8/PPPPPPPP/BQNRKRNB w - - 0 1"};  // Chess960: walled-in corner bishops
  for (const char* fen : fens) {
    const bool chess960 = fen == fens[12];
    const Value v = Eval::evaluate(load(fen, false, chess960));
    EXPECT_EQ(Eval::evaluate(load(fen, true, chess960)), v) << fen;
  }
}

TEST_F(EvaluateTest, SpecialisedEvaluatorValueUnchanged) {
  for (const char* fen : {"8/8/8/4k3/8/8/8/R3K3 w - - 0 1", "8/8/8/4k3/8/8/8/R3K3 b - - 0 1"}) {
    load(fen);
    const Material::Entry* me = Material::probe(pos);
    ASSERT_TRUE(me->specialized_eval_exists()) << fen;
    const Value expected = me->evaluate(pos);
    EXPECT_EQ(Eval::evaluate(pos), expected) << fen;

    set_elo("500 Beginner");  // no noise
    EXPECT_EQ(Eval::evaluate(pos), expected) << fen;
    set_elo("2900 World Elite");

    // The trace records nothing; its last line is the evaluator's value
    const std::vector<std::string> lines = trace_lines();
    for (size_t i = 3; i < 17; ++i)
      for (double n : numbers_of(lines[i]))
        EXPECT_EQ(n, 0.0) << lines[i];
    std::ostringstream last;
    last << std::fixed;
    last.precision(2);
    last << "Total Evaluation: " << int(pos.side_to_move() == COLOR_WHITE ? expected : -expected) / 135.0
         << " (white side)";
    EXPECT_EQ(lines[18], last.str());
  }
}

TEST_F(EvaluateTest, TraceOfStartPosition) {
  load(StartFen);
  const std::vector<std::string> lines = trace_lines();
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(lines[0], "      Eval term |    White    |    Black    |    Total    ");
  EXPECT_EQ(lines[1], "                |   MG    EG  |   MG    EG  |   MG    EG  ");
  EXPECT_EQ(lines[2], "----------------+-------------+-------------+-------------");
  EXPECT_EQ(lines[Material], "       Material |   ---   --- |   ---   --- |  0.00  0.00 ");
  EXPECT_EQ(lines[Queens], "         Queens |  0.00  0.00 |  0.00  0.00 |  0.00  0.00 ");
  EXPECT_EQ(lines[15], lines[2]);
  EXPECT_EQ(lines[16], "          Total |   ---   --- |   ---   --- |  0.00  0.00 ");
  EXPECT_EQ(lines[17], "");
  EXPECT_EQ(lines[18], "Total Evaluation: 0.15 (white side)");

  const char* const labels[] = {"Material", "Imbalance", "Pawns",       "Knights", "Bishop",       "Rooks",
                                "Queens",   "Mobility",  "King safety", "Threats", "Passed pawns", "Space"};
  for (int i = 0; i < 12; ++i) {
    const std::string& l = lines[Material + i];
    EXPECT_EQ(l.substr(0, 16), std::string(15 - std::string(labels[i]).size(), ' ') + labels[i] + " ");
    EXPECT_EQ(l.substr(l.size() - 12), " 0.00  0.00 ") << l;
  }
}

TEST_F(EvaluateTest, TraceAgreesWithEvaluate) {
  for (const char* fen : {Kiwipete, "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
                          "2r3k1/1q3ppp/p3p3/1p1nP3/3P4/P2Q1N2/1P3PPP/2R3K1 w - - 0 1"}) {
    load(fen);
    const Value v = Eval::evaluate(pos);
    const std::vector<std::string> lines = trace_lines();
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_NEAR(std::stod(lines[18].substr(18)), int(pos.side_to_move() == COLOR_WHITE ? v : -v) / 135.0,
                0.005 + 1e-9);

    // The middlegame total is the sum of the rows (space counts here)
    double sum = 0;
    for (int i = Material; i <= Space; ++i)
      sum += numbers_of(lines[i]).end()[-2];
    EXPECT_NEAR(numbers_of(lines[16]).end()[-2], sum, 0.08) << fen;
    EXPECT_EQ(lines[Queens], "         Queens |  0.00  0.00 |  0.00  0.00 |  0.00  0.00 ");
  }
}

TEST_F(EvaluateTest, MobilityTableEdges) {
  // A centre queen sees 27 squares: the slot past the last value is zero
  load("k7/1p5p/8/8/3Q4/8/7K/8 w - - 0 1");
  EXPECT_EQ(numbers_of(trace_lines()[Mobility])[0], 0.0);

  // The h5 pawn takes g4: 26 squares give S(130, 205)
  load("k7/1p6/8/7p/3Q4/8/7K/8 w - - 0 1");
  std::vector<double> mob = numbers_of(trace_lines()[Mobility]);
  EXPECT_NEAR(mob[0], 130 / 135.0, 0.005);
  EXPECT_NEAR(mob[1], 205 / 135.0, 0.005);

  // A pinned knight has no square off its pin line: S(-75, -76)
  load("4k3/4r3/8/8/8/7P/4N3/4K3 w - - 0 1");
  mob = numbers_of(trace_lines()[Mobility]);
  EXPECT_NEAR(mob[0], -75 / 135.0, 0.005);
  EXPECT_NEAR(mob[1], -76 / 135.0, 0.005);
}

TEST_F(EvaluateTest, MobilityWeightScalesWithTruncation) {
  // The middlegame half at phase 128, the endgame half at phase 0
  const struct {
    const char* fen;
    double iw;
  } cases[] = {{FullPhaseFen, 1.0}, {EndgameFen, 0.0}};

  bool sawOdd = false;
  for (const auto& c : cases)
    for (bool flipped : {false, true}) {
      const auto value = [&](double mw) {
        set_weights(1, 1, mw, c.iw, 1);
        return white_view(load(c.fen, flipped));
      };
      const int none = value(0.0), full = value(1.0) - none;
      sawOdd |= full % 2 != 0;
      EXPECT_NE(full, 0) << c.fen;
      EXPECT_EQ(value(0.5) - none, full / 2) << c.fen << " " << full;  // toward zero
      EXPECT_EQ(value(-1.0) - none, -full) << c.fen;
      EXPECT_EQ(value(2.0) - none, 2 * full) << c.fen;
      EXPECT_EQ(value(5.0) - none, 5 * full) << c.fen;  // no cap on the multiplier
    }
  EXPECT_TRUE(sawOdd);
}

TEST_F(EvaluateTest, HangingAndInitiativeWeights) {
  const auto hanging = [&](double hf) {
    set_weights(1, 1, 1, 1, hf);
    return white_view(load(FullPhaseFen));
  };
  // One hanging knight: S(70, 40) at full weight
  EXPECT_EQ(hanging(1.0) - hanging(0.0), 70);
  EXPECT_EQ(hanging(0.5) - hanging(0.0), 35);
  EXPECT_EQ(hanging(-2.0) - hanging(0.0), -140);

  set_weights(1, 1, 1, 1, 1);
  const std::vector<double> with = numbers_of(trace_lines()[Threats]);
  set_weights(1, 1, 1, 1, 0);
  const std::vector<double> without = numbers_of(trace_lines()[Threats]);
  EXPECT_NEAR(with[0] - without[0], 70 / 135.0, 0.011);
  EXPECT_NEAR(with[1] - without[1], 40 / 135.0, 0.011);

  const auto initiative = [&](double iw) {
    set_weights(1, 1, 1, iw, 1);
    return white_view(load(EndgameFen));
  };
  const int none = initiative(0.0);
  ASSERT_NE(none, 0);
  const int toward = none > 0 ? 1 : -1;
  EXPECT_EQ(initiative(1.0) - none, 8 * toward);
  EXPECT_EQ(initiative(0.5) - none, 4 * toward);
  EXPECT_EQ(initiative(-1.0) - none, -8 * toward);
}

TEST_F(EvaluateTest, ExtremeMultipliersStayInsideMateRange) {
  const char* const fens[] = {"k7/pp6/8/8/8/8/QQQQQQQQ/RNBQKBNR b - - 0 1",
                              "rnbqkbnr/qqqqqqqq/8/8/8/8/PPPPPPPP/4K3 w - - 0 1",
                              "1k6/1pp5/8/8/8/8/2PPPPP1/NNBBKBNN w - - 0 1", StartFen, Kiwipete};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();

  for (const char* fen : fens) {
    set_weights(1, 1, 1, 1, 1);
    const Value plain = Eval::evaluate(load(fen));
    set_weights(nan, nan, nan, nan, nan);  // read as 1.0
    EXPECT_EQ(Eval::evaluate(pos), plain) << fen;

    for (double x : {1e300, -1e300, inf, -inf, 4.0, -4.0, std::numeric_limits<double>::max()}) {
      set_weights(x, x, x, x, x);
      for (bool flipped : {false, true}) {
        EXPECT_LE(std::abs(Eval::evaluate(load(fen, flipped))), VALUE_MATE_IN_MAX_PLY - 1) << fen << " " << x;
        EXPECT_FALSE(Eval::trace(pos).empty());
      }
    }
  }

  // Lopsided material at the mobility extreme keeps its sign
  set_weights(1, 1, 4, 1, 4);
  EXPECT_LT(Eval::evaluate(load(fens[0])), -3000);
}

TEST_F(EvaluateTest, NoiseIsDeterministicPerKey) {
  // No pawns, little material, no initiative: only the noise follows the level
  set_weights(1, 1, 1, 0, 1);
  for (const char* fen : {"r1b1k3/8/8/8/8/8/8/R1B1K3 w - - 0 1", "r1b1k3/8/8/8/8/8/8/R1B1K3 b - - 0 1",
                          "r3k3/8/2b5/8/8/3N4/8/R3K3 w - - 0 1"}) {
    set_elo("2900 World Elite");
    const int top = Eval::evaluate(load(fen));
    const int sign = pos.side_to_move() == COLOR_WHITE ? 1 : -1;

    for (int i = 0; i < Personality::EloLadderSize; ++i) {
      set_elo(Personality::EloLabels[i]);
      const int v = Eval::evaluate(pos);
      EXPECT_EQ(Eval::evaluate(pos), v) << fen;
      EXPECT_EQ(v - top, sign * Eval::noise(pos.key(), Personality::EloLadder[i])) << fen << " " << i;
    }
  }
}

}  // namespace
