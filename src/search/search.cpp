#include "search/search.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <sstream>
#include <thread>

#include "board/misc.h"
#include "board/movegen.h"
#include "book/book.h"
#include "eval/evaluate.h"
#include "personalities/personality.h"
#include "search/movepick.h"
#include "search/thread.h"
#include "search/timeman.h"
#include "search/tt.h"
#include "tablebases/tbprobe.h"
#include "talk/talk.h"
#include "uci/uci.h"

namespace Search {

SignalsType Signals;
LimitsType Limits;
StateStackPtr SetupStates;

LimitsType& LimitsType::operator=(const LimitsType& other) {
  if (this == &other)
    return *this;

  searchmoves = other.searchmoves;
  for (Color c : {COLOR_WHITE, COLOR_BLACK}) {
    time[c] = other.time[c];
    inc[c] = other.inc[c];
  }
  npmsec = other.npmsec;
  movestogo = other.movestogo;
  depth = other.depth;
  movetime = other.movetime;
  mate = other.mate;
  infinite = other.infinite;
  ponder.store(other.ponder.load());
  nodes = other.nodes;
  startTime = other.startTime;
  return *this;
}

}  // namespace Search

namespace Tablebases {

int Cardinality;
std::atomic<uint64_t> Hits;
bool RootInTB;
bool UseRule50;
Depth ProbeDepth;
Value Score;

}  // namespace Tablebases

namespace TB = Tablebases;

using namespace Search;

namespace {

enum NodeType { NODE_ROOT, NODE_PV, NODE_NON_PV };

// Draw score per side to move: the contempt of the running search.
Value DrawValue[COLOR_NB];

const int razor_margin[4] = {350, 430, 485, 325};
Value futility_margin(Depth d) { return Value(170 * int(d)); }

int FutilityMoveCounts[2][16];   // [improving][depth]
int Reductions[2][2][64][64];    // [pv][improving][depth][moveNumber]

template <bool PvNode>
Depth reduction(bool improving, Depth d, int moveNumber) {
  return Depth(Reductions[PvNode][improving][std::min(int(d), 63)][std::min(moveNumber, 63)]);
}

// Shared by all threads without locks: a torn update only changes move order.
CounterMoveHistoryStats CounterMovesHistory;

// Patterns of the depths a helper thread skips, for thread indexes 7 to 24.
const int HalfDensityMap[] = {7, 11, 13, 14, 19, 22, 25, 26, 28, 35, 37, 38, 41, 44, 49, 50, 52, 56};

template <NodeType NT>
Value search(Position& pos, Stack* ss, Value alpha, Value beta, Depth depth, bool cutNode);

template <NodeType NT, bool InCheck>
Value qsearch(Position& pos, Stack* ss, Value alpha, Value beta, Depth depth);

void update_pv(Move* pv, Move move, Move* childPv);
void update_stats(const Position& pos, Stack* ss, Move move, Depth depth, Move* quiets, int quietsCnt);
void check_time();

// Plain moves without a discovered-check candidate need no full test.
bool gives_check_fast(const Position& pos, Move move, const CheckInfo& ci) {
  return move_type(move) == MOVE_TYPE_NORMAL && !ci.discoveredCheckCandidates
             ? bool(ci.checkSquares[type_of(pos.piece_on(move_from(move)))] & move_to(move))
             : pos.gives_check(move, ci);
}

// The deepest iteration a strength level searches to.
Depth depth_cap(int elo) {
  switch (elo) {
    case 500: return Depth(3);
    case 800: return Depth(4);
    case 1000: return Depth(5);
    case 1300: return Depth(6);
    case 1500: return Depth(7);
    case 1800: return Depth(8);
    case 2000: return Depth(10);
    case 2300: return Depth(11);
    case 2500: return Depth(13);
    case 2700: return Depth(15);
    case 2850: return Depth(18);
    default: return Depth(MAX_PLY);
  }
}

// Elapsed time as the strength pause measures it. When nodes count as time
// the node count stands still during the pause, so the wall clock (converted
// to nodes) lets the pause end.
int64_t pause_elapsed() {
  if (!Limits.npmsec)
    return Time.elapsed();

  const int64_t byClock = int64_t(now() - Time.startTime) * Limits.npmsec;
  return std::max<int64_t>(Time.elapsed(), byClock);
}

// Spends a random part of the move's time before a weakened engine moves.
void strength_pause() {
  static uint64_t rng = 0;
  if (!rng)
    rng = std::max<uint64_t>(1, uint64_t(now()));

  rng ^= rng >> 12;
  rng ^= rng << 25;
  rng ^= rng >> 27;
  const uint32_t r = uint32_t(rng * 2685821657736338717ULL);

  const int64_t percent = r % 36 + 60;
  int64_t base = Time.available(), minimum = 0;

  if (base <= 0)
    base = 10000;
  else if (base >= 30000)
    minimum = 200;

  int64_t pause = std::max(base < INT64_MAX / 100 ? percent * base / 100 : base / 100 * percent, minimum);
  const int64_t limit = Time.maximum() > 300 ? Time.maximum() - 300 : 100;
  pause = std::max<int64_t>(std::min(pause, limit), 10);

  // On a clock the pause ends, whatever its limit, two milliseconds before
  // the maximum: waking up and writing the move take time too.
  const bool onClock = Limits.has_clock();
  const auto margin = std::chrono::milliseconds(2), step = std::chrono::milliseconds(10);
  const int64_t maximumMs = Limits.npmsec ? Time.maximum() / Limits.npmsec : Time.maximum();
  const auto deadline =
      std::chrono::steady_clock::time_point(std::chrono::milliseconds(Time.startTime + maximumMs)) - margin;

  while (true) {
    const int64_t e = pause_elapsed();
    if (e >= pause || Signals.stop || e > limit)
      break;

    if (onClock && std::chrono::steady_clock::now() + step >= deadline) {
      // The last stretch: a sleep may wake late, a spin does not. A yield
      // would hand the processor to whatever else runs on a busy machine.
      std::this_thread::sleep_until(deadline - margin);
      while (std::chrono::steady_clock::now() < deadline && !Signals.stop) {
      }
      break;
    }
    std::this_thread::sleep_for(step);
  }
}

// The move and score that the last printed score line showed first. GUIs read
// the score of the move they get, and expect the last line's PV to begin with
// it; only the main search thread prints, so no lock is needed.
struct ShownLine {
  Move move;
  Value score;
} LastShown;

void print_pv(const Position& pos, Depth depth, Value alpha, Value beta) {
  const std::string lines = UCI::pv(pos, depth, alpha, beta);
  sync_cout << lines << sync_endl;

  const RootMove& rm = pos.this_thread()->rootMoves[0];
  if (!lines.empty())
    LastShown = {rm.pv[0], rm.score};
}

// True once the GUI no longer holds the search: after "stop", or, for a
// pondering search, after "ponderhit".
bool released_by_gui() {
  return Signals.stopCommand || (!Limits.infinite && !Limits.ponder);
}

}  // namespace

