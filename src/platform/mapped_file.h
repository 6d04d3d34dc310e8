#ifndef VYN_PLATFORM_MAPPED_FILE_H
#define VYN_PLATFORM_MAPPED_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform {

// Directories of a search path list ("SyzygyPath") are separated by ';' on
// every system, so one setting serves every GUI; the separator inside a path
// is the system's own.
constexpr char PathListSeparator = ';';
#ifdef _WIN32
constexpr char DirSeparator = '\\';
#else
constexpr char DirSeparator = '/';
#endif

// A regular file (after links) holding at least one byte.
bool is_nonempty_file(const std::string& path);

// A read-only view of a whole file. Empty files map to a null view of size 0.
class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile() { close(); }

  // False when the file cannot be opened or mapped; error() then holds the
  // system's error number.
  bool open(const std::string& path);
  void close();

  const uint8_t* data() const { return view; }
  size_t size() const { return length; }
  bool is_open() const { return opened; }
  int error() const { return lastError; }

 private:
  const uint8_t* view = nullptr;
  size_t length = 0;
  bool opened = false;
  int lastError = 0;
};

}  // namespace Platform

#endif
