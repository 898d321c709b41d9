// The setup API's device functions. Devices live where Windows keeps them:
// an instance key MACHINE\SYSTEM\CurrentControlSet\Enum\<enumerator>\<device>
// \<instance> with its properties as values ("ClassGUID", "HardwareID",
// "Driver", ...). Setup classes are the keys Control\Class\{GUID} with a
// "Class" value naming them. All devices in Enum count as present.
#include <cstdio>
#include <cstring>
#include <set>

#include "host_registry.h"
#include "hostwin32/host_control.h"
#include "layer_common.h"

namespace hostwin32 {
namespace {

constexpr char kEnumKey[] = "MACHINE\\SYSTEM\\CurrentControlSet\\Enum";
constexpr char kClassKey[] = "MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class";
constexpr DWORD kSupportedFlags = DIGCF_DEFAULT | DIGCF_PRESENT | DIGCF_ALLCLASSES | DIGCF_PROFILE;

struct PropertyName {
  DWORD property;
  const char *valueName;
};
const PropertyName kProperties[] = {
    {SPDRP_DEVICEDESC, "DeviceDesc"}, {SPDRP_HARDWAREID, "HardwareID"},
    {SPDRP_COMPATIBLEIDS, "CompatibleIDs"}, {SPDRP_SERVICE, "Service"},
    {SPDRP_CLASS, "Class"}, {SPDRP_CLASSGUID, "ClassGUID"},
    {SPDRP_DRIVER, "Driver"}, {SPDRP_MFG, "Mfg"},
    {SPDRP_FRIENDLYNAME, "FriendlyName"},
};

struct DeviceEntry {
  std::string instanceKey;  // store path
  GUID classGuid;
  bool removed;
};

// The set of devices taken at SetupDiGetClassDevsA. Removing a device keeps
// its element, so member indexes do not move during an enumeration.
struct DeviceInfoSet {
  std::vector<DeviceEntry> devices;
};

std::set<DeviceInfoSet *> &OpenSets() {
  static std::set<DeviceInfoSet *> sets;
  return sets;
}

DeviceInfoSet *SetFromHandle(HDEVINFO handle) {
  auto found = OpenSets().find(static_cast<DeviceInfoSet *>(handle));
  return found == OpenSets().end() ? nullptr : *found;
}

std::string FormatGuid(const GUID &guid) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

bool ParseGuid(const std::string &text, GUID *guid) {
  unsigned data1 = 0, data2 = 0, data3 = 0, data4[8] = {};
  int parsed = std::sscanf(text.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &data1, &data2,
                           &data3, &data4[0], &data4[1], &data4[2], &data4[3], &data4[4],
                           &data4[5], &data4[6], &data4[7]);
  if (parsed != 11 || text.size() != 38) return false;
  guid->Data1 = data1;
  guid->Data2 = static_cast<uint16_t>(data2);
  guid->Data3 = static_cast<uint16_t>(data3);
  for (int i = 0; i < 8; ++i) guid->Data4[i] = static_cast<uint8_t>(data4[i]);
  return EqualNoCase(FormatGuid(*guid), text);
}

bool SameGuid(const GUID &a, const GUID &b) { return FormatGuid(a) == FormatGuid(b); }

// The first string of a string value, or empty.
std::string StringValue(const hostkernel::RegistryKey &key, const std::string &name) {
  const hostkernel::RegistryValue *value = key.FindValue(name);
  if (value == nullptr || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return "";
  std::string text = AnsiFromUtf16Le(value->data);
  return text.substr(0, text.find('\0'));
}

std::vector<GUID> ClassGuidsNamed(const std::string &className) {
  std::vector<GUID> guids;
  const hostkernel::RegistryKey *classes = Registry()->FindKey(kClassKey);
  if (classes == nullptr) return guids;
  for (const auto &classKey : classes->subkeys) {
    GUID guid;
    if (EqualNoCase(StringValue(*classKey, "Class"), className) &&
        ParseGuid(classKey->name, &guid)) {
      guids.push_back(guid);
    }
  }
  return guids;
}

// Adds the instances below one enumerator key that belong to the class.
void AddInstances(const hostkernel::RegistryKey &enumerator, const std::string &enumeratorPath,
                  const GUID *classGuid, DeviceInfoSet *set) {
  for (const auto &device : enumerator.subkeys) {
    for (const auto &instance : device->subkeys) {
      GUID guid = {};
      ParseGuid(StringValue(*instance, "ClassGUID"), &guid);
      if (classGuid != nullptr && !SameGuid(guid, *classGuid)) continue;
      std::string path = enumeratorPath + "\\" + device->name + "\\" + instance->name;
      set->devices.push_back(DeviceEntry{path, guid, false});
    }
  }
}

// The element a SP_DEVINFO_DATA names, or null with the last error set.
DeviceEntry *EntryFor(HDEVINFO handle, const SP_DEVINFO_DATA *data) {
  DeviceInfoSet *set = SetFromHandle(handle);
  if (set == nullptr) return FailWith(ERROR_INVALID_HANDLE, nullptr);
  if (data == nullptr) return FailWith(ERROR_INVALID_PARAMETER, nullptr);
  if (data->cbSize != sizeof(SP_DEVINFO_DATA)) return FailWith(ERROR_INVALID_USER_BUFFER, nullptr);
  if (data->Reserved == 0 || data->Reserved > set->devices.size()) {
    return FailWith(ERROR_INVALID_PARAMETER, nullptr);
  }
  return &set->devices[data->Reserved - 1];
}

const char *PropertyValueName(DWORD property) {
  for (const PropertyName &entry : kProperties) {
    if (entry.property == property) return entry.valueName;
  }
  return nullptr;
}

// Registry data as the ANSI functions return it: strings converted to ANSI,
// other types unchanged.
std::vector<uint8_t> AnsiData(const hostkernel::RegistryValue &value) {
  if (value.type != REG_SZ && value.type != REG_EXPAND_SZ && value.type != REG_MULTI_SZ) {
    return value.data;
  }
  std::string text = AnsiFromUtf16Le(value.data);
  return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace
}  // namespace hostwin32

using hostwin32::FailWith;
using hostwin32::Registry;

extern "C" BOOL WINAPI SetupDiClassGuidsFromNameA(PCSTR ClassName, LPGUID ClassGuidList,
                                                  DWORD ClassGuidListSize, PDWORD RequiredSize) {
  if (ClassName == nullptr || RequiredSize == nullptr) return FailWith(ERROR_INVALID_PARAMETER, FALSE);
  if (Registry() == nullptr) return FailWith(ERROR_BADDB, FALSE);
  std::vector<GUID> guids = hostwin32::ClassGuidsNamed(ClassName);
  *RequiredSize = static_cast<DWORD>(guids.size());
  for (size_t i = 0; i < guids.size() && i < ClassGuidListSize && ClassGuidList; ++i) {
    ClassGuidList[i] = guids[i];
  }
  if (guids.size() > ClassGuidListSize) return FailWith(ERROR_INSUFFICIENT_BUFFER, FALSE);
  return TRUE;
}

extern "C" HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID *ClassGuid, PCSTR Enumerator, HWND,
                                                DWORD Flags) {
  if ((Flags & ~hostwin32::kSupportedFlags) != 0) {
    return FailWith(ERROR_INVALID_FLAGS, INVALID_HANDLE_VALUE);
  }
  bool allClasses = (Flags & DIGCF_ALLCLASSES) != 0;
  if (ClassGuid == nullptr && !allClasses) {
    return FailWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  }
  if (Registry() == nullptr) return FailWith(ERROR_BADDB, INVALID_HANDLE_VALUE);
  auto *set = new hostwin32::DeviceInfoSet;
  if (const hostkernel::RegistryKey *enumKey = Registry()->FindKey(hostwin32::kEnumKey)) {
    for (const auto &enumerator : enumKey->subkeys) {
      if (Enumerator != nullptr && !hostwin32::EqualNoCase(enumerator->name, Enumerator)) continue;
      hostwin32::AddInstances(*enumerator, std::string(hostwin32::kEnumKey) + "\\" + enumerator->name,
                              allClasses ? nullptr : ClassGuid, set);
    }
  }
  hostwin32::OpenSets().insert(set);
  return set;
}

extern "C" BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                             PSP_DEVINFO_DATA DeviceInfoData) {
  hostwin32::DeviceInfoSet *set = hostwin32::SetFromHandle(DeviceInfoSet);
  if (set == nullptr) return FailWith(ERROR_INVALID_HANDLE, FALSE);
  if (DeviceInfoData == nullptr) return FailWith(ERROR_INVALID_PARAMETER, FALSE);
  if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) {
    return FailWith(ERROR_INVALID_USER_BUFFER, FALSE);
  }
  if (MemberIndex >= set->devices.size()) return FailWith(ERROR_NO_MORE_ITEMS, FALSE);
  DeviceInfoData->ClassGuid = set->devices[MemberIndex].classGuid;
  DeviceInfoData->DevInst = MemberIndex + 1;
  DeviceInfoData->Reserved = MemberIndex + 1;
  return TRUE;
}

