#include "store/raw_snapshot.h"

#include "exposure/light_level.h"

namespace sorvex0 {

namespace {

constexpr uint32_t kLargeChunk = 999999;
constexpr uint32_t kSmallChunk = 16384;
constexpr uint32_t kNameUnits = 256;
constexpr uint32_t kSnapshotCycle = 64;

void PutLe32(uint8_t *record, uint32_t offset, uint32_t value) {
  record[offset] = static_cast<uint8_t>(value);
  record[offset + 1] = static_cast<uint8_t>(value >> 8);
  record[offset + 2] = static_cast<uint8_t>(value >> 16);
  record[offset + 3] = static_cast<uint8_t>(value >> 24);
}

void BuildSnapshotInfo(const IspContext *context, const PictureValues &values, uint32_t outputWidth,
                       uint32_t outputHeight, uint8_t *record) {
  RtlZeroMemory(record, kSnapshotInfoBytes);
  record[0] = 'E';
  record[1] = 'S';
  record[2] = 'S';
  record[3] = ' ';
  PutLe32(record, 4, outputWidth);
  PutLe32(record, 8, outputHeight);
  PutLe32(record, 12, values.brightness);
  PutLe32(record, 16, values.contrast);
  PutLe32(record, 20, values.saturation);
  PutLe32(record, 24, values.filterStrength);
  PutLe32(record, 28, values.chromaBalance);
  PutLe32(record, 32, values.unused);
  PutLe32(record, 36, values.gammaStrength);
  PutLe32(record, 40, values.exposureTargetScale);
  PutLe32(record, 44, context->noiseLevel);
  PutLe32(record, 48, context->ric);
  PutLe32(record, 52, context->awbRefR);
  PutLe32(record, 56, context->awbRefG);
  PutLe32(record, 60, context->awbRefB);
  PutLe32(record, 64, context->awbGainLimit);
  PutLe32(record, 68, context->aeTarget);
  PutLe32(record, 72, values.colourEnable == 0 ? 1 : 0);
  PutLe32(record, 76, context->sensorId);
  PutLe32(record, 80, 100);
  PutLe32(record, 84, CurrentLightLevel(context));
  PutLe32(record, 88, static_cast<uint32_t>(context->blackLevel));
}

bool QueryDword(const WCHAR *path, const WCHAR *name) {
  ULONG value = 0;
  RTL_QUERY_REGISTRY_TABLE query[2];
  RtlZeroMemory(query, sizeof(query));
  query[0].Flags = RTL_QUERY_REGISTRY_REQUIRED | RTL_QUERY_REGISTRY_DIRECT;
  query[0].Name = const_cast<PWSTR>(name);
  query[0].EntryContext = &value;
  return NT_SUCCESS(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE | RTL_REGISTRY_OPTIONAL, path,
                                           query, nullptr, nullptr));
}

void WriteValue(const IspContext *context, const WCHAR *name, ULONG type, const void *data,
                ULONG bytes) {
  RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, context->serviceKeyPath, name, type,
                        const_cast<void *>(data), bytes);
}

}  // namespace

bool ServiceKeyIsComplete(const IspContext *context) {
  return QueryDword(context->serviceKeyPath, KTEXT("Start")) &&
         QueryDword(context->serviceKeyPath, KTEXT("Type"));
}

void WriteRawSnapshot(IspContext *context, const PictureValues &values, uint32_t captureWidth,
                      uint32_t captureHeight, uint32_t outputWidth, uint32_t outputHeight,
                      const uint8_t *raw, uint32_t number) {
  DbgPrint("Write RawData = %d\n", static_cast<int>(number));
  uint8_t record[kSnapshotInfoBytes];
  BuildSnapshotInfo(context, values, outputWidth, outputHeight, record);

  const uint32_t total = captureWidth * captureHeight;
  const uint32_t chunk = ServiceKeyIsComplete(context) ? kLargeChunk : kSmallChunk;
  const uint32_t chunks = total / chunk + 1;
  const LONG n = static_cast<LONG>(number);
  WCHAR name[kNameUnits];
  uint32_t offset = 0;
  for (uint32_t i = 0; i < chunks && offset < total; ++i) {
    const uint32_t bytes = total - offset < chunk ? total - offset : chunk;
    swprintf(name, KTEXT("Raw%02ldData%02ld"), n, static_cast<LONG>(i));
    WriteValue(context, name, REG_BINARY, raw + offset, bytes);
    offset += bytes;
  }
  swprintf(name, KTEXT("Raw%02ldInfo"), n);
  WriteValue(context, name, REG_BINARY, record, kSnapshotInfoBytes);
  swprintf(name, KTEXT("Raw%02ldW"), n);
  WriteValue(context, name, REG_DWORD, &captureWidth, sizeof(captureWidth));
  swprintf(name, KTEXT("Raw%02ldH"), n);
  WriteValue(context, name, REG_DWORD, &captureHeight, sizeof(captureHeight));
}

void TakeSnapshot(IspContext *context, const FrameRequest &frame) {
  DbgPrint("Shutter Pic By Software\n");
  context->snapshotRequest = 0;
  const uint32_t number = context->snapshotSequence + 1;
  context->snapshotIndex = number;
  context->snapshotSequence = number % kSnapshotCycle;
  WriteRawSnapshot(context, frame.values, frame.captureWidth, frame.captureHeight,
                   frame.outputWidth, frame.outputHeight, frame.raw, number);
}

}  // namespace sorvex0
