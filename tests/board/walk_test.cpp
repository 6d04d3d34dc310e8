// Properties checked at every node of small move-tree walks: whatever
// do_move keeps up incrementally must equal a fresh read of the position's
// own FEN, and the generators must agree with each other.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "../support.h"

using namespace testing_support;

namespace {

std::multiset<Move> as_set(const std::vector<Move>& v) { return {v.begin(), v.end()}; }

void expect_same_state(const Position& pos, const std::string& context) {
  Position fresh;
  ASSERT_TRUE(fresh.set(pos.fen(), pos.is_chess960(), nullptr)) << context;
  EXPECT_EQ(pos.key(), fresh.key()) << context;
  EXPECT_EQ(pos.pawn_key(), fresh.pawn_key()) << context;
  EXPECT_EQ(pos.material_key(), fresh.material_key()) << context;
  EXPECT_EQ(pos.psq_score(), fresh.psq_score()) << context;
  EXPECT_EQ(pos.non_pawn_material(COLOR_WHITE), fresh.non_pawn_material(COLOR_WHITE)) << context;
  EXPECT_EQ(pos.non_pawn_material(COLOR_BLACK), fresh.non_pawn_material(COLOR_BLACK)) << context;
  EXPECT_EQ(pos.checkers(), fresh.checkers()) << context;
  EXPECT_EQ(pos.castling_rights(), fresh.castling_rights()) << context;
  EXPECT_EQ(pos.ep_square(), fresh.ep_square()) << context;
  EXPECT_TRUE(pos.pos_is_ok()) << context;
}

// Checks that need no move to be made first.
void expect_generators_agree(Position& pos, bool exhaustive) {
  const std::string fen = pos.fen();
  const Color us = pos.side_to_move();
  const Bitboard pinned = CheckInfo(pos).pinned;

  const std::vector<Move> all = pos.checkers() ? generated<GEN_EVASIONS>(pos) : generated<GEN_PSEUDO_LEGAL>(pos);
  const std::vector<Move> legal = generated<GEN_LEGAL>(pos);
  EXPECT_EQ(as_set(all).size(), std::set<Move>(all.begin(), all.end()).size()) << "duplicates in " << fen;

  // legal() against the plain test: is our king attacked once the move is made?
  std::vector<Move> safe;
  for (Move m : all) {
    StateInfo st;
    pos.do_move(m, st, pos.gives_check(m, CheckInfo(pos)));
    const bool kingSafe = !(pos.attackers_to(pos.king_square(us)) & pos.pieces(~us));
    pos.undo_move(m);
    EXPECT_EQ(pos.legal(m, pinned), kingSafe) << fen << " " << UCI::move(m, pos.is_chess960());
    if (kingSafe)
      safe.push_back(m);
  }
  EXPECT_EQ(as_set(legal), as_set(safe)) << fen;

  for (Move m : legal)
    EXPECT_TRUE(pos.pseudo_legal(m)) << fen << " " << UCI::move(m, pos.is_chess960());

  if (!pos.checkers()) {
    const std::vector<Move> captures = generated<GEN_CAPTURES>(pos), quiets = generated<GEN_QUIETS>(pos);
    std::vector<Move> both = captures;
    both.insert(both.end(), quiets.begin(), quiets.end());
    EXPECT_EQ(as_set(both), as_set(all)) << fen;

    const CheckInfo ci(pos);
    const std::multiset<Move> quietChecks = as_set(generated<GEN_QUIET_CHECKS>(pos));
    const std::multiset<Move> quietSet = as_set(quiets);
    for (Move m : quietChecks) {
      EXPECT_EQ(quietSet.count(m), 1u) << fen << " " << UCI::move(m, pos.is_chess960());
      EXPECT_TRUE(pos.gives_check(m, ci)) << fen << " " << UCI::move(m, pos.is_chess960());
    }
    // Every checking quiet move of a piece other than the king is found,
    // castling included; promotions are left to the captures and quiets.
    for (Move m : quiets) {
      if (pos.gives_check(m, ci) && move_type(m) != MOVE_TYPE_PROMOTION
          && (type_of(pos.moved_piece(m)) != PIECE_TYPE_KING || move_type(m) == MOVE_TYPE_CASTLING)) {
        EXPECT_EQ(quietChecks.count(m), 1u) << fen << " " << UCI::move(m, pos.is_chess960());
      }
    }
  }

  // Any plain 16-bit code: pseudo_legal exactly when the generator makes it;
  // in check a king step must also leave the attacked squares.
  if (exhaustive) {
    const std::set<Move> generatedSet(all.begin(), all.end());
    for (Square from = SQUARE_A1; from <= SQUARE_H8; ++from)
      for (Square to = SQUARE_A1; to <= SQUARE_H8; ++to) {
        const Move m = make_move(from, to);
        const bool expected = generatedSet.count(m) == 1
                              && (!pos.checkers() || from != pos.king_square(us) || pos.legal(m, pinned));
        EXPECT_EQ(pos.pseudo_legal(m), expected) << fen << " " << UCI::move(m, false);
      }
  }
}

void walk(Position& pos, int depth, uint64_t& nodes) {
  ++nodes;
  expect_generators_agree(pos, depth > 0);
  if (depth == 0 || testing::Test::HasFailure())
    return;

  const CheckInfo ci(pos);
  for (const ExtMove& e : MoveList<GEN_LEGAL>(pos)) {
    const Move m = e.move;
    const std::string before = pos.fen();
    const std::string context = before + " " + UCI::move(m, pos.is_chess960());
    const Key key = pos.key();
    const Score psq = pos.psq_score();
    const bool check = pos.gives_check(m, ci);

    // The cheap key is exact for plain moves that touch no rights or en passant square.
    const bool plain = move_type(m) == MOVE_TYPE_NORMAL && pos.ep_square() == SQUARE_NONE;
    const Key predicted = pos.key_after(m);
    const int rights = pos.castling_rights();

    StateInfo st;
    pos.do_move(m, st, check);
    expect_same_state(pos, context);
    EXPECT_EQ(check, pos.checkers() != 0) << context;
    if (plain && rights == pos.castling_rights() && pos.ep_square() == SQUARE_NONE) {
      EXPECT_EQ(pos.key(), predicted) << context;
    }

    walk(pos, depth - 1, nodes);

    pos.undo_move(m);
    EXPECT_EQ(pos.key(), key) << context;
    EXPECT_EQ(pos.psq_score(), psq) << context;
    EXPECT_EQ(pos.fen(), before) << context;
    if (testing::Test::HasFailure())
      return;
  }
}

struct WalkCase {
  const char* name;
  const char* fen;
  bool chess960;
  int depth;
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.fen; }

class Walk : public testing::TestWithParam<WalkCase> {};

TEST_P(Walk, IncrementalStateMatchesFreshPosition) {
  Game g(GetParam().fen, GetParam().chess960);
  uint64_t nodes = 0;
  walk(g.pos, GetParam().depth, nodes);
  EXPECT_GT(nodes, 1u);
  EXPECT_EQ(g.pos.fen(), Game(GetParam().fen, GetParam().chess960).pos.fen());
}

INSTANTIATE_TEST_SUITE_P(
    Positions, Walk,
    testing::Values(
        WalkCase{"Start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", false, 3},
        WalkCase{"Kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", false, 2},
        WalkCase{"Position3", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", false, 4},
        WalkCase{"Position4", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", false, 3},
        WalkCase{"Position5", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", false, 2},
        WalkCase{"Promotions", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", false, 3},
        WalkCase{"EnPassant", "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", false, 2},
        WalkCase{"Chess960", "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", true, 2},
        WalkCase{"Chess960Castling", "1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1", true, 3},
        WalkCase{"Castling", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", false, 2}),
    [](const testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

}  // namespace
