#include <gtest/gtest.h>

#include "board/bitbase.h"
#include "board/bitboard.h"
#include "board/position.h"
#include "board/psqt.h"

// The engine's tables are built once, in start-up order, before any test runs.
int main(int argc, char** argv) {
  PSQT::init();
  Bitboards::init();
  Position::init();
  Bitbases::init();

  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
