// m8sim serve: the handset as a live panel in a web browser, served on this machine.
#include <malloc.h>
#include <pthread.h>

#include <csignal>
#include <iostream>
#include <thread>

#include "context.h"
#include "errors.h"
#include "panel/panel_server.h"
#include "panel/served_home.h"
#include "sim/default_handset.h"

namespace m8sim {

namespace {

constexpr const char* kServeHelp =
    R"(Serves a live panel of the handset at http://ADDRESS:PORT/ until interrupted (Ctrl-C or
SIGTERM): its radio, connection, shell, input panel and devices at a glance; the hardware
played as a person would (tilt, cover the infrared sensor, plug USB, press for a shell event,
lock); any export called from a form; the journal of every command run on the handset,
here or by another process, as it happens; snapshots and what changed since one.

It listens on 127.0.0.1 unless --listen says otherwise, and answers only requests whose Host is
an address or localhost with its port and whose Origin, if any, is its own. One panel serves a
handset at a time. The first line printed is "serving HOME at URL".

Examples:
  m8sim serve                     # http://127.0.0.1:8008/
  m8sim serve --port 0            # a free port, named in the first line)";

// Waits for SIGINT or SIGTERM and stops the server; SIGUSR1 ends the wait without stopping.
void WaitForSignal(const sigset_t& signals, PanelServer& server) {
  int signal = 0;
  sigwait(&signals, &signal);
  if (signal != SIGUSR1) server.Stop();
}

// The panel lives long and its connections come in bursts, each on a thread of its own: memory
// comes from two pools shared by all threads, and what a burst freed goes back to the system
// rather than staying with the pool that served it.
void KeepMemorySmall() {
  mallopt(M_ARENA_MAX, 2);
  mallopt(M_TRIM_THRESHOLD, 256 * 1024);
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
}

int Serve(Context& ctx, const std::string& address, int port) {
  KeepMemorySmall();
  std::filesystem::path home = ctx.Home();
  sim::EnsureHandset(home);
  home = std::filesystem::absolute(home);
  PanelServer server(home, PanelFiles());
  std::string error;
  if (!server.Bind(address, port, &error)) throw Failure(error);
  ServedHome served(home);

  // The signals are taken by one thread only: every thread started from here on blocks them.
  sigset_t signals, before;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, &before);
  std::thread waiter(WaitForSignal, std::cref(signals), std::ref(server));

  std::string host = address.find(':') != std::string::npos ? "[" + address + "]" : address;
  std::string url = "http://" + host + ":" + std::to_string(server.port()) + "/";
  ctx.out.Emit({{"type", "serving"}, {"home", home.string()}, {"url", url}},
               "serving " + home.string() + " at " + url);
  ctx.out.stream().flush();
  server.Serve();

  pthread_kill(waiter.native_handle(), SIGUSR1);
  waiter.join();
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return 0;
}

}  // namespace

void AddServeCommand(CLI::App& app, Context& ctx) {
  auto* serve = app.add_subcommand("serve", "Serve a live panel of the handset to a web browser");
  serve->footer(kServeHelp);
  auto address = std::make_shared<std::string>("127.0.0.1");
  auto port = std::make_shared<int>(8008);
  serve->add_option("--port", *port, "The port (0: a free one)")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  serve->add_option("--listen", *address, "The address listened on")->capture_default_str();
  serve->callback([&ctx, address, port] {
    ctx.action = [&ctx, address, port] { return Serve(ctx, *address, *port); };
  });
}

}  // namespace m8sim
