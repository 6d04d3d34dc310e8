#ifndef VYN_UCI_UCI_H
#define VYN_UCI_UCI_H

#include <string>

#include "board/types.h"

class Position;

namespace UCI {

std::string square(Square s);
std::string move(Move m, bool chess960);
std::string value(Value v);
Move to_move(const Position& pos, std::string& str);

}  // namespace UCI

#endif
