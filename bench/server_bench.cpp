// Calls that an attached program makes through its handset server, against the floor they stand
// on: one round trip over a Unix socket to another process that answers each message at once,
// with a request and a reply of the sizes a device control carries, framed as the server frames
// them. The calls are DeviceIoControl of the accelerometer's 3-byte read on "ACC0:",
// RegisterWindowMessageW of a name the server has registered already, a record written into the
// shell's subscription queue, which the shell in the server reads (the write waits while the
// queue is full, so a run of them goes at the pace of the slower of the two), and a message
// posted to a window of another program that posts one back, which is two cross-program posts,
// against two round trips of the floor. Times are by the wall
// clock: most of a round trip is the wait for the other process, and that wait is the cost.
// "x_floor" is a median over rounds that alternate the calls and the floor in the same run.
//
//
// Where the scheduler puts the server's thread weighs as much as the call itself: a wake-up on
// another processor costs several times a local one, each round trip has two, and the placement
// changes from one run to the next. So the paired rounds run with the placement fixed: the
// program, the server and the echoing process all on one processor, where the figures show what
// the calls themselves cost; and the program on one processor with the other two on another,
// where every round trip crosses processors both ways, as the floor's does. The unpaired
// benchmarks take what the scheduler gives.
#include <benchmark/benchmark.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "ce/devices.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/msgqueue.h"
#include "ce/windows.h"
#include "cehost/handset.h"
#include "cehost/server.h"
#include "oem/drivers.h"
#include "oem/shell.h"
#include "paired_rounds.h"
#include "server/wire.h"
#include "sim/default_handset.h"

namespace {

constexpr char16_t kMessageName[] = u"M8_BENCH_MESSAGE";
// The sizes of a device control's request and reply for a 3-byte read, without their lengths.
constexpr size_t kRequestBytes = 27;
constexpr size_t kReplyBytes = 20;

// A forked process that answers every message with one of kReplyBytes, until its socket closes.
class EchoPeer {
 public:
  EchoPeer() {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) std::abort();
    child_ = fork();
    if (child_ < 0) std::abort();
    if (child_ == 0) {
      close(fds[0]);
      const std::vector<uint8_t> reply(kReplyBytes, 0x5A);
      while (cehost::wire::ReceiveMessage(fds[1])) {
        if (!cehost::wire::SendMessage(fds[1], reply)) break;
      }
      _exit(0);
    }
    close(fds[1]);
    fd_ = fds[0];
  }
  ~EchoPeer() {
    close(fd_);
    int status = 0;
    waitpid(child_, &status, 0);
  }
  EchoPeer(const EchoPeer&) = delete;
  EchoPeer& operator=(const EchoPeer&) = delete;

  bool RoundTrip() {
    if (!cehost::wire::SendMessage(fd_, request_)) return false;
    std::optional<std::vector<uint8_t>> reply = cehost::wire::ReceiveMessage(fd_);
    return reply && reply->size() == kReplyBytes;
  }

 private:
  pid_t child_ = -1;
  int fd_ = -1;
  std::vector<uint8_t> request_ = std::vector<uint8_t>(kRequestBytes, 0xA5);
};

// A fresh default handset in a temporary home, its server started (persistent) from this build,
// the process attached to it as an application is, and "ACC0:" open through it.
class ServedHandset {
 public:
  ServedHandset() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "m8-bench-server-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    home_ = pattern;
    sim::EnsureHandset(home_);
    setenv("M8_HANDSET_SERVER", M8_HANDSET_SERVER_PROGRAM, 1);
    if (!cehost::StartServer(home_, /*persistent=*/true, &error_)) return;
    // The peer program is forked while this process has no threads of its own yet.
    peer_ = fork();
    if (peer_ < 0) std::abort();
    if (peer_ == 0) RunPostPeer(home_);
    cehost::MountOptions attached;
    attached.home = home_;
    attached.attach = true;
    cehost::MountHandset(attached);
    device_ = CreateFileW(u"ACC0:", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
    if (device_ == INVALID_HANDLE_VALUE)
      error_ = "cannot open ACC0: (" + std::to_string(GetLastError()) + ")";
    else if (!RegisterMessage())
      error_ = "cannot register a window message";
    else if (!OpenQueue())
      error_ = "cannot open the shell's queue";
    else if (!MakeHomeWindow())
      error_ = "cannot find the peer program's window";
  }
  ~ServedHandset() {
    if (peer_ > 0) {
      kill(peer_, SIGKILL);
      waitpid(peer_, nullptr, 0);
    }
    if (queue_) CloseMsgQueue(queue_);
    if (window_) DestroyWindow(window_);
    if (device_ != INVALID_HANDLE_VALUE) CloseHandle(device_);
    cehost::UnmountHandset();
    // The server may still be saving the handset when its connection ends: the home goes once
    // the process has.
    if (auto server = cehost::QueryServer(home_)) {
      cehost::StopServer(home_);
      for (int waited = 0; waited < 5000 && kill(server->pid, 0) == 0; ++waited) usleep(1000);
    }
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
  }
  ServedHandset(const ServedHandset&) = delete;
  ServedHandset& operator=(const ServedHandset&) = delete;

