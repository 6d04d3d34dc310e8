// The Windows half of the file mapping.
#ifdef _WIN32

#include "platform/mapped_file.h"

#include "platform/windows_api.h"

#include "platform/platform_internal.h"

namespace Platform {

bool is_nonempty_file(const std::string& path) {
  uint64_t length = 0;
  unsigned long error = 0;
  const detail::FileHandle file = detail::open_disk_file(path, length, error);
  if (file == detail::NoFile)
    return false;
  detail::close_file(file);
  return length > 0;
}

bool MappedFile::open(const std::string& path) {
  close();

  uint64_t fileSize = 0;
  unsigned long error = 0;
  const detail::FileHandle handle = detail::open_disk_file(path, fileSize, error);
  if (handle == detail::NoFile) {
    lastError = int(error);
    return false;
  }
  const HANDLE file = HANDLE(handle);

  // A mapping of zero length is refused; an empty file is a view of nothing.
  const void* p = nullptr;
  if (fileSize > 0) {
    const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, DWORD(fileSize >> 32),
                                              DWORD(fileSize & 0xFFFFFFFFu), nullptr);
    if (!mapping) {
      lastError = int(GetLastError());
      CloseHandle(file);
      return false;
    }
    p = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    const DWORD mapError = GetLastError();
    // The view keeps the mapping object and the file alive; neither handle
    // is needed any more.
    CloseHandle(mapping);
    if (!p) {
      lastError = int(mapError);
      CloseHandle(file);
      return false;
    }
  }

  CloseHandle(file);
  view = static_cast<const uint8_t*>(p);
  length = size_t(fileSize);
  opened = true;
  lastError = 0;
  return true;
}

void MappedFile::close() {
  if (view)
    UnmapViewOfFile(view);
  view = nullptr;
  length = 0;
  opened = false;
}

}  // namespace Platform

#endif  // _WIN32
