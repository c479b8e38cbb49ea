// Critical sections: a recursive lock of the host's behind each one.
#include <mutex>

#include "ce/kernel.h"

namespace {

std::recursive_mutex* LockOf(LPCRITICAL_SECTION section) {
  return static_cast<std::recursive_mutex*>(section->LockHandle);
}

}  // namespace

extern "C" {

void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  lpCriticalSection->LockHandle = new std::recursive_mutex;
}

void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  delete LockOf(lpCriticalSection);
  lpCriticalSection->LockHandle = nullptr;
}

void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  LockOf(lpCriticalSection)->lock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  return LockOf(lpCriticalSection)->try_lock() ? TRUE : FALSE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  LockOf(lpCriticalSection)->unlock();
}

}  // extern "C"
