#include "host_test_support.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "hostwin32/host_control.h"
#include "hostwin32/win32.h"

namespace hostwin32_test {

namespace fs = std::filesystem;

TempDirectory::TempDirectory() {
  std::string pattern = (fs::temp_directory_path() / "sorvex-win32-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDirectory::~TempDirectory() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteHostFile(const std::string &path, const std::string &content, bool readOnly) {
  fs::create_directories(fs::path(path).parent_path());
  if (HostFileExists(path)) fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  fs::perms perms = readOnly ? fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read
                             : fs::perms::owner_read | fs::perms::owner_write |
                                   fs::perms::group_read | fs::perms::others_read;
  fs::permissions(path, perms, fs::perm_options::replace);
}

std::string ReadHostFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool HostFileExists(const std::string &path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

bool HostFileIsReadOnly(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0;
}

void SetRegSz(hostkernel::RegistryStore &store, const std::string &keyPath,
              const std::string &name, const std::string &value) {
  store.SetValue(store.CreateKey(keyPath), name, REG_SZ, hostwin32::RegSzData(value));
}

void SetRegMultiSz(hostkernel::RegistryStore &store, const std::string &keyPath,
                   const std::string &name, const std::vector<std::string> &strings) {
  store.SetValue(store.CreateKey(keyPath), name, REG_MULTI_SZ, hostwin32::RegMultiSzData(strings));
}

std::unique_ptr<hostkernel::RegistryStore> LoadRegistry(const std::string &path) {
  auto store = std::make_unique<hostkernel::RegistryStore>();
  std::string error;
  EXPECT_TRUE(store->LoadFile(path, &error)) << error;
  return store;
}

std::string WithCrLf(const std::string &text) {
  std::string result;
  for (char c : text) {
    if (c == '\n') result += '\r';
    result += c;
  }
  return result;
}

HostMachineEnvironment::HostMachineEnvironment() {
  fs::create_directories(Root());
  setenv(hostwin32::kWinRootVariable, Root().c_str(), 1);
  setenv(hostwin32::kRegistryFileVariable, RegistryFile().c_str(), 1);
  setenv(hostwin32::kStateFileVariable, StateFile().c_str(), 1);
  hostwin32::ReloadRegistry();
}

HostMachineEnvironment::~HostMachineEnvironment() {
  unsetenv(hostwin32::kWinRootVariable);
  unsetenv(hostwin32::kRegistryFileVariable);
  unsetenv(hostwin32::kStateFileVariable);
  hostwin32::ReloadRegistry();
}

}  // namespace hostwin32_test
