#include "demo_steps.h"

#include "errors.h"
#include "exports_lookup.h"
#include "journal_view.h"

namespace m8sim {

void DemoSteps::Step(const std::string& step, const std::string& call, const nlohmann::json& result,
                     const std::string& meaning, const nlohmann::json& details) {
  ++number_;
  std::string head = std::to_string(number_) + ". " + step;
  head.resize(std::max<size_t>(head.size() + 1, 17), ' ');
  std::string text = head + call;
  if (!result.is_null()) text += " -> " + result.dump();
  text += ": " + meaning;
  nlohmann::json record = {{"type", "step"}, {"step", step},     {"number", number_},
                           {"call", call},   {"result", result}, {"meaning", meaning}};
  if (details.is_object()) record.update(details);
  out_.Emit(record, text);
  EmitJournal(out_, handset_.journal().Entries(), {{"step", step}});
  handset_.journal().Clear();
}

nlohmann::json ResultJson(const ExportInfo& info, int64_t value) {
  if (std::string_view(info.result) == "bool") return value != 0;
  return value;
}

const char* NetworkStatusMeaning(DWORD status) {
  switch (status) {
    case 2:
      return "Wi-Fi";
    case 3:
      return "USB";
    case 4:
      return "GPRS with proxy";
    case 5:
      return "GPRS without proxy";
    default:
      return "no network";
  }
}

const ExportInfo& DemoExport(const std::string& demo, const std::string& name,
                             size_t argument_count) {
  try {
    return FindExport(name, argument_count);
  } catch (const UsageError& e) {
    throw Failure("cannot run the " + demo + " demo: " + e.what());
  }
}

}  // namespace m8sim
