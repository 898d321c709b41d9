// The kernel registry routines over the process-wide registry.
#include <gtest/gtest.h>

#include <cstring>

#include "hostkernel/host_control.h"
#include "sorvex_kernel.h"

namespace {

const char kServiceKey[] = "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Cam";
const char kDriverKey[] =
    "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";

class RegistryApi : public testing::Test {
 protected:
  void SetUp() override {
    hostkernel::ResetRegistry();
    handlesAtStart_ = hostkernel::OpenKeyHandleCount();
  }
  void TearDown() override { EXPECT_EQ(hostkernel::OpenKeyHandleCount(), handlesAtStart_) << "leaked key handle"; }

  // ZwCreateKey with a UTF-16 name, absolute or relative to `root`.
  static NTSTATUS Create(const std::u16string &name, HANDLE root, HANDLE *handle, ULONG *disposition = nullptr,
                         ACCESS_MASK access = KEY_ALL_ACCESS) {
    UNICODE_STRING objectName;
    RtlInitUnicodeString(&objectName, name.c_str());
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, root, nullptr);
    return ZwCreateKey(handle, access, &attributes, 0, nullptr, REG_OPTION_NON_VOLATILE, disposition);
  }

  static NTSTATUS SetDword(HANDLE key, const std::u16string &name, ULONG value) {
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name.c_str());
    return ZwSetValueKey(key, &valueName, 0, REG_DWORD, &value, sizeof value);
  }

  static NTSTATUS Query(HANDLE key, const std::u16string &name, KEY_VALUE_INFORMATION_CLASS infoClass, void *buffer,
                        ULONG length, ULONG *resultLength) {
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name.c_str());
    return ZwQueryValueKey(key, &valueName, infoClass, buffer, length, resultLength);
  }

  static uint32_t RegistryDword(const std::string &key, const std::string &name) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    EXPECT_TRUE(hostkernel::GetRegistryValue(key, name, &type, &data)) << key << " " << name;
    EXPECT_EQ(type, static_cast<uint32_t>(REG_DWORD));
    uint32_t value = 0;
    if (data.size() == sizeof value) std::memcpy(&value, data.data(), sizeof value);
    return value;
  }

  size_t handlesAtStart_ = 0;
};

TEST_F(RegistryApi, RtlInitUnicodeStringCountsBytes) {
  UNICODE_STRING text;
  RtlInitUnicodeString(&text, KTEXT("Gain"));
  EXPECT_EQ(text.Length, 8);
  EXPECT_EQ(text.MaximumLength, 10);
  RtlInitUnicodeString(&text, nullptr);
  EXPECT_EQ(text.Length, 0);
  EXPECT_EQ(text.MaximumLength, 0);
  EXPECT_EQ(text.Buffer, nullptr);
}

