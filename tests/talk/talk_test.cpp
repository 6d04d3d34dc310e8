#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "board/movegen.h"
#include "search/search_support.h"
#include "support.h"
#include "talk/phrases.h"
#include "talk/talk.h"

namespace fs = std::filesystem;
using testing_support::Game;

namespace {

const char* const Middlegame = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 11";  // ply 20

// Every test runs in an empty working directory of its own (the phrase memory
// file lives there), as a fresh run with Talk on; Talk is off afterwards.
class TalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    search_support::start_engine();
    home = fs::current_path();
    dir = fs::temp_directory_path() / ("vyn_talk_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
    set_talk(true, false);
  }
  void TearDown() override {
    fs::current_path(home);
    std::error_code ec;
    fs::remove_all(dir, ec);
    set_talk(false, false);
  }

  static void set_talk(bool on, bool italian) {
    Options["Talk"] = std::string(on ? "true" : "false");
    Options["Italian Talk"] = std::string(italian ? "true" : "false");
    Talk::forget_phrase_memory();
    Talk::reset();
  }

  static void write_memory(const std::string& text) { std::ofstream("vynconf.vyn") << text; }
  static std::vector<std::string> memory_lines() {
    std::ifstream in("vynconf.vyn");
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
      lines.push_back(l);
    return lines;
  }
  static int used(const std::string& prefix) {
    int n = 0;
    for (const std::string& l : memory_lines())
      n += l.rfind(prefix, 0) == 0 && l.substr(l.find('=') + 1) != "0";
    return n;
  }

  // One commentary step: the texts of the "info string" lines it printed.
  static std::vector<std::string> step(const Position& pos, const Search::RootMoves& moves, bool infinite = false) {
    testing::internal::CaptureStdout();
    Talk::on_search_end(pos, moves, infinite);
    std::istringstream out(testing::internal::GetCapturedStdout());
    std::vector<std::string> texts;
    for (std::string l; std::getline(out, l);)
      texts.push_back(l.rfind("info string ", 0) == 0 ? l.substr(12) : "unexpected: " + l);
    return texts;
  }
  static Search::RootMoves scored(const Position& pos, Value v) {
    Search::RootMoves moves(1, Search::RootMove(MoveList<GEN_LEGAL>(pos).begin()->move));
    moves[0].score = v;
    return moves;
  }

  static bool is(const std::string& text, const char* group, bool italian = false) {
    for (const std::string& p : Talk::phrases(group, italian))
      if (p == text)
        return true;
    return false;
  }
  // A remark of the group, or a quotation said in its place.
  static bool remark(const std::string& text, const char* group, bool italian = false) {
    return is(text, group, italian) || is(text, "gmq", italian);
  }
  // The text before a trailing " <farewell>", or "" when there is none.
  static std::string before_farewell(const std::string& text, bool italian = false) {
    for (const std::string& f : Talk::phrases("far", italian))
      if (text.size() > f.size() + 1 && text.compare(text.size() - f.size() - 1, std::string::npos, " " + f) == 0)
        return text.substr(0, text.size() - f.size() - 1);
    return "";
  }

  fs::path home, dir;
};

}  // namespace

TEST_F(TalkTest, PhraseGroupsHaveTheirSizesInBothLanguages) {
  const std::pair<const char*, size_t> sizes[] = {{"wel", 7},  {"dra", 5},  {"far", 5},  {"win", 46}, {"adv", 41},
                                                  {"eq", 42},  {"dis", 42}, {"los", 43}, {"mat", 44}, {"gmq", 20}};
  for (const auto& [group, size] : sizes)
    for (bool italian : {false, true})
      EXPECT_EQ(Talk::phrases(group, italian).size(), size) << group << italian;
  EXPECT_EQ(Talk::phrases("win", false)[16], "Clear advantage: the open file has just asked permission to enter.");
  EXPECT_EQ(Talk::phrases("mat", true)[43],
            "Matto in vista: il computer calcola, ma anche lui gradisce una bella geometria dei pezzi.");
}

TEST_F(TalkTest, MemoryUsesUpAGroupBeforeStartingOverPerLanguage) {
  const int first = Talk::get_unused_phrase_index("win", 5, false);
  const std::vector<std::string> lines = memory_lines();
  ASSERT_EQ(lines.size(), 5u);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(lines[i], "win_en_" + std::to_string(i) + (i == first ? "=1" : "=0"));

  std::set<int> picks = {first};
  for (int i = 0; i < 4; ++i)
    picks.insert(Talk::get_unused_phrase_index("win", 5, false));
  EXPECT_EQ(picks.size(), 5u);
  Talk::get_unused_phrase_index("win", 5, false);
  EXPECT_EQ(used("win_en_"), 1);

  Talk::get_unused_phrase_index("win", 5, true);
  EXPECT_EQ(used("win_it_"), 1);
  EXPECT_EQ(used("win_en_"), 1);
}

