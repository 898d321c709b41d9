/*
 * sorvex0: the camera's image-processing export driver.
 *
 * The camera's streaming minidriver links against this library and calls
 * these exports: ISPFunc_Init once per camera, then any number of streams
 * (ISPFunc_StartCapture, ISPFunc_StreamStateNotify, one ISPFunc_RawToImg per
 * raw frame, ISPFunc_StopCapture), the property and rotation exports at any
 * time, and ISPFunc_Exit once at the end. Calls for one context must come one
 * at a time.
 *
 * Every argument is 32 bits wide on the 32-bit Windows target. On a 64-bit
 * host, pointers keep their native width and everything else stays 32 bits.
 */
#ifndef SORVEX0_H
#define SORVEX0_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Windows kernel drivers export stdcall functions, and so does every 32-bit
 * x86 build (the runner of the shipped images calls them from Linux); other
 * hosts have one convention.
 */
#if defined(__i386__)
#define SORVEX_CALL __attribute__((stdcall))
#else
#define SORVEX_CALL
#endif

#if defined(_WIN32)
#define SORVEX_EXPORT
#else
#define SORVEX_EXPORT __attribute__((visibility("default")))
#endif

/* Opaque value of the minidriver's, handed back unchanged to every callback. */
typedef uint32_t SorvexDevice;

/* NTSTATUS: negative values are failures. */
typedef int32_t SorvexStatus;

/* A UTF-16 code unit, whatever the host's wchar_t is. */
typedef uint16_t SorvexChar16;

/* The per-camera context. Its contents belong to the library. */
typedef struct IspContext IspContext;

/* Reads one register; the low byte of the result is the register's value. */
typedef uint32_t(SORVEX_CALL *SorvexReadRegister)(SorvexDevice device, uint32_t reg);

/* Writes `count` (register, value) byte pairs. The result is not used. */
typedef uint32_t(SORVEX_CALL *SorvexWriteRegisters)(SorvexDevice device,
                                                    const uint8_t *pairs,
                                                    uint32_t count);

/* Names a sensor mode script, such as "HS\YUYV\1280A". The result is not used. */
typedef uint32_t(SORVEX_CALL *SorvexSelectSensorMode)(SorvexDevice device,
                                                      const char *modeName);

/* Output formats. Any other code is produced as a 24-bit bitmap. */
enum {
  SORVEX_FORMAT_RGB24 = 1, /* bottom-up, blue-green-red, 3 bytes a pixel */
  SORVEX_FORMAT_YUYV = 2,  /* Y0 U Y1 V for each pixel pair */
  SORVEX_FORMAT_I420 = 3   /* Y plane, then U and V planes of a quarter size */
};

/* ISPFunc_StreamStateNotify state that means the stream is running. */
enum { SORVEX_STREAM_STATE_RUN = 3 };

/*
 * The request of the two custom-property exports, in the layout of the
 * stream class's property descriptor. The library reads only `property` (the
 * identifier is the 32-bit word after its 16-byte set GUID) and `propertyInfo`
 * (the data buffer, whose size the caller makes right for the request).
 */
typedef struct SorvexPropertyDescriptor {
  void *property;
  uint32_t propertySetId;
  void *propertyInfo;
  uint32_t propertyInputSize;
  uint32_t propertyOutputSize;
} SorvexPropertyDescriptor;

SORVEX_EXPORT int32_t SORVEX_CALL DriverEntry(void *driverObject, void *registryPath);
SORVEX_EXPORT int32_t SORVEX_CALL DllUnload(void);

/*
 * Creates the context of one camera and stores it in *contextCell (a null
 * pointer when it cannot be allocated). Returns the status of loading the
 * stored settings; the context is usable even when that status is a failure.
 * `physicalDevice` is the camera's device object (its driver key holds the
 * settings) and `sensorName` the sensor model, such as u"MI1320".
 */
SORVEX_EXPORT SorvexStatus SORVEX_CALL ISPFunc_Init(
    IspContext **contextCell, uint32_t ignored, void *physicalDevice,
    const SorvexChar16 *sensorName, uint32_t highSpeed,
    SorvexReadRegister readRegisterA, SorvexWriteRegisters writeRegistersA,
    SorvexSelectSensorMode selectSensorMode, SorvexReadRegister readRegisterB,
    SorvexWriteRegisters writeRegistersB);

/* Saves the current settings, frees every buffer and the context. */
SORVEX_EXPORT uint32_t SORVEX_CALL ISPFunc_Exit(IspContext *context, uint32_t ignored,
                                                void *physicalDevice);

/* Starts a stream; the two cells receive the size the sensor must capture. */
SORVEX_EXPORT void SORVEX_CALL ISPFunc_StartCapture(
    IspContext *context, SorvexDevice device, uint32_t outputFormat, uint32_t width,
    uint32_t height, uint32_t *captureWidth, uint32_t *captureHeight);

SORVEX_EXPORT void SORVEX_CALL ISPFunc_StopCapture(IspContext *context, SorvexDevice device);

SORVEX_EXPORT void SORVEX_CALL ISPFunc_StreamStateNotify(IspContext *context,
                                                         uint32_t ignored, uint32_t state);

/*
 * Turns one raw frame (captureWidth x captureHeight as chosen by
 * ISPFunc_StartCapture; modified in place) into an outputWidth x outputHeight
 * image of the given format in `destination`. p1..p9 are the picture values:
 * brightness, contrast, saturation, filter strength, chroma balance, unused,
 * gamma strength, exposure-target scale, colour enable (50 is neutral).
 */
SORVEX_EXPORT void SORVEX_CALL ISPFunc_RawToImg(
    IspContext *context, SorvexDevice device, uint32_t outputFormat, uint32_t p1,
    uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5, uint32_t p6, uint32_t p7,
    uint32_t p8, uint32_t p9, uint8_t *destination, uint8_t *rawFrame,
    uint32_t outputWidth, uint32_t outputHeight);

/* Programs the sensor's mirror (horizontal) and flip (vertical); each flag is a byte. */
SORVEX_EXPORT void SORVEX_CALL ISPFunc_Rotate(IspContext *context, SorvexDevice device,
                                              uint32_t horizontalFlag, uint32_t verticalFlag);

/* Answer a custom property request; the result is the number of valid bytes. */
SORVEX_EXPORT uint32_t SORVEX_CALL ISPFunc_prpmanf_GetCustomProperty(
    IspContext *context, SorvexDevice device, SorvexPropertyDescriptor *request);
SORVEX_EXPORT uint32_t SORVEX_CALL ISPFunc_prpmanf_SetCustomProperty(
    IspContext *context, SorvexDevice device, SorvexPropertyDescriptor *request);

#ifdef __cplusplus
}
#endif

#endif /* SORVEX0_H */
