// Host device objects: each one names its driver (software) key.
#include "hostkernel/host_control.h"
#include "registry_internal.h"

struct _DEVICE_OBJECT {
  std::string driverKeyPath;
};

namespace hostkernel {

PDEVICE_OBJECT CreateDeviceObject(const std::string &driverKeyPath) { return new DEVICE_OBJECT{driverKeyPath}; }

void DeleteDeviceObject(PDEVICE_OBJECT device) { delete device; }

}  // namespace hostkernel

extern "C" NTSTATUS NTAPI IoOpenDeviceRegistryKey(PDEVICE_OBJECT DeviceObject, ULONG DevInstKeyType,
                                            ACCESS_MASK DesiredAccess, HANDLE *DevInstRegKey) {
  if (DeviceObject == nullptr || DevInstRegKey == nullptr) return STATUS_INVALID_PARAMETER;
  if (DevInstKeyType != PLUGPLAY_REGKEY_DRIVER) return STATUS_INVALID_PARAMETER;
  return hostkernel::OpenKeyHandleAtPath(DeviceObject->driverKeyPath, DesiredAccess, DevInstRegKey);
}
