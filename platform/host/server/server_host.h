// What a handset server keeps of the programs attached to it, and its answers to their requests.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "cehost/server.h"
#include "server/program_channel.h"

namespace cehost {

// A program attached to the server: its connections and the handles the server holds for it.
class ServedProgram : public std::enable_shared_from_this<ServedProgram> {
 public:
  ServedProgram(int pid, std::string name) : pid_(pid), name_(std::move(name)) {}

  int pid() const { return pid_; }
  const std::string& name() const { return name_; }
  // Records a handle opened for the program.
  void Own(uint32_t handle);
  // True when the handle is the program's; it is no longer once Disown has taken it.
  bool Owns(uint32_t handle) const;
  // Takes the handle from the program; false when it was not the program's.
  bool Disown(uint32_t handle);
  // Takes every handle from the program.
  std::vector<uint32_t> TakeAll();
  size_t Count() const;
  // Records a window the server holds for the program.
  void OwnWindow(uint32_t hwnd);
  // Takes the window from the program; false when it was not the program's.
  bool DisownWindow(uint32_t hwnd);
  // The number of windows the server holds for the program.
  size_t Windows() const;
  // The way to the program's windows.
  ProgramChannel& channel() { return channel_; }

 private:
  friend class ServerHost;
  const int pid_;
  const std::string name_;
  mutable std::mutex mutex_;
  std::set<uint32_t> handles_;
  std::set<uint32_t> windows_;
  ProgramChannel channel_;
  // Its open connections; guarded by the host's lock.
  int connections_ = 0;
};

class ServerHost {
 public:
  explicit ServerHost(const ServeOptions& options);

  // The program of that process, attached with one more connection.
  std::shared_ptr<ServedProgram> Attach(int pid, const std::string& name);
  // One connection of the program has closed; with its last, the program has ended and every
  // handle it held is closed, as at a process's exit.
  void Detach(const std::shared_ptr<ServedProgram>& program);
  // Closes every handle the server holds for the program and destroys its windows.
  void Release(ServedProgram& program);
  // Releases what every attached program holds, as the server stops.
  void ReleaseAll();
  // Answers one request of the program: the reply, with a refusal for a malformed request. A
  // call that blocks stops waiting once the connection peer_fd (when given) has been closed.
  std::vector<uint8_t> Answer(ServedProgram& program, const std::vector<uint8_t>& request,
                              int peer_fd = -1);
  // Records a journal notice of the program (an effect it had itself) in the handset's journal
  // under its pid; a malformed notice is dropped. False when the message is no notice.
  bool Note(ServedProgram& program, const std::vector<uint8_t>& message);
  // The reply to a malformed request: refused, with ERROR_INVALID_PARAMETER.
  static std::vector<uint8_t> Refusal();

  // The answer of the server's control to a tool's request; an object with "ok": false and an
  // "error" when the server has none or it failed.
  std::string Control(const std::string& request);
  // Its pid, uptime and attached programs.
  ServerInfo Info() const;
  // A random number that tells this server from any earlier one of the home.
  uint64_t boot() const { return boot_; }
  // Asks the server to stop; the listener notices it.
  void RequestStop() { stop_requested_.store(true); }
  bool stop_requested() const { return stop_requested_.load(); }
  // When the last program went (the server's start before any came); nullopt while any is
  // attached.
  std::optional<std::chrono::steady_clock::time_point> IdleSince() const;

 private:
  const ServeOptions options_;
  const uint64_t boot_;
  const std::chrono::steady_clock::time_point started_;
  std::atomic<bool> stop_requested_{false};
  mutable std::mutex mutex_;
  std::map<int, std::shared_ptr<ServedProgram>> programs_;
  std::chrono::steady_clock::time_point idle_since_;
};

}  // namespace cehost
