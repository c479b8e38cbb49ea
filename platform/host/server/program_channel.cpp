#include "server/program_channel.h"

#include <sys/socket.h>
#include <sys/time.h>

#include "server/requests.h"

namespace cehost {

wire::Writer Delivery::Message() const {
  wire::Writer message;
  message.U16(static_cast<uint16_t>(ServerOp::kDeliver))
      .U64(id)
      .U32(hwnd)
      .U32(msg)
      .U64(static_cast<uint64_t>(wparam))
      .U64(static_cast<uint64_t>(lparam))
      .U8(send ? 1 : 0)
      .U32(timeout_ms);
  return message;
}

bool Delivery::Read(const std::vector<uint8_t>& message, Delivery* delivery) {
  wire::Reader in(message);
  if (in.U16() != static_cast<uint16_t>(ServerOp::kDeliver)) return false;
  delivery->id = in.U64();
  delivery->hwnd = in.U32();
  delivery->msg = in.U32();
  delivery->wparam = static_cast<WPARAM>(in.U64());
  delivery->lparam = static_cast<LPARAM>(in.U64());
  delivery->send = in.U8() != 0;
  delivery->timeout_ms = in.U32();
  return in.End();
}

void ProgramChannel::Open(int fd) {
  // A program that comes back (its handset mounted again) has a new tie.
  std::lock_guard lock(mutex_);
  closed_ = false;
  fd_ = fd;
  // A program that does not read its tie cannot hold the server's windows up for long: a write
  // that waits longer is given up, and the message is lost as to a hung program.
  timeval limit{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

bool ProgramChannel::Deliver(Delivery delivery, LRESULT* answer) {
  Waiting waiting;
  int fd;
  {
    std::lock_guard lock(mutex_);
    if (closed_ || fd_ < 0) return false;
    fd = fd_;
    delivery.id = next_id_++;
    if (delivery.send) waiting_[delivery.id] = &waiting;
  }
  bool sent;
  {
    std::lock_guard lock(write_mutex_);
    sent = wire::SendMessage(fd, delivery.Message().bytes());
  }
  if (!delivery.send) return sent;
  std::unique_lock lock(mutex_);
  if (!sent) {
    waiting_.erase(delivery.id);
    return false;
  }
  answered_.wait(lock, [&] { return waiting.done; });
  if (waiting.answered) *answer = waiting.answer;
  return waiting.answered;
}

void ProgramChannel::ReadAnswers(int fd) {
  while (auto message = wire::ReceiveMessage(fd)) {
    wire::Reader in(*message);
    if (in.U16() != static_cast<uint16_t>(ServerOp::kDelivered)) continue;
    uint64_t id = in.U64();
    bool answered = in.U8() != 0;
    auto answer = static_cast<LRESULT>(in.U64());
    if (!in.End()) continue;
    std::lock_guard lock(mutex_);
    auto found = waiting_.find(id);
    if (found == waiting_.end()) continue;
    found->second->done = true;
    found->second->answered = answered;
    found->second->answer = answer;
    waiting_.erase(found);
    answered_.notify_all();
  }
  // No write is under way on the tie once this returns: its descriptor may be closed and reused.
  std::lock_guard writing(write_mutex_);
  std::lock_guard lock(mutex_);
  if (fd_ != fd) return;
  closed_ = true;
  fd_ = -1;
  for (auto& [id, waiting] : waiting_) waiting->done = true;
  waiting_.clear();
  answered_.notify_all();
}

}  // namespace cehost
