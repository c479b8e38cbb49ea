// The handset's shell as a program of the simulated handset. Like the real shell it runs on the
// handset: on its own thread it reads the three queues applications write into (subscriptions,
// requests, user notifications), keeps what they say in its memory, and posts its registered
// "ShellNotifyMsg/" messages to the subscribed windows. Each record it reads is recorded in the
// journal as kind "shell" with a "text" a person reads. Its memory is kept in the home's
// state.json, so that it outlives one program's run on the handset.
//
// The messages it posts carry wParam 0 and lParam 0. It announces ReadyPowerOFF before a power
// off or a reset (request 6 or 7), and EntryLockphone or LeaveLockPhone when the phone lock
// changes (requests 8 and 9), after writing the lock state where applications read it.
//
// handset.toml's [shell] table: present = false leaves the handset without a shell (no message
// names registered, nobody reads the queues); running = false installs it without starting it
// (nobody reads the queues, so a writer fills them and its 17th record is refused) until Start().
// Its sub-tables [shell.windows] and [shell.answer_delay_ms] set up its six windows by class
// name: CTaskBar = "absent" | "present" | "hung", and CTaskBar = 300 (milliseconds each message
// takes before it is answered). Each window acts on the shell's private messages it knows,
// keeps what it did in the shell's memory and records it in the journal (kind "shell").
//
// Once the shell has kept its state in state.json, whether it was running or stopped is taken
// from there, until a reboot forgets it.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "ce/types.h"
#include "cehost/programs.h"
#include "oem/shell.h"
#include "sim/program.h"
#include "sim/shell/shell_memory.h"
#include "sim/shell/shell_records.h"
#include "sim/shell/shell_windows.h"

namespace sim {

inline constexpr char kShellProgram[] = "shell";
// The event that wakes the shell's thread when it is stopped, started or let go of.
inline constexpr char16_t kShellWakeEventName[] = u"ShellReaderWake";

// Whether the shell is on the handset and reading its queues.
enum class ShellRun {
  kAbsent,      // no shell on the handset
  kNotStarted,  // installed, not started: nobody reads its queues
  kStopped,     // started, then stopped: it holds its queues and reads nothing
  kRunning,     // reading its queues
};

// "absent", "not started", "stopped" or "running".
const char* ShellRunName(ShellRun run);

// One of the shell's windows at one moment.
struct ShellWindowStatus {
  HWND hwnd = nullptr;
  ShellWindowSetup setup;
  bool visible = false;
};

// What the shell holds at one moment.
struct ShellStatus {
  ShellRun run = ShellRun::kAbsent;
  ShellMemory memory;
  std::array<ShellWindowStatus, kShellWindowCount> windows{};
  // Records waiting in each of its queues.
  std::array<DWORD, kShellQueueCount> waiting{};
};

class Shell : public Program, public cehost::ProgramState {
 public:
  Shell();
  ~Shell() override;
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  std::string_view name() const override { return kShellProgram; }
  // Reads present, running, windows and answer_delay_ms.
  void Configure(const ConfigTable& table) override;
  // Registers the event message names, takes the shell's memory from state.json (a handset
  // without one boots the shell empty, as handset.toml says, with the phone unlocked), puts back
  // into its queues the records that waited in them when the handset was last let go of, and
  // starts the shell's thread unless it is not started.
  void Install() override;
  // Lets a running shell handle what is queued (for a bounded time), ends its thread, and keeps
  // its memory and the records still waiting in its queues in state.json.
  void Unmount() override;

  // True once every record written into the queues before the call has been handled; true at
  // once when the shell reads nothing (absent, not started, stopped, or not on the current
  // handset). False when timeout_ms ran out first.
  bool WaitIdle(DWORD timeout_ms);
  // Stops reading the queues (they stay the shell's, and fill up); false when it is absent.
  bool Stop();
  // Starts reading the queues again, or for the first time, beginning with what waited; false
  // when it is absent.
  bool Start();
  // Posts the event's message to every subscribed window, as the shell announces it; false when
  // the shell is absent, not started or not on the current handset.
  bool FireEvent(ShellEvent event);
  // The identifier of the event's registered message on the shell's handset; 0 when absent.
  UINT MessageId(ShellEvent event) const;
  // What the shell holds now.
  ShellStatus Status() const;

  // Each of these sets up the window of the class (compared without case) on the shell's
  // handset from now on, until the handset is mounted again; false when the shell is absent or
  // the class is not one of its windows'.
  // Makes the window exist (as it was, or answering when it was absent) or not.
  bool SetWindowPresent(std::u16string_view class_name, bool present);
  // Makes an existing window hang (it keeps what it is sent and answers nothing) or recover and
  // handle what waited; false also when the window does not exist.
  bool SetWindowHung(std::u16string_view class_name, bool hung);
  // Has the window take delay_ms over each message before it acts on it and answers.
  bool SetWindowAnswerDelay(std::u16string_view class_name, DWORD delay_ms);
  // The window of the class, or null when it does not exist.
  HWND Window(std::u16string_view class_name) const;

 private:
  void StartReader();
  void StopReader();
  void ReadLoop();
  void Handle(ShellQueue queue, const uint8_t* data, size_t size, bool too_long);
  void Announce(ShellEvent event);
  void Restore(const std::vector<std::pair<ShellQueue, std::vector<uint8_t>>>& records);
  std::vector<std::pair<ShellQueue, std::vector<uint8_t>>> TakeWaiting();
  void Save(const std::vector<std::pair<ShellQueue, std::vector<uint8_t>>>* waiting = nullptr);
  bool Reading() const;
  void CreateWindows();
  void DestroyWindows();
  void MakeWindow(ShellWindow window, bool visible);
  LRESULT OnWindowMessage(ShellWindow window, UINT msg, WPARAM wparam, LPARAM lparam);
  // The memory with the top bar's visibility as its window has it now.
  void NoteTopBar();

  // As handset.toml sets it.
  bool present_ = true;
  bool running_ = true;
  std::array<ShellWindowSetup, kShellWindowCount> window_setup_{};

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  ShellRun run_ = ShellRun::kAbsent;
  ShellMemory memory_;
  bool installed_ = false;
  std::filesystem::path home_;
  std::array<UINT, SHELL_EVENT_COUNT> message_ids_{};
  // Its windows as they are set up now, and their handles (null: absent).
  std::array<ShellWindowSetup, kShellWindowCount> windows_now_{};
  std::array<HWND, kShellWindowCount> hwnds_{};
  // The event that wakes the thread, the queues' read ends (the thread's), and write ends the
  // shell holds so that its queues live while nobody reads them.
  HANDLE wake_ = nullptr;
  std::array<HANDLE, kShellQueueCount> readers_{};
  std::array<HANDLE, kShellQueueCount> keepers_{};
  std::thread thread_;
  bool reader_ready_ = false;
  bool reader_alive_ = false;
  bool quit_ = false;
  // Records taken off each queue, and of those the ones handled.
  std::array<uint64_t, kShellQueueCount> taken_{};
  std::array<uint64_t, kShellQueueCount> handled_{};
  // Keeps the writes of state.json in the order of the memory they hold.
  std::mutex save_mutex_;
};

// The shell installed on the current handset, or null.
std::shared_ptr<Shell> CurrentShell();

}  // namespace sim
