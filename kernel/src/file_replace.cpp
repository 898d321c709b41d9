#include "hostkernel/file_replace.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace hostkernel {

namespace fs = std::filesystem;

std::string FollowLinks(const std::string &path) {
  fs::path current = path;
  // As many hops as the system itself follows before it reports a loop.
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code code;
    if (!fs::is_symlink(current, code)) break;
    const fs::path target = fs::read_symlink(current, code);
    if (code) break;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return current.string();
}

void KeepPermissions(const std::string &replaced, const std::string &replacement) {
  std::error_code code;
  const fs::file_status status = fs::status(replaced, code);
  if (!code && fs::is_regular_file(status)) fs::permissions(replacement, status.permissions(), code);
}

int ReplaceFileContents(const std::string &path, const std::string &text) {
  const std::string target = FollowLinks(path);
  const std::string temporary = target + ".tmp" + std::to_string(getpid());
  FILE *file = std::fopen(temporary.c_str(), "wb");
  int reason = 0;
  if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size()) reason = errno;
  if (file != nullptr && std::fclose(file) != 0 && reason == 0) reason = errno;
  if (reason == 0) {
    KeepPermissions(target, temporary);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) reason = errno;
  }
  if (reason != 0) std::remove(temporary.c_str());
  return reason;
}

}  // namespace hostkernel
