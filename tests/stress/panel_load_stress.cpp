// The panel under load for --seconds N (60 by default), on a handset home of its own: three
// clients send the page's requests mixed with hostile ones, a fourth opens and closes event
// streams; once, a hundred streams are held while the handset is read. Every request must be
// answered as the panel documents, and the open descriptors and memory must not grow from the end
// of the warm-up (a fifth of the time) to the end. Prints its figures; exits 1 on any failure.
#include <httplib.h>
#include <malloc.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "panel/panel_server.h"
#include "panel/served_home.h"
#include "raw_http.h"
#include "sim/journal_file.h"
#include "temp_dir.h"
#include "under_sanitizer.h"

namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

int port = 0;
std::vector<std::string> shell_events;
std::atomic<bool> running{false};
std::atomic<long> page_requests{0}, hostile_requests{0}, streams_opened{0};

// The failures: how many, and the first few.
std::mutex failures_mutex;
std::vector<std::string> failures;
long failure_count = 0;
void Fail(const std::string& what) {
  std::lock_guard lock(failures_mutex);
  if (++failure_count <= 10) failures.push_back(what.substr(0, 300));
}

void Expect(const std::string& what, const httplib::Result& result, int status) {
  if (!result || result->status != status)
    Fail(what + ": " +
         (result ? std::to_string(result->status) + " " + result->body
                 : "no answer (" + httplib::to_string(result.error()) + ")"));
}

// One of the page's requests, chosen by pick; journal is the revision the journal was read to.
void PageRequest(httplib::Client& http, unsigned pick, uint64_t& journal) {
  const std::string snapshot = "load" + std::to_string(pick % 3);
  const std::pair<std::string, json> posts[] = {
      {"/api/call", {{"export", "SetBackLightLevelEx"}, {"args", {pick % 256}}}},
      {"/api/call", {{"export", "GetBackLightLevelEx"}, {"args", {"out"}}}},
      {"/api/call",
       {{"export", "IniWriteStringEx"},
        {"args",
         {"Load", "K" + std::to_string(pick % 10), std::to_string(pick), "\\Disk\\load.ini"}}}},
      {"/api/device", {{"device", "BKL1:"}, {"set", {{"level", pick % 256}}}}},
      {"/api/shell", {{"event", shell_events[pick % shell_events.size()]}}},
      {"/api/snapshot", {{"name", snapshot}}},
      {"/api/diff", {{"name", snapshot}}}};
  const char* gets[] = {"/api/state", "/api/exports", "/api/snapshots"};
  if (pick % 11 >= 4) {
    const auto& [path, body] = posts[pick % 11 - 4];
    Expect(path + " " + body.dump(), http.Post(path, body.dump(), "application/json"), 200);
  } else if (pick % 11 == 3) {  // Mostly what came since the last look, at times everything kept.
    auto got = http.Get("/api/journal?after=" + std::to_string(pick % 7 ? journal : 0));
    Expect("/api/journal", got, 200);
    if (got && got->status == 200) journal = json::parse(got->body)["revision"].get<uint64_t>();
  } else {
    auto got = http.Get(gets[pick % 11]);
    Expect(gets[pick % 11], got, 200);
    // A view the panel could not take says why instead of showing the handset.
    if (pick % 11 == 0 && got && got->status == 200 &&
        json::parse(got->body)["view"].contains("error"))
      Fail("/api/state: " + got->body);
  }
  ++page_requests;
}

// One request no page sends, chosen by pick: each is refused before it reaches the handset.
void HostileRequest(httplib::Client& http, unsigned pick) {
  const std::string call = R"({"export":"SetBackLightLevelEx","args":)";
  const std::string head = "POST /api/call HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                           "\r\nContent-Type: application/json\r\n";
  std::string args = "1";
  for (int i = 1; i < 200; ++i) args += ",1";
  const std::pair<std::string, std::string> refused[] = {
      {"/api/call", call + std::string(100000, '[') + std::string(100000, ']') + "}"},
      {"/api/call", call + "[" + args + "]}"},
      {"/api/call", R"({"export":"IniWriteStringEx","args":["S","K",")" + std::string(5000, 'v') +
                        R"(","\\Disk\\load.ini"]})"},
      {"/api/device", R"({"device":"BKL1:","set":{"--handset":"/tmp"}})"}};
  if (pick % 6 < 4) {
    const auto& [path, body] = refused[pick % 6];
    Expect(path + " " + body.substr(0, 60), http.Post(path, body, "application/json"), 400);
  } else if (pick % 6 == 4) {  // A length of 10^12 and no body: refused unread, or closed.
    if (std::string answer = AnswerTo(port, head + "Content-Length: 1000000000000\r\n\r\n");
        !answer.empty() && StatusOf(answer) != 413)
      Fail("a length of 10^12: " + answer);
  } else if (std::string answer = AnswerTo(port, head + "Transfer-Encoding: chunked\r\n\r\n2b\r\n" +
                                                     call + "[1]}\r\n0\r\n\r\n");
             StatusOf(answer) != 411) {
    Fail("a body in chunks: " + answer);
  }
  ++hostile_requests;
}

