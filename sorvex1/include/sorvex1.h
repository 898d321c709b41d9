/*
 * sorvex1: the conversion library. Plain colour conversions of the camera's
 * Bayer frames and YUYV images, and the operations table that sorvex0 drives.
 *
 * Images have no gaps between lines: a raw line of width W is W bytes, a YUYV
 * line 2W bytes, a 24-bit bitmap line 3W bytes, an I420 image W*H*3/2 bytes
 * (rounded down). The Bayer mosaic has green-blue on even lines (green at even
 * columns) and red-green on odd lines (red at even columns).
 *
 * Widths and heights run from 1 to 8192; a routine given a zero, negative
 * (other than a negated source size), larger size or a null image does
 * nothing. Nothing is read or written outside the buffers the sizes describe.
 *
 * Odd sizes. YUYV: the last pixel of an odd-width line is stored as Y and its
 * own U (its V has no byte); reading it back, it borrows the V of the pair
 * before it (128 when the line has one pixel). I420: the U and V planes are
 * (W/2) x (H/2) rounded down, so a last odd column or line has luma only and
 * the image fits in W*H*3/2 bytes rounded down.
 */
#ifndef SORVEX1_H
#define SORVEX1_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__i386__)
#define SORVEX1_CALL __attribute__((stdcall))
#else
#define SORVEX1_CALL
#endif

#if defined(_WIN32)
#define SORVEX1_EXPORT
#else
#define SORVEX1_EXPORT __attribute__((visibility("default")))
#endif

/* Raw frame (Ws x Hs) to a W x H YUYV image: demosaic (gradient-corrected
 * linear interpolation), then the colour matrix, then the YUV matrix. Source
 * sizes are passed negated when the source is wider than the destination and
 * should be reduced. Whenever the sizes differ, negated or not, the image is
 * resampled in RGB after demosaicing: area averaging on reduction (no
 * aliasing), linear interpolation on enlargement. */
typedef void(SORVEX1_CALL *ConvertRawToYuyvFn)(void *userData, uint8_t *raw, int32_t sourceWidth,
                                               int32_t sourceHeight, uint8_t *destination,
                                               int32_t width, int32_t height);
/* YUYV image (Ws x Hs) to a W x H bitmap or I420 image, with the BT.601
 * studio-range inverse. The bitmap is 24-bit BGR stored bottom-up (its first
 * line is the bottom of the picture). I420 chroma is the mean of each pair of
 * YUYV lines. When the sizes differ, each output pixel takes the nearest
 * source pixel. */
typedef void(SORVEX1_CALL *ConvertYuyvFn)(void *userData, const uint8_t *yuyv, int32_t sourceWidth,
                                          int32_t sourceHeight, uint8_t *destination,
                                          int32_t width, int32_t height);
/* Three rows of four values scaled by 256: three coefficients and an offset
 * in 1/256 of a code value. The colour matrix maps camera RGB to RGB (rows R,
 * G, B); the YUV matrix maps that to Y, U, V, whose studio-range offsets (+16
 * for Y, +128 for U and V) are added on top of its own. Results are rounded
 * and clamped to 0..255; values beyond +-65536 are clamped. At FUNC_Init the
 * colour matrix is the identity and the YUV matrix BT.601 studio range
 * (66,129,25,0 / -38,-74,112,0 / 112,-94,-18,0). */
typedef void(SORVEX1_CALL *SetMatrixFn)(void *userData, const int32_t *matrix);
/* Corrects defective pixels in place. A sample standing out from its eight
 * same-colour neighbours (two samples away) by more than a threshold is
 * replaced by their median; the threshold is a base plus half the
 * neighbours' spread. mode 100: base 64, only extreme outliers (stuck
 * pixels); 6 or 7: base 32, mild; 4 or 5: base 16, stronger; any other: as 6.
 * An odd mode (4+s, 6+s, 100+s with s = 1) means the frame is reduced later:
 * base +25% and the cheaper mean of the four straight neighbours as the
 * replacement. flag 1 (low light): base +50% and the whole spread added, so
 * that noise is not taken for defects. */
