// The states of the programs installed on a handset, by program name.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cehost/programs.h"

namespace cehost {

class ProgramTable {
 public:
  // Puts the state under the name, replacing one of that name; null removes it.
  void Install(std::string_view program, std::shared_ptr<ProgramState> state);
  // The state under the name, or null.
  std::shared_ptr<ProgramState> Find(std::string_view program) const;
  // Tells every state that its handset is being let go of, in the order of their names.
  void UnmountAll() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<ProgramState>, std::less<>> states_;
};

}  // namespace cehost
