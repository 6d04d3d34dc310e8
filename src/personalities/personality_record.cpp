#include <atomic>
#include <cmath>

#include "personalities/personality.h"

namespace Personality {

const int EloLadder[EloLadderSize] = {500, 800, 1000, 1300, 1500, 1800, 2000, 2300, 2500, 2700, 2850, 2900};

const char* const EloLabels[EloLadderSize] = {
    "500 Beginner", "800 Novice", "1000 Intermediate", "1300 Club",     "1500 Strong Club", "1800 Expert",
    "2000 CM",      "2300 FM",    "2500 IM",           "2700 GM",       "2850 Super GM",    "2900 World Elite"};

namespace {

PersonalityData active_personality;
std::atomic<bool> personality_active{false};

// Mirrors of the evaluation's multipliers, so search threads never read the
// record while the command loop replaces it.
std::atomic<double> weights[5] = {{1.0}, {1.0}, {1.0}, {1.0}, {1.0}};

double sane_weight(double w) { return std::isfinite(w) ? w : 1.0; }

}  // namespace

bool is_active() { return personality_active.load(std::memory_order_acquire); }

const PersonalityData& get_active_data() { return active_personality; }

std::string get_active_name() { return active_personality.name; }

int get_active_elo() { return active_personality.elo; }

int round_elo(int elo) {
  // 64-bit distances: no overflow for any 32-bit Elo.
  int best = EloLadder[0];
  long long bestDistance = std::llabs((long long)elo - EloLadder[0]);

  for (int i = 1; i < EloLadderSize; ++i) {
    const long long d = std::llabs((long long)elo - EloLadder[i]);
    if (d < bestDistance) {
      bestDistance = d;
      best = EloLadder[i];
    }
  }
  return best;
}

EvalWeights eval_weights() {
  if (!is_active())
    return {1.0, 1.0, 1.0, 1.0, 1.0};

  return {weights[0].load(std::memory_order_relaxed), weights[1].load(std::memory_order_relaxed),
          weights[2].load(std::memory_order_relaxed), weights[3].load(std::memory_order_relaxed),
          weights[4].load(std::memory_order_relaxed)};
}

void set_active(const PersonalityData& data) {
  active_personality = data;

  weights[0].store(sane_weight(data.pawnStructureWeight), std::memory_order_relaxed);
  weights[1].store(sane_weight(data.spaceWeight), std::memory_order_relaxed);
  weights[2].store(sane_weight(data.mobilityWeight), std::memory_order_relaxed);
  weights[3].store(sane_weight(data.initiativeWeight), std::memory_order_relaxed);
  weights[4].store(sane_weight(data.hangingFear), std::memory_order_relaxed);

  personality_active.store(true, std::memory_order_release);
}

}  // namespace Personality
