// What the shell tests share: the records applications write, written straight into the
// shell's queues, and windows that log the messages they are posted.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ce/msgqueue.h"
#include "ce/windows.h"
#include "cehost/windows.h"
#include "handset_fixture.h"
#include "oem/shell.h"
#include "sim/handset.h"

namespace shell_test {

inline std::vector<uint8_t> Bytes(const void* data, size_t size) {
  auto begin = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(begin, begin + size);
}

inline std::vector<uint8_t> Subscription(DWORD operation, DWORD window, DWORD value) {
  ShellNotifySubscriptionRecord record{operation, window, value};
  return Bytes(&record, sizeof record);
}

inline std::vector<uint8_t> Request(DWORD code, DWORD requester = 0, DWORD value = 0) {
  ShellRequestRecord record{};
  record.dwCode = code;
  record.dwRequester = requester;
  record.dwValue = value;
  return Bytes(&record, sizeof record);
}

inline std::vector<uint8_t> AnimateIcon(const std::u16string& name, DWORD first, DWORD second) {
  ShellRequestRecord record{};
  record.dwCode = SHELL_REQUEST_ANIMATE_ICON;
  name.copy(record.szIconName, SHELL_ICON_NAME_CHARS - 1);
  record.dwAnimationKind = SHELL_ICON_ANIMATE;
  record.dwAnimationArg1 = first;
  record.dwAnimationArg2 = second;
  return Bytes(&record, sizeof record);
}

inline std::vector<uint8_t> IconTip(const std::u16string& name, const std::u16string& tip,
                                    std::array<DWORD, 4> block) {
  ShellRequestRecord record{};
  record.dwCode = SHELL_REQUEST_ANIMATE_ICON;
  name.copy(record.szIconName, SHELL_ICON_NAME_CHARS - 1);
  record.dwAnimationKind = SHELL_ICON_TIP;
  tip.copy(record.szTipText, SHELL_TIP_TEXT_CHARS - 1);
  std::memcpy(record.dwTipBlock, block.data(), sizeof record.dwTipBlock);
  return Bytes(&record, sizeof record);
}

// A notification record whose content is the fill byte, then zeros.
inline std::vector<uint8_t> Notification(DWORD operation, DWORD handle, uint8_t fill = 0) {
  auto record = std::make_unique<UserNotificationRecord>();
  std::memset(record.get(), 0, sizeof *record);
  record->dwNotification = handle;
  record->dwOperation = operation;
  std::memset(record->abContent, fill, 16);
  return Bytes(record.get(), sizeof *record);
}

// Write ends of the shell's three queues on the current handset, opened as applications open
// them (MSGQUEUE_ALLOW_BROKEN, 16 records).
class Writer {
 public:
  Writer() {
    Open(0, SHELL_NOTIFY_QUEUE_NAME, sizeof(ShellNotifySubscriptionRecord));
    Open(1, SHELL_REQUEST_QUEUE_NAME, sizeof(ShellRequestRecord));
    Open(2, USER_NOTIFICATION_QUEUE_NAME, sizeof(UserNotificationRecord));
  }
  ~Writer() {
    for (HANDLE queue : queues_)
      if (queue) CloseMsgQueue(queue);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // Writes one record without waiting for room: the write's result.
  BOOL Notify(std::vector<uint8_t> record) { return Write(0, record); }
  BOOL Ask(std::vector<uint8_t> record) { return Write(1, record); }
  BOOL Notification(std::vector<uint8_t> record) { return Write(2, record); }

 private:
  void Open(int index, LPCWSTR name, DWORD size) {
    MSGQUEUEOPTIONS options{sizeof(MSGQUEUEOPTIONS), MSGQUEUE_ALLOW_BROKEN,
                            SHELL_QUEUE_MAX_MESSAGES, size, FALSE};
    queues_[index] = CreateMsgQueue(name, &options);
    EXPECT_NE(queues_[index], nullptr);
  }
  BOOL Write(int index, std::vector<uint8_t>& record) {
    return WriteMsgQueue(queues_[index], record.data(), static_cast<DWORD>(record.size()), 0, 0);
  }

  std::array<HANDLE, 3> queues_{};
};

struct Posted {
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
  bool operator==(const Posted&) const = default;
};

// A top-level window of the current handset that logs what it is sent or posted.
class LoggingWindow {
 public:
  explicit LoggingWindow(std::u16string class_name = u"ShellTestWindow")
      : log_(std::make_shared<Log>()) {
    cehost::WindowSpec spec;
    spec.class_name = std::move(class_name);
    spec.proc = [log = log_](HWND, UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
      std::lock_guard lock(log->mutex);
      log->seen.push_back({msg, wparam, lparam});
      return 0;
    };
    hwnd_ = cehost::CreateHostWindow(spec);
    EXPECT_NE(hwnd_, nullptr);
  }

  HWND hwnd() const { return hwnd_; }
  // The window as the 32-bit field of a record.
  DWORD id() const { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(hwnd_)); }
  // What the window has handled, once everything posted to it so far is handled.
  std::vector<Posted> Seen() const {
    EXPECT_TRUE(cehost::WaitWindowIdle(hwnd_, 5000));
    std::lock_guard lock(log_->mutex);
    return log_->seen;
  }

 private:
  struct Log {
    std::mutex mutex;
    std::vector<Posted> seen;
  };
  std::shared_ptr<Log> log_;
  HWND hwnd_ = nullptr;
};

// A handset home of the test's own, which the test's handsets mount in turn.
class ShellHomeTest : public HandsetHomeTest {
 protected:
  // A handset on the test's home; handset.toml's [shell] table as given, when one is.
  std::unique_ptr<sim::Handset> Mount(const std::string& shell_table = "") {
    return HandsetHomeTest::Mount(shell_table.empty() ? "" : "[shell]\n" + shell_table);
  }
};

}  // namespace shell_test
