#include <algorithm>
#include <cctype>
#include <climits>
#include <mutex>
#include <vector>

#include "board/misc.h"
#include "personalities/personality.h"
#include "search/search.h"
#include "search/thread.h"
#include "search/tt.h"
#include "tablebases/tbprobe.h"
#include "uci/uci.h"

UCI::OptionsMap Options;

namespace UCI {

namespace {

size_t insert_order = 0;

// Guards the text values: the command loop writes them while search threads
// may read them.
std::mutex& text_mutex() {
  static std::mutex m;
  return m;
}

std::atomic<const Option*> EloOption{nullptr};

// Whether a combo's listed values all begin with a number (the Elo ladder).
bool is_numbered(const std::string& comboValues) {
  size_t start = 0;
  while (start <= comboValues.size()) {
    const size_t end = std::min(comboValues.find('|', start), comboValues.size());
    int n;
    if (!parse_int(comboValues.substr(start, end - start), n))
      return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

bool parse_int(const std::string& s, int& result) {
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
    ++i;

  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-'))
    negative = s[i++] == '-';

  if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i])))
    return false;

  long long v = 0;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > (long long)INT_MAX + 1)
      return false;
  }

  v = negative ? -v : v;
  if (v > INT_MAX || v < INT_MIN)
    return false;

  result = int(v);
  return true;
}

int elo_level() {
  const Option* o = EloOption.load(std::memory_order_acquire);
  return o ? int(*o) : 2900;
}

bool CaseInsensitiveLess::operator()(const std::string& s1, const std::string& s2) const {
  return std::lexicographical_compare(s1.begin(), s1.end(), s2.begin(), s2.end(), [](char c1, char c2) {
    return std::tolower(static_cast<unsigned char>(c1)) < std::tolower(static_cast<unsigned char>(c2));
  });
}

Option& OptionsMap::operator[](const std::string& name) {
  if (!sealed)
    return std::map<std::string, Option, CaseInsensitiveLess>::operator[](name);

  auto it = find(name);
  if (it != end())
    return it->second;

  // An unknown name after start-up reads as an empty button and stores nothing.
  static thread_local Option inert;
  return inert;
}

// The handlers resize or clear what a search uses; the command loop runs
// them only while no search runs.
void on_clear_hash(const Option&) { Search::clear(); }
void on_threads(const Option&) {
  if (!Threads.empty())  // the pool is created after the options
    Threads.read_uci_options();
}
void on_hash_size(const Option& o) { TT.resize(size_t(int(o))); }

void on_tb_path(const Option& o) { Tablebases::init(std::string(o)); }

void on_logger(const Option& o) { start_logger(o); }

bool is_hidden_option(const std::string& name) {
  static const char* const hidden[] = {
      "Contempt",         "Skill Level",        "Move Overhead",    "Minimum Thinking Time",
      "Slow Mover",       "nodestime",          "SyzygyPath",       "SyzygyProbeDepth",
      "Syzygy50MoveRule", "SyzygyProbeLimit",   "VYN Corvastel Elo", "Personality",
      "Book Enabled",     "Book File",          "Book Depth",       "Book Variety"};

  for (const char* h : hidden)
    if (name == h)
      return true;
  return false;
}

void init(OptionsMap& o) {
  if (o.is_sealed())
    return;  // filled once per run

  std::string eloLadder;
  for (int i = 0; i < Personality::EloLadderSize; ++i)
    eloLadder += std::string(i ? "|" : "") + Personality::EloLabels[i];

  o["Personality"] << Option("VYN_26.8_Corvastel", on_personality_select);
  o["Personality File"] << Option("<empty>", on_personality_select);
  o["Explore Personalities"] << Option(on_open_explorer);
  o["Create Personality"] << Option(on_open_creator);
  o["Talk"] << Option(false);
  o["Italian Talk"] << Option(false);
  o["UCI_Chess960"] << Option(false);
  o["Ponder"] << Option(false);
  o["Threads"] << Option(1, 1, 8, on_threads);
  o["Hash"] << Option(16, 16, 1024, on_hash_size);
  o["Clear Hash"] << Option(on_clear_hash);
  o["MultiPV"] << Option(1, 1, 5);
  o["Show PV"] << Option(true);
  o["Skill Level"] << Option(10, 1, 10);
  o["Contempt"] << Option(0, -100, 100);
  o["Move Overhead"] << Option(30, 0, 5000);
  o["Minimum Thinking Time"] << Option(0, 0, 5000);
  o["Slow Mover"] << Option(10, 10, 1000);
  o["nodestime"] << Option(0, 0, 10000);
  o["SyzygyPath"] << Option("<empty>", on_tb_path);
  o["SyzygyProbeDepth"] << Option(1, 1, 100);
  o["Syzygy50MoveRule"] << Option(true);
  o["SyzygyProbeLimit"] << Option(6, 0, 6);
  o["Book Enabled"] << Option(false);
  o["Book File"] << Option("");
  o["Book Depth"] << Option(20, 0, 100);
  o["Book Variety"] << Option(50, 0, 100);
  o["VYN Corvastel Elo"] << Option("2900 World Elite", eloLadder.c_str());

  if (&o == &Options)
    EloOption.store(&o["VYN Corvastel Elo"], std::memory_order_release);

  o.seal();

  if (&o == &Options)
    Personality::load_default();
}

