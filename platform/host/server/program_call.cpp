// Calls into the handset's own programs across the server: a program's library loaded in an
// attached program asks the program itself, which runs in the server.
#include "cehost/programs.h"
#include "handset/handset_state.h"
#include "server/request_call.h"
#include "server/server_link.h"

namespace cehost {

namespace {

// The longest program name a call may give; the handset's programs have short names.
constexpr uint32_t kMaxProgramName = 64;

}  // namespace

std::optional<std::vector<uint8_t>> ProgramState::Answer(const std::vector<uint8_t>&) {
  return std::nullopt;
}

bool HandsetServed() {
  return Current().server != nullptr;
}

std::optional<std::vector<uint8_t>> CallServedProgram(std::string_view program,
                                                      const std::vector<uint8_t>& call) {
  std::shared_ptr<ServerLink> server = Current().server;
  if (!server) return std::nullopt;
  wire::Writer request = ServerRequest(ServerOp::kProgramCall);
  request.Utf8(program).Bytes(call.data(), static_cast<uint32_t>(call.size()));
  auto reply = server->Call(request);
  if (!reply) return std::nullopt;
  std::vector<uint8_t> answer = reply->fields.Bytes(kMaxRequestData);
  if (!reply->fields.End()) return std::nullopt;
  return answer;
}

bool ProgramCallRequest(Call& call) {
  std::string program = call.in.Utf8(kMaxProgramName);
  std::vector<uint8_t> body = call.in.Bytes(kMaxRequestData);
  if (!call.in.End()) return false;
  std::shared_ptr<ProgramState> state = FindProgramState(program);
  if (!state) return false;
  std::optional<std::vector<uint8_t>> answer = state->Answer(body);
  if (!answer || answer->size() > kMaxRequestData) return false;
  call.out.Bytes(answer->data(), static_cast<uint32_t>(answer->size()));
  return true;
}

}  // namespace cehost
