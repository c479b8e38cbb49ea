#include "panel_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "connection_pool.h"
#include "request_guard.h"

namespace m8sim {

namespace {

// How often the handset is looked at for changes made by other processes.
constexpr auto kLookEvery = std::chrono::milliseconds(100);
// How long an event stream stays quiet before a comment checks that its page is still there.
constexpr auto kKeepAlive = std::chrono::seconds(10);
// Connections answered at once: each open page holds one for its event stream. More wait for a
// thread to be free.
constexpr size_t kMostThreads = 256;
// The largest request body the panel takes: its requests are an export's name and words, a
// device's fields or a snapshot's name, far below this.
constexpr size_t kMaxBodyBytes = 1 << 20;

void SendJson(httplib::Response& res, const ApiReply& reply) {
  res.status = reply.status;
  res.set_content(reply.body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                  "application/json");
}

// The page's files and their types; nothing else is served from the folder.
struct PageFile {
  const char* path;
  const char* file;
  const char* type;
};
constexpr PageFile kPageFiles[] = {
    {"/", "index.html", "text/html; charset=utf-8"},
    {"/index.html", "index.html", "text/html; charset=utf-8"},
    {"/panel.css", "panel.css", "text/css; charset=utf-8"},
    {"/panel.js", "panel.js", "text/javascript; charset=utf-8"},
};

}  // namespace

PanelServer::PanelServer(std::filesystem::path home, std::filesystem::path web_root)
    : web_root_(std::move(web_root)),
      api_(std::move(home)),
      server_(std::make_unique<httplib::Server>()) {
  server_->new_task_queue = [] { return new ConnectionPool(kMostThreads); };
  // A body larger than any request of the panel is never held in memory (the pre-routing check
  // refuses it before it is read; this catches any that gets past).
  server_->set_payload_max_length(kMaxBodyBytes);
  // One request a connection: a refused body is left unread and its connection closed, and no
  // idle connection holds a thread between requests.
  server_->set_keep_alive_max_count(1);
  // The port is this panel's alone: no second server may listen on it beside this one (the
  // library's default lets any program of the same user share it).
  server_->set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  Route();
}

PanelServer::~PanelServer() {
  Stop();
}

bool PanelServer::Bind(const std::string& address, int port, std::string* error) {
  int bound = port == 0 ? server_->bind_to_any_port(address)
                        : (server_->bind_to_port(address, port) ? port : -1);
  if (bound <= 0) {
    *error = "cannot listen on " + address + " port " + std::to_string(port);
    return false;
  }
  port_ = bound;
  return true;
}

void PanelServer::Route() {
  // A page from elsewhere, or a name of someone else's that resolves here, gets nothing.
  server_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (!AllowedRequest(req.get_header_value("Host"), req.get_header_value("Origin"), port_)) {
      SendJson(res, {403, {{"error", "this panel answers its own pages only"}}});
      return httplib::Server::HandlerResponse::Handled;
    }
    // A body is read only when its length is announced and within the limit; what is refused is
    // never read (the connection closes after the answer, as every one does).
    if (BodyRefusal refusal = CheckBody(req.method, req.get_header_value("Content-Length"),
                                        req.get_header_value("Transfer-Encoding"), kMaxBodyBytes);
        refusal.status != 0) {
      SendJson(res, {refusal.status, {{"error", refusal.message}}});
      return httplib::Server::HandlerResponse::Handled;
    }
    // A JSON body cannot come from a plain form of another site without its Origin.
    if (req.method == "POST" && !IsJsonBody(req.get_header_value("Content-Type"))) {
      SendJson(res, {415, {{"error", "the body must be sent as application/json"}}});
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  for (const PageFile& page : kPageFiles) {
    server_->Get(page.path, [this, page](const httplib::Request&, httplib::Response& res) {
      std::ifstream in(web_root_ / page.file, std::ios::binary);
      if (!in) {
        SendJson(res, {500, {{"error", std::string("the panel's file is missing: ") + page.file}}});
        return;
      }
      res.set_content(std::string(std::istreambuf_iterator<char>(in), {}), page.type);
      res.set_header("Cache-Control", "no-cache");
    });
  }
  server_->Get("/api/events", [this](const httplib::Request&, httplib::Response& res) {
    struct Seen {
      uint64_t revision = 0, view = 0, journal = 0;
    };
    auto seen = std::make_shared<Seen>();
    res.set_header("Cache-Control", "no-cache");
    res.set_chunked_content_provider(
        "text/event-stream", [this, seen](size_t, httplib::DataSink& sink) {
          if (api_.stopped()) return false;
          seen->revision = api_.Revision();
          nlohmann::json update = api_.Update(&seen->view, &seen->journal);
          std::string text;
          if (!update.empty()) {
            text = "event: update\ndata: " +
                   update.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n\n";
          } else if (api_.WaitForChange(seen->revision, kKeepAlive) == seen->revision) {
            text = ": still here\n\n";
          }
          return text.empty() || sink.write(text.data(), text.size());
        });
  });
  server_->Get(R"(/api/.*)", [this](const httplib::Request& req, httplib::Response& res) {
    std::map<std::string, std::string> query(req.params.begin(), req.params.end());
    SendJson(res, api_.Get(req.path, query));
  });
  server_->Post(R"(/api/.*)", [this](const httplib::Request& req, httplib::Response& res) {
    SendJson(res, api_.Post(req.path, req.body));
  });
  server_->set_exception_handler(
      [](const httplib::Request&, httplib::Response& res, std::exception_ptr failure) {
        std::string message = "the panel failed";
        try {
          std::rethrow_exception(failure);
        } catch (const std::exception& e) {
          message += ": " + std::string(e.what());
        } catch (...) {
        }
        SendJson(res, {500, {{"error", message}}});
      });
}

void PanelServer::Follow() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    api_.Refresh();
    lock.lock();
    stop_.wait_for(lock, kLookEvery, [this] { return stopping_; });
  }
  // Stop() may come before the server runs, when stopping it does nothing yet: it is stopped
  // until it has returned.
  while (!listened_) {
    lock.unlock();
    server_->stop();
    lock.lock();
    stop_.wait_for(lock, std::chrono::milliseconds(10), [this] { return listened_; });
  }
}

void PanelServer::Serve() {
  api_.Refresh();
  std::thread follower([this] { Follow(); });
  server_->listen_after_bind();
  {
    std::lock_guard lock(mutex_);
    listened_ = true;
    stopping_ = true;
    stop_.notify_all();
  }
  api_.Stop();
  follower.join();
}

void PanelServer::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    stop_.notify_all();
  }
  // The event streams end, which lets the server's threads go.
  api_.Stop();
}

}  // namespace m8sim