typedef void(SORVEX1_CALL *CorrectBadPixelsFn)(void *userData, uint8_t *raw, int32_t width,
                                               int32_t height, uint32_t flag, uint32_t mode);
/* Applies the lens-shading gain map (when enabled) and the three output tables.
 * Gain: one byte per sample in the raw layout, in 1/128 steps above unity
 * (value x (128 + gain) / 128, rounded, clamped to 255; 127 is almost x2).
 * Then each sample goes through the 256-entry table of its colour; a null
 * table leaves its colour alone. enable 0 or a null map: tables only. */
typedef void(SORVEX1_CALL *ApplyShadingFn)(void *userData, uint8_t *raw, int32_t width,
                                           int32_t height, uint32_t enable, const uint8_t *gainMap,
                                           uint32_t reserved, const uint8_t *tableR,
                                           const uint8_t *tableG, const uint8_t *tableB);
/* Filters a YUYV image in place; strength 0..100 (larger acts as 100), and 0
 * leaves the image unchanged. filterFrame sharpens luma (unsharp mask, amount
 * up to 2x at 100, with coring of small differences); filterFrameDenoise is
 * an edge-preserving 3x3 sigma filter on luma (sigma up to 30 at 100) with a
 * lighter one on chroma. */
typedef void(SORVEX1_CALL *FilterFrameFn)(void *userData, uint8_t *yuyv, int32_t width,
                                          int32_t height, uint32_t strength);

/* The operations table: word 0 userData, word 1 unused, words 2 to 10 the slots. */
typedef struct ConversionOps {
  void *userData;
  void *reserved;
  ConvertRawToYuyvFn convertRawToYuyv;
  ConvertYuyvFn convertYuyvToBitmap;
  ConvertYuyvFn convertYuyvToI420;
  SetMatrixFn setColorMatrix;
  SetMatrixFn setYuvMatrix;
  CorrectBadPixelsFn correctBadPixels;
  ApplyShadingFn applyShading;
  FilterFrameFn filterFrame;
  FilterFrameFn filterFrameDenoise;
} ConversionOps;

/* Returns a table valid until FUNC_Exit, or null when memory is short. */
SORVEX1_EXPORT ConversionOps *SORVEX1_CALL FUNC_Init(void);
SORVEX1_EXPORT void SORVEX1_CALL FUNC_Exit(ConversionOps *ops);

/* FUNC_RawToI420 and FUNC_RawToBmp convert through a YUYV frame the library
 * keeps (grown from the pool when the size grows, freed by FUNC_Exit). */
SORVEX1_EXPORT void SORVEX1_CALL FUNC_RawToYuv(ConversionOps *ops, uint8_t *raw, int32_t sourceWidth,
                                               int32_t sourceHeight, uint8_t *destination,
                                               int32_t width, int32_t height);
SORVEX1_EXPORT void SORVEX1_CALL FUNC_RawToI420(ConversionOps *ops, uint8_t *raw, int32_t sourceWidth,
                                                int32_t sourceHeight, uint8_t *destination,
                                                int32_t width, int32_t height);
SORVEX1_EXPORT void SORVEX1_CALL FUNC_RawToBmp(ConversionOps *ops, uint8_t *raw, int32_t sourceWidth,
                                               int32_t sourceHeight, uint8_t *destination,
                                               int32_t width, int32_t height);
SORVEX1_EXPORT void SORVEX1_CALL FUNC_YuvToBmp(ConversionOps *ops, const uint8_t *yuyv, int32_t width,
                                               int32_t height, uint8_t *destination);
SORVEX1_EXPORT void SORVEX1_CALL FUNC_YuvToI420(ConversionOps *ops, const uint8_t *yuyv, int32_t width,
                                                int32_t height, uint8_t *destination);

#ifdef __cplusplus
}
#endif

#endif /* SORVEX1_H */
