#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "uci/uci.h"

namespace {

int handlerCalls = 0;
void count_call(const UCI::Option&) { ++handlerCalls; }

class OptionsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UCI::init(Options); }
  void SetUp() override { handlerCalls = 0; }
};

std::string listing() {
  std::ostringstream ss;
  ss << Options;
  return ss.str();
}

}  // namespace

TEST_F(OptionsTest, ListingShowsTheTwelveVisibleOptionsInTableOrder) {
  const std::string expected =
      "\noption name Personality File type string default <empty>"
      "\noption name Explore Personalities type button"
      "\noption name Create Personality type button"
      "\noption name Talk type check default false"
      "\noption name Italian Talk type check default false"
      "\noption name UCI_Chess960 type check default false"
      "\noption name Ponder type check default false"
      "\noption name Threads type spin default 1 min 1 max 8"
      "\noption name Hash type spin default 16 min 16 max 1024"
      "\noption name Clear Hash type button"
      "\noption name MultiPV type spin default 1 min 1 max 5"
      "\noption name Show PV type check default true";
  EXPECT_EQ(listing(), expected);
  EXPECT_EQ(Options.size(), 28u);
}

TEST_F(OptionsTest, SpinBoundsAreInclusiveAndRefusalsKeepTheValue) {
  UCI::Option& multiPV = Options["MultiPV"];
  const struct {
    const char* value;
    int expected;
  } cases[] = {
      {"5", 5},        // max accepted
      {"6", 5},        // above max refused
      {"1", 1},        // min accepted
      {"0", 1},        // below min refused
      {"3abc", 3},     // leading number taken
      {"abc", 3},      // no number refused
      {"", 3},         // empty refused
      {"99999999999", 3},  // out of 32 bits refused
      {" +2", 2},      // blanks and sign allowed
  };
  for (const auto& c : cases) {
    multiPV = std::string(c.value);
    EXPECT_EQ(int(multiPV), c.expected) << c.value;
  }
  EXPECT_EQ(std::string(multiPV), " +2");  // stored exactly as given
  multiPV = std::string("1");
}

TEST_F(OptionsTest, CheckAcceptsOnlyLowerCaseTrueAndFalse) {
  UCI::Option& talk = Options["talk"];  // names ignore case
  for (const char* bad : {"TRUE", "1", "yes", ""}) {
    talk = std::string(bad);
    EXPECT_EQ(std::string(talk), "false") << bad;
  }
  talk = std::string("true");
  EXPECT_EQ(int(talk), 1);
  talk = std::string("false");
  EXPECT_EQ(int(talk), 0);
}

TEST_F(OptionsTest, EloComboTakesAnyLeadingNumberAndKeepsItOtherwise) {
  UCI::Option& elo = Options["VYN Corvastel Elo"];
  EXPECT_EQ(UCI::elo_level(), 2900);

  const struct {
    const char* value;
    int expected;
  } cases[] = {
      {"1500 Strong Club", 1500},
      {"2875", 2875},          // off the ladder, stored as given
      {"1234 Odd", 1234},
      {"0", 0},
      {"World Elite", 0},      // no number: the old value stays
      {"", 0},
      {"99999999999 x", 0},    // beyond 32 bits
      {"2875 Custom", 2875},
  };
  for (const auto& c : cases) {
    elo = std::string(c.value);
    EXPECT_EQ(UCI::elo_level(), c.expected) << c.value;
  }
  EXPECT_EQ(std::string(elo), "2875 Custom");

  elo = std::string("2900 World Elite");
  EXPECT_EQ(UCI::elo_level(), 2900);
}

TEST_F(OptionsTest, UnknownNamesNeverInsertAfterStartUp) {
  UCI::Option& ghost = Options["No Such Option"];
  EXPECT_EQ(int(ghost), 0);
  EXPECT_EQ(std::string(ghost), "");
  ghost = std::string("42");
  EXPECT_EQ(std::string(Options["No Such Option"]), "");
  EXPECT_EQ(Options.count("No Such Option"), 0u);
  EXPECT_EQ(Options.size(), 28u);
}

TEST_F(OptionsTest, ChangedValueStillListsItsDefault) {
  Options["Hash"] = std::string("1024");
  EXPECT_EQ(int(Options["Hash"]), 1024);
  EXPECT_NE(listing().find("option name Hash type spin default 16 min 16 max 1024"), std::string::npos);
  Options["Hash"] = std::string("16");
}

TEST(OptionRecord, HandlerRunsOnEveryAcceptedAssignmentAndEveryButtonPress) {
  handlerCalls = 0;
  UCI::Option spin(10, 0, 20, count_call);
  spin = std::string("10");  // same value again still runs it
  spin = std::string("30");  // refused: no call
  EXPECT_EQ(handlerCalls, 1);

  UCI::Option button(count_call);
  button = std::string("");
  button = std::string("anything");
  EXPECT_EQ(handlerCalls, 3);
  EXPECT_EQ(std::string(button), "");

  UCI::Option combo("a", "a|b", count_call);
  combo = std::string("zzz");  // an unnumbered combo stores any value
  EXPECT_EQ(std::string(combo), "zzz");
  EXPECT_EQ(handlerCalls, 4);
}

TEST(OptionRecord, NamesCompareWithoutCase) {
  UCI::CaseInsensitiveLess less;
  EXPECT_FALSE(less("hash", "HASH"));
  EXPECT_FALSE(less("HASH", "hash"));
  EXPECT_TRUE(less("Has", "hash"));
  EXPECT_TRUE(less("clear hash", "Contempt"));
}

TEST(OptionRecord, HiddenNamesAreMatchedExactly) {
  EXPECT_TRUE(UCI::is_hidden_option("Contempt"));
  EXPECT_TRUE(UCI::is_hidden_option("nodestime"));
  EXPECT_FALSE(UCI::is_hidden_option("contempt"));
  EXPECT_FALSE(UCI::is_hidden_option("Hash"));
}
