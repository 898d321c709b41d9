// The kernel's registry routines over one process-wide registry store.
// Handles name a key by its path, so a key deleted behind a handle makes
// later calls fail with a status instead of touching freed memory.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "hostkernel/host_control.h"
#include "hostkernel/registry_store.h"
#include "registry_internal.h"

namespace hostkernel {
namespace {

constexpr char kRegistryPrefix[] = "\\REGISTRY\\";
// Handle values are never reused, so a handle used after ZwClose is always
// recognised as invalid.
constexpr uintptr_t kFirstHandleValue = 0x80000004u;
constexpr uintptr_t kHandleStep = 4;
// Pool tag of the string buffers RtlQueryRegistryValues allocates: 'RtlS'.
constexpr ULONG kQueryStringTag = 0x536C7452u;
constexpr ULONG kUnsupportedQueryFlags = RTL_QUERY_REGISTRY_SUBKEY | RTL_QUERY_REGISTRY_TOPKEY |
                                         RTL_QUERY_REGISTRY_NOVALUE | RTL_QUERY_REGISTRY_DELETE;

struct OpenKey {
  std::string storePath;
  ACCESS_MASK access;
};

struct KeyFailure {
  std::string storePath;
  NTSTATUS status;
};

struct KernelRegistry {
  // Recursive: query routines called by RtlQueryRegistryValues may call back in.
  std::recursive_mutex mutex;
  RegistryStore store;
  std::map<uintptr_t, OpenKey> handles;
  uintptr_t nextHandleValue = kFirstHandleValue;
  std::vector<KeyFailure> failures;
};

using Lock = std::lock_guard<std::recursive_mutex>;

// Leaked on purpose: usable from static destructors of test programs.
KernelRegistry &TheRegistry() {
  static KernelRegistry *registry = new KernelRegistry;
  return *registry;
}

// "\REGISTRY\MACHINE\X" -> "MACHINE\X"; false when not a valid absolute path.
bool ToStorePath(const std::string &absolutePath, std::string *storePath) {
  const size_t prefixLength = sizeof kRegistryPrefix - 1;
  if (absolutePath.size() <= prefixLength ||
      !RegistryNamesEqual(absolutePath.substr(0, prefixLength), kRegistryPrefix)) {
    return false;
  }
  *storePath = absolutePath.substr(prefixLength);
  std::vector<std::string> parts;
  return SplitRegistryPath(*storePath, &parts);
}

std::string ParentPath(const std::string &storePath) {
  const size_t separator = storePath.rfind('\\');
  return separator == std::string::npos ? std::string() : storePath.substr(0, separator);
}

std::string WideToUtf8(PCWSTR text) { return text == nullptr ? std::string() : ToUtf8(text); }

// False for a malformed counted string (odd length, or no buffer).
bool UnicodeToUtf8(const UNICODE_STRING &text, std::string *utf8) {
  if (text.Length % 2 != 0 || (text.Length != 0 && text.Buffer == nullptr)) return false;
  *utf8 = ToUtf8(std::u16string(text.Buffer == nullptr ? u"" : text.Buffer, text.Length / 2));
  return true;
}

std::vector<uint8_t> BytesOf(const void *data, size_t size) {
  const uint8_t *bytes = static_cast<const uint8_t *>(data);
  return size == 0 ? std::vector<uint8_t>() : std::vector<uint8_t>(bytes, bytes + size);
}

NTSTATUS InjectedFailure(const KernelRegistry &registry, const std::string &storePath) {
  for (const KeyFailure &failure : registry.failures) {
    if (RegistryNamesEqual(failure.storePath, storePath)) return failure.status;
  }
  return STATUS_SUCCESS;
}

// Maps the generic rights a caller may ask for onto the key rights.
ACCESS_MASK GrantedAccess(ACCESS_MASK desired) {
  constexpr ACCESS_MASK kGenericRead = 0x80000000u;
  constexpr ACCESS_MASK kGenericWrite = 0x40000000u;
  constexpr ACCESS_MASK kGenericAll = 0x10000000u;
  constexpr ACCESS_MASK kMaximumAllowed = 0x02000000u;
  ACCESS_MASK granted = desired;
  if ((desired & kGenericRead) != 0) granted |= KEY_READ;
  if ((desired & kGenericWrite) != 0) granted |= KEY_WRITE;
  if ((desired & (kGenericAll | kMaximumAllowed)) != 0) granted |= KEY_ALL_ACCESS;
  return granted;
}

HANDLE NewHandle(KernelRegistry &registry, const std::string &storePath, ACCESS_MASK access) {
  const uintptr_t value = registry.nextHandleValue;
  registry.nextHandleValue += kHandleStep;
  registry.handles[value] = OpenKey{storePath, GrantedAccess(access)};
  return reinterpret_cast<HANDLE>(value);
}

const OpenKey *FindHandle(const KernelRegistry &registry, HANDLE handle) {
  auto it = registry.handles.find(reinterpret_cast<uintptr_t>(handle));
  return it == registry.handles.end() ? nullptr : &it->second;
}

// The key behind a handle opened with at least `needed` access, and its path.
NTSTATUS KeyOfHandle(KernelRegistry &registry, HANDLE handle, ACCESS_MASK needed, RegistryKey **key,
                     std::string *storePath = nullptr) {
  const OpenKey *open = FindHandle(registry, handle);
  if (open == nullptr) return STATUS_INVALID_HANDLE;
  if ((open->access & needed) != needed) return STATUS_ACCESS_DENIED;
  *key = registry.store.FindKey(open->storePath);
  if (*key == nullptr) return STATUS_KEY_DELETED;
  if (storePath != nullptr) *storePath = open->storePath;
  return STATUS_SUCCESS;
}

// Opens an existing key, or creates only its last component, as ZwCreateKey.
NTSTATUS CreateLastComponent(KernelRegistry &registry, const std::string &storePath, ULONG *disposition) {
  const NTSTATUS injected = InjectedFailure(registry, storePath);
  if (!NT_SUCCESS(injected)) return injected;
  if (registry.store.FindKey(storePath) != nullptr) {
    *disposition = REG_OPENED_EXISTING_KEY;
    return STATUS_SUCCESS;
  }
  const std::string parent = ParentPath(storePath);
  if (!parent.empty() && registry.store.FindKey(parent) == nullptr) return STATUS_OBJECT_NAME_NOT_FOUND;
  if (registry.store.CreateKey(storePath) == nullptr) return STATUS_OBJECT_NAME_NOT_FOUND;
  *disposition = REG_CREATED_NEW_KEY;
  return STATUS_SUCCESS;
}

// Resolves an absolute kernel path to an existing key, or creates it with
// every missing parent.
NTSTATUS KeyAtAbsolutePath(KernelRegistry &registry, const std::string &absolutePath, bool create,
                           std::string *storePath) {
  if (!ToStorePath(absolutePath, storePath)) return STATUS_OBJECT_NAME_INVALID;
  const NTSTATUS injected = InjectedFailure(registry, *storePath);
  if (!NT_SUCCESS(injected)) return injected;
  const RegistryKey *key = create ? registry.store.CreateKey(*storePath) : registry.store.FindKey(*storePath);
  return key == nullptr ? STATUS_OBJECT_NAME_NOT_FOUND : STATUS_SUCCESS;
}

// ---- ZwQueryValueKey records ----

void AppendBytes(std::vector<uint8_t> &record, const std::vector<uint8_t> &bytes) {
  record.insert(record.end(), bytes.begin(), bytes.end());
}

void AppendUlong(std::vector<uint8_t> &record, ULONG value) { AppendBytes(record, BytesOf(&value, sizeof value)); }

// Builds the whole record of an information class; false for an unknown class.
bool BuildValueRecord(KEY_VALUE_INFORMATION_CLASS infoClass, const RegistryValue &value,
                      std::vector<uint8_t> *record, size_t *fixedSize) {
  const std::u16string name = ToUtf16(value.name);
  const std::vector<uint8_t> nameBytes = BytesOf(name.data(), name.size() * sizeof(WCHAR));
  const ULONG dataLength = static_cast<ULONG>(value.data.size());
  record->clear();
  AppendUlong(*record, 0);  // TitleIndex
  AppendUlong(*record, value.type);
  switch (infoClass) {
    case KeyValueBasicInformation:
      AppendUlong(*record, static_cast<ULONG>(nameBytes.size()));
      *fixedSize = offsetof(KEY_VALUE_BASIC_INFORMATION, Name);
      AppendBytes(*record, nameBytes);
      return true;
    case KeyValueFullInformation: {
      const size_t nameOffset = offsetof(KEY_VALUE_FULL_INFORMATION, Name);
      const ULONG dataOffset = static_cast<ULONG>((nameOffset + nameBytes.size() + 3) / 4 * 4);
      AppendUlong(*record, dataOffset);
      AppendUlong(*record, dataLength);
      AppendUlong(*record, static_cast<ULONG>(nameBytes.size()));
      *fixedSize = nameOffset;
      AppendBytes(*record, nameBytes);
      record->resize(dataOffset, 0);
      AppendBytes(*record, value.data);
      return true;
    }
    case KeyValuePartialInformation:
      AppendUlong(*record, dataLength);
      *fixedSize = offsetof(KEY_VALUE_PARTIAL_INFORMATION, Data);
      AppendBytes(*record, value.data);
      return true;
  }
  return false;
}

// ---- RtlQueryRegistryValues ----

bool IsStringType(ULONG type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

NTSTATUS StoreDirectString(const std::vector<uint8_t> &data, UNICODE_STRING *target) {
  size_t length = data.size() & ~size_t{1};
  if (length >= 2 && data[length - 2] == 0 && data[length - 1] == 0) length -= 2;  // the stored terminator
  const size_t needed = length + sizeof(WCHAR);
  if (needed > 0xFFFF) return STATUS_BUFFER_TOO_SMALL;
  if (target->Buffer == nullptr) {
    // The kernel allocates the buffer for the caller, who frees it.
    target->Buffer = static_cast<PWSTR>(ExAllocatePoolWithTag(PagedPool, needed, kQueryStringTag));
    if (target->Buffer == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    target->MaximumLength = static_cast<USHORT>(needed);
  } else if (needed > target->MaximumLength) {
    return STATUS_BUFFER_TOO_SMALL;
  }
  if (length != 0) std::memcpy(target->Buffer, data.data(), length);
  target->Buffer[length / sizeof(WCHAR)] = 0;
  target->Length = static_cast<USHORT>(length);
  return STATUS_SUCCESS;
}

// Values longer than a ULONG: the LONG at EntryContext sizes the buffer.
NTSTATUS StoreDirectSizedData(ULONG type, const std::vector<uint8_t> &data, void *target) {
  LONG sizeField = 0;
  std::memcpy(&sizeField, target, sizeof sizeField);
  uint8_t *out = static_cast<uint8_t *>(target);
  if (sizeField < 0) {
    const uint64_t capacity = static_cast<uint64_t>(-static_cast<int64_t>(sizeField));
    if (data.size() > capacity) return STATUS_BUFFER_TOO_SMALL;
    std::memcpy(out, data.data(), data.size());
    return STATUS_SUCCESS;
  }
  if (data.size() + 2 * sizeof(ULONG) > static_cast<uint64_t>(sizeField)) return STATUS_BUFFER_TOO_SMALL;
  const ULONG header[2] = {static_cast<ULONG>(data.size()), type};
  std::memcpy(out, header, sizeof header);
  std::memcpy(out + sizeof header, data.data(), data.size());
  return STATUS_SUCCESS;
}

NTSTATUS StoreDirect(ULONG type, const std::vector<uint8_t> &data, void *entryContext) {
  if (entryContext == nullptr) return STATUS_INVALID_PARAMETER;
  if (IsStringType(type)) return StoreDirectString(data, static_cast<UNICODE_STRING *>(entryContext));
  if (data.size() <= sizeof(ULONG)) {
    if (!data.empty()) std::memcpy(entryContext, data.data(), data.size());
    return STATUS_SUCCESS;
  }
  return StoreDirectSizedData(type, data, entryContext);
}

NTSTATUS CallQueryRoutine(const RTL_QUERY_REGISTRY_TABLE &entry, const std::string &name, ULONG type,
                          std::vector<uint8_t> data, PVOID context) {
  std::u16string wideName = ToUtf16(name);
  const ULONG length = static_cast<ULONG>(data.size());
  data.resize(data.size() + sizeof(WCHAR), 0);  // a terminator past the data, should it lack one
  return entry.QueryRoutine(&wideName[0], type, data.data(), length, context, entry.EntryContext);
}

// A REG_MULTI_SZ goes to the routine one string at a time, as REG_SZ.
NTSTATUS CallQueryRoutineWithStrings(const RTL_QUERY_REGISTRY_TABLE &entry, const std::string &name,
                                     const std::vector<uint8_t> &data, PVOID context) {
  size_t start = 0;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    if (data[i] != 0 || data[i + 1] != 0) continue;
    if (i == start) break;  // the empty string that ends the list
    const std::vector<uint8_t> text(data.begin() + static_cast<ptrdiff_t>(start),
                                    data.begin() + static_cast<ptrdiff_t>(i + 2));
    const NTSTATUS status = CallQueryRoutine(entry, name, REG_SZ, text, context);
    if (!NT_SUCCESS(status)) return status;
    start = i + 2;
  }
  return STATUS_SUCCESS;
}

NTSTATUS DeliverValue(const RTL_QUERY_REGISTRY_TABLE &entry, const std::string &name, ULONG type,
                      const std::vector<uint8_t> &data, PVOID context) {
  if ((entry.Flags & RTL_QUERY_REGISTRY_DIRECT) != 0) return StoreDirect(type, data, entry.EntryContext);
  if (type == REG_MULTI_SZ && (entry.Flags & RTL_QUERY_REGISTRY_NOEXPAND) == 0) {
    return CallQueryRoutineWithStrings(entry, name, data, context);
  }
  return CallQueryRoutine(entry, name, type, data, context);
}

std::vector<uint8_t> DefaultData(const RTL_QUERY_REGISTRY_TABLE &entry) {
  if (entry.DefaultData == nullptr) return {};
  ULONG length = entry.DefaultLength;
  if (length == 0 && (entry.DefaultType == REG_SZ || entry.DefaultType == REG_EXPAND_SZ)) {
    length = static_cast<ULONG>((wcslen(static_cast<PCWSTR>(entry.DefaultData)) + 1) * sizeof(WCHAR));
  }
  return BytesOf(entry.DefaultData, length);
}

NTSTATUS QueryAllValues(KernelRegistry &registry, const std::string &storePath,
                        const RTL_QUERY_REGISTRY_TABLE &entry, PVOID context) {
  const RegistryKey *key = registry.store.FindKey(storePath);
  if (key == nullptr) return STATUS_OBJECT_NAME_NOT_FOUND;
  const std::vector<RegistryValue> values = key->values;  // the routine may change the key
  if (values.empty() && (entry.Flags & RTL_QUERY_REGISTRY_REQUIRED) != 0) return STATUS_OBJECT_NAME_NOT_FOUND;
  for (const RegistryValue &value : values) {
    const NTSTATUS status = DeliverValue(entry, value.name, value.type, value.data, context);
    if (!NT_SUCCESS(status)) return status;
  }
  return STATUS_SUCCESS;
}

NTSTATUS QueryOneValue(KernelRegistry &registry, const std::string &storePath,
                       const RTL_QUERY_REGISTRY_TABLE &entry, PVOID context) {
  const RegistryKey *key = registry.store.FindKey(storePath);
  if (key == nullptr) return STATUS_OBJECT_NAME_NOT_FOUND;
  const std::string name = WideToUtf8(entry.Name);
  const RegistryValue *value = key->FindValue(name);
  if (value != nullptr) {
    const RegistryValue copy = *value;  // the routine may change the key
    return DeliverValue(entry, copy.name, copy.type, copy.data, context);
  }
  if ((entry.Flags & RTL_QUERY_REGISTRY_REQUIRED) != 0) return STATUS_OBJECT_NAME_NOT_FOUND;
  if (entry.DefaultType == REG_NONE) return STATUS_SUCCESS;
  return DeliverValue(entry, name, entry.DefaultType, DefaultData(entry), context);
}

NTSTATUS QueryEntry(KernelRegistry &registry, const std::string &storePath, const RTL_QUERY_REGISTRY_TABLE &entry,
                    PVOID context) {
  if ((entry.Flags & kUnsupportedQueryFlags) != 0) return STATUS_INVALID_PARAMETER;
  const bool direct = (entry.Flags & RTL_QUERY_REGISTRY_DIRECT) != 0;
  if (entry.Name == nullptr) {
    return direct ? STATUS_INVALID_PARAMETER : QueryAllValues(registry, storePath, entry, context);
  }
  if (!direct && entry.QueryRoutine == nullptr) return STATUS_INVALID_PARAMETER;
  return QueryOneValue(registry, storePath, entry, context);
}

// Store path of a control-API path; loud on a malformed one, as that is a
// mistake in the test or tool.
std::string ControlStorePath(const std::string &absolutePath) {
  std::string storePath;
  if (!ToStorePath(absolutePath, &storePath)) {
    std::fprintf(stderr, "*** host registry: not an absolute registry path: '%s'\n", absolutePath.c_str());
    std::abort();
  }
  return storePath;
}

}  // namespace

NTSTATUS OpenKeyHandleAtPath(const std::string &absolutePath, ACCESS_MASK access, HANDLE *handle) {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  std::string storePath;
  const NTSTATUS status = KeyAtAbsolutePath(registry, absolutePath, true, &storePath);
  if (NT_SUCCESS(status)) *handle = NewHandle(registry, storePath, access);
  return status;
}

// ---- Controls ----

void ResetRegistry() {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  registry.store.Clear();
  registry.failures.clear();
}

bool LoadRegistryFile(const std::string &path, std::string *error) {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  return registry.store.LoadFile(path, error);
}

bool LoadRegistryText(const std::string &text, std::string *error) {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  return registry.store.LoadText(text, error);
}

bool SaveRegistryFile(const std::string &path, std::string *error) {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  return registry.store.SaveFile(path, error);
}

std::string SaveRegistryText() {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  return registry.store.SaveText();
}

void FailKeyOpen(const std::string &absolutePath, NTSTATUS status) {
  if (absolutePath.empty()) {
    ClearKeyFailures();
    return;
  }
  const std::string storePath = ControlStorePath(absolutePath);
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  for (KeyFailure &failure : registry.failures) {
    if (RegistryNamesEqual(failure.storePath, storePath)) {
      failure.status = status;
      return;
    }
  }
  registry.failures.push_back(KeyFailure{storePath, status});
}

void ClearKeyFailures() {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  registry.failures.clear();
}

void SetRegistryValue(const std::string &keyPath, const std::string &name, uint32_t type,
                      const std::vector<uint8_t> &data) {
  const std::string storePath = ControlStorePath(keyPath);
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  RegistryKey *key = registry.store.CreateKey(storePath);
  if (key == nullptr) {
    std::fprintf(stderr, "*** host registry: cannot create key '%s'\n", keyPath.c_str());
    std::abort();
  }
  registry.store.SetValue(key, name, type, data);
}

void SetRegistryDword(const std::string &keyPath, const std::string &name, uint32_t value) {
  SetRegistryValue(keyPath, name, REG_DWORD, BytesOf(&value, sizeof value));
}

bool GetRegistryValue(const std::string &keyPath, const std::string &name, uint32_t *type,
                      std::vector<uint8_t> *data) {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  std::string storePath;
  const RegistryKey *key = ToStorePath(keyPath, &storePath) ? registry.store.FindKey(storePath) : nullptr;
  const RegistryValue *value = key == nullptr ? nullptr : key->FindValue(name);
  if (value == nullptr) return false;
  if (type != nullptr) *type = value->type;
  if (data != nullptr) *data = value->data;
  return true;
}

bool KeyExists(const std::string &keyPath) {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  std::string storePath;
  return ToStorePath(keyPath, &storePath) && registry.store.FindKey(storePath) != nullptr;
}

std::vector<std::string> ValueNames(const std::string &keyPath) {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  std::string storePath;
  const RegistryKey *key = ToStorePath(keyPath, &storePath) ? registry.store.FindKey(storePath) : nullptr;
  std::vector<std::string> names;
  if (key != nullptr) {
    for (const RegistryValue &value : key->values) names.push_back(value.name);
  }
  return names;
}

size_t OpenKeyHandleCount() {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  return registry.handles.size();
}

}  // namespace hostkernel

using hostkernel::KernelRegistry;
using hostkernel::Lock;
using hostkernel::RegistryKey;
using hostkernel::TheRegistry;

extern "C" void NTAPI RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString) {
  // The longest counted string leaves room for the terminator in MaximumLength.
  constexpr SIZE_T kMaxLengthBytes = 0xFFFC;
  SIZE_T bytes = SourceString == nullptr ? 0 : wcslen(SourceString) * sizeof(WCHAR);
  if (bytes > kMaxLengthBytes) bytes = kMaxLengthBytes;
  DestinationString->Buffer = const_cast<PWSTR>(SourceString);
  DestinationString->Length = static_cast<USHORT>(bytes);
  DestinationString->MaximumLength = static_cast<USHORT>(SourceString == nullptr ? 0 : bytes + sizeof(WCHAR));
}

