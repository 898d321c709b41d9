// Host implementation of the Windows kernel routines the drivers call, with
// the kernel's own names, types and structure layouts. Nothing here is
// specific to the camera: it is a small kernel the drivers can run on.
//
// UTF-16 is WCHAR = char16_t on every host, never the host's wchar_t.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

typedef int32_t NTSTATUS;
typedef uint8_t UCHAR;
typedef uint8_t BOOLEAN;
typedef uint16_t USHORT;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef size_t SIZE_T;
typedef char16_t WCHAR;
typedef WCHAR *PWSTR;
typedef const WCHAR *PCWSTR;
typedef void *PVOID;
typedef void *HANDLE;
typedef uint32_t ACCESS_MASK;

typedef union _LARGE_INTEGER {
  struct {
    ULONG LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
} LARGE_INTEGER, PHYSICAL_ADDRESS;

// The kernel's calling convention: stdcall on 32-bit x86 (the callee pops
// its arguments), the only one there is elsewhere. Only an i386 build, such
// as the one that runs the shipped driver images, sees a difference.
#if defined(__i386__)
#define NTAPI __attribute__((stdcall))
#else
#define NTAPI
#endif

#define NT_SUCCESS(status) (((NTSTATUS)(status)) >= 0)

#define STATUS_SUCCESS ((NTSTATUS)0x00000000)
#define STATUS_BUFFER_OVERFLOW ((NTSTATUS)0x80000005)
#define STATUS_NO_MORE_ENTRIES ((NTSTATUS)0x8000001A)
#define STATUS_UNSUCCESSFUL ((NTSTATUS)0xC0000001)
#define STATUS_INVALID_HANDLE ((NTSTATUS)0xC0000008)
#define STATUS_INVALID_PARAMETER ((NTSTATUS)0xC000000D)
#define STATUS_ACCESS_DENIED ((NTSTATUS)0xC0000022)
#define STATUS_BUFFER_TOO_SMALL ((NTSTATUS)0xC0000023)
#define STATUS_OBJECT_TYPE_MISMATCH ((NTSTATUS)0xC0000024)
#define STATUS_OBJECT_NAME_INVALID ((NTSTATUS)0xC0000033)
#define STATUS_OBJECT_NAME_NOT_FOUND ((NTSTATUS)0xC0000034)
#define STATUS_OBJECT_PATH_NOT_FOUND ((NTSTATUS)0xC000003A)
#define STATUS_INSUFFICIENT_RESOURCES ((NTSTATUS)0xC000009A)
#define STATUS_KEY_DELETED ((NTSTATUS)0xC000017C)
#define STATUS_INVALID_DEVICE_REQUEST ((NTSTATUS)0xC0000010)

// Pool.
typedef enum _POOL_TYPE { NonPagedPool = 0, PagedPool = 1 } POOL_TYPE;

// Registry.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

#define STANDARD_RIGHTS_READ 0x00020000u
#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_READ 0x00020019u
#define KEY_WRITE 0x00020006u
#define KEY_ALL_ACCESS 0x000F003Fu

#define OBJ_CASE_INSENSITIVE 0x00000040u
#define REG_OPTION_NON_VOLATILE 0x00000000u
#define REG_CREATED_NEW_KEY 0x00000001u
#define REG_OPENED_EXISTING_KEY 0x00000002u

#define PLUGPLAY_REGKEY_DEVICE 1u
#define PLUGPLAY_REGKEY_DRIVER 2u

#define RTL_REGISTRY_ABSOLUTE 0u
#define RTL_REGISTRY_SERVICES 1u
#define RTL_REGISTRY_OPTIONAL 0x80000000u
#define RTL_QUERY_REGISTRY_SUBKEY 0x00000001u
#define RTL_QUERY_REGISTRY_TOPKEY 0x00000002u
#define RTL_QUERY_REGISTRY_REQUIRED 0x00000004u
#define RTL_QUERY_REGISTRY_NOVALUE 0x00000008u
#define RTL_QUERY_REGISTRY_NOEXPAND 0x00000010u
#define RTL_QUERY_REGISTRY_DIRECT 0x00000020u
#define RTL_QUERY_REGISTRY_DELETE 0x00000040u

typedef struct _UNICODE_STRING {
  USHORT Length;         // bytes, without a terminator
  USHORT MaximumLength;  // bytes of Buffer
  PWSTR Buffer;
} UNICODE_STRING, *PUNICODE_STRING;

typedef struct _OBJECT_ATTRIBUTES {
  ULONG Length;
  HANDLE RootDirectory;
  PUNICODE_STRING ObjectName;
  ULONG Attributes;
  PVOID SecurityDescriptor;
  PVOID SecurityQualityOfService;
} OBJECT_ATTRIBUTES, *POBJECT_ATTRIBUTES;

#define InitializeObjectAttributes(p, n, a, r, s) \
  do {                                            \
    (p)->Length = sizeof(OBJECT_ATTRIBUTES);      \
    (p)->RootDirectory = (r);                     \
    (p)->Attributes = (a);                        \
    (p)->ObjectName = (n);                        \
    (p)->SecurityDescriptor = (s);                \
    (p)->SecurityQualityOfService = NULL;         \
  } while (0)

typedef enum _KEY_VALUE_INFORMATION_CLASS {
  KeyValueBasicInformation = 0,
  KeyValueFullInformation = 1,
  KeyValuePartialInformation = 2
} KEY_VALUE_INFORMATION_CLASS;

typedef struct _KEY_VALUE_BASIC_INFORMATION {
  ULONG TitleIndex;
  ULONG Type;
  ULONG NameLength;  // bytes
  WCHAR Name[1];
} KEY_VALUE_BASIC_INFORMATION, *PKEY_VALUE_BASIC_INFORMATION;

// Name follows at offset 20; data at DataOffset from the start of the record.
typedef struct _KEY_VALUE_FULL_INFORMATION {
  ULONG TitleIndex;
  ULONG Type;
  ULONG DataOffset;
  ULONG DataLength;
  ULONG NameLength;  // bytes
  WCHAR Name[1];
} KEY_VALUE_FULL_INFORMATION, *PKEY_VALUE_FULL_INFORMATION;

typedef struct _KEY_VALUE_PARTIAL_INFORMATION {
  ULONG TitleIndex;
  ULONG Type;
  ULONG DataLength;
  UCHAR Data[1];
} KEY_VALUE_PARTIAL_INFORMATION, *PKEY_VALUE_PARTIAL_INFORMATION;

typedef NTSTATUS(NTAPI *PRTL_QUERY_REGISTRY_ROUTINE)(PWSTR ValueName, ULONG ValueType, PVOID ValueData,
                                                ULONG ValueLength, PVOID Context,
                                                PVOID EntryContext);

typedef struct _RTL_QUERY_REGISTRY_TABLE {
  PRTL_QUERY_REGISTRY_ROUTINE QueryRoutine;
  ULONG Flags;
  PWSTR Name;
  PVOID EntryContext;
  ULONG DefaultType;
  PVOID DefaultData;
  ULONG DefaultLength;
} RTL_QUERY_REGISTRY_TABLE, *PRTL_QUERY_REGISTRY_TABLE;

// Device objects. On the host a device object names its driver (software)
// key; hostkernel/host_control.h creates them.
typedef struct _DEVICE_OBJECT DEVICE_OBJECT, *PDEVICE_OBJECT;

typedef enum _MEMORY_CACHING_TYPE { MmNonCached = 0, MmCached = 1, MmWriteCombined = 2 } MEMORY_CACHING_TYPE;

// DDK memory helpers.
#define RtlCopyMemory(d, s, n) memcpy((d), (s), (n))
#define RtlMoveMemory(d, s, n) memmove((d), (s), (n))
#define RtlFillMemory(d, n, v) memset((d), (v), (n))
#define RtlZeroMemory(d, n) memset((d), 0, (n))
#define RtlEqualMemory(a, b, n) (memcmp((a), (b), (n)) == 0)

extern "C" {
PVOID NTAPI ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag);
void NTAPI ExFreePool(PVOID P);

void NTAPI KeQuerySystemTime(LARGE_INTEGER *CurrentTime);

ULONG DbgPrint(const char *Format, ...) __attribute__((format(printf, 1, 2)));

void NTAPI RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString);
NTSTATUS NTAPI ZwCreateKey(HANDLE *KeyHandle, ACCESS_MASK DesiredAccess, POBJECT_ATTRIBUTES ObjectAttributes,
                     ULONG TitleIndex, PUNICODE_STRING Class, ULONG CreateOptions, ULONG *Disposition);