void Search::init() {
  const double K[][2] = {{0.799, 2.281}, {0.484, 3.023}};

  for (int pv = 0; pv <= 1; ++pv)
    for (int imp = 0; imp <= 1; ++imp)
      for (int d = 1; d < 64; ++d)
        for (int mc = 1; mc < 64; ++mc) {
          const double r = K[pv][0] + std::log(d) * std::log(mc) / K[pv][1];

          Reductions[pv][imp][d][mc] = r >= 1.5 ? int(r) : 0;

          // Non-improving non-PV nodes reduce one ply more where they reduce at all.
          if (!pv && !imp && Reductions[pv][imp][d][mc] >= 2)
            Reductions[pv][imp][d][mc]++;
        }

  for (int d = 0; d < 16; ++d) {
    FutilityMoveCounts[0][d] = int(2.4 + 0.773 * std::pow(d + 0.00, 1.8));
    FutilityMoveCounts[1][d] = int(2.9 + 1.045 * std::pow(d + 0.49, 1.8));
  }
}

void Search::clear() {
  TT.clear();
  CounterMovesHistory.clear();

  for (Thread* th : Threads) {
    th->history.clear();
    th->counterMoves.clear();
  }

  Talk::reset();
}

// The search of the main search thread: one whole "go", ending with exactly
// one "bestmove" line.
void MainThread::search() {
  const Color us = rootPos.side_to_move();

  // A weakened engine searches with one thread: ThreadPool::start_thinking
  // has shrunk the pool already.

  Time.init(Limits, us, rootPos.game_ply());
  LastShown = {MOVE_NONE, VALUE_NONE};

  const int contempt = int(Options["Contempt"]) * VALUE_PAWN_EG / 100;
  DrawValue[us] = VALUE_DRAW - Value(contempt);
  DrawValue[~us] = VALUE_DRAW + Value(contempt);

  TB::Hits = 0;
  TB::RootInTB = false;
  TB::UseRule50 = int(Options["Syzygy50MoveRule"]);
  TB::ProbeDepth = Depth(int(Options["SyzygyProbeDepth"]));
  TB::Cardinality = int(Options["SyzygyProbeLimit"]);

  if (TB::Cardinality > TB::MaxCardinality) {
    TB::Cardinality = TB::MaxCardinality;
    TB::ProbeDepth = DEPTH_ZERO;
  }

  bool searched = false;

  if (rootMoves.empty()) {
    rootMoves.push_back(RootMove(MOVE_NONE));
    sync_cout << "info depth 0 score " << UCI::value(rootPos.checkers() ? -VALUE_MATE : VALUE_DRAW) << sync_endl;
  } else {
    Move bookMove = MOVE_NONE;

    // The book knows only games played from the start position.
    if (CurrentGameFromStart && !rootPos.is_chess960() && Personality::is_active()
        && Personality::get_active_data().bookEnabled && Book::isLoaded) {
      const Personality::PersonalityData& p = Personality::get_active_data();
      const std::string answer = Book::getMove(CurrentGameMoves, rootPos.game_ply(), p.bookDepth, p.bookVariety);

      // Only a move the search could play: "searchmoves" are respected.
      if (!answer.empty())
        for (const RootMove& rm : rootMoves)
          if (UCI::move(rm.pv[0], rootPos.is_chess960()) == answer) {
            bookMove = rm.pv[0];
            break;
          }
    }

    if (bookMove) {
      rootMoves[0].pv.assign(1, bookMove);
      rootMoves[0].score = VALUE_ZERO;
      sync_cout << "info string Book move played at ply " << rootPos.game_ply() << " (Depth: 0)" << sync_endl;
      sync_cout << "info string Book Move: " << UCI::move(bookMove, rootPos.is_chess960()) << sync_endl;
      Signals.stop = true;
    } else {
      if (TB::Cardinality >= popcount(rootPos.pieces())) {
        Value tbScore = TB::Score;
        TB::RootInTB = TB::root_probe(rootPos, rootMoves, tbScore);

        if (TB::RootInTB)
          TB::Cardinality = 0;  // the root is resolved: no probing in the tree
        else {
          TB::RootInTB = TB::root_probe_wdl(rootPos, rootMoves, tbScore);
          if (tbScore <= VALUE_DRAW)
            TB::Cardinality = 0;
        }
        TB::Score = tbScore;

        if (TB::RootInTB) {
          TB::Hits = rootMoves.size();

          if (!TB::UseRule50)
            TB::Score = TB::Score > VALUE_DRAW   ? VALUE_MATE - MAX_PLY - 1
                        : TB::Score < VALUE_DRAW ? -VALUE_MATE + MAX_PLY + 1
                                                 : VALUE_DRAW;
        }
      }

      for (Thread* th : Threads) {
        th->maxPly = 0;
        th->rootDepth = DEPTH_ZERO;

        if (th != this) {
          th->rootPos = rootPos;
          th->rootPos.set_eval_tables(th);
          th->rootMoves = rootMoves;
          th->start_searching();
        }
      }

      Thread::search();
      searched = true;
    }
  }

  if (Limits.npmsec)
    Time.availableNodes += Limits.inc[us] - int64_t(Threads.nodes_searched());

  // A pondering or infinite search answers only after "stop" or "ponderhit",
  // even when it ended by itself (strength pause, early stop, mate, book).
  if (Limits.ponder || Limits.infinite) {
    Signals.stopOnPonderhit = true;
    wait_until(released_by_gui);
  }

  Signals.stop = true;

  for (Thread* th : Threads)
    if (th != this)
      th->wait_for_search_finished();

  Thread* bestThread = this;

  // A helper may have stopped the search (with a mate) before this thread
  // completed anything; then its result must be heard in any case.
  if (searched && (int(Options["MultiPV"]) == 1 || completedDepth == DEPTH_ZERO)) {
    for (Thread* th : Threads)
      if (th->completedDepth > bestThread->completedDepth && th->rootMoves[0].score > bestThread->rootMoves[0].score)
        bestThread = th;

    if (bestThread != this)
      print_pv(bestThread->rootPos, bestThread->completedDepth, -VALUE_INFINITE, VALUE_INFINITE);
  }

  // A mate that stopped the search, or a stop in the middle of an iteration,
  // can leave the answer without a score line of its own.
  if (searched) {
    const RootMove& rm = bestThread->rootMoves[0];
    if (rm.pv[0] != MOVE_NONE && rm.score != -VALUE_INFINITE
        && (LastShown.move != rm.pv[0] || LastShown.score != rm.score))
      print_pv(bestThread->rootPos, std::max(bestThread->completedDepth, DEPTH_ONE_PLY), -VALUE_INFINITE,
               VALUE_INFINITE);
  }

  Talk::on_search_end(rootPos, bestThread->rootMoves, Limits.infinite);

  RootMove& best = bestThread->rootMoves[0];
  const bool ponder = best.pv[0] != MOVE_NONE && (best.pv.size() > 1 || best.extract_ponder_from_tt(rootPos));

  sync_cout << "bestmove " << UCI::move(best.pv[0], rootPos.is_chess960());

  if (ponder)
    std::cout << " ponder " << UCI::move(best.pv[1], rootPos.is_chess960());

  std::cout << sync_endl;
}