TEST_F(RegistryApi, CreateOpensOrMakesOnlyTheLastComponent) {
  HANDLE services = nullptr;
  ULONG disposition = 0;
  ASSERT_EQ(Create(u"\\Registry\\Machine\\SYSTEM", nullptr, &services, &disposition), STATUS_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  HANDLE missingParent = nullptr;
  EXPECT_EQ(Create(u"A\\B", services, &missingParent), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_FALSE(hostkernel::KeyExists("\\REGISTRY\\MACHINE\\SYSTEM\\A"));

  HANDLE a = nullptr, b = nullptr, again = nullptr;
  ASSERT_EQ(Create(u"A", services, &a, &disposition), STATUS_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  ASSERT_EQ(Create(u"a\\B", services, &b, &disposition), STATUS_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  ASSERT_EQ(Create(u"\\REGISTRY\\MACHINE\\system\\a\\b", nullptr, &again, &disposition), STATUS_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  EXPECT_NE(b, again);
  EXPECT_TRUE(hostkernel::KeyExists("\\REGISTRY\\MACHINE\\SYSTEM\\A\\B"));

  HANDLE invalid = nullptr;
  EXPECT_EQ(Create(u"\\Device\\Cam0", nullptr, &invalid), STATUS_OBJECT_NAME_INVALID);
  EXPECT_EQ(Create(u"\\REGISTRY\\Other\\X", nullptr, &invalid), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(Create(u"A\\\\B", services, &invalid), STATUS_OBJECT_NAME_INVALID);
  for (HANDLE h : {services, a, b, again}) EXPECT_EQ(ZwClose(h), STATUS_SUCCESS);
}

TEST_F(RegistryApi, SetAndQueryThroughHandlesIgnoringCase) {
  HANDLE key = nullptr;
  ASSERT_EQ(Create(u"\\REGISTRY\\MACHINE\\Cam", nullptr, &key), STATUS_SUCCESS);
  ASSERT_EQ(SetDword(key, u"Gain", 12), STATUS_SUCCESS);
  ASSERT_EQ(SetDword(key, u"GAIN", 13), STATUS_SUCCESS);
  EXPECT_EQ(RegistryDword("\\registry\\machine\\cam", "gain"), 13u);
  EXPECT_EQ(hostkernel::ValueNames("\\REGISTRY\\MACHINE\\Cam"), std::vector<std::string>{"Gain"});

  uint8_t buffer[64];
  ULONG resultLength = 0;
  ASSERT_EQ(Query(key, u"gain", KeyValuePartialInformation, buffer, sizeof buffer, &resultLength), STATUS_SUCCESS);
  const auto *partial = reinterpret_cast<KEY_VALUE_PARTIAL_INFORMATION *>(buffer);
  EXPECT_EQ(resultLength, 16u);
  EXPECT_EQ(partial->Type, static_cast<ULONG>(REG_DWORD));
  EXPECT_EQ(partial->DataLength, 4u);
  ULONG value = 0;
  std::memcpy(&value, partial->Data, sizeof value);
  EXPECT_EQ(value, 13u);

  ASSERT_EQ(Query(key, u"Gain", KeyValueBasicInformation, buffer, sizeof buffer, &resultLength), STATUS_SUCCESS);
  const auto *basic = reinterpret_cast<KEY_VALUE_BASIC_INFORMATION *>(buffer);
  EXPECT_EQ(resultLength, 12u + 8u);
  EXPECT_EQ(basic->NameLength, 8u);
  EXPECT_EQ(std::u16string(basic->Name, 4), u"Gain");

  EXPECT_EQ(Query(key, u"Missing", KeyValuePartialInformation, buffer, sizeof buffer, &resultLength),
            STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(ZwClose(key), STATUS_SUCCESS);
}

TEST_F(RegistryApi, FullInformationLayoutAndShortBuffers) {
  hostkernel::SetRegistryValue("\\REGISTRY\\MACHINE\\Cam", "Abc", REG_BINARY, {1, 2, 3, 4, 5});
  HANDLE key = nullptr;
  ASSERT_EQ(Create(u"\\REGISTRY\\MACHINE\\Cam", nullptr, &key), STATUS_SUCCESS);

  // Name "Abc" is 6 bytes at 20; data starts at 26 rounded up to 28.
  uint8_t buffer[40];
  std::memset(buffer, 0xEE, sizeof buffer);
  ULONG resultLength = 0;
  ASSERT_EQ(Query(key, u"abc", KeyValueFullInformation, buffer, 33, &resultLength), STATUS_SUCCESS);
  EXPECT_EQ(resultLength, 33u);
  const auto *full = reinterpret_cast<KEY_VALUE_FULL_INFORMATION *>(buffer);
  EXPECT_EQ(full->TitleIndex, 0u);
  EXPECT_EQ(full->Type, static_cast<ULONG>(REG_BINARY));
  EXPECT_EQ(full->DataOffset, 28u);
  EXPECT_EQ(full->DataLength, 5u);
  EXPECT_EQ(full->NameLength, 6u);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t *>(buffer + 20), 3), u"Abc");
  EXPECT_EQ(std::vector<uint8_t>(buffer + 28, buffer + 33), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(buffer[33], 0xEE);

  // The fixed part fits but not the rest: only the fixed part is written.
  std::memset(buffer, 0xEE, sizeof buffer);
  resultLength = 0;
  EXPECT_EQ(Query(key, u"Abc", KeyValueFullInformation, buffer, 24, &resultLength), STATUS_BUFFER_OVERFLOW);
  EXPECT_EQ(resultLength, 33u);
  EXPECT_EQ(full->DataOffset, 28u);
  EXPECT_EQ(full->DataLength, 5u);
  EXPECT_EQ(buffer[20], 0xEE);

  // Not even the fixed part fits: nothing is written.
  std::memset(buffer, 0xEE, sizeof buffer);
  resultLength = 0;
  EXPECT_EQ(Query(key, u"Abc", KeyValueFullInformation, buffer, 19, &resultLength), STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(resultLength, 33u);
  EXPECT_EQ(buffer[0], 0xEE);
  EXPECT_EQ(Query(key, u"Abc", KeyValuePartialInformation, nullptr, 0, &resultLength), STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(resultLength, 12u + 5u);
  EXPECT_EQ(ZwClose(key), STATUS_SUCCESS);
}

TEST_F(RegistryApi, HandlesAreValidatedOnEveryUse) {
  HANDLE key = nullptr;
  ASSERT_EQ(Create(u"\\REGISTRY\\MACHINE\\Cam", nullptr, &key), STATUS_SUCCESS);
  ASSERT_EQ(ZwClose(key), STATUS_SUCCESS);
  EXPECT_EQ(ZwClose(key), STATUS_INVALID_HANDLE);
  EXPECT_EQ(SetDword(key, u"Gain", 1), STATUS_INVALID_HANDLE);
  HANDLE reopened = nullptr;
  ASSERT_EQ(Create(u"\\REGISTRY\\MACHINE\\Cam", nullptr, &reopened), STATUS_SUCCESS);
  EXPECT_NE(reopened, key);  // a closed handle value does not come back at once
  EXPECT_EQ(ZwClose(nullptr), STATUS_INVALID_HANDLE);
  EXPECT_EQ(ZwClose(reinterpret_cast<HANDLE>(uintptr_t{0x1234})), STATUS_INVALID_HANDLE);

  // The key is deleted behind the open handle.
  std::string error;
  ASSERT_TRUE(hostkernel::LoadRegistryText("Windows Registry Editor Version 5.00\n", &error)) << error;
  EXPECT_EQ(SetDword(reopened, u"Gain", 1), STATUS_KEY_DELETED);
  HANDLE child = nullptr;
  EXPECT_EQ(Create(u"Sub", reopened, &child), STATUS_KEY_DELETED);
  EXPECT_EQ(ZwClose(reopened), STATUS_SUCCESS);
}

TEST_F(RegistryApi, AccessRightsOfTheHandleAreEnforced) {
  HANDLE readOnly = nullptr;
  ASSERT_EQ(Create(u"\\REGISTRY\\MACHINE\\Cam", nullptr, &readOnly, nullptr, KEY_READ), STATUS_SUCCESS);
  EXPECT_EQ(SetDword(readOnly, u"Gain", 1), STATUS_ACCESS_DENIED);
  HANDLE writeOnly = nullptr;
  ASSERT_EQ(Create(u"\\REGISTRY\\MACHINE\\Cam", nullptr, &writeOnly, nullptr, KEY_WRITE), STATUS_SUCCESS);
  EXPECT_EQ(SetDword(writeOnly, u"Gain", 1), STATUS_SUCCESS);
  uint8_t buffer[32];
  ULONG resultLength = 0;
  EXPECT_EQ(Query(writeOnly, u"Gain", KeyValuePartialInformation, buffer, sizeof buffer, &resultLength),
            STATUS_ACCESS_DENIED);
  EXPECT_EQ(Query(readOnly, u"Gain", KeyValuePartialInformation, buffer, sizeof buffer, &resultLength),
            STATUS_SUCCESS);
  EXPECT_EQ(ZwClose(readOnly), STATUS_SUCCESS);
  EXPECT_EQ(ZwClose(writeOnly), STATUS_SUCCESS);
}

TEST_F(RegistryApi, QueryRegistryValuesDirectStringsAndNumbers) {
  hostkernel::SetRegistryValue(kServiceKey, "Name", REG_SZ, {'C', 0, 'a', 0, 'm', 0, 0, 0});
  hostkernel::SetRegistryDword(kServiceKey, "Gain", 42);
  hostkernel::SetRegistryValue(kServiceKey, "Table", REG_BINARY, {1, 2, 3, 4, 5, 6});

  WCHAR nameBuffer[8];
  UNICODE_STRING name{0, sizeof nameBuffer, nameBuffer};
  UNICODE_STRING allocated{0, 0, nullptr};
  ULONG gain = 0;
  ULONG fallback = 0;
  uint8_t table[8];
  LONG tableSize = -static_cast<LONG>(sizeof table);
  std::memcpy(table, &tableSize, sizeof tableSize);
  ULONG defaultValue = 7;
  RTL_QUERY_REGISTRY_TABLE query[] = {
      {nullptr, RTL_QUERY_REGISTRY_DIRECT, const_cast<PWSTR>(KTEXT("name")), &name, REG_NONE, nullptr, 0},
      {nullptr, RTL_QUERY_REGISTRY_DIRECT, const_cast<PWSTR>(KTEXT("Name")), &allocated, REG_NONE, nullptr, 0},
      {nullptr, RTL_QUERY_REGISTRY_DIRECT | RTL_QUERY_REGISTRY_REQUIRED, const_cast<PWSTR>(KTEXT("Gain")), &gain,
       REG_NONE, nullptr, 0},
      {nullptr, RTL_QUERY_REGISTRY_DIRECT, const_cast<PWSTR>(KTEXT("Absent")), &fallback, REG_DWORD, &defaultValue,
       sizeof defaultValue},
      {nullptr, RTL_QUERY_REGISTRY_DIRECT, const_cast<PWSTR>(KTEXT("Table")), table, REG_NONE, nullptr, 0},
      {nullptr, 0, nullptr, nullptr, 0, nullptr, 0}};
  std::u16string path = hostkernel::ToUtf16(kServiceKey);
  ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, path.c_str(), query, nullptr, nullptr), STATUS_SUCCESS);
  EXPECT_EQ(name.Length, 6);
  EXPECT_EQ(std::u16string(nameBuffer), u"Cam");
  ASSERT_NE(allocated.Buffer, nullptr);
  EXPECT_EQ(std::u16string(allocated.Buffer), u"Cam");
  EXPECT_EQ(allocated.MaximumLength, 8);
  EXPECT_EQ(gain, 42u);
  EXPECT_EQ(fallback, 7u);
  EXPECT_EQ(std::vector<uint8_t>(table, table + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));

  bool allocatedFromPool = false;
  for (const hostkernel::PoolBlock &block : hostkernel::LivePoolBlocks()) {
    allocatedFromPool |= block.address == allocated.Buffer && block.type == PagedPool;
  }
  EXPECT_TRUE(allocatedFromPool);
  ExFreePool(allocated.Buffer);
}

TEST_F(RegistryApi, QueryRegistryValuesReportsWhatDoesNotFit) {
  hostkernel::SetRegistryValue(kServiceKey, "Name", REG_SZ, {'C', 0, 'a', 0, 'm', 0, 0, 0});
  hostkernel::SetRegistryValue(kServiceKey, "Table", REG_BINARY, {1, 2, 3, 4, 5, 6});
  const std::u16string path = hostkernel::ToUtf16(kServiceKey);

  WCHAR small[3];
  UNICODE_STRING name{0, sizeof small, small};  // "Cam" needs 8 bytes with its terminator
  RTL_QUERY_REGISTRY_TABLE stringQuery[] = {
      {nullptr, RTL_QUERY_REGISTRY_DIRECT, const_cast<PWSTR>(KTEXT("Name")), &name, REG_NONE, nullptr, 0}, {}};
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, path.c_str(), stringQuery, nullptr, nullptr),
            STATUS_BUFFER_TOO_SMALL);

  uint8_t table[4 + 8];
  const LONG tableSize = -4;
  std::memcpy(table, &tableSize, sizeof tableSize);
  RTL_QUERY_REGISTRY_TABLE binaryQuery[] = {
      {nullptr, RTL_QUERY_REGISTRY_DIRECT, const_cast<PWSTR>(KTEXT("Table")), table, REG_NONE, nullptr, 0}, {}};
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, path.c_str(), binaryQuery, nullptr, nullptr),
            STATUS_BUFFER_TOO_SMALL);

  const LONG withHeader = sizeof table;  // positive: length and type come first
  std::memcpy(table, &withHeader, sizeof withHeader);
  ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, path.c_str(), binaryQuery, nullptr, nullptr),
            STATUS_BUFFER_TOO_SMALL);  // 8 + 6 bytes do not fit in 12
  uint8_t larger[16];
  const LONG largerSize = sizeof larger;
  std::memcpy(larger, &largerSize, sizeof largerSize);
  binaryQuery[0].EntryContext = larger;
  ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, path.c_str(), binaryQuery, nullptr, nullptr),
            STATUS_SUCCESS);
  ULONG header[2];
  std::memcpy(header, larger, sizeof header);
  EXPECT_EQ(header[0], 6u);
  EXPECT_EQ(header[1], static_cast<ULONG>(REG_BINARY));
  EXPECT_EQ(larger[8], 1);
  EXPECT_EQ(larger[13], 6);
}

