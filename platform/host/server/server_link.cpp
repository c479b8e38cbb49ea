#include "server/server_link.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "cehost/server.h"
#include "cehost/text.h"
#include "handset/handset_state.h"
#include "server/server_start.h"

namespace cehost {

namespace {

std::atomic<uint64_t> g_next_serial{1};

// The program's name, as the server lists it.
std::string ProgramName() {
  std::ifstream comm("/proc/self/comm");
  std::string name;
  std::getline(comm, name);
  return name.empty() ? "program" : name;
}

}  // namespace

struct ServerLink::Connection {
  uint64_t serial = 0;
  int fd = -1;
  uint64_t boot = 0;
  // Notices were sent since the last reply.
  bool unsynced = false;

  void Close() {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  ~Connection() { Close(); }
};

namespace {

// One connection a thread: calls of several threads never wait for each other on one socket. It
// closes when the thread ends.
thread_local std::unique_ptr<ServerLink::Connection> t_connection;

}  // namespace

ServerReply::ServerReply(std::vector<uint8_t> body, uint64_t boot_id)
    : bytes(std::move(body)), fields(bytes), boot(boot_id) {}

ServerLink::ServerLink(std::filesystem::path home)
    : home_(std::move(home)), serial_(g_next_serial.fetch_add(1)) {}

ServerLink::~ServerLink() {
  if (program_fd_ >= 0) {
    // The listener's copy of the tie sees its end too.
    shutdown(program_fd_, SHUT_RDWR);
    close(program_fd_);
  }
}

void ServerLink::LearnDeviceName(std::u16string name) {
  std::lock_guard lock(names_mutex_);
  device_names_.insert(FoldCase(name));
}

bool ServerLink::KnowsDeviceName(std::u16string_view name) const {
  std::lock_guard lock(names_mutex_);
  return device_names_.count(FoldCase(name)) != 0;
}

void ServerLink::WhileWaiting(std::function<bool()> pump) {
  std::lock_guard lock(mutex_);
  if (pumping_.load()) return;
  pump_ = std::move(pump);
  pumping_.store(true, std::memory_order_release);
}

void ServerLink::Listen(DeliveryHandler handler) {
  std::lock_guard lock(mutex_);
  if (handler_) return;
  handler_ = std::move(handler);
  if (program_fd_ >= 0 && !listening_) {
    ListenOnTie(program_fd_, handler_);
    listening_ = true;
  }
}

wire::Writer ServerRequest(ServerOp op) {
  wire::Writer request;
  request.U16(static_cast<uint16_t>(op));
  return request;
}

int ConnectToServer(const std::filesystem::path& home, ServerRole role, uint64_t* boot) {
  sockaddr_un address;
  int folder_fd = -1;
  if (!ServerAddress(home, &address, &folder_fd)) return -1;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  bool connected =
      fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  if (folder_fd >= 0) close(folder_fd);
  if (!connected) {
    if (fd >= 0) close(fd);
    return -1;
  }
  wire::Writer hello = ServerRequest(ServerOp::kHello);
  hello.U8(static_cast<uint8_t>(role));
  hello.Utf8(ProgramName());
  std::optional<std::vector<uint8_t>> reply;
  if (wire::SendMessage(fd, hello.bytes())) reply = wire::ReceiveMessage(fd);
  if (reply) {
    wire::Reader fields(*reply);
    bool done = fields.U8() == static_cast<uint8_t>(ReplyStatus::kDone);
    fields.U32();  // the last error
    fields.U32();  // the server's pid
    *boot = fields.U64();
    if (done && fields.End()) return fd;
  }
  close(fd);
  return -1;
}

int ServerLink::ConnectOrStart(ServerRole role, uint64_t* boot) {
  // A server that is going away as this program comes, or one that another program is starting,
  // is waited for a few times over.
  for (int attempt = 0; attempt < 50; ++attempt) {
    int fd = ConnectToServer(home_, role, boot);
    if (fd >= 0) return fd;
    std::string error;
    if (!StartServerProcess(home_, false, &error)) return -1;
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10 * attempt));
  }
  return -1;
}

