// Point-to-point message queues as Windows CE documents them: named queues shared by their name,
// limits on messages and their size, first in first out with exact lengths, alerts, time-outs,
// broken queues, waiting on queue handles. Desktop Win32 has no message queues, so every check
// here is CE-only and the Win32 build leaves this file out.
#include <string>
#include <thread>
#include <vector>

#include "ce/msgqueue.h"
#include "check.h"
#include "rows.h"

namespace {

using conformance::kSentinel;
using Bytes = std::vector<uint8_t>;

MSGQUEUEOPTIONS Options(BOOL read_access, DWORD max_messages = 4, DWORD max_bytes = 64,
                        DWORD flags = 0) {
  MSGQUEUEOPTIONS options{};
  options.dwSize = sizeof options;
  options.dwFlags = flags;
  options.dwMaxMessages = max_messages;
  options.cbMaxMessage = max_bytes;
  options.bReadAccess = read_access;
  return options;
}

// A queue's read end and write end: a named queue made twice, an unnamed one opened again.
struct Ends {
  explicit Ends(const WCHAR* name, DWORD max_messages = 4, DWORD max_bytes = 64, DWORD flags = 0) {
    MSGQUEUEOPTIONS read = Options(TRUE, max_messages, max_bytes, flags);
    MSGQUEUEOPTIONS write = Options(FALSE, max_messages, max_bytes, flags);
    reader = CreateMsgQueue(name, &read);
    writer =
        name ? CreateMsgQueue(name, &write) : OpenMsgQueue(GetCurrentProcess(), reader, &write);
    EXPECT_TRUE_(reader != nullptr && writer != nullptr);
  }
  ~Ends() {
    if (reader) CloseMsgQueue(reader);
    if (writer) CloseMsgQueue(writer);
  }
  HANDLE reader = nullptr;
  HANDLE writer = nullptr;
};

// "ok", or "failed" and the last error: one string to compare in a table row.
std::string Outcome(BOOL ok) {
  return ok ? "ok" : "failed " + std::to_string(GetLastError());
}

std::string Put(HANDLE writer, const Bytes& bytes, DWORD timeout = 0, DWORD flags = 0) {
  SetLastError(kSentinel);
  return Outcome(WriteMsgQueue(writer, const_cast<uint8_t*>(bytes.data()),
                               static_cast<DWORD>(bytes.size()), timeout, flags));
}

// One read: its outcome, the bytes stored and the flags given.
struct Taken {
  std::string outcome;
  Bytes bytes;
  DWORD flags = 0;
};

Taken Take(HANDLE reader, DWORD capacity = 64, DWORD timeout = 0) {
  Bytes buffer(capacity);
  DWORD read = 0xDEAD;
  DWORD flags = 0xDEAD;
  SetLastError(kSentinel);
  Taken taken;
  taken.outcome = Outcome(ReadMsgQueue(reader, buffer.data(), capacity, &read, timeout, &flags));
  buffer.resize(read <= capacity ? read : 0);
  taken.bytes = buffer;
  taken.flags = flags;
  return taken;
}

Bytes Message(size_t size, uint8_t first) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

MSGQUEUEINFO Info(HANDLE queue) {
  MSGQUEUEINFO info{};
  info.dwSize = sizeof info;
  EXPECT_TRUE_(GetMsgQueueInfo(queue, &info) != 0);
  return info;
}

// The second CreateMsgQueue of a name opens the first one's queue with ERROR_ALREADY_EXISTS and
// keeps its limits; a new queue leaves the last error 0, even when it was set before. Queue names
// keep their case and are apart from event names. The queue goes with its last handle.
CE_ONLY_CASE(msgqueue, named_queue_created_twice_is_one_queue) {
  const WCHAR* name = WS("m8conformance.msgqueue.twice");
  MSGQUEUEOPTIONS read = Options(TRUE, 2, 16, MSGQUEUE_ALLOW_BROKEN);
  MSGQUEUEOPTIONS write = Options(FALSE, 9, 99);
  SetLastError(ERROR_ALREADY_EXISTS);
  HANDLE reader = CreateMsgQueue(name, &read);
  EXPECT_LAST_ERROR(ERROR_SUCCESS);
  SetLastError(kSentinel);
  HANDLE writer = CreateMsgQueue(name, &write);
  EXPECT_LAST_ERROR(ERROR_ALREADY_EXISTS);
  MSGQUEUEINFO info = Info(writer);
  EXPECT_SAME(info.dwFlags, DWORD{MSGQUEUE_ALLOW_BROKEN});
  EXPECT_SAME(info.dwMaxMessages, DWORD{2});
  EXPECT_SAME(info.cbMaxMessage, DWORD{16});
  EXPECT_SAME(info.wNumReaders, WORD{1});
  EXPECT_SAME(info.wNumWriters, WORD{1});
  EXPECT_SAME(Put(writer, Message(17, 0)), std::string("failed 122"));
  EXPECT_SAME(Put(writer, Message(16, 0)), std::string("ok"));
  EXPECT_SAME(Take(reader).bytes, Message(16, 0));

  for (const WCHAR* other : {WS("m8conformance.msgqueue.TWICE"), name}) {
    SetLastError(ERROR_ALREADY_EXISTS);
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, other);
    EXPECT_LAST_ERROR(ERROR_SUCCESS);
    CloseHandle(event);
  }
  SetLastError(kSentinel);
  HANDLE upper = CreateMsgQueue(WS("m8conformance.msgqueue.TWICE"), &read);
  EXPECT_LAST_ERROR(ERROR_SUCCESS);
  CloseMsgQueue(upper);

