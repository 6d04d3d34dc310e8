#include <gtest/gtest.h>

#include <future>
#include <iostream>
#include <sstream>
#include <string>

#include "board/misc.h"
#include "platform/platform.h"

TEST(Platform, ReadLineDropsOneCarriageReturn) {
  std::istringstream in("uci\r\nisready\nposition startpos\r\r\n\r\nlast");
  std::string line;
  const char* const expected[] = {"uci", "isready", "position startpos\r", "", "last"};
  for (const char* e : expected) {
    ASSERT_TRUE(Platform::read_line(in, line));
    EXPECT_EQ(line, e);
  }
  EXPECT_FALSE(Platform::read_line(in, line));
}

TEST(Platform, NativePathUsesSlashes) {
  EXPECT_EQ(Platform::native_path("personality\\x.ypf"), "personality/x.ypf");
  EXPECT_EQ(Platform::native_path("a\\b\\c"), "a/b/c");
  EXPECT_EQ(Platform::native_path("vynconf.vyn"), "vynconf.vyn");
  EXPECT_EQ(Platform::native_path(""), "");
}

static bool free_for_another_thread(std::recursive_mutex& m) {
  return std::async(std::launch::async, [&m] {
           const bool got = m.try_lock();
           if (got)
             m.unlock();
           return got;
         }).get();
}

// The holder may take the output lock again; other threads must wait.
TEST(Platform, OutputLockIsReentrantAndExclusive) {
  std::recursive_mutex& m = Platform::output_mutex();
  EXPECT_EQ(&m, &Platform::output_mutex());

  m.lock();
  ASSERT_TRUE(m.try_lock());
  EXPECT_FALSE(free_for_another_thread(m));

  // A synchronised line printed while already holding the lock must not block.
  testing::internal::CaptureStdout();
  sync_cout << "info string held" << sync_endl;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "info string held\n");

  m.unlock();
  m.unlock();
  EXPECT_TRUE(free_for_another_thread(m));
}
