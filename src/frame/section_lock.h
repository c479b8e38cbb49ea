// Holding a critical section for the length of a scope.
#pragma once

#include "ce/kernel.h"

// Enters the section when made and leaves it when destroyed.
class SectionLock {
 public:
  explicit SectionLock(CRITICAL_SECTION& section) : section_(section) {
    EnterCriticalSection(&section_);
  }
  ~SectionLock() { LeaveCriticalSection(&section_); }
  SectionLock(const SectionLock&) = delete;
  SectionLock& operator=(const SectionLock&) = delete;

 private:
  CRITICAL_SECTION& section_;
};
