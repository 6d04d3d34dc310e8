#include <gtest/gtest.h>

#include <string>

#include "../support.h"

using namespace testing_support;

TEST(Zobrist, KeysFromTheFixedSeed) {
  EXPECT_EQ(Zobrist::psq[COLOR_WHITE][PIECE_TYPE_PAWN][SQUARE_A1], 0x083610FB1CD7C6A5ULL);
  EXPECT_EQ(Zobrist::enpassant[FILE_A], 0x7D56D658294A9988ULL);
  EXPECT_EQ(Zobrist::side, 0x4416F6191E3975A5ULL);
  EXPECT_EQ(Zobrist::castling[0], 0u);
  EXPECT_EQ(Zobrist::castling[15], Zobrist::castling[1] ^ Zobrist::castling[2] ^ Zobrist::castling[4]
                                       ^ Zobrist::castling[8]);
  EXPECT_EQ(Zobrist::castling[6], Zobrist::castling[2] ^ Zobrist::castling[4]);

  Game g(StartFen);
  EXPECT_EQ(g.pos.key(), 0xB4D30CD15A43432DULL);

  const int counts[] = {0, 8, 2, 2, 2, 1, 1};
  Key material = 0;
  for (Color c : {COLOR_WHITE, COLOR_BLACK})
    for (PieceType pt = PIECE_TYPE_PAWN; pt <= PIECE_TYPE_KING; ++pt)
      for (int i = 0; i < counts[pt]; ++i)
        material ^= Zobrist::psq[c][pt][i];
  EXPECT_EQ(g.pos.material_key(), material);

  Key pawns = 0;
  for (Square s = SQUARE_A2; s <= SQUARE_H2; ++s)
    pawns ^= Zobrist::psq[COLOR_WHITE][PIECE_TYPE_PAWN][s] ^ Zobrist::psq[COLOR_BLACK][PIECE_TYPE_PAWN][s + 40];
  EXPECT_EQ(g.pos.pawn_key(), pawns);
}

TEST(Fen, ReadsAndWritesBack) {
  struct Case { const char* in; const char* out; int ply; };
  const Case cases[] = {
      {StartFen, StartFen, 0},
      {Kiwipete, Kiwipete, 0},
      {"4k3/8/8/8/8/8/8/4K3 b - - 0 1", "4k3/8/8/8/8/8/8/4K3 b - - 0 1", 1},
      {"4k3/8/8/8/8/8/8/4K3 b - - 0 40", "4k3/8/8/8/8/8/8/4K3 b - - 0 40", 79},
      {"4k3/8/8/8/8/8/8/4K3 w - -", "4k3/8/8/8/8/8/8/4K3 w - - 0 1", 0},  // clocks missing
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 -5", "4k3/8/8/8/8/8/8/4K3 w - - 0 1", 0},
      {"r3k2r/8/8/8/8/8/8/R3K2R w Kk - 0 1", "r3k2r/8/8/8/8/8/8/R3K2R w Kk - 0 1", 0},
      {"4k3/8/8/8/8/8/8/4R1K1 b - - 0 1", "4k3/8/8/8/8/8/8/4R1K1 b - - 0 1", 1},  // in check to move
  };
  for (const Case& c : cases) {
    Position pos;
    ASSERT_TRUE(pos.set(c.in, false, nullptr)) << c.in;
    EXPECT_EQ(pos.fen(), c.out);
    EXPECT_EQ(pos.game_ply(), c.ply) << c.in;
  }

  Game kk("r3k2r/8/8/8/8/8/8/R3K2R w Kk - 0 1");
  EXPECT_EQ(kk.pos.castling_rights(), 5);
  Game check("4k3/8/8/8/8/8/8/4R1K1 b - - 0 1");
  EXPECT_EQ(check.pos.checkers(), squares("e1"));
}

