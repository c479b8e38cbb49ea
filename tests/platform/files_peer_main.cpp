// files_peer: a second process on a handset, for the file tests. It mounts the handset whose home
// is its argument and answers one command a line on standard input with one line on standard
// output, so that a test sequences both processes step by step:
//   open ID PATH ACCESS SHARE DISPOSITION   (access and share in hex)  -> ok | error CODE
//   close ID                                                         -> ok | error CODE
//   read ID                                  (from the start)        -> data TEXT
//   delete PATH | move FROM TO | replace DEST SOURCE | copy FROM TO  -> ok | error CODE
//   increment PATH COUNT THREADS   (COUNT rewrites on each of THREADS threads) -> ok | error CODE
//   attributes PATH BITS   (SetFileAttributesW, bits in hex)           -> ok | error CODE
//   get PATH               (GetFileAttributesW)              -> attributes 0xBITS | error CODE
//   create PATH BITS       (a new file with the bits, then closed)     -> ok | error CODE
//   mark PREFIX COUNT      (files PREFIX0.. set HIDDEN, then HIDDEN|SYSTEM) -> ok | error CODE
//   limit-file-size BYTES  (no host file of this process grows past BYTES) -> ok
//   exit
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ce/files.h"
#include "ce/kernel.h"
#include "cehost/handset.h"
#include "cehost/text.h"

namespace {

std::u16string Wide(const std::string& text) {
  return cehost::ToUtf16(text);
}

std::string Result(BOOL ok) {
  return ok ? "ok" : "error " + std::to_string(GetLastError());
}

// The whole content of an open file, from its start.
std::string ReadAll(HANDLE file) {
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  std::string text;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

// One rewrite of a counter file the way the INI engine rewrites a file: the old file held for
// reading and writing (shared for reading and deletion only) while the new one is written beside
// it and put in its place. A sharing violation means another writer holds the file: try again.
bool IncrementOnce(const std::u16string& path, const std::u16string& temporary) {
  for (long tries = 0; tries < 10000000; ++tries) {
    HANDLE old =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (old == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_SHARING_VIOLATION) continue;
      return false;
    }
    std::string next = std::to_string(std::stol("0" + ReadAll(old)) + 1);
    HANDLE fresh =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    DWORD written = 0;
    bool ok = fresh != INVALID_HANDLE_VALUE &&
              WriteFile(fresh, next.data(), static_cast<DWORD>(next.size()), &written, nullptr);
    if (fresh != INVALID_HANDLE_VALUE) CloseHandle(fresh);
    ok = ok && DeleteAndRenameFile(path.c_str(), temporary.c_str());
    CloseHandle(old);
    return ok;
  }
  return false;
}

// Sets HIDDEN, then HIDDEN and SYSTEM, on each of the files prefix0 to prefix<count - 1>.
std::string Mark(const std::string& prefix, int count) {
  for (int i = 0; i < count; ++i) {
    std::u16string path = Wide(prefix + std::to_string(i));
    for (DWORD bits : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}) {
      if (!SetFileAttributesW(path.c_str(), bits)) return Result(FALSE);
    }
  }
  return "ok";
}

std::string Increment(const std::string& path, int count, int threads) {
  std::vector<std::thread> workers;
  std::vector<char> ok(static_cast<size_t>(threads), 1);
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      std::u16string temporary =
          Wide(path + "." + std::to_string(getpid()) + "." + std::to_string(t));
      for (int i = 0; i < count && ok[static_cast<size_t>(t)]; ++i)
        ok[static_cast<size_t>(t)] = IncrementOnce(Wide(path), temporary);
    });
  }
  for (auto& worker : workers) worker.join();
  for (char each : ok) {
    if (!each) return "error increment";
  }
  return "ok";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s HANDSET_HOME\n", argv[0]);
    return 2;
  }
  cehost::MountOptions options;
  options.home = argv[1];
  options.registry_in_memory = true;
  cehost::MountHandset(options);
  std::map<std::string, HANDLE> handles;
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string command, a, b;
    in >> command;
    std::string reply = "error bad-command";
    if (command == "open") {
      std::string id, path;
      DWORD access = 0, share = 0, disposition = 0;
      in >> id >> path >> std::hex >> access >> share >> std::dec >> disposition;
      HANDLE file =
          CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition, 0, nullptr);
      reply = Result(file != INVALID_HANDLE_VALUE);
      if (file != INVALID_HANDLE_VALUE) handles[id] = file;
    } else if (command == "close") {
      in >> a;
      reply = Result(handles.count(a) && CloseHandle(handles[a]));
      handles.erase(a);
    } else if (command == "read") {
      in >> a;
      reply = "data " + (handles.count(a) ? ReadAll(handles[a]) : std::string());
    } else if (command == "delete") {
      in >> a;
      reply = Result(DeleteFileW(Wide(a).c_str()));
    } else if (command == "move") {
      in >> a >> b;
      reply = Result(MoveFileW(Wide(a).c_str(), Wide(b).c_str()));
    } else if (command == "replace") {
      in >> a >> b;
      reply = Result(DeleteAndRenameFile(Wide(a).c_str(), Wide(b).c_str()));
    } else if (command == "copy") {
      in >> a >> b;
      reply = Result(CopyFileW(Wide(a).c_str(), Wide(b).c_str(), TRUE));
    } else if (command == "attributes") {
      DWORD bits = 0;
      in >> a >> std::hex >> bits;
      reply = Result(SetFileAttributesW(Wide(a).c_str(), bits));
    } else if (command == "get") {
      in >> a;
      DWORD bits = GetFileAttributesW(Wide(a).c_str());
      char text[32];
      std::snprintf(text, sizeof text, "attributes 0x%08x", bits);
      reply = bits == INVALID_FILE_ATTRIBUTES ? Result(FALSE) : text;
    } else if (command == "create") {
      DWORD bits = 0;
      in >> a >> std::hex >> bits;
      HANDLE file =
          CreateFileW(Wide(a).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, bits, nullptr);
      reply = Result(file != INVALID_HANDLE_VALUE);
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    } else if (command == "mark") {
      int count = 0;
      in >> a >> count;
      reply = Mark(a, count);
    } else if (command == "limit-file-size") {
      rlim_t bytes = 0;
      in >> bytes;
      // A write past the limit then fails with EFBIG instead of ending the process.
      signal(SIGXFSZ, SIG_IGN);
      struct rlimit limit = {bytes, bytes};
      reply = setrlimit(RLIMIT_FSIZE, &limit) == 0 ? "ok" : "error setrlimit";
    } else if (command == "increment") {
      int count = 0, threads = 0;
      in >> a >> count >> threads;
      reply = Increment(a, count, threads);
    } else if (command == "exit") {
      break;
    }
    std::cout << reply << std::endl;
  }
  for (auto& [id, file] : handles) CloseHandle(file);
  return 0;
}
