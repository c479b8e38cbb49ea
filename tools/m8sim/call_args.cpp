#include "call_args.h"

#include <atomic>
#include <cstdint>

#include "cehost/journal.h"
#include "cehost/text.h"
#include "errors.h"
#include "numbers.h"
#include "oem/shell.h"

namespace m8sim {

namespace {

enum class Kind {
  kInteger,
  kHandle,
  kText,
  kBuffer,
  kLength,
  kOutString,
  kOutInt,
  kOutDword,
  kOutChar,
  kOutRect,
  kOutTouch,
  kBytes,
  kTip,
  kCallback,
};

// The longest output buffer a call may ask for, in characters.
constexpr int64_t kMaxBuffer = 1 << 20;

std::atomic<CallbackSink> g_sink{nullptr};

void PrintingCallback(DWORD value) {
  if (CallbackSink sink = g_sink.load()) sink(value);
}

bool IsInteger(const std::string& type) {
  return type == "DWORD" || type == "UINT" || type == "INT" || type == "LONG" || type == "BYTE" ||
         type == "bool";
}

bool IsLengthOf(const std::vector<Param>& params, size_t i) {
  return i + 1 < params.size() && IsInteger(params[i + 1].type) &&
         params[i + 1].name.rfind("cch", 0) == 0;
}

// How the parameter's word is read, or false when its type has no reading.
bool KindOf(const std::vector<Param>& params, size_t i, Kind* kind) {
  const std::string& t = params[i].type;
  if (IsInteger(t)) {
    bool length = i > 0 && params[i - 1].type == "LPWSTR" && IsLengthOf(params, i - 1);
    *kind = length ? Kind::kLength : Kind::kInteger;
  } else if (t == "HWND" || t == "HANDLE") {
    *kind = Kind::kHandle;
  } else if (t == "LPCWSTR") {
    *kind = Kind::kText;
  } else if (t == "LPWSTR" && IsLengthOf(params, i)) {
    *kind = Kind::kBuffer;
  } else if (t == "LPWSTR*") {
    *kind = Kind::kOutString;
  } else if (t == "INT*") {
    *kind = Kind::kOutInt;
  } else if (t == "LPDWORD" || t == "DWORD*") {
    *kind = Kind::kOutDword;
  } else if (t == "signed char*") {
    *kind = Kind::kOutChar;
  } else if (t == "RECT*") {
    *kind = Kind::kOutRect;
  } else if (t == "TouchRawData*") {
    *kind = Kind::kOutTouch;
  } else if (t == "LPCVOID") {
    *kind = Kind::kBytes;
  } else if (t == "const DesktopIconTipBlock*") {
    *kind = Kind::kTip;
  } else if (t == "GprsConnectCallback") {
    *kind = Kind::kCallback;
  } else {
    return false;
  }
  return true;
}

bool IsOutput(Kind kind) {
  return kind == Kind::kBuffer || kind == Kind::kOutString || kind == Kind::kOutInt ||
         kind == Kind::kOutDword || kind == Kind::kOutChar || kind == Kind::kOutRect ||
         kind == Kind::kOutTouch;
}

// The integer the word gives a parameter of the type, within the type's range.
uint64_t ReadInteger(const std::string& type, const std::string& word, const std::string& what) {
  if (type == "bool" && (word == "true" || word == "false")) return word == "true";
  auto number = ParseNumber(word);
  if (!number) throw UsageError(what + ": not a number: '" + word + "'");
  int64_t low = INT32_MIN;
  int64_t high = UINT32_MAX;
  if (type == "BYTE") low = 0, high = 255;
  if (type == "bool") low = 0, high = 1;
  if (*number < low || *number > high)
    throw UsageError(what + ": " + word + " is out of range for " + type);
  return type == "BYTE" || type == "bool" ? static_cast<uint64_t>(*number)
                                          : static_cast<uint32_t>(*number);
}

}  // namespace

struct CallArgs::Slot {
  Kind kind = Kind::kInteger;
  bool null = false;
  std::u16string text;
  std::vector<char16_t> buffer;
  LPWSTR out_string = nullptr;
  INT out_int = 0;
  DWORD out_dword = 0;
  signed char out_char = 0;
  RECT rect = {};
  TouchRawData touch = {};
  std::string bytes;
  DesktopIconTipBlock tip = {};
};

std::vector<Param> ParseParameters(std::string_view text) {
  std::vector<Param> params;
  if (text == "void" || text.empty()) return params;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string_view::npos) end = text.size();
    std::string item(text.substr(start, end - start));
    while (!item.empty() && item.front() == ' ') item.erase(item.begin());
    size_t name_start = item.find_last_of(" *");
    Param p;
    p.name = item.substr(name_start + 1);
    p.type = item.substr(0, name_start + 1);
    while (!p.type.empty() && p.type.back() == ' ') p.type.pop_back();
    params.push_back(p);
    start = end + 1;
  }
  return params;
}

bool IsSupportedType(const std::string& type) {
  std::vector<Param> params = {{type, "p"}, {"DWORD", "cchP"}};
  Kind kind;
  return KindOf(params, 0, &kind);
}

void SetCallbackSink(CallbackSink sink) {
  g_sink = sink;
}

