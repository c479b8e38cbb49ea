#include "server/server_start.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace cehost {

namespace {

// How long a new server may take to boot the handset and listen.
constexpr int kStartMs = 10000;
// The descriptor the server tells on that it is ready.
constexpr int kReadyFd = 3;

std::filesystem::path ServerProgram() {
  const char* named = std::getenv("M8_HANDSET_SERVER");
  if (named && *named) return named;
  // The program lives in the m8api folder beside the platform library, installed or built.
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ServerProgram), &info) && info.dli_fname)
    return std::filesystem::path(info.dli_fname).parent_path() / "m8api" / "m8-handset-server";
  return "m8-handset-server";
}

// Reads the server's one-byte answer from the pipe, waiting at most kStartMs.
char ReadAnswer(int fd) {
  pollfd pfd{fd, POLLIN, 0};
  int ready;
  do ready = poll(&pfd, 1, kStartMs);
  while (ready < 0 && errno == EINTR);
  char answer = 0;
  if (ready == 1 && read(fd, &answer, 1) != 1) answer = 0;
  return answer;
}

}  // namespace

std::filesystem::path ServerSocket(const std::filesystem::path& home) {
  return home / "handset.sock";
}

std::filesystem::path ServerLockFile(const std::filesystem::path& home) {
  return home / "server.lock";
}

bool ServerAddress(const std::filesystem::path& home, sockaddr_un* address, int* folder_fd) {
  *folder_fd = -1;
  *address = sockaddr_un{};
  address->sun_family = AF_UNIX;
  std::string path = ServerSocket(home).string();
  if (path.size() >= sizeof(address->sun_path)) {
    *folder_fd = open(home.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (*folder_fd < 0) return false;
    path = "/proc/self/fd/" + std::to_string(*folder_fd) + "/handset.sock";
  }
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool StartServerProcess(const std::filesystem::path& home, bool persistent, std::string* error) {
  std::filesystem::path program = ServerProgram();
  if (access(program.c_str(), X_OK) != 0) {
    *error = "cannot run the handset server " + program.string();
    return false;
  }
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(home, ec);
  if (ec) absolute = home;
  // Everything the child uses is made before it is forked: a fork of a program with threads may
  // only make async-signal-safe calls.
  std::vector<std::string> words = {program.string(), "--home", absolute.string(), "--ready-fd",
                                    std::to_string(kReadyFd)};
  if (persistent) words.push_back("--persistent");
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    *error = "cannot make a pipe to the handset server";
    return false;
  }
  pid_t child = fork();
  if (child == 0) {
    // The child starts a session of its own and forks the server, which init then adopts: the
    // caller never has to wait for it, and its terminal's signals do not reach it.
    setsid();
    if (fork() != 0) _exit(0);
    // Out of the way of the descriptors set up next, whichever numbers the pipe was given.
    int ready = fcntl(pipe_fds[1], F_DUPFD, 10);
    int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    dup2(null_fd, 2);
    dup2(ready, kReadyFd);
    closefrom(kReadyFd + 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  if (child < 0) {
    close(pipe_fds[0]);
    *error = "cannot start the handset server";
    return false;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  char answer = ReadAnswer(pipe_fds[0]);
  close(pipe_fds[0]);
  // 'R': it listens; 'B': another server holds the home.
  if (answer == 'R' || answer == 'B') return true;
  *error = "the handset server for " + home.string() + " did not start";
  return false;
}

}  // namespace cehost
