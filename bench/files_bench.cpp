// CreateFileW + ReadFile + CloseHandle of a small file against the host's open + read + close of
// the same file: the price of path resolution, share checks and the handle table. And a search
// for one name in a folder of 100,000 files, spelled in another case against its stored case.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ce/files.h"
#include "ce/kernel.h"
#include "paired_rounds.h"
#include "sim/handset.h"

namespace {

const std::vector<unsigned char> kSmallFile(512, 'x');

void ReadThroughHandle(benchmark::State& state, const char16_t* path) {
  char buffer[1024];
  for (auto _ : state) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(file);
    benchmark::DoNotOptimize(got);
  }
}

void BM_CreateFileReadClose(benchmark::State& state) {
  sim::Handset handset;
  handset.PutFile(u"\\Windows\\bench.ini", kSmallFile);
  ReadThroughHandle(state, u"\\Windows\\bench.ini");
}
BENCHMARK(BM_CreateFileReadClose);

// The name spelled in another case, in a folder of 1000 files: the look-up has to scan it.
void BM_CreateFileReadCloseOtherCase(benchmark::State& state) {
  sim::Handset handset;
  for (int i = 0; i < 1000; ++i) {
    std::u16string name = u"\\Windows\\file" + std::u16string(1, u'a' + i % 26) +
                          std::u16string(1, u'a' + i / 26 % 26) + u".dat";
    handset.PutFile(name, {});
  }
  handset.PutFile(u"\\Windows\\bench.ini", kSmallFile);
  ReadThroughHandle(state, u"\\WINDOWS\\BENCH.INI");
}
BENCHMARK(BM_CreateFileReadCloseOtherCase);

void BM_PosixOpenReadClose(benchmark::State& state) {
  sim::Handset handset;
  handset.PutFile(u"\\Windows\\bench.ini", kSmallFile);
  std::string path = handset.HostPath(u"\\Windows\\bench.ini").string();
  char buffer[1024];
  for (auto _ : state) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ssize_t got = read(fd, buffer, sizeof buffer);
    close(fd);
    benchmark::DoNotOptimize(got);
  }
}
BENCHMARK(BM_PosixOpenReadClose);

// FindFirstFileW + FindClose of one name: true when it was found.
bool FindOnce(const char16_t* path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(path, &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

// A folder of 100,000 empty files, "file000000.dat" up, made directly on the host (the platform's
// calls would only make it slower to set up).
void MakeBigFolder(const sim::Handset& handset, const char16_t* folder) {
  std::filesystem::path host = handset.HostPath(folder);
  std::filesystem::create_directories(host);
  char name[32];
  for (int i = 0; i < 100000; ++i) {
    std::snprintf(name, sizeof name, "file%06d.dat", i);
    int fd = ::open((host / name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) ::close(fd);
  }
}

// A name in another case against the same name in its own case, and a name the folder does not
// hold, in a folder of 100,000 files; "x_floor" is the ratio of the first two. Rounds alternate
// them; a round's batch is sized so that the slowest call's batch takes about 2 ms.
void BM_FindOtherCaseOverOwnCase(benchmark::State& state) {
  sim::Handset handset;
  MakeBigFolder(handset, u"\\Big");
  auto other_case = [] { return FindOnce(u"\\BIG\\FILE050000.DAT"); };
  auto own_case = [] { return FindOnce(u"\\Big\\file050000.dat"); };
  auto missing = [] { return FindOnce(u"\\Big\\nothing.dat"); };
  if (!other_case() || !own_case() || missing()) {
    state.SkipWithError("the folder does not answer as expected");
    return;
  }
  std::array<double, 3> ns{};
  for (auto _ : state) {
    double slowest =
        std::max({bench::BatchNanoseconds(other_case, 1), bench::BatchNanoseconds(own_case, 1),
                  bench::BatchNanoseconds(missing, 1)});
    int batch = std::clamp(static_cast<int>(2e6 / slowest), 2, 2000);
    ns = bench::RoundMedians(21, batch, other_case, own_case, missing);
  }
  state.counters["other_case_ns"] = ns[0];
  state.counters["own_case_ns"] = ns[1];
  state.counters["missing_ns"] = ns[2];
  state.counters["x_floor"] = ns[0] / ns[1];
}
BENCHMARK(BM_FindOtherCaseOverOwnCase)->Iterations(1)->Unit(benchmark::kMillisecond);

// A new file made and deleted in a folder of 100,000 files: each call changes the folder, so the
// look-up of the new name reads it.
void BM_CreateDeleteInBigFolder(benchmark::State& state) {
  sim::Handset handset;
  MakeBigFolder(handset, u"\\Big");
  for (auto _ : state) {
    HANDLE file = CreateFileW(u"\\Big\\new.dat", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(file);
    benchmark::DoNotOptimize(DeleteFileW(u"\\Big\\new.dat"));
  }
}
BENCHMARK(BM_CreateDeleteInBigFolder)->Unit(benchmark::kMillisecond);

}  // namespace
