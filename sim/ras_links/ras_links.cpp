#include "sim/ras_links/ras_links.h"

#include <memory>
#include <set>

#include "ce/ras.h"
#include "cehost/handset.h"
#include "cehost/ras.h"
#include "cehost/text.h"
#include "sim/config_table.h"
#include "sim/state_file.h"

namespace sim {

namespace {

constexpr char kRasState[] = "ras";

// One line of the handset: it holds at most one connection, on whichever entry was dialled
// over it last.
class LineDevice : public cehost::RasDevice {
 public:
  LineDevice(std::weak_ptr<RasLinks> links, size_t line) : links_(std::move(links)), line_(line) {}

  DWORD Dial(const cehost::DialRequest& request) override {
    auto links = links_.lock();
    if (!links) return ERROR_DEVICE_DOES_NOT_EXIST;
    links->SetLine(line_, cehost::ToUtf8(request.entry_name));
    return 0;
  }
  DWORD HangUp(std::u16string_view entry_name) override {
    auto links = links_.lock();
    if (links && Held(*links) == cehost::ToUtf8(entry_name)) links->SetLine(line_, "");
    return 0;
  }
  std::vector<std::u16string> Connections() override {
    auto links = links_.lock();
    std::string held = links ? Held(*links) : "";
    if (held.empty()) return {};
    return {cehost::ToUtf16(held)};
  }

 private:
  std::string Held(RasLinks& links) const {
    std::vector<std::string> lines = links.Lines();
    return line_ < lines.size() ? lines[line_] : "";
  }

  std::weak_ptr<RasLinks> links_;
  size_t line_;
};

}  // namespace

void RasLinks::Configure(const ConfigTable& t) {
  t.OnlyKeys({"phone_book", "links"});
  std::lock_guard lock(mutex_);
  t.ReadChoice<bool>("phone_book", {{"writable", false}, {"locked", true}}, &phone_book_locked_);
  t.Read("links", &links_);
  std::set<std::string> names;
  for (const std::string& link : links_) {
    size_t length = cehost::ToUtf16(link).size();
    if (length == 0 || length > RAS_MaxEntryName)
      t.Fail("links", "an entry name has 1 to " + std::to_string(RAS_MaxEntryName) + " characters");
    if (!names.insert(link).second) t.Fail("links", "\"" + link + "\" is up twice");
  }
}

void RasLinks::Install() {
  size_t count = 0;
  {
    std::lock_guard lock(mutex_);
    home_ = cehost::CurrentHome();
    count = links_.size();
    cehost::LockPhoneBook(phone_book_locked_);
  }
  auto self = std::static_pointer_cast<RasLinks>(shared_from_this());
  for (size_t line = 0; line < count; ++line) {
    cehost::InstallRasDevice(u"LINE" + cehost::ToUtf16(std::to_string(line + 1)) + u":",
                             std::make_shared<LineDevice>(self, line));
  }
}

std::vector<std::string> RasLinks::Lines() {
  std::vector<std::string> lines;
  std::filesystem::path home;
  {
    std::lock_guard lock(mutex_);
    lines = links_;
    home = home_;
  }
  nlohmann::json saved = StateFile(home).Read(kRasState);
  auto found = saved.is_object() ? saved.find("lines") : saved.end();
  if (found == saved.end() || !found->is_array()) return lines;
  for (size_t line = 0; line < lines.size(); ++line) {
    const nlohmann::json* held = line < found->size() ? &(*found)[line] : nullptr;
    lines[line] = held && held->is_string() ? held->get<std::string>() : "";
  }
  return lines;
}

void RasLinks::SetLine(size_t line, const std::string& entry) {
  std::vector<std::string> start;
  std::filesystem::path home;
  {
    std::lock_guard lock(mutex_);
    start = links_;
    home = home_;
  }
  StateFile(home).Update(kRasState, [&](nlohmann::json& section) {
    nlohmann::json lines =
        section.is_object() && section.contains("lines") ? section["lines"] : nlohmann::json(start);
    if (!lines.is_array()) lines = nlohmann::json(start);
    while (lines.size() <= line) lines.push_back("");
    lines[line] = entry;
    section = {{"lines", lines}};
  });
}

}  // namespace sim
