// Kernel objects shared by every family of platform calls: handles and the debug print.
#pragma once

#include "ce/errors.h"
#include "ce/types.h"

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64

#define EVENT_PULSE 1
#define EVENT_RESET 2
#define EVENT_SET 3

#define CREATE_SUSPENDED 0x00000004
#define STILL_ACTIVE 259

typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);

extern "C" {

// Starts a thread running lpStartAddress(lpParameter) at once; its handle is signalled when it
// ends. NULL and the last error on failure (a null routine, or CREATE_SUSPENDED, which cehost
// does not offer).
HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, DWORD dwStackSize,
                    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                    DWORD dwCreationFlags, LPDWORD lpThreadId);

// The thread's exit code, or STILL_ACTIVE while it runs.
BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);

// The identifier of the calling thread: the one CreateThread gave it, or one of its own for a
// thread cehost did not start; no two live threads share one.
DWORD GetCurrentThreadId(void);

// The identifier of the calling process; no two live processes on the handset share one.
DWORD GetCurrentProcessId(void);

// A pseudo-handle that stands for the calling process wherever a process handle is taken; it
// needs no closing. Its value is Windows CE's, 0x42, which no handle cehost hands out can have
// (theirs are multiples of 4).
HANDLE GetCurrentProcess(void);

// Suspends the calling thread for dwMilliseconds (0 gives up the rest of its time slice).
void Sleep(DWORD dwMilliseconds);

// Creates an event, or opens the one of that name (names compared with case, as CE does) with
// the last error ERROR_ALREADY_EXISTS and its own flags ignored; a new event leaves the last
// error 0. NULL on failure.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                    LPCWSTR lpName);

// Sets (EVENT_SET), resets (EVENT_RESET) or pulses (EVENT_PULSE) an event.
BOOL EventModify(HANDLE hEvent, DWORD func);

// Signals the event: a manual-reset event stays signalled until reset; an auto-reset event until
// it releases one waiter.
BOOL SetEvent(HANDLE hEvent);

// Makes the event non-signalled.
BOOL ResetEvent(HANDLE hEvent);

// Releases the waiters of the moment (all of them, or one for an auto-reset event) and leaves the
// event non-signalled.
BOOL PulseEvent(HANDLE hEvent);

// Waits up to dwMilliseconds (INFINITE: for ever) for the object to be signalled: WAIT_OBJECT_0,
// WAIT_TIMEOUT, or WAIT_FAILED with the last error.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

// Waits up to dwMilliseconds for any one of nCount (1 to MAXIMUM_WAIT_OBJECTS) objects: returns
// WAIT_OBJECT_0 plus the lowest index of an object that is signalled, taking its signal as
// WaitForSingleObject would; WAIT_TIMEOUT; or WAIT_FAILED with the last error
// (ERROR_INVALID_PARAMETER for bWaitAll TRUE, which Windows CE does not offer, or a bad count;
// ERROR_INVALID_HANDLE when a handle is not one that can be waited on).
DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                             DWORD dwMilliseconds);

// Closes a file, event, thread, device or queue handle; FALSE and ERROR_INVALID_HANDLE for any
// other value (search handles close with FindClose, keys with RegCloseKey).
BOOL CloseHandle(HANDLE hObject);

// The handset's local date and time.
void GetLocalTime(LPSYSTEMTIME lpSystemTime);

// Formats one line like wsprintfW and hands it to the debug trace.
void NKDbgPrintfW(LPCWSTR lpszFmt, ...);

}  // extern "C"
