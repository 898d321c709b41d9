// Helpers shared by the parts of the host Win32 layer.
#pragma once

#include <string>

#include "hostwin32/win32.h"

namespace hostwin32 {

// The host directory that is the C: drive; empty when none is set.
std::string WinRoot();

// Sets the thread's last error and returns `result`, for one-line failures.
template <typename T>
T FailWith(DWORD error, T result) {
  SetLastError(error);
  return result;
}

// ASCII case folding, as Windows compares the names the system uses.
bool EqualNoCase(const std::string &a, const std::string &b);
std::string LowerAscii(std::string text);

// ANSI (Latin-1 here) and UTF-8, the encoding of registry store names.
std::string Utf8FromAnsi(const std::string &ansi);
std::string AnsiFromUtf8(const std::string &utf8);

// Copies `text` with its terminator into a Win32 string buffer of `size`
// characters, as GetWindowsDirectoryA does: the length without the
// terminator when it fits, else the size needed including it.
UINT CopyStringResult(const std::string &text, LPSTR buffer, UINT size);

}  // namespace hostwin32
