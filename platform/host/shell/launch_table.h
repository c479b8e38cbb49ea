// The programs a handset can launch, by the CE path of their files.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "cehost/launch.h"

namespace cehost {

// The path as the launch table keys it: rooted at "\" (CE has no current folder, so a name
// without a leading backslash starts at the root) and case-folded.
std::u16string LaunchKey(std::u16string_view ce_path);

class LaunchTable {
 public:
  // Adds the program under its path, replacing one of the same path (case ignored).
  void Install(std::u16string_view ce_path, Launchable program);
  // Removes the program of that path; false when there is none.
  bool Remove(std::u16string_view ce_path);
  // The program of that path, or null.
  std::shared_ptr<const Launchable> Find(std::u16string_view ce_path) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::u16string, std::shared_ptr<const Launchable>> programs_;
};

}  // namespace cehost
