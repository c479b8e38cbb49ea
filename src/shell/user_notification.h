// User notifications: entries the shell shows to the user, posted, updated and cleared through
// the user notification queue. An event handle names each one.
#pragma once

#include "ce/types.h"

// Posts a new notification (notification NULL: a new event names it) or updates the caller's
// one with the 5072-byte content; returns the notification's handle, also when the shell's queue
// did not take the record. NULL without writing when content is NULL or no event can be made.
HANDLE SetUserNotification(HANDLE notification, const void* content);

// Closes the notification's handle and tells the shell to take the notification away; nonzero
// when the record went into the queue, 0 for a NULL handle.
BOOL ClearUserNotification(HANDLE notification);
