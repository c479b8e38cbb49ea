// A program started with its standard input and output on pipes and spoken to one line at a
// time, so that a test sets the order of its own steps and the other process's.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

class PipeChild {
 public:
  // Starts the program arguments[0] with the rest as its arguments; running() says whether it did.
  explicit PipeChild(std::vector<std::string> arguments) {
    // A child that is gone makes writes to it fail rather than end the test.
    signal(SIGPIPE, SIG_IGN);
    int to_child[2], from_child[2];
    if (pipe2(to_child, O_CLOEXEC) != 0) return;
    if (pipe2(from_child, O_CLOEXEC) != 0) {
      close(to_child[0]);
      close(to_child[1]);
      return;
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      // Only calls that are safe between fork and exec.
      dup2(to_child[0], 0);
      dup2(from_child[1], 1);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(to_child[0]);
    close(from_child[1]);
    to_ = to_child[1];
    from_ = from_child[0];
  }
  // Closes the child's input and waits until it has ended.
  ~PipeChild() {
    if (to_ >= 0) close(to_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
    if (from_ >= 0) close(from_);
  }
  PipeChild(const PipeChild&) = delete;
  PipeChild& operator=(const PipeChild&) = delete;

  bool running() const { return pid_ > 0; }
  // The child's process identifier.
  pid_t pid() const { return pid_; }

  // Sends one line without waiting; false when the child cannot take it.
  bool Send(const std::string& line) {
    std::string text = line + "\n";
    return running() && write(to_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  }
  // The next line the child writes, without its end; "<no answer>" when it ends first, or when
  // it goes timeout_ms without writing (-1: no limit).
  std::string ReadLine(int timeout_ms = -1) {
    std::string line;
    char c;
    for (;;) {
      pollfd pfd{from_, POLLIN, 0};
      if (poll(&pfd, 1, timeout_ms) != 1 || read(from_, &c, 1) != 1) return "<no answer>";
      if (c == '\n') return line;
      line += c;
    }
  }
  // Sends one line and returns the child's answer line.
  std::string Ask(const std::string& line) { return Send(line) ? ReadLine() : "<no answer>"; }
  // Ends the child at once, as kill -9 does, and waits until it is gone.
  void Kill() {
    if (!running()) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
};