extern "C" NTSTATUS NTAPI ZwCreateKey(HANDLE *KeyHandle, ACCESS_MASK DesiredAccess, POBJECT_ATTRIBUTES ObjectAttributes,
                                ULONG, PUNICODE_STRING, ULONG, ULONG *Disposition) {
  if (KeyHandle == nullptr || ObjectAttributes == nullptr || ObjectAttributes->ObjectName == nullptr) {
    return STATUS_INVALID_PARAMETER;
  }
  std::string name;
  if (!hostkernel::UnicodeToUtf8(*ObjectAttributes->ObjectName, &name)) return STATUS_OBJECT_NAME_INVALID;
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  std::string storePath;
  if (ObjectAttributes->RootDirectory == nullptr) {
    if (!hostkernel::ToStorePath(name, &storePath)) return STATUS_OBJECT_NAME_INVALID;
  } else {
    RegistryKey *root = nullptr;
    const NTSTATUS status = hostkernel::KeyOfHandle(registry, ObjectAttributes->RootDirectory, 0, &root, &storePath);
    if (!NT_SUCCESS(status)) return status;
    if (!name.empty()) storePath += "\\" + name;
    std::vector<std::string> parts;
    if (!hostkernel::SplitRegistryPath(storePath, &parts)) return STATUS_OBJECT_NAME_INVALID;
  }
  ULONG disposition = 0;
  const NTSTATUS status = hostkernel::CreateLastComponent(registry, storePath, &disposition);
  if (!NT_SUCCESS(status)) return status;
  *KeyHandle = hostkernel::NewHandle(registry, storePath, DesiredAccess);
  if (Disposition != nullptr) *Disposition = disposition;
  return STATUS_SUCCESS;
}

