// Screen geometry records, laid out as the Windows CE interface publishes them.
#pragma once

#include <cstddef>

#include "ce/types.h"

// A rectangle in screen or client coordinates; right and bottom lie just outside it.
typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT, *PRECT, *LPRECT;
typedef const RECT* LPCRECT;
static_assert(sizeof(RECT) == 16);
static_assert(offsetof(RECT, left) == 0);
static_assert(offsetof(RECT, top) == 4);
static_assert(offsetof(RECT, right) == 8);
static_assert(offsetof(RECT, bottom) == 12);

// A point in screen or client coordinates.
typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT, *PPOINT, *LPPOINT;
static_assert(sizeof(POINT) == 8);
static_assert(offsetof(POINT, y) == 4);