  CloseMsgQueue(reader);
  CloseMsgQueue(writer);
  SetLastError(kSentinel);
  HANDLE fresh = CreateMsgQueue(name, &write);
  EXPECT_LAST_ERROR(ERROR_SUCCESS);
  EXPECT_SAME(Info(fresh).dwMaxMessages, DWORD{9});
  CloseMsgQueue(fresh);
}

struct OptionsRow {
  const char* what;
  DWORD size;
  DWORD flags;
  DWORD max_messages;
  DWORD max_bytes;
  size_t name_length;  // 0: unnamed
  DWORD error;         // 0: made
};

// Options are checked before anything is made: their size, flags and largest message; a name
// must be shorter than MAX_PATH. dwMaxMessages 0 means no limit.
CE_ONLY_CASE(msgqueue, options_are_checked) {
  const DWORD size = sizeof(MSGQUEUEOPTIONS);
  const OptionsRow rows[] = {
      {"dwSize 16", size - 4, 0, 4, 64, 0, ERROR_INVALID_PARAMETER},
      {"dwSize 24", size + 4, 0, 4, 64, 0, ERROR_INVALID_PARAMETER},
      {"unknown flag", size, 0x4, 4, 64, 0, ERROR_INVALID_PARAMETER},
      {"cbMaxMessage 0", size, 0, 4, 0, 0, ERROR_INVALID_PARAMETER},
      {"name of MAX_PATH", size, 0, 4, 64, MAX_PATH, ERROR_INVALID_PARAMETER},
      {"name of MAX_PATH - 1", size, 0, 4, 64, MAX_PATH - 1, 0},
      {"both known flags", size, MSGQUEUE_NOPRECOMMIT | MSGQUEUE_ALLOW_BROKEN, 4, 64, 0, 0},
      {"no limit", size, 0, 0, 64, 0, 0},
  };
  for (const OptionsRow& row : rows) {
    MSGQUEUEOPTIONS options = Options(TRUE, row.max_messages, row.max_bytes, row.flags);
    options.dwSize = row.size;
    WideString name(row.name_length, WS('q'));
    SetLastError(kSentinel);
    HANDLE queue = CreateMsgQueue(row.name_length ? name.c_str() : nullptr, &options);
    EXPECT_ROW(row.what, Outcome(queue != nullptr),
               row.error ? "failed " + std::to_string(row.error) : std::string("ok"));
    if (queue) CloseMsgQueue(queue);
  }
  SetLastError(kSentinel);
  EXPECT_SAME(CreateMsgQueue(nullptr, nullptr), HANDLE{nullptr});
  EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);
  Ends ends(nullptr);
  MSGQUEUEINFO info{};
  info.dwSize = sizeof info - 4;
  SetLastError(kSentinel);
  EXPECT_SAME(Outcome(GetMsgQueueInfo(ends.reader, &info)), std::string("failed 87"));
}

