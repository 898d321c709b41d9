// The registry functions over the store of the registry file. Keys opened
// with RegOpenKeyExA are handles to store paths; a key deleted while open
// leaves a handle whose calls fail with ERROR_KEY_DELETED.
#include <sys/stat.h>

#include <cstdlib>
#include <map>

#include "host_registry.h"
#include "hostwin32/host_control.h"
#include "layer_common.h"

namespace hostwin32 {
namespace {

constexpr char kMachineHive[] = "MACHINE";
constexpr char kUsersHive[] = "USER";
// Handles are small even numbers, far from the predefined keys.
constexpr uintptr_t kFirstHandle = 0x100;
constexpr uintptr_t kHandleStep = 4;

struct LoadedRegistry {
  bool loaded = false;
  bool usable = false;
  std::string path;
  hostkernel::RegistryStore store;
};

LoadedRegistry &Loaded() {
  static LoadedRegistry registry;
  return registry;
}

std::string RegistryFilePath() {
  const char *file = std::getenv(kRegistryFileVariable);
  if (file != nullptr) return file;
  std::string root = WinRoot();
  return root.empty() ? "" : root + "/registry.reg";
}

bool FileExists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

struct OpenKeyTable {
  std::map<uintptr_t, std::string> paths;
  uintptr_t next = kFirstHandle;
};

OpenKeyTable &OpenKeys() {
  static OpenKeyTable table;
  return table;
}

// The store path of a handle, or false for a handle that is not open.
bool KeyPath(HKEY key, std::string *path) {
  if (key == HKEY_LOCAL_MACHINE) {
    *path = kMachineHive;
    return true;
  }
  if (key == HKEY_USERS) {
    *path = kUsersHive;
    return true;
  }
  auto found = OpenKeys().paths.find(reinterpret_cast<uintptr_t>(key));
  if (found == OpenKeys().paths.end()) return false;
  *path = found->second;
  return true;
}

std::string ChildPath(const std::string &parent, LPCSTR subKey) {
  if (subKey == nullptr || *subKey == '\0') return parent;
  return parent + "\\" + Utf8FromAnsi(subKey);
}

// Resolves (key, subKey) to a store path; returns the Win32 error.
LONG ResolveKey(HKEY key, LPCSTR subKey, std::string *path) {
  if (Registry() == nullptr) return ERROR_BADDB;
  std::string parent;
  if (!KeyPath(key, &parent)) return ERROR_INVALID_HANDLE;
  if (Registry()->FindKey(parent) == nullptr) return ERROR_KEY_DELETED;
  *path = ChildPath(parent, subKey);
  return ERROR_SUCCESS;
}

void AppendUtf16Le(const std::string &ansi, std::vector<uint8_t> *data) {
  for (char c : ansi) {
    data->push_back(static_cast<uint8_t>(c));
    data->push_back(0);
  }
  data->push_back(0);
  data->push_back(0);
}

}  // namespace

hostkernel::RegistryStore *Registry() {
  LoadedRegistry &registry = Loaded();
  if (!registry.loaded) {
    registry.loaded = true;
    registry.path = RegistryFilePath();
    registry.store.Clear();
    std::string error;
    registry.usable = registry.path.empty() || !FileExists(registry.path) ||
                      registry.store.LoadFile(registry.path, &error);
  }
  return registry.usable ? &registry.store : nullptr;
}

void SaveRegistry() {
  LoadedRegistry &registry = Loaded();
  std::string error;
  if (registry.usable && !registry.path.empty()) registry.store.SaveFile(registry.path, &error);
}

void ReloadRegistry() {
  Loaded().loaded = false;
  OpenKeys().paths.clear();
}

std::vector<uint8_t> RegSzData(const std::string &ansi) {
  std::vector<uint8_t> data;
  AppendUtf16Le(ansi, &data);
  return data;
}

std::vector<uint8_t> RegMultiSzData(const std::vector<std::string> &ansiStrings) {
  std::vector<uint8_t> data;
  for (const std::string &text : ansiStrings) AppendUtf16Le(text, &data);
  data.push_back(0);
  data.push_back(0);
  return data;
}

std::string AnsiFromUtf16Le(const std::vector<uint8_t> &data) {
  std::string ansi;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    unsigned unit = data[i] | (data[i + 1] << 8);
    ansi += unit < 0x100 ? static_cast<char>(unit) : '?';
  }
  return ansi;
}

}  // namespace hostwin32

using hostwin32::Registry;
using hostwin32::ResolveKey;

extern "C" LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM,
                                     PHKEY phkResult) {
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  std::string path;
  LONG error = ResolveKey(hKey, lpSubKey, &path);
  if (error != ERROR_SUCCESS) return error;
  if (Registry()->FindKey(path) == nullptr) return ERROR_FILE_NOT_FOUND;
  hostwin32::OpenKeyTable &table = hostwin32::OpenKeys();
  uintptr_t handle = table.next;
  table.next += hostwin32::kHandleStep;
  table.paths[handle] = path;
  *phkResult = reinterpret_cast<HKEY>(handle);
  return ERROR_SUCCESS;
}

extern "C" LONG WINAPI RegCloseKey(HKEY hKey) {
  if (hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_USERS) return ERROR_SUCCESS;
  return hostwin32::OpenKeys().paths.erase(reinterpret_cast<uintptr_t>(hKey)) == 1
             ? ERROR_SUCCESS
             : ERROR_INVALID_HANDLE;
}

extern "C" LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (lpSubKey == nullptr || *lpSubKey == '\0') return ERROR_INVALID_PARAMETER;
  std::string path;
  LONG error = ResolveKey(hKey, lpSubKey, &path);
  if (error != ERROR_SUCCESS) return error;
  const hostkernel::RegistryKey *key = Registry()->FindKey(path);
  if (key == nullptr) return ERROR_FILE_NOT_FOUND;
  if (!key->subkeys.empty()) return ERROR_ACCESS_DENIED;
  Registry()->DeleteLeafKey(path);
  hostwin32::SaveRegistry();
  return ERROR_SUCCESS;
}

extern "C" LSTATUS WINAPI SHDeleteKeyA(HKEY hkey, LPCSTR pszSubKey) {
  if (pszSubKey == nullptr || *pszSubKey == '\0') return ERROR_INVALID_PARAMETER;
  std::string path;
  LONG error = ResolveKey(hkey, pszSubKey, &path);
  if (error != ERROR_SUCCESS) return error;
  if (!Registry()->DeleteKey(path)) return ERROR_FILE_NOT_FOUND;
  hostwin32::SaveRegistry();
  return ERROR_SUCCESS;
}

extern "C" LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  std::string path;
  LONG error = ResolveKey(hKey, nullptr, &path);
  if (error != ERROR_SUCCESS) return error;
  std::string name = hostwin32::Utf8FromAnsi(lpValueName ? lpValueName : "");
  if (!Registry()->DeleteValue(Registry()->FindKey(path), name)) return ERROR_FILE_NOT_FOUND;
  hostwin32::SaveRegistry();
  return ERROR_SUCCESS;
}