// Iterative deepening of one search thread, with the strength limiting of the
// weaker levels.
void Thread::search() {
  Stack stack[MAX_PLY + 4], *ss = stack + 2;  // (ss-2) and (ss-1) always exist
  Value bestValue, alpha, beta, delta;

  MainThread* mainThread = (this == Threads.main() ? Threads.main() : nullptr);

  std::memset(static_cast<void*>(stack), 0, 5 * sizeof(Stack));

  bestValue = delta = alpha = -VALUE_INFINITE;
  beta = VALUE_INFINITE;
  completedDepth = DEPTH_ZERO;

  if (mainThread) {
    mainThread->failedLow = false;
    mainThread->bestMoveChanges = 0;
    TT.new_search();
  }

  const int elo = UCI::elo_level();
  const Depth depthCap = depth_cap(elo);
  const bool topLevel = elo >= 2850;

  size_t multiPV = elo < 2900 ? 1 : size_t(int(Options["MultiPV"]));
  multiPV = std::min(multiPV, rootMoves.size());

  while (++rootDepth < DEPTH_MAX && !Signals.stop && (!Limits.depth || rootDepth <= Limits.depth)) {
    // Helper threads skip depths by a fixed pattern, so they spread out.
    if (!mainThread) {
      const int d = rootDepth + rootPos.game_ply();

      if (idx >= 7 && idx <= 24) {
        if ((HalfDensityMap[idx - 7] >> (d % 6)) & 1)
          continue;
      } else if (((d + int(idx)) >> (msb(idx + 1) - 1)) & 1)
        continue;
    }

    if (mainThread) {
      mainThread->failedLow = false;
      mainThread->bestMoveChanges *= 0.505;
    }

    for (RootMove& rm : rootMoves) {
      rm.previousScore = rm.score;
      rm.previousBound = rm.scoreBound;
    }

    for (pvIdx = 0; pvIdx < multiPV && !Signals.stop; ++pvIdx) {
      if (rootDepth >= 5) {
        delta = Value(18);
        alpha = std::max(rootMoves[pvIdx].previousScore - delta, -VALUE_INFINITE);
        beta = std::min(rootMoves[pvIdx].previousScore + delta, VALUE_INFINITE);
      }

      while (true) {
        bestValue = ::search<NODE_ROOT>(rootPos, ss, alpha, beta, std::min(rootDepth, depthCap), false);

        // A clear and stable advantage ends the search at the top levels.
        const Value prev = rootMoves[pvIdx].previousScore;
        if (bestValue >= 250 && topLevel && rootDepth >= 20
            && (prev == -VALUE_INFINITE || std::abs(bestValue - prev) < 50)) {
          Signals.stop = true;
          break;
        }

        std::stable_sort(rootMoves.begin() + pvIdx, rootMoves.end());

        for (size_t i = 0; i <= pvIdx; ++i)
          rootMoves[i].insert_pv_in_tt(rootPos);

        if (Signals.stop)
          break;

        if (mainThread && multiPV == 1 && (bestValue <= alpha || bestValue >= beta) && Time.elapsed() > 3000)
          print_pv(rootPos, rootDepth, alpha, beta);

        if (bestValue <= alpha) {
          beta = (alpha + beta) / 2;
          alpha = std::max(bestValue - delta, -VALUE_INFINITE);

          if (mainThread) {
            mainThread->failedLow = true;
            Signals.stopOnPonderhit = false;
          }
        } else if (bestValue >= beta) {
          alpha = (alpha + beta) / 2;
          beta = std::min(bestValue + delta, VALUE_INFINITE);
        } else
          break;

        delta += delta / 4 + 5;
      }

      std::stable_sort(rootMoves.begin(), rootMoves.begin() + pvIdx + 1);

      if (!mainThread)
        break;

      if (Signals.stop)
        sync_cout << "info nodes " << Threads.nodes_searched() << " time " << Time.elapsed() << sync_endl;
      else if (pvIdx + 1 == multiPV || Time.elapsed() > 3000)
        print_pv(rootPos, rootDepth, alpha, beta);
    }

    // A mate proven at the root is a result even when the search stopped for it.
    if (!Signals.stop || rootMoves[0].score >= VALUE_MATE_IN_MAX_PLY)
      completedDepth = rootDepth;

    if (!mainThread)
      continue;

    if (Limits.mate && bestValue >= VALUE_MATE_IN_MAX_PLY && VALUE_MATE - bestValue <= 2 * int64_t(Limits.mate))
      Signals.stop = true;

    // A weakened engine stops at its depth and spends part of its time.
    if (rootDepth >= depthCap && !Limits.infinite) {
      strength_pause();
      Signals.stop = true;
      break;
    }

    if (Limits.use_time_management() && !Signals.stop && !Signals.stopOnPonderhit) {
      if (rootDepth >= 5 && multiPV == 1)
        Time.unstablePvFactor = 1 + mainThread->bestMoveChanges;

      // In double: a large clock must not overflow the product.
      if (rootMoves.size() == 1
          || double(Time.elapsed()) > double(Time.available()) * (mainThread->failedLow ? 641 : 315) / 640) {
        if (Limits.ponder) {
          Signals.stopOnPonderhit = true;
          if (!Limits.ponder)  // a "ponderhit" came in between
            Signals.stop = true;
        } else
          Signals.stop = true;
      }
    }
  }
}