TEST_F(RegistryApi, QueryRegistryValuesMissingKeyAndRequiredValue) {
  hostkernel::SetRegistryDword(kServiceKey, "Gain", 1);
  ULONG value = 99;
  RTL_QUERY_REGISTRY_TABLE query[] = {
      {nullptr, RTL_QUERY_REGISTRY_DIRECT | RTL_QUERY_REGISTRY_REQUIRED, const_cast<PWSTR>(KTEXT("Missing")), &value,
       REG_DWORD, &value, sizeof value},
      {}};
  const std::u16string path = hostkernel::ToUtf16(kServiceKey);
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, path.c_str(), query, nullptr, nullptr),
            STATUS_OBJECT_NAME_NOT_FOUND);
  query[0].Flags = RTL_QUERY_REGISTRY_DIRECT;
  query[0].DefaultType = REG_NONE;
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, path.c_str(), query, nullptr, nullptr), STATUS_SUCCESS);
  EXPECT_EQ(value, 99u);  // no default: left alone

  const std::u16string missing = path + u"\\Nowhere";
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE | RTL_REGISTRY_OPTIONAL, missing.c_str(), query, nullptr,
                                   nullptr),
            STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_SERVICES, KTEXT("Cam"), query, nullptr, nullptr),
            STATUS_INVALID_PARAMETER);
}