// Each run reads what the one before it saved, so a group is used up across
// runs too; a save that could not replace the file kept the first run's.
TEST_F(TalkTest, MemoryAdvancesOverThreeRuns) {
  std::set<int> picks;
  for (int run = 1; run <= 3; ++run) {
    Talk::forget_phrase_memory();
    picks.insert(Talk::get_unused_phrase_index("win", 5, false));
    EXPECT_EQ(used("win_en_"), run);
  }
  EXPECT_EQ(picks.size(), 3u);
  EXPECT_FALSE(fs::exists("vynconf.vyn.tmp"));
}

TEST_F(TalkTest, MemoryCountsAnyNonZeroAsUsedAndStopsReadingAtABadValue) {
  write_memory("dra_en_0=2\ndra_en_1=-1\ndra_en_2= 1 x\n");
  EXPECT_EQ(Talk::get_unused_phrase_index("dra", 4, false), 3);

  for (const char* bad : {"abc", "", "-", "2147483648", "-2147483649"}) {
    Talk::forget_phrase_memory();
    write_memory(std::string("keep=1\nbad=") + bad + "\nlost=1\n");
    Talk::get_unused_phrase_index("far", 1, false);
    EXPECT_EQ(memory_lines(), (std::vector<std::string>{"far_en_0=1", "keep=1"})) << bad;
  }
}

TEST_F(TalkTest, MemoryKeysAreWrittenInByteOrder) {
  write_memory("~t=3\nZ=1\n");
  Talk::get_unused_phrase_index("win", 11, false);
  std::string keys;
  for (const std::string& l : memory_lines())
    keys += l.substr(0, l.find('=')) + " ";
  EXPECT_EQ(keys, "Z win_en_0 win_en_1 win_en_10 win_en_2 win_en_3 win_en_4 win_en_5 win_en_6 win_en_7 win_en_8 "
                  "win_en_9 ~t ");
}

