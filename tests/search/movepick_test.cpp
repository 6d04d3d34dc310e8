#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "../support.h"
#include "board/misc.h"
#include "search/movepick.h"

using testing_support::Game;
using testing_support::generated;
using testing_support::texts;
typedef std::vector<std::string> Texts;

namespace {

// Rxa7 wins a pawn; Qxh5 and Qxd5 lose the queen to a pawn.
const char* const LosingCaptures = "4k3/p7/2p1p1p1/3p3n/8/8/8/R2QK3 w - - 0 1";
// En passant on d6, both castlings, two rook captures.
const char* const KillerBoard = "r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1";

Move mv(const Position& pos, std::string text) {
  const Move m = UCI::to_move(pos, text);
  EXPECT_NE(m, MOVE_NONE) << text;
  return m;
}

std::vector<Move> sorted(std::vector<Move> v) {
  std::sort(v.begin(), v.end());
  return v;
}

std::vector<Move> drain(MovePicker& mp) {
  std::vector<Move> out;
  for (Move m; out.size() <= size_t(MAX_MOVES) && (m = mp.next_move()) != MOVE_NONE;)
    out.push_back(m);
  return out;
}

std::vector<Move> quiets_of(const Position& pos, const std::vector<Move>& moves) {
  std::vector<Move> v;
  std::copy_if(moves.begin(), moves.end(), std::back_inserter(v), [&](Move m) { return !pos.capture(m); });
  return v;
}

class MovePickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    history.clear();
    cmh.clear();
    std::memset(static_cast<void*>(stack), 0, sizeof(stack));
  }

  std::vector<Move> main_search(const Position& pos, Move tt, Depth d = Depth(5), Move k0 = MOVE_NONE,
                                Move k1 = MOVE_NONE, Move counter = MOVE_NONE) {
    stack[2].killers[0] = k0;
    stack[2].killers[1] = k1;
    MovePicker mp(pos, tt, d, history, cmh, counter, stack + 2);
    return drain(mp);
  }
  std::vector<Move> quiescence(const Position& pos, Move tt, Depth d, Square recapture = SQUARE_A1) {
    MovePicker mp(pos, tt, d, history, recapture);
    return drain(mp);
  }

  HistoryStats history;
  CounterMoveStats cmh;
  Search::Stack stack[5];
};

}  // namespace

TEST_F(MovePickerTest, TtMoveFirstAndOnceOrDroppedWhenNotPseudoLegal) {
  Game g(LosingCaptures);
  const Move bogus[] = {make_move(SQUARE_E2, SQUARE_E4), make_move(SQUARE_E8, SQUARE_E7),
                        make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_H1), MOVE_NULL};
  for (Move tt : {mv(g.pos, "a1a7"), mv(g.pos, "d1h5"), mv(g.pos, "e1f2"), bogus[0], bogus[1], bogus[2], bogus[3]}) {
    const std::vector<Move> out = main_search(g.pos, tt);
    EXPECT_EQ(sorted(out), sorted(generated<GEN_PSEUDO_LEGAL>(g.pos))) << int(tt);
    if (g.pos.pseudo_legal(tt)) {
      EXPECT_EQ(out.front(), tt);
    }
  }
}

TEST_F(MovePickerTest, LosingCapturesComeAfterTheQuietsInTheOrderFound) {
  Game g(LosingCaptures);
  const std::vector<Move> out = main_search(g.pos, MOVE_NONE);
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(texts({out.front()}), Texts{"a1a7"});
  EXPECT_EQ(texts({out.end() - 2, out.end()}), (Texts{"d1h5", "d1d5"}));  // the bigger victim was found first
  EXPECT_EQ(quiets_of(g.pos, out).size(), out.size() - 3);
}

