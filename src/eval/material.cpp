#include "eval/material.h"

#include "eval/tables.h"

namespace {

// Piece kinds of the imbalance: the bishop pair first, then pawn to queen.
enum { PAIR, PAWN, KNIGHT, BISHOP, ROOK, QUEEN, KIND_NB };

const int Linear[KIND_NB] = {1550, -156, -955, -154, 221, -128};

// Lower-triangular: row pt1 reads columns 0..pt1 only.
const int QuadraticOurs[KIND_NB][KIND_NB] = {
    {0},
    {37, 1},
    {29, 237, -2},
    {0, 96, 3, 0},
    {-24, -1, 43, 97, -138},
    {-172, 22, 113, 127, -124, 0},
};

const int QuadraticTheirs[KIND_NB][KIND_NB] = {
    {0},
    {33, 0},
    {8, 58, 0},
    {54, 60, 39, 0},
    {42, 36, 22, -22, 0},
    {93, 93, -34, 131, 249, 0},
};

// Generic evaluators for whole classes of material; element c has strong side c.
Endgame<KXK, Value> EvaluateKXK[] = {Endgame<KXK, Value>(COLOR_WHITE), Endgame<KXK, Value>(COLOR_BLACK)};

Endgame<KBPsK, ScaleFactor> ScaleKBPsK[] = {Endgame<KBPsK, ScaleFactor>(COLOR_WHITE),
                                            Endgame<KBPsK, ScaleFactor>(COLOR_BLACK)};
Endgame<KQKRPs, ScaleFactor> ScaleKQKRPs[] = {Endgame<KQKRPs, ScaleFactor>(COLOR_WHITE),
                                              Endgame<KQKRPs, ScaleFactor>(COLOR_BLACK)};
Endgame<KPsK, ScaleFactor> ScaleKPsK[] = {Endgame<KPsK, ScaleFactor>(COLOR_WHITE),
                                          Endgame<KPsK, ScaleFactor>(COLOR_BLACK)};
Endgame<KPKP, ScaleFactor> ScaleKPKP[] = {Endgame<KPKP, ScaleFactor>(COLOR_WHITE),
                                          Endgame<KPKP, ScaleFactor>(COLOR_BLACK)};

bool is_KXK(const Position& pos, Color us) {
  return !more_than_one(pos.pieces(~us)) && pos.non_pawn_material(us) >= VALUE_ROOK_MG;
}

bool is_KBPsK(const Position& pos, Color us) {
  return pos.non_pawn_material(us) == VALUE_BISHOP_MG && pos.count<PIECE_TYPE_BISHOP>(us) == 1
         && pos.count<PIECE_TYPE_PAWN>(us) >= 1;
}

bool is_KQKRPs(const Position& pos, Color us) {
  return !pos.count<PIECE_TYPE_PAWN>(us) && pos.non_pawn_material(us) == VALUE_QUEEN_MG
         && pos.count<PIECE_TYPE_QUEEN>(us) == 1 && pos.count<PIECE_TYPE_ROOK>(~us) == 1
         && pos.count<PIECE_TYPE_PAWN>(~us) >= 1;
}

template <Color Us>
int imbalance(const int pieceCount[][KIND_NB]) {
  constexpr Color Them = Us == COLOR_WHITE ? COLOR_BLACK : COLOR_WHITE;
  int bonus = 0;

  for (int pt1 = PAIR; pt1 <= QUEEN; ++pt1) {
    if (!pieceCount[Us][pt1])
      continue;

    int v = Linear[pt1];

    for (int pt2 = PAIR; pt2 <= pt1; ++pt2)
      v += QuadraticOurs[pt1][pt2] * pieceCount[Us][pt2] + QuadraticTheirs[pt1][pt2] * pieceCount[Them][pt2];

    bonus += pieceCount[Us][pt1] * v;
  }

  return bonus;
}

}  // namespace

