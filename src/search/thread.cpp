#include "search/thread.h"

#include <algorithm>

#include "board/movegen.h"
#include "uci/uci.h"

ThreadPool Threads;

Thread* Position::this_thread() const { return static_cast<Thread*>(ownerThread); }

Thread::Thread() {
  resetCalls = exit = false;
  maxPly = callsCount = 0;
  history.clear();
  counterMoves.clear();
  idx = Threads.size();
  pvIdx = 0;
  rootDepth = completedDepth = DEPTH_ZERO;

  // Return only once the new thread sleeps in its idle loop, so a later
  // wake-up can never be lost.
  std::unique_lock<Mutex> lk(mutex);
  searching = true;
  nativeThread = std::thread(&Thread::idle_loop, this);
  sleepCondition.wait(lk, [&] { return !searching; });
}

Thread::~Thread() {
  {
    std::lock_guard<Mutex> lk(mutex);
    exit = true;
    sleepCondition.notify_all();
  }
  nativeThread.join();
}

void Thread::wait_for_search_finished() {
  std::unique_lock<Mutex> lk(mutex);
  sleepCondition.wait(lk, [&] { return !searching; });
}

bool Thread::is_searching() {
  std::lock_guard<Mutex> lk(mutex);
  return searching;
}

void Thread::wait(std::atomic<bool>& condition) {
  std::unique_lock<Mutex> lk(mutex);
  sleepCondition.wait(lk, [&] { return bool(condition); });
}

void Thread::wait_until(bool (*condition)()) {
  std::unique_lock<Mutex> lk(mutex);
  sleepCondition.wait(lk, [&] { return condition(); });
}

// With resume the thread is only woken, e.g. out of wait() after a signal.
void Thread::start_searching(bool resume) {
  std::lock_guard<Mutex> lk(mutex);
  if (!resume)
    searching = true;
  // Several parties may sleep on this one condition: wake them all, each
  // checks its own predicate.
  sleepCondition.notify_all();
}

void Thread::idle_loop() {
  while (!exit) {
    std::unique_lock<Mutex> lk(mutex);
    searching = false;

    while (!searching && !exit) {
      sleepCondition.notify_all();  // wakes whoever waits for this thread
      sleepCondition.wait(lk);
    }

    lk.unlock();

    if (!exit)
      search();
  }
}

void ThreadPool::init() {
  push_back(new MainThread);
  read_uci_options();
}

void ThreadPool::exit() {
  while (!empty()) {
    delete back();
    pop_back();
  }
}

// Only between searches: the threads removed must be idle.
void ThreadPool::read_uci_options() {
  const size_t requested = size_t(std::max(1, int(Options["Threads"])));

  while (size() < requested)
    push_back(new Thread);

  while (size() > requested) {
    delete back();
    pop_back();
  }
}

uint64_t ThreadPool::nodes_searched() {
  uint64_t nodes = 0;
  for (Thread* th : *this)
    nodes += th->rootPos.nodes_searched();
  return nodes;
}

// A weakened engine searches with one thread, and "Threads" stays 1. The pool
// shrinks on the command loop's thread while no search runs, never in a
// search thread: the command loop reads the pool (main()) at any time.
void ThreadPool::apply_strength_limit() {
  if (int(Options["Threads"]) != 1 && UCI::elo_level() < 2900)
    Options["Threads"] = std::string("1");
}

void ThreadPool::start_thinking(const Position& pos, const Search::LimitsType& limits,
                                Search::StateStackPtr& states) {
  main()->wait_for_search_finished();
  apply_strength_limit();

  Search::Signals.stop = Search::Signals.stopOnPonderhit = false;
  Search::Signals.stopCommand = false;

  main()->rootMoves.clear();
  main()->rootPos = pos;
  main()->rootPos.set_eval_tables(main());
  Search::Limits = limits;

  // The search's positions link back into these states for repetitions.
  if (states.get())
    Search::SetupStates = std::move(states);

  for (const auto& m : MoveList<GEN_LEGAL>(pos))
    if (limits.searchmoves.empty() || std::count(limits.searchmoves.begin(), limits.searchmoves.end(), m.move))
      main()->rootMoves.push_back(Search::RootMove(m));

  main()->start_searching(false);
}