// An accepted killer is the first quiet move; otherwise the push to the
// sixth rank (+30) leads. Either way every move comes exactly once.
TEST_F(MovePickerTest, KillerStageSkipsCapturesIllegalMovesAndTheTtMove) {
  Game g(KillerBoard);
  const Position& pos = g.pos;
  const struct {
    Move killer, tt;
    bool accepted;
  } cases[] = {
      {mv(pos, "a1b1"), MOVE_NONE, true},         {mv(pos, "e1g1"), MOVE_NONE, true},
      {mv(pos, "e1c1"), MOVE_NONE, true},         {mv(pos, "e5d6"), MOVE_NONE, false},
      {mv(pos, "a1a8"), MOVE_NONE, false},        {make_move(SQUARE_E2, SQUARE_E4), MOVE_NONE, false},
      {make_move(SQUARE_A1, SQUARE_B2), MOVE_NONE, false}, {MOVE_NONE, MOVE_NONE, false},
      {mv(pos, "h1h3"), mv(pos, "h1h3"), false},
  };
  for (const auto& c : cases) {
    const std::vector<Move> out = main_search(pos, c.tt, Depth(5), c.killer);
    const std::vector<Move> quiets = quiets_of(pos, out);
    ASSERT_GE(quiets.size(), 2u);
    EXPECT_EQ(quiets[c.tt ? 1 : 0] == c.killer, c.accepted) << int(c.killer);
    EXPECT_EQ(quiets[c.tt ? 1 : 0] == mv(pos, "e5e6"), !c.accepted) << int(c.killer);
    EXPECT_EQ(sorted(out), sorted(generated<GEN_PSEUDO_LEGAL>(pos))) << int(c.killer);
  }

  // Killers are read when their stage starts, not at construction.
  MovePicker mp(pos, MOVE_NONE, Depth(4), history, cmh, MOVE_NONE, stack + 2);
  stack[2].killers[0] = mv(pos, "h1h5");
  EXPECT_EQ(quiets_of(pos, drain(mp)).front(), mv(pos, "h1h5"));
}

TEST_F(MovePickerTest, CounterMoveFollowsTheKillersUnlessItIsOne) {
  Game g(KillerBoard);
  const Move k0 = mv(g.pos, "a1b1"), k1 = mv(g.pos, "a1c1");
  const struct {
    const char* counter;
    Texts leading;
  } cases[] = {{"h1f1", {"a1b1", "a1c1", "h1f1", "e5e6"}}, {"a1b1", {"a1b1", "a1c1", "e5e6"}},
               {"a1c1", {"a1b1", "a1c1", "e5e6"}}};
  for (const auto& c : cases) {
    const std::vector<Move> out = main_search(g.pos, MOVE_NONE, Depth(5), k0, k1, mv(g.pos, c.counter));
    const std::vector<Move> quiets = quiets_of(g.pos, out);
    EXPECT_EQ(texts({quiets.begin(), quiets.begin() + c.leading.size()}), c.leading);
    EXPECT_EQ(sorted(out), sorted(generated<GEN_PSEUDO_LEGAL>(g.pos)));
  }
}

// Quiets: history plus counter-move history, +30 for a pawn reaching its
// fourth rank; values above zero are sorted, the rest only from depth 3.
TEST_F(MovePickerTest, QuietOrdering) {
  Game g(testing_support::StartFen);
  const Move knight = mv(g.pos, "g1f3");
  for (int h : {29, 31}) {
    history[PIECE_WHITE_KNIGHT][SQUARE_F3] = Value(h);
    const std::vector<Move> out = main_search(g.pos, MOVE_NONE, Depth(3));
    EXPECT_EQ(std::find(out.begin(), out.end(), knight) - out.begin(), h == 29 ? 8 : 0);
    Texts pushes = texts({out.begin() + (h == 31), out.begin() + 8 + (h == 31)});
    std::sort(pushes.begin(), pushes.end());
    EXPECT_EQ(pushes, (Texts{"a2a4", "b2b4", "c2c4", "d2d4", "e2e4", "f2f4", "g2g4", "h2h4"}));
  }

  Game r("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");  // no pawns
  const std::vector<Move> gen = generated<GEN_QUIETS>(r.pos);
  const size_t n = gen.size();
  auto set_value = [&](Move m, int h, int c) {
    history[r.pos.moved_piece(m)][move_to(m)] = Value(h);
    cmh[r.pos.moved_piece(m)][move_to(m)] = Value(c);
  };
  set_value(gen[n - 1], 50, 10);  // 60
  set_value(gen[2], -100, 140);   // 40
  set_value(gen[1], 30, -31);     // -1, the rest 0
  // The partition swaps q0 with the last move and q1 with q2, which leaves
  // the bad part as q1, q3 .. q(n-2), q0; sorted, q1 goes to its end.
  std::vector<Move> shallow = {gen[n - 1], gen[2], gen[1]};
  shallow.insert(shallow.end(), gen.begin() + 3, gen.end() - 1);
  shallow.push_back(gen[0]);
  std::vector<Move> deep = shallow;
  deep.erase(deep.begin() + 2);
  deep.push_back(gen[1]);
  for (int d : {1, 2, 3, 8})
    EXPECT_EQ(texts(main_search(r.pos, MOVE_NONE, Depth(d))), texts(d < 3 ? shallow : deep)) << d;
}

