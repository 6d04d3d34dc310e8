#ifndef VYN_EVAL_ENDGAME_H
#define VYN_EVAL_ENDGAME_H

#include <map>
#include <memory>
#include <string>
#include <type_traits>

#include "board/types.h"

class Position;

enum EndgameType {
  // Evaluators of the whole position
  KNNK,
  KXK,
  KBNK,
  KPK,
  KRKP,
  KRKB,
  KRKN,
  KQKP,
  KQKR,

  // Scaling functions for the endgame half
  ENDGAME_SCALING_BEGIN,
  KBPsK,
  KQKRPs,
  KRPKR,
  KRPKB,
  KRPPKRP,
  KPsK,
  KBPKB,
  KBPPKB,
  KBPKN,
  KNPK,
  KNPKB,
  KPKP
};

template <EndgameType E>
using eg_type = typename std::conditional<(E < ENDGAME_SCALING_BEGIN), Value, ScaleFactor>::type;

template <typename T>
struct EndgameBase {
  virtual ~EndgameBase() = default;
  virtual Color strong_side() const = 0;
  virtual T operator()(const Position&) const = 0;
};

template <EndgameType E, typename T = eg_type<E>>
struct Endgame : public EndgameBase<T> {
  explicit Endgame(Color c) : strongSide(c), weakSide(~c) {}
  Color strong_side() const override { return strongSide; }
  T operator()(const Position&) const override;

 private:
  Color strongSide, weakSide;
};

// Evaluators found by exact material key; each search thread owns one.
class Endgames {
  template <typename T>
  using Map = std::map<Key, std::unique_ptr<EndgameBase<T>>>;

  template <EndgameType E, typename T = eg_type<E>>
  void add(const std::string& code);

  template <typename T>
  Map<T>& map();
  template <typename T>
  const Map<T>& map() const;

  Map<Value> valueEvaluators;
  Map<ScaleFactor> scalingEvaluators;

 public:
  Endgames();

  // Null when no evaluator of kind T is registered for the key.
  template <typename T>
  EndgameBase<T>* probe(Key key) const;

  template <typename T>
  size_t size() const { return map<T>().size(); }

  // Material key of a code such as "KBNK" with 'strong' owning the first part,
  // computed from the piece counts alone.
  static Key key(const std::string& code, Color strong);
};

#endif