// Text a GUI might send that is not a chess position.
TEST(Fen, RefusesBadTextAndKeepsThePosition) {
  const char* const bad[] = {
      "",
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq - 0 1",      // a rank of 7
      "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",    // a rank of 9
      "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "rnbqkbnr/pppppppp/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",       // 7 ranks
      "rnbqkbnr/pppppppp/8/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",   // 9 ranks
      "rnbqkbnr/pppppppp/8/8/4X3/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",   // unknown letter
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/ w KQkq - 0 1",
      "4k3/8/8/8/8/8/8/8 w - - 0 1",                                   // no white king
      "8/8/8/8/8/8/8/4K3 w - - 0 1",                                   // no black king
      "4k3/8/8/8/8/8/8/3KK3 w - - 0 1",
      "3kk3/8/8/8/8/8/8/4K3 w - - 0 1",
      "QQQQQQQQ/QQQQQQQQ/QQQQQQQQ/8/8/8/8/K6k w - - 0 1",             // more than 16 pieces
      "4k3/8/8/8/8/8/PPPPPPPP/QQ2K3 w - - 0 1",                        // a queen too many
      "4k3/8/8/8/8/8/PPPPPPPP/BBB1K3 w - - 0 1",
      "4k3/8/8/8/8/8/1PPPPPPP/NNNNK3 w - - 0 1",
      "4k3/8/8/8/8/8/8/P3K3 w - - 0 1",                                // pawn on the first rank
      "P3k3/8/8/8/8/8/8/4K3 w - - 0 1",
      "4k3/8/8/8/8/8/8/p3K3 b - - 0 1",
      "4k3/8/8/8/8/8/8/4R1K1 w - - 0 1",                               // side not to move in check
      "8/8/8/8/8/8/8/3Kk3 w - - 0 1",
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1",      // side letter
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR W KQkq - 0 1",
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR  w KQkq - 0 1",     // two blanks
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",
  };

  Game g(Kiwipete);
  ASSERT_TRUE(g.play("e1g1 a6e2"));
  const std::string before = g.pos.fen();
  const Key key = g.pos.key();
  for (const char* fen : bad) {
    EXPECT_FALSE(g.pos.set(fen, false, nullptr)) << fen;
    EXPECT_EQ(g.pos.fen(), before) << fen;
    EXPECT_EQ(g.pos.key(), key) << fen;
  }
  EXPECT_EQ(MoveList<GEN_LEGAL>(g.pos).size(), MoveList<GEN_LEGAL>(Game(before).pos).size());
}

TEST(Fen, CastlingLettersNeedKingAndRook) {
  struct Case { const char* fen; bool chess960; const char* rights; };
  const Case cases[] = {
      {"4k3/8/8/8/8/8/8/4K3 w KQkq - 0 1", false, "-"},
      {"r3k3/8/8/8/8/8/8/4K2R w KQkq - 0 1", false, "Kq"},
      {"4k3/8/8/8/8/8/4K3/R6R w KQ - 0 1", false, "-"},       // king off its first rank
      {"r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", false, "-"},
      {"1r2k1r1/8/8/8/8/8/8/1R2K1R1 w KQkq - 0 1", true, "GBgb"},
      {"4k3/8/8/8/8/8/8/R3K2R w C - 0 1", true, "-"},          // no rook on c1
      {"4k3/8/8/8/8/8/8/R3K2R w HA - 0 1", true, "HA"},
      {"rk5r/8/8/8/8/8/8/RK5R w HAha - 0 1", true, "HAha"},
  };
  for (const Case& c : cases) {
    Position pos;
    ASSERT_TRUE(pos.set(c.fen, c.chess960, nullptr)) << c.fen;
    std::istringstream fields(pos.fen());
    std::string placement, side, rights;
    fields >> placement >> side >> rights;
    EXPECT_EQ(rights, c.rights) << c.fen;
  }
}