TEST_F(MovePickerTest, QuiescenceStagesByDepth) {
  Game g("4k3/p7/8/3p3n/8/8/8/R2QK3 w - - 0 1");
  const Position& pos = g.pos;
  const std::vector<Move> captures = generated<GEN_CAPTURES>(pos), checks = generated<GEN_QUIET_CHECKS>(pos);
  ASSERT_EQ(captures.size(), 3u);
  ASSERT_GE(checks.size(), 2u);
  const Move tt = mv(pos, "e1f2");

  std::vector<Move> out = quiescence(pos, tt, DEPTH_QSEARCH_CHECKS);  // tt move, captures, quiet checks
  ASSERT_EQ(out.size(), 1 + captures.size() + checks.size());
  EXPECT_EQ(out[0], tt);
  EXPECT_EQ(sorted({out.begin() + 1, out.begin() + 4}), sorted(captures));
  EXPECT_EQ(sorted({out.begin() + 4, out.end()}), sorted(checks));
  EXPECT_EQ(sorted(quiescence(pos, MOVE_NONE, Depth(-4))), sorted(captures));

  // Deep: only onto the recapture square, never the tt move.
  const struct {
    Square square;
    Texts expected;
  } recaptures[] = {{SQUARE_D5, {"d1d5"}}, {SQUARE_A7, {"a1a7"}}, {SQUARE_E4, {}}};
  for (const auto& r : recaptures)
    for (Move ttm : {MOVE_NONE, mv(pos, "a1a7"), tt})
      for (Depth d : {DEPTH_QSEARCH_RECAPTURES, Depth(-9)})
        EXPECT_EQ(texts(quiescence(pos, ttm, d, r.square)), r.expected) << int(r.square);
}

// Victim value less 200 per rank forward: a knight on the third rank comes
// before a rook on the fifth.
TEST_F(MovePickerTest, CapturesBestVictimFirst) {
  for (const char* fen : {"4k3/8/8/1p1Q1r2/8/1n6/8/4K3 w - - 0 1", "4k3/8/1N6/8/1P1q1R2/8/8/4K3 b - - 0 1"}) {
    Game g(fen);
    const Texts expected = g.pos.side_to_move() == COLOR_WHITE ? Texts{"d5b3", "d5f5", "d5b5"}
                                                                : Texts{"d4b6", "d4f4", "d4b4"};
    EXPECT_EQ(texts(quiescence(g.pos, MOVE_NONE, DEPTH_QSEARCH_NO_CHECKS)), expected) << fen;
  }
}

// Rook e5 checks: Nxe5 wins; Ne3 (-410) and Qxe5 dxe5 Nxe5 (-500) lose.
TEST_F(MovePickerTest, EvasionsTtMoveThenWinningCapturesThenQuietsThenLosingMoves) {
  Game g("4k3/8/3p4/Q3r3/2N5/8/8/4K3 w - - 0 1");
  const Position& pos = g.pos;
  history[PIECE_WHITE_KING][SQUARE_F2] = Value(100);
  const std::vector<Move> out = main_search(pos, mv(pos, "e1d1"));
  ASSERT_EQ(out.size(), 7u);
  EXPECT_EQ(texts({out.begin(), out.begin() + 3}), (Texts{"e1d1", "c4e5", "e1f2"}));
  EXPECT_EQ(sorted({out.begin() + 3, out.begin() + 5}), sorted({mv(pos, "e1d2"), mv(pos, "e1f1")}));
  EXPECT_EQ(texts({out.begin() + 5, out.end()}), (Texts{"c4e3", "a5e5"}));
  EXPECT_EQ(quiescence(pos, mv(pos, "e1d1"), DEPTH_QSEARCH_RECAPTURES), out);

  Game single("6k1/8/8/8/8/4B3/5PPP/r5K1 w - - 0 1");  // only Bc1 meets the check
  EXPECT_EQ(texts(main_search(single.pos, MOVE_NONE)), Texts{"e3c1"});
}

// Nxe5 dxe5 Qxe5 gains 320, Nxd6 110, Qxe5 dxe5 Nxe5 loses 500.
TEST_F(MovePickerTest, ProbCutKeepsCapturesWinningMoreThanTheThreshold) {
  Game g("4k3/8/3p4/Q3r3/2N5/8/8/6K1 w - - 0 1");
  const struct {
    int threshold;
    const char* tt;
    Texts expected;
  } cases[] = {
      {109, "", {"c4e5", "c4d6"}}, {110, "", {"c4e5"}},         {319, "", {"c4e5"}},
      {320, "", {}},               {-500, "", {"c4e5", "c4d6"}}, {-501, "", {"c4e5", "a5e5", "c4d6"}},
      {100, "c4d6", {"c4d6", "c4e5"}}, {110, "c4d6", {"c4e5"}}, {-1000, "g1g2", {"c4e5", "a5e5", "c4d6"}},
  };
  for (const auto& c : cases) {
    MovePicker mp(g.pos, *c.tt ? mv(g.pos, c.tt) : MOVE_NONE, history, Value(c.threshold));
    EXPECT_EQ(texts(drain(mp)), c.expected) << c.threshold << c.tt;
  }
}

