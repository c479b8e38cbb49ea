#include "sim/regfile/reg_keys.h"

#include "cehost/text.h"

namespace sim {

namespace {

struct Root {
  std::u16string_view name;
  std::u16string_view short_name;
  HKEY key;
};

}  // namespace

std::optional<RegKeyName> SplitKeyName(std::u16string_view full_name) {
  const Root roots[] = {
      {u"HKEY_LOCAL_MACHINE", u"HKLM", HKEY_LOCAL_MACHINE},
      {u"HKEY_CURRENT_USER", u"HKCU", HKEY_CURRENT_USER},
      {u"HKEY_CLASSES_ROOT", u"HKCR", HKEY_CLASSES_ROOT},
      {u"HKEY_USERS", u"HKU", HKEY_USERS},
  };
  size_t slash = full_name.find(u'\\');
  std::u16string_view root_part = full_name.substr(0, slash);
  std::u16string_view path =
      slash == full_name.npos ? std::u16string_view() : full_name.substr(slash + 1);
  if (path.ends_with(u'\\')) path.remove_suffix(1);
  for (const Root& root : roots) {
    if (!cehost::EqualsIgnoreCase(root_part, root.name) &&
        !cehost::EqualsIgnoreCase(root_part, root.short_name))
      continue;
    // Every name along the path must be one the registry can hold.
    size_t start = 0;
    while (!path.empty() && start <= path.size()) {
      size_t end = path.find(u'\\', start);
      if (end == path.npos) end = path.size();
      if (end == start || end - start > REG_MAX_NAME) return std::nullopt;
      start = end + 1;
    }
    return RegKeyName{root.key, std::u16string(root.name), std::u16string(path)};
  }
  return std::nullopt;
}

}  // namespace sim
