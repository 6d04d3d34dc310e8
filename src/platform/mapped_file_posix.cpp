// The POSIX half of the file mapping.
#ifndef _WIN32

#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {

bool is_nonempty_file(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

bool MappedFile::open(const std::string& path) {
  close();

  errno = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    lastError = errno;
    return false;
  }

  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    lastError = errno ? errno : EINVAL;
    ::close(fd);
    return false;
  }

  // mmap refuses a zero length; an empty file is simply a view of nothing.
  void* p = nullptr;
  if (st.st_size > 0) {
    p = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
      lastError = errno;
      ::close(fd);
      return false;
    }
  }

  // The mapping keeps the file alive; the descriptor is no longer needed.
  ::close(fd);
  view = static_cast<const uint8_t*>(p);
  length = size_t(st.st_size);
  opened = true;
  lastError = 0;
  return true;
}

void MappedFile::close() {
  if (view)
    ::munmap(const_cast<uint8_t*>(view), length);
  view = nullptr;
  length = 0;
  opened = false;
}

}  // namespace Platform

#endif  // !_WIN32
