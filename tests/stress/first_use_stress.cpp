// Starts several m8sim processes at the same moment on a home that holds no handset yet, round
// after round, and counts the runs that fail and the handsets left incomplete. Every run must
// succeed and every round must leave one whole default handset holding every run's value.
//
// Usage: first_use_stress --m8sim PATH [--rounds N] [--processes P]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Options {
  std::string m8sim;
  int rounds = 10;
  int processes = 8;
};

struct Outcome {
  int code = -1;
  std::string output;
};

// Runs a program to its end, its standard output and error read together.
Outcome RunToEnd(const std::vector<std::string>& args) {
  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  Outcome outcome;
  char buffer[4096];
  for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;)
    outcome.output.append(buffer, static_cast<size_t>(got));
  close(out[0]);
  int status = 0;
  if (rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
    outcome.code = WEXITSTATUS(status);
  return outcome;
}

// Forks the processes, holds them at a gate until every one is ready, then lets them all run
// m8sim at once; the exit codes, and each one's standard error in err-N beside the home.
std::vector<int> RunAtOnce(const Options& options, const fs::path& dir, const fs::path& home) {
  int gate[2];
  if (pipe(gate) != 0) return {};
  std::vector<pid_t> children;
  for (int i = 0; i < options.processes; ++i) {
    pid_t pid = fork();
    if (pid == 0) {
      close(gate[1]);
      char byte;
      // Returns when the parent closes its end of the gate.
      while (read(gate[0], &byte, 1) > 0) {
      }
      int null = open("/dev/null", O_WRONLY);
      int err =
          open((dir / ("err-" + std::to_string(i))).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(null, 1);
      dup2(err, 2);
      std::string name = "V" + std::to_string(i);
      std::string value = std::to_string(i);
      execl(options.m8sim.c_str(), options.m8sim.c_str(), "--handset", home.c_str(), "reg", "set",
            "HKLM\\Software\\Stress", name.c_str(), "dword", value.c_str(), nullptr);
      _exit(127);
    }
    children.push_back(pid);
  }
  close(gate[0]);
  close(gate[1]);
  std::vector<int> codes;
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  }
  return codes;
}

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// What a round left behind that is wrong.
struct Faults {
  // The handset is not whole: a part or the factory registry is missing.
  std::vector<std::string> handset;
  // A run that succeeded but whose value is not in the registry.
  std::vector<std::string> lost;
  // Something beside the home that a run made and left.
  std::vector<std::string> left;
};

Faults Check(const Options& options, const fs::path& dir, const fs::path& home,
             const std::vector<int>& codes) {
  Faults faults;
  for (const char* part : {"handset.toml", "fs/Windows/46000.ini", "registry.db"})
    if (!fs::exists(home / part)) faults.handset.push_back(std::string("no ") + part);
  Outcome factory = RunToEnd({options.m8sim, "--handset", home.string(), "reg", "get",
                              "HKLM\\Software\\Razud\\Path", "UsrConnectNodePath"});
  if (factory.code != 0) faults.handset.push_back("no factory registry: " + factory.output);
  Outcome stress =
      RunToEnd({options.m8sim, "--handset", home.string(), "reg", "get", "HKLM\\Software\\Stress"});
  for (size_t i = 0; i < codes.size(); ++i) {
    std::string line = "\"V" + std::to_string(i) + "\" = dword " + std::to_string(i);
    if (codes[i] == 0 && stress.output.find(line) == std::string::npos)
      faults.lost.push_back("value V" + std::to_string(i) + " missing");
  }
  for (const auto& entry : fs::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    if (name != "home" && name.rfind("err-", 0) != 0) faults.left.push_back(name);
  }
  return faults;
}

bool ParseArgs(int argc, char** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--m8sim")
      options->m8sim = argv[i + 1];
    else if (flag == "--rounds")
      options->rounds = std::atoi(argv[i + 1]);
    else if (flag == "--processes")
      options->processes = std::atoi(argv[i + 1]);
    else
      return false;
  }
  return argc % 2 == 1 && !options->m8sim.empty() && options->rounds > 0 && options->processes > 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, &options)) {
    std::fprintf(stderr, "usage: first_use_stress --m8sim PATH [--rounds N] [--processes P]\n");
    return 2;
  }
  int failed_runs = 0;
  int broken_handsets = 0;
  int lost_values = 0;
  int left_behind = 0;
  for (int round = 1; round <= options.rounds; ++round) {
    std::string pattern = (fs::temp_directory_path() / "m8-first-use-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 2;
    fs::path dir = pattern;
    fs::path home = dir / "home";
    std::vector<int> codes = RunAtOnce(options, dir, home);
    for (size_t i = 0; i < codes.size(); ++i) {
      if (codes[i] == 0) continue;
      ++failed_runs;
      std::printf("round %d, process %zu: exit %d: %s\n", round, i, codes[i],
                  FirstLine(dir / ("err-" + std::to_string(i))).c_str());
    }
    Faults faults = Check(options, dir, home, codes);
    broken_handsets += faults.handset.empty() ? 0 : 1;
    lost_values += static_cast<int>(faults.lost.size());
    left_behind += static_cast<int>(faults.left.size());
    for (const auto& fault : faults.handset) std::printf("round %d: %s\n", round, fault.c_str());
    for (const auto& fault : faults.lost) std::printf("round %d: %s\n", round, fault.c_str());
    for (const auto& name : faults.left) std::printf("round %d: left %s\n", round, name.c_str());
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::printf(
      "%d rounds of %d processes: %d of %d runs failed; %d handsets not whole, %d values of "
      "successful runs lost, %d folders left beside the home\n",
      options.rounds, options.processes, failed_runs, options.rounds * options.processes,
      broken_handsets, lost_values, left_behind);
  return failed_runs + broken_handsets + lost_values + left_behind == 0 ? 0 : 1;
}
