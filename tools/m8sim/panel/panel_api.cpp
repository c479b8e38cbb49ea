#include "panel_api.h"

#include <sys/stat.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "call_args.h"
#include "context.h"
#include "exports_lookup.h"
#include "handset_snapshot.h"
#include "handset_view.h"
#include "m8sim.h"
#include "sim/journal_file.h"
#include "sim/shell/shell_events.h"

namespace m8sim {

namespace {

nlohmann::json ExportList() {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& info : Exports()) {
    if (!info.call) continue;
    nlohmann::json params = nlohmann::json::array();
    for (const auto& param : ParseParameters(info.parameters))
      params.push_back({{"type", param.type}, {"name", param.name}});
    list.push_back({{"name", info.name},
                    {"family", info.family},
                    {"result", info.result},
                    {"signature", Signature(info)},
                    {"params", params}});
  }
  return list;
}

nlohmann::json SnapshotNames(const std::filesystem::path& home) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& file : std::filesystem::directory_iterator(home / "snapshots", ec)) {
    std::string name = file.path().stem().string();
    if (file.path().extension() == ".json" && ValidSnapshotName(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// handset.toml's time and size: a change of the hardware the view shows.
std::string ConfigStamp(const std::filesystem::path& home) {
  struct stat status;
  if (stat((home / "handset.toml").c_str(), &status) != 0) return "";
  return std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec) +
         ":" + std::to_string(status.st_size);
}

}  // namespace

PanelApi::PanelApi(std::filesystem::path home)
    : home_(std::move(home)), state_file_(home_), follower_(sim::JournalFile(home_)) {}

ApiReply PanelApi::Get(const std::string& path, const std::map<std::string, std::string>& query) {
  if (path == "/api/state") {
    std::lock_guard lock(mutex_);
    return {200, {{"revision", view_revision_}, {"view", view_}}};
  }
  if (path == "/api/journal") {
    uint64_t after = 0;
    if (auto found = query.find("after"); found != query.end()) {
      try {
        size_t used = 0;
        after = std::stoull(found->second, &used);
        if (used != found->second.size()) throw std::invalid_argument("after");
      } catch (const std::exception&) {
        return {400, {{"error", "\"after\" must be a revision number"}}};
      }
    }
    std::lock_guard lock(mutex_);
    return {200, follower_.Since(after)};
  }
  if (path == "/api/exports") return {200, ExportList()};
  if (path == "/api/snapshots") return {200, SnapshotNames(home_)};
  if (path == "/api/shell-events") {
    nlohmann::json names = nlohmann::json::array();
    for (int e = 0; e < SHELL_EVENT_COUNT; ++e)
      names.push_back(sim::ShellEventName(static_cast<ShellEvent>(e)));
    return {200, names};
  }
  return {404, {{"error", "no such resource: " + path}}};
}

ApiReply PanelApi::Post(const std::string& path, const std::string& body) {
  PanelRequest request = ReadPanelRequest(path, body);
  if (request.words.empty()) return request.refusal;
  // A diff is for reading: it comes as the lines m8sim prints.
  ApiReply reply = RunCommand(request.words, path != "/api/diff");
  // The page sees what the command changed at once rather than at the next look.
  Refresh();
  return reply;
}

ApiReply PanelApi::RunCommand(const std::vector<std::string>& words, bool json) {
  std::ostringstream out, err;
  int code;
  std::string command_line, result_text;
  {
    std::lock_guard lock(handset_mutex_);
    Context ctx(out, err);
    ctx.json = json;
    ctx.handset_option = home_.string();
    code = Run(ctx, words);
    command_line = ctx.command_line;
    result_text = ctx.result_text;
  }
  nlohmann::json records = nlohmann::json::array();
  std::string text;
  if (json) {
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
      nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
      if (!record.is_discarded()) records.push_back(std::move(record));
    }
  } else {
    text = out.str();
  }
  // The message without the program's name, in one piece.
  std::string message = err.str();
  if (message.starts_with("m8sim: ")) message.erase(0, 7);
  while (!message.empty() && message.back() == '\n') message.pop_back();
  int status = code == 0 ? 200 : code == 2 ? 400 : 422;
  return {status,
          {{"command", command_line},
           {"exit", code},
           {"result", result_text},
           {"records", records},
           {"text", text},
           {"error", message}}};
}

void PanelApi::TakeView() {
  nlohmann::json view;
  try {
    std::lock_guard lock(handset_mutex_);
    view = HandsetView(home_);
  } catch (const std::exception& e) {
    view = {{"home", home_.string()}, {"error", e.what()}};
  }
  std::lock_guard lock(mutex_);
  if (view != view_) {
    view_ = std::move(view);
    ++view_revision_;
  }
}

bool PanelApi::Refresh() {
  nlohmann::json state = state_file_.ReadAll();
  std::string config = ConfigStamp(home_);
  bool journal_moved, look;
  uint64_t view_before;
  {
    std::lock_guard lock(mutex_);
    journal_moved = follower_.Poll();
    look = journal_moved || view_.is_null() || state != state_seen_ || config != config_seen_;
    // What was seen before the view is taken: a change made while it is taken shows at the
    // next look.
    state_seen_ = std::move(state);
    config_seen_ = config;
    view_before = view_revision_;
  }
  if (look) TakeView();
  std::lock_guard lock(mutex_);
  bool moved = journal_moved || view_revision_ != view_before;
  if (moved) {
    ++revision_;
    changed_.notify_all();
  }
  return moved;
}

uint64_t PanelApi::Revision() const {
  std::lock_guard lock(mutex_);
  return revision_;
}

uint64_t PanelApi::WaitForChange(uint64_t seen, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [&] { return stopped_ || revision_ != seen; });
  return revision_;
}

void PanelApi::Stop() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  changed_.notify_all();
}

bool PanelApi::stopped() const {
  std::lock_guard lock(mutex_);
  return stopped_;
}

nlohmann::json PanelApi::Update(uint64_t* view_revision, uint64_t* journal_revision) const {
  std::lock_guard lock(mutex_);
  nlohmann::json update = nlohmann::json::object();
  if (*view_revision != view_revision_) {
    update["view"] = view_;
    update["view_revision"] = view_revision_;
    *view_revision = view_revision_;
  }
  if (*journal_revision != follower_.revision()) {
    update["journal"] = follower_.Since(*journal_revision);
    *journal_revision = follower_.revision();
  }
  return update;
}

}  // namespace m8sim
