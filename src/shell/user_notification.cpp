#include "shell/user_notification.h"

#include <cstdint>
#include <cstring>

#include "ce/kernel.h"
#include "ce/msgqueue.h"
#include "oem/shell.h"
#include "shell/shell_queue.h"

namespace {

ShellQueue& NotificationQueue() {
  static ShellQueue queue(USER_NOTIFICATION_QUEUE_NAME, sizeof(UserNotificationRecord),
                          u"Cannot open user notification queue!\n");
  return queue;
}

// Writes the record into the user notification queue without waiting for room; nonzero when it
// went in.
BOOL WriteUserNotification(const UserNotificationRecord* record) {
  return NotificationQueue().Write(record, sizeof *record);
}

DWORD HandleValue(HANDLE handle) {
  return static_cast<DWORD>(reinterpret_cast<uintptr_t>(handle));
}

}  // namespace

HANDLE SetUserNotification(HANDLE notification, const void* content) {
  // Without content there is nothing to show, and no event is made for it.
  if (!content) return nullptr;
  DWORD operation = USER_NOTIFICATION_UPDATE;
  if (!notification) {
    notification = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    operation = USER_NOTIFICATION_NEW;
  }
  if (!notification) return nullptr;
  // The record lives on the caller's stack: posting a notification allocates nothing.
  UserNotificationRecord record;
  record.dwNotification = HandleValue(notification);
  record.dwOperation = operation;
  std::memcpy(record.abContent, content, sizeof record.abContent);
  WriteUserNotification(&record);
  return notification;
}

BOOL ClearUserNotification(HANDLE notification) {
  if (!notification) return FALSE;
  UserNotificationRecord record = {};
  record.dwNotification = HandleValue(notification);
  record.dwOperation = USER_NOTIFICATION_CLEAR;
  // The record names the notification by the value of its handle, which the platform does not
  // give to another object soon after it is closed.
  CloseHandle(notification);
  return WriteUserNotification(&record);
}