NTSTATUS NTAPI ZwQueryValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName,
                         KEY_VALUE_INFORMATION_CLASS KeyValueInformationClass,
                         PVOID KeyValueInformation, ULONG Length, ULONG *ResultLength);
NTSTATUS NTAPI ZwSetValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName, ULONG TitleIndex, ULONG Type,
                       PVOID Data, ULONG DataSize);
NTSTATUS NTAPI ZwClose(HANDLE Handle);
// The subset of the kernel's behaviour implemented on the host:
// - RelativeTo is RTL_REGISTRY_ABSOLUTE, optionally OR-ed with
//   RTL_REGISTRY_OPTIONAL; a missing key fails with
//   STATUS_OBJECT_NAME_NOT_FOUND either way. Other bases fail with
//   STATUS_INVALID_PARAMETER.
// - The table ends at an entry with a null QueryRoutine and a null Name.
// - Flags: RTL_QUERY_REGISTRY_DIRECT, RTL_QUERY_REGISTRY_REQUIRED and
//   RTL_QUERY_REGISTRY_NOEXPAND (REG_EXPAND_SZ is never expanded here; for
//   a routine it keeps REG_MULTI_SZ whole). SUBKEY, TOPKEY, NOVALUE and
//   DELETE fail with STATUS_INVALID_PARAMETER.
// - DIRECT: REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ go to the UNICODE_STRING
//   at EntryContext: copied with a terminator when it fits MaximumLength,
//   else STATUS_BUFFER_TOO_SMALL; a null Buffer is allocated from PagedPool
//   (free it with ExFreePool). Other values of up to 4 bytes are copied to
//   EntryContext. Longer ones need the LONG at EntryContext to give the
//   buffer size: negative, the data alone is stored; positive, the length,
//   the type and then the data. STATUS_BUFFER_TOO_SMALL when it does not fit.
// - A QueryRoutine gets the value (REG_MULTI_SZ: one call per string, as
//   REG_SZ, unless NOEXPAND); with a null Name it gets every value of the key.
//   A failure it returns ends the query with that status.
// - A missing value: REQUIRED fails with STATUS_OBJECT_NAME_NOT_FOUND;
//   otherwise DefaultType/DefaultData/DefaultLength stand in for it (a zero
//   DefaultLength of a string is its length), and with DefaultType REG_NONE
//   the entry is skipped.
NTSTATUS NTAPI RtlQueryRegistryValues(ULONG RelativeTo, PCWSTR Path, PRTL_QUERY_REGISTRY_TABLE QueryTable,
                                PVOID Context, PVOID Environment);
