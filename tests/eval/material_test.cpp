#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

#include "board/position.h"
#include "eval/material.h"
#include "eval/tables.h"

namespace {

class MaterialTest : public ::testing::Test {
 protected:
  Material::Entry* probe(const std::string& fen) {
    EXPECT_TRUE(pos.set(fen, false, tables.get())) << fen;
    return Material::probe(pos);
  }
  std::unique_ptr<EvalTables> tables = std::make_unique<EvalTables>();
  Position pos;
};

// None of these is registered, so the default factors and the imbalance apply.
TEST_F(MaterialTest, DefaultFactorsAndImbalance) {
  const struct { const char* fen; int sfWhite, sfBlack, imbalance; } cases[] = {
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 0, 0, 0},
      {"4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", 0, 0, -9},  // -154 / 16 truncates toward zero
      {"4k3/8/8/5n2/8/8/8/4K3 w - - 0 1", 0, 0, 59},
      {"4k3/8/8/3bp3/8/8/8/R3K3 w - - 0 1", 4, 48, 19},          // rook against bishop and pawn
      {"4k3/8/8/3n4/8/8/8/2B1KB2 w - - 0 1", 64, 0, 141},        // bishop pair against knight
      {"r3k3/8/8/8/8/8/8/R3K1N1 w - - 0 1", 14, 14, -58},        // rook and knight against rook
      {"r3k3/8/8/8/8/8/8/R1B1K3 w - - 0 1", 14, 14, -2},         // lead of exactly 415
      {"4k3/8/8/8/8/8/P7/2B1K3 w - - 0 1", 48, 0, -13},          // one pawn, lead of exactly 415
      {"r3k3/8/8/8/8/8/4P3/3QK3 w - - 0 1", 64, 14, -8},         // one pawn, lead too big
      {"r3k2r/pppppp2/8/8/8/8/PPPPPP2/3QK3 w - - 0 1", 64, 64, 46},
      {"3qk3/pppppp2/8/8/8/8/PPPPPP2/R3K2R w - - 0 1", 64, 64, -46},
      {"4k3/pp6/8/8/2b5/8/PP6/R3K3 w - - 0 1", 64, 64, -1},
      {"1nb1k3/pppppppp/8/8/8/8/PPPPPPPP/2B1KB2 w - - 0 1", 64, 64, 80},
      {"2b1kb2/pppppppp/8/8/8/8/PPPPPPPP/1NB1K3 w - - 0 1", 64, 64, -80},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 64, 64, 0},
      {"4k3/p7/8/8/8/8/7P/4K3 w - - 0 1", 48, 48, 0},            // pawn endings go on to the defaults
      {"4k3/pp6/8/8/8/8/8/4K3 w - - 0 1", 0, 64, 19},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    const Material::Entry* e = probe(c.fen);
    EXPECT_EQ(e->key, pos.material_key());
    EXPECT_EQ(e->specialEvaluator, nullptr);
    EXPECT_EQ(e->scaleFactor[COLOR_WHITE], c.sfWhite);
    EXPECT_EQ(e->scaleFactor[COLOR_BLACK], c.sfBlack);
    EXPECT_EQ(e->imbalance, c.imbalance);
    EXPECT_EQ(e->gamePhase, pos.game_phase());
  }
}

enum Kind { NONE, REGISTERED, IS_KXK, IS_KBPSK, IS_KQKRPS, IS_KPSK, IS_KPKP };

template <typename T>
bool is(const EndgameBase<T>* eg, Kind k, Color strong, EndgameBase<T>* registered) {
  if (k == NONE)
    return eg == nullptr;
  if (k == REGISTERED)
    return eg && eg == registered && eg->strong_side() == strong;
  const std::type_info& t = k == IS_KXK      ? typeid(Endgame<KXK, Value>)
                            : k == IS_KBPSK  ? typeid(Endgame<KBPsK, ScaleFactor>)
                            : k == IS_KQKRPS ? typeid(Endgame<KQKRPs, ScaleFactor>)
                            : k == IS_KPSK   ? typeid(Endgame<KPsK, ScaleFactor>)
                                           : typeid(Endgame<KPKP, ScaleFactor>);
  return eg && typeid(*eg) == t && eg->strong_side() == strong;
}

