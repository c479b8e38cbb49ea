// The window classes a program registered on a handset, by name and by atom.
#pragma once

#include <map>
#include <string>

#include "ce/types.h"
#include "ce/windows.h"

namespace cehost {

struct WindowClass {
  ATOM atom = 0;
  // As registered; names compare without regard to case.
  std::u16string name;
  WNDPROC proc = nullptr;
  UINT style = 0;
};

// Not locked: the window table guards it, so that a class cannot go while a window of it is made.
class WindowClasses {
 public:
  // Registers the class and returns its atom, in 0xC000..0xFFFF; 0 with *error set when the
  // record is incomplete (ERROR_INVALID_PARAMETER), the name is taken (ERROR_CLASS_ALREADY_EXISTS)
  // or every atom is (ERROR_NOT_ENOUGH_MEMORY).
  ATOM Add(const WNDCLASSW& record, DWORD* error);
  // The class of that name, or of that atom for a value MAKEINTATOM makes; null when none.
  const WindowClass* Find(LPCWSTR name_or_atom) const;
  // Forgets the class with that atom.
  void Remove(ATOM atom);

 private:
  std::map<ATOM, WindowClass> classes_;
  ATOM last_ = 0;
};

// True when the value is an atom in the place of a name.
inline bool IsAtomName(LPCWSTR name) {
  return name && reinterpret_cast<uintptr_t>(name) < 0x10000;
}

}  // namespace cehost
