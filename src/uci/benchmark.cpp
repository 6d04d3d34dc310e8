#include "uci/benchmark.h"

#include <atomic>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "board/misc.h"
#include "board/position.h"
#include "platform/platform.h"
#include "search/perft.h"
#include "search/search.h"
#include "search/thread.h"
#include "uci/uci.h"

namespace {

const std::vector<std::string> VYN_Defaults = {
    "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq - 0 1",
    "8/8/4k3/3p4/3P4/4K3/8/8 w - - 0 1",
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 1",
    "r2qkb1r/ppp2ppp/2n5/3np1N1/2B5/8/PPPP1PPP/RNBQK2R w KQkq - 0 1",
    "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQ1RK1 b kq - 0 1",
    "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 1"};

const char* const Rule = "=========================================";

// What one benchmark searches, as read from its command.
struct Run {
  std::vector<std::string> fens;
  Search::LimitsType limits;
  bool perft = false;
  int depth = 0;
};

std::thread Runner;
std::mutex RunLock;  // orders an abort against the start of each search
std::condition_variable RunChanged;
bool Underway = false;
std::atomic<bool> Aborted{false};

void run(Run r) {
  uint64_t nodes = 0;
  const TimePoint start = now();

  // Bench positions are no game from the start position: no book moves.
  const bool fromStart = CurrentGameFromStart;
  CurrentGameFromStart = false;

  std::cerr << "\n" << Rule << std::endl << " VYN 26.8 Corvastel Benchmark Starting" << std::endl << Rule << std::endl;

  for (size_t i = 0; i < r.fens.size(); ++i) {
    Position pos;
    {
      // A search started after the abort would not hear it.
      std::lock_guard<std::mutex> lk(RunLock);
      if (Aborted)
        break;

      std::cerr << "Analyzing position " << i + 1 << " / " << r.fens.size() << " ... ";
      if (!pos.set(r.fens[i], int(Options["UCI_Chess960"]), Threads.main())) {
        std::cerr << "Invalid position" << std::endl;
        continue;
      }

      if (!r.perft) {
        Search::StateStackPtr noStates;
        r.limits.startTime = now();
        Threads.start_thinking(pos, r.limits, noStates);
      }
      Underway = true;
      RunChanged.notify_all();
    }

    if (r.perft)
      nodes += Search::perft<true>(pos, Depth(r.depth), &Aborted);
    else {
      Threads.main()->wait_for_search_finished();
      nodes += Threads.nodes_searched();
    }

    std::cerr << "Done" << std::endl;
  }

  const TimePoint elapsed = now() - start + 1;
  CurrentGameFromStart = fromStart;

  dbg_print();

  std::cerr << "\n" << Rule << std::endl
            << " VYN 26.8 Benchmark Complete" << std::endl
            << Rule << std::endl
            << " Total time (ms)     : " << elapsed << std::endl
            << " Nodes evaluated     : " << nodes << std::endl
            << " VYN Nodes / second  : " << 1000 * nodes / uint64_t(elapsed) << std::endl
            << Rule << "\n"
            << std::endl;

  std::lock_guard<std::mutex> lk(RunLock);
  Underway = true;
  RunChanged.notify_all();
}

}  // namespace

void benchmark(const Position& current, std::istream& is) {
  wait_benchmark();

  std::string token;
  Run r;

  // A missing word takes its default, and so do all after it.
  std::string ttSize = "16", threads = "1", limit = "15", fenFile = "default", limitType = "depth";
  if (is >> token) {
    ttSize = token;
    if (is >> token) {
      threads = token;
      if (is >> token) {
        limit = token;
        if (is >> token) {
          fenFile = token;
          if (is >> token)
            limitType = token;
        }
      }
    }
  }

  Options["Hash"] = ttSize;
  Options["Threads"] = threads;
  // Here, not in the benchmark's thread: the pool must not change while
  // the command loop reads it.
  Threads.apply_strength_limit();
  Search::clear();

  // A limit that is no number keeps the default.
  int number;
  if (!UCI::parse_int(limit, number))
    number = 15;

  // Each perft ply is a stack frame; a tree deeper than a search can be
  // would not finish anyway.
  if (limitType == "perft" && number > MAX_PLY) {
    sync_cout << "info string Warning: perft depth " << number << " is beyond the limit of " << MAX_PLY << sync_endl;
    return;
  }

  r.perft = limitType == "perft";
  r.depth = number;
  if (limitType == "time")
    r.limits.movetime = number;
  else if (limitType == "nodes")
    r.limits.nodes = number;
  else if (limitType == "mate")
    r.limits.mate = number;
  else
    r.limits.depth = number;

  if (fenFile == "default")
    r.fens = VYN_Defaults;
  else if (fenFile == "current")
    r.fens.push_back(current.fen());
  else {
    // Like personalities and books: a device or an endless file is no list
    // of positions.
    std::string text;
    if (!Platform::read_text_file(fenFile, text)) {
      std::cerr << "Unable to open file: " << fenFile << std::endl;
      return;
    }

    std::istringstream file(text);
    std::string fen;
    while (std::getline(file, fen))
      if (!fen.empty())
        r.fens.push_back(fen);
  }

  Aborted = false;
  Underway = false;
  Runner = std::thread(run, std::move(r));

  std::unique_lock<std::mutex> lk(RunLock);
  RunChanged.wait(lk, [] { return Underway; });
}

void stop_benchmark() {
  if (!Runner.joinable())
    return;
  {
    std::lock_guard<std::mutex> lk(RunLock);
    Aborted = true;
    Search::Signals.stop = true;
  }
  Runner.join();
}

void wait_benchmark() {
  if (Runner.joinable())
    Runner.join();
}
