// The server's socket: it takes the home's server lock, listens on handset.sock for programs of
// its own user, and gives each connection a thread that answers its requests in order.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <list>
#include <system_error>
#include <thread>

#include "cehost/handset.h"
#include "cehost/server.h"
#include "server/requests.h"
#include "server/server_host.h"
#include "server/server_start.h"
#include "server/wire.h"

namespace cehost {

namespace {

// The longest program name a hello may give.
constexpr uint32_t kMaxProgramName = 255;

void Tell(int fd, char answer) {
  if (fd < 0) return;
  ssize_t written;
  do written = write(fd, &answer, 1);
  while (written < 0 && errno == EINTR);
  close(fd);
}

// Wakes the listener from another thread: a connection ended or asked it to stop.
class Wake {
 public:
  Wake() {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0)
      throw HandsetError("cannot make the server's pipe");
  }
  ~Wake() {
    close(fds_[0]);
    close(fds_[1]);
  }
  void Ring() {
    char byte = 1;
    [[maybe_unused]] ssize_t ignored = write(fds_[1], &byte, 1);
  }
  void Drain() {
    char bytes[64];
    while (read(fds_[0], bytes, sizeof(bytes)) > 0) {
    }
  }
  int fd() const { return fds_[0]; }

 private:
  int fds_[2];
};

// Listens on the home's socket, readable and writable by its owner only.
int Listen(const std::filesystem::path& home) {
  sockaddr_un address;
  int folder_fd = -1;
  if (!ServerAddress(home, &address, &folder_fd))
    throw HandsetError("cannot open the handset home " + home.string());
  // The lock is held: a socket file left by a server that died is this server's to replace.
  unlink(ServerSocket(home).c_str());
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  // The socket file is made owner-only from the start, not opened up then closed down.
  mode_t mask = umask(077);
  bool bound = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  umask(mask);
  if (folder_fd >= 0) close(folder_fd);
  if (!bound || listen(fd, 64) != 0) {
    if (fd >= 0) close(fd);
    throw HandsetError("cannot listen on " + ServerSocket(home).string() + ": " +
                       std::strerror(errno));
  }
  return fd;
}

// A peer of another user is no program of this handset's owner.
bool PeerOf(int fd, ucred* peer) {
  socklen_t size = sizeof(*peer);
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, peer, &size) == 0 && peer->uid == geteuid();
}

struct ConnectionThread {
  int fd = -1;
  std::thread thread;
  std::atomic<bool> done{false};
  // The connection that asked the server to stop: its end tells the asker that the server has
  // gone, so it stays open until then.
  std::atomic<bool> stopper{false};
};

std::vector<uint8_t> HelloReply(const ServerHost& host) {
  wire::Writer reply;
  reply.U8(static_cast<uint8_t>(ReplyStatus::kDone)).U32(0);
  reply.U32(static_cast<uint32_t>(getpid())).U64(host.boot());
  return reply.bytes();
}

// Answers one connection until its program closes it or the server stops.
void Serve(ServerHost& host, ConnectionThread& connection, int pid, Wake& wake) {
  int fd = connection.fd;
  std::optional<std::vector<uint8_t>> hello = wire::ReceiveMessage(fd);
  if (!hello) return;
  wire::Reader in(*hello);
  bool is_hello = in.U16() == static_cast<uint16_t>(ServerOp::kHello);
  auto role = static_cast<ServerRole>(in.U8());
  std::string name = in.Utf8(kMaxProgramName);
  if (!is_hello || !in.End() || role > ServerRole::kObserver) {
    wire::SendMessage(fd, ServerHost::Refusal());
    return;
  }
  // An observer is no program: what it opens is its own and goes with the connection.
  bool attached = role != ServerRole::kObserver;
  auto program = attached ? host.Attach(pid, name) : std::make_shared<ServedProgram>(pid, name);
  if (role == ServerRole::kProgram) {
    // The tie carries the program's windows' messages and their answers, until the program ends.
    if (wire::SendMessage(fd, HelloReply(host))) {
      program->channel().Open(fd);
      program->channel().ReadAnswers(fd);
    }
  } else if (wire::SendMessage(fd, HelloReply(host))) {
    while (auto request = wire::ReceiveMessage(fd)) {
      // A notice has no reply.
      if (attached && host.Note(*program, *request)) continue;
      std::vector<uint8_t> reply;
      // A request that fails inside (memory, threads) is refused, not the server's end.
      try {
        reply = host.Answer(*program, *request, fd);
      } catch (const std::exception&) {
        reply = ServerHost::Refusal();
      }
      if (!wire::SendMessage(fd, reply)) break;
      if (host.stop_requested()) {
        connection.stopper.store(true);
        wake.Ring();
        break;
      }
    }
  }
  if (attached)
    host.Detach(program);
  else
    host.Release(*program);
}

}  // namespace

