#include "uci/uci.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cctype>
#include <cstdint>
#include <deque>
#include <iostream>
#include <limits>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "board/misc.h"
#include "board/movegen.h"
#include "board/position.h"
#include "personalities/personality.h"
#include "platform/platform.h"
#include "search/search.h"
#include "search/thread.h"
#include "search/timeman.h"
#include "uci/benchmark.h"

// The moves of the last "position" command, as the GUI sent them; the
// opening book matches against them.
std::string CurrentGameMoves;
bool CurrentGameFromStart = true;

namespace {

const char* const StartFEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The personality of timed games when none was chosen, and the one last
// applied by "go".
const std::string UserSelectedPersonality = "VYN_26.8_Corvastel";
std::string AppliedPersonalityFile;

// States of the moves of the last "position" command; "go" hands them to the
// search. A deque keeps their addresses stable.
Search::StateStackPtr SetupStates;

std::string personality_filepath(const std::string& name) {
  if (name.find_first_of("\\/:") != std::string::npos)
    return Platform::native_path(name);

  const bool hasExtension = name.size() > 3 && name.compare(name.size() - 4, 4, ".ypf") == 0;
  return Platform::native_path("personality\\" + name + (hasExtension ? "" : ".ypf"));
}

// A running bench ends too, with its report.
void stop_search() {
  stop_benchmark();
  Search::Signals.stop = true;
  Search::Signals.stopCommand = true;
  Threads.main()->start_searching(true);  // only wakes it
}

// The search goes on as a normal timed one, or ends if its time is up.
// The main search thread is always woken: it may be waiting for this.
void ponderhit() {
  Search::Limits.ponder = 0;
  if (Search::Signals.stopOnPonderhit)
    Search::Signals.stop = true;
  Threads.main()->start_searching(true);
}

// Commands that change what a search uses stop the running search first and
// wait the moment it takes to end; its best move is still printed, so every
// "go" gets its answer. Waiting for a bounded search to run its course
// instead would leave the loop deaf to "stop", "quit" and "isready" meanwhile.
void finish_search() {
  stop_search();
  Threads.main()->wait_for_search_finished();
}

// Standard input, read on a thread of its own while an endless search given
// as the program's arguments runs, so that the main thread waits for the
// search and for input at once. The reader may still be blocked in a read
// when the process ends: what it shares is never freed.
class InputThread {
 public:
  InputThread() {
    std::thread([this] { read_all(); }).detach();
  }

  enum Result { Line, Nothing, End };

  // The next line, waiting at most timeoutMs for it.
  Result next(std::string& line, int timeoutMs) {
    std::unique_lock<std::mutex> lk(mutex);
    changed.wait_for(lk, std::chrono::milliseconds(timeoutMs), [&] { return !lines.empty() || ended; });
    if (lines.empty())
      return ended ? End : Nothing;
    line = std::move(lines.front());
    lines.pop_front();
    return Line;
  }

 private:
  void read_all() {
    std::string pending;
    char buffer[4096];
    long long n;
    while ((n = Platform::read_input(buffer, sizeof(buffer))) > 0) {
      pending.append(buffer, size_t(n));
      std::lock_guard<std::mutex> lk(mutex);
      for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1)) {
        lines.push_back(pending.substr(0, nl));
        if (!lines.back().empty() && lines.back().back() == '\r')
          lines.back().pop_back();
      }
      changed.notify_all();
    }

    std::lock_guard<std::mutex> lk(mutex);
    if (!pending.empty())
      lines.push_back(pending);
    ended = true;
    changed.notify_all();
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::string> lines;
  bool ended = false;
};

