// Looking at, starting and stopping a home's server from outside it (m8sim handset status,
// start, stop): an observer's connection, which attaches no program.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "cehost/server.h"
#include "server/requests.h"
#include "server/server_link.h"
#include "server/server_start.h"
#include "server/wire.h"

namespace cehost {

namespace {

// How long a stopping server may take to let go of its programs and end.
constexpr int kStopMs = 10000;

// Sends one request on an observer's connection; the reply's fields after its status and last
// error, or nullopt.
std::optional<std::vector<uint8_t>> Ask(int fd, const wire::Writer& request) {
  if (!wire::SendMessage(fd, request.bytes())) return std::nullopt;
  auto reply = wire::ReceiveMessage(fd);
  if (!reply || reply->size() < 5 || (*reply)[0] != static_cast<uint8_t>(ReplyStatus::kDone))
    return std::nullopt;
  return std::vector<uint8_t>(reply->begin() + 5, reply->end());
}

std::optional<std::vector<uint8_t>> Ask(int fd, ServerOp op) {
  return Ask(fd, ServerRequest(op));
}

}  // namespace

std::optional<ServerInfo> QueryServer(const std::filesystem::path& home) {
  uint64_t boot = 0;
  int fd = ConnectToServer(home, ServerRole::kObserver, &boot);
  if (fd < 0) return std::nullopt;
  auto fields = Ask(fd, ServerOp::kStatus);
  close(fd);
  if (!fields) return std::nullopt;
  wire::Reader in(*fields);
  ServerInfo info;
  info.pid = static_cast<int>(in.U32());
  info.uptime = std::chrono::milliseconds(in.U64());
  info.persistent = in.U8() != 0;
  info.open_handles = in.U32();
  uint32_t count = in.U32();
  for (uint32_t i = 0; i < count && in.ok(); ++i) {
    AttachedProgram program;
    program.pid = static_cast<int>(in.U32());
    program.name = in.Utf8(255);
    program.handles = in.U32();
    info.programs.push_back(std::move(program));
  }
  if (!in.End()) return std::nullopt;
  return info;
}

bool StartServer(const std::filesystem::path& home, bool persistent, std::string* error) {
  if (QueryServer(home)) return true;
  if (!StartServerProcess(home, persistent, error)) return false;
  if (QueryServer(home)) return true;
  *error = "the handset server for " + home.string() + " does not answer";
  return false;
}

std::optional<std::string> ControlServer(const std::filesystem::path& home,
                                         const std::string& request) {
  uint64_t boot = 0;
  int fd = ConnectToServer(home, ServerRole::kObserver, &boot);
  if (fd < 0) return std::nullopt;
  wire::Writer message = ServerRequest(ServerOp::kControl);
  message.Utf8(request);
  std::optional<std::string> answer;
  if (auto fields = Ask(fd, message)) {
    wire::Reader in(*fields);
    std::string text = in.Utf8(wire::kMaxMessage);
    if (in.End()) answer = std::move(text);
  }
  close(fd);
  return answer;
}

bool StopServer(const std::filesystem::path& home) {
  uint64_t boot = 0;
  int fd = ConnectToServer(home, ServerRole::kObserver, &boot);
  if (fd < 0) return false;
  bool asked = Ask(fd, ServerOp::kStop).has_value();
  // The server closes every connection as it ends: the end of this one is the server's.
  pollfd pfd{fd, POLLIN, 0};
  char byte;
  while (asked) {
    int ready = poll(&pfd, 1, kStopMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || recv(fd, &byte, 1, 0) <= 0) break;
  }
  close(fd);
  return asked;
}

}  // namespace cehost
