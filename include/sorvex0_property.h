/*
 * sorvex0's custom property set: the identifiers the minidriver forwards to
 * ISPFunc_prpmanf_GetCustomProperty and ISPFunc_prpmanf_SetCustomProperty,
 * the settings items, and the records they exchange.
 *
 * The request (SorvexPropertyDescriptor, sorvex0.h) points at the property
 * header (a 16-byte set GUID, the identifier at byte 16, the get/set flags at
 * byte 20) and at the data buffer, whose size the caller makes right for the
 * request: the 32-byte SorvexPropertyRecord for most requests, 4 bytes for
 * get SORVEX_PROPERTY_SNAPSHOT and the 648-byte SorvexGammaRecord for
 * SORVEX_PROPERTY_GAMMA. Each export returns the number of valid bytes of the
 * data buffer, 0 for an identifier it does not handle.
 */
#ifndef SORVEX0_PROPERTY_H
#define SORVEX0_PROPERTY_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Property identifiers. */
enum {
  SORVEX_PROPERTY_SELECT_ITEM = 31,        /* set: the item word selects the item of get 32 */
  SORVEX_PROPERTY_ITEM = 32,               /* get: the selected item, and its value */
  SORVEX_PROPERTY_SET_ITEM = 33,           /* set: the value word into the item named by the item word */
  SORVEX_PROPERTY_REPORT_TWO = 50,         /* get: the value 2 */
  SORVEX_PROPERTY_SELECT_REGISTER = 51,    /* set: the value word selects the item or register */
  SORVEX_PROPERTY_CONTROLLER_REGISTER = 52,/* get: the selected controller register; set: item word := value word */
  SORVEX_PROPERTY_SELECT_REGISTER_B = 53,  /* as 51 */
  SORVEX_PROPERTY_SENSOR_REGISTER = 54,    /* get: the selected sensor register; set: item word := value word */
  SORVEX_PROPERTY_SENSOR_ID = 55,          /* get: the sensor's code */
  SORVEX_PROPERTY_SNAPSHOT = 57,           /* get: the last snapshot's number (4 bytes); set: arm a snapshot */
  SORVEX_PROPERTY_ZOOM = 60,
  SORVEX_PROPERTY_FACE_TRACKING = 61,
  SORVEX_PROPERTY_FACE_DESCRIPTION = 62,
  SORVEX_PROPERTY_SELECT_ITEM_B = 63,      /* as 31 */
  SORVEX_PROPERTY_GAMMA = 64,              /* the gamma record */
  SORVEX_PROPERTY_FLICKER = 66
};

/* Settings items: the item word of SORVEX_PROPERTY_SET_ITEM and the selector
 * of SORVEX_PROPERTY_ITEM. */
enum {
  SORVEX_ITEM_FLICKER = 1,          /* 1: 50 Hz mains, else 60 Hz */
  SORVEX_ITEM_OUT_DOOR = 2,
  SORVEX_ITEM_LOW_LIGHT = 3,
  SORVEX_ITEM_FLIP_VERTICAL = 4,
  SORVEX_ITEM_FLIP_HORIZONTAL = 5,
  SORVEX_ITEM_RIC = 6,              /* lens-shading correction */
  SORVEX_ITEM_BPC = 7,              /* bad-pixel correction */
  SORVEX_ITEM_DENOISE = 8,
  SORVEX_ITEM_AWB_TYPE = 21,        /* 0 automatic white balance, 1..9 preset */
  SORVEX_ITEM_AWB_PRESET_1 = 22,    /* .. SORVEX_ITEM_AWB_PRESET_9: 0x00RRGGBB */
  SORVEX_ITEM_AWB_PRESET_9 = 30,
  SORVEX_ITEM_AE_TYPE = 32,
  SORVEX_ITEM_AE_TARGET = 33,
  SORVEX_ITEM_AE_TABLE_LENGTH = 34, /* read only */
  SORVEX_ITEM_AE_INDEX = 35,
  SORVEX_ITEM_EXPOSURE_VALUE = 36,  /* read only */
  SORVEX_ITEM_CLOCK = 37,
  SORVEX_ITEM_SSBS = 38,            /* doubled capture of small sizes */
  SORVEX_ITEM_FBF = 39,
  SORVEX_ITEM_IP_MODE = 40,         /* processing mode */
  SORVEX_ITEM_REQUESTED_WIDTH = 91, /* 91..94 read only */
  SORVEX_ITEM_REQUESTED_HEIGHT = 92,
  SORVEX_ITEM_CAPTURE_WIDTH = 93,
  SORVEX_ITEM_CAPTURE_HEIGHT = 94,
  SORVEX_ITEM_RESET_GAMMA = 99,     /* set only; the value is ignored */
  SORVEX_ITEM_FACTORY_DEFAULTS = 100/* set only; the value is ignored */
};

/* The property header: the set GUID, then the identifier and the flags. */
#define SORVEX_PROPERTY_HEADER_BYTES 24
#define SORVEX_PROPERTY_ID_OFFSET 16

/* The standard record: a copy of the property header (left untouched), the
 * value word and the item word. */
typedef struct SorvexPropertyRecord {
  uint8_t header[SORVEX_PROPERTY_HEADER_BYTES];
  int32_t value;
  uint32_t item;
} SorvexPropertyRecord;
#define SORVEX_PROPERTY_RECORD_BYTES 32

/* Get SORVEX_PROPERTY_SNAPSHOT: one 32-bit word, the snapshot number. */
#define SORVEX_SNAPSHOT_RESULT_BYTES 4

/* The gamma record: a word the library neither reads nor writes, the point
 * count, room for 32 points and the 256-entry curve. */
#define SORVEX_GAMMA_POINTS 32
#define SORVEX_GAMMA_CURVE_ENTRIES 256
typedef struct SorvexGammaRecord {
  uint32_t reserved;
  int32_t pointCount;
  int32_t points[SORVEX_GAMMA_POINTS];
  uint16_t curve[SORVEX_GAMMA_CURVE_ENTRIES];
} SorvexGammaRecord;
#define SORVEX_GAMMA_RECORD_BYTES 648

#ifdef __cplusplus
}
#endif

#endif /* SORVEX0_PROPERTY_H */
