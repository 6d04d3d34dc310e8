#include "talk/talk.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <vector>

#include "board/misc.h"
#include "board/position.h"
#include "platform/platform.h"
#include "talk/phrases.h"
#include "uci/uci.h"

namespace {

// Phrase memory: which phrase of which group and language was said, kept
// across runs so a group is used up before any of its phrases repeats.
// Keys are ordered byte by byte (std::string's own order).
std::map<std::string, int> phrase_state;
bool tracker_loaded = false;
const std::string TRACKER_FILE = "vynconf.vyn";
std::mutex tracker_mutex;

// The commentary of the current game.
bool welcome_message_sent = false;
bool mate_sequence_active = false;
std::string pending_mate_message;
int talk_moves_since_last = 0;
int next_talk_after = std::rand() % 8 + 7;

uint64_t clock_ms() {
  return uint64_t(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

uint32_t next_random(uint64_t& s) {
  if (!s)
    s = 0x9E3779B97F4A7C15ULL;  // a zero state would stay zero
  s ^= s >> 12;
  s ^= s << 25;
  s ^= s >> 27;
  return uint32_t(s * 0x2545F4914F6CDD1DULL);
}

// A decimal int as a standard conversion reads it (leading white space
// skipped, trailing text ignored); false when there is none or it does not
// fit an int.
bool parse_value(const std::string& text, int& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(begin, &end, 10);
  if (end == begin || errno == ERANGE || v < INT_MIN || v > INT_MAX)
    return false;
  value = int(v);
  return true;
}

// Reads the file as far as it is valid: a bad value ends the reading there.
void load_phrase_memory() {
  std::ifstream in(Platform::to_path(TRACKER_FILE));
  if (!in)
    return;

  std::string line;
  while (std::getline(in, line)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
      continue;

    int value;
    if (!parse_value(line.substr(eq + 1), value))
      break;
    phrase_state[line.substr(0, eq)] = value;
  }
}

// Written beside the file and renamed over it, so that a crash while writing
// never leaves a truncated memory behind.
void save_phrase_memory() {
  const std::string temp = TRACKER_FILE + ".tmp";
  {
    std::ofstream out(Platform::to_path(temp), std::ios::out | std::ios::trunc);
    if (!out)
      return;
    for (const auto& e : phrase_state)
      out << e.first << '=' << e.second << '\n';
    out.close();
    if (!out) {
      std::remove(temp.c_str());
      return;
    }
  }
  if (!Platform::replace_file(temp, TRACKER_FILE))
    std::remove(temp.c_str());
}

void say(const std::string& text) { sync_cout << "info string " << text << sync_endl; }

// The score of the best root move, or false when there is nothing to comment
// on: no move at all (the no-legal-move root holds one empty entry) or a
// search stopped before it scored anything.
bool root_score(const Search::RootMoves& rootMoves, Value& v) {
  if (rootMoves.empty() || rootMoves[0].pv.empty() || rootMoves[0].pv[0] == MOVE_NONE)
    return false;
  v = rootMoves[0].score;
  return v >= -VALUE_MATE && v <= VALUE_MATE;
}

}  // namespace

namespace Talk {

void forget_phrase_memory() {
  std::lock_guard<std::mutex> lock(tracker_mutex);
  phrase_state.clear();
  tracker_loaded = false;
}

int get_unused_phrase_index(const std::string& key, int count, bool italian) {
  if (count < 1)  // a group without phrases has nothing to choose from
    return 0;

  {
    std::lock_guard<std::mutex> lock(tracker_mutex);
    if (!tracker_loaded) {
      load_phrase_memory();
      tracker_loaded = true;
    }
  }

  const std::string prefix = key + (italian ? "_it_" : "_en_");
  std::vector<int> candidates;

  for (int i = 0; i < count; ++i)
    if (phrase_state[prefix + std::to_string(i)] == 0)
      candidates.push_back(i);

  // Every phrase said: the group starts over.
  if (candidates.empty())
    for (int i = 0; i < count; ++i) {
      phrase_state[prefix + std::to_string(i)] = 0;
      candidates.push_back(i);
    }

  static uint64_t rng = clock_ms();
  const int pick = candidates[next_random(rng) % candidates.size()];
  phrase_state[prefix + std::to_string(pick)] = 1;

  {
    std::lock_guard<std::mutex> lock(tracker_mutex);
    save_phrase_memory();
  }
  return pick;
}

namespace {

// The remark generator: seeded on its first use from the root key and the clock.
uint64_t remarkRng = 0;
bool remarkRngSeeded = false;

}  // namespace

void seed_remarks(uint64_t s) {
  remarkRng = s;
  remarkRngSeeded = true;
}

std::string get_talk_message(Value v, bool mate, bool italian, uint64_t seed) {
  const char* group = mate        ? "mat"
                      : v > 200   ? "win"
                      : v > 50    ? "adv"
                      : v >= -49  ? "eq"
                      : v >= -199 ? "dis"
                                  : "los";

  if (!remarkRngSeeded) {
    remarkRng = seed ^ clock_ms();
    remarkRngSeeded = true;
  }

  // Three remarks in ten are a quotation or a piece of chess history.
  const char* chosen = next_random(remarkRng) % 100 > 29 ? group : "gmq";
  const std::vector<std::string>& list = phrases(chosen, italian);
  return list[size_t(get_unused_phrase_index(chosen, int(list.size()), italian))];
}

std::string get_farewell_message(bool italian) {
  const std::vector<std::string>& list = phrases("far", italian);
  return list[size_t(get_unused_phrase_index("far", int(list.size()), italian))];
}

void reset() {
  welcome_message_sent = false;
  pending_mate_message.clear();
  mate_sequence_active = false;
  talk_moves_since_last = 0;
  next_talk_after = std::rand() % 8 + 7;
}

void on_search_end(const Position& rootPos, const Search::RootMoves& rootMoves, bool infinite) {
  if (!int(Options["Talk"]))
    return;

  if (!welcome_message_sent) {
    const bool italian = int(Options["Italian Talk"]);
    const std::vector<std::string>& list = phrases("wel", italian);
    say(list[size_t(get_unused_phrase_index("wel", int(list.size()), italian))]);
    welcome_message_sent = true;
  }

  Value v;
  if (infinite || !root_score(rootMoves, v))
    return;

  const bool italian = int(Options["Italian Talk"]);
  const Key key = rootPos.key();
  std::string text;

  if (v >= -31893 && v <= 31893) {
    if (rootPos.is_draw()) {
      const std::string farewell = get_farewell_message(italian);  // picked before the draw phrase
      const std::vector<std::string>& list = phrases("dra", italian);
      text = list[size_t(get_unused_phrase_index("dra", int(list.size()), italian))] + " " + farewell;
      pending_mate_message.clear();
      mate_sequence_active = false;
    } else {
      // The announced mate did not come.
      if (mate_sequence_active) {
        mate_sequence_active = false;
        pending_mate_message.clear();
      }

      if (rootPos.game_ply() > 6) {
        ++talk_moves_since_last;

        if (v > 31887 || v < -31887)
          text = get_talk_message(v, false, italian, key);
        else if (talk_moves_since_last >= next_talk_after) {
          talk_moves_since_last = 0;
          next_talk_after = std::rand() % 8 + 7;
          text = get_talk_message(v, false, italian, key);
        }
      }
    }
  } else {
    const int pliesToMate = VALUE_MATE - (v > 0 ? int(v) : -int(v));

    if (pliesToMate <= 2) {
      const std::string farewell = get_farewell_message(italian);  // picked before the mate phrase
      text = (pending_mate_message.empty() ? get_talk_message(v, true, italian, key) : pending_mate_message) + " "
             + farewell;
      pending_mate_message.clear();
      mate_sequence_active = false;
    } else if (!mate_sequence_active) {
      pending_mate_message = get_talk_message(v, true, italian, key);
      mate_sequence_active = true;
      text = pending_mate_message;
    }
  }

  if (!text.empty())
    say(text);
}

}  // namespace Talk
