#include "platform/platform.h"

#include <cctype>

#include "platform/platform_internal.h"

// The parts of the platform layer that every system shares; the rest is in
// platform_posix.cpp and platform_win.cpp.

namespace Platform {

namespace {

std::mutex& opener_mutex() {
  static std::mutex m;
  return m;
}

std::function<void(const std::string&)>& custom_opener() {
  static std::function<void(const std::string&)> f;
  return f;
}

}  // namespace

bool detail::ends_with_ignoring_case(const std::string& name, const std::string& suffix) {
  if (name.size() < suffix.size())
    return false;
  const size_t offset = name.size() - suffix.size();
  for (size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(name[offset + i]))
        != std::tolower(static_cast<unsigned char>(suffix[i])))
      return false;
  return true;
}

std::recursive_mutex& output_mutex() {
  // Deliberately never destroyed: detached printers may outlive static teardown.
  static std::recursive_mutex* m = new std::recursive_mutex();
  return *m;
}

bool read_line(std::istream& in, std::string& line) {
  if (!std::getline(in, line))
    return false;
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  return true;
}

std::filesystem::path to_path(const std::string& path) {
  // u8path: on Windows a plain std::string would be read in the ANSI code
  // page, and "José" would name another folder.
  return std::filesystem::u8path(path);
}

void open_page(const std::string& path) {
  std::function<void(const std::string&)> opener;
  {
    std::lock_guard<std::mutex> lock(opener_mutex());
    opener = custom_opener();
  }
  if (opener)
    opener(path);
  else
    detail::desktop_open(path);
}

void set_page_opener(std::function<void(const std::string&)> opener) {
  std::lock_guard<std::mutex> lock(opener_mutex());
  custom_opener() = std::move(opener);
}

}  // namespace Platform
