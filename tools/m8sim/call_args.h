// The arguments of one export call, made from command-line words by the export's parameter
// types. Every parameter takes one word:
//   integers (DWORD, UINT, INT, BYTE, bool)  decimal or 0x hex; bool also true/false
//   HWND, HANDLE                             a number or null
//   LPCWSTR                                  the text; null for a null pointer, text:null for
//                                            the text "null"
//   LPWSTR with a following cch length       out (a buffer of that length is made) or null
//   LPWSTR*, INT*, LPDWORD, signed char*,    out (a variable is made and shown after the call)
//   RECT*, TouchRawData*                     or null
//   LPCVOID                                  hex bytes or null
//   const DesktopIconTipBlock*               four numbers separated by commas, or null
//   GprsConnectCallback                      null, or print (prints each value it receives)
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "invoker.h"

namespace m8sim {

// One parameter as the interface declares it.
struct Param {
  std::string type;
  std::string name;
};

// The parameters of a declaration's parameter text ("HWND hwnd, DWORD dwMode"; "void" is none).
std::vector<Param> ParseParameters(std::string_view text);

// Whether the parameter type is one CallArgs knows how to make.
bool IsSupportedType(const std::string& type);

// Where a callback made with "print" reports the values it receives; null drops them.
using CallbackSink = void (*)(DWORD value);
void SetCallbackSink(CallbackSink sink);

class CallArgs {
 public:
  // Makes one argument per parameter from its word; throws UsageError naming the parameter whose
  // word does not fit, or when the number of words is not the number of parameters.
  CallArgs(const std::vector<Param>& params, const std::vector<std::string>& words);
  ~CallArgs();
  CallArgs(const CallArgs&) = delete;
  CallArgs& operator=(const CallArgs&) = delete;

  // The arguments to hand to the export.
  const std::vector<CallArg>& args() const { return args_; }
  // The output arguments after the call, by parameter name: text, numbers, records.
  nlohmann::json Outputs() const;

 private:
  struct Slot;
  std::vector<Param> params_;
  std::vector<std::unique_ptr<Slot>> slots_;
  std::vector<CallArg> args_;
};

}  // namespace m8sim
