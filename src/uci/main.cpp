#include <iostream>

#include "board/misc.h"

int main() {
  std::cout << engine_info() << std::endl;
  return 0;
}
