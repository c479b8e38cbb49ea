// A small check harness that builds the same way for cehost and for Win32: each failed check
// prints what was observed and what was expected; the run ends with "N passed, N failed".
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "portable.h"

namespace conformance {

// Where a check runs.
enum class Where {
  kBoth,    // on cehost and on Wine: both must give the documented answer
  kCeOnly,  // Windows CE documents another behaviour than desktop Win32: cehost only
};

// Printable forms of the values checks compare: integers as "decimal (0xHEX)", the hexadecimal
// form as wide as the value's type (bits), so that -1 of a LONG reads "-1 (0xFFFFFFFF)".
std::string ShowSigned(int64_t value, int bits = 64);
std::string ShowUnsigned(uint64_t value, int bits = 64);
template <class T>
requires(std::is_integral_v<T> && !std::is_same_v<T, bool>) std::string Show(T value) {
  if constexpr (std::is_signed_v<T>) {
    return ShowSigned(static_cast<int64_t>(value), static_cast<int>(sizeof(T) * 8));
  } else {
    return ShowUnsigned(static_cast<uint64_t>(value), static_cast<int>(sizeof(T) * 8));
  }
}
inline std::string Show(bool value) {
  return value ? "true" : "false";
}
std::string Show(const void* pointer);
std::string Show(const std::string& text);
std::string Show(const char* text);
std::string Show(const WideString& text);
// A wide literal or buffer shows as its text (not as a pointer); null shows as "null".
std::string Show(const WCHAR* text);
std::string Show(const std::vector<uint8_t>& bytes);

// Records one comparison; when they differ, prints "file:line: expression: observed X, expected
// Y" and marks the running check failed. Returns whether they matched. Any thread may call it;
// the calling thread's last error is left as it was.
bool Report(bool ok, const char* file, int line, const char* expression,
            const std::string& observed, const std::string& expected);

// Under Wine: marks the running check as skipped because Wine differs from the documented
// Windows behaviour, prints the reason and ends the check at once (call it from the check's own
// thread). On cehost it does nothing.
void SkipOnWine(const char* reason);

// Adds a check to the run, after those registered before it; used by the registration macros.
struct Registration {
  Registration(const char* group, const char* name, Where where, void (*body)());
};

// The last error a call leaves when it does not set one: set before each call under check.
constexpr DWORD kSentinel = 0x5EA1ED;

// A buffer with guard bytes on both sides, so that writing past either end is a failure.
class Guarded {
 public:
  explicit Guarded(size_t size);
  uint8_t* data() { return storage_.data() + kGuard; }
  size_t size() const { return size_; }
  // True when no byte outside the buffer changed.
  bool Intact() const;
  template <class T>
  T* as() {
    return reinterpret_cast<T*>(data());
  }

 private:
  static constexpr size_t kGuard = 16;
  static constexpr uint8_t kPattern = 0xA5;
  size_t size_;
  std::vector<uint8_t> storage_;
};

// The buffer wsprintfW may fill: 1024 characters, the terminator included.
constexpr size_t kWsprintfLimit = 1024;

}  // namespace conformance

#define CONFORMANCE_CONCAT2(a, b) a##b
#define CONFORMANCE_CONCAT(a, b) CONFORMANCE_CONCAT2(a, b)

// Defines a check of a group that must hold on cehost and on Wine alike.
#define CHECK_CASE(group, name)                                                       \
  static void CONFORMANCE_CONCAT(check_, name)();                                     \
  static ::conformance::Registration CONFORMANCE_CONCAT(registration_, name)(         \
      #group, #name, ::conformance::Where::kBoth, &CONFORMANCE_CONCAT(check_, name)); \
  static void CONFORMANCE_CONCAT(check_, name)()

// Defines a check of behaviour that Windows CE documents differently from desktop Win32; it runs
// on cehost only. A comment at the check names the documentary reason.
#define CE_ONLY_CASE(group, name)                                                       \
  static void CONFORMANCE_CONCAT(check_, name)();                                       \
  static ::conformance::Registration CONFORMANCE_CONCAT(registration_, name)(           \
      #group, #name, ::conformance::Where::kCeOnly, &CONFORMANCE_CONCAT(check_, name)); \
  static void CONFORMANCE_CONCAT(check_, name)()

// Compares a value with the expected one; the observed expression is evaluated once, so a
// platform call inside it is made once.
#define EXPECT_SAME(observed, expected)                                                          \
  [&] {                                                                                          \
    const auto observed_ = (observed);                                                           \
    return ::conformance::Report(observed_ == (expected), __FILE__, __LINE__, #observed,         \
                                 ::conformance::Show(observed_), ::conformance::Show(expected)); \
  }()

#define EXPECT_TRUE_(condition)                                                                \
  ::conformance::Report(static_cast<bool>(condition), __FILE__, __LINE__, #condition, "false", \
                        "true")

// Checks the calling thread's last error.
#define EXPECT_LAST_ERROR(expected)                                                         \
  ::conformance::Report(GetLastError() == static_cast<DWORD>(expected), __FILE__, __LINE__, \
                        "GetLastError()", ::conformance::Show(GetLastError()),              \
                        ::conformance::Show(static_cast<DWORD>(expected)))
