#include "ce/text.h"
extern "C" int wvsprintfW(LPWSTR lpOut, LPCWSTR, va_list) { lpOut[0] = 0; return 0; }
