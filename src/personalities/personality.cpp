#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "board/misc.h"
#include "book/book.h"
#include "personalities/personality.h"
#include "platform/platform.h"
#include "uci/uci.h"

// The personality last picked through the personality options.
std::string CurrentPersonalityFile;

namespace Personality {

namespace {

const char* const Blanks = " \t\r\n";

int parse_int(const std::string& text, int fallback) {
  int v;
  return UCI::parse_int(text, v) ? v : fallback;
}

// As strtod reads it; the caller's errno is left as it was.
double parse_double(const std::string& text, double fallback) {
  const int savedErrno = errno;
  errno = 0;

  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  const bool ok = end != text.c_str() && errno != ERANGE;

  errno = savedErrno;
  return ok ? v : fallback;
}

std::string directory_name(const std::string& path) {
  const size_t pos = path.find_last_of("\\/");
  return pos == std::string::npos ? "" : path.substr(0, pos);
}

bool yes_no(std::string text) {
  for (char& c : text)
    c = char(std::tolower(static_cast<unsigned char>(c)));
  return !(text == "false" || text == "0" || text == "no");
}

bool can_open(const std::string& path) { return Platform::is_readable_file(path); }

// A relative book path is looked for beside the personality directory first,
// then inside it.
std::string resolve_book(const std::string& bookFile, const std::string& personalityPath) {
  const bool absolute = (bookFile.size() > 1 && bookFile[1] == ':') || bookFile.rfind("\\\\", 0) == 0
                        || bookFile.rfind("/", 0) == 0;
  if (absolute)
    return bookFile;

  const std::string pdir = directory_name(personalityPath);
  const std::string root = directory_name(pdir);

  const std::string candidate1 = root.empty() ? Platform::native_path(bookFile)
                                              : Platform::native_path(root + "\\" + bookFile);
  if (can_open(candidate1))
    return candidate1;

  if (!pdir.empty()) {
    const std::string candidate2 = Platform::native_path(pdir + "\\" + bookFile);
    if (can_open(candidate2))
      return candidate2;
  }

  return bookFile;
}

void store(PersonalityData& d, const std::string& section, const std::string& key, const std::string& value) {
  struct Real {
    const char* section;
    const char* key;
    double PersonalityData::*field;
    double fallback;
  };
  static const Real reals[] = {
      {"PIECE_VALUES", "VYN_PawnStrengthMg", &PersonalityData::pawnStrengthMg, 1.0},
      {"PIECE_VALUES", "VYN_KnightStrengthMg", &PersonalityData::knightStrengthMg, 1.0},
      {"PIECE_VALUES", "VYN_BishopStrengthMg", &PersonalityData::bishopStrengthMg, 1.0},
      {"PIECE_VALUES", "VYN_RookStrengthMg", &PersonalityData::rookStrengthMg, 1.0},
      {"PIECE_VALUES", "VYN_QueenStrengthMg", &PersonalityData::queenStrengthMg, 1.0},
      {"PIECE_VALUES", "VYN_PawnStrengthEg", &PersonalityData::pawnStrengthEg, 1.0},
      {"PIECE_VALUES", "VYN_KnightStrengthEg", &PersonalityData::knightStrengthEg, 1.0},
      {"PIECE_VALUES", "VYN_BishopStrengthEg", &PersonalityData::bishopStrengthEg, 1.0},
      {"PIECE_VALUES", "VYN_RookStrengthEg", &PersonalityData::rookStrengthEg, 1.0},
      {"PIECE_VALUES", "VYN_QueenStrengthEg", &PersonalityData::queenStrengthEg, 1.0},
      {"POSITIONAL", "VYN_PawnStructureWeight", &PersonalityData::pawnStructureWeight, 1.0},
      {"POSITIONAL", "VYN_PassedPawnsWeight", &PersonalityData::passedPawnsWeight, 1.0},
      {"POSITIONAL", "VYN_SpaceWeight", &PersonalityData::spaceWeight, 1.0},
      {"POSITIONAL", "VYN_KingSafetyWeight", &PersonalityData::kingSafetyWeight, 1.0},
      {"POSITIONAL", "VYN_MobilityWeight", &PersonalityData::mobilityWeight, 1.0},
      {"POSITIONAL", "VYN_InitiativeWeight", &PersonalityData::initiativeWeight, 1.0},
      {"POSITIONAL", "VYN_HangingFear", &PersonalityData::hangingFear, 1.0},
      {"TACTICAL", "VYN_SacrificeTendency", &PersonalityData::sacrificeTendency, 1.0},
      {"TACTICAL", "VYN_AttackAggression", &PersonalityData::attackAggression, 1.0},
      {"TACTICAL", "VYN_DefenseSolidity", &PersonalityData::defenseSolidity, 1.0},
      {"TACTICAL", "VYN_MaterialGrab", &PersonalityData::materialGrab, 1.0},
      {"TACTICAL", "VYN_BlunderResistance", &PersonalityData::blunderResistance, 1.0},
      {"STRATEGIC", "VYN_CenterControl", &PersonalityData::centerControl, 1.0},
      {"STRATEGIC", "VYN_FlankPlay", &PersonalityData::flankPlay, 1.0},
      {"STRATEGIC", "VYN_OpenFilePreference", &PersonalityData::openFilePreference, 1.0},
      {"STRATEGIC", "VYN_OutpostPreference", &PersonalityData::outpostPreference, 1.0},
      {"STRATEGIC", "VYN_BishopPairBonus", &PersonalityData::bishopPairBonus, 1.0},
      {"STRATEGIC", "VYN_Rook7thRank", &PersonalityData::rook7thRank, 1.0},
      {"PSYCHOLOGICAL", "VYN_DrawAvoidance", &PersonalityData::drawAvoidance, 0.5},
      {"PSYCHOLOGICAL", "VYN_RiskTolerance", &PersonalityData::riskTolerance, 1.0},
      {"PSYCHOLOGICAL", "VYN_TimePressure", &PersonalityData::timePressure, 1.0},
      {"PSYCHOLOGICAL", "VYN_OptimismBias", &PersonalityData::optimismBias, 1.0},
  };

  struct Integer {
    const char* section;
    const char* key;
    int PersonalityData::*field;
    int fallback;
  };
  static const Integer integers[] = {
      {"INFO", "Elo", &PersonalityData::elo, 2900},
      {"PSYCHOLOGICAL", "WillToWin", &PersonalityData::willToWin, 0},
      {"BOOK", "BookDepth", &PersonalityData::bookDepth, 20},
      {"BOOK", "BookVariety", &PersonalityData::bookVariety, 50},
      {"TIME", "ThinkingPace", &PersonalityData::thinkingPace, 35},
      {"TIME", "MinimumReflection", &PersonalityData::minimumReflection, 0},
  };

  struct Text {
    const char* section;
    const char* key;
    std::string PersonalityData::*field;
  };
  static const Text texts[] = {
      {"INFO", "Name", &PersonalityData::name},
      {"INFO", "Author", &PersonalityData::author},
      {"INFO", "Description", &PersonalityData::description},
      {"INFO", "Description_IT", &PersonalityData::descriptionIt},
      {"INFO", "Version", &PersonalityData::version},
      {"BOOK", "BookFile", &PersonalityData::bookFile},
  };

  for (const Real& r : reals)
    if (section == r.section && key == r.key) {
      d.*r.field = parse_double(value, r.fallback);
      return;
    }

  for (const Integer& i : integers)
    if (section == i.section && key == i.key) {
      d.*i.field = parse_int(value, i.fallback);
      return;
    }

  for (const Text& t : texts)
    if (section == t.section && key == t.key) {
      d.*t.field = value;
      return;
    }

  if (section == "BOOK" && key == "BookEnabled")
    d.bookEnabled = yes_no(value);
}

}  // namespace

bool load(const std::string& path, PersonalityData& data) {
  std::string text;
  if (!Platform::read_text_file(path, text)) {
    sync_cout << "info string Warning: Could not open personality file: " << path << sync_endl;
    return false;
  }

  std::istringstream file(text);
  std::string section, line;
  for (bool firstLine = true; std::getline(file, line); firstLine = false) {
    if (firstLine && line.rfind("\xEF\xBB\xBF", 0) == 0)
      line.erase(0, 3);  // a UTF-8 byte-order mark

    const size_t first = line.find_first_not_of(Blanks);
    if (first == std::string::npos)
      continue;
    line = line.substr(first, line.find_last_not_of(Blanks) - first + 1);

    if (line[0] == '#')
      continue;

    if (line[0] == '[' && line.back() == ']') {
      section = line.size() >= 2 ? line.substr(1, line.size() - 2) : "";
      continue;
    }

    const size_t eq = line.find('=');
    if (eq == std::string::npos)
      continue;

    std::string key;
    for (char c : line.substr(0, eq))
      if (c != ' ')
        key += c;

    std::string value = line.substr(eq + 1);
    const size_t vFirst = value.find_first_not_of(" \t");
    value = vFirst == std::string::npos ? "" : value.substr(vFirst, value.find_last_not_of(" \t") - vFirst + 1);

    store(data, section, key, value);
  }

  if (!data.bookFile.empty())
    data.bookFile = resolve_book(data.bookFile, path);

  return true;
}

void apply(const PersonalityData& pd) {
  set_active(pd);

  Options["Slow Mover"] = std::to_string(pd.thinkingPace);
  Options["Minimum Thinking Time"] = std::to_string(pd.minimumReflection);
  Options["Contempt"] = std::to_string(pd.willToWin);
  Options["VYN Corvastel Elo"] = std::to_string(round_elo(pd.elo));
  Options["Book Enabled"] = std::string(pd.bookEnabled ? "true" : "false");
  Options["Book File"] = pd.bookFile;
  Options["Book Depth"] = std::to_string(pd.bookDepth);
  Options["Book Variety"] = std::to_string(pd.bookVariety);

  if (pd.bookEnabled && !pd.bookFile.empty()) {
    if (Book::load(pd.bookFile))
      sync_cout << "info string Personality Book loaded: " << pd.bookFile << sync_endl;
    else
      sync_cout << "info string Warning: Could not load book: " << pd.bookFile << sync_endl;
  }

  sync_cout << "info string Personality loaded: " << pd.name << sync_endl;
}

void load_default() {
  if (is_active())
    return;

  PersonalityData data;
  if (load(Platform::native_path("personality\\VYN_26.8_Corvastel.ypf"), data))
    apply(data);
}

}  // namespace Personality

void UCI::on_personality_select(const Option& o) {
  std::string value = o;
  if (value.empty() || value == "<empty>")
    return;

  const bool hasExtension = value.size() >= 4 && value.compare(value.size() - 4, 4, ".ypf") == 0;
  std::string path;

  if (value.find_first_of("\\/:") == std::string::npos) {
    for (char& c : value)
      if (c == ' ')
        c = '_';
    path = Platform::native_path("personality\\" + value + (hasExtension ? "" : ".ypf"));
  } else
    path = Platform::native_path(value);

  Personality::PersonalityData record;
  if (!Personality::load(path, record)) {
    sync_cout << "info string Warning: Could not load personality file: " << path << sync_endl;
    return;
  }

  Personality::apply(record);
  CurrentPersonalityFile = path;
  sync_cout << "info string Personality selected: " << path << sync_endl;
}
