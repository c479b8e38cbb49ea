// Windows and their messages: window classes, a program's own windows and its message loop,
// registered message names, finding, posting, sending and showing.
#pragma once

#include <cstddef>

#include "ce/errors.h"
#include "ce/geometry.h"
#include "ce/types.h"

#define HWND_BROADCAST (reinterpret_cast<HWND>(static_cast<uintptr_t>(0xFFFF)))

// The platform's own messages lie below WM_USER; WM_USER..0x7FFF belong to a window class,
// WM_APP..0xBFFF to an application, 0xC000..0xFFFF to registered names.
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SETTINGCHANGE 0x001A
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_USER 0x0400
#define WM_APP 0x8000

// The window styles CreateWindowExW heeds.
#define WS_VISIBLE 0x10000000L
#define WS_CHILD 0x40000000L
#define CW_USEDEFAULT (static_cast<int>(0x80000000))

// PeekMessageW's wRemoveMsg.
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_SHOWNA 8

#define SMTO_NORMAL 0x0000

// A class atom in the place of a class name.
#define MAKEINTATOM(i) (reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(static_cast<WORD>(i))))

typedef WORD ATOM;
typedef struct HICON__* HICON;
typedef HICON HCURSOR;
typedef struct HBRUSH__* HBRUSH;
typedef struct HMENU__* HMENU;

// A window procedure: the window's answer to one message.
typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagWNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
} WNDCLASSW, *PWNDCLASSW, *LPWNDCLASSW;
// 40 bytes on the handset, whose pointers are 4 bytes wide.
static_assert(sizeof(WNDCLASSW) == 72, "the platform's layout with the host's pointers");
static_assert(offsetof(WNDCLASSW, lpszClassName) == 64, "the platform's layout");

// A message as a thread's queue gives it.
typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG, *PMSG, *LPMSG;
// 28 bytes on the handset, whose pointers are 4 bytes wide.
static_assert(sizeof(MSG) == 48, "the platform's layout with the host's pointers");
static_assert(offsetof(MSG, time) == 32, "the platform's layout");

// What WM_CREATE's lParam points at: CreateWindowExW's arguments.
typedef struct tagCREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
} CREATESTRUCTW, *LPCREATESTRUCTW;
// 48 bytes on the handset, whose pointers are 4 bytes wide.
static_assert(sizeof(CREATESTRUCTW) == 80, "the platform's layout with the host's pointers");
static_assert(offsetof(CREATESTRUCTW, dwExStyle) == 72, "the platform's layout");

extern "C" {

// Registers a window class of the program and returns its atom, never 0; 0 and the last error
// when the name is taken in any case (ERROR_CLASS_ALREADY_EXISTS), or when the record, its class
// name or its procedure is missing (ERROR_INVALID_PARAMETER).
ATOM RegisterClassW(const WNDCLASSW* lpWndClass);

// Removes a class the program registered, named or given by its atom; FALSE and the last error
// when there is no such class (ERROR_CLASS_DOES_NOT_EXIST) or windows of it are left
// (ERROR_CLASS_HAS_WINDOWS).
BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance);

// Creates a window of a class the program registered, owned by the calling thread, whose
// messages come through that thread's queue; its procedure has handled WM_CREATE when the call
// returns. NULL and the last error when the class is unknown (ERROR_CANNOT_FIND_WND_CLASS), the
// parent is not a window (ERROR_INVALID_WINDOW_HANDLE) or WS_CHILD comes without one
// (ERROR_TLW_WITH_WSCHILD); NULL when the procedure answered WM_CREATE with -1, the window then
// destroyed.
HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                     int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam);

// Sends WM_DESTROY to the window, then to its child windows, and removes them: no call reaches
// them afterwards. FALSE and the last error when hWnd is not a window
// (ERROR_INVALID_WINDOW_HANDLE) or another thread owns it (ERROR_ACCESS_DENIED).
BOOL DestroyWindow(HWND hWnd);

// The platform's own handling of a message: 0, and for WM_CLOSE the window destroyed.
LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// Takes the calling thread's next posted message (for hWnd alone when given, and between the
// two numbers when either is nonzero), waiting for one and meanwhile handling the messages other
// threads send to the thread's windows. TRUE with *lpMsg filled; FALSE with WM_QUIT in *lpMsg
// after PostQuitMessage; -1 and the last error when hWnd is not a window of the calling thread.
BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);

// As GetMessageW without waiting: handles the messages sent to the thread's windows, then TRUE
// with the next message that matches in *lpMsg (taken off the queue with PM_REMOVE, left there
// with PM_NOREMOVE), FALSE when there is none.
BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);

// Nonzero for a key message, 0 for any other; posts nothing.
BOOL TranslateMessage(const MSG* lpMsg);

// Has the window's procedure handle the message on the calling thread, which must own the
// window, and returns its answer; 0 for a message without a window.
LRESULT DispatchMessageW(const MSG* lpMsg);

// Makes the calling thread's GetMessageW return FALSE, with WM_QUIT and nExitCode as wParam, once
// the messages posted before have been taken.
void PostQuitMessage(int nExitCode);

// Nonzero while the calling thread's window procedure handles a message another thread sent
// it; 0 for a posted message and for one the thread sent itself.
BOOL InSendMessage(void);

// Queues a message without a window on the thread's queue and returns at once; FALSE and the last
// error when that thread has no queue (ERROR_INVALID_THREAD_ID) or it is full.
BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);

// An identifier in 0xC000..0xFFFF for the message name, the same for every caller and every
// spelling of the name in any case while the handset lives; 0 and the last error on failure.
UINT RegisterWindowMessageW(LPCWSTR lpString);

// The top-level window whose class (by name or atom) and title match without regard to case (a
// null one matches any); NULL when there is none.
HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName);

// Queues the message on the window's thread (on every top-level window for HWND_BROADCAST; as a
// message without a window on the calling thread's own queue for NULL) and returns at once;
// FALSE and the last error when it cannot.
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// Has the window's procedure handle the message on the window's thread and waits up to uTimeout
// milliseconds for its answer (the window's own thread calls the procedure at once); nonzero with
// *lpdwResult set when answered, 0 and the last error (ERROR_TIMEOUT on time-out) otherwise.
LRESULT SendMessageTimeoutW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                            UINT uTimeout, PDWORD_PTR lpdwResult);

// Shows or hides the window; returns nonzero when it was visible before the call.
BOOL ShowWindow(HWND hWnd, int nCmdShow);

// A device context for drawing on the window (NULL: the whole screen), released with ReleaseDC;
// NULL on failure.
HDC GetDC(HWND hWnd);

// Releases a device context GetDC gave for the window: 1 when released, 0 when not.
int ReleaseDC(HWND hWnd, HDC hDC);

// Hands an escape to the display driver behind the device context, with its input and output
// bytes: > 0 done, 0 the driver does not implement it, < 0 an error.
int ExtEscape(HDC hdc, int nEscape, int cbInput, LPCSTR lpszInData, int cbOutput,
              LPSTR lpszOutData);

}  // extern "C"

#define SendMessageTimeout SendMessageTimeoutW
