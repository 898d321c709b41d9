#include <string.h>

#include "package_names.h"
#include "text.h"
#include "uninstall.h"

namespace {

const int kMaxHardwareIds = 64;
const DWORD kHardwareIdSize = 64;
const DWORD kPropertyBufferSize = 256;

// The package's hardware ids, lower-cased; kept for the life of the process.
struct HardwareIdList {
  char ids[kMaxHardwareIds][kHardwareIdSize];
  int count;
};
HardwareIdList hardwareIds;

// Adds field 2 of a models line. An id that does not fit its slot, an empty
// one (it would match every device) and ids past the 64th are left out.
void AddHardwareId(INFCONTEXT *modelLine) {
  if (hardwareIds.count >= kMaxHardwareIds) return;
  char *slot = hardwareIds.ids[hardwareIds.count];
  if (!SetupGetStringFieldA(modelLine, kHardwareIdField, slot, kHardwareIdSize, NULL)) return;
  if (slot[0] == '\0') return;
  LowerCase(slot);
  ++hardwareIds.count;
}

// Whether the device's first hardware id contains one of the listed ids.
bool HasListedHardwareId(HDEVINFO devices, SP_DEVINFO_DATA *device) {
  // One byte more than the property may fill, so that the first string ends
  // even in malformed data.
  char property[kPropertyBufferSize + 1];
  memset(property, 0, sizeof property);
  if (!SetupDiGetDeviceRegistryPropertyA(devices, device, SPDRP_HARDWAREID, NULL,
                                         reinterpret_cast<PBYTE>(property),
                                         kPropertyBufferSize, NULL)) {
    return false;
  }
  LowerCase(property);
  for (int i = 0; i < hardwareIds.count; ++i) {
    if (strstr(property, hardwareIds.ids[i]) != NULL) return true;
  }
  return false;
}

void RemoveListedDevices() {
  GUID imageClass;
  DWORD classCount = 0;
  if (!SetupDiClassGuidsFromNameA(kDeviceSetupClass, &imageClass, 1, &classCount) ||
      classCount == 0) {
    return;
  }
  // Flags 0: absent devices too, so that none is left to come back.
  HDEVINFO devices = SetupDiGetClassDevsA(&imageClass, NULL, NULL, 0);
  if (devices == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device;
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    if (HasListedHardwareId(devices, &device)) {
      SetupDiCallClassInstaller(DIF_REMOVE, devices, &device);
    }
  }
  SetupDiDestroyDeviceInfoList(devices);
}

}  // namespace

void CollectHardwareIds() {
  hardwareIds.count = 0;
  char infName[kPathSize];
  FILE *inf = OpenPackageInf(infName);
  // Without the package's INF there is nothing to collect: the last name
  // tried may belong to another package.
  if (inf == NULL) return;
  fclose(inf);
  HINF handle = SetupOpenInfFileA(infName, NULL, INF_STYLE_WIN4, NULL);
  if (handle == INVALID_HANDLE_VALUE) return;
  INFCONTEXT modelLine;
  for (BOOL found = SetupFindFirstLineA(handle, kModelsSection, NULL, &modelLine); found;
       found = SetupFindNextLine(&modelLine, &modelLine)) {
    AddHardwareId(&modelLine);
  }
  SetupCloseInfFile(handle);
}

void RemoveDevices() {
  CollectHardwareIds();
  RemoveListedDevices();
  DeletePackageFiles();
}
