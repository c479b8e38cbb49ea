// WriteMsgQueue + ReadMsgQueue of one 232-byte shell request on one thread, against the floor: a
// queue of the same records made of a mutex, two condition variables and a deque. The handset's
// journal is as a handset has it (in memory, every write recorded with its bytes), so the
// queue's time includes one journal entry a message; a second floor adds that same entry to the
// floor's write, to show what is left once it is paid for. "x_floor" is a median over rounds
// that alternate the two in the same run.
#include <benchmark/benchmark.h>

#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ce/msgqueue.h"
#include "cehost/handset.h"
#include "cehost/journal.h"
#include "oem/shell.h"
#include "paired_rounds.h"
#include "sim/handset.h"

namespace {

constexpr DWORD kRecordBytes = sizeof(ShellRequestRecord);

// The shell's request queue, with a reader and a writer, on a fresh handset without sim's
// programs (whose shell would read the queue too).
struct ShellQueue {
  ShellQueue() {
    cehost::MountOptions bare;
    bare.home = handset.home();
    cehost::MountHandset(bare);
    MSGQUEUEOPTIONS options{sizeof options, 0, SHELL_QUEUE_MAX_MESSAGES, kRecordBytes, TRUE};
    reader = CreateMsgQueue(SHELL_REQUEST_QUEUE_NAME, &options);
    options.bReadAccess = FALSE;
    writer = CreateMsgQueue(SHELL_REQUEST_QUEUE_NAME, &options);
  }
  ~ShellQueue() {
    CloseMsgQueue(reader);
    CloseMsgQueue(writer);
  }
  bool RoundTrip(uint8_t* record, uint8_t* buffer) {
    DWORD got = 0;
    DWORD flags = 0;
    return WriteMsgQueue(writer, record, kRecordBytes, 0, 0) &&
           ReadMsgQueue(reader, buffer, kRecordBytes, &got, 0, &flags);
  }
  sim::Handset handset;
  HANDLE reader = nullptr;
  HANDLE writer = nullptr;
};

// The floor: the least a thread-safe, bounded queue of whole records does, without time-outs'
// waits (the benchmark never waits), handles or checks.
class FloorQueue {
 public:
  explicit FloorQueue(cehost::Journal* journal = nullptr) : journal_(journal) {}
  bool Write(const uint8_t* data, size_t size) {
    {
      std::lock_guard lock(mutex_);
      if (messages_.size() >= SHELL_QUEUE_MAX_MESSAGES) return false;
      messages_.emplace_back(data, data + size);
      if (journal_) {
        std::vector<std::pair<std::string, std::string>> fields;
        fields.reserve(3);
        fields.emplace_back("queue", name_);
        fields.emplace_back("size", std::to_string(size));
        fields.emplace_back("flags", "0x0");
        cehost::RecordEffect(*journal_, cehost::EffectKind::kQueueWrite, std::move(fields),
                             std::vector<uint8_t>(data, data + size));
      }
    }
    readable_.notify_all();
    return true;
  }
  bool Read(uint8_t* buffer, size_t capacity) {
    {
      std::lock_guard lock(mutex_);
      if (messages_.empty()) return false;
      const std::vector<uint8_t>& front = messages_.front();
      std::memcpy(buffer, front.data(), std::min(capacity, front.size()));
      messages_.pop_front();
    }
    writable_.notify_all();
    return true;
  }
  bool RoundTrip(uint8_t* record, uint8_t* buffer) {
    return Write(record, kRecordBytes) && Read(buffer, kRecordBytes);
  }

 private:
  cehost::Journal* journal_;
  const std::string name_ = "QueueNameOffAppsAskShellEvent";
  std::mutex mutex_;
  std::condition_variable readable_;
  std::condition_variable writable_;
  std::deque<std::vector<uint8_t>> messages_;
};

std::vector<uint8_t> RequestRecord() {
  std::vector<uint8_t> record(kRecordBytes);
  for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(i);
  return record;
}

void BM_MsgQueueRoundTrip(benchmark::State& state) {
  ShellQueue queue;
  auto record = RequestRecord();
  uint8_t buffer[kRecordBytes];
  for (auto _ : state) benchmark::DoNotOptimize(queue.RoundTrip(record.data(), buffer));
}
BENCHMARK(BM_MsgQueueRoundTrip);

void BM_FloorRoundTrip(benchmark::State& state) {
  FloorQueue queue;
  auto record = RequestRecord();
  uint8_t buffer[kRecordBytes];
  for (auto _ : state) benchmark::DoNotOptimize(queue.RoundTrip(record.data(), buffer));
}
BENCHMARK(BM_FloorRoundTrip);

// Rounds that time a batch of each in turn, so that both see the same machine; the medians of
// the rounds and their ratios.
void BM_MsgQueueOverFloor(benchmark::State& state) {
  ShellQueue queue;
  FloorQueue floor;
  FloorQueue journaled_floor(&queue.handset.journal());
  auto record = RequestRecord();
  uint8_t buffer[kRecordBytes];
  auto through_queue = [&] { return queue.RoundTrip(record.data(), buffer); };
  auto through_floor = [&] { return floor.RoundTrip(record.data(), buffer); };
  auto through_journaled = [&] { return journaled_floor.RoundTrip(record.data(), buffer); };
  std::array<double, 3> ns{};
  for (auto _ : state)
    ns = bench::RoundMedians(31, 2000, through_queue, through_floor, through_journaled);
  bench::ReportAgainstFloors(state, "queue_ns", ns);
}
BENCHMARK(BM_MsgQueueOverFloor)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
