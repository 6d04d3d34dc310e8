#include <gtest/gtest.h>

#include <string>

#include "../support.h"

using namespace testing_support;

TEST(Notation, Squares) {
  EXPECT_EQ(UCI::square(SQUARE_A1), "a1");
  EXPECT_EQ(UCI::square(SQUARE_H8), "h8");
  EXPECT_EQ(UCI::square(SQUARE_E4), "e4");
  EXPECT_EQ(UCI::square(SQUARE_B7), "b7");
}

TEST(Notation, Moves) {
  struct Case { Move m; bool chess960; const char* text; };
  const Case cases[] = {
      {MOVE_NONE, false, "(none)"},
      {MOVE_NULL, false, "0000"},
      {make_move(SQUARE_G1, SQUARE_F3), false, "g1f3"},
      {make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_H1), false, "e1g1"},
      {make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_H1), true, "e1h1"},
      {make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_A1), false, "e1c1"},
      {make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_A1), true, "e1a1"},
      {make<MOVE_TYPE_CASTLING>(SQUARE_E8, SQUARE_H8), false, "e8g8"},
      {make<MOVE_TYPE_CASTLING>(SQUARE_B8, SQUARE_A8), false, "b8c8"},  // target file, whatever the king's
      {make<MOVE_TYPE_PROMOTION>(SQUARE_E7, SQUARE_E8, PIECE_TYPE_KNIGHT), false, "e7e8n"},
      {make<MOVE_TYPE_PROMOTION>(SQUARE_B2, SQUARE_A1, PIECE_TYPE_ROOK), false, "b2a1r"},
      {make<MOVE_TYPE_PROMOTION>(SQUARE_B2, SQUARE_A1, PIECE_TYPE_QUEEN), true, "b2a1q"},
      {make<MOVE_TYPE_EN_PASSANT>(SQUARE_E5, SQUARE_D6), false, "e5d6"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(UCI::move(c.m, c.chess960), c.text);
}

TEST(Notation, ToMove) {
  struct Case { const char* fen; bool chess960; std::string in, after; Move expected; };
  const Case cases[] = {
      {"1k6/4P3/8/8/8/8/8/4K3 w - - 0 1", false, "e7e8Q", "e7e8q",
       make<MOVE_TYPE_PROMOTION>(SQUARE_E7, SQUARE_E8, PIECE_TYPE_QUEEN)},
      {"1k6/4P3/8/8/8/8/8/4K3 w - - 0 1", false, "e7e8n", "e7e8n",
       make<MOVE_TYPE_PROMOTION>(SQUARE_E7, SQUARE_E8, PIECE_TYPE_KNIGHT)},
      {"1k6/4P3/8/8/8/8/8/4K3 w - - 0 1", false, "e7e8", "e7e8", MOVE_NONE},
      {StartFen, false, "e2e4", "e2e4", make_move(SQUARE_E2, SQUARE_E4)},
      {StartFen, false, "E2E4", "E2E4", MOVE_NONE},   // only the promotion letter is forgiven
      {StartFen, false, "e2e5", "e2e5", MOVE_NONE},
      {StartFen, false, "", "", MOVE_NONE},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", false, "e1g1", "e1g1", make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_H1)},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", false, "e1h1", "e1h1", MOVE_NONE},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", true, "e1g1", "e1g1", MOVE_NONE},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", true, "e1a1", "e1a1", make<MOVE_TYPE_CASTLING>(SQUARE_E1, SQUARE_A1)},
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", false, "e5d6", "e5d6", make<MOVE_TYPE_EN_PASSANT>(SQUARE_E5, SQUARE_D6)},
  };
  for (const Case& c : cases) {
    Game g(c.fen, c.chess960);
    std::string text = c.in;
    EXPECT_EQ(UCI::to_move(g.pos, text), c.expected) << c.fen << " " << c.in;
    EXPECT_EQ(text, c.after);
  }
}

TEST(Notation, Values) {
  struct Case { int v; const char* text; };
  const Case cases[] = {
      {0, "cp 0"},          {135, "cp 100"},       {134, "cp 99"},        {-134, "cp -99"},
      {1, "cp 0"},          {-1, "cp 0"},          {150, "cp 111"},       {31946, "cp 23663"},
      {-31946, "cp -23663"}, {31947, "mate 27"},   {31999, "mate 1"},     {31998, "mate 1"},
      {31997, "mate 2"},    {-32000, "mate 0"},    {-31999, "mate 0"},    {-31998, "mate -1"},
      {-31947, "mate -26"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(UCI::value(Value(c.v)), c.text) << c.v;
}
