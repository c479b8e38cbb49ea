// Calls that an attached program makes through its handset server, against the floor they stand
// on: one round trip over a Unix socket to another process that answers each message at once,
// with a request and a reply of the sizes a device control carries, framed as the server frames
// them. The calls are DeviceIoControl of the accelerometer's 3-byte read on "ACC0:" and
// RegisterWindowMessageW of a name the server has registered already. Times are by the wall
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
#include "ce/windows.h"
#include "cehost/handset.h"
#include "cehost/server.h"
#include "oem/drivers.h"
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
  }
  ~ServedHandset() {
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

 private:
  std::filesystem::path home_;
  std::string error_;
  HANDLE device_ = INVALID_HANDLE_VALUE;
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
  auto floor = [&] { return peer.RoundTrip(); };
  std::array<double, 3> ns{};
  for (auto _ : state) ns = bench::RoundMedians(31, 2000, control, message, floor);
  state.counters["control_ns"] = ns[0];
  state.counters["message_ns"] = ns[1];
  state.counters["floor_ns"] = ns[2];
  state.counters["control_x_floor"] = ns[0] / ns[2];
  state.counters["message_x_floor"] = ns[1] / ns[2];
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
