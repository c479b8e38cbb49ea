// The panel under load for a stated time, on a handset home of its own: a few clients send what
// the page sends (the handset at a glance, the journal, the exports, calls, device fields, shell
// events, snapshots and their differences) mixed with requests no page sends (a body nested far
// too deep, a length of a terabyte never sent, a body in chunks, too many arguments, a word too
// long, a field named like an option), while event streams are opened and closed; once, a hundred
// streams are held while the handset is read. The journal is first filled to what the panel keeps
// of it. Every request must be answered as the panel documents, and the process's open
// descriptors, resident memory and memory allocated must not grow after the warm-up (the first
// fifth of the time) beyond a small allowance. Prints its figures; exits 1 on any failure.
//
// Usage: panel_load_stress [--seconds N] [--clients N]
#include <httplib.h>
#include <malloc.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "panel/panel_server.h"
#include "panel/served_home.h"
#include "sim/journal_file.h"
#include "temp_dir.h"

// g++ names the sanitizers by macros, clang by __has_feature.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define UNDER_SANITIZER 1
#endif
#endif
#ifndef UNDER_SANITIZER
#define UNDER_SANITIZER 0
#endif

namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

// The entries of the journal the panel keeps (its follower's bound).
constexpr size_t kKeptEntries = 5000;
// Event streams one client keeps open at most, and how many are opened at once to see the panel
// answer beside them.
constexpr size_t kMostStreams = 20;
constexpr int kManyStreams = 100;
// How fast the handset must be read with the hundred streams open.
constexpr auto kStateWithStreams = std::chrono::milliseconds(100);
// Descriptors the process may hold at the end beyond those after the warm-up, and after the
// warm-up beyond those at start: what the load leaves open is compared, not what a look at the
// handset in progress holds for a moment.
constexpr long kDescriptorSlack = 4;
// Resident memory the process may gain after the warm-up: the allocator keeps some of what the
// threads freed, and the journal's entries the panel keeps vary in size. What it has allocated and
// not freed varies by far less: an allocation kept for each request shows there first.
constexpr long kResidentSlackKiB = 16 * 1024;
constexpr long kAllocatedSlackKiB = 1024;
// The allocator as the program runs: one arena, no caches for each thread.
constexpr const char* kAllocatorTunables = "glibc.malloc.arena_max=1:glibc.malloc.tcache_count=0";
// How long closed connections may take to end once the handset changed under them.
constexpr auto kSettleLimit = std::chrono::seconds(10);
// How long a look at the handset may hold its files.
constexpr auto kLookLimit = std::chrono::seconds(1);

// The time in milliseconds.
double Ms(Clock::duration took) {
  return std::chrono::duration<double, std::milli>(took).count();
}

// Open descriptors of the process, less the one that lists them.
long OpenDescriptors() {
  long count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count - 1;
}

// Open sockets of the process.
long OpenSockets() {
  long count = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::filesystem::path target = std::filesystem::read_symlink(entry.path(), ec);
    if (!ec && target.string().starts_with("socket:")) ++count;
  }
  return count;
}

// Resident memory of the process (VmRSS), in KiB.
long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) return std::atol(line.c_str() + 6);
  return -1;
}

// The process's memory in KiB: resident as found, and once the allocator has given back the free
// pages it keeps (what the process holds rather than what its allocator kept of memory freed);
// and allocated and not freed.
struct Memory {
  long found = 0, held = 0, allocated = 0;
};
Memory MeasureMemory() {
  Memory memory;
  memory.found = ResidentKiB();
  malloc_trim(0);
  memory.held = ResidentKiB();
  memory.allocated = static_cast<long>(mallinfo2().uordblks / 1024);
  return memory;
}

// What went wrong, the first few kept in full.
class Failures {
 public:
  // Notes a failure.
  void Add(const std::string& what) {
    std::lock_guard lock(mutex_);
    if (kept_.size() < 10) kept_.push_back(what);
    ++count_;
  }
  // The number noted.
  size_t count() const {
    std::lock_guard lock(mutex_);
    return count_;
  }
  // Prints those kept.
  void Print() const {
    std::lock_guard lock(mutex_);
    for (const auto& what : kept_) std::printf("failure: %s\n", what.c_str());
    if (count_ > kept_.size()) std::printf("... and %zu more\n", count_ - kept_.size());
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> kept_;
  size_t count_ = 0;
};

// Holds the clients between two of their requests while the process is measured, and ends them.
class Gate {
 public:
  explicit Gate(int clients) : clients_(clients) {}

