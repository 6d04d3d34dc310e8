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

bool is_readable_file(const std::string& path, size_t maxBytes) {
  size_t size;
  const detail::FileHandle file = detail::open_small_file(path, maxBytes, size);
  if (file == detail::NoFile)
    return false;
  detail::close_file(file);
  return true;
}

bool read_text_file(const std::string& path, std::string& content, size_t maxBytes) {
  content.clear();
  size_t size;
  const detail::FileHandle file = detail::open_small_file(path, maxBytes, size);
  if (file == detail::NoFile)
    return false;

  // The file may grow while it is read: never take more than the limit.
  content.reserve(size);
  char chunk[65536];
  long long n = 0;
  while (content.size() <= maxBytes && (n = detail::read_some(file, chunk, sizeof(chunk))) > 0)
    content.append(chunk, size_t(n));
  detail::close_file(file);

  if (n < 0 || content.size() > maxBytes) {
    content.clear();
    return false;
  }
  return true;
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