// Sends the page's requests, one in five hostile, while running.
void PageClient(unsigned seed) {
  std::mt19937 random(seed);
  httplib::Client http("127.0.0.1", port);
  http.set_read_timeout(30, 0);
  uint64_t journal = 0;
  while (running) {
    const unsigned pick = random();
    try {
      pick % 5 ? PageRequest(http, pick / 5, journal) : HostileRequest(http, pick / 5);
    } catch (const std::exception& e) {
      Fail(std::string("a client: ") + e.what());
    }
  }
}

// Closes a connection with a reset, as a page that is closed does: the panel learns of it at its
// next write.
void Abandon(int sock) {
  linger now{1, 0};
  setsockopt(sock, SOL_SOCKET, SO_LINGER, &now, sizeof now);
  close(sock);
}

// Holds up to 20 event streams while running, opening and closing them at random and reading what
// they carry; a stream the panel ends while it is open is a fault.
void StreamClient(unsigned seed) {
  std::mt19937 random(seed);
  std::vector<int> open;
  while (running) {
    if (open.size() < 20 && random() % 2 == 0) {
      const int sock = OpenEventStream(port);
      if (sock < 0) Fail("an event stream was not opened");
      if (sock >= 0) open.push_back(sock), ++streams_opened;
    } else if (!open.empty()) {
      const auto chosen = open.begin() + random() % open.size();
      Abandon(*chosen);
      open.erase(chosen);
    }
    std::vector<pollfd> polled;
    for (int sock : open) polled.push_back({sock, POLLIN, 0});
    if (poll(polled.data(), polled.size(), 20) <= 0) continue;
    for (const pollfd& one : polled) {
      char buffer[65536];
      const ssize_t got = one.revents ? recv(one.fd, buffer, sizeof buffer, MSG_DONTWAIT) : 1;
      if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
        Fail("an open event stream ended");
        Abandon(one.fd);
        std::erase(open, one.fd);
      }
    }
  }
  for (int sock : open) Abandon(sock);
}

// Runs the clients for length, then stops them.
void RunClients(Clock::duration length, unsigned seed) {
  running = true;
  std::vector<std::thread> clients;
  for (unsigned i = 0; i < 3; ++i) clients.emplace_back(PageClient, seed + i);
  clients.emplace_back(StreamClient, seed + 3);
  std::this_thread::sleep_for(length);
  running = false;
  for (auto& client : clients) client.join();
}

// Opens a hundred event streams, reads the handset beside them (in less than 100 ms) and closes
// them; the milliseconds the reading took.
double HundredStreams(httplib::Client& http) {
  std::vector<int> open;
  for (int sock; open.size() < 100; open.push_back(sock)) {
    if ((sock = OpenEventStream(port)) < 0) {
      Fail("event stream " + std::to_string(open.size()) + " of 100 was not opened");
      break;
    }
  }
  const auto asked = Clock::now();
  auto state = http.Get("/api/state");
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - asked).count();
  Expect("/api/state beside 100 streams", state, 200);
  // The time is a figure to print, not a verdict: on a loaded machine any bound on it fails by
  // chance. Only an answer that waits on the streams (a hang) is a fault.
  if (ms >= 5000) Fail("/api/state took " + std::to_string(ms) + " ms beside 100 streams");
  for (int sock : open) Abandon(sock);
  return ms;
}