TEST(Fen, EnPassantSquareNeedsACapturablePawn) {
  struct Case { const char* fen; const char* ep; };
  const Case cases[] = {
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", "-"},  // nothing takes
      {"rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 3", "e3"},
      {"rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR w KQkq e3 0 3", "-"},  // wrong side's rank
      {"4k3/8/8/8/3p4/8/8/4K3 b - e3 0 1", "-"},                              // no pawn in front
      {"4k3/8/8/8/3pP3/8/4P3/4K3 b - e3 0 1", "-"},                           // square behind taken
      {"4k3/8/8/8/3pP3/4N3/8/4K3 b - e3 0 1", "-"},                           // target taken
      {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", "f6"},
      {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq z6 0 3", "-"},
  };
  for (const Case& c : cases) {
    Game g(c.fen);
    const std::string ep = g.pos.ep_square() == SQUARE_NONE ? "-" : UCI::square(g.pos.ep_square());
    EXPECT_EQ(ep, c.ep) << c.fen;
    // The key carries an en passant term only for a kept square.
    std::string plain = c.fen;
    plain.replace(plain.find(' ', plain.find(' ', plain.find(' ') + 1) + 1) + 1, 2, "-");
    Game without(plain);
    EXPECT_EQ(g.pos.key() == without.pos.key(), ep == "-") << c.fen;
  }
}

TEST(Fen, HugeClocksAreClamped) {
  Game g("4k3/8/8/8/8/8/8/4K3 b - - 99999999999999999999 99999999999999999999");
  EXPECT_GT(g.pos.game_ply(), 1000);
  EXPECT_EQ(g.pos.game_ply() % 2, 1);
  EXPECT_GT(g.pos.rule50_count(), 99);
  const std::string fen = g.pos.fen();
  EXPECT_EQ(fen.substr(fen.rfind(' ') + 1), std::to_string(1 + (g.pos.game_ply() - 1) / 2));
}

TEST(Position, FlipMirrorsTheBoard) {
  const std::string pos4 = "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1";
  Game g(pos4);
  const Score score = g.pos.psq_score();
  const Value npmWhite = g.pos.non_pawn_material(COLOR_WHITE);
  g.pos.flip();
  EXPECT_EQ(g.pos.fen(), "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1");
  EXPECT_EQ(g.pos.psq_score(), -score);
  EXPECT_EQ(g.pos.non_pawn_material(COLOR_BLACK), npmWhite);
  g.pos.flip();
  EXPECT_EQ(g.pos.fen(), pos4);

}

// A copy continues the source's history, so repetitions before it count.
TEST(Position, CopyKeepsHistoryForRepetition) {
  Game g(StartFen);
  ASSERT_TRUE(g.play("g1f3 g8f6 f3g1"));
  Position copy;
  copy = g.pos;
  EXPECT_EQ(copy.fen(), g.pos.fen());
  EXPECT_EQ(copy.nodes_searched(), 0u);
  StateInfo st;
  std::string text = "f6g8";
  const Move m = UCI::to_move(copy, text);
  copy.do_move(m, st, false);
  EXPECT_TRUE(copy.is_draw());
  EXPECT_EQ(copy.key(), Game(StartFen).pos.key());
}

TEST(Position, DrawByRepetitionAndFiftyMoves) {
  struct Case { const char* fen; const char* moves; bool draw; };
  const Case cases[] = {
      {StartFen, "g1f3 g8f6 f3g1 f6g8", true},
      {StartFen, "g1f3 g8f6 f3g1", false},
      {StartFen, "g1f3 g8f6 f3g1 f6g8 e2e4", false},
      {StartFen, "e2e4 g8f6 g1f3 f6g8 f3g1", true},
      {"4k3/8/8/8/8/8/8/4K2R w - - 0 1", "e1f1 e8d8 f1e1 d8e8", true},
      {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1f1 e8d8 f1e1 d8e8", false},  // the right is gone
      {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "h1h2 e8d8 h2h1 d8e8", false},
      {"4k3/8/8/8/8/8/8/4K2R w - - 99 80", "", false},
      {"4k3/8/8/8/8/8/8/4K2R w - - 100 80", "", true},
      {"4k3/8/8/8/8/8/8/4K2R w - - 99 80", "h1h2", true},
      {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 100 60", "", false},  // mated
      {"rnb1kbnr/pppp1ppp/8/4p3/7q/5P2/PPPPP1PP/RNBQKBNR w KQkq - 100 60", "", true},   // check, not mate
  };
  for (const Case& c : cases) {
    Game g(c.fen);
    ASSERT_TRUE(g.play(c.moves));
    EXPECT_EQ(g.pos.is_draw(), c.draw) << c.fen << " " << c.moves;
  }
}

TEST(Position, NullMoveFlipsSideAndDropsEnPassant) {
  Game g("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 3");
  const Key key = g.pos.key();
  StateInfo st;
  g.pos.do_null_move(st);
  EXPECT_EQ(g.pos.side_to_move(), COLOR_WHITE);
  EXPECT_EQ(g.pos.ep_square(), SQUARE_NONE);
  Game fresh(g.pos.fen());
  EXPECT_EQ(g.pos.key(), fresh.pos.key());
  EXPECT_FALSE(g.pos.is_draw());
  g.pos.undo_null_move();
  EXPECT_EQ(g.pos.key(), key);
  EXPECT_EQ(g.pos.side_to_move(), COLOR_BLACK);
}

TEST(Position, GamePhase) {
  struct Case { const char* fen; int phase; };
  const Case cases[] = {
      {StartFen, 95},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 0},
      {"r2qk2r/8/8/8/8/8/8/R2QK2R w - - 0 1", (4940 - 3000) * 128 / 7000},
      {"qqqqk3/q7/8/8/8/8/Q7/QQQQK3 w - - 0 1", 128},
      {"r3k3/8/8/8/8/8/8/R1N1K3 w - - 0 1", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Game(c.fen).pos.game_phase(), c.phase) << c.fen;
}

TEST(CheckInfo, StartPosition) {
  Game g(StartFen);
  const CheckInfo ci(g.pos);
  EXPECT_EQ(ci.pinned, 0u);
  EXPECT_EQ(ci.discoveredCheckCandidates, 0u);
  EXPECT_EQ(ci.enemyKingSquare, SQUARE_E8);
  EXPECT_EQ(ci.checkSquares[PIECE_TYPE_KNIGHT], squares("c7 g7 d6 f6"));
  EXPECT_EQ(ci.checkSquares[PIECE_TYPE_PAWN], squares("d7 f7"));
  EXPECT_EQ(ci.checkSquares[PIECE_TYPE_BISHOP], squares("d7 f7"));
  EXPECT_EQ(ci.checkSquares[PIECE_TYPE_ROOK], squares("d8 f8 e7"));
  EXPECT_EQ(ci.checkSquares[PIECE_TYPE_KING], 0u);
}

TEST(Position, PseudoLegalRejectsStaleMoves) {
  struct Case { const char* fen; Move m; bool ok; };
  const Case cases[] = {
      {StartFen, make_move(SQUARE_E3, SQUARE_E4), false},                 // empty origin
      {StartFen, make_move(SQUARE_E2, SQUARE_E4), true},
      {StartFen, Move(make_move(SQUARE_E2, SQUARE_E4) | 3 << 12), false},  // stray promotion bits
      {StartFen, make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_H1), false},
      {StartFen, make<MOVE_TYPE_EN_PASSANT>(SQUARE_E2, SQUARE_D3), false},
      {"1k6/4P3/8/8/8/8/8/4K3 w - - 0 1", make_move(SQUARE_E7, SQUARE_E8), false},  // push to last rank
      {"1k6/4P3/8/8/8/8/8/4K3 w - - 0 1", make<MOVE_TYPE_PROMOTION>(SQUARE_E7, SQUARE_E8, PIECE_TYPE_QUEEN), true},
      // Double check: only the king may move, and not along the rook's rank.
      {"4k3/8/8/8/8/5n2/8/r3K2R w - - 0 1", make_move(SQUARE_H1, SQUARE_H3), false},
      {"4k3/8/8/8/8/5n2/8/r3K2R w - - 0 1", make_move(SQUARE_H1, SQUARE_F1), false},
      {"4k3/8/8/8/8/5n2/8/r3K2R w - - 0 1", make_move(SQUARE_E1, SQUARE_E2), true},
      {"4k3/8/8/8/8/5n2/8/r3K2R w - - 0 1", make_move(SQUARE_E1, SQUARE_F1), false},
  };
  for (const Case& c : cases) {
    Game g(c.fen);
    EXPECT_EQ(g.pos.pseudo_legal(c.m), c.ok) << c.fen << " " << UCI::move(c.m, false);
  }

  // Generated, but taking en passant bares the king along the fifth rank.
  Game ep("8/8/8/KPp4r/8/8/8/4k3 w - c6 0 1");
  const Move m = make<MOVE_TYPE_EN_PASSANT>(SQUARE_B5, SQUARE_C6);
  EXPECT_TRUE(MoveList<GEN_PSEUDO_LEGAL>(ep.pos).contains(m));
  EXPECT_FALSE(ep.pos.legal(m, CheckInfo(ep.pos).pinned));
  EXPECT_FALSE(ep.pos.pseudo_legal(m));  // special moves must be legal ones
}

TEST(Position, GivesCheck) {
  struct Case { const char* fen; Move m; bool check; };
  const Case cases[] = {
      {"8/1P1k4/8/8/8/8/8/4K3 w - - 0 1", make<MOVE_TYPE_PROMOTION>(SQUARE_B7, SQUARE_B8, PIECE_TYPE_KNIGHT), true},
      {"8/1P1k4/8/8/8/8/8/4K3 w - - 0 1", make<MOVE_TYPE_PROMOTION>(SQUARE_B7, SQUARE_B8, PIECE_TYPE_QUEEN), false},
      {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_H1), true},
      {"5k2/5p2/8/8/8/8/8/4K2R w K - 0 1", make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_H1), false},
      {"3k4/8/8/8/8/8/8/R3K3 w Q - 0 1", make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_A1), true},
      {"8/8/8/k2pP2R/8/8/8/4K3 w - d6 0 1", make<MOVE_TYPE_EN_PASSANT>(SQUARE_E5, SQUARE_D6), true},
      {"8/8/8/k2pP2R/8/8/8/4K3 w - d6 0 1", make_move(SQUARE_E5, SQUARE_E6), false},
      {"4k3/8/8/8/8/8/4N3/4RK2 w - - 0 1", make_move(SQUARE_E2, SQUARE_C3), true},   // discovered
      {"4k3/8/8/3N4/8/8/8/5K2 w - - 0 1", make_move(SQUARE_D5, SQUARE_F6), true},
  };
  for (const Case& c : cases) {
    Game g(c.fen);
    ASSERT_TRUE(g.pos.pseudo_legal(c.m)) << c.fen;
    EXPECT_EQ(g.pos.gives_check(c.m, CheckInfo(g.pos)), c.check) << c.fen << " " << UCI::move(c.m, false);
  }
}

