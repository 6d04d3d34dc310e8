#include <gtest/gtest.h>

#include "../support.h"
#include "board/bitbase.h"

using testing_support::sq;

TEST(Kpk, KnownPlacements) {
  struct Case { const char *wk, *wp, *bk; Color us; bool won; };
  const Case cases[] = {
      {"d5", "d4", "d7", COLOR_BLACK, true},   // black must give way
      {"d5", "d4", "d7", COLOR_WHITE, false},  // the defender keeps the opposition
      {"d6", "d5", "d8", COLOR_WHITE, true},   // king in front on the sixth rank
      {"d6", "d5", "d8", COLOR_BLACK, true},
      {"a1", "d7", "h1", COLOR_WHITE, true},   // the pawn simply queens
      {"a1", "c6", "f8", COLOR_WHITE, true},   // the pawn outruns the king
      {"a1", "c6", "f8", COLOR_BLACK, false},  // the king catches it when it moves first
      {"d4", "d3", "d5", COLOR_WHITE, false},  // kings adjacent: not a position
      {"a1", "c4", "d5", COLOR_WHITE, false},  // white to move while the pawn attacks the king
      {"d7", "d6", "b3", COLOR_BLACK, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Bitbases::probe(sq(c.wk), sq(c.wp), sq(c.bk), c.us), c.won)
        << c.wk << " " << c.wp << " " << c.bk << " " << c.us;
}

// A rook pawn cannot win once the defending king sits on the queening square.
TEST(Kpk, RookPawnWithKingInTheCornerNeverWins) {
  for (Square wk = SQUARE_A1; wk <= SQUARE_H8; ++wk)
    for (Rank r = RANK_2; r <= RANK_7; ++r)
      for (Color us : {COLOR_WHITE, COLOR_BLACK})
        EXPECT_FALSE(Bitbases::probe(wk, make_square(FILE_A, r), SQUARE_A8, us)) << wk << " " << r;
}