  // Empty once set up; else what failed.
  const std::string& error() const { return error_; }

  bool ReadAxes() {
    uint8_t axes[3];
    DWORD returned = 0;
    return DeviceIoControl(device_, IOCTL_ACC_GET_XYZ, nullptr, 0, axes, sizeof(axes), &returned,
                           nullptr) &&
           returned == sizeof(axes);
  }
  bool RegisterMessage() { return RegisterWindowMessageW(kMessageName) != 0; }
  // A subscription's end for a window that never subscribed: the shell reads it and does nothing.
  bool WriteRecord() {
    ShellNotifySubscriptionRecord record{SHELL_SUBSCRIBE_UNREGISTER, 0x7FFFFFFE, 0};
    return WriteMsgQueue(queue_, &record, sizeof record, 1000, 0);
  }
  // Posts to the peer program's window and takes the post it sends back.
  bool PostAndTakeReply() {
    if (!PostMessageW(peer_window_, WM_APP, 0, 0)) return false;
    MSG msg;
    return GetMessageW(&msg, window_, 0, 0) > 0 && msg.message == WM_APP + 1;
  }

 private:
  bool OpenQueue() {
    MSGQUEUEOPTIONS options{sizeof(options), MSGQUEUE_ALLOW_BROKEN, SHELL_QUEUE_MAX_MESSAGES,
                            sizeof(ShellNotifySubscriptionRecord), FALSE};
    queue_ = CreateMsgQueue(SHELL_NOTIFY_QUEUE_NAME, &options);
    return queue_ != nullptr;
  }
  bool MakeHomeWindow() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.lpszClassName = u"BenchHome";
    RegisterClassW(&window_class);
    window_ =
        CreateWindowExW(0, u"BenchHome", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    // The peer makes its window once attached: it is looked for until it is there, within a bound.
    for (int tries = 0; window_ && !peer_window_ && tries < 5000; ++tries) {
      peer_window_ = FindWindowW(u"BenchPeer", nullptr);
      if (!peer_window_) usleep(1000);
    }
    return peer_window_ != nullptr;
  }
  // The peer program: attached to the home, its window posts back to "BenchHome" what it gets.
  [[noreturn]] static void RunPostPeer(const std::filesystem::path& home) {
    cehost::MountOptions attached;
    attached.home = home;
    attached.attach = true;
    cehost::MountHandset(attached);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
      static HWND home_window = nullptr;
      if (msg != WM_APP) return DefWindowProcW(hwnd, msg, wparam, lparam);
      if (!home_window) home_window = FindWindowW(u"BenchHome", nullptr);
      PostMessageW(home_window, WM_APP + 1, 0, 0);
      return 0;
    };
    window_class.lpszClassName = u"BenchPeer";
    RegisterClassW(&window_class);
    CreateWindowExW(0, u"BenchPeer", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    _exit(0);
  }

  std::filesystem::path home_;
  std::string error_;
  HANDLE device_ = INVALID_HANDLE_VALUE;
  HANDLE queue_ = nullptr;
  HWND window_ = nullptr;
  HWND peer_window_ = nullptr;
  pid_t peer_ = -1;
};

void BM_SocketRoundTrip(benchmark::State& state) {
  EchoPeer peer;
  for (auto _ : state) benchmark::DoNotOptimize(peer.RoundTrip());
}
BENCHMARK(BM_SocketRoundTrip);

