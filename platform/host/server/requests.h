// The requests a program sends its handset server, one for each platform operation that crosses
// programs. Each request is an operation number and its fields; each reply starts with a status
// and the last error the operation left, then its own fields.
#pragma once

#include <cstdint>

namespace cehost {

enum class ServerOp : uint16_t {
  // A program introduces a connection: {u8 role, utf8 program name} -> {u32 server pid, u64 boot}.
  kHello = 1,
  // {} -> {u32 pid, u64 uptime ms, u8 persistent, u32 open handles, u32 n,
  //        n x {u32 pid, utf8 name, u32 handles}}.
  kStatus = 2,
  // {} -> {}: the server stops once it has answered.
  kStop = 3,
  // A tool steering the running handset: {utf8 JSON request} -> {utf8 JSON answer}.
  kControl = 4,
  // {} -> {}: answered once the notices sent before it on the same connection are recorded.
  kSync = 5,
  // {text name, u32 access, u32 share} -> {u8 is a device's name, u32 handle (0: failed)}.
  kOpenDevice = 10,
  // {u32 handle, u32 code, in, out} -> {u32 result, u32 returned, bytes out}, where in and out
  // are each {u32 size, u8 given, bytes when given}.
  kDeviceControl = 11,
  // {u32 handle, u32 size} -> {u32 result, bytes read}.
  kDeviceRead = 12,
  // {u32 handle, bytes data} -> {u32 result, u32 written}.
  kDeviceWrite = 13,
  // Closes any handle the server holds for the program: {u32 handle} -> {u32 result}.
  kClose = 14,
  // {u32 info id, u8 has record, bytes record as given} -> {u32 result, bytes record}.
  kLedInfo = 15,
  // FindFirstDevice and every FindNextDevice after it: {u32 search type, bytes GUID or UTF-16
  // pattern} -> {u32 n, n x bytes DEVMGR_DEVICE_INFORMATION}.
  kDeviceSearch = 17,
  // {u32 device id, u8 has record, bytes record} -> {u32 result}.
  kLedSet = 16,
  // {text name} -> {u32 identifier}.
  kRegisterMessage = 20,
  // Waits on any handle the server holds for the program, as WaitForSingleObject does:
  // {u32 handle, u32 ms} -> {u32 result}.
  kWait = 21,
  // {text name, u32 flags, u32 max messages, u32 max message bytes, u8 read access}
  // -> {u32 handle (0: failed)}; the last error tells a queue that existed.
  kQueueCreate = 30,
  // Another end of the queue, as OpenMsgQueue makes: {u32 handle, u8 read access} ->
  // {u32 handle (0: failed)}.
  kQueueOpen = 31,
  // {u32 handle, bytes message, u32 ms, u32 flags} -> {u32 result}.
  kQueueWrite = 32,
  // {u32 handle, u32 size, u32 ms} -> {u32 result, bytes read, u32 flags}.
  kQueueRead = 33,
  // {u32 handle} -> {u32 result, bytes MSGQUEUEINFO}.
  kQueueInfo = 34,
  // {u8 manual reset, u8 signalled, text name} -> {u32 handle (0: failed)}; the last error tells
  // an event that existed.
  kEventCreate = 40,
  // {u32 handle, u32 EVENT_SET, EVENT_RESET or EVENT_PULSE} -> {u32 result}.
  kEventModify = 41,
  // A window of the program, which the server's table holds for every program to reach:
  // {u32 parent, text class, text title, u8 visible} -> {u32 hwnd (0: failed)}.
  kWindowCreate = 50,
  // {u32 hwnd} -> {u32 result}.
  kWindowDestroy = 51,
  // PostMessageW to a window of any program: {u32 hwnd, u32 msg, u64 wparam, u64 lparam} ->
  // {u32 result}.
  kPost = 52,
  // SendMessageTimeoutW: {u32 hwnd, u32 msg, u64 wparam, u64 lparam, u32 flags, u32 ms} ->
  // {u64 result, u64 answer}.
  kSend = 53,
  // FindWindowW among every program's windows: {u8 has class, text class, u8 has title, text
  // title} -> {u32 hwnd}.
  kFindWindow = 54,
  // RAS connections are the handset's, not a program's: any program may hang up or list any of
  // them, and one outlives the program that dialled it, as on the platform.
  // {text entry, bytes RASENTRY, u8 has device data, bytes device data} -> {u32 result}.
  kRasSetEntry = 70,
  // {bytes RASDIALPARAMS} -> {u32 result, u32 connection handle (0: none)}.
  kRasDial = 71,
  // {u32 connection handle} -> {u32 result}.
  kRasHangUp = 72,
  // {} -> {u32 n, n x {u32 connection handle, text entry}}.
  kRasConnections = 73,
  // {text entry} -> {u32 result}.
  kRasDeleteEntry = 74,
  // The handset's network interfaces: {} -> {u32 n, n x {u32 index, u32 type, utf8 description,
  // utf8 adapter name, utf8 address, utf8 mask, utf8 gateway, u8 has route, u32 metric, u32 in
  // octets, u32 out octets}}.
  kNetworkInterfaces = 80,
  // The handset's storage limit, one for every program: {u8 StorageAsk, u64 a, u64 b} -> {u8
  // limited, u64 result}; an unlimited storage answers 0 and does nothing but a kSet.
  kStorage = 85,
  // GetDC on the server's screen: {u32 hwnd} -> {u8 got the screen's context}.
  kGetDC = 100,
  // ExtEscape to the server's display driver: {u64 hdc, u32 escape, u32 input size, u8 input
  // given, bytes input, u32 output size, u8 output given} -> {u32 result, bytes output}.
  kEscape = 101,
  // The platform record SystemParametersInfoW answers with: {} -> {u8 has one, bytes words}.
  kPlatformInfo = 102,
  // ShellExecuteEx: {text file, text parameters, text verb, u32 show, u8 keep the process} ->
  // {u32 result, u64 hInstApp, u32 process handle (0: none)}.
  kLaunch = 110,
  // GetExitCodeProcess: {u32 process handle} -> {u32 result, u32 exit code}.
  kExitCode = 111,
  // The module installed at a CE path, for LoadLibraryW: {text path} -> {u8 installed, text path
  // as installed, u32 n, n x {utf8 entry, utf8 shared object, utf8 symbol}}.
  kModuleQuery = 120,
  // Written by a program on a calls connection, with no reply: an effect the program had itself
  // (server/journal_notice.h). The server records it in the handset's journal under the
  // program's pid, in order with the requests of the same connection.
  kJournalNotice = 130,
  // A call into one of the handset's own programs (the phone adapter's), which answers it in the
  // server: {utf8 program, bytes call} -> {bytes answer}; refused when the program has no answer.
  kProgramCall = 90,
  // Written by the server on a program's tie: a message for one of its windows, {u64 id, u32
  // hwnd, u32 msg, u64 wparam, u64 lparam, u8 sent, u32 ms}. Not a request: it has no reply.
  kDeliver = 60,
  // Written by the program on its tie: the answer to a sent one, {u64 id, u8 answered, u64
  // answer}.
  kDelivered = 61,
};

// What a connection is for, said in its hello.
enum class ServerRole : uint8_t {
  // Held for the life of the program: when it closes, the program has ended and the server
  // releases what it held.
  kProgram = 0,
  // Carries one thread's calls.
  kCalls = 1,
  // Looks at or stops the server without attaching a program (m8sim handset status, stop).
  kObserver = 2,
};

// The first field of every reply.
enum class ReplyStatus : uint8_t {
  kDone = 0,
  // The request was malformed or named no operation: nothing was done.
  kRefused = 1,
};

}  // namespace cehost
