// Perft speed: leaves per second from the start position (default depth 6),
// or from a FEN given as the second argument.
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

#include "board/bitbase.h"
#include "board/bitboard.h"
#include "board/movegen.h"
#include "board/position.h"
#include "board/psqt.h"
#include "search/perft.h"

namespace {

// Leaf count without the per-move printing of the root instance.
uint64_t count(Position& pos, Depth depth) {
  return depth <= 1 ? MoveList<GEN_LEGAL>(pos).size() : Search::perft<false>(pos, depth);
}

}  // namespace

int main(int argc, char** argv) {
  PSQT::init();
  Bitboards::init();
  Position::init();
  Bitbases::init();

  const int depth = argc > 1 ? std::atoi(argv[1]) : 6;
  const std::string fen = argc > 2 ? argv[2] : "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

  Position pos;
  if (depth < 1 || !pos.set(fen, false, nullptr)) {
    std::cerr << "usage: vyn_perft_bench [depth >= 1] [fen]" << std::endl;
    return 1;
  }

  const auto start = std::chrono::steady_clock::now();
  const uint64_t leaves = count(pos, Depth(depth));
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::cout << "perft " << depth << ": " << leaves << " leaves in " << secs << " s, "
            << uint64_t(leaves / (secs > 0 ? secs : 1e-9)) << " leaves/s" << std::endl;
  return 0;
}
