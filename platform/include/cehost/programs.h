// The state the handset's own programs keep on a handset: sim installs each program's state on
// the handset it mounts, and the program's exported functions find it on the current handset.
#pragma once

#include <memory>
#include <string_view>

namespace cehost {

// What a program keeps for one handset; each program derives its own.
class ProgramState {
 public:
  virtual ~ProgramState() = default;
  // Called when its handset is about to stop being current (another is mounted, or none), while
  // it still is: a program that runs threads making platform calls ends them here.
  virtual void Unmount() {}
};

// Puts the program's state on the current handset under the program's name, replacing the state
// of that name; null removes it. It goes with the handset when another is mounted.
void InstallProgramState(std::string_view program, std::shared_ptr<ProgramState> state);

// The state of the named program on the current handset, or null when it has none.
std::shared_ptr<ProgramState> FindProgramState(std::string_view program);

// The state of the named program on the current handset as its own type, or null when it has
// none of that type.
template <class State>
std::shared_ptr<State> CurrentProgramState(std::string_view program) {
  return std::dynamic_pointer_cast<State>(FindProgramState(program));
}

}  // namespace cehost
