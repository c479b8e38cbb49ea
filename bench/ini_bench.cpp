// IniReadStringEx of a key in the last section of a profile file, against the floor (opening
// and reading the same file through cehost) and against inih and SimpleIni doing the same
// lookup on the same content; the cost per byte on a 1 MiB file; and a key added at the end and
// deleted again, against the same done in place.
#include <benchmark/benchmark.h>
#include <ini.h>

#include "paired_rounds.h"

// The content is plain ASCII: SimpleIni reads it as it is, without a converter.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ce/files.h"
#include "ce/kernel.h"
#include "cehost/text.h"
#include "frame/exports.h"
#include "sim/handset.h"

namespace {

constexpr const char16_t* kPath = u"\\Windows\\46000.ini";

// A profile file of sections of keys, as the handset's access point files look; the key looked
// up is the last key of the last section.
std::u16string ProfileText(int sections, int keys) {
  std::u16string text;
  for (int s = 0; s < sections; ++s) {
    if (s) text += u"\r\n";
    text += u"[Access point " + cehost::ToUtf16(std::to_string(s)) + u"]";
    for (int k = 0; k < keys; ++k) {
      text += u"\r\n  Key" + cehost::ToUtf16(std::to_string(k)) + u"=value of key " +
              cehost::ToUtf16(std::to_string(k)) + u" in section " +
              cehost::ToUtf16(std::to_string(s));
    }
  }
  return text;
}

struct Profile {
  Profile(int sections, int keys) {
    handset = std::make_unique<sim::Handset>();
    text = ProfileText(sections, keys);
    std::vector<unsigned char> bytes = {0xFF, 0xFE};
    for (char16_t c : text) {
      bytes.push_back(static_cast<unsigned char>(c));
      bytes.push_back(static_cast<unsigned char>(c >> 8));
    }
    handset->PutFile(kPath, bytes);
    // The peers read a UTF-8 copy whose keys start their lines: inih takes an indented line for
    // the previous value's continuation.
    std::string utf8 = cehost::ToUtf8(text);
    for (size_t at = 0; (at = utf8.find("\n  ", at)) != std::string::npos;) utf8.erase(at + 1, 2);
    utf8_path = (handset->home() / "profile-utf8.ini").string();
    std::ofstream(utf8_path, std::ios::binary) << utf8;
    section = u"Access point " + cehost::ToUtf16(std::to_string(sections - 1));
    key = u"Key" + cehost::ToUtf16(std::to_string(keys - 1));
    value =
        "value of key " + std::to_string(keys - 1) + " in section " + std::to_string(sections - 1);
    file_bytes = bytes.size();
  }
  std::unique_ptr<sim::Handset> handset;
  std::u16string text;
  std::string utf8_path;
  std::u16string section;
  std::u16string key;
  // The looked-up key's value, as a peer reading the UTF-8 copy must find it.
  std::string value;
  size_t file_bytes = 0;
};

void BM_IniReadString(benchmark::State& state) {
  Profile profile(8, 8);
  for (auto _ : state) {
    LPWSTR value = nullptr;
    benchmark::DoNotOptimize(
        IniReadStringEx(profile.section.c_str(), profile.key.c_str(), &value, kPath));
    delete[] value;
  }
}
BENCHMARK(BM_IniReadString);

void BM_FloorOpenReadClose(benchmark::State& state) {
  Profile profile(8, 8);
  std::vector<char> buffer(profile.file_bytes + 2);
  for (auto _ : state) {
    HANDLE file = CreateFileW(kPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD read = 0;
    ReadFile(file, buffer.data(), static_cast<DWORD>(profile.file_bytes), &read, nullptr);
    CloseHandle(file);
    benchmark::DoNotOptimize(read);
  }
}
BENCHMARK(BM_FloorOpenReadClose);

// The read of the last key of a profile file against its floor in the same rounds: the floor
// opens the same file through cehost, reads it whole into a buffer made beforehand and closes it.
// Arguments: sections, keys a section.
void BM_IniReadOverFloor(benchmark::State& state) {
  Profile profile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::vector<char> buffer(profile.file_bytes + 2);
  auto read = [&] {
    LPWSTR value = nullptr;
    BOOL found = IniReadStringEx(profile.section.c_str(), profile.key.c_str(), &value, kPath);
    delete[] value;
    return found;
  };
  auto floor = [&] {
    HANDLE file = CreateFileW(kPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    ReadFile(file, buffer.data(), static_cast<DWORD>(profile.file_bytes), &done, nullptr);
    CloseHandle(file);
    return done;
  };
  if (!read()) state.SkipWithError("the key is not found");
  // About 20 ms a batch whatever the file's size.
  int batch = std::max(2, static_cast<int>(20'000'000 / (profile.file_bytes * 4 + 20'000)));
  std::array<double, 2> ns{};
  for (auto _ : state) ns = bench::RoundMedians(21, batch, read, floor);
  state.counters["read_ns"] = ns[0];
  state.counters["floor_ns"] = ns[1];
  state.counters["x_floor"] = ns[0] / ns[1];
  state.counters["file_bytes"] = static_cast<double>(profile.file_bytes);
}
// 8 sections of 8 keys; about 1 MiB and 4 MiB in sections of 64 keys.
BENCHMARK(BM_IniReadOverFloor)
    ->Args({8, 8})
    ->Args({200, 64})
    ->Args({800, 64})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

struct InihLookup {
  const char* section;
  const char* key;
  std::string value;
};

int InihHandler(void* user, const char* section, const char* name, const char* value) {
  auto* lookup = static_cast<InihLookup*>(user);
  if (std::strcmp(section, lookup->section) == 0 && std::strcmp(name, lookup->key) == 0)
    lookup->value = value;
  return 1;
}

void BM_Inih(benchmark::State& state) {
  Profile profile(8, 8);
  std::string section = cehost::ToUtf8(profile.section);
  std::string key = cehost::ToUtf8(profile.key);
  auto lookup = [&] {
    InihLookup found{section.c_str(), key.c_str(), {}};
    ini_parse(profile.utf8_path.c_str(), InihHandler, &found);
    return found.value;
  };
  if (lookup() != profile.value) state.SkipWithError("inih does not find the key's value");
  for (auto _ : state) benchmark::DoNotOptimize(lookup());
}
BENCHMARK(BM_Inih);

void BM_SimpleIni(benchmark::State& state) {
  Profile profile(8, 8);
  std::string section = cehost::ToUtf8(profile.section);
  std::string key = cehost::ToUtf8(profile.key);
  auto lookup = [&] {
    CSimpleIniA ini;
    ini.LoadFile(profile.utf8_path.c_str());
    const char* found = ini.GetValue(section.c_str(), key.c_str());
    return std::string(found ? found : "");
  };
  if (lookup() != profile.value) state.SkipWithError("SimpleIni does not find the key's value");
  for (auto _ : state) benchmark::DoNotOptimize(lookup());
}
BENCHMARK(BM_SimpleIni);

// The last key of a file of about 1 MiB: the time per byte shows whether the search is linear.
void BM_IniReadStringLarge(benchmark::State& state) {
  Profile profile(static_cast<int>(state.range(0)), 64);
  for (auto _ : state) {
    LPWSTR value = nullptr;
    benchmark::DoNotOptimize(
        IniReadStringEx(profile.section.c_str(), profile.key.c_str(), &value, kPath));
    delete[] value;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * profile.file_bytes));
}
BENCHMARK(BM_IniReadStringLarge)->Arg(32)->Arg(128)->Arg(256);

// A key added at the end of the last section and deleted again: the writes a profile file sees
// most, each through a whole new file that takes the old one's name.
void BM_IniAddAndDeleteAtEnd(benchmark::State& state) {
  Profile profile(8, 8);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        IniWriteStringEx(profile.section.c_str(), u"Added", u"a new value", kPath));
    benchmark::DoNotOptimize(IniWriteStringEx(profile.section.c_str(), u"Added", nullptr, kPath));
  }
}
BENCHMARK(BM_IniAddAndDeleteAtEnd);

// The floor for the two writes above as they could be done in place, without any safety: the
// line written at the end of the open file, then cut off again.
void BM_FloorAppendInPlace(benchmark::State& state) {
  Profile profile(8, 8);
  const std::u16string line = u"\r\n  Added=a new value";
  for (auto _ : state) {
    for (int pass = 0; pass < 2; ++pass) {
      HANDLE file = CreateFileW(kPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      std::vector<char> buffer(profile.file_bytes + line.size() * 2);
      DWORD done = 0;
      ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &done, nullptr);
      if (pass == 0) {
        WriteFile(file, line.data(), static_cast<DWORD>(line.size() * 2), &done, nullptr);
      } else {
        SetFilePointer(file, static_cast<LONG>(profile.file_bytes), nullptr, FILE_BEGIN);
        SetEndOfFile(file);
      }
      CloseHandle(file);
    }
  }
}
BENCHMARK(BM_FloorAppendInPlace);

}  // namespace