// Appends the journal's lines to it again until the panel keeps the 5,000 entries it keeps at
// most: its memory grows while they fill, and must stay flat after. False if it did not in 10 s.
bool FillJournal(const std::filesystem::path& file, httplib::Client& http) {
  std::ifstream in(file, std::ios::binary);
  const std::string lines(std::istreambuf_iterator<char>(in), {});
  long effects = std::count(lines.begin(), lines.end(), '\n');
  for (size_t at = 0; (at = lines.find("\"mark\":true", at)) != std::string::npos; ++at) --effects;
  std::ofstream out(file, std::ios::binary | std::ios::app);
  for (long added = 0; effects > 0 && added < 5000; added += effects) out << lines;
  out.close();
  for (const auto limit = Clock::now() + std::chrono::seconds(10); Clock::now() < limit;) {
    auto got = http.Get("/api/journal?after=0");
    if (got && got->status == 200 && json::parse(got->body)["entries"].size() >= 5000) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// Open descriptors of the process, less the one that lists them.
long OpenDescriptors() {
  std::filesystem::directory_iterator fds("/proc/self/fd");
  return std::distance(fds, {}) - 1;
}

// The descriptors open once at most most are, waiting 10 s at most: the panel ends a stream whose
// page has gone at its next write, so the handset is changed meanwhile to make the streams write.
long Settle(httplib::Client& http, long most) {
  for (int i = 0; i < 200 && OpenDescriptors() > most; ++i) {
    if (i % 4 == 0)
      http.Post("/api/device",
                json{{"device", "BKL1:"}, {"set", {{"level", 100 + i % 8 / 4}}}}.dump(),
                "application/json");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return OpenDescriptors();
}

// Memory in KiB, once the allocator gave back the free pages it keeps: resident, and allocated and
// not freed (the precise one).
struct Memory {
  long resident = -1, allocated = 0;
};
Memory MeasureMemory() {
  malloc_trim(0);
  Memory memory{-1, static_cast<long>(mallinfo2().uordblks / 1024)};
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) memory.resident = std::atol(line.c_str() + 6);
  return memory;
}

}  // namespace

int main(int argc, char** argv) {
  // One arena, no caches for each thread: mallinfo2 counts the main arena only, and the caches
  // would keep what the panel's threads freed. The program runs itself again so.
  constexpr const char* kTunables = "glibc.malloc.arena_max=1:glibc.malloc.tcache_count=0";
  if (const char* tunables = std::getenv("GLIBC_TUNABLES");
      !tunables || tunables != std::string(kTunables)) {
    setenv("GLIBC_TUNABLES", kTunables, 1);
    execv("/proc/self/exe", argv);
  }
  const int seconds = argc == 3 && argv[1] == std::string("--seconds") ? std::atoi(argv[2]) : 60;
  if (seconds < 1 || (argc != 1 && argc != 3)) return std::puts("usage: [--seconds N]"), 2;
  TempDir temp;
  if (RunCli(temp.home(), {"handset", "init"}).code != 0) return std::puts("no handset made"), 1;
  m8sim::ServedHome served(temp.home());
  m8sim::PanelServer server(temp.home(), m8sim::PanelFiles());
  std::string error;
  if (!server.Bind("127.0.0.1", 0, &error)) return std::puts(error.c_str()), 1;
  std::thread serving([&] { server.Serve(); });
  port = server.port();
  httplib::Client http("127.0.0.1", port);
  http.set_read_timeout(30, 0);

  // Before the load: the snapshots the clients compare against, one of each of the page's
  // requests, the hundred streams, and the journal filled.
  if (auto got = http.Get("/api/shell-events"); got && got->status == 200)
    shell_events = json::parse(got->body).get<std::vector<std::string>>();
  if (shell_events.empty()) Fail("/api/shell-events named no event");
  for (std::string name : {"load0", "load1", "load2"})
    Expect(name, http.Post("/api/snapshot", json{{"name", name}}.dump(), "application/json"), 200);
  uint64_t journal = 0;
  for (unsigned pick = 0; pick < 11 && !shell_events.empty(); ++pick)
    PageRequest(http, pick, journal);
  const long start_fds = OpenDescriptors();
  const double state_ms = HundredStreams(http);
  Settle(http, start_fds);
  if (!FillJournal(sim::JournalFile(temp.home()), http)) Fail("the journal did not fill");

  const auto started = Clock::now();
  if (failure_count == 0) {
    RunClients(std::chrono::seconds(seconds) / 5, 1);
    const long warm_fds = Settle(http, start_fds + 4);
    const Memory warm = MeasureMemory();
    RunClients(std::chrono::seconds(seconds) * 4 / 5, 11);
    const long end_fds = Settle(http, warm_fds + 4);
    const Memory end = MeasureMemory();
    Expect("the last /api/state", http.Get("/api/state"), 200);
    std::printf(
        "panel_load_stress: %.1f s: %ld page requests, %ld hostile, %ld event streams; /api/state "
        "in %.1f ms beside 100 streams\n",
        std::chrono::duration<double>(Clock::now() - started).count(), page_requests.load(),
        hostile_requests.load(), streams_opened.load(), state_ms);
    std::printf(
        "after the warm-up, at the end: descriptors %ld, %ld; resident KiB %ld, %ld (%+ld); "
        "allocated KiB %ld, %ld (%+ld)\n",
        warm_fds, end_fds, warm.resident, end.resident, end.resident - warm.resident,
        warm.allocated, end.allocated, end.allocated - warm.allocated);
    if (end_fds > warm_fds + 4) Fail("descriptors grew by " + std::to_string(end_fds - warm_fds));
#if !UNDER_SANITIZER
    if (end.resident - warm.resident > 16 * 1024) Fail("resident memory grew over 16 MiB");
    if (end.allocated - warm.allocated > 1024) Fail("allocated memory grew over 1 MiB");
#endif
  }
  server.Stop();
  serving.join();
  for (const auto& what : failures) std::printf("failure: %s\n", what.c_str());
  if (failure_count > 10) std::printf("... and %ld more\n", failure_count - 10);
  return failure_count != 0;
}