// Messages come out in the order they went in, each with its own length; an empty queue gives
// ERROR_TIMEOUT at once with a zero time-out, or when its time-out runs out.
CE_ONLY_CASE(msgqueue, first_in_first_out_with_exact_lengths) {
  Ends ends(WS("m8conformance.msgqueue.fifo"), 0);
  const Bytes messages[] = {Message(1, 1), Message(64, 2), Message(7, 3), Message(33, 4)};
  for (const Bytes& message : messages) EXPECT_SAME(Put(ends.writer, message), std::string("ok"));
  EXPECT_SAME(Info(ends.reader).dwCurrentMessages, DWORD{4});
  for (const Bytes& message : messages) {
    Taken taken = Take(ends.reader);
    EXPECT_SAME(taken.outcome, std::string("ok"));
    EXPECT_SAME(taken.bytes, message);
    EXPECT_SAME(taken.flags, DWORD{0});
  }
  EXPECT_SAME(Take(ends.reader, 64, 0).outcome, std::string("failed 1460"));
  EXPECT_SAME(Take(ends.reader, 64, 20).outcome, std::string("failed 1460"));
  EXPECT_SAME(Info(ends.reader).dwMaxQueueMessages, DWORD{4});
}

// A queue holds dwMaxMessages: the next write fails with ERROR_TIMEOUT, at once or when its
// time-out runs out, until a read makes room.
CE_ONLY_CASE(msgqueue, full_queue_write_times_out) {
  Ends ends(WS("m8conformance.msgqueue.full"), 3);
  for (uint8_t i = 0; i < 3; ++i) EXPECT_SAME(Put(ends.writer, Message(4, i)), std::string("ok"));
  EXPECT_SAME(Put(ends.writer, Message(4, 9), 0), std::string("failed 1460"));
  EXPECT_SAME(Put(ends.writer, Message(4, 9), 20), std::string("failed 1460"));
  EXPECT_SAME(Take(ends.reader).bytes, Message(4, 0));
  EXPECT_SAME(Put(ends.writer, Message(4, 9), 0), std::string("ok"));
  EXPECT_SAME(Info(ends.writer).dwCurrentMessages, DWORD{3});
}

// A message longer than the buffer is taken off the queue all the same: ERROR_INSUFFICIENT_BUFFER,
// the buffer holds its first bytes and nothing past them is written.
CE_ONLY_CASE(msgqueue, small_read_buffer_loses_the_message) {
  Ends ends(WS("m8conformance.msgqueue.small"));
  EXPECT_SAME(Put(ends.writer, Message(10, 0x40)), std::string("ok"));
  EXPECT_SAME(Put(ends.writer, Message(3, 0x50)), std::string("ok"));
  conformance::Guarded buffer(4);
  DWORD read = 0;
  SetLastError(kSentinel);
  EXPECT_SAME(Outcome(ReadMsgQueue(ends.reader, buffer.data(), 4, &read, 0, nullptr)),
              std::string("failed 122"));
  EXPECT_SAME(read, DWORD{4});
  EXPECT_SAME(Bytes(buffer.data(), buffer.data() + 4), Message(4, 0x40));
  EXPECT_TRUE_(buffer.Intact());
  EXPECT_SAME(Take(ends.reader).bytes, Message(3, 0x50));
}

struct MisuseRow {
  const char* what;
  std::string outcome;
  std::string expected;
};

// Calls that cannot be made on a queue's end, or with such arguments.
CE_ONLY_CASE(msgqueue, misuse_is_refused) {
  Ends ends(WS("m8conformance.msgqueue.misuse"), 4, 8);
  HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  Bytes buffer(8);
  DWORD read = 0;
  auto read_with = [&](HANDLE queue, void* data, DWORD size, DWORD* count) {
    SetLastError(kSentinel);
    return Outcome(ReadMsgQueue(queue, data, size, count, 0, nullptr));
  };
  auto write_with = [&](HANDLE queue, void* data, DWORD size, DWORD flags) {
    SetLastError(kSentinel);
    return Outcome(WriteMsgQueue(queue, data, size, 0, flags));
  };
  const MisuseRow rows[] = {
      {"longer than cbMaxMessage", write_with(ends.writer, buffer.data(), 9, 0), "failed 122"},
      {"null buffer", write_with(ends.writer, nullptr, 4, 0), "failed 87"},
      {"size 0", write_with(ends.writer, buffer.data(), 0, 0), "failed 87"},
      {"write on the read end", write_with(ends.reader, buffer.data(), 4, 0), "failed 5"},
      {"read on the write end", read_with(ends.writer, buffer.data(), 8, &read), "failed 5"},
      {"event handle", read_with(event, buffer.data(), 8, &read), "failed 6"},
  };
  for (const MisuseRow& row : rows) EXPECT_ROW(row.what, row.outcome, row.expected);
  CloseHandle(event);
  EXPECT_SAME(Info(ends.reader).dwCurrentMessages, DWORD{0});
}

