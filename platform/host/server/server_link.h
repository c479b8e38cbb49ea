// A program's way to its handset server: the connection that ties the program to the server for
// its life, and one connection for each thread that makes calls, started on demand.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "server/program_listener.h"
#include "server/requests.h"
#include "server/wire.h"

namespace cehost {

// A reply as a program reads it: its status and last error read, its own fields next.
struct ServerReply {
  std::vector<uint8_t> bytes;
  wire::Reader fields;
  uint32_t last_error = 0;
  // The server that answered (it changes when the server was restarted).
  uint64_t boot = 0;

  ServerReply(std::vector<uint8_t> body, uint64_t boot_id);
  ServerReply(const ServerReply&) = delete;
  ServerReply& operator=(const ServerReply&) = delete;
};

// A request of the operation; its fields follow.
wire::Writer ServerRequest(ServerOp op);

// Connects to the home's running server and says hello in the role; -1 when none answers. *boot
// is the server's boot.
int ConnectToServer(const std::filesystem::path& home, ServerRole role, uint64_t* boot);

class ServerLink {
 public:
  explicit ServerLink(std::filesystem::path home);
  ~ServerLink();
  ServerLink(const ServerLink&) = delete;
  ServerLink& operator=(const ServerLink&) = delete;

  // Sends the request on the calling thread's connection and returns the reply; a server that is
  // not running is started first. Null when no server could be reached, the connection broke
  // before the reply came, or the server refused the request. When boot is given, the request
  // is sent only to that server: null when another one answers now.
  std::unique_ptr<ServerReply> Call(const wire::Writer& request,
                                    std::optional<uint64_t> boot = std::nullopt);
  // Sends a notice (a request that has no reply) on the calling thread's connection, starting
  // the server unless a start has failed before; a notice that cannot be sent is dropped.
  void Notify(const wire::Writer& notice);
  // Returns once the server has recorded every notice the calling thread sent it.
  void Sync();
  // Has the messages the server delivers to this program's windows handed to the handler, from
  // now on and on every later server's tie.
  void Listen(DeliveryHandler handler);
  // Remembers a bare bus name the server's device manager gave (a device search's): opening it is
  // opening the server's device.
  void LearnDeviceName(std::u16string name);
  // True when the name is one LearnDeviceName was given, whatever its case.
  bool KnowsDeviceName(std::u16string_view name) const;
  // While a thread waits for the server's answer, pump() is called every few milliseconds to
  // answer what is sent to the thread's windows meanwhile (the server may be waiting for that);
  // it returns false for a thread that has no windows. Set once.
  void WhileWaiting(std::function<bool()> pump);
  // The boot of the server this program last reached; 0 before any.
  uint64_t boot() const { return boot_.load(std::memory_order_relaxed); }

 public:
  // A thread's connection to the server.
  struct Connection;

 private:
  // The calling thread's connection to the running server, connecting (and, when may_start,
  // starting the server) when it has none; null when that fails.
  Connection* ThreadConnection(bool may_start);
  // Connects in the given role, starting a server when none answers.
  int ConnectOrStart(ServerRole role, uint64_t* boot);

  const std::filesystem::path home_;
  // Tells this link's thread connections from those of a link that went.
  const uint64_t serial_;
  std::mutex mutex_;
  // The connection that ties the program to the server that has its objects.
  int program_fd_ = -1;
  // What is done with the deliveries on the tie; empty while the program has no window.
  DeliveryHandler handler_;
  // Set once, before pumping_ says so.
  std::function<bool()> pump_;
  std::atomic<bool> pumping_{false};
  // The tie a listener reads.
  bool listening_ = false;
  // Bare bus names of the server's devices, with their case folded.
  mutable std::mutex names_mutex_;
  std::set<std::u16string> device_names_;
  std::atomic<uint64_t> boot_{0};
  // Set when a notice could not start a server: later notices only use one that runs.
  std::atomic<bool> start_failed_{false};
};

}  // namespace cehost
