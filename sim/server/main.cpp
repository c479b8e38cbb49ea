// m8-handset-server: the handset server of one handset home. Programs that use the home start it
// when none runs; it runs the handset's drivers and programs for all of them, and ends a short
// while after the last one has gone (unless persistent).
#include <CLI/CLI.hpp>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

#include "cehost/server.h"
#include "sim/control/handset_control.h"
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
  // The handset the server runs, for the tools' control requests; set once it has booted.
  std::atomic<sim::Handset*> running{nullptr};
  options.control = [&running](const std::string& text) {
    nlohmann::json request = nlohmann::json::parse(text, nullptr, false);
    sim::Handset* handset = running.load();
    nlohmann::json answer =
        handset ? sim::AnswerControl(*handset, request)
                : nlohmann::json{{"ok", false}, {"error", "the handset is not running"}};
    return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  };
  try {
    cehost::ServeHandset(options, [&home, &running]() -> std::shared_ptr<void> {
      sim::Handset::Options setup;
      setup.home = home;
      auto handset = std::make_shared<sim::Handset>(setup);
      running.store(handset.get());
      // The handset goes when the server stops; control requests are over by then.
      return std::shared_ptr<void>(handset.get(), [handset, &running](void*) mutable {
        running.store(nullptr);
        handset.reset();
      });
    });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "m8-handset-server: %s\n", e.what());
    return 1;
  }
  return 0;
}
