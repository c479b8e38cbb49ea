// m8-handset-server: the handset server of one handset home. Programs that use the home start it
// when none runs; it runs the handset's drivers and programs for all of them, and ends a short
// while after the last one has gone (unless persistent).
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <memory>

#include "cehost/server.h"
#include "sim/handset.h"

int main(int argc, char** argv) {
  CLI::App app{"The handset server of one handset home (started by the programs that use it)"};
  cehost::ServeOptions options;
  std::string home;
  int linger_ms = static_cast<int>(options.linger.count());
  app.add_option("--home", home, "the handset home")->required();
  app.add_flag("--persistent", options.persistent, "keep running with no program attached");
  app.add_option("--linger-ms", linger_ms, "how long to run once the last program has gone")
      ->check(CLI::Range(0, 24 * 3600 * 1000));
  app.add_option("--ready-fd", options.ready_fd, "a descriptor to say on that it listens");
  CLI11_PARSE(app, argc, argv);
  options.home = home;
  options.linger = std::chrono::milliseconds(linger_ms);
  // A program that goes mid-reply is no reason for the server to end.
  std::signal(SIGPIPE, SIG_IGN);
  try {
    cehost::ServeHandset(options, [&home]() -> std::shared_ptr<void> {
      sim::Handset::Options handset;
      handset.home = home;
      return std::make_shared<sim::Handset>(handset);
    });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "m8-handset-server: %s\n", e.what());
    return 1;
  }
  return 0;
}
