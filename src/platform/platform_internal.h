#ifndef VYN_PLATFORM_PLATFORM_INTERNAL_H
#define VYN_PLATFORM_PLATFORM_INTERNAL_H

// Shared between the halves of the platform layer; nothing outside
// src/platform/ includes it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform::detail {

bool ends_with_ignoring_case(const std::string& name, const std::string& suffix);

// Hands the page to the system's desktop; each system's half has its own.
void desktop_open(const std::string& path);

// An open file: a descriptor, or a Windows handle.
typedef intptr_t FileHandle;
constexpr FileHandle NoFile = -1;

// Opens for reading, without blocking, a regular file (after links) of at
// most maxBytes; NoFile for anything else. Its size through size.
FileHandle open_small_file(const std::string& path, size_t maxBytes, size_t& size);
// Up to n bytes; 0 at the end, -1 on an error.
long long read_some(FileHandle file, char* buffer, size_t n);
void close_file(FileHandle file);

#ifdef _WIN32
// The engine's paths are UTF-8; Windows opens them through the UTF-16 ("W")
// calls. False for text that is not UTF-8 or holds a NUL, which names no file.
bool widen(const std::string& utf8, std::wstring& wide);
std::string narrow(const std::wstring& wide);

// A file on disk (not a directory, console, pipe or device) opened for
// reading, with its length; NoFile and the system's error code otherwise.
FileHandle open_disk_file(const std::string& path, uint64_t& length, unsigned long& error);
#endif

}  // namespace Platform::detail

#endif
