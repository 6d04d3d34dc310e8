#ifndef VYN_BOARD_PSQT_H
#define VYN_BOARD_PSQT_H

#include "board/types.h"

namespace PSQT {

// Material plus square bonus of every coloured piece, from white's view.
extern Score psq[COLOR_NB][PIECE_TYPE_NB][SQUARE_NB];

void init();

}  // namespace PSQT

#endif
