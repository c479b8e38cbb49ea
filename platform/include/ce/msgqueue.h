// Point-to-point message queues: named queues shared by every opener on the handset, each
// handle either the queue's read end or one of its write ends.
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
// writes. An existing queue keeps its own flags and limits. NULL and the last error on failure
// (ERROR_INVALID_PARAMETER for bad options or an over-long name).
HANDLE CreateMsgQueue(LPCWSTR lpszName, LPMSGQUEUEOPTIONS lpOptions);

// Opens the other end of the queue that hSrcQueue belongs to, as lpOptions->bReadAccess says;
// the source handle must belong to the calling process (hSrcProc). NULL and the last error on
// failure.
HANDLE OpenMsgQueue(HANDLE hSrcProc, HANDLE hMsgQ, LPMSGQUEUEOPTIONS lpOptions);

// Puts one message of cbDataSize bytes at the end of the queue (an alert message ahead of the
// others), waiting up to dwTimeout for room; FALSE and the last error when it cannot
// (ERROR_TIMEOUT when the queue stayed full, ERROR_INSUFFICIENT_BUFFER for a message longer than
// the queue's largest, ERROR_PIPE_NOT_CONNECTED when no reader is left on a queue that does not
// allow that).
BOOL WriteMsgQueue(HANDLE hMsgQ, LPVOID lpBuffer, DWORD cbDataSize, DWORD dwTimeout, DWORD dwFlags);

// Takes the first message off the queue, waiting up to dwTimeout for one, and copies it into
// lpBuffer with its length in *lpNumberOfBytesRead and MSGQUEUE_MSGALERT or 0 in *pdwFlags. FALSE
// and the last error when it cannot (ERROR_TIMEOUT when none came; ERROR_INSUFFICIENT_BUFFER when
// the message was longer than the buffer: it is taken off all the same, and the buffer holds its
// first bytes).
BOOL ReadMsgQueue(HANDLE hMsgQ, LPVOID lpBuffer, DWORD cbBufferSize, LPDWORD lpNumberOfBytesRead,
                  DWORD dwTimeout, DWORD* pdwFlags);

// Fills *lpInfo (whose dwSize must be sizeof(MSGQUEUEINFO)) with the queue's flags, limits,
// messages waiting and its readers and writers.
BOOL GetMsgQueueInfo(HANDLE hMsgQ, LPMSGQUEUEINFO lpInfo);

// Closes a queue handle, as CloseHandle does; the queue goes when its last handle does.
BOOL CloseMsgQueue(HANDLE hMsgQ);

}  // extern "C"