ServerLink::Connection* ServerLink::ThreadConnection(bool may_start) {
  if (!t_connection) t_connection = std::make_unique<Connection>();
  Connection* connection = t_connection.get();
  // A connection whose server has gone since its last call is not used again: the call goes to
  // the server running now (or starts one), as a call after the server's end does.
  if (connection->serial == serial_ && connection->fd >= 0 && !wire::PeerClosed(connection->fd))
    return connection;
  connection->Close();
  connection->serial = serial_;
  connection->fd = may_start ? ConnectOrStart(ServerRole::kCalls, &connection->boot)
                             : ConnectToServer(home_, ServerRole::kCalls, &connection->boot);
  if (connection->fd < 0) return nullptr;
  // The program is tied to the server that serves its calls, for as long as the program lives.
  std::lock_guard lock(mutex_);
  if (program_fd_ < 0 || boot_.load() != connection->boot) {
    if (program_fd_ >= 0) {
      shutdown(program_fd_, SHUT_RDWR);
      close(program_fd_);
    }
    listening_ = false;
    uint64_t tie_boot = 0;
    program_fd_ = ConnectToServer(home_, ServerRole::kProgram, &tie_boot);
    if (program_fd_ >= 0 && tie_boot != connection->boot) {
      close(program_fd_);
      program_fd_ = -1;
    }
    if (program_fd_ < 0) {
      connection->Close();
      return nullptr;
    }
    boot_.store(connection->boot);
    if (handler_) {
      ListenOnTie(program_fd_, handler_);
      listening_ = true;
    }
  }
  return connection;
}

void ServerLink::Notify(const wire::Writer& notice) {
  bool may_start = !start_failed_.load(std::memory_order_relaxed);
  Connection* connection = ThreadConnection(may_start);
  if (!connection) {
    if (may_start) start_failed_.store(true, std::memory_order_relaxed);
    return;
  }
  start_failed_.store(false, std::memory_order_relaxed);
  if (wire::SendMessage(connection->fd, notice.bytes()))
    connection->unsynced = true;
  else
    connection->Close();
}

void ServerLink::Sync() {
  Connection* connection = t_connection.get();
  if (!connection || connection->serial != serial_ || !connection->unsynced) return;
  Call(ServerRequest(ServerOp::kSync), connection->boot);
}

std::unique_ptr<ServerReply> ServerLink::Call(const wire::Writer& request,
                                              std::optional<uint64_t> boot) {
  // A call on an object of a given server goes to that server only: one that has gone is not
  // started again for it.
  if (boot && boot_.load() != *boot) return nullptr;
  Connection* connection = ThreadConnection(!boot);
  if (!connection) return nullptr;
  if (boot && connection->boot != *boot) return nullptr;
  std::optional<std::vector<uint8_t>> body;
  if (wire::SendMessage(connection->fd, request.bytes())) {
    // A thread with windows answers what is sent to them while it waits: the server may be
    // delivering a message to one of them on behalf of this very call (a broadcast, or another
    // program's window sending back).
    if (pumping_.load(std::memory_order_acquire)) {
      for (;;) {
        pollfd pfd{connection->fd, POLLIN, 0};
        if (poll(&pfd, 1, 5) != 0 || !pump_()) break;
      }
    }
    body = wire::ReceiveMessage(connection->fd);
  }
  if (!body) {
    // The server has gone: the next call starts a new one.
    connection->Close();
    return nullptr;
  }
  // The server reads a connection in order: every notice sent before the request is recorded.
  connection->unsynced = false;
  auto reply = std::make_unique<ServerReply>(std::move(*body), connection->boot);
  if (reply->fields.U8() != static_cast<uint8_t>(ReplyStatus::kDone)) return nullptr;
  reply->last_error = reply->fields.U32();
  if (!reply->fields.ok()) return nullptr;
  return reply;
}

void SyncJournal() {
  if (std::shared_ptr<ServerLink> server = Current().server) server->Sync();
}

}  // namespace cehost