namespace {

template <NodeType NT>
Value search(Position& pos, Stack* ss, Value alpha, Value beta, Depth depth, bool cutNode) {
  constexpr bool RootNode = NT == NODE_ROOT;
  constexpr bool PvNode = NT == NODE_PV || NT == NODE_ROOT;

  Move pv[MAX_PLY + 1], quietsSearched[64];
  StateInfo st;
  TTEntry* tte;
  Key posKey;
  Move ttMove, move, excludedMove, bestMove;
  Depth extension, newDepth, predictedDepth;
  Value bestValue, value, ttValue, eval, nullValue;
  bool ttHit, inCheck, givesCheck, singularExtensionNode, improving;
  bool captureOrPromotion, doFullDepthSearch;
  int moveCount, quietCount;

  // Step 1. Initialise the node
  Thread* thisThread = pos.this_thread();
  inCheck = bool(pos.checkers());
  moveCount = quietCount = ss->moveCount = 0;
  bestValue = -VALUE_INFINITE;
  ss->ply = (ss - 1)->ply + 1;

  // Step 2. Poll the clock every 4096 calls
  if (thisThread->resetCalls.load(std::memory_order_relaxed)) {
    thisThread->resetCalls = false;
    thisThread->callsCount = 0;
  }
  if (++thisThread->callsCount > 4096) {
    for (Thread* th : Threads)
      th->resetCalls = true;

    check_time();
  }

  if (PvNode && thisThread->maxPly < ss->ply)
    thisThread->maxPly = ss->ply;

  if (!RootNode) {
    // Step 3. Stop, draw or maximum ply
    if (Signals.stop.load(std::memory_order_relaxed) || pos.is_draw() || ss->ply >= MAX_PLY)
      return ss->ply >= MAX_PLY && !inCheck ? Eval::evaluate(pos) : DrawValue[pos.side_to_move()];

    // Step 4. Mate distance pruning
    alpha = std::max(mated_in(ss->ply), alpha);
    beta = std::min(mate_in(ss->ply + 1), beta);
    if (alpha >= beta)
      return alpha;
  }

  // Step 5. Reset what the children read
  ss->currentMove = (ss + 1)->excludedMove = bestMove = MOVE_NONE;
  (ss + 1)->skipEarlyPruning = false;
  (ss + 2)->killers[0] = (ss + 2)->killers[1] = MOVE_NONE;

  // Step 6. Transposition table; a singular test uses its own key
  excludedMove = ss->excludedMove;
  posKey = excludedMove ? pos.exclusion_key() : pos.key();
  tte = TT.probe(posKey, ttHit);
  ttValue = ttHit ? value_from_tt(tte->value(), ss->ply) : VALUE_NONE;
  ttMove = RootNode ? thisThread->rootMoves[thisThread->pvIdx].pv[0] : ttHit ? tte->move() : MOVE_NONE;

  // Step 7. Transposition-table cut-off
  if (!PvNode && ttHit && tte->depth() >= depth && ttValue != VALUE_NONE
      && (ttValue >= beta ? (tte->bound() & BOUND_LOWER) : (tte->bound() & BOUND_UPPER))) {
    ss->currentMove = ttMove;

    if (ttValue >= beta && ttMove && !pos.capture_or_promotion(ttMove))
      update_stats(pos, ss, ttMove, depth, nullptr, 0);

    return ttValue;
  }

  // Step 8. Tablebase probe after a capture or pawn move
  if (!RootNode && TB::Cardinality) {
    const int piecesCnt = popcount(pos.pieces());

    if (piecesCnt <= TB::Cardinality && (piecesCnt < TB::Cardinality || depth >= TB::ProbeDepth)
        && pos.rule50_count() == 0) {
      int found;
      const int v = TB::probe_wdl(pos, &found);

      if (found) {
        TB::Hits.fetch_add(1, std::memory_order_relaxed);

        const int drawScore = TB::UseRule50 ? 1 : 0;

        value = v < -drawScore ? -VALUE_TB_WIN + ss->ply
                : v > drawScore ? VALUE_TB_WIN - ss->ply
                                : VALUE_DRAW + 2 * v * drawScore;

        tte->save(posKey, value_to_tt(value, ss->ply), BOUND_EXACT, std::min(Depth(DEPTH_MAX - 1), Depth(depth + 6)),
                  MOVE_NONE, VALUE_NONE, TT.generation());

        return value;
      }
    }
  }

  // Step 9. Static evaluation
  if (inCheck) {
    ss->staticEval = eval = VALUE_NONE;
    goto moves_loop;
  } else if (ttHit) {
    if ((ss->staticEval = eval = tte->eval()) == VALUE_NONE)
      eval = ss->staticEval = Eval::evaluate(pos);

    // The table value is a better estimate when its bound allows.
    if (!RootNode && ttValue != VALUE_NONE && (tte->bound() & (ttValue > eval ? BOUND_LOWER : BOUND_UPPER)))
      eval = ttValue;
  } else {
    eval = ss->staticEval =
        (ss - 1)->currentMove != MOVE_NULL ? Eval::evaluate(pos) : -(ss - 1)->staticEval + 2 * Eval::Tempo;

    tte->save(posKey, VALUE_NONE, BOUND_NONE, DEPTH_NONE, MOVE_NONE, ss->staticEval, TT.generation());
  }

  if (ss->skipEarlyPruning)
    goto moves_loop;

  // Step 10. Razoring
  if (!PvNode && depth < 4 && eval + razor_margin[depth] <= alpha && ttMove == MOVE_NONE) {
    if (depth <= DEPTH_ONE_PLY && eval + razor_margin[3] <= alpha)
      return qsearch<NODE_NON_PV, false>(pos, ss, alpha, alpha + 1, DEPTH_ZERO);

    const Value ralpha = alpha - razor_margin[depth];
    const Value v = qsearch<NODE_NON_PV, false>(pos, ss, ralpha, ralpha + 1, DEPTH_ZERO);
    if (v <= ralpha)
      return v;
  }

  // Step 11. Futility pruning of the node
  if (!RootNode && depth < 7 && eval - futility_margin(depth) >= beta && eval < VALUE_KNOWN_WIN
      && pos.non_pawn_material(pos.side_to_move()))
    return eval - futility_margin(depth);

  // Step 12. Null move search with verification at high depths
  if (!PvNode && depth >= 2 && eval >= beta && pos.non_pawn_material(pos.side_to_move())) {
    ss->currentMove = MOVE_NULL;

    const Depth R = Depth((823 + 67 * int(depth)) / 256 + std::min(int(eval - beta) / VALUE_PAWN_MG, 3));

    pos.do_null_move(st);
    (ss + 1)->skipEarlyPruning = true;
    nullValue = depth - R < DEPTH_ONE_PLY
                    ? -qsearch<NODE_NON_PV, false>(pos, ss + 1, -beta, -beta + 1, DEPTH_ZERO)
                    : -search<NODE_NON_PV>(pos, ss + 1, -beta, -beta + 1, depth - R, !cutNode);
    (ss + 1)->skipEarlyPruning = false;
    pos.undo_null_move();

    if (nullValue >= beta) {
      // An unproven mate is not returned.
      if (nullValue >= VALUE_MATE_IN_MAX_PLY)
        nullValue = beta;

      if (depth < 12 && std::abs(beta) < VALUE_KNOWN_WIN)
        return nullValue;

      ss->skipEarlyPruning = true;
      const Value v = depth - R < DEPTH_ONE_PLY
                          ? qsearch<NODE_NON_PV, false>(pos, ss, beta - 1, beta, DEPTH_ZERO)
                          : search<NODE_NON_PV>(pos, ss, beta - 1, beta, depth - R, false);
      ss->skipEarlyPruning = false;

      if (v >= beta)
        return nullValue;
    }
  }

  // Step 13. ProbCut: a good capture that beats beta by a margin at reduced
  // depth will most likely beat it at full depth too.
  if (!PvNode && depth >= 5 && std::abs(beta) < VALUE_MATE_IN_MAX_PLY) {
    const Value rbeta = std::min(beta + 200, VALUE_INFINITE);
    const Depth rdepth = Depth(depth - 4);

    MovePicker mp(pos, ttMove, thisThread->history, PieceValue[PHASE_MG][pos.captured_piece_type()]);
    const CheckInfo ci(pos);

    while ((move = mp.next_move()) != MOVE_NONE)
      if (pos.legal(move, ci.pinned)) {
        ss->currentMove = move;
        pos.do_move(move, st, pos.gives_check(move, ci));
        value = -search<NODE_NON_PV>(pos, ss + 1, -rbeta, -rbeta + 1, rdepth, !cutNode);
        pos.undo_move(move);

        if (value >= rbeta)
          return value;
      }
  }

  // Step 14. Internal iterative deepening, to find a move to try first
  if (depth >= (PvNode ? 5 : 8) && !ttMove && (PvNode || ss->staticEval + 256 >= beta)) {
    const Depth d = Depth(depth - 2 - (PvNode ? DEPTH_ZERO : depth / 4));
    ss->skipEarlyPruning = true;
    search<PvNode ? NODE_PV : NODE_NON_PV>(pos, ss, alpha, beta, d, true);
    ss->skipEarlyPruning = false;

    tte = TT.probe(posKey, ttHit);
    ttMove = ttHit ? tte->move() : MOVE_NONE;
  }

moves_loop:  // When in check the search starts from here

  const Square prevSq = move_to((ss - 1)->currentMove);
  const CounterMoveStats& cmh = CounterMovesHistory[pos.piece_on(prevSq)][prevSq];
  const Move counterMove = thisThread->counterMoves[pos.piece_on(prevSq)][prevSq];

  MovePicker mp(pos, ttMove, depth, thisThread->history, cmh, counterMove, ss);
  const CheckInfo ci(pos);
  value = bestValue;
  improving = ss->staticEval >= (ss - 2)->staticEval || ss->staticEval == VALUE_NONE
              || (ss - 2)->staticEval == VALUE_NONE;

  singularExtensionNode = !RootNode && depth >= 8 && ttMove != MOVE_NONE && std::abs(ttValue) < VALUE_KNOWN_WIN
                          && !excludedMove && (tte->bound() & BOUND_LOWER) && tte->depth() >= depth - 3;

  // Step 16. Loop through the moves until none are left or beta is beaten
  while ((move = mp.next_move()) != MOVE_NONE) {
    if (move == excludedMove)
      continue;

    // At the root only the moves of this line and below are searched.
    if (RootNode
        && !std::count(thisThread->rootMoves.begin() + thisThread->pvIdx, thisThread->rootMoves.end(), move))
      continue;

    ss->moveCount = ++moveCount;

    if (RootNode && thisThread == Threads.main() && Time.elapsed() > 3000)
      sync_cout << "info depth " << depth << " currmove " << UCI::move(move, pos.is_chess960())
                << " currmovenumber " << moveCount + thisThread->pvIdx << sync_endl;

    if (PvNode)
      (ss + 1)->pv = nullptr;

    extension = DEPTH_ZERO;
    captureOrPromotion = pos.capture_or_promotion(move);
    givesCheck = gives_check_fast(pos, move, ci);

    // Extend checks that do not lose material
    if (givesCheck && pos.see_sign(move) >= VALUE_ZERO)
      extension = DEPTH_ONE_PLY;

    // Singular extension: the table move is much better than every other
    if (singularExtensionNode && move == ttMove && !extension && pos.legal(move, ci.pinned)) {
      const Value rBeta = ttValue - 2 * int(depth);
      ss->excludedMove = move;
      ss->skipEarlyPruning = true;
      value = search<NODE_NON_PV>(pos, ss, rBeta - 1, rBeta, depth / 2, cutNode);
      ss->skipEarlyPruning = false;
      ss->excludedMove = MOVE_NONE;

      if (value < rBeta)
        extension = DEPTH_ONE_PLY;
    }

    newDepth = depth - DEPTH_ONE_PLY + extension;

    // Step 16.7. Pruning at shallow depth
    if (!RootNode && !captureOrPromotion && !inCheck && !givesCheck && !pos.advanced_pawn_push(move)
        && bestValue > VALUE_MATED_IN_MAX_PLY) {
      if (depth < 16 && moveCount >= FutilityMoveCounts[improving][depth])
        continue;

      if (depth <= 4 && move != ss->killers[0]
          && thisThread->history[pos.moved_piece(move)][move_to(move)] < VALUE_ZERO
          && cmh[pos.moved_piece(move)][move_to(move)] < VALUE_ZERO)
        continue;

      predictedDepth = newDepth - reduction<PvNode>(improving, depth, moveCount);

      if (predictedDepth < 7) {
        const Value futilityValue = ss->staticEval + futility_margin(predictedDepth) + 256;

        if (futilityValue <= alpha) {
          bestValue = std::max(bestValue, futilityValue);
          continue;
        }
      }

      if (predictedDepth < 4 && pos.see_sign(move) < VALUE_ZERO)
        continue;
    }

    prefetch(TT.first_entry(pos.key_after(move)));

    if (!RootNode && !pos.legal(move, ci.pinned)) {
      ss->moveCount = --moveCount;
      continue;
    }

    ss->currentMove = move;
    pos.do_move(move, st, givesCheck);

    // Step 16.11. Late move reductions
    if (depth >= 3 && moveCount > 1 && !captureOrPromotion) {
      Depth r = reduction<PvNode>(improving, depth, moveCount);
      const Value hValue = thisThread->history[pos.piece_on(move_to(move))][move_to(move)];
      const Value cmhValue = cmh[pos.piece_on(move_to(move))][move_to(move)];

      if ((!PvNode && cutNode) || (hValue < VALUE_ZERO && cmhValue <= VALUE_ZERO))
        r += DEPTH_ONE_PLY;

      if (hValue > VALUE_ZERO && cmhValue > VALUE_ZERO)
        r = std::max(DEPTH_ZERO, r - DEPTH_ONE_PLY);

      // Less reduction for a move that escapes a capture.
      if (r && move_type(move) == MOVE_TYPE_NORMAL && type_of(pos.piece_on(move_to(move))) != PIECE_TYPE_PAWN
          && pos.see(make_move(move_to(move), move_from(move))) < VALUE_ZERO)
        r = std::max(DEPTH_ZERO, r - DEPTH_ONE_PLY);

      const Depth d = std::max(newDepth - r, DEPTH_ONE_PLY);

      value = -search<NODE_NON_PV>(pos, ss + 1, -(alpha + 1), -alpha, d, true);

      doFullDepthSearch = (value > alpha && r != DEPTH_ZERO);
    } else
      doFullDepthSearch = !PvNode || moveCount > 1;

    // Step 16.12. Full-depth null-window search
    if (doFullDepthSearch)
      value = newDepth < DEPTH_ONE_PLY
                  ? givesCheck ? -qsearch<NODE_NON_PV, true>(pos, ss + 1, -(alpha + 1), -alpha, DEPTH_ZERO)
                               : -qsearch<NODE_NON_PV, false>(pos, ss + 1, -(alpha + 1), -alpha, DEPTH_ZERO)
                  : -search<NODE_NON_PV>(pos, ss + 1, -(alpha + 1), -alpha, newDepth, !cutNode);

    // Step 16.13. Full window for the first move and for moves that may be new best
    if (PvNode && (moveCount == 1 || (value > alpha && (RootNode || value < beta)))) {
      (ss + 1)->pv = pv;
      (ss + 1)->pv[0] = MOVE_NONE;

      value = newDepth < DEPTH_ONE_PLY
                  ? givesCheck ? -qsearch<NODE_PV, true>(pos, ss + 1, -beta, -alpha, DEPTH_ZERO)
                               : -qsearch<NODE_PV, false>(pos, ss + 1, -beta, -alpha, DEPTH_ZERO)
                  : -search<NODE_PV>(pos, ss + 1, -beta, -alpha, newDepth, false);
    }

    pos.undo_move(move);

    // A stopped search's values are worthless: return at once, storing nothing.
    if (Signals.stop.load(std::memory_order_relaxed))
      return VALUE_ZERO;

    if (RootNode) {
      RootMove& rm = *std::find(thisThread->rootMoves.begin(), thisThread->rootMoves.end(), move);

      if (moveCount == 1 || value > alpha) {
        rm.score = value;
        rm.scoreBound = value >= beta ? BOUND_LOWER : value <= alpha ? BOUND_UPPER : BOUND_EXACT;
        rm.pv.resize(1);

        for (Move* m = (ss + 1)->pv; m && *m != MOVE_NONE; ++m)
          rm.pv.push_back(*m);

        if (moveCount > 1 && thisThread == Threads.main())
          ++static_cast<MainThread*>(thisThread)->bestMoveChanges;
      } else
        rm.score = -VALUE_INFINITE;  // failed low: its order is kept by the stable sort
    }

    if (value > bestValue) {
      bestValue = value;

      if (value > alpha) {
        if (PvNode && !RootNode)
          update_pv(ss->pv, move, (ss + 1)->pv);

        if (PvNode && value < beta) {
          alpha = value;
          bestMove = move;
        } else {
          bestMove = move;  // fail high
          break;
        }
      }
    }

    // A mate found at the root ends the search of every thread.
    if (RootNode && bestValue >= VALUE_MATE_IN_MAX_PLY)
      Signals.stop = true;

    if (!captureOrPromotion && move != bestMove && quietCount < 64)
      quietsSearched[quietCount++] = move;
  }

  // Step 17. No move counted: mate, stalemate, or the excluded move was the only one
  if (!moveCount)
    bestValue = excludedMove ? alpha : inCheck ? mated_in(ss->ply) : DrawValue[pos.side_to_move()];
  else if (bestMove && !pos.capture_or_promotion(bestMove))
    update_stats(pos, ss, bestMove, depth, quietsSearched, quietCount);
  // A quiet previous move that no reply refuted gets credit.
  else if (depth >= 3 && !bestMove && !inCheck && !pos.captured_piece_type() && is_ok((ss - 1)->currentMove)
           && is_ok((ss - 2)->currentMove)) {
    const Value bonus = Value(int(depth) * int(depth) + int(depth) - 1);
    const Square prevPrevSq = move_to((ss - 2)->currentMove);
    CounterMoveStats& prevCmh = CounterMovesHistory[pos.piece_on(prevPrevSq)][prevPrevSq];
    prevCmh.update(pos.piece_on(prevSq), prevSq, bonus);
  }

  tte->save(posKey, value_to_tt(bestValue, ss->ply),
            bestValue >= beta ? BOUND_LOWER : PvNode && bestMove ? BOUND_EXACT : BOUND_UPPER, depth, bestMove,
            ss->staticEval, TT.generation());

  return bestValue;
}

template <NodeType NT, bool InCheck>
Value qsearch(Position& pos, Stack* ss, Value alpha, Value beta, Depth depth) {
  constexpr bool PvNode = NT == NODE_PV;

  Move pv[MAX_PLY + 1];
  StateInfo st;
  TTEntry* tte;
  Key posKey;
  Move ttMove, move, bestMove;
  Value bestValue, value, ttValue, futilityValue, futilityBase, oldAlpha = VALUE_ZERO;
  bool ttHit, givesCheck, evasionPrunable;
  Depth ttDepth;

  if (PvNode) {
    oldAlpha = alpha;
    (ss + 1)->pv = pv;
    ss->pv[0] = MOVE_NONE;
  }

  ss->currentMove = bestMove = MOVE_NONE;
  ss->ply = (ss - 1)->ply + 1;

  if (pos.is_draw() || ss->ply >= MAX_PLY)
    return ss->ply >= MAX_PLY && !InCheck ? Eval::evaluate(pos) : DrawValue[pos.side_to_move()];

  // Only quiet checks and evasions need the deeper entry.
  ttDepth = InCheck || depth >= DEPTH_QSEARCH_CHECKS ? DEPTH_QSEARCH_CHECKS : DEPTH_QSEARCH_NO_CHECKS;

  posKey = pos.key();
  tte = TT.probe(posKey, ttHit);
  ttMove = ttHit ? tte->move() : MOVE_NONE;
  ttValue = ttHit ? value_from_tt(tte->value(), ss->ply) : VALUE_NONE;

  if (!PvNode && ttHit && tte->depth() >= ttDepth && ttValue != VALUE_NONE
      && (ttValue >= beta ? (tte->bound() & BOUND_LOWER) : (tte->bound() & BOUND_UPPER))) {
    ss->currentMove = ttMove;
    return ttValue;
  }

  // Stand pat
  if (InCheck) {
    ss->staticEval = VALUE_NONE;
    bestValue = futilityBase = -VALUE_INFINITE;
  } else {
    if (ttHit) {
      if ((ss->staticEval = bestValue = tte->eval()) == VALUE_NONE)
        ss->staticEval = bestValue = Eval::evaluate(pos);

      if (ttValue != VALUE_NONE && (tte->bound() & (ttValue > bestValue ? BOUND_LOWER : BOUND_UPPER)))
        bestValue = ttValue;
    } else
      ss->staticEval = bestValue =
          (ss - 1)->currentMove != MOVE_NULL ? Eval::evaluate(pos) : -(ss - 1)->staticEval + 2 * Eval::Tempo;

    if (bestValue >= beta) {
      if (!ttHit)
        tte->save(posKey, value_to_tt(bestValue, ss->ply), BOUND_LOWER, DEPTH_NONE, MOVE_NONE, ss->staticEval,
                  TT.generation());

      return bestValue;
    }

    if (PvNode && bestValue > alpha)
      alpha = bestValue;

    futilityBase = bestValue + 128;
  }

  MovePicker mp(pos, ttMove, depth, pos.this_thread()->history, move_to((ss - 1)->currentMove));
  const CheckInfo ci(pos);

  while ((move = mp.next_move()) != MOVE_NONE) {
    givesCheck = gives_check_fast(pos, move, ci);

    // Futility pruning
    if (!InCheck && !givesCheck && futilityBase > -VALUE_KNOWN_WIN && !pos.advanced_pawn_push(move)) {
      futilityValue = futilityBase + PieceValue[PHASE_EG][pos.piece_on(move_to(move))];

      if (futilityValue <= alpha) {
        bestValue = std::max(bestValue, futilityValue);
        continue;
      }

      if (futilityBase <= alpha && pos.see(move) <= VALUE_ZERO) {
        bestValue = std::max(bestValue, futilityBase);
        continue;
      }
    }

    // Losing captures, and losing quiet evasions once a move saved the king
    evasionPrunable = InCheck && bestValue > VALUE_MATED_IN_MAX_PLY && !pos.capture(move);

    if ((!InCheck || evasionPrunable) && move_type(move) != MOVE_TYPE_PROMOTION
        && pos.see_sign(move) < VALUE_ZERO)
      continue;

    prefetch(TT.first_entry(pos.key_after(move)));

    if (!pos.legal(move, ci.pinned))
      continue;

    ss->currentMove = move;
    pos.do_move(move, st, givesCheck);
    value = givesCheck ? -qsearch<NT, true>(pos, ss + 1, -beta, -alpha, depth - DEPTH_ONE_PLY)
                       : -qsearch<NT, false>(pos, ss + 1, -beta, -alpha, depth - DEPTH_ONE_PLY);
    pos.undo_move(move);

    if (value > bestValue) {
      bestValue = value;

      if (value > alpha) {
        if (PvNode)
          update_pv(ss->pv, move, (ss + 1)->pv);

        if (PvNode && value < beta) {
          alpha = value;
          bestMove = move;
        } else {
          tte->save(posKey, value_to_tt(value, ss->ply), BOUND_LOWER, ttDepth, move, ss->staticEval,
                    TT.generation());
          return value;
        }
      }
    }
  }

  // In check with no legal move: mated
  if (InCheck && bestValue == -VALUE_INFINITE)
    return mated_in(ss->ply);

  tte->save(posKey, value_to_tt(bestValue, ss->ply), PvNode && bestValue > oldAlpha ? BOUND_EXACT : BOUND_UPPER,
            ttDepth, bestMove, ss->staticEval, TT.generation());

  return bestValue;
}

void update_pv(Move* pv, Move move, Move* childPv) {
  for (*pv++ = move; childPv && *childPv != MOVE_NONE;)
    *pv++ = *childPv++;
  *pv = MOVE_NONE;
}

void update_stats(const Position& pos, Stack* ss, Move move, Depth depth, Move* quiets, int quietsCnt) {
  if (ss->killers[0] != move) {
    ss->killers[1] = ss->killers[0];
    ss->killers[0] = move;
  }

  const Value bonus = Value(int(depth) * int(depth) + int(depth) - 1);

  const Square prevSq = move_to((ss - 1)->currentMove);
  CounterMoveStats& cmh = CounterMovesHistory[pos.piece_on(prevSq)][prevSq];
  Thread* thisThread = pos.this_thread();

  thisThread->history.update(pos.moved_piece(move), move_to(move), bonus);

  if (is_ok((ss - 1)->currentMove)) {
    thisThread->counterMoves.update(pos.piece_on(prevSq), prevSq, move);
    cmh.update(pos.moved_piece(move), move_to(move), bonus);
  }

  // The quiet moves tried before it did not work.
  for (int i = 0; i < quietsCnt; ++i) {
    thisThread->history.update(pos.moved_piece(quiets[i]), move_to(quiets[i]), -bonus);

    if (is_ok((ss - 1)->currentMove))
      cmh.update(pos.moved_piece(quiets[i]), move_to(quiets[i]), -bonus);
  }

  // The previous quiet move was the first reply tried and is refuted at once.
  if ((ss - 1)->moveCount == 1 && !pos.captured_piece_type() && is_ok((ss - 2)->currentMove)) {
    const Square prevPrevSq = move_to((ss - 2)->currentMove);
    CounterMoveStats& prevCmh = CounterMovesHistory[pos.piece_on(prevPrevSq)][prevPrevSq];
    prevCmh.update(pos.piece_on(prevSq), prevSq, -bonus - 2 * (int(depth) + 1));
  }
}

void check_time() {
  static std::atomic<TimePoint> lastInfoTime{now()};

  const int64_t elapsed = Time.elapsed();
  const TimePoint tick = Limits.startTime + elapsed;

  if (tick - lastInfoTime.load(std::memory_order_relaxed) >= 1000) {
    lastInfoTime = tick;
    dbg_print();
  }

  // A pondering search never stops on its own clock.
  if (Limits.ponder)
    return;

  if ((Limits.use_time_management() && elapsed >= Time.maximum() - 9)
      || (Limits.movetime && elapsed >= Limits.movetime)
      || (Limits.nodes && Threads.nodes_searched() >= uint64_t(Limits.nodes)))
    Signals.stop = true;
}

const char* bound_word(Bound b) {
  return b == BOUND_LOWER ? " lowerbound" : b == BOUND_UPPER ? " upperbound" : "";
}

}  // namespace

