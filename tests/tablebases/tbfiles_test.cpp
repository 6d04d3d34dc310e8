#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tablebases/tb_support.h"

using namespace tb_support;
namespace fs = std::filesystem;

namespace {

// Scratch directories of table files, copied or damaged per test.
class TablebaseFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!have_tables())
      GTEST_SKIP() << "Syzygy tables not found in " << SyzygyDir;
    root = fs::path(testing::TempDir()) / ("vyn_tb_" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
  }
  void TearDown() override {
    init_tables("<empty>");
    if (!root.empty())
      fs::remove_all(root);
  }

  std::string dir(const std::string& name) {
    fs::create_directories(root / name);
    return (root / name).string();
  }

  static std::string read(const std::string& file) {
    std::ifstream in(SyzygyDir + "/" + file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  static void write(const std::string& dir, const std::string& file, const std::string& bytes) {
    std::ofstream(dir + "/" + file, std::ios::binary | std::ios::trunc) << bytes;
  }

  fs::path root;
};

const char* const KQvK = "8/8/8/4k3/8/8/8/KQ6 w - - 0 1";
const char* const KRvK = "8/8/8/4k3/8/8/8/KR6 w - - 0 1";

}  // namespace

TEST_F(TablebaseFiles, PathListsAndEmptyValues) {
  const struct {
    std::string path;
    std::string printed;
    int cardinality;
  } cases[] = {
      {SyzygyDir, "info string Found 35 tablebases.\n", 4},
      {";" + SyzygyDir + ";;" + SyzygyDir + ";", "info string Found 35 tablebases.\n", 4},  // empty parts, twice
      {";", "info string Found 0 tablebases.\n", 0},
      {(root / "missing").string(), "info string Found 0 tablebases.\n", 0},
      {"<empty>", "", 0},
      {"", "", 0},
  };
  for (const auto& c : cases) {
    init_tables(SyzygyDir);
    EXPECT_EQ(init_tables(c.path), c.printed) << c.path;
    EXPECT_EQ(Tablebases::MaxCardinality, c.cardinality) << c.path;
    EXPECT_EQ(wdl(KQvK).success != 0, c.cardinality > 0) << c.path;
  }
}