CallArgs::CallArgs(const std::vector<Param>& params, const std::vector<std::string>& words)
    : params_(params) {
  if (words.size() != params.size()) {
    throw UsageError("takes " + std::to_string(params.size()) + " argument" +
                     (params.size() == 1 ? "" : "s") + ", not " + std::to_string(words.size()));
  }
  args_.resize(params.size());
  for (size_t i = 0; i < params.size(); ++i) {
    auto slot = std::make_unique<Slot>();
    const std::string& word = words[i];
    std::string what =
        "argument " + std::to_string(i + 1) + " (" + params[i].type + " " + params[i].name + ")";
    if (!KindOf(params, i, &slot->kind)) throw UsageError(what + ": cannot be given yet");
    CallArg& arg = args_[i];
    slot->null = word == "null" && slot->kind != Kind::kInteger && slot->kind != Kind::kLength;
    switch (slot->kind) {
      case Kind::kInteger:
      case Kind::kLength:
        arg.number = ReadInteger(params[i].type, word, what);
        if (slot->kind == Kind::kLength && static_cast<int64_t>(arg.number) > kMaxBuffer)
          throw UsageError(what + ": longer than " + std::to_string(kMaxBuffer));
        break;
      case Kind::kHandle:
        if (!slot->null) {
          auto number = ParseNumber(word);
          if (!number) throw UsageError(what + ": not a handle (a number or null): '" + word + "'");
          arg.pointer = reinterpret_cast<void*>(static_cast<uintptr_t>(*number));
        }
        break;
      case Kind::kText:
        if (!slot->null) {
          slot->text = cehost::ToUtf16(word.rfind("text:", 0) == 0 ? word.substr(5) : word);
          arg.pointer = slot->text.data();
        }
        break;
      case Kind::kBytes:
        if (!slot->null) {
          auto bytes = ParseHexBytes(word);
          if (!bytes) throw UsageError(what + ": not hex bytes or null: '" + word + "'");
          // The only block passed this way is a user notification's content, which the
          // library reads whole: shorter bytes are padded with zeros, longer ones refused.
          if (bytes->size() > USER_NOTIFICATION_CONTENT_BYTES)
            throw UsageError(what + ": more than " +
                             std::to_string(USER_NOTIFICATION_CONTENT_BYTES) + " bytes");
          slot->bytes = *bytes;
          slot->bytes.resize(USER_NOTIFICATION_CONTENT_BYTES, '\0');
          arg.pointer = slot->bytes.data();
        }
        break;
      case Kind::kTip:
        if (!slot->null) {
          std::vector<DWORD> words32;
          size_t start = 0;
          while (start <= word.size()) {
            size_t end = std::min(word.find(',', start), word.size());
            words32.push_back(
                static_cast<DWORD>(ReadInteger("DWORD", word.substr(start, end - start), what)));
            start = end + 1;
          }
          if (words32.size() != 4) throw UsageError(what + ": four numbers a,b,c,d or null");
          for (size_t w = 0; w < 4; ++w) slot->tip.dwData[w] = words32[w];
          arg.pointer = &slot->tip;
        }
        break;
      case Kind::kCallback:
        if (!slot->null && word != "print")
          throw UsageError(what + ": null or print, not '" + word + "'");
        arg.callback = slot->null ? nullptr : &PrintingCallback;
        break;
      default:
        if (!slot->null && word != "out")
          throw UsageError(what + ": out or null, not '" + word + "'");
        break;
    }
    slots_.push_back(std::move(slot));
  }
  // Outputs point at their slots; a buffer is as long as the length that follows it.
  for (size_t i = 0; i < slots_.size(); ++i) {
    Slot& s = *slots_[i];
    if (s.null) continue;
    void*& p = args_[i].pointer;
    switch (s.kind) {
      case Kind::kBuffer:
        s.buffer.assign(std::max<size_t>(args_[i + 1].number, 1), u'\0');
        p = s.buffer.data();
        break;
      case Kind::kOutString:
        p = &s.out_string;
        break;
      case Kind::kOutInt:
        p = &s.out_int;
        break;
      case Kind::kOutDword:
        p = &s.out_dword;
        break;
      case Kind::kOutChar:
        p = &s.out_char;
        break;
      case Kind::kOutRect:
        p = &s.rect;
        break;
      case Kind::kOutTouch:
        p = &s.touch;
        break;
      default:
        break;
    }
  }
}

CallArgs::~CallArgs() {
  for (const auto& slot : slots_)
    if (slot->kind == Kind::kOutString) delete[] slot->out_string;
}

nlohmann::json CallArgs::Outputs() const {
  nlohmann::json outputs = nlohmann::json::object();
  for (size_t i = 0; i < slots_.size(); ++i) {
    const Slot& s = *slots_[i];
    if (!IsOutput(s.kind) || s.null) continue;
    nlohmann::json& out = outputs[params_[i].name];
    switch (s.kind) {
      case Kind::kBuffer: {
        // Up to the terminator, and never past the buffer when there is none.
        std::u16string_view text(s.buffer.data(), s.buffer.size());
        out = cehost::ToUtf8(text.substr(0, text.find(u'\0')));
        break;
      }
      case Kind::kOutString:
        out = s.out_string ? nlohmann::json(cehost::ToUtf8(s.out_string)) : nlohmann::json();
        break;
      case Kind::kOutInt:
        out = s.out_int;
        break;
      case Kind::kOutDword:
        out = s.out_dword;
        break;
      case Kind::kOutChar:
        out = static_cast<int>(s.out_char);
        break;
      case Kind::kOutRect:
        out = {{"left", s.rect.left},
               {"top", s.rect.top},
               {"right", s.rect.right},
               {"bottom", s.rect.bottom}};
        break;
      case Kind::kOutTouch:
        out = {{"dwSize", s.touch.dwSize},
               {"abSample", cehost::HexBytes(s.touch.abSample, sizeof s.touch.abSample)}};
        break;
      default:
        break;
    }
  }
  return outputs;
}

}  // namespace m8sim
