// The Win32 API for the uninstaller: the Windows SDK headers when built for
// Windows, the host layer's declarations otherwise. Everything else in the
// uninstaller is the same on both.
#pragma once

#include <stdio.h>

#ifdef _WIN32
#include <windows.h>
#include <setupapi.h>
#include <shlwapi.h>

inline FILE *OpenTextFile(const char *path) { return fopen(path, "r"); }
#else
#include "hostwin32/win32.h"

inline FILE *OpenTextFile(const char *path) { return HostOpenFileA(path, "r"); }
#endif
