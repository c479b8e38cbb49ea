// The steps of a demo on the handset: each shows its call, its result and the journal of what it
// did.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "ce/types.h"
#include "invoker.h"
#include "output.h"
#include "sim/handset.h"

namespace m8sim {

class DemoSteps {
 public:
  DemoSteps(Output& out, sim::Handset& handset) : out_(out), handset_(handset) {}

  // Shows one numbered step ("call -> result: meaning", with the fields of details in JSON) and
  // the journal of what it did; the journal starts empty again for the next step.
  void Step(const std::string& step, const std::string& call, const nlohmann::json& result,
            const std::string& meaning, const nlohmann::json& details);

 private:
  Output& out_;
  sim::Handset& handset_;
  int number_ = 0;
};

// A call's result as JSON: true or false for a bool export, else the number.
nlohmann::json ResultJson(const ExportInfo& info, int64_t value);

// What a result of QueryNetWorkStatus means: "Wi-Fi", "USB", "GPRS with proxy"...
const char* NetworkStatusMeaning(DWORD status);

// The export a demo calls, by name and argument count; throws Failure saying that the demo
// cannot run when the library does not implement it.
const ExportInfo& DemoExport(const std::string& demo, const std::string& name,
                             size_t argument_count);

}  // namespace m8sim
