#ifndef VYN_BOARD_BITBASE_H
#define VYN_BOARD_BITBASE_H

#include "board/types.h"

// King and pawn against king: does the pawn side win?
namespace Bitbases {

void init();

// The caller normalises first: strong side as white, pawn on files a-d.
bool probe(Square wksq, Square wpsq, Square bksq, Color us);

}  // namespace Bitbases

#endif
