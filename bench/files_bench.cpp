// CreateFileW + ReadFile + CloseHandle of a small file against the host's open + read + close of
// the same file: the price of path resolution, share checks and the handle table.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ce/files.h"
#include "ce/kernel.h"
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

}  // namespace