TEST_F(MovePickerTest, ExhaustedPickerKeepsReturningNone) {
  Game g(LosingCaptures), check("4k3/8/3p4/Q3r3/2N5/8/8/4K3 w - - 0 1");
  MovePicker pickers[] = {
      {g.pos, MOVE_NONE, Depth(6), history, cmh, MOVE_NONE, stack + 2},
      {check.pos, MOVE_NONE, Depth(6), history, cmh, MOVE_NONE, stack + 2},
      {g.pos, MOVE_NONE, DEPTH_QSEARCH_RECAPTURES, history, SQUARE_D5},
      {g.pos, MOVE_NONE, history, Value(0)},
  };
  for (MovePicker& mp : pickers) {
    EXPECT_FALSE(drain(mp).empty());
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(mp.next_move(), MOVE_NONE);
  }
}

// Over positions of random games, with random tt moves (some torn), killers,
// counter moves and history, the main picker returns exactly the
// pseudo-legal moves, each once, and the quiescence pickers their subsets.
TEST_F(MovePickerTest, EveryPseudoLegalMoveExactlyOnceOverManyPositions) {
  const char* const seeds[] = {testing_support::StartFen, testing_support::Kiwipete,
                               "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
                               "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", KillerBoard};
  PRNG rng(20240611);
  int positions = 0, inCheck = 0;
  for (const char* fen : seeds)
    for (int game = 0; game < 8; ++game) {
      Game g(fen);
      for (int ply = 0; ply < 40; ++ply, ++positions) {
        const Position& pos = g.pos;
        const std::vector<Move> legal = generated<GEN_LEGAL>(pos);
        if (legal.empty())
          break;
        inCheck += pos.checkers() != 0;
        const std::vector<Move> expected =
            pos.checkers() ? generated<GEN_EVASIONS>(pos) : generated<GEN_PSEUDO_LEGAL>(pos);
        std::vector<Move> plain;  // what the search keeps as killers: no captures or promotions
        if (!pos.checkers())  // quiet generation needs a side not in check
          for (Move m : generated<GEN_QUIETS>(pos))
            if (move_type(m) != MOVE_TYPE_PROMOTION)
              plain.push_back(m);
        auto random_move = [&](const std::vector<Move>& from) {
          const unsigned r = rng.pick(3);
          return r == 0 || from.empty() ? MOVE_NONE
                 : r == 1               ? from[rng.pick(unsigned(from.size()))]
                                        : make_move(Square(rng.pick(64)), Square(rng.pick(64)));
        };
        for (int i = 0; i < 20; ++i) {
          const Move m = expected[rng.pick(unsigned(expected.size()))];
          history[pos.moved_piece(m)][move_to(m)] = Value(int(rng.pick(2001)) - 1000);
          cmh[pos.moved_piece(m)][move_to(m)] = Value(int(rng.pick(2001)) - 1000);
        }
        const Move tt = rng.pick(8) ? random_move(expected) : Move(rng.pick(65536));
        const Depth depth = Depth(1 + int(rng.pick(6)));
        const Move k0 = random_move(plain), k1 = random_move(plain), counter = random_move(plain);
        const std::vector<Move> out = main_search(pos, tt, depth, k0, k1 == k0 ? MOVE_NONE : k1, counter);
        ASSERT_EQ(sorted(out), sorted(expected)) << pos.fen() << " tt " << int(tt);

        // A pseudo-legal tt move outside a quiescence stage's moves is still tried first.
        auto stage_moves = [&](std::vector<Move> v, const std::vector<Move>& stage) {
          if (pos.pseudo_legal(tt) && !std::count(stage.begin(), stage.end(), tt) && !v.empty() && v[0] == tt)
            v.erase(v.begin());
          return sorted(v);
        };
        if (!pos.checkers()) {
          std::vector<Move> qs = generated<GEN_CAPTURES>(pos);
          EXPECT_EQ(stage_moves(quiescence(pos, tt, DEPTH_QSEARCH_NO_CHECKS), qs), sorted(qs)) << pos.fen();
          for (Move m : generated<GEN_QUIET_CHECKS>(pos))
            qs.push_back(m);
          EXPECT_EQ(stage_moves(quiescence(pos, tt, DEPTH_QSEARCH_CHECKS), qs), sorted(qs)) << pos.fen();
        }
        g.play(UCI::move(legal[rng.pick(unsigned(legal.size()))], false));
      }
    }
  EXPECT_GT(positions, 1000);
  EXPECT_GT(inCheck, 10);
}
