#ifndef VYN_PLATFORM_PLATFORM_INTERNAL_H
#define VYN_PLATFORM_PLATFORM_INTERNAL_H

// Shared between the halves of the platform layer; nothing outside
// src/platform/ includes it.

#include <string>

namespace Platform::detail {

bool ends_with_ignoring_case(const std::string& name, const std::string& suffix);

// Hands the page to the system's desktop; each system's half has its own.
void desktop_open(const std::string& path);

#ifdef _WIN32
// The engine's paths are UTF-8; Windows opens them through the UTF-16 ("W")
// calls. False for text that is not UTF-8 or holds a NUL, which names no file.
bool widen(const std::string& utf8, std::wstring& wide);
std::string narrow(const std::wstring& wide);
#endif

}  // namespace Platform::detail

#endif
