// The state the handset's own programs keep on a handset: sim installs each program's state on
// the handset it mounts, and the program's exported functions find it on the current handset.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace cehost {

// What a program keeps for one handset; each program derives its own.
class ProgramState {
 public:
  virtual ~ProgramState() = default;
  // Called when its handset is about to stop being current (another is mounted, or none), while
  // it still is: a program that runs threads making platform calls ends them here.
  virtual void Unmount() {}
  // Answers a call that the program's library, loaded in a program attached to the handset's
  // server, made into the program running in the server; nullopt refuses it.
  virtual std::optional<std::vector<uint8_t>> Answer(const std::vector<uint8_t>& call);
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

// Hands the call to the named program of the running handset's server and returns its answer;
// nullopt when the current handset is not attached to a server, no server could be reached, or
// the program refused the call.
std::optional<std::vector<uint8_t>> CallServedProgram(std::string_view program,
                                                      const std::vector<uint8_t>& call);

// Whether the current handset's programs run in its server instead of in this process.
bool HandsetServed();

}  // namespace cehost
