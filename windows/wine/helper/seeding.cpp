#include "seeding.h"

#include <windows.h>
// After windows.h, which they need.
#include <objbase.h>
#include <setupapi.h>

#include <cstdio>

namespace wine_test {
namespace {

bool Fail(const std::string &what) {
  fprintf(stderr, "setup failed: %s (error %lu)\n", what.c_str(), GetLastError());
  return false;
}

bool SetMachineValue(const std::string &keyPath, const std::string &name, DWORD type,
                     const std::string &data) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                      NULL) != ERROR_SUCCESS) {
    return Fail("create key " + keyPath);
  }
  LONG result =
      RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE *>(data.data()),
                     static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  return result == ERROR_SUCCESS || Fail("set value " + keyPath + "|" + name);
}

// "a\0b\0\0": the strings each with its terminator, then an empty one.
std::string MultiString(const std::vector<std::string> &values) {
  std::string data;
  for (const std::string &value : values) data += value + '\0';
  return data + '\0';
}

bool CreateFolders(const std::string &path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
    const std::string folder = path.substr(0, at);
    if (!CreateDirectoryA(folder.c_str(), NULL) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return Fail("create folder " + folder);
    }
  }
  return true;
}

}  // namespace

bool SetMachineString(const std::string &keyPath, const std::string &name,
                      const std::string &value) {
  return SetMachineValue(keyPath, name, REG_SZ, value + '\0');
}

bool SetMachineMultiString(const std::string &keyPath, const std::string &name,
                           const std::vector<std::string> &values) {
  return SetMachineValue(keyPath, name, REG_MULTI_SZ, MultiString(values));
}

bool WriteFileAt(const std::string &path, const std::string &content, bool readOnly) {
  if (!CreateFolders(path)) return false;
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return Fail("create file " + path);
  DWORD written = 0;
  BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, NULL);
  CloseHandle(file);
  if (!ok || written != content.size()) return Fail("write file " + path);
  if (readOnly && !SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)) {
    return Fail("make read-only " + path);
  }
  return true;
}

bool CopyThisProgramTo(const std::string &path) {
  char self[MAX_PATH];
  if (GetModuleFileNameA(NULL, self, sizeof self) == 0) return Fail("find this program");
  return CreateFolders(path) &&
         (CopyFileA(self, path.c_str(), FALSE) || Fail("copy this program to " + path));
}

std::string WithCrLf(const std::string &text) {
  std::string result;
  for (char c : text) {
    if (c == '\n') result += '\r';
    result += c;
  }
  return result;
}

bool AddDevice(const std::string &instanceId, const std::string &classGuid,
               const std::vector<std::string> &hardwareIds) {
  GUID guid;
  std::wstring wideGuid(classGuid.begin(), classGuid.end());
  if (CLSIDFromString(wideGuid.c_str(), &guid) != NOERROR) return Fail("parse GUID " + classGuid);
  HDEVINFO devices = SetupDiCreateDeviceInfoList(&guid, NULL);
  if (devices == INVALID_HANDLE_VALUE) return Fail("device list for " + classGuid);
  SP_DEVINFO_DATA device;
  device.cbSize = sizeof device;
  const std::string ids = MultiString(hardwareIds);
  bool ok = SetupDiCreateDeviceInfoA(devices, instanceId.c_str(), &guid, NULL, NULL, 0, &device) &&
            SetupDiSetDeviceRegistryPropertyA(devices, &device, SPDRP_HARDWAREID,
                                              reinterpret_cast<const BYTE *>(ids.data()),
                                              static_cast<DWORD>(ids.size())) &&
            SetupDiRegisterDeviceInfo(devices, &device, 0, NULL, NULL, NULL);
  if (!ok) Fail("register device " + instanceId);
  SetupDiDestroyDeviceInfoList(devices);
  return ok;
}

}  // namespace wine_test
