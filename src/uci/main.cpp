#include <iostream>

#include "board/bitbase.h"
#include "board/bitboard.h"
#include "board/misc.h"
#include "board/position.h"
#include "board/psqt.h"
#include "eval/evaluate.h"
#include "eval/pawns.h"
#include "platform/platform.h"
#include "search/search.h"
#include "search/thread.h"
#include "search/tt.h"
#include "tablebases/tbprobe.h"
#include "uci/uci.h"

int main(int argc, char* argv[]) {
  Platform::raise_priority();

  std::cout << engine_info() << std::endl;

  // The options first, so the default personality's values are in force
  // before anything reads them.
  UCI::init(Options);
  PSQT::init();
  Bitboards::init();
  Position::init();
  Bitbases::init();
  Search::init();
  Eval::init();
  Pawns::init();
  Threads.init();
  Tablebases::init(Options["SyzygyPath"]);
  TT.resize(size_t(int(Options["Hash"])));

  UCI::loop(argc, argv);

  Threads.exit();
  return 0;
}