struct Collected {
  std::vector<std::u16string> names;
  std::vector<std::u16string> strings;
  std::vector<ULONG> types;
};

NTSTATUS CollectValue(PWSTR name, ULONG type, PVOID data, ULONG length, PVOID context, PVOID entryContext) {
  Collected *collected = static_cast<Collected *>(context);
  EXPECT_EQ(entryContext, context);
  collected->names.push_back(name);
  collected->types.push_back(type);
  if (type == REG_SZ) collected->strings.emplace_back(static_cast<const char16_t *>(data), length / 2 - 1);
  return STATUS_SUCCESS;
}

NTSTATUS RefuseValue(PWSTR, ULONG, PVOID, ULONG, PVOID, PVOID) { return STATUS_ACCESS_DENIED; }

TEST_F(RegistryApi, QueryRegistryValuesCallsRoutines) {
  hostkernel::SetRegistryValue(kServiceKey, "List", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0, 0, 0});
  hostkernel::SetRegistryDword(kServiceKey, "Gain", 3);
  Collected collected;
  RTL_QUERY_REGISTRY_TABLE query[] = {
      {CollectValue, 0, const_cast<PWSTR>(KTEXT("list")), &collected, REG_NONE, nullptr, 0},
      {CollectValue, 0, nullptr, &collected, REG_NONE, nullptr, 0},
      {}};
  const std::u16string path = hostkernel::ToUtf16(kServiceKey);
  ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, path.c_str(), query, &collected, nullptr), STATUS_SUCCESS);
  // "list" gives one call per string; the null name then gives every value.
  EXPECT_EQ(collected.names, (std::vector<std::u16string>{u"List", u"List", u"List", u"List", u"Gain"}));
  EXPECT_EQ(collected.strings, (std::vector<std::u16string>{u"a", u"bc", u"a", u"bc"}));
  EXPECT_EQ(collected.types.back(), static_cast<ULONG>(REG_DWORD));

  query[0].QueryRoutine = RefuseValue;
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, path.c_str(), query, &collected, nullptr),
            STATUS_ACCESS_DENIED);
}