  // A client between two requests: when held, first lets go of what it holds open (let_go) and
  // waits for Release(); false once the run is over.
  bool Pass(const std::function<void()>& let_go = {}) {
    std::unique_lock lock(mutex_);
    if (!held_ && !over_) return true;
    lock.unlock();
    if (let_go) let_go();
    lock.lock();
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !held_ || over_; });
    --waiting_;
    return !over_;
  }
  // Holds every client at its next Pass; returns once all of them wait there.
  void Hold() {
    std::unique_lock lock(mutex_);
    held_ = true;
    changed_.wait(lock, [this] { return waiting_ == clients_; });
  }
  // Lets the clients go on.
  void Release() {
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
  }
  // Ends the run: each client returns from its next Pass.
  void End() {
    std::lock_guard lock(mutex_);
    over_ = true;
    changed_.notify_all();
  }

 private:
  const int clients_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int waiting_ = 0;
  bool held_ = false;
  bool over_ = false;
};

// A connection to the panel on port, which waits at most 10 s for what it reads; -1 when none.
int Connect(int port) {
  int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (sock < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(sock);
    return -1;
  }
  timeval wait{10, 0};
  setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  return sock;
}

// Closes a connection at once (a reset), as a page that is closed does: the panel learns of it at
// its next write.
void Abandon(int sock) {
  linger now{1, 0};
  setsockopt(sock, SOL_SOCKET, SO_LINGER, &now, sizeof now);
  close(sock);
}

// The HTTP status an answer begins with; -1 when it begins with none.
int StatusOf(const std::string& answer) {
  if (answer.size() < 12 || !answer.starts_with("HTTP/1.1 ")) return -1;
  return std::atoi(answer.substr(9, 3).c_str());
}

