// What the shell makes of the records applications write into its three queues: each record
// changes the shell's memory, or is refused without changing anything when it has the wrong size
// or an operation the shell does not know.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ce/types.h"
#include "oem/shell.h"
#include "sim/shell/shell_memory.h"

namespace sim {

// The shell's queues, in the order it waits on them.
enum ShellQueue { kNotifyQueue, kRequestQueue, kNotificationQueue, kShellQueueCount };

struct ShellQueueSpec {
  // The queue's name and the size of its records.
  LPCWSTR name;
  DWORD record_size;
  // The name journal entries and state.json give it ("notify", "request", "notification").
  const char* label;
};

// The queue's name, record size and label.
const ShellQueueSpec& QueueSpec(ShellQueue queue);

// What the shell made of one record, and what it has to do besides changing its memory.
struct RecordOutcome {
  // The journal entry's text and fields.
  std::string text;
  std::vector<std::pair<std::string, std::string>> fields;
  // True when the memory changed.
  bool changed = false;
  // An event to announce to the subscribed windows.
  std::optional<ShellEvent> announce;
  // The lock state to write where applications read it.
  std::optional<bool> lock_state;
};

// Applies one record read from the queue to the memory; never fails.
RecordOutcome ApplyRecord(ShellQueue queue, const uint8_t* data, size_t size, ShellMemory& memory);

// A request record (ShellRequestRecord) of the right size applied to the memory.
RecordOutcome ApplyRequest(const ShellRequestRecord& record, ShellMemory& memory);

// "0x1f4": a window or handle as the journal shows it.
std::string HandleText(DWORD handle);

// Text in double quotes, with JSON's escapes.
std::string QuotedText(const std::string& text);

}  // namespace sim
