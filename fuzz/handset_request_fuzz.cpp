// Answers any bytes as the requests of one program attached to a handset server: every request
// gets a reply that is done or refused (a refusal is its status and error only), a handle the
// program was never given fails every call that names it, and once the program has gone every
// handle it held is closed.
//
// The input is a sequence of requests, each led by its length (2 bytes, little-endian; the last
// one takes what is left). A handle field below kHandleSlots names one of the handles the input's
// earlier requests made (devices opened, queues and events created), so that controls, reads,
// writes and waits reach real objects. Time-outs are made 0: no input blocks. The server's control
// answers as the server program's does, so that a tool's requests (JSON) are read too.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "ce/errors.h"
#include "ce/kernel.h"
#include "cehost/server.h"
#include "handset/handset_state.h"
#include "server/requests.h"
#include "server/server_host.h"
#include "server/wire.h"
#include "sim/control/handset_control.h"
#include "sim/handset.h"

namespace {

using cehost::ReplyStatus;
using cehost::ServerOp;

constexpr uint32_t kHandleSlots = 16;
constexpr int kPid = 1;

void Require(bool holds) {
  if (!holds) std::abort();
}

// The requests whose first field is a handle the program holds.
bool NamesHandle(ServerOp op) {
  switch (op) {
    case ServerOp::kDeviceControl:
    case ServerOp::kDeviceRead:
    case ServerOp::kDeviceWrite:
    case ServerOp::kClose:
    case ServerOp::kWait:
    case ServerOp::kQueueOpen:
    case ServerOp::kQueueWrite:
    case ServerOp::kQueueRead:
    case ServerOp::kQueueInfo:
    case ServerOp::kEventModify:
      return true;
    default:
      return false;
  }
}

// Where the reply to a request that makes a handle has it; 0 for other requests.
size_t HandleInReply(ServerOp op) {
  switch (op) {
    case ServerOp::kOpenDevice:
      return 6;
    case ServerOp::kQueueCreate:
    case ServerOp::kQueueOpen:
    case ServerOp::kEventCreate:
      return 5;
    default:
      return 0;
  }
}

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
         (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

void WriteU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Makes a request that may block wait not at all: its time-out becomes 0, so that an input that
// waits on an event nobody sets runs as fast as any other.
void NoWait(ServerOp op, std::vector<uint8_t>& request) {
  size_t at = 0;
  if (op == ServerOp::kWait) at = 6;
  if (op == ServerOp::kQueueRead) at = 10;
  if (op == ServerOp::kQueueWrite && request.size() >= 10) at = 10 + size_t{ReadU32(request, 6)};
  if (at && at + 4 <= request.size()) WriteU32(request, at, 0);
}

// The handset's home, made once and removed when the run ends.
struct HomeFolder {
  HomeFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "m8-fuzz-server-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    path = pattern;
  }
  ~HomeFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::filesystem::path path;
};

// The server's running handset, made once; its control answers the tools' requests as the server
// program's does. It is never destroyed: at exit the main thread's hold on the current handset
// has gone before static objects go, too late to unmount.
struct Server {
  explicit Server(const std::filesystem::path& home)
      : handset(sim::Handset::Options{home}), host(Options()) {}

  cehost::ServeOptions Options() {
    cehost::ServeOptions options;
    options.control = [this](const std::string& text) {
      nlohmann::json request = nlohmann::json::parse(text, nullptr, false);
      return sim::AnswerControl(handset, request)
          .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    };
    return options;
  }

  sim::Handset handset;
  cehost::ServerHost host;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static HomeFolder home;
  static Server& server = *new Server(home.path);
  cehost::HandleTable& handles = cehost::Current().handles;
  const size_t handles_before = handles.Count();
  auto program = server.host.Attach(kPid, "fuzz");
  std::vector<uint32_t> made;

  size_t at = 0;
  while (at < size) {
    size_t length = size - at;
    if (length >= 2) {
      length = std::min<size_t>(data[at] | (data[at + 1] << 8), length - 2);
      at += 2;
    }
    std::vector<uint8_t> request(data + at, data + at + length);
    at += length;

    auto op = static_cast<ServerOp>(request.size() >= 2 ? request[0] | (request[1] << 8) : 0);
    NoWait(op, request);
    bool foreign = false;
    if (NamesHandle(op) && request.size() >= 6) {
      uint32_t handle = ReadU32(request, 2);
      if (handle < kHandleSlots && !made.empty())
        WriteU32(request, 2, handle = made[handle % made.size()]);
      foreign = !program->Owns(handle);
    }

    // A journal notice has no reply; whatever it holds, it is recorded or dropped.
    if (server.host.Note(*program, request)) continue;
    std::vector<uint8_t> reply = server.host.Answer(*program, request);
    Require(!reply.empty());
    Require(reply[0] == static_cast<uint8_t>(ReplyStatus::kDone) ||
            reply[0] == static_cast<uint8_t>(ReplyStatus::kRefused));
    if (reply[0] == static_cast<uint8_t>(ReplyStatus::kRefused)) {
      Require(reply.size() == 5);
      continue;
    }
    Require(reply.size() >= 5);
    // A call on a handle that is not the program's fails, whatever the handle holds: FALSE, a
    // failed wait or no new handle, with ERROR_INVALID_HANDLE.
    if (foreign) {
      Require(reply.size() >= 9 && ReadU32(reply, 1) == ERROR_INVALID_HANDLE);
      uint32_t result = ReadU32(reply, 5);
      Require(result == (op == ServerOp::kWait ? WAIT_FAILED : 0));
    }
    if (size_t field = HandleInReply(op)) {
      Require(reply.size() == field + 4);
      uint32_t handle = ReadU32(reply, field);
      Require(handle == 0 || program->Owns(handle));
      if (handle) made.push_back(handle);
    }
  }

  // The program ends: everything the server held for it is closed.
  server.host.Detach(program);
  Require(program->Count() == 0);
  Require(handles.Count() == handles_before);
  // Each input starts on an empty journal: what one input recorded neither weighs on the next
  // nor reads as a leak.
  server.handset.journal().Clear();
  return 0;
}
