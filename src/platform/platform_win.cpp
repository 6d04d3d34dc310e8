// The Windows half of the platform layer. Every path goes through the UTF-16
// ("W") calls, so a folder such as C:\Users\José opens whatever the system's
// ANSI code page is.
#ifdef _WIN32

#include "platform/platform.h"

#include "platform/windows_api.h"
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>

#include "platform/platform_internal.h"

namespace Platform {

bool detail::widen(const std::string& utf8, std::wstring& wide) {
  wide.clear();
  if (utf8.empty())
    return true;
  if (utf8.find('\0') != std::string::npos || utf8.size() > size_t(INT32_MAX))
    return false;
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), nullptr, 0);
  if (n <= 0)
    return false;
  wide.resize(size_t(n));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), &wide[0], n) == n;
}

std::string detail::narrow(const std::wstring& wide) {
  if (wide.empty() || wide.size() > size_t(INT32_MAX))
    return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0)
    return std::string();
  std::string utf8(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), &utf8[0], n, nullptr, nullptr);
  return utf8;
}

namespace {

// Standard handles that a started program could inherit; the engine starts
// nothing that should write into the GUI's pipe.
void keep_standard_handles_private() {
  for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE h = GetStdHandle(which);
    if (h && h != INVALID_HANDLE_VALUE)
      SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
  }
}

}  // namespace

void detail::desktop_open(const std::string& path) {
  std::wstring wide;
  if (!widen(path, wide) || wide.empty())
    return;

  // The shell resolves a relative path against its own idea of the folder.
  std::wstring full(32768, L'\0');
  const DWORD n = GetFullPathNameW(wide.c_str(), DWORD(full.size()), &full[0], nullptr);
  if (n > 0 && n < full.size())
    full.resize(n);
  else
    full = wide;

  keep_standard_handles_private();

  // The shell's own handlers may use COM; a thread that already has it keeps
  // its own set-up.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

  // No shell command line, so nothing in the path is interpreted; no dialog
  // on failure, which stays silent; the call returns once the browser has
  // been asked, not when it closes.
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = full.c_str();
  info.nShow = SW_SHOWNORMAL;
  (void)ShellExecuteExW(&info);

  if (SUCCEEDED(com))
    CoUninitialize();
}

void raise_priority() {
  // Only from the default: a class lowered by the user or a tournament
  // manager is their choice. The engine runs at whatever class it gets.
  const HANDLE self = GetCurrentProcess();
  if (GetPriorityClass(self) == NORMAL_PRIORITY_CLASS)
    (void)SetPriorityClass(self, HIGH_PRIORITY_CLASS);
}

long long read_input(char* buffer, size_t size) {
  DWORD got = 0;
  const DWORD want = DWORD(std::min<size_t>(size, 1 << 20));
  // A closed pipe is the end of input, like any failure.
  if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, want, &got, nullptr))
    return 0;
  return got;
}

// Ordinary pages: large ones need a privilege that users do not hold.
// Committed pages come zeroed and page aligned.
void* allocate_large(size_t bytes) {
  return bytes ? VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE) : nullptr;
}

void free_large(void* mem, size_t) {
  if (mem)
    VirtualFree(mem, 0, MEM_RELEASE);
}

size_t large_alignment() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
}

std::string native_path(const std::string& path) {
  // '\' is already this system's separator, and '/' is accepted too.
  return path;
}

// A console, a pipe or a device could block a read or never end, and a
// directory does not open without backup semantics: only files on disk.
detail::FileHandle detail::open_disk_file(const std::string& path, uint64_t& length, unsigned long& error) {
  std::wstring wide;
  if (!widen(path, wide) || wide.empty()) {
    error = ERROR_INVALID_NAME;
    return NoFile;
  }

  const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return NoFile;
  }

  BY_HANDLE_FILE_INFORMATION info;
  LARGE_INTEGER size;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info)
      || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !GetFileSizeEx(h, &size) || size.QuadPart < 0) {
    error = GetLastError() ? GetLastError() : ERROR_INVALID_PARAMETER;
    CloseHandle(h);
    return NoFile;
  }
  length = uint64_t(size.QuadPart);
  return FileHandle(h);
}

detail::FileHandle detail::open_small_file(const std::string& path, size_t maxBytes, size_t& size) {
  uint64_t length = 0;
  unsigned long error = 0;
  const FileHandle file = open_disk_file(path, length, error);
  if (file != NoFile && length > maxBytes) {
    close_file(file);
    return NoFile;
  }
  size = size_t(length);
  return file;
}

long long detail::read_some(FileHandle file, char* buffer, size_t n) {
  DWORD got = 0;
  if (!ReadFile(HANDLE(file), buffer, DWORD(std::min<size_t>(n, 1u << 30)), &got, nullptr))
    return -1;
  return got;
}

void detail::close_file(FileHandle file) { CloseHandle(HANDLE(file)); }

std::vector<std::string> list_files(const std::string& dir, const std::string& extension) {
  std::vector<std::string> names;
  std::wstring pattern;
  // An empty name would search the current drive's root.
  if (dir.empty() || !detail::widen(dir, pattern))
    return names;
  if (pattern.back() != L'\\' && pattern.back() != L'/')
    pattern += L'\\';
  pattern += L'*';

  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do {
    const std::wstring wideName = found.cFileName;
    if (wideName == L"." || wideName == L"..")
      continue;
    std::string name = detail::narrow(wideName);
    if (!name.empty() && detail::ends_with_ignoring_case(name, extension))
      names.push_back(std::move(name));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

bool replace_file(const std::string& from, const std::string& to) {
  // rename() will not replace an existing file here.
  std::wstring wideFrom, wideTo;
  return detail::widen(from, wideFrom) && detail::widen(to, wideTo) && !wideFrom.empty() && !wideTo.empty()
         && MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

}  // namespace Platform

#endif  // _WIN32