// Without MSGQUEUE_ALLOW_BROKEN a write with no reader left fails with ERROR_PIPE_NOT_CONNECTED,
// and so does a read of an empty queue with no writer left; with it, both go on as usual.
CE_ONLY_CASE(msgqueue, broken_queue_needs_allow_broken) {
  for (DWORD flags : {DWORD{0}, DWORD{MSGQUEUE_ALLOW_BROKEN}}) {
    const std::string what = flags ? "allow broken" : "plain";
    const bool broken = flags == 0;
    Ends no_reader(nullptr, 4, 64, flags);
    CloseMsgQueue(no_reader.reader);
    no_reader.reader = nullptr;
    EXPECT_ROW(what, Put(no_reader.writer, Message(4, 0)), broken ? "failed 233" : "ok");

    Ends no_writer(nullptr, 4, 64, flags);
    EXPECT_ROW(what, Put(no_writer.writer, Message(4, 0)), "ok");
    CloseMsgQueue(no_writer.writer);
    no_writer.writer = nullptr;
    // What was written before the writer went is still read.
    EXPECT_ROW(what, Take(no_writer.reader).outcome, "ok");
    EXPECT_ROW(what, Take(no_writer.reader).outcome, broken ? "failed 233" : "failed 1460");
  }
  // A writer waiting for room fails once the last reader goes.
  Ends ends(nullptr, 1);
  EXPECT_SAME(Put(ends.writer, Message(4, 0)), std::string("ok"));
  std::string waited;
  std::thread writer([&] { waited = Put(ends.writer, Message(4, 1), 10000); });
  CloseMsgQueue(ends.reader);
  ends.reader = nullptr;
  writer.join();
  EXPECT_SAME(waited, std::string("failed 233"));
}

// A reader waiting on an empty queue gets the message another thread writes, and a writer waiting
// on a full queue gets in once another thread reads.
CE_ONLY_CASE(msgqueue, waiting_ends_wake_each_other) {
  Ends ends(WS("m8conformance.msgqueue.wake"), 1);
  Taken taken;
  std::thread reader([&] { taken = Take(ends.reader, 64, 10000); });
  EXPECT_SAME(Put(ends.writer, Message(5, 7), 10000), std::string("ok"));
  reader.join();
  EXPECT_SAME(taken.outcome, std::string("ok"));
  EXPECT_SAME(taken.bytes, Message(5, 7));

  EXPECT_SAME(Put(ends.writer, Message(2, 1)), std::string("ok"));
  std::string written;
  std::thread writer([&] { written = Put(ends.writer, Message(2, 2), 10000); });
  EXPECT_SAME(Take(ends.reader).bytes, Message(2, 1));
  writer.join();
  EXPECT_SAME(written, std::string("ok"));
  EXPECT_SAME(Take(ends.reader, 64, 10000).bytes, Message(2, 2));
}

// A read end is signalled while the queue holds a message (waiting takes nothing); a write end
// while the queue has room.
CE_ONLY_CASE(msgqueue, handles_signalled_by_queue_state) {
  Ends ends(WS("m8conformance.msgqueue.signals"), 1);
  EXPECT_RESULT(WaitForSingleObject(ends.reader, 0), WAIT_TIMEOUT);
  EXPECT_RESULT(WaitForSingleObject(ends.writer, 0), WAIT_OBJECT_0);
  EXPECT_SAME(Put(ends.writer, Message(3, 0)), std::string("ok"));
  EXPECT_RESULT(WaitForSingleObject(ends.reader, 0), WAIT_OBJECT_0);
  EXPECT_RESULT(WaitForSingleObject(ends.reader, 0), WAIT_OBJECT_0);
  EXPECT_RESULT(WaitForSingleObject(ends.writer, 0), WAIT_TIMEOUT);
  EXPECT_SAME(Take(ends.reader).outcome, std::string("ok"));
  EXPECT_RESULT(WaitForSingleObject(ends.reader, 0), WAIT_TIMEOUT);
  EXPECT_RESULT(WaitForSingleObject(ends.writer, 0), WAIT_OBJECT_0);
}