extern "C" BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(
    HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
    PDWORD PropertyRegDataType, PBYTE PropertyBuffer, DWORD PropertyBufferSize,
    PDWORD RequiredSize) {
  hostwin32::DeviceEntry *device = hostwin32::EntryFor(DeviceInfoSet, DeviceInfoData);
  if (device == nullptr) return FALSE;
  const char *valueName = hostwin32::PropertyValueName(Property);
  if (valueName == nullptr) return FailWith(ERROR_INVALID_REG_PROPERTY, FALSE);
  const hostkernel::RegistryKey *instance =
      Registry() ? Registry()->FindKey(device->instanceKey) : nullptr;
  if (device->removed || instance == nullptr) return FailWith(ERROR_NO_SUCH_DEVINST, FALSE);
  const hostkernel::RegistryValue *value = instance->FindValue(valueName);
  if (value == nullptr) return FailWith(ERROR_INVALID_DATA, FALSE);
  std::vector<uint8_t> data = hostwin32::AnsiData(*value);
  if (PropertyRegDataType != nullptr) *PropertyRegDataType = value->type;
  if (RequiredSize != nullptr) *RequiredSize = static_cast<DWORD>(data.size());
  if (PropertyBuffer == nullptr || PropertyBufferSize < data.size()) {
    return FailWith(ERROR_INSUFFICIENT_BUFFER, FALSE);
  }
  std::memcpy(PropertyBuffer, data.data(), data.size());
  return TRUE;
}

