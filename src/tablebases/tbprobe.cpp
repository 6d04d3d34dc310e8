#include "tablebases/tbprobe.h"

// No table files are read yet: no table is ever found, so the search never
// probes (its cardinality is capped at MaxCardinality, 0).
namespace Tablebases {

int MaxCardinality = 0;

void init(const std::string&) { MaxCardinality = 0; }

int probe_wdl(Position&, int* success) {
  *success = 0;
  return 0;
}

int probe_dtz(Position&, int* success) {
  *success = 0;
  return 0;
}

bool root_probe(Position&, Search::RootMoves&, Value&) { return false; }

bool root_probe_wdl(Position&, Search::RootMoves&, Value&) { return false; }

}  // namespace Tablebases
