// Controls of the host Win32 layer for tests and tools: the environment
// variables that place the machine on the host, path mapping, registry data
// helpers and the state file of windows and started programs. Programs
// written against the Win32 API never include this.
//
// Environment variables (read at each use, except the registry file, which
// is read once per process):
// - SORVEX_WINROOT: host directory that is the C: drive. Unset, every file
//   function fails with ERROR_PATH_NOT_FOUND, so a stray run touches nothing.
// - SORVEX_REGISTRY_FILE: the registry, in the regedit export format of
//   hostkernel::RegistryStore. Default <winroot>/registry.reg. Loaded at the
//   first registry call of the process and written back after every change,
//   so a process that ends in any way leaves the file current. A missing file
//   is an empty registry; a file that does not load makes every registry
//   call fail with ERROR_BADDB and is never overwritten.
// - SORVEX_WIN32_STATE: the state file of top-level windows and started
//   programs. Default <winroot>/win32_state.txt. Read and written at each
//   call, since the tests that set it up run the program as another process.
//
// GetWindowsDirectoryA returns "C:\WINDOWS" and GetSystemDirectoryA
// "C:\WINDOWS\system32", the case Windows XP reports. The directories on the
// host may be in any case: each path component is resolved against the
// directory listing, case-insensitively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostwin32 {

constexpr char kWinRootVariable[] = "SORVEX_WINROOT";
constexpr char kRegistryFileVariable[] = "SORVEX_REGISTRY_FILE";
constexpr char kStateFileVariable[] = "SORVEX_WIN32_STATE";

// Maps a Windows path on the C: drive ("C:\x\y", "\x\y"; '\' or '/') to the
// host path below the root. Components that exist are replaced by their
// on-disk spelling; "." and ".." are resolved and ".." stops at the root.
// Returns 0 or the Win32 error: ERROR_PATH_NOT_FOUND for a missing
// directory, another drive, a relative path or no root; ERROR_INVALID_NAME
// for a character Windows forbids in names.
uint32_t MapWindowsPath(const std::string &windowsPath, std::string *hostPath);

// Forgets the registry loaded by this process: the next registry call loads
// the file named by the environment again.
void ReloadRegistry();

// Registry value data as Windows stores it (UTF-16LE with terminators) from
// ANSI strings, and back.
std::vector<uint8_t> RegSzData(const std::string &ansi);
std::vector<uint8_t> RegMultiSzData(const std::vector<std::string> &ansiStrings);
std::string AnsiFromUtf16Le(const std::vector<uint8_t> &data);

// ---- Windows and started programs ----
struct TopLevelWindow {
  uint32_t handle = 0;  // the HWND's value, never 0
  std::string className;
  std::string title;
};

struct StartedProgram {
  uint32_t showCommand = 0;
  std::string commandLine;
};

struct Win32State {
  std::vector<TopLevelWindow> windows;     // in Z order, topmost first
  std::vector<StartedProgram> started;     // in the order started
  // Adds a window below the others with a new handle, which it returns.
  uint32_t AddWindow(const std::string &className, const std::string &title);
};

// The state file: one line per window ("window", handle, class, title) and
// per started program ("started", show command, command line), tab-separated.
// A missing file is an empty state.
bool LoadWin32State(const std::string &path, Win32State *state, std::string *error);
bool SaveWin32State(const std::string &path, const Win32State &state, std::string *error);
// The state file named by the environment.
std::string Win32StatePath();

}  // namespace hostwin32
