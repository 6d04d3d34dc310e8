#ifndef VYN_PLATFORM_WINDOWS_API_H
#define VYN_PLATFORM_WINDOWS_API_H

// <windows.h> for the Windows half, without its min and max macros, which
// would break std::min and std::max.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#endif
