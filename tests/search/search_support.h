#ifndef VYN_TESTS_SEARCH_SUPPORT_H
#define VYN_TESTS_SEARCH_SUPPORT_H

// Brings up the engine's search machinery once per test process and runs
// whole searches through the thread pool, capturing what they print.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/position.h"
#include "eval/evaluate.h"
#include "eval/pawns.h"
#include "search/search.h"
#include "search/thread.h"
#include "search/tt.h"
#include "uci/uci.h"

namespace search_support {

inline void start_engine() {
  UCI::init(Options);
  static bool started = false;
  if (started)
    return;
  started = true;
  Search::init();
  Pawns::init();
  Eval::init();
  Threads.init();
  TT.resize(16);
}

inline void set_option(const std::string& name, const std::string& value) { Options[name] = value; }

// Runs one search to its end and returns its output.
inline std::string run(const std::string& fen, Search::LimitsType limits) {
  Position pos;
  EXPECT_TRUE(pos.set(fen, int(Options["UCI_Chess960"]), Threads.main())) << fen;
  Search::StateStackPtr states(new std::stack<StateInfo, std::deque<StateInfo>>);

  testing::internal::CaptureStdout();
  limits.startTime = now();
  Threads.start_thinking(pos, limits, states);
  Threads.main()->wait_for_search_finished();
  return testing::internal::GetCapturedStdout();
}

inline Search::LimitsType depth(int d) {
  Search::LimitsType limits;
  limits.depth = d;
  return limits;
}

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return lines;
}

inline int count_prefix(const std::string& text, const std::string& prefix) {
  int n = 0;
  for (const std::string& line : lines_of(text))
    n += line.rfind(prefix, 0) == 0;
  return n;
}

inline std::string last_line(const std::string& text) {
  const std::vector<std::string> lines = lines_of(text);
  return lines.empty() ? "" : lines.back();
}

}  // namespace search_support

#endif