TEST_F(RegistryApi, WriteRegistryValueCreatesTheWholePath) {
  const std::u16string path = hostkernel::ToUtf16(kServiceKey) + u"\\Parameters\\Deep";
  ULONG value = 0x1234;
  ASSERT_EQ(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, path.c_str(), KTEXT("Level"), REG_DWORD, &value,
                                  sizeof value),
            STATUS_SUCCESS);
  EXPECT_EQ(RegistryDword(std::string(kServiceKey) + "\\PARAMETERS\\deep", "level"), 0x1234u);
  const WCHAR text[] = KTEXT("x");
  ASSERT_EQ(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, path.c_str(), KTEXT("Level"), REG_SZ,
                                  const_cast<WCHAR *>(text), sizeof text),
            STATUS_SUCCESS);
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ASSERT_TRUE(hostkernel::GetRegistryValue(std::string(kServiceKey) + "\\Parameters\\Deep", "Level", &type, &data));
  EXPECT_EQ(type, static_cast<uint32_t>(REG_SZ));
  EXPECT_EQ(data, (std::vector<uint8_t>{'x', 0, 0, 0}));
}

TEST_F(RegistryApi, DeviceRegistryKeyIsTheDriverKey) {
  PDEVICE_OBJECT device = hostkernel::CreateDeviceObject(kDriverKey);
  HANDLE key = nullptr;
  ASSERT_EQ(IoOpenDeviceRegistryKey(device, PLUGPLAY_REGKEY_DRIVER, KEY_ALL_ACCESS, &key), STATUS_SUCCESS);
  EXPECT_TRUE(hostkernel::KeyExists(kDriverKey));
  ASSERT_EQ(SetDword(key, u"Exposure", 5), STATUS_SUCCESS);
  EXPECT_EQ(RegistryDword(kDriverKey, "Exposure"), 5u);
  EXPECT_EQ(ZwClose(key), STATUS_SUCCESS);

  EXPECT_EQ(IoOpenDeviceRegistryKey(device, PLUGPLAY_REGKEY_DEVICE, KEY_READ, &key), STATUS_INVALID_PARAMETER);
  EXPECT_EQ(IoOpenDeviceRegistryKey(nullptr, PLUGPLAY_REGKEY_DRIVER, KEY_READ, &key), STATUS_INVALID_PARAMETER);
  hostkernel::DeleteDeviceObject(device);
}

