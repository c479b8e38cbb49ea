#include "exports_lookup.h"

#include <cstdio>

#include "call_args.h"
#include "errors.h"
#include "numbers.h"

namespace m8sim {

const ExportInfo& FindExport(const std::string& name, size_t argument_count) {
  std::vector<const ExportInfo*> named;
  for (const auto& info : Exports())
    if (name == info.name || name == info.list_name) named.push_back(&info);
  if (named.empty()) throw UsageError("unknown export: " + name + " (see m8sim list)");
  std::vector<const ExportInfo*> implemented;
  for (const auto* info : named)
    if (info->call) implemented.push_back(info);
  if (implemented.empty()) throw UsageError(name + " is not implemented by the library yet");
  if (implemented.size() == 1) return *implemented[0];
  std::string forms;
  for (const auto* info : implemented) {
    if (ParseParameters(info->parameters).size() == argument_count) return *info;
    forms += (forms.empty() ? "" : "; ") + Signature(*info);
  }
  throw UsageError(name + " has no form taking " + std::to_string(argument_count) +
                   " arguments: " + forms);
}

std::string Signature(const ExportInfo& info) {
  return std::string(info.result) + " " + info.name + "(" + info.parameters + ")";
}

std::string ResultText(const ExportInfo& info, int64_t value) {
  std::string type = info.result;
  if (type == "bool") return value ? "true" : "false";
  if (type == "HANDLE") {
    if (!value) return "null";
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
  }
  if (type == "DWORD" || type == "UINT") {
    uint32_t u = static_cast<uint32_t>(value);
    return std::to_string(u) + (u > 9 ? " (" + Hex32(u) + ")" : "");
  }
  return std::to_string(static_cast<int32_t>(value));
}

}  // namespace m8sim
