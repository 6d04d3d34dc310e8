#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "platform/platform.h"
#include "search/tt.h"

namespace {

// Keys of one cluster that differ in their check bits.
Key key_in(uint64_t check16, uint64_t index) { return (check16 << 48) | index; }

std::unique_ptr<TranspositionTable> small_table() {
  auto tt = std::make_unique<TranspositionTable>();
  tt->resize(1);
  return tt;
}

void store(TranspositionTable& tt, Key k, Depth d, Bound b = BOUND_LOWER, Move m = MOVE_NONE) {
  bool found;
  tt.probe(k, found)->save(k, Value(100), b, d, m, Value(5), tt.generation());
}

}  // namespace

TEST(TranspositionTable, SizeRoundsUpToPowerOfTwoClustersAndSameSizeKeepsContents) {
  const struct {
    size_t mb, clusters;
  } cases[] = {{0, 1}, {1, 32768}, {16, 524288}, {100, 4194304}, {1024, 33554432}};
  for (const auto& c : cases) {
    TranspositionTable tt;
    tt.resize(c.mb);
    EXPECT_EQ(tt.cluster_count(), c.clusters) << c.mb;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(tt.first_entry(0)) % Platform::large_alignment(), 0u) << c.mb;
  }

  TranspositionTable tt;
  tt.resize(16);
  const Key k = key_in(0x1234, 77);
  store(tt, k, Depth(9), BOUND_EXACT, Move(0x0ABC));
  bool found = false;
  tt.resize(16);
  EXPECT_TRUE(tt.probe(k, found) && found);
  tt.resize(17);  // 32 MB: a new, empty table
  tt.probe(k, found);
  EXPECT_FALSE(found);
}

TEST(TranspositionTable, ProbeOfEmptyClusterZeroCheckBitsAndClearedTable) {
  auto tt = small_table();
  bool found = true;
  const Key k = key_in(0xBEEF, 5), zeroTop = key_in(0, 6);
  EXPECT_EQ(tt->probe(k, found), tt->first_entry(k));
  EXPECT_FALSE(found);

  store(*tt, zeroTop, Depth(4));
  tt->probe(zeroTop, found);
  EXPECT_FALSE(found);  // its check bits look like an empty slot

  store(*tt, k, Depth(4));
  tt->probe(k, found);
  EXPECT_TRUE(found);
  tt->clear();
  tt->probe(k, found);
  EXPECT_FALSE(found);
}

// A new key takes the slot with the least depth minus twice its age (4 per
// generation); the first on ties.
TEST(TranspositionTable, ReplacementPrefersShallowAndOldEntries) {
  const struct {
    int depth[3], generationsOld[3], expected;
  } cases[] = {
      {{5, 3, 7}, {0, 0, 0}, 1},   {{4, 4, 4}, {0, 0, 0}, 0},  {{9, 2, 2}, {0, 0, 0}, 1},
      {{20, 1, 5}, {8, 0, 0}, 0},  {{1, 20, 5}, {0, 8, 0}, 1}, {{3, 3, 3}, {0, 1, 1}, 1},
      {{12, 4, 5}, {4, 0, 0}, 0},  {{12, 4, 5}, {1, 0, 0}, 0},  // 12 - 8 ties 4
      {{5, 10, 9}, {0, 1, 0}, 1},  {{0, DEPTH_NONE, 0}, {0, 0, 0}, 1},
  };
  for (int searches : {1, 10}) {  // 1: the old generations lie before the wrap
    for (const auto& c : cases) {
      auto tt = small_table();
      for (int i = 0; i < searches; ++i)
        tt->new_search();
      TTEntry* const first = tt->first_entry(key_in(0, 9));
      for (int i = 0; i < 3; ++i)
        first[i].save(key_in(0x100 + uint64_t(i), 9), Value(0), BOUND_EXACT, Depth(c.depth[i]), MOVE_NONE, Value(0),
                      uint8_t(tt->generation() - 4 * c.generationsOld[i]));
      bool found = true;
      EXPECT_EQ(tt->probe(key_in(0x999, 9), found) - first, c.expected) << c.depth[0] << c.depth[1] << c.depth[2];
      EXPECT_FALSE(found);
    }
  }
}

