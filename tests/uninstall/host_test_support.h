// Temporary machines on the host for the tests of the Win32 layer and the
// uninstaller: a temporary directory and files in it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "hostkernel/registry_store.h"

namespace hostwin32_test {

// A fresh directory, removed with everything in it at destruction.
class TempDirectory {
 public:
  TempDirectory();
  ~TempDirectory();
  TempDirectory(const TempDirectory &) = delete;
  TempDirectory &operator=(const TempDirectory &) = delete;

  const std::string &Path() const { return path_; }

 private:
  std::string path_;
};

// Writes a file, creating its directories; read-only clears its write bits.
void WriteHostFile(const std::string &path, const std::string &content, bool readOnly = false);
std::string ReadHostFile(const std::string &path);
bool HostFileExists(const std::string &path);
bool HostFileIsReadOnly(const std::string &path);

// Registry set-up: creates the key as needed and sets a string value.
void SetRegSz(hostkernel::RegistryStore &store, const std::string &keyPath,
              const std::string &name, const std::string &value);
void SetRegMultiSz(hostkernel::RegistryStore &store, const std::string &keyPath,
                   const std::string &name, const std::vector<std::string> &strings);
// The registry file as a store; fails the test when it does not load.
std::unique_ptr<hostkernel::RegistryStore> LoadRegistry(const std::string &path);

// Text with its LF line ends made CR LF, as INF files are written.
std::string WithCrLf(const std::string &text);

// Sets the layer's environment variables to a machine in a temporary
// directory (the C: drive is <dir>/C) and makes the layer load the registry
// again; clears them at destruction.
class HostMachineEnvironment {
 public:
  HostMachineEnvironment();
  ~HostMachineEnvironment();

  std::string Root() const { return directory_.Path() + "/C"; }
  std::string RegistryFile() const { return directory_.Path() + "/registry.reg"; }
  std::string StateFile() const { return directory_.Path() + "/state.txt"; }

 private:
  TempDirectory directory_;
};

}  // namespace hostwin32_test
