// The reusable buffers of the frame pipeline. Each is allocated on first use,
// grows when a frame needs more and is released only at ISPFunc_Exit.
#pragma once

#include "core/isp_context.h"

namespace sorvex0 {

// Makes `buffer` hold at least width x (height + 2) x bytesPerPixel bytes:
// a buffer recorded for a smaller width or height is freed and a new one
// allocated, recording the new size. Returns false (and leaves no buffer)
// when the pool is exhausted or the size is not positive.
bool EnsureFrameBuffer(uint8_t *&buffer, int32_t &recordedWidth, int32_t &recordedHeight,
                       int32_t width, int32_t height, uint32_t bytesPerPixel);

bool EnsureWorkBuffer(IspContext *context, int32_t width, int32_t height);   // YUYV, 2 bytes a pixel
bool EnsureStageBuffer(IspContext *context, int32_t width, int32_t height);  // 3 bytes a pixel

// Frees the lens-shading map and forgets the sizes and level it was built for.
void ReleaseLensShadingMap(IspContext *context);

// Frees every working buffer that exists, in the order of ISPFunc_Exit.
void ReleaseWorkingBuffers(IspContext *context);

}  // namespace sorvex0
