// Kills on a running handset: application programs killed while they hold devices, queue ends
// and events, and while the server waits for them (every other program keeps working, and once
// all are gone the server holds no more handles than before they came); and the server killed
// while four programs call it (every call is answered, done or failed, within its bound; a new
// server starts on the next call and holds the value the last reported set left).
//
// Usage: server_kill_stress --app PATH --server PATH [--rounds N]
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cehost/server.h"
#include "pipe_child.h"
#include "sim/default_handset.h"
#include "temp_dir.h"

namespace {

// Longer than any call takes, even under a sanitizer: an answer later than this is a hang.
constexpr int kAnswerMs = 20000;

struct Options {
  std::string app;
  std::string server;
  int rounds = 20;
};

int g_faults = 0;

void Fault(const std::string& what) {
  std::fprintf(stderr, "fault: %s\n", what.c_str());
  ++g_faults;
}

std::string Ask(PipeChild& app, const std::string& line) {
  return app.Send(line) ? app.ReadLine(kAnswerMs) : "<no answer>";
}

// Polls the server until it says what is waited for, for a bounded time.
template <class Holds>
std::optional<cehost::ServerInfo> Await(const std::filesystem::path& home, Holds holds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerMs);
  while (std::chrono::steady_clock::now() < deadline) {
    auto info = cehost::QueryServer(home);
    if (holds(info)) return info;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return std::nullopt;
}

// Three programs a round take devices, queue ends and events; one of them is killed, part of the
// time while the server waits on its behalf; the others must go on as if nothing happened.
void KillPrograms(const Options& options, const std::filesystem::path& home) {
  std::string error;
  if (!cehost::StartServer(home, true, &error)) return Fault("no server: " + error);
  uint32_t baseline = cehost::QueryServer(home).value_or(cehost::ServerInfo{}).open_handles;
  for (int round = 0; round < options.rounds; ++round) {
    std::vector<std::unique_ptr<PipeChild>> apps;
    for (int i = 0; i < 3; ++i) {
      apps.push_back(std::make_unique<PipeChild>(std::vector<std::string>{options.app}));
      PipeChild& app = *apps.back();
      if (Ask(app, "open ACC0:") != "ok") Fault("open ACC0: in round " + std::to_string(round));
      if (Ask(app, "queue write Stress" + std::to_string(i) + " x") != "1 0")
        Fault("queue write in round " + std::to_string(round));
      Ask(app, "event set Stress");
    }
    PipeChild& doomed = *apps[round % 3];
    if (round % 2) doomed.Send("event wait Never 60000");
    doomed.Kill();
    for (int i = 0; i < 3; ++i) {
      if (apps[i].get() == &doomed) continue;
      std::string answer = Ask(*apps[i], "control");
      if (answer != "1 0 3") Fault("a living program's control gave " + answer);
    }
    apps.clear();
  }
  auto idle = Await(home, [](const auto& info) { return info && info->programs.empty(); });
  if (!idle) return Fault("programs still attached after every one ended");
  auto settled =
      Await(home, [baseline](const auto& info) { return info && info->open_handles == baseline; });
  uint32_t left = cehost::QueryServer(home).value_or(cehost::ServerInfo{}).open_handles;
  std::printf("programs killed: %d; server handles before %u, after %u (leaked %d)\n",
              options.rounds, baseline, left, static_cast<int>(left) - static_cast<int>(baseline));
  if (!settled) Fault("the server holds handles the ended programs left");
  cehost::StopServer(home);
}

// Four programs call the server, one of them setting the backlight to a new level each call,
// while the server is killed; each call must be answered, and after the kill the level must be
// the last one a set reported done.
void KillServer(const Options& options, const std::filesystem::path& home) {
  int restarts = 0, failed_calls = 0;
  for (int round = 0; round < options.rounds; ++round) {
    std::vector<std::unique_ptr<PipeChild>> apps;
    for (int i = 0; i < 4; ++i)
      apps.push_back(std::make_unique<PipeChild>(std::vector<std::string>{options.app}));
    if (Ask(*apps[0], "backlight set 1") != "1 0") Fault("first set failed");
    auto info = cehost::QueryServer(home);
    if (!info) {
      Fault("no server after a call");
      continue;
    }
    // Program 0 sets a new level each call until one fails (the server it reached died): that
    // set may or may not have been made, every earlier one was.
    int last_done = 1, failed_at = -1;
    std::vector<std::thread> callers;
    for (int i = 0; i < 4; ++i) {
      callers.emplace_back([&, i] {
        for (int call = 2; call < 40; ++call) {
          std::string answer = i == 0 ? Ask(*apps[i], "backlight set " + std::to_string(call))
                                      : Ask(*apps[i], "backlight get");
          if (answer == "<no answer>") return Fault("a call was not answered");
          if (i != 0) continue;
          if (answer != "1 0") {
            failed_at = call;
            return;
          }
          last_done = call;
        }
      });
    }
    // The kill lands somewhere among the calls.
    std::this_thread::sleep_for(std::chrono::milliseconds(round % 5));
    kill(info->pid, SIGKILL);
    for (auto& caller : callers) caller.join();
    failed_calls += failed_at > 0;
    std::string level = Ask(*apps[1], "backlight get");
    auto now = cehost::QueryServer(home);
    if (!now || now->pid == info->pid)
      Fault("no new server after the kill");
    else
      ++restarts;
    if (level != "1 " + std::to_string(last_done) && level != "1 " + std::to_string(failed_at))
      Fault("level after the restart " + level + ", last set done " + std::to_string(last_done));
  }
  std::printf("server killed: %d times, %d new servers; sets cut short by the kill: %d\n",
              options.rounds, restarts, failed_calls);
  cehost::StopServer(home);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--app")
      options.app = argv[i + 1];
    else if (flag == "--server")
      options.server = argv[i + 1];
    else if (flag == "--rounds")
      options.rounds = std::atoi(argv[i + 1]);
  }
  if (options.app.empty() || options.server.empty() || options.rounds <= 0) {
    std::fprintf(stderr, "usage: server_kill_stress --app PATH --server PATH [--rounds N]\n");
    return 2;
  }
  TempDir dir;
  sim::EnsureHandset(dir.home());
  setenv("M8_HANDSET", dir.home().c_str(), 1);
  setenv("M8_HANDSET_SERVER", options.server.c_str(), 1);
  KillPrograms(options, dir.home());
  KillServer(options, dir.home());
  std::printf("%s: %d faults\n", g_faults ? "FAILED" : "passed", g_faults);
  return g_faults ? 1 : 0;
}