void BM_ServedDeviceIoControl(benchmark::State& state) {
  ServedHandset handset;
  if (!handset.error().empty()) return state.SkipWithError(handset.error().c_str());
  for (auto _ : state) benchmark::DoNotOptimize(handset.ReadAxes());
}
BENCHMARK(BM_ServedDeviceIoControl);

void BM_ServedRegisterMessage(benchmark::State& state) {
  ServedHandset handset;
  if (!handset.error().empty()) return state.SkipWithError(handset.error().c_str());
  for (auto _ : state) benchmark::DoNotOptimize(handset.RegisterMessage());
}
BENCHMARK(BM_ServedRegisterMessage);

void BM_ServedQueueRecord(benchmark::State& state) {
  ServedHandset handset;
  if (!handset.error().empty()) return state.SkipWithError(handset.error().c_str());
  for (auto _ : state) benchmark::DoNotOptimize(handset.WriteRecord());
}
BENCHMARK(BM_ServedQueueRecord);

void BM_CrossProgramPostAndReply(benchmark::State& state) {
  ServedHandset handset;
  if (!handset.error().empty()) return state.SkipWithError(handset.error().c_str());
  for (auto _ : state) benchmark::DoNotOptimize(handset.PostAndTakeReply());
}
BENCHMARK(BM_CrossProgramPostAndReply);

// The processors the calling thread may run on, in order.
std::vector<int> AllowedProcessors() {
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof(allowed), &allowed) != 0) std::abort();
  std::vector<int> cpus;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &allowed)) cpus.push_back(cpu);
  return cpus;
}

// Keeps the calling thread, and the processes it starts meanwhile, on one processor.
void RunOn(int cpu) {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu, &one);
  if (sched_setaffinity(0, sizeof(one), &one) != 0) std::abort();
}

// Lets the calling thread run where it could before.
class AffinityRestore {
 public:
  AffinityRestore() {
    if (sched_getaffinity(0, sizeof(allowed_), &allowed_) != 0) std::abort();
  }
  ~AffinityRestore() { sched_setaffinity(0, sizeof(allowed_), &allowed_); }
  AffinityRestore(const AffinityRestore&) = delete;
  AffinityRestore& operator=(const AffinityRestore&) = delete;

 private:
  cpu_set_t allowed_;
};

// Rounds that time a batch of each in turn, so that all see the same machine; the medians of the
// rounds and the calls' ratios to the floor. The echoing process and the server are started on
// the processor served_cpu, the calls made from program_cpu.
void ServedOverFloor(benchmark::State& state, int program_cpu, int served_cpu) {
  AffinityRestore restore;
  RunOn(served_cpu);
  EchoPeer peer;
  ServedHandset handset;
  RunOn(program_cpu);
  if (!handset.error().empty()) return state.SkipWithError(handset.error().c_str());
  auto control = [&] { return handset.ReadAxes(); };
  auto message = [&] { return handset.RegisterMessage(); };
  auto record = [&] { return handset.WriteRecord(); };
  auto post = [&] { return handset.PostAndTakeReply(); };
  auto floor = [&] { return peer.RoundTrip(); };
  std::array<double, 5> ns{};
  for (auto _ : state) ns = bench::RoundMedians(31, 500, control, message, record, post, floor);
  state.counters["control_ns"] = ns[0];
  state.counters["message_ns"] = ns[1];
  state.counters["record_ns"] = ns[2];
  state.counters["post_reply_ns"] = ns[3];
  state.counters["floor_ns"] = ns[4];
  state.counters["control_x_floor"] = ns[0] / ns[4];
  state.counters["message_x_floor"] = ns[1] / ns[4];
  state.counters["record_x_floor"] = ns[2] / ns[4];
  // Two posts against two round trips of the floor.
  state.counters["post_x_floor"] = ns[3] / (2 * ns[4]);
}

void BM_ServedOverFloorOneProcessor(benchmark::State& state) {
  int cpu = AllowedProcessors().front();
  ServedOverFloor(state, cpu, cpu);
}
BENCHMARK(BM_ServedOverFloorOneProcessor)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ServedOverFloorTwoProcessors(benchmark::State& state) {
  std::vector<int> cpus = AllowedProcessors();
  if (cpus.size() < 2) return state.SkipWithError("one processor only");
  ServedOverFloor(state, cpus[0], cpus[1]);
}
BENCHMARK(BM_ServedOverFloorTwoProcessors)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