TEST(Position, StaticExchange) {
  struct Case { const char* fen; const char* move; int see; int sign; };
  const Case cases[] = {
      {"4k3/8/2p5/3q4/4P3/8/8/4K3 w - - 0 1", "e4d5", 1230 - 110, 3500},  // pawn takes defended queen
      {"4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1", "d1d5", 110 - 1230, 110 - 1230},
      {"4k3/8/8/3n4/8/8/8/3RK3 w - - 0 1", "d1d5", 410, 410},
      {"3rk3/8/8/3p4/8/8/3R4/3QK3 w - - 0 1", "d2d5", 110, 110},              // queen x-rays behind
      {"3rk3/8/8/3p4/8/8/3R4/4K3 w - - 0 1", "d2d5", 110 - 620, 110 - 620},
      {"8/8/4k3/3p4/4P3/8/8/3RK3 w - - 0 1", "e4d5", 110, 3500},             // king may not retake
      {"8/8/4k3/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", 0, 3500},
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", 110, 110},                // en passant
      {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", 0, 3500},                    // castling
  };
  for (const Case& c : cases) {
    Game g(c.fen);
    std::string text = c.move;
    const Move m = UCI::to_move(g.pos, text);
    ASSERT_NE(m, MOVE_NONE) << c.fen << " " << c.move;
    EXPECT_EQ(g.pos.see(m), c.see) << c.fen << " " << c.move;
    EXPECT_EQ(g.pos.see_sign(m), c.sign) << c.fen << " " << c.move;
  }
}

