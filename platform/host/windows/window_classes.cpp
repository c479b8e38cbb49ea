#include "windows/window_classes.h"

#include "ce/errors.h"
#include "cehost/text.h"

namespace cehost {

namespace {

constexpr ATOM kFirstClassAtom = 0xC000;
constexpr ATOM kLastClassAtom = 0xFFFF;
// The longest class name, as for any atom's name.
constexpr size_t kLongestClassName = 255;

}  // namespace

ATOM WindowClasses::Add(const WNDCLASSW& record, DWORD* error) {
  LPCWSTR name = record.lpszClassName;
  size_t length = 0;
  if (name && !IsAtomName(name))
    while (length <= kLongestClassName && name[length]) ++length;
  if (!record.lpfnWndProc || !name || IsAtomName(name) || length == 0 ||
      length > kLongestClassName) {
    *error = ERROR_INVALID_PARAMETER;
    return 0;
  }
  std::u16string_view wanted(name, length);
  for (const auto& [atom, known] : classes_) {
    if (EqualsIgnoreCase(known.name, wanted)) {
      *error = ERROR_CLASS_ALREADY_EXISTS;
      return 0;
    }
  }
  if (classes_.size() > kLastClassAtom - kFirstClassAtom) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return 0;
  }
  // Atoms are not reused soon, so that a stale one fails instead of naming a newer class.
  ATOM atom = last_;
  do {
    atom = (atom < kFirstClassAtom || atom == kLastClassAtom) ? kFirstClassAtom
                                                              : static_cast<ATOM>(atom + 1);
  } while (classes_.count(atom));
  last_ = atom;
  classes_.emplace(atom,
                   WindowClass{atom, std::u16string(wanted), record.lpfnWndProc, record.style});
  return atom;
}

const WindowClass* WindowClasses::Find(LPCWSTR name_or_atom) const {
  if (!name_or_atom) return nullptr;
  if (IsAtomName(name_or_atom)) {
    auto it = classes_.find(static_cast<ATOM>(reinterpret_cast<uintptr_t>(name_or_atom)));
    return it == classes_.end() ? nullptr : &it->second;
  }
  for (const auto& [atom, known] : classes_)
    if (EqualsIgnoreCase(known.name, name_or_atom)) return &known;
  return nullptr;
}

void WindowClasses::Remove(ATOM atom) {
  classes_.erase(atom);
}

}  // namespace cehost