std::ostream& operator<<(std::ostream& os, const OptionsMap& om) {
  std::vector<std::pair<const std::string*, const Option*>> ordered;
  for (const auto& it : om)
    ordered.emplace_back(&it.first, &it.second);

  std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.second->idx < b.second->idx; });

  for (const auto& entry : ordered) {
    const std::string& name = *entry.first;
    const Option& o = *entry.second;

    if (is_hidden_option(name))
      continue;

    os << "\noption name " << name << " type " << o.type;

    if (o.type == "combo") {
      os << " default " << o.defaultValue;
      size_t start = 0;
      while (start <= o.comboValues.size()) {
        const size_t end = std::min(o.comboValues.find('|', start), o.comboValues.size());
        os << " var " << o.comboValues.substr(start, end - start);
        start = end + 1;
      }
    }

    if (o.type == "string" || o.type == "check" || o.type == "spin")
      os << " default " << o.defaultValue;

    if (o.type == "spin")
      os << " min " << o.min << " max " << o.max;
  }

  return os;
}

Option::Option(const char* v, OnChange f)
    : type("string"), min(0), max(0), idx(0), on_change(f), intValue(0) {
  defaultValue = currentValue = v;
}

Option::Option(bool v, OnChange f) : type("check"), min(0), max(0), idx(0), on_change(f), intValue(v) {
  defaultValue = currentValue = (v ? "true" : "false");
}

Option::Option(OnChange f) : type("button"), min(0), max(0), idx(0), on_change(f), intValue(0) {}

Option::Option(int v, int minv, int maxv, OnChange f)
    : type("spin"), min(minv), max(maxv), idx(0), on_change(f), intValue(v) {
  defaultValue = currentValue = std::to_string(v);
}

Option::Option(const char* v, const char* list, OnChange f)
    : type("combo"), comboValues(list), min(0), max(0), idx(0), on_change(f), intValue(0) {
  defaultValue = currentValue = v;
  int n;
  if (parse_int(currentValue, n))
    intValue = n;
}

Option::Option(const Option& o)
    : defaultValue(o.defaultValue),
      currentValue(std::string(o)),
      type(o.type),
      comboValues(o.comboValues),
      min(o.min),
      max(o.max),
      idx(o.idx),
      on_change(o.on_change),
      intValue(int(o)) {}

void Option::operator<<(const Option& o) {
  defaultValue = o.defaultValue;
  store(std::string(o));
  intValue = int(o);
  type = o.type;
  comboValues = o.comboValues;
  min = o.min;
  max = o.max;
  on_change = o.on_change;
  idx = insert_order++;
}

Option::operator std::string() const {
  std::lock_guard<std::mutex> lock(text_mutex());
  return currentValue;
}

void Option::store(const std::string& v) {
  std::lock_guard<std::mutex> lock(text_mutex());
  currentValue = v;
}

Option& Option::operator=(const std::string& v) {
  if (type != "button" && v.empty())
    return *this;

  if (type == "check" && v != "true" && v != "false")
    return *this;

  int n = 0;
  if (type == "spin" && (!parse_int(v, n) || n < min || n > max))
    return *this;

  // A numbered combo (the Elo ladder) takes any value that begins with a
  // number, on the ladder or not, but never one whose integer reading would
  // be garbage.
  if (type == "combo" && !parse_int(v, n) && is_numbered(comboValues))
    return *this;

  if (type != "button") {
    store(v);
    intValue.store(type == "spin" || type == "combo" ? n : (v == "true"), std::memory_order_relaxed);
  }

  if (on_change)
    on_change(*this);

  return *this;
}

}  // namespace UCI
