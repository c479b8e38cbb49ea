#include "ce/errors.h"

namespace {
thread_local DWORD t_last_error = 0;
}

extern "C" DWORD GetLastError(void) {
  return t_last_error;
}

extern "C" void SetLastError(DWORD dwErrCode) {
  t_last_error = dwErrCode;
}
