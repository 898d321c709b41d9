#include "package_names.h"
#include "uninstall.h"

// Opens a key below HKEY_LOCAL_MACHINE; null when it cannot be opened.
static HKEY OpenMachineKey(LPCSTR path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return NULL;
  return key;
}

void RemoveRegistryEntries() {
  if (HKEY uninstallList = OpenMachineKey(kUninstallListKey)) {
    RegDeleteKeyA(uninstallList, kProductEntry);
    RegCloseKey(uninstallList);
  }
  if (HKEY autostart = OpenMachineKey(kAutostartKey)) {
    RegDeleteValueA(autostart, kAutostartValue);
    RegCloseKey(autostart);
  }
  if (HKEY services = OpenMachineKey(kServicesKey)) {
    SHDeleteKeyA(services, kServiceName);
    RegCloseKey(services);
  }
}