// An infinite or pondering search from the arguments cannot end by itself:
// standard input is heard for "quit", "stop", "isready" and "ponderhit"
// until the search ends. At the end of input a search that still waits for
// the GUI is stopped; one turned into a timed search by "ponderhit" runs on.
void listen_while_searching() {
  static InputThread* const input = new InputThread;  // never freed: see above
  std::string line, token;

  while (Threads.main()->is_searching()) {
    const InputThread::Result r = input->next(line, 10);
    if (r == InputThread::End) {
      if (Search::Limits.infinite || Search::Limits.ponder)
        stop_search();
      return;
    }
    if (r == InputThread::Nothing)
      continue;

    std::istringstream is(line);
    token.clear();
    is >> token;

    if (token == "quit" || token == "stop") {
      stop_search();
      return;
    }
    if (token == "isready")
      sync_cout << "readyok" << sync_endl;
    else if (token == "ponderhit")
      ponderhit();
  }
}

bool load_and_apply(const std::string& name) {
  Personality::PersonalityData data;
  if (!Personality::load(personality_filepath(name), data))
    return false;

  Personality::apply(data);
  AppliedPersonalityFile = name;
  return true;
}

void position(Position& pos, std::istringstream& is) {
  std::string token, fen;

  is >> token;
  const bool fromStart = token == "startpos";
  if (fromStart) {
    fen = StartFEN;
    is >> token;  // normally "moves"
  } else if (token == "fen")
    while (is >> token && token != "moves")
      fen += token + " ";
  else
    return;

  // A refused FEN leaves the game as it was.
  if (!pos.set(fen, int(Options["UCI_Chess960"]), Threads.main())) {
    sync_cout << "info string Warning: Invalid FEN: " << fen << sync_endl;
    return;
  }

  CurrentGameMoves.clear();
  // A FEN of the start position starts a game from the start, too.
  CurrentGameFromStart = fromStart || pos.fen() == StartFEN;
  SetupStates.reset(new std::stack<StateInfo, std::deque<StateInfo>>);

  Move m;
  while (is >> token && (m = UCI::to_move(pos, token)) != MOVE_NONE) {
    SetupStates->push(StateInfo());
    pos.do_move(m, SetupStates->top(), pos.gives_check(m, CheckInfo(pos)));
    CurrentGameMoves += (CurrentGameMoves.empty() ? "" : " ") + token;
  }
}

void setoption(std::istringstream& is) {
  std::string token, name, value;

  is >> token;  // normally "name"

  while (is >> token && token != "value")
    name += (name.empty() ? "" : " ") + token;

  while (is >> token)
    value += (value.empty() ? "" : " ") + token;

  static const char* const refused[] = {"Contempt",         "Skill Level",     "Move Overhead",
                                        "Minimum Thinking Time", "Slow Mover", "nodestime",
                                        "SyzygyPath",       "SyzygyProbeDepth", "Syzygy50MoveRule",
                                        "SyzygyProbeLimit"};
  for (const char* r : refused)
    if (name == r)
      return;

  if (Options.count(name))
    Options[name] = value;
}

// A number of a "go" command; false when the word is none. A number beyond
// the field's range saturates: a huge clock is a huge clock, not garbage.
template <typename T>
bool read_number(std::istringstream& is, T& result) {
  std::string word;
  if (!(is >> word))
    return false;

  size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-'))
    negative = word[i++] == '-';
  if (i >= word.size() || !std::isdigit(static_cast<unsigned char>(word[i])))
    return false;

  const int64_t lo = std::numeric_limits<T>::min(), hi = std::numeric_limits<T>::max();
  int64_t v = 0;
  for (; i < word.size() && std::isdigit(static_cast<unsigned char>(word[i])); ++i)
    v = v > (INT64_MAX - 9) / 10 ? INT64_MAX : v * 10 + (word[i] - '0');

  result = T(negative ? std::max(-v, lo) : std::min(v, hi));
  return true;
}

