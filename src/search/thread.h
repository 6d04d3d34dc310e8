#ifndef VYN_SEARCH_THREAD_H
#define VYN_SEARCH_THREAD_H

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "board/position.h"
#include "eval/tables.h"
#include "search/movepick.h"
#include "search/search.h"

typedef std::mutex Mutex;
typedef std::condition_variable_any ConditionVariable;

// One search thread. Its native thread sleeps in idle_loop() until it is told
// to search or to exit. It owns the evaluation caches (through EvalTables),
// its root position and root moves, and its move-ordering statistics.
class Thread : public EvalTables {
  std::thread nativeThread;
  Mutex mutex;
  ConditionVariable sleepCondition;
  bool exit, searching;

 public:
  Thread();
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  virtual void search();
  void idle_loop();
  void start_searching(bool resume = false);
  void wait_for_search_finished();
  bool is_searching();
  void wait(std::atomic<bool>& condition);
  // Sleeps until the predicate holds; whoever makes it hold then calls
  // start_searching(true), so no wake-up is lost.
  void wait_until(bool (*condition)());

  size_t idx, pvIdx;
  int maxPly, callsCount;

  Position rootPos;
  Search::RootMoves rootMoves;
  Depth rootDepth;
  HistoryStats history;
  MoveStats counterMoves;
  Depth completedDepth;
  std::atomic<bool> resetCalls;
};

// The first thread of the pool: it runs a whole "go" and wakes the others.
struct MainThread : public Thread {
  void search() override;

  bool failedLow;
  double bestMoveChanges;
};

struct ThreadPool : public std::vector<Thread*> {
  void init();
  void exit();

  MainThread* main() { return static_cast<MainThread*>(at(0)); }
  void start_thinking(const Position&, const Search::LimitsType&, Search::StateStackPtr&);
  void read_uci_options();
  void apply_strength_limit();
  uint64_t nodes_searched();
};

extern ThreadPool Threads;

#endif
