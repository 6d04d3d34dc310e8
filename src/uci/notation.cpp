#include <sstream>

#include "board/movegen.h"
#include "board/position.h"
#include "uci/uci.h"

std::string UCI::square(Square s) {
  return std::string{char('a' + file_of(s)), char('1' + rank_of(s))};
}

std::string UCI::move(Move m, bool chess960) {
  Square from = move_from(m);
  Square to = move_to(m);

  if (m == MOVE_NONE)
    return "(none)";

  if (m == MOVE_NULL)
    return "0000";

  // Stored as king takes rook; normal chess shows the king's own target.
  if (move_type(m) == MOVE_TYPE_CASTLING && !chess960)
    to = make_square(to > from ? FILE_G : FILE_C, rank_of(from));

  std::string text = UCI::square(from) + UCI::square(to);

  if (move_type(m) == MOVE_TYPE_PROMOTION)
    text += " pnbrqk"[move_promotion(m)];

  return text;
}

Move UCI::to_move(const Position& pos, std::string& str) {
  if (str.length() == 5)
    str[4] = char(std::tolower(static_cast<unsigned char>(str[4])));

  for (const auto& m : MoveList<GEN_LEGAL>(pos))
    if (str == UCI::move(m, pos.is_chess960()))
      return m;

  return MOVE_NONE;
}

std::string UCI::value(Value v) {
  std::stringstream ss;

  if (std::abs(v) < VALUE_MATE - MAX_PLY)
    ss << "cp " << v * 100 / int(VALUE_PAWN_EG);
  else
    ss << "mate " << (v > 0 ? VALUE_MATE - v + 1 : -VALUE_MATE - v) / 2;

  return ss.str();
}
