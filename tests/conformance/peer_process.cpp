// The checks' second process: starting it and talking to it over two pipes, one line a command.
//   open ACCESS SHARE PATH   (access and share in hex, the path as ASCII) -> opened | failed CODE
//   close                                                                 -> closed | failed CODE
//   exit
#include "peer_process.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef _WIN32
#include "cehost/handset.h"
#endif

namespace conformance {

namespace {

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(value));
  return text;
}

std::string Failed() {
  return "failed " + std::to_string(GetLastError());
}

// The peer's side of "open": the handle joins those it holds.
std::string PeerOpen(const char* arguments, std::vector<HANDLE>* handles) {
  unsigned long access = 0, share = 0;
  int consumed = 0;
  if (std::sscanf(arguments, "%lx %lx %n", &access, &share, &consumed) != 2) return "failed bad";
  std::string path(arguments + consumed);
  WideString wide(path.begin(), path.end());
  HANDLE file = CreateFileW(wide.c_str(), static_cast<DWORD>(access), static_cast<DWORD>(share),
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failed();
  handles->push_back(file);
  return "opened";
}

}  // namespace

std::string PeerProcess::Open(const WideString& path, DWORD access, DWORD share) {
  std::string narrow;
  for (auto c : path) narrow += static_cast<char>(c);
  return Ask("open " + Hex(access) + " " + Hex(share) + " " + narrow);
}

std::string PeerProcess::Close() {
  return Ask("close");
}

int RunPeer(int argc, char** argv) {
#ifndef _WIN32
  // The peer works on the handset whose home the checks gave.
  if (argc < 3) return 2;
  cehost::MountOptions options;
  options.home = argv[2];
  options.registry_in_memory = true;
  cehost::MountHandset(options);
#else
  (void)argc;
  (void)argv;
#endif
  std::vector<HANDLE> handles;
  char line[1024];
  while (std::fgets(line, sizeof line, stdin)) {
    line[std::strcspn(line, "\r\n")] = 0;
    std::string answer;
    if (std::strncmp(line, "open ", 5) == 0) {
      answer = PeerOpen(line + 5, &handles);
    } else if (std::strcmp(line, "close") == 0) {
      answer = handles.empty() || !CloseHandle(handles.back()) ? Failed() : "closed";
      if (!handles.empty()) handles.pop_back();
    } else if (std::strcmp(line, "exit") == 0) {
      break;
    } else {
      answer = "failed bad";
    }
    std::fputs((answer + "\n").c_str(), stdout);
    std::fflush(stdout);
  }
  for (HANDLE file : handles) CloseHandle(file);
  return 0;
}

bool IsPeerCommand(int argc, char** argv) {
  return argc >= 2 && std::strcmp(argv[1], "--peer") == 0;
}

#ifdef _WIN32

PeerProcess::PeerProcess() {
  // The peer's ends of the pipes are inherited; ours are not.
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE peer_in = nullptr, peer_out = nullptr;
  if (!CreatePipe(&peer_in, &to_, &inherit, 0)) return;
  if (!CreatePipe(&from_, &peer_out, &inherit, 0)) {
    CloseHandle(peer_in);
    return;
  }
  SetHandleInformation(to_, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(from_, HANDLE_FLAG_INHERIT, 0);
  WCHAR program[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(program, length) + L"\" --peer";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = peer_in;
  startup.hStdOutput = peer_out;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  started_ = length > 0 && length < MAX_PATH &&
             CreateProcessW(program, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &process);
  CloseHandle(peer_in);
  CloseHandle(peer_out);
  if (!started_) return;
  CloseHandle(process.hThread);
  process_ = process.hProcess;
}

PeerProcess::~PeerProcess() {
  if (started_) {
    Ask("exit");
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
  }
  if (to_) CloseHandle(to_);
  if (from_) CloseHandle(from_);
}

std::string PeerProcess::Ask(const std::string& line) {
  std::string text = line + "\n";
  DWORD written = 0;
  if (!started_ || !WriteFile(to_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
    return "<no answer>";
  std::string answer;
  char c;
  DWORD got = 0;
  while (ReadFile(from_, &c, 1, &got, nullptr) && got == 1 && c != '\n') {
    if (c != '\r') answer += c;
  }
  return got == 1 ? answer : "<no answer>";
}

#else

// The peer is this program again, on the handset whose home it is given.
PeerProcess::PeerProcess() : child_({"/proc/self/exe", "--peer", cehost::CurrentHome().string()}) {
  started_ = child_.running();
}

PeerProcess::~PeerProcess() {
  if (started_) Ask("exit");
}

std::string PeerProcess::Ask(const std::string& line) {
  return child_.Ask(line);
}

#endif

}  // namespace conformance
