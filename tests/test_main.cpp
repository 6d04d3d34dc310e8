#include <gtest/gtest.h>

#include "board/bitbase.h"
#include "board/bitboard.h"
#include "board/position.h"
#include "board/psqt.h"
#include "search/thread.h"

namespace {

// Search threads started by a test are joined before the process ends.
class ThreadPoolEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { Threads.exit(); }
};

}  // namespace

// The engine's tables are built once, in start-up order, before any test runs.
int main(int argc, char** argv) {
  PSQT::init();
  Bitboards::init();
  Position::init();
  Bitbases::init();

  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new ThreadPoolEnvironment);
  return RUN_ALL_TESTS();
}
