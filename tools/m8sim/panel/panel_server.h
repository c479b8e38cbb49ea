// The panel served over HTTP on one address: the page's files, the JSON API, and a stream of
// server-sent events that carries each change of the handset to the open pages.
#pragma once

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "panel_api.h"

namespace httplib {
class Server;
}

namespace m8sim {

class PanelServer {
 public:
  // The panel of the handset at home, its page's files in web_root.
  PanelServer(std::filesystem::path home, std::filesystem::path web_root);
  ~PanelServer();
  PanelServer(const PanelServer&) = delete;
  PanelServer& operator=(const PanelServer&) = delete;

  // Listens on address and port (0: a free port the system picks); false with the reason in
  // error when it cannot.
  bool Bind(const std::string& address, int port, std::string* error);
  // The port listened on.
  int port() const { return port_; }
  // Answers requests and follows the handset until Stop(); returns then.
  void Serve();
  // Ends Serve(): the listening, the event streams and the following of the handset. Callable
  // from any thread, before or during Serve().
  void Stop();

 private:
  void Route();
  void Follow();

  std::filesystem::path web_root_;
  PanelApi api_;
  std::unique_ptr<httplib::Server> server_;
  int port_ = 0;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  // Set once Serve() has stopped listening.
  bool listened_ = false;
};

}  // namespace m8sim
