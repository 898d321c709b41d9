// Top-level windows and started programs, kept in the state file so that a
// test can set them up and read them back around a run of another process.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "hostkernel/file_replace.h"
#include "hostwin32/host_control.h"
#include "layer_common.h"

namespace hostwin32 {
namespace {

constexpr char kWindowTag[] = "window";
constexpr char kStartedTag[] = "started";
// WinExec returns a value above 31 on success.
constexpr UINT kWinExecSucceeded = 33;

std::vector<std::string> SplitTabs(const std::string &line, size_t maxParts) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (parts.size() + 1 < maxParts) {
    size_t tab = line.find('\t', start);
    if (tab == std::string::npos) break;
    parts.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  parts.push_back(line.substr(start));
  return parts;
}

bool ParseNumber(const std::string &text, uint32_t *number) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *number = static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
  return true;
}

bool ParseStateLine(const std::string &line, Win32State *state) {
  std::vector<std::string> parts = SplitTabs(line, 4);
  if (parts[0] == kWindowTag && parts.size() == 4) {
    TopLevelWindow window;
    window.className = parts[2];
    window.title = parts[3];
    if (!ParseNumber(parts[1], &window.handle) || window.handle == 0) return false;
    state->windows.push_back(window);
    return true;
  }
  parts = SplitTabs(line, 3);
  if (parts[0] == kStartedTag && parts.size() == 3) {
    StartedProgram program;
    program.commandLine = parts[2];
    if (!ParseNumber(parts[1], &program.showCommand)) return false;
    state->started.push_back(program);
    return true;
  }
  return false;
}

bool LoadStateOrFail(Win32State *state) {
  std::string error;
  return LoadWin32State(Win32StatePath(), state, &error);
}

bool SaveState(const Win32State &state) {
  std::string error;
  return SaveWin32State(Win32StatePath(), state, &error);
}

bool MatchesIfGiven(LPCSTR wanted, const std::string &actual) {
  return wanted == nullptr || EqualNoCase(wanted, actual);
}

bool IsFile(const std::string &windowsPath) {
  std::string hostPath;
  struct stat info;
  return MapWindowsPath(windowsPath, &hostPath) == ERROR_SUCCESS &&
         stat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool HasExtension(const std::string &path) {
  size_t dot = path.rfind('.');
  size_t separator = path.find_last_of("\\/");
  return dot != std::string::npos && (separator == std::string::npos || dot > separator);
}

// The program a command line starts. An unquoted path with blanks is tried
// as Windows tries it: each prefix ending before a blank, then the whole
// line; a name without extension is also tried with ".exe".
bool FindProgram(const std::string &commandLine, std::string *program) {
  std::vector<std::string> candidates;
  if (!commandLine.empty() && commandLine[0] == '"') {
    candidates.push_back(commandLine.substr(1, commandLine.find('"', 1) - 1));
  } else {
    for (size_t blank = commandLine.find(' '); blank != std::string::npos;
         blank = commandLine.find(' ', blank + 1)) {
      candidates.push_back(commandLine.substr(0, blank));
    }
    candidates.push_back(commandLine);
  }
  for (const std::string &candidate : candidates) {
    if (!HasExtension(candidate) && IsFile(candidate + ".exe")) {
      *program = candidate + ".exe";
      return true;
    }
    if (IsFile(candidate)) {
      *program = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace

uint32_t Win32State::AddWindow(const std::string &className, const std::string &title) {
  uint32_t handle = 0;
  for (const TopLevelWindow &window : windows) handle = std::max(handle, window.handle);
  windows.push_back(TopLevelWindow{handle + 1, className, title});
  return handle + 1;
}

std::string Win32StatePath() {
  const char *file = std::getenv(kStateFileVariable);
  if (file != nullptr) return file;
  std::string root = WinRoot();
  return root.empty() ? "" : root + "/win32_state.txt";
}

bool LoadWin32State(const std::string &path, Win32State *state, std::string *error) {
  *state = Win32State();
  std::ifstream in(path);
  if (!in) return true;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty()) continue;
    if (!ParseStateLine(line, state)) {
      *error = path + ": line " + std::to_string(number) + ": not a window or started program";
      return false;
    }
  }
  return true;
}

bool SaveWin32State(const std::string &path, const Win32State &state, std::string *error) {
  std::ostringstream out;
  for (const TopLevelWindow &window : state.windows) {
    out << kWindowTag << '\t' << window.handle << '\t' << window.className << '\t' << window.title
        << '\n';
  }
  for (const StartedProgram &program : state.started) {
    out << kStartedTag << '\t' << program.showCommand << '\t' << program.commandLine << '\n';
  }
  // Replaced as a whole: a failed write (a full disk, a size limit) must
  // not leave the file empty and lose the records.
  const int reason = hostkernel::ReplaceFileContents(path, out.str());
  if (reason != 0) *error = path + ": cannot be written: " + std::strerror(reason);
  return reason == 0;
}

}  // namespace hostwin32

using hostwin32::FailWith;

extern "C" HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
  hostwin32::Win32State state;
  if (!hostwin32::LoadStateOrFail(&state)) return FailWith(ERROR_INVALID_DATA, nullptr);
  for (const hostwin32::TopLevelWindow &window : state.windows) {
    if (hostwin32::MatchesIfGiven(lpClassName, window.className) &&
        hostwin32::MatchesIfGiven(lpWindowName, window.title)) {
      return reinterpret_cast<HWND>(static_cast<uintptr_t>(window.handle));
    }
  }
  return nullptr;
}

// Of the messages only WM_CLOSE does something: the window goes away, as a
// dialog does whose default handling destroys it.
extern "C" LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
  hostwin32::Win32State state;
  if (!hostwin32::LoadStateOrFail(&state)) return FailWith(ERROR_INVALID_DATA, 0);
  for (size_t i = 0; i < state.windows.size(); ++i) {
    if (reinterpret_cast<uintptr_t>(hWnd) != state.windows[i].handle) continue;
    if (Msg == WM_CLOSE) {
      state.windows.erase(state.windows.begin() + static_cast<long>(i));
      hostwin32::SaveState(state);
    }
    return 0;
  }
  return FailWith(ERROR_INVALID_WINDOW_HANDLE, 0);
}

extern "C" UINT WINAPI WinExec(LPCSTR lpCmdLine, UINT uCmdShow) {
  std::string program;
  if (lpCmdLine == nullptr || !hostwin32::FindProgram(lpCmdLine, &program)) {
    return FailWith(ERROR_FILE_NOT_FOUND, static_cast<UINT>(ERROR_FILE_NOT_FOUND));
  }
  hostwin32::Win32State state;
  if (!hostwin32::LoadStateOrFail(&state)) {
    return FailWith(ERROR_INVALID_DATA, static_cast<UINT>(ERROR_INVALID_DATA));
  }
  state.started.push_back(hostwin32::StartedProgram{uCmdShow, lpCmdLine});
  if (!hostwin32::SaveState(state)) {
    return FailWith(ERROR_ACCESS_DENIED, static_cast<UINT>(ERROR_ACCESS_DENIED));
  }
  return hostwin32::kWinExecSucceeded;
}
