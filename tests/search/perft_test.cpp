#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "../support.h"
#include "search/perft.h"

using namespace testing_support;

namespace {

// Leaf count without the root's printing (the root at depth 1 counts without moving).
uint64_t leaves(Position& pos, int depth) {
  return depth == 1 ? MoveList<GEN_LEGAL>(pos).size() : Search::perft<false>(pos, Depth(depth));
}

struct PerftCase {
  const char* name;
  const char* fen;
  bool chess960;
  std::vector<uint64_t> counts;  // depth 1, 2, ...
};

void PrintTo(const PerftCase& c, std::ostream* os) { *os << c.fen; }

class Perft : public testing::TestWithParam<PerftCase> {};

// Published leaf counts of the standard test positions.
TEST_P(Perft, MatchesPublishedCounts) {
  Game g(GetParam().fen, GetParam().chess960);
  const std::string fen = g.pos.fen();
  for (size_t d = 0; d < GetParam().counts.size(); ++d)
    EXPECT_EQ(leaves(g.pos, int(d + 1)), GetParam().counts[d]) << GetParam().fen << " depth " << d + 1;
  EXPECT_EQ(g.pos.fen(), fen);
}

INSTANTIATE_TEST_SUITE_P(
    Standard, Perft,
    testing::Values(
        PerftCase{"Start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", false,
                  {20, 400, 8902, 197281, 4865609}},
        PerftCase{"Kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", false,
                  {48, 2039, 97862, 4085603}},
        PerftCase{"Position3", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", false, {14, 191, 2812, 43238, 674624}},
        PerftCase{"Position4", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", false,
                  {6, 264, 9467, 422333}},
        PerftCase{"Position4Mirrored", "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", false,
                  {6, 264, 9467, 422333}},
        PerftCase{"Position5", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", false,
                  {44, 1486, 62379, 2103487}},
        PerftCase{"Position6", "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", false,
                  {46, 2079, 89890, 3894594}},
        PerftCase{"Promotions", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", false, {24, 496, 9483, 182838}}),
    [](const testing::TestParamInfo<PerftCase>& info) { return std::string(info.param.name); });

// Chess960 positions with the option on; with king and rooks on their usual
// squares Chess960 castling is normal castling.
INSTANTIATE_TEST_SUITE_P(
    Chess960, Perft,
    testing::Values(
        PerftCase{"Midgame1", "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", true,
                  {21, 528, 12189, 326672, 8146062}},
        PerftCase{"Midgame2", "b1q1rrkb/pppppppp/3nn3/8/P7/1PPP4/4PPPP/BQNNRKRB w GE - 1 9", true,
                  {20, 479, 10471, 273318}},
        PerftCase{"Midgame3", "qbbnnrkr/2pp2pp/p7/1p2pp2/8/P3PP2/1PPP1KPP/QBBNNR1R w hf - 0 9", true,
                  {22, 593, 13440, 382958}},
        PerftCase{"Midgame4", "1nbbnrkr/p1p1ppp1/3p4/1p3P1p/3Pq2P/8/PPP1P1P1/QNBBNRKR w HFhf - 0 9", true,
                  {28, 1120, 31058, 1171749}},
        PerftCase{"Midgame5", "qnbnr1kr/ppp1b1pp/4p3/3p1p2/8/2NPP3/PPP1BPPP/QNB1R1KR w HEhe - 1 9", true,
                  {29, 899, 26578, 824055}},
        PerftCase{"Kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w HAha - 0 1", true,
                  {48, 2039, 97862}},
        PerftCase{"Start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1", true, {20, 400, 8902}}),
    [](const testing::TestParamInfo<PerftCase>& info) { return std::string(info.param.name); });

std::vector<std::string> root_lines(Position& pos, int depth, uint64_t& total) {
  testing::internal::CaptureStdout();
  total = Search::perft<true>(pos, Depth(depth));
  std::istringstream out(testing::internal::GetCapturedStdout());
  std::vector<std::string> lines;
  for (std::string line; std::getline(out, line);)
    lines.push_back(line);
  return lines;
}

}  // namespace

TEST(PerftRoot, PrintsEachRootMoveInGenerationOrder) {
  Game g(StartFen);
  uint64_t total = 0;
  const std::vector<std::string> order = {"a2a3", "b2b3", "c2c3", "d2d3", "e2e3", "f2f3", "g2g3",
                                          "h2h3", "a2a4", "b2b4", "c2c4", "d2d4", "e2e4", "f2f4",
                                          "g2g4", "h2h4", "b1a3", "b1c3", "g1f3", "g1h3"};
  std::vector<std::string> expected;
  for (const std::string& m : order)
    expected.push_back(m + ": 1");
  EXPECT_EQ(root_lines(g.pos, 1, total), expected);
  EXPECT_EQ(total, 20u);

  const std::vector<std::string> depth2 = root_lines(g.pos, 2, total);
  EXPECT_EQ(total, 400u);
  ASSERT_EQ(depth2.size(), 20u);
  EXPECT_EQ(depth2[12], "e2e4: 20");
  EXPECT_EQ(depth2[17], "b1c3: 20");

  root_lines(g.pos, 3, total);
  EXPECT_EQ(total, 8902u);
}

// Pieces come in piece-list order, not square order: a list keeps the order
// in which the FEN placed its pieces, and a capture moves the list's last
// entry into the freed slot.
TEST(PerftRoot, FollowsPieceListOrder) {
  uint64_t total = 0;
  Game fenOrder("4k3/8/8/8/8/2N5/8/1N2K3 w - - 0 1");
  EXPECT_EQ(root_lines(fenOrder.pos, 1, total),
            (std::vector<std::string>{"c3d1: 1", "c3a2: 1", "c3e2: 1", "c3a4: 1", "c3e4: 1", "c3b5: 1",
                                      "c3d5: 1", "b1d2: 1", "b1a3: 1", "e1d1: 1", "e1f1: 1", "e1d2: 1",
                                      "e1e2: 1", "e1f2: 1"}));
  EXPECT_EQ(total, 14u);

  Game reshuffled("k7/8/8/8/8/8/1b6/N1N1K1N1 b - - 0 1");
  ASSERT_TRUE(reshuffled.play("b2a1"));
  EXPECT_EQ(root_lines(reshuffled.pos, 1, total),
            (std::vector<std::string>{"g1e2: 1", "g1f3: 1", "g1h3: 1", "c1a2: 1", "c1e2: 1", "c1b3: 1",
                                      "c1d3: 1", "e1d1: 1", "e1f1: 1", "e1d2: 1", "e1e2: 1", "e1f2: 1"}));
  EXPECT_EQ(total, 12u);
}

TEST(PerftRoot, PrintsNothingWithoutMoves) {
  Game mate("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3");
  uint64_t total = 1;
  EXPECT_TRUE(root_lines(mate.pos, 3, total).empty());
  EXPECT_EQ(total, 0u);
}