// The info lines of the search that owns pos: every line at full strength, the
// one line of a weakened search in its own shorter form. A line's bound word
// comes from its own score, not from the window searched last: after the
// sort that window may belong to another line.
std::string UCI::pv(const Position& pos, Depth depth, Value /*alpha*/, Value /*beta*/) {
  std::stringstream ss;
  const Thread* thread = pos.this_thread();
  const RootMoves& rootMoves = thread->rootMoves;
  const int64_t elapsed = Time.elapsed() + 1;
  const uint64_t nodesSearched = Threads.nodes_searched();
  const int elo = UCI::elo_level();

  if (!int(Options["Show PV"]))
    return "";

  if (elo < 2900) {
    if (rootMoves.empty())
      return "";

    const RootMove& rm = rootMoves[0];
    const Value v = rm.score;

    ss << "info depth " << depth << " score ";
    if (v >= VALUE_MATE_IN_MAX_PLY)
      ss << "mate " << (VALUE_MATE + 1 - v) / 2;
    else if (v <= VALUE_MATED_IN_MAX_PLY)
      ss << "mate " << (-VALUE_MATE - v) / 2;
    else
      ss << "cp " << int(v);

    if (!(TB::RootInTB && std::abs(v) <= VALUE_MATE - MAX_PLY - 1))
      ss << bound_word(rm.scoreBound);

    ss << " nodes " << nodesSearched << " nps " << nodesSearched * 1000 / uint64_t(elapsed) << " time " << elapsed;

    if (!rm.pv.empty() && rm.pv[0] != MOVE_NONE)
      ss << " pv " << UCI::move(rm.pv[0], pos.is_chess960());

    return ss.str();
  }

  const size_t multiPV = std::min(size_t(int(Options["MultiPV"])), rootMoves.size());
  bool first = true;

  for (size_t i = 0; i < multiPV; ++i) {
    // A line not searched yet in this iteration shows its previous score.
    const bool updated = i <= thread->pvIdx && rootMoves[i].score != -VALUE_INFINITE;
    Value v = updated ? rootMoves[i].score : rootMoves[i].previousScore;
    const Bound bound = updated ? rootMoves[i].scoreBound : rootMoves[i].previousBound;

    if (v == -VALUE_INFINITE)
      continue;

    const bool tb = TB::RootInTB && std::abs(v) < VALUE_MATE - MAX_PLY;
    v = tb ? TB::Score : v;

    if (!first)
      ss << "\n";
    first = false;

    ss << "info depth " << depth << " seldepth " << thread->maxPly << " multipv " << i + 1 << " score "
       << UCI::value(v);

    if (!tb)
      ss << bound_word(bound);

    ss << " nodes " << nodesSearched << " nps " << nodesSearched * 1000 / uint64_t(elapsed);

    if (elapsed > 1000)
      ss << " hashfull " << TT.hashfull();

    ss << " tbhits " << TB::Hits << " time " << elapsed << " pv";

    for (Move m : rootMoves[i].pv)
      ss << " " << UCI::move(m, pos.is_chess960());
  }

  return ss.str();
}

