#include "settings/keyboard_reset.h"

#include "ce/kernel.h"
#include "ce/registry.h"
#include "frame/format.h"
#include "frame/registry_value.h"

namespace {

// The options in the order they are written: the pinyin initial and final switches, then the
// general options. Each is one decimal digit, stored as text.
struct KeyboardOption {
  LPCWSTR name;
  DWORD digit;
};
constexpr KeyboardOption kOptions[] = {
    {u"iang", 1},   {u"f", 0},     {u"zh", 0},     {u"ch", 0},      {u"uang", 0},   {u"n", 0},
    {u"ang", 0},    {u"eng", 0},   {u"sh", 0},     {u"ing", 0},     {u"k", 0},      {u"gbk", 0},
    {u"ziFreq", 1}, {u"pyCut", 1}, {u"ciFreq", 1}, {u"enSpace", 1}, {u"legend", 1}, {u"pyType", 0},
};

}  // namespace

int ResetKeyBoard() {
  HKEY key = CreateRegistryKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\VIVADOV", KEY_ALL_ACCESS);
  for (const KeyboardOption& option : kOptions) {
    WCHAR digit[2];
    FormatInto(digit, 2, u"%d", option.digit);
    RegSetValueExW(key, option.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(digit), sizeof digit);
  }
  if (key) RegCloseKey(key);
  // Set only once the key is closed, so that the input method reads every new option.
  HANDLE changed = CreateEventW(nullptr, FALSE, FALSE, u"VIVADOV_SETTING");
  if (changed) {
    EventModify(changed, EVENT_SET);
    CloseHandle(changed);
  }
  return 1;
}
