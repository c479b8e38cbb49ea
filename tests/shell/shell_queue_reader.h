// A handset whose shell is installed but not running, and a reader of the shell's queues in the
// shell's place, so that tests see every record the library wrote, byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "ce/msgqueue.h"
#include "oem/shell.h"
#include "sim/handset.h"
#include "cehost/text.h"
#include "temp_dir.h"

// The read end of one of the shell's queues.
class QueueReader {
 public:
  QueueReader(LPCWSTR name, DWORD max_record) {
    MSGQUEUEOPTIONS options = {sizeof options, MSGQUEUE_ALLOW_BROKEN, SHELL_QUEUE_MAX_MESSAGES,
                               max_record, TRUE};
    handle_ = CreateMsgQueue(name, &options);
    EXPECT_NE(handle_, nullptr);
    max_record_ = max_record;
  }
  ~QueueReader() {
    if (handle_) CloseMsgQueue(handle_);
  }
  QueueReader(const QueueReader&) = delete;
  QueueReader& operator=(const QueueReader&) = delete;

  // Every record waiting, oldest first, each as long as it was written.
  std::vector<std::vector<uint8_t>> Drain() {
    std::vector<std::vector<uint8_t>> records;
    std::vector<uint8_t> buffer(max_record_ + 16);
    DWORD size = 0;
    DWORD flags = 0;
    while (
        ReadMsgQueue(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), &size, 0, &flags)) {
      records.emplace_back(buffer.begin(), buffer.begin() + size);
    }
    return records;
  }

 private:
  HANDLE handle_ = nullptr;
  DWORD max_record_ = 0;
};

// The 32-bit word at an offset of a record.
inline uint32_t WordAt(const std::vector<uint8_t>& record, size_t offset) {
  uint32_t word = 0;
  std::memcpy(&word, record.data() + offset, sizeof word);
  return word;
}

// Whether bytes [from, to) of a record are all zero.
inline bool ZeroBetween(const std::vector<uint8_t>& record, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i)
    if (record[i] != 0) return false;
  return true;
}

// A fresh handset whose shell reads nothing, with readers of its three queues.
class ShellChannelTest : public TempDirTest {
 protected:
  void SetUp() override {
    WriteText(dir() / "home" / "handset.toml", "[shell]\nrunning = false\n");
    handset_ = std::make_unique<sim::Handset>(sim::Handset::Options{dir() / "home"});
    notify_ = std::make_unique<QueueReader>(SHELL_NOTIFY_QUEUE_NAME,
                                            sizeof(ShellNotifySubscriptionRecord));
    requests_ = std::make_unique<QueueReader>(SHELL_REQUEST_QUEUE_NAME, sizeof(ShellRequestRecord));
    notifications_ =
        std::make_unique<QueueReader>(USER_NOTIFICATION_QUEUE_NAME, sizeof(UserNotificationRecord));
  }
  void TearDown() override {
    notify_.reset();
    requests_.reset();
    notifications_.reset();
    handset_.reset();
  }

  sim::Handset& handset() { return *handset_; }
  QueueReader& notify() { return *notify_; }
  QueueReader& requests() { return *requests_; }
  QueueReader& notifications() { return *notifications_; }

 private:
  std::unique_ptr<sim::Handset> handset_;
  std::unique_ptr<QueueReader> notify_;
  std::unique_ptr<QueueReader> requests_;
  std::unique_ptr<QueueReader> notifications_;
};