extern "C" NTSTATUS NTAPI ZwQueryValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName,
                                    KEY_VALUE_INFORMATION_CLASS KeyValueInformationClass, PVOID KeyValueInformation,
                                    ULONG Length, ULONG *ResultLength) {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  RegistryKey *key = nullptr;
  const NTSTATUS status = hostkernel::KeyOfHandle(registry, KeyHandle, KEY_QUERY_VALUE, &key);
  if (!NT_SUCCESS(status)) return status;
  if (ValueName == nullptr || ResultLength == nullptr) return STATUS_INVALID_PARAMETER;
  std::string name;
  if (!hostkernel::UnicodeToUtf8(*ValueName, &name)) return STATUS_OBJECT_NAME_INVALID;
  const hostkernel::RegistryValue *value = key->FindValue(name);
  if (value == nullptr) return STATUS_OBJECT_NAME_NOT_FOUND;
  std::vector<uint8_t> record;
  size_t fixedSize = 0;
  if (!hostkernel::BuildValueRecord(KeyValueInformationClass, *value, &record, &fixedSize)) {
    return STATUS_INVALID_PARAMETER;
  }
  *ResultLength = static_cast<ULONG>(record.size());
  if (Length < fixedSize) return STATUS_BUFFER_TOO_SMALL;
  if (KeyValueInformation == nullptr) return STATUS_INVALID_PARAMETER;
  const bool fits = Length >= record.size();
  std::memcpy(KeyValueInformation, record.data(), fits ? record.size() : fixedSize);
  return fits ? STATUS_SUCCESS : STATUS_BUFFER_OVERFLOW;
}