NTSTATUS NTAPI RtlWriteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName, ULONG ValueType,
                               PVOID ValueData, ULONG ValueLength);
NTSTATUS NTAPI IoOpenDeviceRegistryKey(PDEVICE_OBJECT DeviceObject, ULONG DevInstKeyType,
                                 ACCESS_MASK DesiredAccess, HANDLE *DevInstRegKey);

PVOID NTAPI MmMapIoSpace(PHYSICAL_ADDRESS PhysicalAddress, SIZE_T NumberOfBytes, MEMORY_CACHING_TYPE CacheType);
void NTAPI MmUnmapIoSpace(PVOID BaseAddress, SIZE_T NumberOfBytes);
}

// The kernel's UTF-16 string routines. C++ overloads on WCHAR, so they live
// beside the host C library's wchar_t functions of the same names.
SIZE_T wcslen(PCWSTR s);
PWSTR wcscpy(PWSTR destination, PCWSTR source);
int wcscmp(PCWSTR a, PCWSTR b);
// Formats %d, %i, %u, %x, %X (with the size prefixes l, ll and I64), %s
// (narrow, UTF-8), %ls, %ws, %S (wide), %c, %wc, %lc and %%, with flags '0',
// '-', '+' and ' ', width and precision ('*' too). As on Windows, 'l' names
// a 32-bit LONG, not the host's long. Unknown conversions are copied as they
// stand. Returns the number of units written, without the terminator; the
// buffer must be large enough.
int swprintf(PWSTR buffer, PCWSTR format, ...);