extern "C" BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION InstallFunction,
                                                 HDEVINFO DeviceInfoSet,
                                                 PSP_DEVINFO_DATA DeviceInfoData) {
  if (InstallFunction != DIF_REMOVE) return FailWith(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
  hostwin32::DeviceEntry *device = hostwin32::EntryFor(DeviceInfoSet, DeviceInfoData);
  if (device == nullptr) return FALSE;
  const hostkernel::RegistryKey *instance =
      Registry() ? Registry()->FindKey(device->instanceKey) : nullptr;
  if (device->removed || instance == nullptr) return FailWith(ERROR_NO_SUCH_DEVINST, FALSE);
  // Removal also drops the device's driver (software) key, as on Windows.
  std::string driver = hostwin32::StringValue(*instance, "Driver");
  if (!driver.empty()) {
    Registry()->DeleteKey(std::string(hostwin32::kClassKey) + "\\" + hostwin32::Utf8FromAnsi(driver));
  }
  Registry()->DeleteKey(device->instanceKey);
  device->removed = true;
  hostwin32::SaveRegistry();
  return TRUE;
}

extern "C" BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  hostwin32::DeviceInfoSet *set = hostwin32::SetFromHandle(DeviceInfoSet);
  if (set == nullptr) return FailWith(ERROR_INVALID_HANDLE, FALSE);
  hostwin32::OpenSets().erase(set);
  delete set;
  return TRUE;
}
