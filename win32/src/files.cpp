// The C: drive on the host: path mapping, the Windows and system directories,
// file attributes, deletion and opening files. The read-only attribute is
// the file's write permission.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "hostwin32/host_control.h"
#include "layer_common.h"

namespace hostwin32 {
namespace {

constexpr char kWindowsDirectory[] = "C:\\WINDOWS";
constexpr char kSystemDirectory[] = "C:\\WINDOWS\\system32";
constexpr char kForbiddenNameCharacters[] = "<>:\"|?*";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsValidName(const std::string &component) {
  for (char c : component) {
    if (static_cast<unsigned char>(c) < 32 || std::strchr(kForbiddenNameCharacters, c)) {
      return false;
    }
  }
  return true;
}

// Windows drops trailing dots and spaces of a name ("a.sys." is "a.sys").
std::string TrimTrailingDotsAndSpaces(std::string component) {
  while (!component.empty() && (component.back() == '.' || component.back() == ' ')) {
    component.pop_back();
  }
  return component;
}

// The part of the path after "C:", or false for another drive, a path
// relative to a current directory or a network path.
bool PathOnDriveC(const std::string &path, std::string *rest) {
  bool hasDrive = path.size() >= 2 && path[1] == ':';
  if (hasDrive && path[0] != 'C' && path[0] != 'c') return false;
  std::string tail = hasDrive ? path.substr(2) : path;
  if (tail.empty() || !IsSeparator(tail[0])) return false;
  bool networkPath = !hasDrive && tail.size() >= 2 && IsSeparator(tail[1]);
  if (networkPath) return false;
  *rest = tail;
  return true;
}

// Splits into components with "." and ".." resolved; ".." stops at the root.
bool SplitComponents(const std::string &rest, std::vector<std::string> *components) {
  std::string current;
  auto flush = [&]() -> bool {
    if (current == "..") {
      if (!components->empty()) components->pop_back();
    } else if (current != "." && !current.empty()) {
      std::string name = TrimTrailingDotsAndSpaces(current);
      if (!IsValidName(name)) return false;
      if (!name.empty()) components->push_back(name);
    }
    current.clear();
    return true;
  };
  for (char c : rest) {
    if (IsSeparator(c)) {
      if (!flush()) return false;
    } else {
      current += c;
    }
  }
  return flush();
}

// The entry of `directory` named `name` in any case: the exact spelling when
// present, else the first in sorted order. Empty when there is none.
std::string FindEntryNoCase(const std::string &directory, const std::string &name) {
  DIR *dir = opendir(directory.c_str());
  if (dir == nullptr) return "";
  std::string found;
  while (const dirent *entry = readdir(dir)) {
    std::string candidate = entry->d_name;
    if (candidate == name) {
      found = candidate;
      break;
    }
    if (EqualNoCase(candidate, name) && (found.empty() || candidate < found)) found = candidate;
  }
  closedir(dir);
  return found;
}

bool IsDirectory(const std::string &hostPath) {
  struct stat info;
  return stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

// Maps the path and stats it; false with the last error set when either fails.
bool StatWindowsPath(LPCSTR path, std::string *hostPath, struct stat *info) {
  if (path == nullptr) return FailWith(ERROR_INVALID_PARAMETER, false);
  uint32_t error = MapWindowsPath(path, hostPath);
  if (error != ERROR_SUCCESS) return FailWith(error, false);
  if (lstat(hostPath->c_str(), info) != 0) return FailWith(ErrorFromErrno(errno), false);
  return true;
}

bool IsReadOnly(const struct stat &info) { return (info.st_mode & S_IWUSR) == 0; }

// ---- Text mode reading, as the Windows C runtime does it ----
struct TextReader {
  FILE *file;
  bool ended;
};

ssize_t ReadText(void *cookie, char *buffer, size_t size) {
  auto *reader = static_cast<TextReader *>(cookie);
  size_t count = 0;
  while (count < size && !reader->ended) {
    int c = getc(reader->file);
    if (c == EOF || c == 0x1A) {
      reader->ended = true;
      break;
    }
    if (c == '\r') {
      int next = getc(reader->file);
      if (next == '\n') {
        c = '\n';
      } else if (next != EOF) {
        ungetc(next, reader->file);
      }
    }
    buffer[count++] = static_cast<char>(c);
  }
  if (count == 0 && ferror(reader->file)) return -1;
  return static_cast<ssize_t>(count);
}

int CloseText(void *cookie) {
  auto *reader = static_cast<TextReader *>(cookie);
  int result = fclose(reader->file);
  delete reader;
  return result;
}

FILE *OpenTextForReading(const std::string &hostPath) {
  FILE *file = fopen(hostPath.c_str(), "rb");
  if (file == nullptr) return nullptr;
  cookie_io_functions_t functions = {ReadText, nullptr, nullptr, CloseText};
  auto *reader = new TextReader{file, false};
  FILE *text = fopencookie(reader, "r", functions);
  if (text == nullptr) CloseText(reader);
  return text;
}

}  // namespace

uint32_t MapWindowsPath(const std::string &windowsPath, std::string *hostPath) {
  std::string root = WinRoot();
  std::string rest;
  if (root.empty() || !PathOnDriveC(windowsPath, &rest)) return ERROR_PATH_NOT_FOUND;
  std::vector<std::string> components;
  if (!SplitComponents(rest, &components)) return ERROR_INVALID_NAME;
  std::string current = root;
  for (size_t i = 0; i < components.size(); ++i) {
    bool last = i + 1 == components.size();
    std::string entry = FindEntryNoCase(current, components[i]);
    current += "/" + (entry.empty() ? components[i] : entry);
    if (!last && (entry.empty() || !IsDirectory(current))) return ERROR_PATH_NOT_FOUND;
  }
  *hostPath = current;
  return ERROR_SUCCESS;
}

}  // namespace hostwin32

using hostwin32::FailWith;

extern "C" UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  return hostwin32::CopyStringResult(hostwin32::kWindowsDirectory, lpBuffer, uSize);
}