extern "C" NTSTATUS NTAPI ZwSetValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName, ULONG, ULONG Type, PVOID Data,
                                  ULONG DataSize) {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  RegistryKey *key = nullptr;
  const NTSTATUS status = hostkernel::KeyOfHandle(registry, KeyHandle, KEY_SET_VALUE, &key);
  if (!NT_SUCCESS(status)) return status;
  if (ValueName == nullptr || (Data == nullptr && DataSize != 0)) return STATUS_INVALID_PARAMETER;
  std::string name;
  if (!hostkernel::UnicodeToUtf8(*ValueName, &name)) return STATUS_OBJECT_NAME_INVALID;
  registry.store.SetValue(key, name, Type, hostkernel::BytesOf(Data, DataSize));
  return STATUS_SUCCESS;
}

extern "C" NTSTATUS NTAPI ZwClose(HANDLE Handle) {
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  return registry.handles.erase(reinterpret_cast<uintptr_t>(Handle)) == 1 ? STATUS_SUCCESS : STATUS_INVALID_HANDLE;
}

extern "C" NTSTATUS NTAPI RtlQueryRegistryValues(ULONG RelativeTo, PCWSTR Path, PRTL_QUERY_REGISTRY_TABLE QueryTable,
                                           PVOID Context, PVOID) {
  if ((RelativeTo & ~RTL_REGISTRY_OPTIONAL) != RTL_REGISTRY_ABSOLUTE || Path == nullptr || QueryTable == nullptr) {
    return STATUS_INVALID_PARAMETER;
  }
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  std::string storePath;
  const NTSTATUS opened = hostkernel::KeyAtAbsolutePath(registry, hostkernel::WideToUtf8(Path), false, &storePath);
  if (!NT_SUCCESS(opened)) return opened;
  for (const RTL_QUERY_REGISTRY_TABLE *entry = QueryTable; entry->QueryRoutine != nullptr || entry->Name != nullptr;
       ++entry) {
    const NTSTATUS status = hostkernel::QueryEntry(registry, storePath, *entry, Context);
    if (!NT_SUCCESS(status)) return status;
  }
  return STATUS_SUCCESS;
}

extern "C" NTSTATUS NTAPI RtlWriteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName, ULONG ValueType,
                                          PVOID ValueData, ULONG ValueLength) {
  if ((RelativeTo & ~RTL_REGISTRY_OPTIONAL) != RTL_REGISTRY_ABSOLUTE || Path == nullptr || ValueName == nullptr ||
      (ValueData == nullptr && ValueLength != 0)) {
    return STATUS_INVALID_PARAMETER;
  }
  KernelRegistry &registry = TheRegistry();
  Lock lock(registry.mutex);
  std::string storePath;
  const NTSTATUS status = hostkernel::KeyAtAbsolutePath(registry, hostkernel::WideToUtf8(Path), true, &storePath);
  if (!NT_SUCCESS(status)) return status;
  registry.store.SetValue(registry.store.FindKey(storePath), hostkernel::WideToUtf8(ValueName), ValueType,
                          hostkernel::BytesOf(ValueData, ValueLength));
  return STATUS_SUCCESS;
}