void RootMove::insert_pv_in_tt(Position& pos) {
  StateInfo state[MAX_PLY + 1], *st = state;
  size_t made = 0;
  bool ttHit;

  for (Move m : pv) {
    if (made == MAX_PLY + 1)
      break;

    TTEntry* tte = TT.probe(pos.key(), ttHit);

    if (!ttHit || tte->move() != m)
      tte->save(pos.key(), VALUE_NONE, BOUND_NONE, DEPTH_NONE, m, VALUE_NONE, TT.generation());

    pos.do_move(m, *st++, pos.gives_check(m, CheckInfo(pos)));
    ++made;
  }

  while (made)
    pos.undo_move(pv[--made]);
}

bool RootMove::extract_ponder_from_tt(Position& pos) {
  StateInfo st;
  bool ttHit;

  if (pv.size() != 1 || pv[0] == MOVE_NONE)
    return false;

  pos.do_move(pv[0], st, pos.gives_check(pv[0], CheckInfo(pos)));
  TTEntry* tte = TT.probe(pos.key(), ttHit);

  if (ttHit) {
    const Move m = tte->move();  // one read: other threads may be writing
    if (MoveList<GEN_LEGAL>(pos).contains(m))
      pv.push_back(m);
  }

  pos.undo_move(pv[0]);
  return pv.size() > 1;
}
