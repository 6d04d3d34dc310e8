#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "uci/engine_process.h"

// The default bench is the engine's behaviour fingerprint: one thread searches
// deterministically, so any change of the node count is a change of search
// behaviour. A deliberate change updates this number in the same commit.
const char* const BenchSignature = "4169340";

TEST(BenchSignature, DefaultBenchSearchesThePinnedNodeCount) {
  EngineProcess engine(".", {"bench"});
  ASSERT_TRUE(engine.started());

  const std::string label = " Nodes evaluated     : ";
  std::string line, nodes;
  // A sanitizer build needs minutes for the six searches. Standard output is
  // read too, so the engine never blocks on a full pipe.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(10);
  while (nodes.empty() && std::chrono::steady_clock::now() < deadline) {
    while (engine.read_line(line, 10)) {
    }
    if (engine.read_error_line(line, 100) && line.rfind(label, 0) == 0)
      nodes = line.substr(label.size());
  }

  EXPECT_EQ(nodes, BenchSignature);
  EXPECT_EQ(engine.wait_exit(), 0);
}
