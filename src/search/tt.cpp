#include "search/tt.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "platform/platform.h"

TranspositionTable TT;

TranspositionTable::~TranspositionTable() { Platform::free_large(table, clusterCount * sizeof(Cluster)); }

// A store without a move keeps the move already known for this position, and
// a shallower non-exact result does not push out a deeper one.
void TTEntry::save(Key k, Value v, Bound b, Depth d, Move m, Value ev, uint8_t g) {
  const uint16_t k16 = uint16_t(k >> 48);

  if (m != MOVE_NONE || k16 != key16)
    move16 = uint16_t(m);

  if (k16 != key16 || d > depth8 - 2 || b == BOUND_EXACT) {
    key16 = k16;
    value16 = int16_t(v);
    eval16 = int16_t(ev);
    genBound8 = uint8_t(g | b);
    depth8 = int8_t(d);
  }
}

void TranspositionTable::resize(size_t mbSize) {
  // Beyond this the byte count below would wrap; no machine has that much.
  constexpr size_t MaxMb = SIZE_MAX >> 27;
  const size_t bytes = mbSize <= MaxMb ? mbSize << 20 : SIZE_MAX;

  // Round up, so the table never ends up smaller than asked for.
  size_t newClusterCount = 1;
  if (bytes > sizeof(Cluster))
    while (bytes / sizeof(Cluster) > newClusterCount)
      newClusterCount *= 2;

  if (newClusterCount == clusterCount)
    return;

  Platform::free_large(table, clusterCount * sizeof(Cluster));
  table = nullptr;
  clusterCount = 0;

  // Zeroed and on large pages where the system has them: a probe is a random
  // access, so most of its cost is cache and TLB misses.
  if (mbSize <= MaxMb)
    table = static_cast<Cluster*>(Platform::allocate_large(newClusterCount * sizeof(Cluster)));

  if (!table) {
    std::cerr << "Failed to allocate " << mbSize << "MB for transposition table." << std::endl;
    std::exit(1);
  }

  clusterCount = newClusterCount;

  // Fault the pages in now: a huge page's first touch costs the kernel
  // milliseconds, and the first search of a bullet game has none to spare.
  clear();
}

void TranspositionTable::clear() {
  if (table)
    std::memset(static_cast<void*>(table), 0, clusterCount * sizeof(Cluster));
}

TTEntry* TranspositionTable::probe(const Key key, bool& found) const {
  TTEntry* const tte = first_entry(key);
  const uint16_t key16 = uint16_t(key >> 48);  // high bits: the index uses the low ones

  for (int i = 0; i < ClusterSize; ++i)
    if (!tte[i].key16 || tte[i].key16 == key16) {
      if (tte[i].key16 && (tte[i].genBound8 & 0xFC) != generation8)
        tte[i].genBound8 = uint8_t(generation8 | tte[i].bound());

      found = tte[i].key16 != 0;
      return &tte[i];
    }

  // Replace the entry worth least: shallow and old. The 259 keeps the
  // difference positive across the wrap, and its 3 cancels the bound bits.
  TTEntry* replace = tte;
  for (int i = 1; i < ClusterSize; ++i)
    if (replace->depth8 - ((259 + generation8 - replace->genBound8) & 0xFC) * 2
        > tte[i].depth8 - ((259 + generation8 - tte[i].genBound8) & 0xFC) * 2)
      replace = &tte[i];

  found = false;
  return replace;
}

// Per mille of the first 999 entries written in this search. Empty slots do
// not count, even when the generation has wrapped back to zero.
int TranspositionTable::hashfull() const {
  const size_t clusters = clusterCount < 333 ? clusterCount : 333;
  int cnt = 0;

  for (size_t i = 0; i < clusters; ++i)
    for (int j = 0; j < ClusterSize; ++j)
      cnt += table[i].entry[j].key16 && (table[i].entry[j].genBound8 & 0xFC) == generation8;

  return cnt;
}
