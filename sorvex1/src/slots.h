// The routines behind the operations table, one per slot. Each takes the
// table's userData first, checks its sizes and pointers, and does nothing
// when they do not describe a usable image.
#pragma once

#include <stdint.h>

#include "sorvex1.h"

namespace sorvex1 {

void SORVEX1_CALL ConvertRawToYuyv(void *userData, uint8_t *raw, int32_t sourceWidth, int32_t sourceHeight,
                                   uint8_t *destination, int32_t width, int32_t height);
void SORVEX1_CALL ConvertYuyvToBitmap(void *userData, const uint8_t *yuyv, int32_t sourceWidth,
                                      int32_t sourceHeight, uint8_t *destination, int32_t width,
                                      int32_t height);
void SORVEX1_CALL ConvertYuyvToI420(void *userData, const uint8_t *yuyv, int32_t sourceWidth,
                                    int32_t sourceHeight, uint8_t *destination, int32_t width,
                                    int32_t height);
void SORVEX1_CALL SetColourMatrix(void *userData, const int32_t *matrix);
void SORVEX1_CALL SetYuvMatrix(void *userData, const int32_t *matrix);
void SORVEX1_CALL CorrectBadPixels(void *userData, uint8_t *raw, int32_t width, int32_t height, uint32_t flag,
                                   uint32_t mode);
void SORVEX1_CALL ApplyShading(void *userData, uint8_t *raw, int32_t width, int32_t height, uint32_t enable,
                               const uint8_t *gainMap, uint32_t reserved, const uint8_t *tableR,
                               const uint8_t *tableG, const uint8_t *tableB);
void SORVEX1_CALL SharpenFrame(void *userData, uint8_t *yuyv, int32_t width, int32_t height,
                               uint32_t strength);
void SORVEX1_CALL DenoiseFrame(void *userData, uint8_t *yuyv, int32_t width, int32_t height,
                               uint32_t strength);

}  // namespace sorvex1
