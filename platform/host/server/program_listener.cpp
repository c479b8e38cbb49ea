#include "server/program_listener.h"

#include <unistd.h>

#include <memory>
#include <mutex>
#include <thread>

#include "server/requests.h"

namespace cehost {

namespace {

// The listener's copy of the tie: open until the listener and every answering thread are done.
struct Tie {
  explicit Tie(int descriptor) : fd(descriptor) {}
  ~Tie() { close(fd); }
  const int fd;
  std::mutex write_mutex;
};

void Answer(Tie& tie, uint64_t id, bool answered, LRESULT answer) {
  wire::Writer message;
  message.U16(static_cast<uint16_t>(ServerOp::kDelivered))
      .U64(id)
      .U8(answered ? 1 : 0)
      .U64(static_cast<uint64_t>(answer));
  std::lock_guard lock(tie.write_mutex);
  wire::SendMessage(tie.fd, message.bytes());
}

}  // namespace

void ListenOnTie(int fd, DeliveryHandler handler) {
  int copy = dup(fd);
  if (copy < 0) return;
  auto tie = std::make_shared<Tie>(copy);
  std::thread([tie, handler = std::move(handler)] {
    while (auto message = wire::ReceiveMessage(tie->fd)) {
      Delivery delivery;
      if (!Delivery::Read(*message, &delivery)) continue;
      if (!delivery.send) {
        LRESULT ignored = 0;
        handler(delivery, &ignored);
        continue;
      }
      std::thread([tie, handler, delivery] {
        LRESULT answer = 0;
        bool answered = handler(delivery, &answer);
        Answer(*tie, delivery.id, answered, answer);
      }).detach();
    }
  }).detach();
}

}  // namespace cehost
