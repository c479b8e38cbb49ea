// The handset server: the one process of a running handset home that holds what the platform
// shares between programs (devices, registered window messages). Programs reach it through
// home/handset.sock; it runs while programs use it and a short while after.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cehost {

struct ServeOptions {
  std::filesystem::path home;
  // Keep serving when no program is attached.
  bool persistent = false;
  // How long the server waits, once the last program has gone, before it stops.
  std::chrono::milliseconds linger{5000};
  // Answers the requests of tools that steer the running handset (m8sim's device set, shell
  // event): a JSON text in, a JSON text out. Empty: such requests are refused.
  std::function<std::string(const std::string& request)> control;
  // A descriptor to write one byte to: 'R' once the server listens, 'B' when another server
  // holds the home already, 'F' when the handset could not be started; -1 for none.
  int ready_fd = -1;
};

// Serves the home: takes its server lock, calls boot (which makes the handset current with its
// programs and returns what keeps it running), listens on its socket and answers programs until
// stopped or idle past the linger; then lets go of the handset and the lock. Returns false at
// once when another server holds the lock; throws HandsetError when the lock or the socket
// cannot be made.
bool ServeHandset(const ServeOptions& options, const std::function<std::shared_ptr<void>()>& boot);

// A program attached to a running server.
struct AttachedProgram {
  int pid = 0;
  std::string name;
  // The handles the server holds for it.
  uint32_t handles = 0;
};

struct ServerInfo {
  int pid = 0;
  std::chrono::milliseconds uptime{0};
  bool persistent = false;
  // Every handle open on the server's handset: its own programs' and those it holds for others.
  uint32_t open_handles = 0;
  std::vector<AttachedProgram> programs;
};

// The running server of the home, or nullopt when none answers.
std::optional<ServerInfo> QueryServer(const std::filesystem::path& home);

// Starts the home's server unless one runs; true once one answers, false with *error set when
// none could be started.
bool StartServer(const std::filesystem::path& home, bool persistent, std::string* error);

// Hands a control request (JSON text) to the home's running server and returns its answer;
// nullopt when no server runs or it refused the request.
std::optional<std::string> ControlServer(const std::filesystem::path& home,
                                         const std::string& request);

// Returns once the server the current handset is attached to has recorded in its journal every
// effect the calling thread had; at once for a handset that runs in the process.
void SyncJournal();

// Stops the home's server and waits until it has gone; false when none was running.
bool StopServer(const std::filesystem::path& home);

}  // namespace cehost
