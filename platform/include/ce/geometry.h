// Screen geometry records, laid out as the Windows CE interface publishes them.
#pragma once

#ifdef __cplusplus
#include <cstddef>
#else
#include <stddef.h>
#endif

#include "ce/types.h"

// A rectangle in screen or client coordinates; right and bottom lie just outside it.
typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT, *PRECT, *LPRECT;
typedef const RECT* LPCRECT;
static_assert(sizeof(RECT) == 16, "laid out as the platform publishes it");
static_assert(offsetof(RECT, left) == 0, "laid out as the platform publishes it");
static_assert(offsetof(RECT, top) == 4, "laid out as the platform publishes it");
static_assert(offsetof(RECT, right) == 8, "laid out as the platform publishes it");
static_assert(offsetof(RECT, bottom) == 12, "laid out as the platform publishes it");

// A point in screen or client coordinates.
typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT, *PPOINT, *LPPOINT;
static_assert(sizeof(POINT) == 8, "laid out as the platform publishes it");
static_assert(offsetof(POINT, y) == 4, "laid out as the platform publishes it");
