#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "personalities/personality.h"

TEST(PersonalityRecord, FreshRecordHoldsTheDefaults) {
  const Personality::PersonalityData d;
  EXPECT_EQ(d.name, "Default");
  EXPECT_EQ(d.descriptionIt, "Personalit\xC3\xA0 predefinita");
  EXPECT_EQ(d.elo, 2900);
  EXPECT_DOUBLE_EQ(d.drawAvoidance, 0.5);
  EXPECT_DOUBLE_EQ(d.hangingFear, 1.0);
  EXPECT_EQ(d.thinkingPace, 35);
  EXPECT_TRUE(d.bookEnabled);
  EXPECT_TRUE(d.bookFile.empty());
  EXPECT_EQ(d.bookDepth, 20);
  EXPECT_EQ(d.bookVariety, 50);
}

TEST(PersonalityRecord, RoundEloPicksTheNearestLowerOnTies) {
  const struct {
    int elo, rung;
  } cases[] = {{500, 500},   {649, 500},    {650, 500},  {651, 800},       {1150, 1000},
               {2875, 2850}, {2876, 2900},  {0, 500},    {-7000, 500},     {5000, 2900},
               {INT32_MIN, 500}, {INT32_MAX, 2900}};
  for (const auto& c : cases)
    EXPECT_EQ(Personality::round_elo(c.elo), c.rung) << c.elo;
}

// Runs after the checks of the inactive state, since activation is for good.
TEST(PersonalityRecord, ActivationPublishesSaneWeights) {
  if (!Personality::is_active()) {
    EXPECT_EQ(Personality::get_active_name(), "Default");
    const Personality::EvalWeights w = Personality::eval_weights();
    EXPECT_DOUBLE_EQ(w.mobility, 1.0);
  }

  Personality::PersonalityData d;
  d.name = "Tester";
  d.elo = 2222;
  d.pawnStructureWeight = std::numeric_limits<double>::quiet_NaN();
  d.spaceWeight = std::numeric_limits<double>::infinity();
  d.mobilityWeight = 1e300;
  d.initiativeWeight = -1e300;
  d.hangingFear = 0.25;
  Personality::set_active(d);

  EXPECT_TRUE(Personality::is_active());
  EXPECT_EQ(Personality::get_active_name(), "Tester");
  EXPECT_EQ(Personality::get_active_elo(), 2222);  // not rounded

  const Personality::EvalWeights w = Personality::eval_weights();
  EXPECT_DOUBLE_EQ(w.pawnStructure, 1.0);
  EXPECT_DOUBLE_EQ(w.space, 1.0);
  EXPECT_DOUBLE_EQ(w.mobility, 1e300);  // kept: the evaluation saturates
  EXPECT_DOUBLE_EQ(w.initiative, -1e300);
  EXPECT_DOUBLE_EQ(w.hanging, 0.25);

  Personality::set_active(Personality::PersonalityData());
}