TEST_F(MaterialTest, EvaluatorChoice) {
  const struct { const char* fen; Kind special; Color strong; Kind white, black; bool endsEarly; } cases[] = {
      {"4k3/8/8/8/8/8/PP6/R3K3 w - - 0 1", IS_KXK, COLOR_WHITE, NONE, NONE, true},
      {"4k3/8/8/8/8/8/8/2B1KB2 w - - 0 1", IS_KXK, COLOR_WHITE, NONE, NONE, true},
      {"3qk3/8/8/8/8/8/8/4K3 w - - 0 1", IS_KXK, COLOR_BLACK, NONE, NONE, true},
      {"4k3/8/8/p7/8/8/8/R3K3 w - - 0 1", REGISTERED, COLOR_WHITE, NONE, NONE, true},   // KRKP
      {"r3k3/8/8/8/P7/8/8/4K3 w - - 0 1", REGISTERED, COLOR_BLACK, NONE, NONE, true},   // KRKP
      {"4k3/8/8/8/8/8/8/1NB1K3 w - - 0 1", REGISTERED, COLOR_WHITE, NONE, NONE, true},  // KBNK, not KXK
      {"r3k3/8/8/8/8/8/4P3/R3K3 w - - 0 1", NONE, COLOR_WHITE, REGISTERED, NONE, true}, // KRPKR
      {"r3k3/4p3/8/8/8/8/8/R3K3 w - - 0 1", NONE, COLOR_BLACK, NONE, REGISTERED, true},
      {"4k3/8/8/8/8/8/PP6/2B1K3 w - - 0 1", NONE, COLOR_WHITE, IS_KBPSK, NONE, false},
      {"2b1k3/pp6/8/8/8/8/8/4K3 w - - 0 1", NONE, COLOR_WHITE, NONE, IS_KBPSK, false},
      {"4k3/8/8/8/8/8/PP6/1N2K3 w - - 0 1", NONE, COLOR_WHITE, NONE, NONE, false},
      {"r3k3/p7/8/8/8/8/8/3QK3 w - - 0 1", NONE, COLOR_WHITE, IS_KQKRPS, NONE, false},
      {"3qk3/8/8/8/8/8/P7/R3K3 w - - 0 1", NONE, COLOR_WHITE, NONE, IS_KQKRPS, false},
      {"r3k3/p7/8/8/8/8/P7/3QK3 w - - 0 1", NONE, COLOR_WHITE, NONE, NONE, false},
      {"4k3/8/8/8/8/8/PP6/4K3 w - - 0 1", NONE, COLOR_WHITE, IS_KPSK, NONE, false},
      {"4k3/pp6/8/8/8/8/8/4K3 w - - 0 1", NONE, COLOR_WHITE, NONE, IS_KPSK, false},
      {"4k3/p7/8/8/8/8/7P/4K3 w - - 0 1", NONE, COLOR_WHITE, IS_KPKP, IS_KPKP, false},
      {"4k3/pp6/8/8/8/8/6PP/4K3 w - - 0 1", NONE, COLOR_WHITE, NONE, NONE, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    const Material::Entry* e = probe(c.fen);
    const Key key = pos.material_key();
    EXPECT_TRUE(is(e->specialEvaluator, c.special, c.strong, tables->endgames.probe<Value>(key)));
    auto* scaling = tables->endgames.probe<ScaleFactor>(key);
    EXPECT_TRUE(is(e->scalingEvaluator[COLOR_WHITE], c.white, COLOR_WHITE, scaling));
    EXPECT_TRUE(is(e->scalingEvaluator[COLOR_BLACK], c.black, COLOR_BLACK, scaling));
    if (c.endsEarly) {
      EXPECT_EQ(e->imbalance, 0);
      EXPECT_EQ(e->scaleFactor[COLOR_WHITE], SCALE_FACTOR_NORMAL);
      EXPECT_EQ(e->scaleFactor[COLOR_BLACK], SCALE_FACTOR_NORMAL);
    }
  }
}

}  // namespace