TEST_F(TalkTest, TalkOffSaysNothingAndTouchesNoFile) {
  set_talk(false, true);
  Game middle(Middlegame);
  for (Value v : {Value(0), Value(31890), mate_in(7), mate_in(1)})
    for (int i = 0; i < 15; ++i)
      EXPECT_TRUE(step(middle.pos, scored(middle.pos, v)).empty());
  EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(TalkTest, WelcomeOncePerGameEvenWithoutMovesOrWhenInfinite) {
  Game start(testing_support::StartFen);
  const auto first = step(start.pos, scored(start.pos, Value(20)));
  ASSERT_EQ(first.size(), 1u);
  EXPECT_TRUE(is(first[0], "wel")) << first[0];
  EXPECT_TRUE(step(start.pos, scored(start.pos, Value(20))).empty());

  Search::clear();  // a new game
  const auto again = step(start.pos, {});
  ASSERT_EQ(again.size(), 1u);
  EXPECT_TRUE(is(again[0], "wel") && again[0] != first[0]) << again[0];

  set_talk(true, true);
  const auto italian = step(start.pos, scored(start.pos, Value(31890)), true);
  ASSERT_EQ(italian.size(), 1u);
  EXPECT_TRUE(is(italian[0], "wel", true)) << italian[0];
  for (Value v : {Value(31890), mate_in(5), mate_in(1)})
    EXPECT_TRUE(step(start.pos, scored(start.pos, v), true).empty());
}

TEST_F(TalkTest, RemarksComeEverySevenToFourteenSearchesPastPlySix) {
  Game ply6("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 4"),
      ply7("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 4");
  step(ply6.pos, {});  // the welcome
  for (int i = 0; i < 20; ++i)
    EXPECT_TRUE(step(ply6.pos, scored(ply6.pos, Value(-120))).empty());

  // Had the early searches counted, the first search past ply 6 would speak.
  std::vector<int> remarks;
  for (int i = 1; i <= 80; ++i)
    for (const std::string& text : step(ply7.pos, scored(ply7.pos, Value(-120)))) {
      EXPECT_TRUE(remark(text, "dis")) << text;
      remarks.push_back(i);
    }
  ASSERT_GE(remarks.size(), 5u);
  for (size_t k = 0; k < remarks.size(); ++k) {
    const int gap = remarks[k] - (k ? remarks[k - 1] : 0);
    EXPECT_TRUE(gap >= 7 && gap <= 14) << gap;
  }

  // Just short of mate, every search speaks; 31887 is an ordinary score.
  for (int v : {31888, -31893, 31888})
    EXPECT_EQ(step(ply7.pos, scored(ply7.pos, Value(v))).size(), 1u) << v;
  Talk::reset();
  EXPECT_EQ(step(ply7.pos, scored(ply7.pos, Value(31887))).size(), 1u);  // the welcome only
}

TEST_F(TalkTest, MateIsAnnouncedOnceAndRepeatedWithAFarewell) {
  Game middle(Middlegame);
  step(middle.pos, {});
  for (bool mated : {false, true}) {
    const auto v = [mated](int ply) { return mated ? mated_in(ply) : mate_in(ply); };
    const auto announced = step(middle.pos, scored(middle.pos, v(9)));
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_TRUE(remark(announced[0], "mat")) << announced[0];
    for (int ply : {7, 3})
      EXPECT_TRUE(step(middle.pos, scored(middle.pos, v(ply))).empty());
    const auto delivered = step(middle.pos, scored(middle.pos, v(2)));
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(before_farewell(delivered[0]), announced[0]);
  }

  // A vanished mate is dropped silently; a mate seen at once gets a fresh remark.
  const auto announced = step(middle.pos, scored(middle.pos, mate_in(5)));
  EXPECT_TRUE(step(middle.pos, scored(middle.pos, Value(300))).empty());
  const auto delivered = step(middle.pos, scored(middle.pos, VALUE_MATE));
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_TRUE(remark(before_farewell(delivered[0]), "mat")) << delivered[0];
  EXPECT_NE(before_farewell(delivered[0]), announced.at(0));
}

TEST_F(TalkTest, ADrawnBoardGetsADrawRemarkAndAFarewellAndCancelsTheMate) {
  set_talk(true, true);
  Game middle(Middlegame), repeated(testing_support::StartFen), fifty("8/8/4k3/8/8/3K4/8/3R4 b - - 100 80");
  ASSERT_TRUE(repeated.play("g1f3 g8f6 f3g1 f6g8"));
  step(middle.pos, {});
  const auto announced = step(middle.pos, scored(middle.pos, mated_in(6)));

  for (const Position* pos : {&repeated.pos, &fifty.pos, &repeated.pos}) {
    const auto said = step(*pos, scored(*pos, Value(0)));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_TRUE(is(before_farewell(said[0], true), "dra", true)) << said[0];
  }
  const auto delivered = step(middle.pos, scored(middle.pos, mated_in(2)));
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_NE(before_farewell(delivered[0], true), announced.at(0));
}

TEST_F(TalkTest, NoMoveAtTheRootIsNeverAMate) {
  Game mated("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3"), middle(Middlegame),
      stalemate("7k/5Q2/6K1/8/8/8/8/8 b - - 0 60");
  const Search::RootMoves none(1, Search::RootMove(MOVE_NONE));  // as the driver leaves it
  Search::RootMoves noneScored = none;
  noneScored[0].score = mated_in(0);

  EXPECT_EQ(step(mated.pos, none).size(), 1u);  // the welcome
  step(middle.pos, scored(middle.pos, mate_in(3)));
  for (const Position* pos : {&mated.pos, &stalemate.pos}) {
    EXPECT_TRUE(step(*pos, none).empty());
    EXPECT_TRUE(step(*pos, noneScored).empty());
  }
  // Nor is a move that the search never got to score.
  EXPECT_TRUE(step(middle.pos, scored(middle.pos, -VALUE_INFINITE)).empty());
}

TEST_F(TalkTest, TheRemarkGroupFollowsTheScore) {
  const std::pair<int, const char*> cases[] = {{201, "win"}, {200, "adv"}, {51, "adv"},  {50, "eq"},
                                               {-49, "eq"},  {-50, "dis"}, {-199, "dis"}, {-200, "los"}};
  for (const auto& [v, group] : cases) {
    int own = 0;
    for (int i = 0; i < 20; ++i) {
      const std::string text = Talk::get_talk_message(Value(v), false, true, 1);
      EXPECT_TRUE(remark(text, group, true)) << v << ": " << text;
      own += is(text, group, true);
    }
    EXPECT_GT(own, 0) << v;  // twenty quotations in a row: about 3 in 10^11
  }
}

TEST_F(TalkTest, ThreeRemarksInTenAreQuotationsWithAFixedGenerator) {
  auto groups = [] {
    std::string seq;
    for (int i = 0; i < 1000; ++i)
      seq += is(Talk::get_talk_message(Value(300), false, false, 0), "gmq", false) ? 'q' : 'w';
    return seq;
  };

  Talk::seed_remarks(20261208);
  const std::string first = groups();
  Talk::seed_remarks(20261208);
  EXPECT_EQ(groups(), first);  // the same generator state, the same choices

  const long quotes = std::count(first.begin(), first.end(), 'q');
  EXPECT_GT(quotes, 250);
  EXPECT_LT(quotes, 350);

  Talk::seed_remarks(0);  // a zero state must not freeze the generator
  const std::string fromZero = groups();
  EXPECT_NE(std::count(fromZero.begin(), fromZero.end(), 'q'), 0);
  EXPECT_NE(std::count(fromZero.begin(), fromZero.end(), 'w'), 0);
}

TEST_F(TalkTest, TheSearchSpeaksBeforeItsBestMove) {
  const std::string out = search_support::run("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 30", search_support::depth(3));
  const size_t line = out.rfind("info string ");
  ASSERT_NE(line, std::string::npos) << out;
  const std::string text = out.substr(line + 12, out.find('\n', line) - line - 12);
  EXPECT_TRUE(remark(before_farewell(text), "mat")) << text;
  EXPECT_EQ(out.find("bestmove a1a8", line), out.find('\n', line) + 1) << out;
}