// Onto the same key: the move survives a store without one; a result two
// plies shallower changes the rest only when exact.
TEST(TranspositionTable, SaveRules) {
  const Move oldMove = Move(0x0111), newMove = Move(0x0222);
  const struct {
    int newDepth;
    Bound bound;
    Move move;
    bool overwrites;
    Move expectedMove;
  } cases[] = {
      {8, BOUND_LOWER, MOVE_NONE, false, oldMove}, {8, BOUND_UPPER, newMove, false, newMove},
      {8, BOUND_EXACT, MOVE_NONE, true, oldMove},  {9, BOUND_LOWER, MOVE_NONE, true, oldMove},
      {9, BOUND_UPPER, newMove, true, newMove},    {14, BOUND_LOWER, MOVE_NONE, true, oldMove},
      {DEPTH_NONE, BOUND_NONE, MOVE_NONE, false, oldMove},
  };
  for (const auto& c : cases) {
    auto tt = small_table();
    const Key k = key_in(0x7777, 12);
    store(*tt, k, Depth(10), BOUND_LOWER, oldMove);
    bool found;
    TTEntry* e = tt->probe(k, found);
    e->save(k, Value(-50), c.bound, Depth(c.newDepth), c.move, Value(7), tt->generation());
    EXPECT_EQ(e->move(), c.expectedMove) << c.newDepth;
    EXPECT_EQ(e->depth(), Depth(c.overwrites ? c.newDepth : 10)) << c.newDepth;
    EXPECT_EQ(e->value(), Value(c.overwrites ? -50 : 100)) << c.newDepth;
    EXPECT_EQ(e->bound(), c.overwrites ? c.bound : BOUND_LOWER) << c.newDepth;
  }
}

TEST(TranspositionTable, HashfullCountsThisSearchsEntriesAndProbeRefreshesOldOnes) {
  auto tt = small_table();
  EXPECT_EQ(tt->hashfull(), 0);  // empty slots are not full, even at generation 0
  tt->new_search();
  for (uint64_t idx = 0; idx <= 333; ++idx)  // one cluster beyond the sample
    for (uint64_t j = 0; j < 3; ++j)
      store(*tt, key_in(0x100 + j, idx), Depth(1), BOUND_UPPER);
  EXPECT_EQ(tt->hashfull(), 999);

  tt->new_search();
  EXPECT_EQ(tt->hashfull(), 0);
  bool found = false;
  TTEntry* e = tt->probe(key_in(0x101, 3), found);
  ASSERT_TRUE(found);
  EXPECT_EQ(e->bound(), BOUND_UPPER);
  EXPECT_EQ(tt->hashfull(), 1);

  for (int i = 0; i < 63; ++i)
    tt->new_search();  // the generation comes round again
  EXPECT_EQ(tt->hashfull(), 998);
}

TEST(TranspositionTableDeathTest, AllocationFailureReportsTheSizeAndExits) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(TranspositionTable().resize(size_t(1) << 36), ::testing::ExitedWithCode(1),
              "Failed to allocate 68719476736MB for transposition table\\.");
  EXPECT_EXIT(TranspositionTable().resize(SIZE_MAX), ::testing::ExitedWithCode(1),
              "Failed to allocate 18446744073709551615MB for transposition table\\.");
}

TEST(TranspositionTable, MateScoresAreStoredRelativeToTheNode) {
  const struct {
    Value v;
    int ply;
    Value stored;
  } cases[] = {
      {Value(VALUE_MATE - 10), 4, Value(VALUE_MATE - 6)},
      {Value(-VALUE_MATE + 10), 4, Value(-VALUE_MATE + 6)},
      {Value(150), 9, Value(150)},
      {Value(VALUE_MATE_IN_MAX_PLY - 1), 9, Value(VALUE_MATE_IN_MAX_PLY - 1)},
      {VALUE_NONE, 7, VALUE_NONE},  // "no value" never turns into a mate
  };
  for (const auto& c : cases) {
    EXPECT_EQ(value_to_tt(c.v, c.ply), c.stored) << c.v;
    EXPECT_EQ(value_from_tt(c.stored, c.ply), c.v) << c.v;
  }
  // A mate in 10 plies from ply 4, read back at ply 7, is a mate in 13.
  EXPECT_EQ(value_from_tt(value_to_tt(Value(VALUE_MATE - 10), 4), 7), Value(VALUE_MATE - 13));
}