// An alert is read before the messages written ahead of it, with MSGQUEUE_MSGALERT. It has a slot
// of its own, so it reaches the reader of a full queue; a second alert waits for that slot.
CE_ONLY_CASE(msgqueue, alert_goes_first_in_a_slot_of_its_own) {
  Ends ends(WS("m8conformance.msgqueue.alert"), 2);
  EXPECT_SAME(Put(ends.writer, Message(2, 0xA0)), std::string("ok"));
  EXPECT_SAME(Put(ends.writer, Message(2, 0xB0)), std::string("ok"));
  EXPECT_SAME(Put(ends.writer, Message(3, 0xC0), 0, MSGQUEUE_MSGALERT), std::string("ok"));
  EXPECT_SAME(Put(ends.writer, Message(3, 0xD0), 0, MSGQUEUE_MSGALERT), std::string("failed 1460"));
  EXPECT_SAME(Info(ends.reader).dwCurrentMessages, DWORD{3});
  const uint8_t firsts[] = {0xC0, 0xA0, 0xB0};
  for (uint8_t first : firsts) {
    Taken taken = Take(ends.reader);
    EXPECT_SAME(taken.bytes[0], first);
    EXPECT_SAME(taken.flags, DWORD{first == 0xC0 ? MSGQUEUE_MSGALERT : 0u});
  }
}

// OpenMsgQueue opens another end of a handle's queue in the calling process; the queue lives on
// while any end is open. CloseMsgQueue and CloseHandle both close a queue handle, once.
CE_ONLY_CASE(msgqueue, open_and_close_ends) {
  MSGQUEUEOPTIONS read = Options(TRUE);
  MSGQUEUEOPTIONS write = Options(FALSE);
  HANDLE reader = CreateMsgQueue(nullptr, &read);
  SetLastError(kSentinel);
  EXPECT_SAME(OpenMsgQueue(HANDLE{nullptr}, reader, &write), HANDLE{nullptr});
  EXPECT_LAST_ERROR(ERROR_INVALID_HANDLE);
  SetLastError(kSentinel);
  EXPECT_SAME(OpenMsgQueue(GetCurrentProcess(), reader, nullptr), HANDLE{nullptr});
  EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);
  HANDLE writer = OpenMsgQueue(GetCurrentProcess(), reader, &write);
  HANDLE second_reader = OpenMsgQueue(GetCurrentProcess(), writer, &read);
  EXPECT_SAME(Info(reader).wNumReaders, WORD{2});
  EXPECT_TRUE_(CloseHandle(reader) != 0);
  EXPECT_SAME(Put(writer, Message(1, 1)), std::string("ok"));
  EXPECT_SAME(Take(second_reader).bytes, Message(1, 1));
  SetLastError(kSentinel);
  EXPECT_SAME(Outcome(CloseMsgQueue(reader)), std::string("failed 6"));
  EXPECT_SAME(Outcome(CloseMsgQueue(writer)), std::string("ok"));
  EXPECT_SAME(Outcome(CloseMsgQueue(second_reader)), std::string("ok"));
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_SAME(Outcome(CloseMsgQueue(event)), std::string("failed 6"));
  CloseHandle(event);
}

// A shell's wait: a stop event and three queues on one thread. The lowest index that is
// signalled wins; a write from another thread wakes the wait.
CE_ONLY_CASE(msgqueue, wait_for_multiple_queues) {
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Ends one(nullptr), two(nullptr), three(nullptr);
  const HANDLE waits[] = {stop, one.reader, two.reader, three.reader};
  EXPECT_RESULT(WaitForMultipleObjects(4, waits, FALSE, 0), WAIT_TIMEOUT);
  Put(three.writer, Message(1, 3));
  Put(two.writer, Message(1, 2));
  EXPECT_RESULT(WaitForMultipleObjects(4, waits, FALSE, 0), WAIT_OBJECT_0 + 2);
  Take(two.reader);
  EXPECT_RESULT(WaitForMultipleObjects(4, waits, FALSE, 0), WAIT_OBJECT_0 + 3);
  Take(three.reader);

  DWORD woken = WAIT_FAILED;
  std::thread waiter([&] { woken = WaitForMultipleObjects(4, waits, FALSE, 10000); });
  Put(one.writer, Message(1, 1));
  waiter.join();
  EXPECT_SAME(woken, WAIT_OBJECT_0 + 1);
  SetEvent(stop);
  EXPECT_RESULT(WaitForMultipleObjects(4, waits, FALSE, 0), WAIT_OBJECT_0);
  CloseHandle(stop);
}

}  // namespace
