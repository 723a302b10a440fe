#pragma once
// The Windows API as the Win32 implementations include it: without the
// min/max macros and the rarely used parts.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