extern "C" UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
  return hostwin32::CopyStringResult(hostwin32::kSystemDirectory, lpBuffer, uSize);
}

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  std::string hostPath;
  struct stat info;
  if (!hostwin32::StatWindowsPath(lpFileName, &hostPath, &info)) return INVALID_FILE_ATTRIBUTES;
  DWORD attributes = 0;
  if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (hostwin32::IsReadOnly(info)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

extern "C" BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
  if (dwFileAttributes == INVALID_FILE_ATTRIBUTES) return FailWith(ERROR_INVALID_PARAMETER, FALSE);
  std::string hostPath;
  struct stat info;
  if (!hostwin32::StatWindowsPath(lpFileName, &hostPath, &info)) return FALSE;
  mode_t mode = info.st_mode & 07777;
  if (dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
    mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  } else {
    mode |= S_IWUSR;
  }
  if (mode == (info.st_mode & 07777)) return TRUE;
  // A symbolic link's attributes are its own: a change must never reach the
  // file it points to, which may lie outside the drive. The host keeps no
  // mode for a link, so setting read-only on one fails.
  int flags = S_ISLNK(info.st_mode) ? AT_SYMLINK_NOFOLLOW : 0;
  if (fchmodat(AT_FDCWD, hostPath.c_str(), mode, flags) != 0) {
    return FailWith(hostwin32::ErrorFromErrno(errno), FALSE);
  }
  return TRUE;
}

extern "C" BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  std::string hostPath;
  struct stat info;
  if (!hostwin32::StatWindowsPath(lpFileName, &hostPath, &info)) return FALSE;
  // Windows refuses to delete a directory or a read-only file with this call;
  // the host would not, above all for root.
  if (S_ISDIR(info.st_mode) || hostwin32::IsReadOnly(info)) {
    return FailWith(ERROR_ACCESS_DENIED, FALSE);
  }
  if (unlink(hostPath.c_str()) != 0) return FailWith(hostwin32::ErrorFromErrno(errno), FALSE);
  return TRUE;
}

extern "C" FILE *HostOpenFileA(LPCSTR fileName, const char *mode) {
  std::string hostPath;
  if (fileName == nullptr || mode == nullptr ||
      hostwin32::MapWindowsPath(fileName, &hostPath) != ERROR_SUCCESS) {
    errno = ENOENT;
    return nullptr;
  }
  std::string hostMode;
  for (const char *c = mode; *c; ++c) {
    if (*c != 't') hostMode += *c;
  }
  bool textRead = hostMode == "r";
  return textRead ? hostwin32::OpenTextForReading(hostPath) : fopen(hostPath.c_str(), hostMode.c_str());
}
