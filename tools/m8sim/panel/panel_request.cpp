#include "panel_request.h"

#include <algorithm>
#include <exception>

#include "call_args.h"
#include "errors.h"
#include "exports_lookup.h"

namespace m8sim {

namespace {

// Why a request was refused, as it is answered.
struct Refused {
  std::string message;
};

// The body as JSON. The parser reads without recursing, and values are counted as they come: a
// body nesting deeper than kMaxBodyDepth or holding more than kMaxBodyValues values is refused
// before its tree is built, so no deep or large tree is ever made.
nlohmann::json ParseBody(const std::string& body) {
  std::string refusal;
  size_t values = 0;
  nlohmann::json parsed = nlohmann::json::parse(
      body,
      [&](int depth, nlohmann::json::parse_event_t event, nlohmann::json&) {
        if (depth > kMaxBodyDepth) {
          refusal = "the body nests deeper than " + std::to_string(kMaxBodyDepth) + " levels";
          return false;
        }
        if (event == nlohmann::json::parse_event_t::value ||
            event == nlohmann::json::parse_event_t::object_start ||
            event == nlohmann::json::parse_event_t::array_start) {
          if (++values > kMaxBodyValues) {
            refusal = "the body holds more than " + std::to_string(kMaxBodyValues) + " values";
            return false;
          }
        }
        return true;
      },
      false);
  if (!refusal.empty()) throw Refused{refusal};
  if (!parsed.is_object()) throw Refused{"the body must be a JSON object"};
  return parsed;
}

// A field of the body that must be text (numbers are taken as their digits), of at most
// kMaxWordBytes.
bool Word(const nlohmann::json& value, std::string* word) {
  if (value.is_string()) {
    *word = value.get<std::string>();
  } else if (value.is_number_integer()) {
    *word = value.dump();
  } else {
    return false;
  }
  if (word->size() > kMaxWordBytes)
    throw Refused{"a word is longer than " + std::to_string(kMaxWordBytes) + " bytes"};
  return true;
}

// A name given to a command that takes options: one starting with "-" would be taken for one.
std::string PlainName(const nlohmann::json& body, const char* field, const std::string& refusal) {
  std::string name;
  if (!body.contains(field) || !Word(body[field], &name) || name.empty() || name.front() == '-')
    throw Refused{refusal};
  return name;
}

// A device's field name: a letter, then letters, digits and "_", as the devices name them. Never
// an option, and never an "=" that would move the value.
bool FieldName(const std::string& name) {
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  return !name.empty() && letter(name.front()) &&
         std::all_of(name.begin(), name.end(),
                     [&](char c) { return letter(c) || digit(c) || c == '_'; });
}

std::vector<std::string> CallCommand(const nlohmann::json& body) {
  std::string name = PlainName(body, "export", "\"export\" must name an export");
  const nlohmann::json args = body.value("args", nlohmann::json::array());
  if (!args.is_array()) throw Refused{"\"args\" must be a list of words"};
  // The export and its number of parameters are known before anything runs.
  size_t parameters = 0;
  try {
    parameters = ParseParameters(FindExport(name, args.size()).parameters).size();
  } catch (const UsageError& e) {
    throw Refused{e.what()};
  }
  if (args.size() != parameters) {
    throw Refused{name + ": takes " + std::to_string(parameters) +
                  (parameters == 1 ? " argument" : " arguments") + ", not " +
                  std::to_string(args.size())};
  }
  std::vector<std::string> words = {"call", name};
  bool option_like = false;
  for (const auto& arg : args) {
    std::string word;
    if (!Word(arg, &word)) throw Refused{"\"args\" must be a list of words"};
    option_like = option_like || word.starts_with("-");
    words.push_back(word);
  }
  // Words that would read as options ("-5") come after "--", which goes before them all.
  if (option_like) words.insert(words.begin() + 2, "--");
  return words;
}

std::vector<std::string> DeviceCommand(const nlohmann::json& body) {
  const std::string refusal = "\"device\" must name a device and \"set\" give its fields";
  std::string name = PlainName(body, "device", refusal);
  const nlohmann::json set = body.value("set", nlohmann::json());
  if (!set.is_object() || set.empty()) throw Refused{refusal};
  std::vector<std::string> words = {"device", "set", name};
  for (const auto& [field, value] : set.items()) {
    std::string text;
    if (!FieldName(field) || field.size() > kMaxWordBytes)
      throw Refused{"\"set\" names its fields with letters, digits and _ only"};
    if (!Word(value, &text)) throw Refused{"\"set\" must give each field a value"};
    words.push_back(field + "=" + text);
  }
  return words;
}

// The command line a POST asks for; none for a path that is no action.
std::vector<std::string> CommandFor(const std::string& path, const nlohmann::json& body) {
  if (path == "/api/call") return CallCommand(body);
  if (path == "/api/device") return DeviceCommand(body);
  if (path == "/api/shell")
    return {"shell", "event", PlainName(body, "event", "\"event\" must name a shell event")};
  if (path == "/api/snapshot" || path == "/api/diff") {
    return {"handset", path == "/api/snapshot" ? "snapshot" : "diff",
            PlainName(body, "name", "\"name\" must name a snapshot")};
  }
  return {};
}

}  // namespace

PanelRequest ReadPanelRequest(const std::string& path, const std::string& body) {
  PanelRequest request;
  try {
    request.words = CommandFor(path, ParseBody(body));
    if (request.words.empty()) request.refusal = {404, {{"error", "no such action: " + path}}};
  } catch (const Refused& refused) {
    request.words.clear();
    request.refusal = {400, {{"error", refused.message}}};
  }
  return request;
}

}  // namespace m8sim