// True when the search waits for the GUI to end it (infinite or pondering).
bool go(const Position& pos, std::istringstream& is) {
  Search::LimitsType limits;
  std::string token;
  bool readable = true;

  limits.startTime = now();

  while (readable && is >> token)
    if (token == "searchmoves")
      while (is >> token)
        limits.searchmoves.push_back(UCI::to_move(pos, token));
    else if (token == "wtime")
      readable = read_number(is, limits.time[COLOR_WHITE]);
    else if (token == "btime")
      readable = read_number(is, limits.time[COLOR_BLACK]);
    else if (token == "winc")
      readable = read_number(is, limits.inc[COLOR_WHITE]);
    else if (token == "binc")
      readable = read_number(is, limits.inc[COLOR_BLACK]);
    else if (token == "movestogo")
      readable = read_number(is, limits.movestogo);
    else if (token == "depth")
      readable = read_number(is, limits.depth);
    else if (token == "nodes")
      readable = read_number(is, limits.nodes);
    else if (token == "movetime")
      readable = read_number(is, limits.movetime);
    else if (token == "mate")
      readable = read_number(is, limits.mate);
    else if (token == "infinite")
      limits.infinite = 1;
    else if (token == "ponder")
      limits.ponder = 1;

  // The personality fits the kind of search: the default one for analysis,
  // the chosen one for games.
  const bool analysis = limits.infinite || (!limits.time[COLOR_WHITE] && !limits.time[COLOR_BLACK] && !limits.movetime);

  if (analysis) {
    if (!(Personality::is_active() && Personality::get_active_name() == "VYN 26.8 Corvastel"))
      load_and_apply("VYN_26.8_Corvastel");
  } else {
    const std::string wanted = CurrentPersonalityFile.empty() ? UserSelectedPersonality : CurrentPersonalityFile;
    if (wanted != AppliedPersonalityFile)
      load_and_apply(wanted);
  }

  if (limits.infinite)
    sync_cout << "info string "
              << (int(Options["Italian Talk"]) ? "Sto analizzando la posizione... tu sai farlo???"
                                               : "I'm analyzing the position... do you know how to do it?")
              << sync_endl;

  Threads.start_thinking(pos, limits, SetupStates);
  return limits.infinite || limits.ponder;
}

// A running bench is ended only by "stop", and "isready" is answered at once;
// every other command waits for the bench to finish and then acts, in the
// order the commands came, so that "bench" piped in with what follows still
// reports the whole bench. Words that do nothing hold nothing up.
bool waits_for_bench(const std::string& token) {
  static const char* const waiting[] = {"quit", "ponderhit", "uci", "ucinewgame", "go", "position", "setoption", "bench"};
  return std::find(std::begin(waiting), std::end(waiting), token) != std::end(waiting);
}

}  // namespace

void UCI::loop(int argc, char* argv[]) {
  Position pos;
  std::string token, cmd;
  bool endless = false;

  pos.set(StartFEN, false, Threads.main());

  for (int i = 1; i < argc; ++i)
    cmd += std::string(argv[i]) + " ";

  do {
    // The end of input lets a running bench finish: "echo bench | vyn" is
    // the usual way to run it.
    if (argc == 1 && !Platform::read_line(std::cin, cmd)) {
      wait_benchmark();
      cmd = "quit";
    }

    std::istringstream is(cmd);

    token.clear();
    is >> std::skipws >> token;

    if (waits_for_bench(token))
      wait_benchmark();

    if (token == "quit" || token == "stop")
      stop_search();

    else if (token == "ponderhit")
      ponderhit();

    else if (token == "uci")
      sync_cout << "id name VYN 26.8.1 Corvastel Kdrw\nid author Quellmark\n" << Options << "\nuciok" << sync_endl;

    else if (token == "ucinewgame") {
      finish_search();
      Search::clear();
      Time.availableNodes = 0;
    }

    else if (token == "isready")
      sync_cout << "readyok" << sync_endl;

    else if (token == "go") {
      finish_search();
      endless = go(pos, is);
    }

    else if (token == "position") {
      finish_search();
      position(pos, is);
    }

    else if (token == "setoption") {
      finish_search();
      setoption(is);
    }

    else if (token == "bench") {
      finish_search();
      benchmark(pos, is);
    }

  } while (token != "quit" && argc == 1);

  // The arguments' command runs to its end without touching standard input,
  // which may belong to the caller's script; only a search that cannot end
  // by itself listens there for the GUI.
  if (argc > 1 && endless)
    listen_while_searching();

  wait_benchmark();
  Threads.main()->wait_for_search_finished();
}
