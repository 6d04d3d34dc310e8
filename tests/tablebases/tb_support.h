#ifndef VYN_TESTS_TABLEBASES_TB_SUPPORT_H
#define VYN_TESTS_TABLEBASES_TB_SUPPORT_H

// Shared by the tablebase tests: the real tables' directory, quiet set-up,
// and positions of a given material built at random.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "board/movegen.h"
#include "board/position.h"
#include "tablebases/tbprobe.h"

namespace tb_support {

inline const std::string SyzygyDir = VYN_SYZYGY_DIR;

inline bool have_tables() { return std::filesystem::exists(SyzygyDir + "/KQvK.rtbw"); }

// Runs init and returns what it printed.
inline std::string init_tables(const std::string& path) {
  testing::internal::CaptureStdout();
  Tablebases::init(path);
  return testing::internal::GetCapturedStdout();
}

// Loads the real tables for each test and leaves none behind, so that
// other suites search without them.
class TablebaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!have_tables())
      GTEST_SKIP() << "Syzygy tables not found in " << SyzygyDir;
    init_tables(SyzygyDir);
  }
  void TearDown() override { init_tables("<empty>"); }
};

struct Probe {
  int value;
  int success;
};

inline Probe wdl(Position& pos) {
  Probe p;
  p.value = Tablebases::probe_wdl(pos, &p.success);
  return p;
}

inline Probe dtz(Position& pos) {
  Probe p;
  p.value = Tablebases::probe_dtz(pos, &p.success);
  return p;
}

inline Probe wdl(const std::string& fen) {
  Position pos;
  EXPECT_TRUE(pos.set(fen, false, nullptr)) << fen;
  return wdl(pos);
}

inline Probe dtz(const std::string& fen) {
  Position pos;
  EXPECT_TRUE(pos.set(fen, false, nullptr)) << fen;
  return dtz(pos);
}

// FEN of a board given as 64 characters from a1 ('.' empty).
inline std::string board_fen(const std::string& board, Color stm, int halfmove = 0) {
  std::string fen;
  for (int r = 7; r >= 0; --r) {
    int empty = 0;
    for (int f = 0; f < 8; ++f) {
      const char c = board[8 * r + f];
      if (c == '.')
        ++empty;
      else {
        if (empty)
          fen += char('0' + empty);
        empty = 0;
        fen += c;
      }
    }
    if (empty)
      fen += char('0' + empty);
    if (r)
      fen += '/';
  }
  return fen + (stm == COLOR_WHITE ? " w - - " : " b - - ") + std::to_string(halfmove) + " 1";
}

// A legal position of a table's material ("KRPvKB"), pieces on random
// squares, pawns on ranks 2-7.
inline void random_position(Position& pos, const std::string& material, Color stm, std::mt19937& rng) {
  for (;;) {
    std::string board(64, '.');
    bool black = false;
    for (char c : material) {
      if (c == 'v') {
        black = true;
        continue;
      }
      int s;
      do
        s = c == 'P' ? 8 + int(rng() % 48) : int(rng() % 64);
      while (board[s] != '.');
      board[s] = black ? char(c - 'A' + 'a') : c;
    }
    if (pos.set(board_fen(board, stm), false, nullptr))
      return;
  }
}

}  // namespace tb_support

#endif
