// m8sim handset set: changes scripted values of the home's handset.toml, keeping the file's
// comments and layout, once the handset is known to start with them.
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "cehost/server.h"
#include "context.h"
#include "errors.h"
#include "sim/default_handset.h"
#include "sim/file_replace.h"
#include "sim/home_lock.h"
#include "sim/state_file.h"
#include "toml_edit.h"

namespace m8sim {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSetHelp =
    R"(Each KEY is TABLE.KEY of handset.toml (a sub-table's key: shell.windows.CShellMainWnd);
each VALUE is a TOML value (678, true, "text"), or text when it is not one. Digits given to a
key that holds text stay text (phone.imsi=460001234567890). A key is changed on its own line,
its comment kept; a missing key is added at the end of its table, a missing table at the end of
the file; [[network.interfaces]] tables are edited by hand. The handset must start with the
changed file (a key unknown to its program, a value of the wrong type or out of range is
refused and the file left as it was). What a program holds in state.json (an axis, a level, a
running shell) outlives the change until "m8sim handset reboot". Every key, with its meaning:
m8sim handset show --keys.

Examples:
  m8sim handset set modem.dial_result=691      # every GPRS dial is refused
  m8sim handset set accelerometer.present=false shell.answer_delay_ms.CShellMainWnd=3000)";

struct Assignment {
  std::string key;
  std::string value;
};

Assignment ParseAssignment(const std::string& argument) {
  size_t equals = argument.find('=');
  if (equals == std::string::npos || equals == 0)
    throw UsageError("not KEY=VALUE: \"" + argument + "\"");
  return {argument.substr(0, equals), argument.substr(equals + 1)};
}

// The values the text may stand for, as one-key documents ("v"), in the order they are tried:
// a TOML value as such, and the text itself. Text only when the key holds text now, the TOML
// value only when it holds anything else.
std::vector<toml::table> Readings(const std::string& value, const toml::node* current) {
  toml::table text;
  text.insert("v", value);
  std::optional<toml::table> typed;
  if (value.find_first_of("\r\n") == std::string::npos) {
    try {
      toml::table document = toml::parse("v = " + value);
      if (document.size() == 1 && document.contains("v")) typed = std::move(document);
    } catch (const toml::parse_error&) {
    }
  }
  if (!typed) return {text};
  if (typed->get("v")->is_table())
    throw UsageError("a table is not set whole: set its keys one by one, KEY.NAME=VALUE");
  if (typed->get("v")->is_string()) return {*typed};
  if (current) return {current->is_string() ? text : *typed};
  return {*typed, text};
}

// A value of the document as JSON.
nlohmann::json JsonValue(const toml::node& value) {
  toml::table document = toml::parse("v = " + TomlValueText(value));
  std::ostringstream json;
  json << toml::json_formatter(document);
  return nlohmann::json::parse(json.str())["v"];
}

// What the key's program holds in state.json instead of the file's value until the handset
// reboots; null when it holds nothing for the key.
nlohmann::json HeldValue(const fs::path& home, const std::vector<std::string>& path) {
  if (path.size() != 2) return nullptr;
  nlohmann::json section = sim::StateFile(home).Read(path[0]);
  if (!section.is_object()) return nullptr;
  // The shell keeps whether it runs as its run state.
  std::string field = path[0] == "shell" && path[1] == "running" ? "run" : path[1];
  auto found = section.find(field);
  return found == section.end() ? nlohmann::json() : *found;
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

int Set(Context& ctx, const std::vector<std::string>& arguments) {
  std::vector<Assignment> assignments;
  for (const std::string& argument : arguments) assignments.push_back(ParseAssignment(argument));
  const fs::path home = ctx.Home();
  sim::EnsureHandset(home);
  // Two changes at once would each write the file as it read it: one would be lost.
  sim::HomeLock lock(home);
  const fs::path file = home / "handset.toml";
  std::string text = ReadText(file);

  std::vector<nlohmann::json> records;
  for (const Assignment& assignment : assignments) {
    std::vector<std::string> path;
    const toml::node* current = nullptr;
    toml::table before;
    try {
      path = TomlKeyPath(assignment.key);
      before = toml::parse(text);
      current = TomlNodeAt(before, path);
    } catch (const TomlEditError& e) {
      throw UsageError(e.what());
    } catch (const toml::parse_error& e) {
      throw UsageError(file.string() + ":" + std::to_string(e.source().begin.line) + ": " +
                       std::string(e.description()));
    }
    std::string refused;
    for (const toml::table& reading : Readings(assignment.value, current)) {
      std::string changed;
      try {
        changed = SetTomlValue(text, path, *reading.get("v"));
        sim::ParseHandsetConfig(changed, file.string());
      } catch (const TomlEditError& e) {
        throw UsageError(e.what());
      } catch (const sim::HandsetConfigError& e) {
        if (refused.empty()) refused = e.what();
        continue;
      }
      text = std::move(changed);
      refused.clear();
      records.push_back({{"type", "handset_set"},
                         {"key", assignment.key},
                         {"old", current ? JsonValue(*current) : nlohmann::json()},
                         {"new", JsonValue(*reading.get("v"))}});
      break;
    }
    if (!refused.empty())
      throw UsageError("cannot set " + assignment.key + ": " + refused + "; " + file.string() +
                       " is left as it was");
  }
  if (!sim::ReplaceFileContents(file, text)) throw Failure("cannot write " + file.string());

  for (nlohmann::json& record : records) {
    const std::string key = record["key"];
    std::vector<std::string> path = TomlKeyPath(key);
    nlohmann::json held = HeldValue(home, path);
    record["held_until_reboot"] = held;
    std::string line =
        key + " = " + record["new"].dump() +
        (record["old"].is_null() ? " (was not set)" : " (was " + record["old"].dump() + ")");
    if (!held.is_null())
      line += "\n  note: state.json holds " + path[0] + "'s live " + path[1] + " = " + held.dump() +
              ", which the handset keeps until \"m8sim handset reboot\"";
    ctx.out.Emit(record, line);
  }
  // A running handset took its settings as it started: it is stopped, so that the next program
  // starts it with the new ones (from the live state it saved).
  if (auto server = cehost::QueryServer(home); server && cehost::StopServer(home))
    ctx.out.Text("stopped the running handset server (pid " + std::to_string(server->pid) +
                 "): the next program starts it with these settings");
  return 0;
}

}  // namespace

void AddHandsetSetCommand(CLI::App& handset, Context& ctx) {
  auto* set = handset.add_subcommand("set", "Change scripted values of the home's handset.toml");
  set->footer(kSetHelp);
  auto assignments = std::make_shared<std::vector<std::string>>();
  set->add_option("KEY=VALUE", *assignments, "The keys to change and their new values")->required();
  set->callback(
      [&ctx, assignments] { ctx.action = [&ctx, assignments] { return Set(ctx, *assignments); }; });
}

}  // namespace m8sim