TEST_F(TablebaseFiles, ReinitReplacesTheSetAndTheFirstDirectoryWins) {
  const std::string a = dir("a"), b = dir("b");
  for (const char* ext : {".rtbw", ".rtbz"}) {
    write(a, std::string("KQvK") + ext, read(std::string("KQvK") + ext));
    write(b, std::string("KRvK") + ext, read(std::string("KRvK") + ext));
  }

  EXPECT_EQ(init_tables(a), "info string Found 1 tablebases.\n");
  EXPECT_EQ(Tablebases::MaxCardinality, 3);
  EXPECT_EQ(wdl(KQvK).value, 2);
  EXPECT_EQ(wdl(KRvK).success, 0);

  EXPECT_EQ(init_tables(b), "info string Found 1 tablebases.\n");
  EXPECT_EQ(wdl(KQvK).success, 0);
  EXPECT_EQ(wdl(KRvK).value, 2);

  // A damaged copy earlier in the list hides the good one.
  write(b, "KQvK.rtbw", "not a table at all");
  init_tables(b + ";" + a);
  testing::internal::CaptureStdout();
  EXPECT_EQ(wdl(KQvK).success, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Corrupted table.\n");
  init_tables(a + ";" + b);
  EXPECT_EQ(wdl(KQvK).value, 2);

  // A file gone after start-up is reported once and probes fail.
  init_tables(a);
  fs::remove(a + "/KQvK.rtbw");
  testing::internal::CaptureStdout();
  EXPECT_EQ(wdl(KQvK).success, 0);
  EXPECT_EQ(wdl(KQvK).success, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Could not find KQvK.rtbw\n");
}

// GUIs send UTF-8: a folder such as C:\Users\José holds tables too.
TEST_F(TablebaseFiles, NonAsciiDirectoryIsSearched) {
  const fs::path d = root / fs::u8path(u8"tabl\u00e9s Jos\u00e9");
  fs::create_directories(d);
  for (const char* ext : {".rtbw", ".rtbz"})
    std::ofstream(d / (std::string("KQvK") + ext), std::ios::binary) << read(std::string("KQvK") + ext);

  EXPECT_EQ(init_tables(d.u8string()), "info string Found 1 tablebases.\n");
  EXPECT_EQ(wdl(KQvK).value, 2);
  EXPECT_TRUE(dtz(KQvK).success);
}

// Damage that must be caught when the table is set up: the table is refused
// with one message, and the other file of the pair stays usable. The losing
// side moves, so that the distance is read from the table.
TEST_F(TablebaseFiles, DamagedFilesAreRefused) {
  const struct {
    const char* table;
    const char* fen;
  } tables[] = {
      {"KQvK", "8/8/8/4k3/8/8/8/KQ6 b - - 0 1"},
      {"KPvK", "8/4P3/8/8/8/k7/8/4K3 b - - 0 1"},
      {"KRRvK", "4k3/8/8/8/8/8/RR6/4K3 b - - 0 1"},
      {"KPvKP", "8/4P3/p7/8/8/8/k7/4K3 b - - 0 1"},
  };
  for (const auto& t : tables)
    for (const char* ext : {".rtbw", ".rtbz"}) {
      const std::string good = read(std::string(t.table) + ext);
      const size_t n = good.size();
      std::string magic = good, counts = good;
      magic[1] ^= 0x40;
      counts[4] ^= 0x02;  // pawn flag contradicts the name
      const std::string damaged[] = {good.substr(0, 4), good.substr(0, 5), good.substr(0, 6), good.substr(0, 20),
                                     good.substr(0, 64), good.substr(0, n / 2), good.substr(0, n - 80), magic,
                                     counts};
      int variant = 0;
      for (const std::string& bytes : damaged) {
        const std::string d = dir(std::string(t.table) + ext + std::to_string(variant++));
        for (const char* e : {".rtbw", ".rtbz"})
          write(d, t.table + std::string(e), e == std::string(ext) ? bytes : read(t.table + std::string(e)));
        init_tables(d);

        Position pos;
        ASSERT_TRUE(pos.set(t.fen, false, nullptr));
        testing::internal::CaptureStdout();
        const Probe w1 = wdl(pos), w2 = wdl(pos), d1 = dtz(pos), d2 = dtz(pos);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, "Corrupted table.\n") << d;
        if (ext == std::string(".rtbw"))
          EXPECT_TRUE(w1.success == 0 && w2.success == 0 && d1.success == 0) << d;
        else
          EXPECT_TRUE(w1.success != 0 && d1.success == 0 && d2.success == 0) << d;
      }
    }

  // An empty file is no table; a missing DTZ file fails silently.
  const std::string d = dir("empty");
  write(d, "KQvK.rtbw", "");
  EXPECT_EQ(init_tables(d), "info string Found 0 tablebases.\n");
  write(d, "KQvK.rtbw", read("KQvK.rtbw"));
  init_tables(d);
  testing::internal::CaptureStdout();
  EXPECT_EQ(wdl(KQvK).value, 2);
  EXPECT_EQ(dtz(KQvK).success, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

  // Without DTZ the root falls back to the WDL ranking.
  Position pos;
  ASSERT_TRUE(pos.set(KQvK, false, nullptr));
  Search::RootMoves rootMoves;
  for (const ExtMove& m : MoveList<GEN_LEGAL>(pos))
    rootMoves.emplace_back(m.move);
  Value score;
  EXPECT_FALSE(Tablebases::root_probe(pos, rootMoves, score));
  EXPECT_TRUE(Tablebases::root_probe_wdl(pos, rootMoves, score));
  EXPECT_EQ(score, 31946);
}

// Bytes changed at random, mostly in the headers: whatever a probe reads
// stays inside the file and its answer inside the value ranges.
TEST_F(TablebaseFiles, RandomDamageStaysInBounds) {
  std::mt19937 rng(2718);
  const char* const tables[] = {"KQvK", "KPvK", "KRRvK", "KPPvK", "KNNvK", "KRvKP"};
  for (const char* t : tables) {
    const std::string d = dir(std::string("fuzz_") + t);
    for (int variant = 0; variant < 60; ++variant) {
      for (const char* ext : {".rtbw", ".rtbz"}) {
        std::string bytes = read(t + std::string(ext));
        const int changes = 1 + int(rng() % 4);
        for (int i = 0; i < changes; ++i) {
          const size_t at = rng() % 3 ? rng() % std::min<size_t>(bytes.size(), 160) : rng() % bytes.size();
          bytes[at] = char(bytes[at] ^ (1 + rng() % 255));
        }
        write(d, t + std::string(ext), bytes);
      }
      init_tables(d);

      testing::internal::CaptureStdout();
      for (int i = 0; i < 12; ++i) {
        Position pos;
        random_position(pos, t, i % 2 ? COLOR_BLACK : COLOR_WHITE, rng);
        const Probe w = wdl(pos), z = dtz(pos);
        EXPECT_TRUE(w.success >= 0 && w.success <= 2 && w.value >= -2 && w.value <= 2) << t << " " << pos.fen();
        EXPECT_TRUE(z.success >= 0 && z.success <= 2 && std::abs(z.value) < 1000) << t << " " << pos.fen();
        Search::RootMoves rootMoves;
        for (const ExtMove& m : MoveList<GEN_LEGAL>(pos))
          rootMoves.emplace_back(m.move);
        Value score;
        const size_t before = rootMoves.size();
        if (Tablebases::root_probe(pos, rootMoves, score) || Tablebases::root_probe_wdl(pos, rootMoves, score)) {
          EXPECT_TRUE(!rootMoves.empty() || before == 0) << t << " " << pos.fen();
        }
      }
      testing::internal::GetCapturedStdout();
    }
  }
}