namespace Material {

Entry* probe(const Position& pos) {
  assert(pos.eval_tables());

  const Key key = pos.material_key();
  Entry* e = pos.eval_tables()->materialTable[key];

  if (e->key == key)
    return e;

  *e = Entry();
  e->key = key;
  e->scaleFactor[COLOR_WHITE] = e->scaleFactor[COLOR_BLACK] = SCALE_FACTOR_NORMAL;
  e->gamePhase = pos.game_phase();

  const Endgames& endgames = pos.eval_tables()->endgames;

  // An exact evaluator replaces the whole evaluation.
  if ((e->specialEvaluator = endgames.probe<Value>(key)) != nullptr)
    return e;

  for (Color c = COLOR_WHITE; c <= COLOR_BLACK; ++c)
    if (is_KXK(pos, c)) {
      e->specialEvaluator = &EvaluateKXK[c];
      return e;
    }

  if (EndgameBase<ScaleFactor>* sf = endgames.probe<ScaleFactor>(key)) {
    e->scalingEvaluator[sf->strong_side()] = sf;
    return e;
  }

  for (Color c = COLOR_WHITE; c <= COLOR_BLACK; ++c) {
    if (is_KBPsK(pos, c))
      e->scalingEvaluator[c] = &ScaleKBPsK[c];
    else if (is_KQKRPs(pos, c))
      e->scalingEvaluator[c] = &ScaleKQKRPs[c];
  }

  const Value npm_w = pos.non_pawn_material(COLOR_WHITE);
  const Value npm_b = pos.non_pawn_material(COLOR_BLACK);
  const int pawns_w = pos.count<PIECE_TYPE_PAWN>(COLOR_WHITE);
  const int pawns_b = pos.count<PIECE_TYPE_PAWN>(COLOR_BLACK);

  // Pawn endings keep going: the default factors and the imbalance still apply.
  if (npm_w + npm_b == VALUE_ZERO && pos.pieces(PIECE_TYPE_PAWN)) {
    if (!pawns_b)
      e->scalingEvaluator[COLOR_WHITE] = &ScaleKPsK[COLOR_WHITE];
    else if (!pawns_w)
      e->scalingEvaluator[COLOR_BLACK] = &ScaleKPsK[COLOR_BLACK];
    else if (pawns_w == 1 && pawns_b == 1) {
      e->scalingEvaluator[COLOR_WHITE] = &ScaleKPKP[COLOR_WHITE];
      e->scalingEvaluator[COLOR_BLACK] = &ScaleKPKP[COLOR_BLACK];
    }
  }

  // Without pawns a small material lead rarely wins; one pawn wins more often.
  if (!pawns_w && npm_w - npm_b <= VALUE_BISHOP_MG)
    e->scaleFactor[COLOR_WHITE] = uint8_t(npm_w < VALUE_ROOK_MG ? SCALE_FACTOR_DRAW : npm_b <= VALUE_BISHOP_MG ? 4 : 14);

  if (!pawns_b && npm_b - npm_w <= VALUE_BISHOP_MG)
    e->scaleFactor[COLOR_BLACK] = uint8_t(npm_b < VALUE_ROOK_MG ? SCALE_FACTOR_DRAW : npm_w <= VALUE_BISHOP_MG ? 4 : 14);

  if (pawns_w == 1 && npm_w - npm_b <= VALUE_BISHOP_MG)
    e->scaleFactor[COLOR_WHITE] = uint8_t(SCALE_FACTOR_ONE_PAWN);

  if (pawns_b == 1 && npm_b - npm_w <= VALUE_BISHOP_MG)
    e->scaleFactor[COLOR_BLACK] = uint8_t(SCALE_FACTOR_ONE_PAWN);

  const int pieceCount[COLOR_NB][KIND_NB] = {
      {pos.count<PIECE_TYPE_BISHOP>(COLOR_WHITE) > 1, pawns_w, pos.count<PIECE_TYPE_KNIGHT>(COLOR_WHITE),
       pos.count<PIECE_TYPE_BISHOP>(COLOR_WHITE), pos.count<PIECE_TYPE_ROOK>(COLOR_WHITE),
       pos.count<PIECE_TYPE_QUEEN>(COLOR_WHITE)},
      {pos.count<PIECE_TYPE_BISHOP>(COLOR_BLACK) > 1, pawns_b, pos.count<PIECE_TYPE_KNIGHT>(COLOR_BLACK),
       pos.count<PIECE_TYPE_BISHOP>(COLOR_BLACK), pos.count<PIECE_TYPE_ROOK>(COLOR_BLACK),
       pos.count<PIECE_TYPE_QUEEN>(COLOR_BLACK)}};

  e->imbalance = int16_t((imbalance<COLOR_WHITE>(pieceCount) - imbalance<COLOR_BLACK>(pieceCount)) / 16);

  return e;
}

}  // namespace Material
