#ifndef VYN_TESTS_SUPPORT_H
#define VYN_TESTS_SUPPORT_H

// Small helpers shared by the board, search and notation tests.

#include <gtest/gtest.h>

#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "board/movegen.h"
#include "board/position.h"
#include "uci/uci.h"

namespace testing_support {

inline const char* const StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
inline const char* const Kiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

// A position plus the states of the moves played on it, kept alive together.
class Game {
 public:
  explicit Game(const std::string& fen, bool chess960 = false) {
    if (!pos.set(fen, chess960, nullptr)) {
      ADD_FAILURE() << "refused: " << fen;
      pos.set("4k3/8/8/8/8/8/8/4K3 w - - 0 1", false, nullptr);  // keep the test going
    }
  }
  Game(const Game&) = delete;

  // Plays blank-separated moves in coordinate text; false at the first
  // move that is not legal here.
  bool play(const std::string& moves) {
    std::istringstream ss(moves);
    for (std::string text; ss >> text;) {
      const Move m = UCI::to_move(pos, text);
      if (m == MOVE_NONE) {
        ADD_FAILURE() << "not a legal move: " << text << " in " << pos.fen();
        return false;
      }
      states.emplace_back();
      pos.do_move(m, states.back(), pos.gives_check(m, CheckInfo(pos)));
    }
    return true;
  }

  Position pos;

 private:
  std::deque<StateInfo> states;
};

template <GenType T>
std::vector<Move> generated(const Position& pos) {
  std::vector<Move> v;
  for (const ExtMove& m : MoveList<T>(pos))
    v.push_back(m.move);
  return v;
}

inline std::vector<std::string> texts(const std::vector<Move>& moves, bool chess960 = false) {
  std::vector<std::string> v;
  for (Move m : moves)
    v.push_back(UCI::move(m, chess960));
  return v;
}

// Squares named in text ("e4 d5 ...") as a bitboard.
inline Bitboard squares(const std::string& names) {
  std::istringstream ss(names);
  Bitboard b = 0;
  for (std::string s; ss >> s;)
    b |= Bitboard(1) << ((s[1] - '1') * 8 + (s[0] - 'a'));
  return b;
}

inline Square sq(const char* name) { return Square((name[1] - '1') * 8 + (name[0] - 'a')); }

}  // namespace testing_support

#endif
