// m8sim call and m8sim list: any implemented export, called by name with arguments read by its
// parameter types; every export of the interface with its signature.
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "call_args.h"
#include "cehost/handset.h"
#include "context.h"
#include "errors.h"
#include "exports_lookup.h"
#include "handset_steer.h"
#include "journal_view.h"
#include "sim/shell/shell.h"

namespace m8sim {

namespace {

constexpr const char* kCallHelp =
    R"(Calls an export of the library on the handset and shows its result, its output
arguments and the journal of the call (every effect it had on the handset).

Every parameter takes one argument:
  DWORD UINT INT BYTE bool   decimal or 0x hex (bool: 0, 1, true, false)
  HWND HANDLE                a number or null
  LPCWSTR                    the text; null for a null pointer, text:null for "null"
  LPWSTR + cch length        out (a buffer of the given length is made) or null
  LPWSTR* INT* LPDWORD       out (a variable is made and shown after the call) or null
  signed char* RECT* TouchRawData*   out or null
  LPCVOID                    hex bytes (a notification's 5072, zero-padded) or null
  const DesktopIconTipBlock* four numbers a,b,c,d or null
  GprsConnectCallback        null, or print (prints each value it receives)
An export with two forms (Dial_StartGprsConnect2) is chosen by the number of arguments, or
by its full signature as "m8sim list" shows it. Arguments starting with "-" may follow "--".
Several calls made in turn by one program are separated by "+" (the text "+" is text:+).

Examples:
  m8sim call QueryNetWorkStatus
  m8sim call CalllNotifyApiStartGprsConnect2 null 0
  m8sim call Dial_StartGprsConnect2 print 1 CMWAP
  m8sim call CallNotifyApiGetImeiSerialNumber2 null out 16 out 32
  m8sim call IniReadStringEx CMNET APN out '\Windows\46000.ini'
  m8sim call AccAPIOpen + AccAPIGetXYZ out out out)";

// The values a "print" callback received, shown after the call's result; the callback may run
// on a worker thread of the library.
class CallbackValues {
 public:
  void Keep(DWORD value) {
    std::lock_guard lock(mutex_);
    values_.push_back(value);
  }
  // The values kept so far, in order; none are kept afterwards.
  std::vector<DWORD> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(values_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<DWORD> values_;
};

CallbackValues g_callback_values;

void KeepCallbackValue(DWORD value) {
  g_callback_values.Keep(value);
}

// One call of the command line: the export and its arguments, made before anything is called.
struct PreparedCall {
  const ExportInfo* info;
  std::vector<std::string> words;
  std::unique_ptr<CallArgs> args;
};

// The calls "NAME ARGS... + NAME ARGS..." names; throws UsageError for any that does not fit.
std::vector<PreparedCall> PrepareCalls(const std::string& name,
                                       const std::vector<std::string>& words) {
  std::vector<std::vector<std::string>> segments = {{name}};
  for (const std::string& word : words) {
    if (word == "+")
      segments.emplace_back();
    else
      segments.back().push_back(word);
  }
  std::vector<PreparedCall> calls;
  for (auto& segment : segments) {
    if (segment.empty()) throw UsageError("expected an export's name after \"+\"");
    std::vector<std::string> call_words(segment.begin() + 1, segment.end());
    const ExportInfo& info = FindExport(segment.front(), call_words.size());
    try {
      auto args = std::make_unique<CallArgs>(ParseParameters(info.parameters), call_words);
      calls.push_back({&info, std::move(call_words), std::move(args)});
    } catch (const UsageError& e) {
      throw UsageError(std::string(info.name) + ": " + e.what());
    }
  }
  return calls;
}

int RunCall(Context& ctx, const std::string& name, const std::vector<std::string>& words) {
  std::vector<PreparedCall> calls = PrepareCalls(name, words);
  // On a running handset the calls are an attached program's, as an application's are; else
  // the command runs the handset itself.
  bool served = ctx.AttachToServer();
  sim::Handset* handset = served ? nullptr : &ctx.Handset();
  uint64_t shown = 0;
  if (served) {
    shown = UINT64_MAX;
    ServedEntriesSince(ctx, &shown, false);
  }
  for (PreparedCall& call : calls) {
    const ExportInfo& info = *call.info;
    SetCallbackSink(&KeepCallbackValue);
    CallReturn result = info.call(call.args->args());
    // The worker threads the call started end before its effects are shown (a dial's callback
    // runs on one); a worker that runs on past the limit is shown as far as it got.
    cehost::WaitForThreads(10000);
    // The shell handles the records the call wrote, so that what it made of them shows too.
    std::vector<cehost::JournalEntry> entries;
    if (served) {
      entries = ServedEntriesSince(ctx, &shown, true);
    } else {
      if (auto shell = sim::CurrentShell()) shell->WaitIdle(10000);
      // This call's effects: the ones after those of the calls before it.
      for (auto& entry : handset->journal().Entries())
        if (entry.seq > shown) entries.push_back(std::move(entry));
      if (!entries.empty()) shown = entries.back().seq;
    }
    SetCallbackSink(nullptr);

    nlohmann::json outputs = call.args->Outputs();
    std::string text = std::string(info.name) + "(";
    for (size_t i = 0; i < call.words.size(); ++i) text += (i ? ", " : "") + call.words[i];
    text += ")";
    if (result.has_value) text += " -> " + ResultText(info, result.value);
    ctx.result_text += (ctx.result_text.empty() ? "" : "; ") + text;
    for (const auto& [param, value] : outputs.items())
      text += "\n  " + param + " = " + value.dump();
    nlohmann::json record = {{"type", "call"},
                             {"export", info.name},
                             {"signature", Signature(info)},
                             {"args", call.words},
                             {"result", result.has_value ? nlohmann::json(result.value) : nullptr},
                             {"outputs", outputs}};
    ctx.out.Emit(record, text);
    for (DWORD value : g_callback_values.Take())
      ctx.out.Emit({{"type", "callback"}, {"value", value}},
                   "  callback received " + std::to_string(value));
    EmitJournal(ctx.out, entries, {{"export", info.name}});
  }
  return 0;
}

int RunList(Context& ctx, bool implemented_only, const std::string& family) {
  size_t shown = 0;
  for (const auto& info : Exports()) {
    bool implemented = info.call != nullptr;
    if ((implemented_only && !implemented) || (!family.empty() && family != info.family)) continue;
    ++shown;
    std::string family_column = info.family;
    family_column.resize(11, ' ');
    ctx.out.Emit({{"type", "export"},
                  {"name", info.name},
                  {"family", info.family},
                  {"result", info.result},
                  {"parameters", info.parameters},
                  {"linkage", info.linkage},
                  {"implemented", implemented}},
                 std::string(implemented ? "* " : "  ") + family_column + Signature(info));
  }
  ctx.out.Text(std::to_string(shown) + " exports; * marks the ones the library implements");
  return 0;
}

}  // namespace

void AddCallCommands(CLI::App& app, Context& ctx) {
  auto* call = app.add_subcommand("call", "Call an export of the library by name");
  call->footer(kCallHelp);
  auto name = std::make_shared<std::string>();
  auto words = std::make_shared<std::vector<std::string>>();
  call->add_option("export", *name, "The export's name (see m8sim list)")->required();
  call->add_option("args", *words, "One argument per parameter; + before each further call");
  call->callback([&ctx, name, words] {
    ctx.action = [&ctx, name, words] { return RunCall(ctx, *name, *words); };
  });

  auto* list = app.add_subcommand("list", "List every export with its signature and family");
  auto implemented = std::make_shared<bool>(false);
  auto family = std::make_shared<std::string>();
  list->add_flag("--implemented", *implemented, "Only the exports the library implements");
  list->add_option("--family", *family, "Only one family (telephony, ini, settings, ...)");
  list->callback([&ctx, implemented, family] {
    ctx.action = [&ctx, implemented, family] { return RunList(ctx, *implemented, *family); };
  });
}

}  // namespace m8sim
