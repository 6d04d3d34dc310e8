#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support.h"

using namespace testing_support;
using Texts = std::vector<std::string>;

// The order of every list is fixed: root moves and perft output show it.
TEST(MoveGen, EmissionOrder) {
  struct Case { const char* fen; GenType type; Texts moves; };
  const Case cases[] = {
      {StartFen, GEN_LEGAL,
       {"a2a3", "b2b3", "c2c3", "d2d3", "e2e3", "f2f3", "g2g3", "h2h3", "a2a4", "b2b4", "c2c4", "d2d4",
        "e2e4", "f2f4", "g2g4", "h2h4", "b1a3", "b1c3", "g1f3", "g1h3"}},
      // Promotion by capture and by push: queens are captures, the rest quiet.
      {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", GEN_CAPTURES, {"a7b8q", "a7a8q"}},
      {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", GEN_QUIETS,
       {"a7b8r", "a7b8b", "a7b8n", "a7a8r", "a7a8b", "a7a8n", "e1d1", "e1f1", "e1d2", "e1e2", "e1f2"}},
      {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", GEN_PSEUDO_LEGAL,
       {"a7b8q", "a7b8r", "a7b8b", "a7b8n", "a7a8q", "a7a8r", "a7a8b", "a7a8n", "e1d1", "e1f1", "e1d2",
        "e1e2", "e1f2"}},
      // All captures towards one side first, then towards the other.
      {"4k3/8/8/p1p1p3/1P1P4/8/8/4K3 w - - 0 1", GEN_CAPTURES, {"b4c5", "d4e5", "b4a5", "d4c5"}},
      {"4k3/8/8/1p1p4/P1P1P3/8/8/4K3 b - - 0 1", GEN_CAPTURES, {"b5a4", "d5c4", "b5c4", "d5e4"}},
      // A rook checking along the file: no retreat along it.
      {"4r2k/8/8/8/8/8/4K3/8 w - - 0 1", GEN_EVASIONS, {"e2d1", "e2f1", "e2d2", "e2f2", "e2d3", "e2f3"}},
      // A dropped move is replaced by the list's last one.
      {"4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1", GEN_LEGAL, {"e1f2", "e1d2", "e1f1", "e1d1"}},
      // Quiet checks: only the knight promotion checks here.
      {"8/1P1k4/8/8/8/8/8/4K3 w - - 0 1", GEN_QUIET_CHECKS, {"b7b8n"}},
      {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", GEN_QUIET_CHECKS, {"h1f1", "h1h8", "e1g1"}},
      // The king uncovers the rook but may not stay on a line to the enemy king.
      {"4k3/8/8/8/8/8/4K3/4R3 w - - 0 1", GEN_QUIET_CHECKS, {"e2d1", "e2f1", "e2d2", "e2f2", "e2d3", "e2f3"}},
  };
  for (const Case& c : cases) {
    Game g(c.fen);
    std::vector<Move> moves;
    switch (c.type) {
      case GEN_CAPTURES: moves = generated<GEN_CAPTURES>(g.pos); break;
      case GEN_QUIETS: moves = generated<GEN_QUIETS>(g.pos); break;
      case GEN_QUIET_CHECKS: moves = generated<GEN_QUIET_CHECKS>(g.pos); break;
      case GEN_EVASIONS: moves = generated<GEN_EVASIONS>(g.pos); break;
      case GEN_PSEUDO_LEGAL: moves = generated<GEN_PSEUDO_LEGAL>(g.pos); break;
      case GEN_LEGAL: moves = generated<GEN_LEGAL>(g.pos); break;
    }
    EXPECT_EQ(texts(moves), c.moves) << c.fen << " type " << c.type;
  }
}

TEST(MoveGen, EnPassantEvadesOnlyAPawnCheck) {
  // The double push itself checks: taking en passant removes the checker.
  Game pawnCheck("4k3/3p4/8/4P3/4K3/8/8/8 b - - 0 1");
  ASSERT_TRUE(pawnCheck.play("d7d5"));
  ASSERT_TRUE(pawnCheck.pos.checkers());
  EXPECT_TRUE(MoveList<GEN_EVASIONS>(pawnCheck.pos).contains(make<MOVE_TYPE_EN_PASSANT>(SQUARE_E5, SQUARE_D6)));
  EXPECT_TRUE(MoveList<GEN_LEGAL>(pawnCheck.pos).contains(make<MOVE_TYPE_EN_PASSANT>(SQUARE_E5, SQUARE_D6)));

  // The double push uncovers a rook: en passant does not help.
  Game rookCheck("4k3/r2p3K/8/4P3/8/8/8/8 b - - 0 1");
  ASSERT_TRUE(rookCheck.play("d7d5"));
  ASSERT_EQ(rookCheck.pos.checkers(), squares("a7"));
  ASSERT_EQ(rookCheck.pos.ep_square(), SQUARE_D6);
  EXPECT_FALSE(MoveList<GEN_EVASIONS>(rookCheck.pos).contains(make<MOVE_TYPE_EN_PASSANT>(SQUARE_E5, SQUARE_D6)));
}

TEST(MoveGen, Chess960Castling) {
  struct Case { const char* fen; const char* move; const char* after; };
  const Case cases[] = {
      // King and rook swap places; the rook's square is the king's target.
      {"4k3/8/8/8/8/8/8/5KR1 w G - 0 1", "f1g1", "4k3/8/8/8/8/8/8/5RK1 b - - 1 1"},
      {"4k3/8/8/8/8/8/8/RK6 w A - 0 1", "b1a1", "4k3/8/8/8/8/8/8/2KR4 b - - 1 1"},
      {"4k3/8/8/8/8/8/8/1R1K4 w B - 0 1", "d1b1", "4k3/8/8/8/8/8/8/2KR4 b - - 1 1"},
      // Our rook on b1 shields c1 from the rook on a1; once it moves, c1 is attacked.
      {"4k3/8/8/8/8/8/8/rR1K4 w B - 0 1", "d1b1", nullptr},
      {"r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1", "e1h1", "r3k2r/8/8/8/8/8/8/R4RK1 b ha - 1 1"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1", "e1a1", "r3k2r/8/8/8/8/8/8/2KR3R b ha - 1 1"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1", "e1g1", nullptr},  // normal-chess text is not a 960 move
  };
  for (const Case& c : cases) {
    Game g(c.fen, true);
    const std::string before = g.pos.fen();
    std::string text = c.move;
    const Move m = UCI::to_move(g.pos, text);
    if (!c.after) {
      EXPECT_EQ(m, MOVE_NONE) << c.fen << " " << c.move;
      continue;
    }
    ASSERT_NE(m, MOVE_NONE) << c.fen << " " << c.move;
    EXPECT_EQ(move_type(m), MOVE_TYPE_CASTLING);
    StateInfo st;
    g.pos.do_move(m, st, g.pos.gives_check(m, CheckInfo(g.pos)));
    EXPECT_EQ(g.pos.fen(), c.after);
    EXPECT_EQ(g.pos.key(), Game(c.after, true).pos.key());
    g.pos.undo_move(m);
    EXPECT_EQ(g.pos.fen(), before);
  }
}

TEST(MoveGen, NoMovesInMateOrStalemate) {
  for (const char* fen : {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3",
                          "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"}) {
    Game g(fen);
    EXPECT_EQ(MoveList<GEN_LEGAL>(g.pos).size(), 0u) << fen;
  }
}

// A normal-chess FEN may put a castling king off the e-file: the squares it
// crosses are still checked from its own square, on the board.
TEST(MoveGen, NormalChessCastlingFromAnOddKingSquare) {
  struct Case { const char* fen; bool generated; };
  const Case cases[] = {
      {"4k3/8/8/8/8/8/8/RK6 w Q - 0 1", true},
      {"3rk3/8/8/8/8/8/8/RK6 w Q - 0 1", true},   // d1 is only the rook's target
      {"2r1k3/8/8/8/8/8/8/RK6 w Q - 0 1", false},  // the king's target is attacked
      {"4k3/8/8/8/8/8/8/R1K5 w Q - 0 1", true},    // the king already stands on its target
      {"4k3/8/8/8/8/8/8/5K1R w K - 0 1", true},
      {"4k1r1/8/8/8/8/8/8/5K1R w K - 0 1", false},
  };
  for (const Case& c : cases) {
    Game g(c.fen);
    int castlings = 0;
    for (const ExtMove& m : MoveList<GEN_LEGAL>(g.pos))
      castlings += move_type(m.move) == MOVE_TYPE_CASTLING;
    EXPECT_EQ(castlings, c.generated ? 1 : 0) << c.fen;
  }
}
