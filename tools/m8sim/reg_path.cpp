#include "reg_path.h"

#include "ce/registry.h"
#include "cehost/text.h"
#include "errors.h"

namespace m8sim {

namespace {

struct Root {
  const char16_t* short_name;
  const char16_t* full_name;
  HKEY key;
};

}  // namespace

std::u16string KeyPath::Full() const {
  return sub_key.empty() ? root_name : root_name + u"\\" + sub_key;
}

KeyPath ParseKeyPath(std::string_view text) {
  const Root roots[] = {{u"HKLM", u"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                        {u"HKCU", u"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                        {u"HKCR", u"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                        {u"HKU", u"HKEY_USERS", HKEY_USERS}};
  std::u16string path = cehost::ToUtf16(text);
  for (char16_t& c : path)
    if (c == u'/') c = u'\\';
  size_t split = path.find(u'\\');
  std::u16string head = path.substr(0, split);
  std::u16string rest = split == std::u16string::npos ? u"" : path.substr(split + 1);
  while (!rest.empty() && rest.back() == u'\\') rest.pop_back();
  for (const auto& root : roots) {
    if (cehost::EqualsIgnoreCase(head, root.short_name) ||
        cehost::EqualsIgnoreCase(head, root.full_name))
      return {root.key, root.full_name, rest};
  }
  throw UsageError("not a registry key: '" + std::string(text) +
                   "' (it starts with HKLM, HKCU, HKCR or HKU)");
}

}  // namespace m8sim
