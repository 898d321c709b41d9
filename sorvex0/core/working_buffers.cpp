#include "core/working_buffers.h"

#include "core/pool_buffer.h"

namespace sorvex0 {

bool EnsureFrameBuffer(uint8_t *&buffer, int32_t &recordedWidth, int32_t &recordedHeight,
                       int32_t width, int32_t height, uint32_t bytesPerPixel) {
  if (recordedWidth < width || recordedHeight < height) FreePoolBuffer(buffer);
  if (buffer != nullptr) return true;
  if (width <= 0 || height <= 0) return false;
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height + 2) * bytesPerPixel;
  buffer = AllocatePoolBuffer(bytes);
  if (buffer == nullptr) return false;
  recordedWidth = width;
  recordedHeight = height;
  return true;
}

bool EnsureWorkBuffer(IspContext *context, int32_t width, int32_t height) {
  return EnsureFrameBuffer(context->workBuffer, context->workBufferWidth, context->workBufferHeight,
                           width, height, 2);
}

bool EnsureStageBuffer(IspContext *context, int32_t width, int32_t height) {
  return EnsureFrameBuffer(context->stageBuffer, context->stageBufferWidth,
                           context->stageBufferHeight, width, height, 3);
}

void ReleaseLensShadingMap(IspContext *context) {
  FreePoolBuffer(context->ricMapA);
  context->ricMapAWidth = -1;
  context->ricMapAHeight = -1;
  context->ricLastWidth = -1;
  context->ricLastHeight = -1;
  context->ricLastLevel = 0xFF;
}

void ReleaseWorkingBuffers(IspContext *context) {
  FreePoolBuffer(context->holdBuffer);
  ReleaseLensShadingMap(context);
  FreePoolBuffer(context->stageBuffer);
  FreePoolBuffer(context->workBuffer);
  FreePoolBuffer(context->faceWorkArea);
}

}  // namespace sorvex0
