#include "access_point_probe.h"

#include <vector>

#include "frame/exports.h"

namespace m8sim {

namespace {

// The section names of a UTF-16 INI file, in order.
std::vector<std::u16string> SectionNames(const std::vector<unsigned char>& bytes) {
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  if (!text.empty() && text.front() == u'\xFEFF') text.erase(0, 1);
  std::vector<std::u16string> names;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    std::u16string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']')
      names.emplace_back(line.substr(1, line.size() - 2));
    start = end + 1;
  }
  return names;
}

}  // namespace

SelectedAccessPoint FindSelectedAccessPoint(sim::Handset& handset, const std::u16string& imsi) {
  SelectedAccessPoint found;
  found.file = u"\\Windows\\" + imsi.substr(0, 5) + u".ini";
  for (const std::u16string& section : SectionNames(handset.ReadFile(found.file))) {
    INT selected = 0;
    found.result = IniReadIntEx(section.c_str(), u"IsSelect", &selected, found.file.c_str());
    if (found.result == 1 && selected == 1) {
      found.name = section;
      break;
    }
  }
  return found;
}

}  // namespace m8sim
