// The notification LED service: how many LEDs the handset has, what each can do, and setting
// one on, off or blinking. A vibrator is driven as one of these LEDs.
#pragma once

#include <cstddef>

#include "ce/types.h"

#define NLED_COUNT_INFO_ID 0
#define NLED_SUPPORTS_INFO_ID 1
#define NLED_SETTINGS_INFO_ID 2

// Values of OffOnBlink.
#define NLED_OFF 0
#define NLED_ON 1
#define NLED_BLINK 2

typedef struct _NLED_COUNT_INFO {
  UINT cLeds;
} NLED_COUNT_INFO;
static_assert(sizeof(NLED_COUNT_INFO) == 4);

// What one LED can do; the caller fills LedNum. lCycleAdjust is the timing granularity in
// microseconds, 0 when the LED cannot blink.
typedef struct _NLED_SUPPORTS_INFO {
  UINT LedNum;
  LONG lCycleAdjust;
  BOOL fAdjustTotalCycleTime;
  BOOL fAdjustOnTime;
  BOOL fAdjustOffTime;
  BOOL fMetaCycleOn;
  BOOL fMetaCycleOff;
} NLED_SUPPORTS_INFO;
static_assert(sizeof(NLED_SUPPORTS_INFO) == 28);

// One LED's state; times in microseconds, looked at only when OffOnBlink is NLED_BLINK.
typedef struct _NLED_SETTINGS_INFO {
  UINT LedNum;
  INT OffOnBlink;
  LONG TotalCycleTime;
  LONG OnTime;
  LONG OffTime;
  INT MetaCycleOn;
  INT MetaCycleOff;
} NLED_SETTINGS_INFO;
static_assert(sizeof(NLED_SETTINGS_INFO) == 28);
static_assert(offsetof(NLED_SETTINGS_INFO, OffTime) == 16);

extern "C" {

// Fills the record of nInfoId (count, supports or settings); FALSE and the last error when the
// handset has no LED service or the LED does not exist.
BOOL NLedGetDeviceInfo(UINT nInfoId, void* pOutput);

// Applies an NLED_SETTINGS_INFO (the only nDeviceId taken); FALSE and the last error for another
// identifier, an LED that does not exist or a value the LED refuses.
BOOL NLedSetDevice(UINT nDeviceId, void* pInput);

}  // extern "C"