TEST_F(RegistryApi, FailKeyOpenFailsExactlyThatKeyEverywhere) {
  hostkernel::SetRegistryDword(kServiceKey, "Gain", 1);
  std::string lowered = kDriverKey;
  for (char &c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  hostkernel::FailKeyOpen(lowered, STATUS_ACCESS_DENIED);
  hostkernel::FailKeyOpen(kServiceKey, STATUS_INSUFFICIENT_RESOURCES);

  PDEVICE_OBJECT device = hostkernel::CreateDeviceObject(kDriverKey);
  HANDLE key = nullptr;
  EXPECT_EQ(IoOpenDeviceRegistryKey(device, PLUGPLAY_REGKEY_DRIVER, KEY_READ, &key), STATUS_ACCESS_DENIED);
  EXPECT_EQ(Create(hostkernel::ToUtf16(kDriverKey), nullptr, &key), STATUS_ACCESS_DENIED);

  const std::u16string service = hostkernel::ToUtf16(kServiceKey);
  ULONG gain = 0;
  RTL_QUERY_REGISTRY_TABLE query[] = {
      {nullptr, RTL_QUERY_REGISTRY_DIRECT, const_cast<PWSTR>(KTEXT("Gain")), &gain, REG_NONE, nullptr, 0}, {}};
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, service.c_str(), query, nullptr, nullptr),
            STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_EQ(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, service.c_str(), KTEXT("Gain"), REG_DWORD, &gain,
                                  sizeof gain),
            STATUS_INSUFFICIENT_RESOURCES);
  HANDLE services = nullptr;
  ASSERT_EQ(Create(u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services", nullptr, &services), STATUS_SUCCESS);
  EXPECT_EQ(Create(u"CAM", services, &key), STATUS_INSUFFICIENT_RESOURCES);  // relative names too
  HANDLE other = nullptr;
  ASSERT_EQ(Create(u"Other", services, &other), STATUS_SUCCESS);  // only that key
  EXPECT_EQ(ZwClose(other), STATUS_SUCCESS);

  hostkernel::ClearKeyFailures();
  ASSERT_EQ(IoOpenDeviceRegistryKey(device, PLUGPLAY_REGKEY_DRIVER, KEY_READ, &key), STATUS_SUCCESS);
  EXPECT_EQ(ZwClose(key), STATUS_SUCCESS);
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, service.c_str(), query, nullptr, nullptr), STATUS_SUCCESS);
  EXPECT_EQ(gain, 1u);
  EXPECT_EQ(ZwClose(services), STATUS_SUCCESS);
  hostkernel::DeleteDeviceObject(device);
}

TEST_F(RegistryApi, TextAndFilesLoadAndSaveTheWholeRegistry) {
  hostkernel::SetRegistryDword(kServiceKey, "Gain", 9);
  const std::string saved = hostkernel::SaveRegistryText();
  EXPECT_NE(saved.find("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Cam]\n\"Gain\"=dword:00000009\n"),
            std::string::npos);
  const std::string path = testing::TempDir() + "registry_api_test.reg";
  std::string error;
  ASSERT_TRUE(hostkernel::SaveRegistryFile(path, &error)) << error;
  hostkernel::ResetRegistry();
  EXPECT_FALSE(hostkernel::KeyExists(kServiceKey));
  ASSERT_TRUE(hostkernel::LoadRegistryFile(path, &error)) << error;
  EXPECT_EQ(RegistryDword(kServiceKey, "Gain"), 9u);
  EXPECT_FALSE(hostkernel::LoadRegistryText("Windows Registry Editor Version 5.00\n[BAD\n", &error));
  EXPECT_EQ(error, "line 2: bad key header");
  EXPECT_EQ(RegistryDword(kServiceKey, "Gain"), 9u);
  std::remove(path.c_str());
}

}  // namespace
