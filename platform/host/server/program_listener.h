// A program's side of its tie connection: the messages the server delivers to the program's
// windows, handed to them, and the answers of sent ones written back.
#pragma once

#include <functional>

#include "server/program_channel.h"

namespace cehost {

// What the program does with a delivery: *answer is its window's answer to a sent message;
// false when the window gave none (it was destroyed, or it did not answer in time).
using DeliveryHandler = std::function<bool(const Delivery& delivery, LRESULT* answer)>;

// Reads the deliveries on a duplicate of the tie connection fd on a thread of its own, until the
// tie closes. A post is handed over on that thread; a sent message on a thread of its own, so
// that a window that is slow to answer holds up nothing else.
void ListenOnTie(int fd, DeliveryHandler handler);

}  // namespace cehost
