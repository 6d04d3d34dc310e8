#ifndef VYN_UCI_UCI_H
#define VYN_UCI_UCI_H

#include <atomic>
#include <map>
#include <ostream>
#include <string>

#include "board/types.h"

class Position;

namespace UCI {

class Option;

// Option names match without regard to letter case.
struct CaseInsensitiveLess {
  bool operator()(const std::string&, const std::string&) const;
};

// All options by name. After start-up, subscripting with an unknown name
// yields an inert empty button instead of inserting one.
class OptionsMap : public std::map<std::string, Option, CaseInsensitiveLess> {
 public:
  Option& operator[](const std::string& name);
  void seal() { sealed = true; }
  bool is_sealed() const { return sealed; }

 private:
  bool sealed = false;
};

class Option {
 public:
  typedef void (*OnChange)(const Option&);

  explicit Option(OnChange = nullptr);
  Option(bool v, OnChange = nullptr);
  Option(const char* v, OnChange = nullptr);
  Option(int v, int minv, int maxv, OnChange = nullptr);
  Option(const char* v, const char* list, OnChange = nullptr);
  Option(const Option& o);
  Option& operator=(const Option&) = delete;

  Option& operator=(const std::string& v);
  void operator<<(const Option&);
  operator int() const { return intValue.load(std::memory_order_relaxed); }
  operator std::string() const;
  const std::string& option_type() const { return type; }

 private:
  friend std::ostream& operator<<(std::ostream&, const OptionsMap&);

  void store(const std::string& v);

  std::string defaultValue, currentValue, type, comboValues;
  int min, max;
  size_t idx;
  OnChange on_change;
  // The integer reading of currentValue, kept so search threads read it
  // cheaply and without racing the command loop.
  std::atomic<int> intValue;
};

void init(OptionsMap&);
void loop(int argc, char* argv[]);
bool is_hidden_option(const std::string& name);
std::ostream& operator<<(std::ostream&, const OptionsMap&);

// The leading number of a value, as an option reads it: optional blanks and
// sign, then digits. False when there is no number or it leaves 32 bits.
bool parse_int(const std::string& s, int& result);

// The Elo level in force (the leading number of the Elo option), cheap and
// safe to read from any thread; 2900 before the options exist.
int elo_level();

// The info lines of the search that owns pos.
std::string pv(const Position& pos, Depth depth, Value alpha, Value beta);

std::string square(Square s);
std::string move(Move m, bool chess960);
std::string value(Value v);
Move to_move(const Position& pos, std::string& str);

// Change handlers
void on_clear_hash(const Option&);
void on_threads(const Option&);
void on_hash_size(const Option&);
void on_tb_path(const Option&);
void on_logger(const Option&);
void on_personality_select(const Option&);
void on_open_explorer(const Option&);
void on_open_creator(const Option&);

}  // namespace UCI

extern UCI::OptionsMap Options;
extern std::string CurrentGameMoves;
// The game position was reached from the start position through
// CurrentGameMoves: only then can the opening book know it.
extern bool CurrentGameFromStart;

#endif
