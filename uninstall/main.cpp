// Removes the camera package from the machine. Takes no arguments, prints
// nothing and always exits with 0.
#include "package_names.h"
#include "uninstall.h"

// While the installer is registered, its maintenance program removes the
// package, so that the installer's records stay right.
static bool HandOverToInstaller() {
  HKEY installer;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallerKey, 0, KEY_ALL_ACCESS, &installer) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(installer);
  WinExec(kMaintenanceProgram, SW_SHOW);
  return true;
}

int main() {
  if (HandOverToInstaller()) return 0;
  RemoveRegistryEntries();
  CloseCompanionApp();
  // Its file pass handles the first matching INF, the pass below the next:
  // two installed copies of the INF are both removed.
  RemoveDevices();
  DeletePackageFiles();
  return 0;
}
