// The Windows half of the file mapping.
#ifdef _WIN32

#include "platform/mapped_file.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/platform_internal.h"

namespace Platform {

namespace {

// A file on disk (not a directory, console, pipe or device), opened for
// reading; its size through length.
HANDLE open_disk_file(const std::string& path, uint64_t& length, DWORD& error) {
  std::wstring wide;
  if (!detail::widen(path, wide) || wide.empty()) {
    error = ERROR_INVALID_NAME;
    return INVALID_HANDLE_VALUE;
  }
  const HANDLE h =
      CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return h;
  }
  BY_HANDLE_FILE_INFORMATION info;
  LARGE_INTEGER size;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info)
      || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !GetFileSizeEx(h, &size) || size.QuadPart < 0) {
    error = GetLastError() ? GetLastError() : ERROR_INVALID_PARAMETER;
    CloseHandle(h);
    return INVALID_HANDLE_VALUE;
  }
  length = uint64_t(size.QuadPart);
  return h;
}

}  // namespace

bool is_nonempty_file(const std::string& path) {
  uint64_t length = 0;
  DWORD error = 0;
  const HANDLE h = open_disk_file(path, length, error);
  if (h == INVALID_HANDLE_VALUE)
    return false;
  CloseHandle(h);
  return length > 0;
}

bool MappedFile::open(const std::string& path) {
  close();

  uint64_t fileSize = 0;
  DWORD error = 0;
  const HANDLE file = open_disk_file(path, fileSize, error);
  if (file == INVALID_HANDLE_VALUE) {
    lastError = int(error);
    return false;
  }

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
