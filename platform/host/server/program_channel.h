// The way between the server and one program's windows: messages for them go down the program's
// tie connection, and the answers to sent ones come back on it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>

#include "ce/types.h"
#include "server/wire.h"

namespace cehost {

// A message for a program's window, as it crosses the tie connection.
struct Delivery {
  uint64_t id = 0;
  uint32_t hwnd = 0;
  UINT msg = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  // Sent (the sender waits for the answer) rather than posted.
  bool send = false;
  // How long the sender waits, for the program's own send to its window.
  DWORD timeout_ms = 0;

  // The delivery as the server writes it on the tie.
  wire::Writer Message() const;
  // Reads a delivery the server wrote; false when the message is none.
  static bool Read(const std::vector<uint8_t>& message, Delivery* delivery);
};

class ProgramChannel {
 public:
  // Takes the program's tie connection, which the channel writes on from now on (the caller
  // keeps it and closes it).
  void Open(int fd);
  // Delivers the message to the program. A post returns once written on the tie (at most a few
  // seconds for a program that reads nothing); a send waits until the program answers, with
  // *answer its window's answer. False when the program has no tie, has gone
  // meanwhile, or did not answer.
  bool Deliver(Delivery delivery, LRESULT* answer);
  // Reads the program's answers from the tie until it closes, on the tie's connection thread;
  // then fails every send still waiting, and every later delivery.
  void ReadAnswers(int fd);

 private:
  struct Waiting {
    bool done = false;
    bool answered = false;
    LRESULT answer = 0;
  };

  std::mutex mutex_;
  std::condition_variable answered_;
  int fd_ = -1;
  bool closed_ = false;
  uint64_t next_id_ = 1;
  std::map<uint64_t, Waiting*> waiting_;
  // Writes on the tie are whole messages, one at a time.
  std::mutex write_mutex_;
};

}  // namespace cehost