// Sends the text on a connection of its own and reads the answer until the panel closes it (or
// resets it, as it may after leaving a body unread).
std::string Exchange(int port, const std::string& text) {
  int sock = Connect(port);
  std::string answer;
  if (sock < 0) return answer;
  if (send(sock, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) {
    char buffer[4096];
    for (ssize_t got; (got = recv(sock, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, got);
  }
  close(sock);
  return answer;
}

// Opens an event stream and reads its first event: the connection then, -1 when it was not
// answered so.
int OpenStream(int port) {
  int sock = Connect(port);
  if (sock < 0) return -1;
  std::string request =
      "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
  std::string answer;
  if (send(sock, request.data(), request.size(), MSG_NOSIGNAL) ==
      static_cast<ssize_t>(request.size())) {
    char buffer[4096];
    while (answer.find("event: update") == std::string::npos) {
      ssize_t got = recv(sock, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      answer.append(buffer, got);
    }
  }
  if (StatusOf(answer) != 200 || answer.find("event: update") == std::string::npos) {
    close(sock);
    return -1;
  }
  return sock;
}

// The load: its panel's port, its clients' gate, and what they did.
struct Load {
  int port = 0;
  Gate* gate = nullptr;
  Failures failures;
  std::vector<std::string> shell_events;
  std::atomic<long> valid{0}, hostile{0}, streams{0};
};

// Checks one answer: its status is one of wanted.
void Expect(Load& load, const std::string& what, const httplib::Result& result,
            std::initializer_list<int> wanted) {
  if (!result) {
    load.failures.Add(what + ": no answer (" + httplib::to_string(result.error()) + ")");
  } else if (std::find(wanted.begin(), wanted.end(), result->status) == wanted.end()) {
    load.failures.Add(what + ": " + std::to_string(result->status) + " " +
                      result->body.substr(0, 300));
  }
}

// One request of a page, chosen by pick, checked as the panel documents it.
void PageRequest(Load& load, httplib::Client& http, unsigned pick, uint64_t* journal) {
  auto post = [&](const char* path, const json& body) {
    auto result = http.Post(path, body.dump(), "application/json");
    Expect(load, std::string(path) + " " + body.dump(), result, {200});
  };
  switch (pick % 11) {
    case 0: {
      auto result = http.Get("/api/state");
      Expect(load, "/api/state", result, {200});
      // A view the panel could not take says why instead of showing the handset.
      if (result && result->status == 200 && json::parse(result->body)["view"].contains("error"))
        load.failures.Add("/api/state: " + result->body.substr(0, 300));
      break;
    }
    case 1: {
      // Mostly what came since the last look, at times everything kept.
      uint64_t after = pick % 7 == 0 ? 0 : *journal;
      auto result = http.Get("/api/journal?after=" + std::to_string(after));
      Expect(load, "/api/journal", result, {200});
      if (result && result->status == 200)
        *journal = json::parse(result->body)["revision"].get<uint64_t>();
      break;
    }
    case 2:
      Expect(load, "/api/exports", http.Get("/api/exports"), {200});
      break;
    case 3:
      post("/api/call", {{"export", "SetBackLightLevelEx"}, {"args", {pick % 256}}});
      break;
    case 4:
      post("/api/call", {{"export", "GetBackLightLevelEx"}, {"args", {"out"}}});
      break;
    case 5:
      post("/api/call",
           {{"export", "IniWriteStringEx"},
            {"args",
             {"Load", "K" + std::to_string(pick % 10), std::to_string(pick), "\\Disk\\load.ini"}}});
      break;
    case 6:
      post("/api/device", {{"device", "BKL1:"}, {"set", {{"level", pick % 256}}}});
      break;
    case 7:
      post("/api/shell", {{"event", load.shell_events[pick % load.shell_events.size()]}});
      break;
    case 8:
      post("/api/snapshot", {{"name", "load" + std::to_string(pick % 3)}});
      break;
    case 9:
      post("/api/diff", {{"name", "load" + std::to_string(pick % 3)}});
      break;
    default:
      Expect(load, "/api/snapshots", http.Get("/api/snapshots"), {200});
      break;
  }
  ++load.valid;
}

// One request no page sends, chosen by pick: each is refused, and none reaches the handset.
void HostileRequest(Load& load, httplib::Client& http, unsigned pick) {
  const std::string host = "Host: 127.0.0.1:" + std::to_string(load.port) + "\r\n";
  auto post = [&](const std::string& what, const std::string& body) {
    Expect(load, what, http.Post("/api/call", body, "application/json"), {400});
  };
  switch (pick % 6) {
    case 0:
      post("a body nested 100,000 deep", R"({"export":"SetBackLightLevelEx","args":)" +
                                             std::string(100000, '[') + std::string(100000, ']') +
                                             "}");
      break;
    case 1: {
      std::string args;
      for (int i = 0; i < 200; ++i) args += i ? ",1" : "1";
      post("200 arguments", R"({"export":"SetBackLightLevelEx","args":[)" + args + "]}");
      break;
    }
    case 2:
      post("a word of 5,000 bytes", R"({"export":"IniWriteStringEx","args":["S","K",")" +
                                        std::string(5000, 'v') + R"(","\\Disk\\load.ini"]})");
      break;
    case 3:
      Expect(load, "a device field named --handset",
             http.Post("/api/device", R"({"device":"BKL1:","set":{"--handset":"/tmp"}})",
                       "application/json"),
             {400});
      break;
    case 4: {
      // A length of 10^12 announced and no body sent: refused unread, or the connection closed.
      std::string answer = Exchange(load.port, "POST /api/call HTTP/1.1\r\n" + host +
                                                   "Content-Type: application/json\r\n"
                                                   "Content-Length: 1000000000000\r\n\r\n");
      if (!answer.empty() && StatusOf(answer) != 413)
        load.failures.Add("a length of 10^12: " + answer.substr(0, 300));
      break;
    }
    default: {
      std::string answer =
          Exchange(load.port, "POST /api/call HTTP/1.1\r\n" + host +
                                  "Content-Type: application/json\r\n"
                                  "Transfer-Encoding: chunked\r\n\r\n"
                                  "2a\r\n{\"export\":\"SetBackLightLevelEx\",\"args\":[1]}\r\n"
                                  "0\r\n\r\n");
      if (StatusOf(answer) != 411) load.failures.Add("a body in chunks: " + answer.substr(0, 300));
      break;
    }
  }
  ++load.hostile;
}

// A client sending the page's requests, one in five of them hostile, until the run ends.
void PageClient(Load& load, unsigned seed) {
  std::mt19937 random(seed);
  httplib::Client http("127.0.0.1", load.port);
  http.set_read_timeout(30, 0);
  uint64_t journal = 0;
  while (load.gate->Pass()) {
    unsigned pick = random();
    try {
      if (pick % 5 == 0)
        HostileRequest(load, http, pick / 5);
      else
        PageRequest(load, http, pick / 5, &journal);
    } catch (const std::exception& e) {
      load.failures.Add(std::string("a client: ") + e.what());
    }
  }
}

// A client holding up to kMostStreams event streams, opening and closing them at random and
// reading what they carry, as open pages do.
void StreamClient(Load& load, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<int> streams;
  auto close_all = [&] {
    for (int sock : streams) Abandon(sock);
    streams.clear();
  };
  while (load.gate->Pass(close_all)) {
    if (streams.size() < kMostStreams && random() % 2 == 0) {
      int sock = OpenStream(load.port);
      if (sock < 0) {
        load.failures.Add("an event stream was not opened");
      } else {
        streams.push_back(sock);
        ++load.streams;
      }
    } else if (!streams.empty()) {
      auto chosen = streams.begin() + random() % streams.size();
      Abandon(*chosen);
      streams.erase(chosen);
    }
    // Reads what came, waiting a little for it; a stream the panel ended while open is a fault.
    std::vector<pollfd> polled;
    for (int sock : streams) polled.push_back({sock, POLLIN, 0});
    if (poll(polled.data(), polled.size(), 20) <= 0) continue;
    for (size_t i = 0; i < polled.size(); ++i) {
      if (polled[i].revents == 0) continue;
      char buffer[65536];
      ssize_t got = recv(polled[i].fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
        load.failures.Add("an open event stream ended");
        Abandon(polled[i].fd);
        streams.erase(std::find(streams.begin(), streams.end(), polled[i].fd));
      }
    }
  }
}

// A hundred event streams opened at once: how many, in what time, the resident memory with them
// open, and how long the handset took to be read beside them.
struct Many {
  int opened = 0;
  Clock::duration took{}, state_took{};
  long kib = 0;
};

// Opens kManyStreams event streams, each read to its first event, reads the handset beside them
// (a failure when it takes kStateWithStreams or longer), and closes them.
Many OpenMany(Load& load, httplib::Client& http) {
  Many many;
  std::vector<int> streams;
  const auto opening = Clock::now();
  for (int i = 0; i < kManyStreams; ++i) {
    int sock = OpenStream(load.port);
    if (sock < 0) {
      load.failures.Add("event stream " + std::to_string(i) + " of " +
                        std::to_string(kManyStreams) + " was not opened");
      break;
    }
    streams.push_back(sock);
  }
  many.took = Clock::now() - opening;
  many.opened = static_cast<int>(streams.size());
  many.kib = ResidentKiB();
  const auto asked = Clock::now();
  auto state = http.Get("/api/state");
  many.state_took = Clock::now() - asked;
  Expect(load, "/api/state beside the streams", state, {200});
  if (many.state_took >= kStateWithStreams) {
    load.failures.Add("/api/state took " + std::to_string(Ms(many.state_took)) + " ms beside " +
                      std::to_string(many.opened) + " streams");
  }
  for (int sock : streams) Abandon(sock);
  return many;
}

// Appends the journal file's lines to it again and again, as processes working on the handset
// would, until it holds at least entries effects more.
void FillJournal(const std::filesystem::path& file, size_t entries) {
  std::ifstream in(file, std::ios::binary);
  const std::string lines(std::istreambuf_iterator<char>(in), {});
  size_t effects = 0;
  for (size_t at = 0; (at = lines.find('\n', at)) != std::string::npos; ++at) ++effects;
  for (size_t at = 0; (at = lines.find("\"mark\":true", at)) != std::string::npos; ++at) --effects;
  std::ofstream out(file, std::ios::binary | std::ios::app);
  for (size_t added = 0; effects != 0 && added < entries; added += effects) out << lines;
}

// Waits, at most kSettleLimit, until the panel keeps entries entries of the journal; true then.
bool KeepsJournal(httplib::Client& http, size_t entries) {
  const auto limit = Clock::now() + kSettleLimit;
  for (;;) {
    auto result = http.Get("/api/journal?after=0");
    if (result && result->status == 200 && json::parse(result->body)["entries"].size() >= entries)
      return true;
    if (Clock::now() >= limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Waits until no connection but those open at start is left (at most kSettleLimit), then until
// at most most_descriptors are open (at most kLookLimit more): the panel ends a stream whose page
// has gone at its next write, so the handset is changed while connections remain, to make the
// streams write; a look at the handset holds its files for a moment. The descriptors open then.
long Settle(Load& load, httplib::Client& http, long sockets, long most_descriptors) {
  auto limit = Clock::now() + kSettleLimit;
  bool ended = false;
  for (int look = 0; Clock::now() < limit; ++look) {
    if (OpenSockets() > sockets) {
      if (look % 20 == 0) {
        http.Post("/api/device",
                  json({{"device", "BKL1:"}, {"set", {{"level", 100 + look % 40 / 20}}}}).dump(),
                  "application/json");
      }
    } else if (OpenDescriptors() <= most_descriptors) {
      break;
    } else if (!ended) {
      ended = true;
      limit = std::min(limit, Clock::now() + kLookLimit);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (long left = OpenSockets() - sockets; left > 0)
    load.failures.Add(std::to_string(left) + " connections still open after every client closed");
  return OpenDescriptors();
}

// The number given after the option name, or fallback.
int Option(int argc, char** argv, const std::string& name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (argv[i] == name) return std::atoi(argv[i + 1]);
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  // The allocator's caches for each thread, and its arenas beside the first, keep memory freed by
  // the panel's connection threads resident for as long as those threads live (they stay while
  // requests keep coming): the program runs itself again without them, so that its resident
  // memory is what the panel holds.
  if (const char* tunables = std::getenv("GLIBC_TUNABLES");
      !tunables || std::string(tunables) != kAllocatorTunables) {
    setenv("GLIBC_TUNABLES", kAllocatorTunables, 1);
    execv("/proc/self/exe", argv);
  }
  const int seconds = Option(argc, argv, "--seconds", 60);
  const int clients = Option(argc, argv, "--clients", 3);
  if (seconds < 1 || clients < 1) {
    std::fprintf(stderr, "usage: panel_load_stress [--seconds N] [--clients N]\n");
    return 2;
  }
  TempDir temp;
  if (RunCli(temp.home(), {"handset", "init"}).code != 0) {
    std::printf("panel_load_stress: the handset was not made\n");
    return 1;
  }
  int failed = 0;
  {
    m8sim::ServedHome served(temp.home());
    m8sim::PanelServer server(temp.home(), m8sim::PanelFiles());
    std::string error;
    if (!server.Bind("127.0.0.1", 0, &error)) {
      std::printf("panel_load_stress: %s\n", error.c_str());
      return 1;
    }
    std::thread serving([&] { server.Serve(); });

    Gate gate(clients + 1);
    Load load;
    load.port = server.port();
    load.gate = &gate;
    httplib::Client http("127.0.0.1", load.port);
    http.set_read_timeout(30, 0);
    // The shell's events, and the snapshots the clients compare against, before the load.
    if (auto events = http.Get("/api/shell-events"); events && events->status == 200)
      load.shell_events = json::parse(events->body).get<std::vector<std::string>>();
    for (int i = 0; i < 3; ++i) {
      Expect(load, "a first snapshot",
             http.Post("/api/snapshot", json({{"name", "load" + std::to_string(i)}}).dump(),
                       "application/json"),
             {200});
    }
    // One of each of the page's requests; a hundred pages opened at once, and the handset read
    // beside them (the panel keeps the threads they took while requests keep coming); then the
    // journal filled to what the panel keeps of it. The panel's memory is then as full as the load
    // makes it, and ought to stay so.
    uint64_t journal = 0;
    if (load.shell_events.empty()) load.failures.Add("/api/shell-events named no event");
    for (unsigned pick = 0; pick < 11 && !load.shell_events.empty(); ++pick)
      PageRequest(load, http, pick, &journal);
    const long sockets = OpenSockets();
    const Many many = OpenMany(load, http);
    // Their connections end before the journal is filled, which each would be sent.
    Settle(load, http, sockets, std::numeric_limits<long>::max());
    FillJournal(sim::JournalFile(temp.home()), kKeptEntries);
    if (!KeepsJournal(http, kKeptEntries))
      load.failures.Add("the panel did not come to keep " + std::to_string(kKeptEntries) +
                        " entries of the journal");
    const long start_fds = Settle(load, http, sockets, std::numeric_limits<long>::max());
    const Memory start_mem = MeasureMemory();
    if (load.failures.count() != 0) {
      load.failures.Print();
      server.Stop();
      serving.join();
      return 1;
    }

    const auto started = Clock::now();
    const auto run_for = std::chrono::seconds(seconds);
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
      threads.emplace_back(PageClient, std::ref(load), static_cast<unsigned>(i + 1));
    threads.emplace_back(StreamClient, std::ref(load), static_cast<unsigned>(clients + 1));

    // After the warm-up, with every connection closed: what the process holds.
    std::this_thread::sleep_until(started + run_for / 5);
    gate.Hold();
    const long warm_fds = Settle(load, http, sockets, start_fds + kDescriptorSlack);
    const Memory warm_mem = MeasureMemory();
    gate.Release();

    // The rest of the run, however long the measuring took.
    std::this_thread::sleep_for(run_for - run_for / 5);
    gate.End();
    for (auto& thread : threads) thread.join();
    const long end_fds = Settle(load, http, sockets, warm_fds + kDescriptorSlack);
    const Memory end_mem = MeasureMemory();
    const double took = std::chrono::duration<double>(Clock::now() - started).count();
    Expect(load, "the last /api/state", http.Get("/api/state"), {200});

    const long growth = end_mem.held - warm_mem.held;
    const long allocated = end_mem.allocated - warm_mem.allocated;
    std::printf(
        "panel_load_stress: %.1f s, %d clients: %ld requests (%ld of a page, %ld hostile), %ld "
        "event streams opened; %d opened at once in %.0f ms: resident %ld KiB, /api/state in %.1f "
        "ms\n",
        took, clients, load.valid + load.hostile, load.valid.load(), load.hostile.load(),
        load.streams.load(), many.opened, Ms(many.took), many.kib, Ms(many.state_took));
    std::printf("descriptors: %ld at start, %ld after the warm-up, %ld at the end (at most %ld)\n",
                start_fds, warm_fds, end_fds, warm_fds + kDescriptorSlack);
    std::printf(
        "resident KiB held: %ld at start, %ld after the warm-up, %ld at the end (%+ld, at most "
        "%+ld); as found before the allocator gave back its free pages: %ld, %ld, %ld\n",
        start_mem.held, warm_mem.held, end_mem.held, growth, kResidentSlackKiB, start_mem.found,
        warm_mem.found, end_mem.found);
    std::printf(
        "allocated KiB: %ld at start, %ld after the warm-up, %ld at the end (%+ld, at most %+ld)\n",
        start_mem.allocated, warm_mem.allocated, end_mem.allocated, allocated, kAllocatedSlackKiB);
    if (end_fds > warm_fds + kDescriptorSlack)
      load.failures.Add("descriptors grew from " + std::to_string(warm_fds) + " to " +
                        std::to_string(end_fds));
#if UNDER_SANITIZER
    // The sanitizers' allocators hold freed memory back for a while and keep their own counts:
    // the figures are shown only.
    std::printf("memory: not judged under a sanitizer\n");
#else
    if (growth > kResidentSlackKiB)
      load.failures.Add("resident memory grew by " + std::to_string(growth) + " KiB");
    if (allocated > kAllocatedSlackKiB)
      load.failures.Add("allocated memory grew by " + std::to_string(allocated) + " KiB");
#endif
    load.failures.Print();
    failed = load.failures.count() != 0;
    server.Stop();
    serving.join();
  }
  return failed;
}
