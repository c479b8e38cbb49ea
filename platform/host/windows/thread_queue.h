// The calling thread's message queue: one a thread, on the handset whose windows it uses.
#pragma once

#include <cstdint>
#include <memory>

#include "windows/thread_message_queue.h"

namespace cehost {

// The calling thread's queue when it belongs to the window table with that serial number and is
// open; null otherwise.
std::shared_ptr<ThreadMessageQueue> ThreadQueueOf(uint64_t table);

// Makes the queue the calling thread's. The one it had before is let go as at the thread's end:
// ReleaseThreadQueue (window_table.h) has the windows it served destroyed.
void AdoptQueue(std::shared_ptr<ThreadMessageQueue> queue);

}  // namespace cehost