bool ServeHandset(const ServeOptions& options, const std::function<std::shared_ptr<void>()>& boot) {
  int lock_fd = open(ServerLockFile(options.home).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock_fd < 0)
    throw HandsetError("cannot open " + ServerLockFile(options.home).string() + ": " +
                       std::strerror(errno));
  if (flock(lock_fd, LOCK_EX | LOCK_NB) != 0) {
    close(lock_fd);
    Tell(options.ready_fd, 'B');
    return false;
  }
  std::shared_ptr<void> handset;
  try {
    handset = boot();
  } catch (...) {
    // The program that started the server learns at once that it will not answer.
    Tell(options.ready_fd, 'F');
    close(lock_fd);
    throw;
  }
  ServerHost host(options);
  Wake wake;
  int listen_fd = Listen(options.home);
  Tell(options.ready_fd, 'R');
  std::list<ConnectionThread> connections;
  while (!host.stop_requested()) {
    int timeout = -1;
    if (!options.persistent) {
      if (auto idle = host.IdleSince()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            *idle + options.linger - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        timeout = static_cast<int>(left.count()) + 1;
      }
    }
    pollfd fds[2] = {{listen_fd, POLLIN, 0}, {wake.fd(), POLLIN, 0}};
    int ready = poll(fds, 2, timeout);
    if (ready < 0 && errno != EINTR) break;
    wake.Drain();
    connections.remove_if([](ConnectionThread& ended) {
      if (!ended.done.load() || ended.stopper.load()) return false;
      ended.thread.join();
      close(ended.fd);
      return true;
    });
    if (ready <= 0 || !(fds[0].revents & POLLIN)) continue;
    int fd = accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      // Out of descriptors: the programs connected are served, and new ones wait a moment.
      if (errno == EMFILE || errno == ENFILE) poll(nullptr, 0, 50);
      continue;
    }
    ucred peer{};
    if (!PeerOf(fd, &peer)) {
      close(fd);
      continue;
    }
    ConnectionThread& connection = connections.emplace_back();
    connection.fd = fd;
    try {
      connection.thread = std::thread([&host, &connection, &wake, pid = peer.pid] {
        Serve(host, connection, pid, wake);
        connection.done.store(true);
        wake.Ring();
      });
    } catch (const std::system_error&) {
      // No thread for it: the program finds the connection closed.
      close(fd);
      connections.pop_back();
    }
  }
  // New programs find no server from here on; those connected are cut off, and their calls fail.
  close(listen_fd);
  unlink(ServerSocket(options.home).c_str());
  // Ending the reading side wakes the connection threads without closing the programs' ends:
  // those see the end only when the server is gone. What the programs held goes first, so that a
  // send waiting on one of their windows fails instead of holding its connection's thread.
  host.ReleaseAll();
  for (ConnectionThread& connection : connections) shutdown(connection.fd, SHUT_RD);
  for (ConnectionThread& connection : connections) connection.thread.join();
  // The handset is shut down and the lock let go before the connections close, so that a program
  // waiting for the end of its connection (m8sim handset stop) finds the server gone.
  handset.reset();
  close(lock_fd);
  for (ConnectionThread& connection : connections) close(connection.fd);
  return true;
}

}  // namespace cehost
