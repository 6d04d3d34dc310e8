#ifndef VYN_PERSONALITIES_PERSONALITY_H
#define VYN_PERSONALITIES_PERSONALITY_H

#include <string>

namespace Personality {

// One personality: its texts, target Elo, multipliers, book and time settings.
struct PersonalityData {
  std::string name = "Default";
  std::string author = "VYN Team";
  std::string description = "Default personality";
  std::string descriptionIt = "Personalit\xC3\xA0 predefinita";
  std::string version = "1.0";
  int elo = 2900;

  double pawnStrengthMg = 1.0;
  double knightStrengthMg = 1.0;
  double bishopStrengthMg = 1.0;
  double rookStrengthMg = 1.0;
  double queenStrengthMg = 1.0;
  double pawnStrengthEg = 1.0;
  double knightStrengthEg = 1.0;
  double bishopStrengthEg = 1.0;
  double rookStrengthEg = 1.0;
  double queenStrengthEg = 1.0;

  double pawnStructureWeight = 1.0;
  double passedPawnsWeight = 1.0;
  double spaceWeight = 1.0;
  double kingSafetyWeight = 1.0;
  double mobilityWeight = 1.0;
  double initiativeWeight = 1.0;
  double hangingFear = 1.0;

  double sacrificeTendency = 1.0;
  double attackAggression = 1.0;
  double defenseSolidity = 1.0;
  double materialGrab = 1.0;
  double blunderResistance = 1.0;

  double centerControl = 1.0;
  double flankPlay = 1.0;
  double openFilePreference = 1.0;
  double outpostPreference = 1.0;
  double bishopPairBonus = 1.0;
  double rook7thRank = 1.0;

  double drawAvoidance = 0.5;
  double riskTolerance = 1.0;
  double timePressure = 1.0;
  double optimismBias = 1.0;

  bool bookEnabled = true;
  std::string bookFile;
  int bookDepth = 20;
  int bookVariety = 50;

  int thinkingPace = 35;
  int willToWin = 0;
  int minimumReflection = 0;
};

// The five multipliers the evaluation reads, as it may use them: 1.0 each
// while no personality is active and a non-finite value read as 1.0. Any
// finite value, however large, is kept; the evaluation saturates what it
// computes from them.
struct EvalWeights {
  double pawnStructure;
  double space;
  double mobility;
  double initiative;
  double hanging;
};

constexpr int EloLadderSize = 12;
extern const int EloLadder[EloLadderSize];
extern const char* const EloLabels[EloLadderSize];

bool is_active();
const PersonalityData& get_active_data();
std::string get_active_name();
int get_active_elo();
int round_elo(int elo);

// Race-free read for the search threads; see EvalWeights.
EvalWeights eval_weights();

// Reads a personality file into data (only the keys it holds change); false,
// with a warning line, when the file cannot be opened.
bool load(const std::string& path, PersonalityData& data);

// Makes pd the active personality, mirrors it into the options and loads its
// book. Runs on the command loop's thread while no search runs.
void apply(const PersonalityData& pd);

// Loads and applies the default personality file unless one is active.
void load_default();

// Makes a copy of data the active record. Runs on the command loop's thread
// only, never while a search runs.
void set_active(const PersonalityData& data);

}  // namespace Personality

// The path of the personality last selected through the personality options.
extern std::string CurrentPersonalityFile;

#endif
