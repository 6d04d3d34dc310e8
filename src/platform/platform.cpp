#include "platform/platform.h"

#include <sys/resource.h>

namespace Platform {

std::recursive_mutex& output_mutex() {
  // Deliberately never destroyed: detached printers may outlive static teardown.
  static std::recursive_mutex* m = new std::recursive_mutex();
  return *m;
}

void raise_priority() {
  // Raising needs privileges most users lack; failure is expected and harmless.
  (void)setpriority(PRIO_PROCESS, 0, -5);
}

std::string native_path(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\')
      c = '/';
  return p;
}

bool read_line(std::istream& in, std::string& line) {
  if (!std::getline(in, line))
    return false;
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  return true;
}

}  // namespace Platform
