// A Windows machine on the host for one run of the uninstaller binary: the
// C: drive, the registry file and the state file of windows and started
// programs, in a temporary directory. A test fills it, runs the uninstaller
// and then checks each tree against the one before, less what it expects
// deleted, so that anything else touched is found.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host_test_support.h"
#include "hostkernel/registry_store.h"
#include "hostwin32/host_control.h"

namespace hostwin32_test {

struct FileEntry {
  bool directory = false;
  bool readOnly = false;
  std::string content;
  bool operator==(const FileEntry &other) const {
    return directory == other.directory && readOnly == other.readOnly && content == other.content;
  }
};
// Paths relative to the C: drive, '/'-separated, as spelt on disk.
using FileTree = std::map<std::string, FileEntry>;

class TestMachine {
 public:
  TestMachine();

  // Paths are relative to C:\, '/'-separated, in the case they have on disk.
  void AddFile(const std::string &path, const std::string &content, bool readOnly = false);
  hostkernel::RegistryStore &Registry() { return registry_; }
  hostwin32::Win32State &State() { return state_; }

  // Writes the registry and state files, runs the uninstaller without
  // arguments and returns its exit code (-1 when it did not exit).
  int Run();
  // What the run printed on standard output and error.
  std::string Output() const;

  // Checks after Run that exactly these files are gone and nothing else
  // changed on the drive.
  void ExpectFilesDeletedExactly(const std::set<std::string> &deleted) const;
  // Checks after Run that exactly these keys (with their subkeys) and values
  // are gone and nothing else changed in the registry.
  void ExpectRegistryDeletedExactly(
      const std::vector<std::string> &deletedKeys,
      const std::vector<std::pair<std::string, std::string>> &deletedValues = {}) const;
  hostwin32::Win32State StateAfter() const;

 private:
  std::string Root() const { return directory_.Path() + "/C"; }
  FileTree ReadFileTree() const;

  TempDirectory directory_;
  hostkernel::RegistryStore registry_;
  hostwin32::Win32State state_;
  std::string registryBefore_;
  FileTree filesBefore_;
};

}  // namespace hostwin32_test
