#include "platform/host_bridge.h"

namespace sorvex0 {

namespace {

constexpr uint32_t kBiosAreaBase = 0xE0000;
constexpr uint32_t kBiosAreaBytes = 0x20000;
constexpr uint32_t kMaxScanDwords = 0x8000;
constexpr uint32_t kDirectoryBytes = 16;
constexpr uint32_t kPciServiceName = 0x49435024;  // "$PCI"
constexpr uint32_t kReadConfigDword = 0xB10A;
constexpr uint16_t kSisVendorId = 0x1039;

// Device instance 0000 of the USB controller setup class.
constexpr WCHAR kUsbControllerKey[] = KTEXT(
    "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
    "{36FC9E60-C465-11CF-8056-444553540000}\\0000");
constexpr USHORT kDescriptionBytes = 256;

uint32_t ReadLe32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A BIOS physical address as a pointer into the mapping, or null when it
// lies outside the mapped area: the directory's contents are not ours to
// trust, and a far call outside the mapping would run arbitrary memory.
const uint8_t *TranslateBiosAddress(const uint8_t *image, uint32_t physical) {
  if (physical < kBiosAreaBase || physical - kBiosAreaBase >= kBiosAreaBytes) return nullptr;
  return image + (physical - kBiosAreaBase);
}

bool StartsWithSis(const WCHAR *description, USHORT lengthBytes) {
  WCHAR prefix[4] = {0, 0, 0, 0};
  const USHORT units = lengthBytes / sizeof(WCHAR);
  for (USHORT i = 0; i < 3 && i < units; ++i) prefix[i] = description[i];
  return wcscmp(prefix, KTEXT("SIS")) == 0 || wcscmp(prefix, KTEXT("SiS")) == 0 ||
         wcscmp(prefix, KTEXT("Sis")) == 0 || wcscmp(prefix, KTEXT("sis")) == 0;
}

}  // namespace

const uint8_t *FindBios32Directory(const uint8_t *image, uint32_t imageBytes) {
  for (uint32_t i = 0; i < kMaxScanDwords && i * 4 + 4 <= imageBytes; ++i) {
    const uint8_t *candidate = image + i * 4;
    if (candidate[0] != '_' || candidate[1] != '3' || candidate[2] != '2' || candidate[3] != '_') {
      continue;
    }
    // Only the first signature is examined.
    if (i * 4 + kDirectoryBytes > imageBytes || candidate[9] != 1) return nullptr;
    uint8_t sum = 0;
    for (uint32_t k = 0; k < kDirectoryBytes; ++k) sum = static_cast<uint8_t>(sum + candidate[k]);
    return sum == 0 ? candidate : nullptr;
  }
  return nullptr;
}

uint32_t ReadHostBridgeId() {
  PHYSICAL_ADDRESS base;
  base.QuadPart = kBiosAreaBase;
  auto *image = static_cast<const uint8_t *>(MmMapIoSpace(base, kBiosAreaBytes, MmCached));
  if (image == nullptr) return 0;

  uint32_t id = 0;
  const uint8_t *directory = FindBios32Directory(image, kBiosAreaBytes);
  const uint8_t *directoryEntry =
      directory != nullptr ? TranslateBiosAddress(image, ReadLe32(directory + 4)) : nullptr;
  if (directoryEntry != nullptr) {
    Bios32Registers lookup = {};
    lookup.eax = kPciServiceName;
    lookup.ebx = 0;
    Bios32FarCall(directoryEntry, &lookup);
    const uint8_t *service =
        (lookup.eax & 0xFF) == 0 ? TranslateBiosAddress(image, lookup.ebx + lookup.edx) : nullptr;
    if (service != nullptr) {
      Bios32Registers read = {};
      read.eax = kReadConfigDword;
      read.ebx = 0;  // bus 0, device 0, function 0
      read.edi = 0;  // register 0
      Bios32FarCall(service, &read);
      id = read.ecx;
    }
  }
  MmUnmapIoSpace(const_cast<uint8_t *>(image), kBiosAreaBytes);
  return id;
}

void DetectSisHost(IspContext *context) {
  WCHAR description[kDescriptionBytes / sizeof(WCHAR)];
  UNICODE_STRING text;
  text.Length = 0;
  text.MaximumLength = kDescriptionBytes;
  text.Buffer = description;

  RTL_QUERY_REGISTRY_TABLE query[2];
  RtlZeroMemory(query, sizeof(query));
  query[0].Flags = RTL_QUERY_REGISTRY_REQUIRED | RTL_QUERY_REGISTRY_DIRECT;
  query[0].Name = const_cast<PWSTR>(KTEXT("DriverDesc"));
  query[0].EntryContext = &text;
  const NTSTATUS status = RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE | RTL_REGISTRY_OPTIONAL,
                                                 kUsbControllerKey, query, nullptr, nullptr);
  if (!NT_SUCCESS(status)) return;

  const uint32_t bridgeId = ReadHostBridgeId();
  if ((bridgeId & 0xFFFF) == kSisVendorId || StartsWithSis(text.Buffer, text.Length)) {
    context->sisHostController = 1;
  }
}

}  // namespace sorvex0
