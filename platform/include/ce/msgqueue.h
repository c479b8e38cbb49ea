// Point-to-point message queues: named queues shared by every opener on the handset, each handle
// one of a queue's read ends or one of its write ends.
#pragma once

#include "ce/errors.h"
#include "ce/types.h"

// dwFlags of MSGQUEUEOPTIONS.
#define MSGQUEUE_NOPRECOMMIT 0x00000001
#define MSGQUEUE_ALLOW_BROKEN 0x00000002

// WriteMsgQueue's dwFlags and ReadMsgQueue's *pdwFlags: an alert message.
#define MSGQUEUE_MSGALERT 0x00000001

typedef struct MSGQUEUEOPTIONS_OS {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwMaxMessages;
  DWORD cbMaxMessage;
  BOOL bReadAccess;
} MSGQUEUEOPTIONS, *LPMSGQUEUEOPTIONS, *PMSGQUEUEOPTIONS;
static_assert(sizeof(MSGQUEUEOPTIONS) == 20);

typedef struct MSGQUEUEINFO {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwMaxMessages;
  DWORD cbMaxMessage;
  DWORD dwCurrentMessages;
  DWORD dwMaxQueueMessages;
  WORD wNumReaders;
  WORD wNumWriters;
} MSGQUEUEINFO, *LPMSGQUEUEINFO, *PMSGQUEUEINFO;
static_assert(sizeof(MSGQUEUEINFO) == 28);

extern "C" {

// Creates a queue, or opens the one of that name with the last error ERROR_ALREADY_EXISTS (a new
// queue leaves the last error 0); the handle reads when lpOptions->bReadAccess is TRUE, else it
// writes. Names are compared with their case and live in a namespace of their own; NULL makes an
// unnamed queue, "" is a name. An existing queue keeps its own flags and limits, but the options
// are checked all the same. dwMaxMessages 0 means no limit. The queue goes when its last handle
// is closed. NULL and the last error on failure (ERROR_INVALID_PARAMETER for a NULL lpOptions,
// a dwSize other than sizeof(MSGQUEUEOPTIONS), an unknown flag, cbMaxMessage 0, or a name of
// MAX_PATH characters or more).
HANDLE CreateMsgQueue(LPCWSTR lpszName, LPMSGQUEUEOPTIONS lpOptions);

// Opens another end of the queue that hMsgQ belongs to, reading or writing as
// lpOptions->bReadAccess says (of the options only dwSize and it count); hSrcProc must be
// GetCurrentProcess(). NULL and the last error on failure (ERROR_INVALID_PARAMETER,
// ERROR_INVALID_HANDLE).
HANDLE OpenMsgQueue(HANDLE hSrcProc, HANDLE hMsgQ, LPMSGQUEUEOPTIONS lpOptions);

// Puts one message of cbDataSize bytes at the end of the queue, waiting up to dwTimeout (0: not
// at all, INFINITE: for ever) for room. An alert (dwFlags MSGQUEUE_MSGALERT) has a slot of its
// own outside dwMaxMessages and is read before the other messages; while one is unread, the next
// alert waits for the slot like a normal message for room. FALSE and the last error when it
// cannot: ERROR_TIMEOUT when the queue stayed full, ERROR_INSUFFICIENT_BUFFER for a message
// longer than the queue's cbMaxMessage, ERROR_PIPE_NOT_CONNECTED when no reader is left (also
// while waiting) on a queue without MSGQUEUE_ALLOW_BROKEN, ERROR_INVALID_PARAMETER for a NULL
// buffer, a size 0 or another flag, ERROR_ACCESS_DENIED on a read handle.
BOOL WriteMsgQueue(HANDLE hMsgQ, LPVOID lpBuffer, DWORD cbDataSize, DWORD dwTimeout, DWORD dwFlags);

// Takes the first message off the queue (an alert before the others), waiting up to dwTimeout
// for one, and copies it into lpBuffer with its length in *lpNumberOfBytesRead and
// MSGQUEUE_MSGALERT or 0 in *pdwFlags (pdwFlags may be NULL). Messages written before the last
// writer went are still read. FALSE and the last error when it cannot: ERROR_TIMEOUT when none
// came; ERROR_INSUFFICIENT_BUFFER when the message was longer than the buffer (it is taken off
// all the same, the buffer holds its first cbBufferSize bytes and *lpNumberOfBytesRead is
// cbBufferSize); ERROR_PIPE_NOT_CONNECTED when the queue is empty and no writer is left on a
// queue without MSGQUEUE_ALLOW_BROKEN; ERROR_INVALID_PARAMETER for a NULL buffer or
// lpNumberOfBytesRead or a size 0; ERROR_ACCESS_DENIED on a write handle.
BOOL ReadMsgQueue(HANDLE hMsgQ, LPVOID lpBuffer, DWORD cbBufferSize, LPDWORD lpNumberOfBytesRead,
                  DWORD dwTimeout, DWORD* pdwFlags);

// Fills *lpInfo (whose dwSize must be sizeof(MSGQUEUEINFO)) with the queue's flags, limits,
// messages waiting (the alert included), the most that ever waited at once, and its readers and
// writers.
BOOL GetMsgQueueInfo(HANDLE hMsgQ, LPMSGQUEUEINFO lpInfo);

// Closes a queue handle, as CloseHandle does; the queue goes when its last handle does. Waiting
// on a handle (WaitForSingleObject, WaitForMultipleObjects): a read handle is signalled while
// the queue holds a message, a write handle while it has room.
BOOL CloseMsgQueue(HANDLE hMsgQ);

}  // extern "C"
