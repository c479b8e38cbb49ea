// The handset's Chinese (pinyin) input method as a program of the simulated handset. While it
// runs it holds the auto-reset event "VIVADOV_SETTING", so that whoever changes its options and
// sets the event wakes it; on each wake its thread reads its options, the string values of
// HKEY_LOCAL_MACHINE "SOFTWARE\\VIVADOV", and records in the journal (kind "program") that it
// reloaded them, with the values it read ("iang=1, f=0, ..."), or that the key is missing.
//
// handset.toml's [input_method] table: present (whether the handset has it; true) and running
// (whether it is started when the handset is mounted; true). One not running holds no event, so
// a set of "VIVADOV_SETTING" then has nobody to wake; Start() starts it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "ce/types.h"
#include "cehost/programs.h"
#include "sim/program.h"

namespace sim {

inline constexpr char kInputMethodProgram[] = "input_method";
inline constexpr char16_t kInputMethodEventName[] = u"VIVADOV_SETTING";
inline constexpr char16_t kInputMethodKey[] = u"SOFTWARE\\VIVADOV";

class InputMethod : public Program, public cehost::ProgramState {
 public:
  InputMethod() = default;
  ~InputMethod() override;
  InputMethod(const InputMethod&) = delete;
  InputMethod& operator=(const InputMethod&) = delete;

  std::string_view name() const override { return kInputMethodProgram; }
  // Reads present and running.
  void Configure(const ConfigTable& table) override;
  // Puts it on the handset, started unless running = false.
  void Install() override;
  // Ends its thread and lets go of the event.
  void Unmount() override;

  // Starts it (creating or opening the event and starting its thread); false when the handset
  // does not have it. Starting it while it runs changes nothing.
  bool Start();
  // Stops it: its thread ends and it lets go of the event.
  void Stop();
  // True while it runs.
  bool running() const;
  // How many times it has reloaded its options since it was installed.
  uint64_t Reloads() const;
  // True once it has reloaded its options at least count times since it was installed; false
  // when timeout_ms runs out first or it stops running.
  bool WaitReloads(uint64_t count, DWORD timeout_ms);
  // The options as it last read them ("iang=1, f=0, ..."); empty before the first reload.
  std::string Options() const;

 private:
  void Run(HANDLE setting, HANDLE stop);
  void Reload();

  bool present_ = true;
  bool start_running_ = true;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool installed_ = false;
  bool running_ = false;
  uint64_t reloads_ = 0;
  std::string options_;
  HANDLE setting_ = nullptr;
  HANDLE stop_ = nullptr;
  std::thread thread_;
};

}  // namespace sim
