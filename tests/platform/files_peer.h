// A second process on the test's handset (the files_peer program), driven one command at a time
// through pipes, so that steps of two processes happen in an order the test sets.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

class Peer {
 public:
  // Starts files_peer on the handset at home.
  explicit Peer(const std::filesystem::path& home) {
    int to_peer[2], from_peer[2];
    if (pipe2(to_peer, O_CLOEXEC) != 0 || pipe2(from_peer, O_CLOEXEC) != 0)
      throw std::runtime_error("pipe");
    std::string program = FILES_PEER;
    std::string home_text = home.string();
    char* argv[] = {program.data(), home_text.data(), nullptr};
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      // Only calls that are safe between fork and exec.
      dup2(to_peer[0], 0);
      dup2(from_peer[1], 1);
      execv(argv[0], argv);
      _exit(127);
    }
    close(to_peer[0]);
    close(from_peer[1]);
    to_ = fdopen(to_peer[1], "w");
    from_ = fdopen(from_peer[0], "r");
  }
  ~Peer() {
    if (pid_ > 0) {
      std::fputs("exit\n", to_);
      std::fflush(to_);
      waitpid(pid_, nullptr, 0);
    }
    std::fclose(to_);
    std::fclose(from_);
  }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  // Sends one command and waits for its answer line (without the line end).
  std::string Ask(const std::string& command) {
    Send(command);
    return Answer();
  }
  // Sends one command without waiting; Answer() reads its answer later.
  void Send(const std::string& command) {
    std::fputs((command + "\n").c_str(), to_);
    std::fflush(to_);
  }
  // The answer to the oldest command not answered yet.
  std::string Answer() {
    char line[4096];
    if (!std::fgets(line, sizeof line, from_)) return "<no answer>";
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
  // Ends the process at once, as kill -9 does, and waits until it is gone.
  void Kill() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  FILE* to_ = nullptr;
  FILE* from_ = nullptr;
};
