// The export table and the typed caller behind each row: an export is called with arguments made
// from the command line, each converted to the parameter type the export declares.
#pragma once

#include <cstdint>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

#include "frame/exports.h"

namespace m8sim {

// One argument made for a call: a number, a pointer to storage the call owns, or a callback.
struct CallArg {
  uint64_t number = 0;
  void* pointer = nullptr;
  GprsConnectCallback callback = nullptr;
};

// What a call returned: nothing for a void export, else the value widened to 64 bits.
struct CallReturn {
  bool has_value = false;
  int64_t value = 0;
};

using CallFunction = CallReturn (*)(const std::vector<CallArg>& args);

// One export as the interface declares it; call is null when the library does not implement it.
struct ExportInfo {
  const char* name;
  const char* family;
  const char* result;
  const char* parameters;
  const char* linkage;
  // The line of the export list that names it (the signature for the decorated ones).
  const char* list_name;
  CallFunction call;
};

// Every export of the interface, in its order.
std::span<const ExportInfo> Exports();

// The argument converted to the parameter's type.
template <typename T>
T ArgAs(const CallArg& arg) {
  if constexpr (std::is_same_v<T, GprsConnectCallback>) {
    return arg.callback;
  } else if constexpr (std::is_pointer_v<T>) {
    return static_cast<T>(arg.pointer);
  } else if constexpr (std::is_same_v<T, bool>) {
    return arg.number != 0;
  } else {
    return static_cast<T>(arg.number);
  }
}

// The result widened: signed types keep their sign, pointers become their address.
template <typename R>
int64_t Widen(R value) {
  if constexpr (std::is_pointer_v<R>) {
    return static_cast<int64_t>(reinterpret_cast<uintptr_t>(value));
  } else {
    return static_cast<int64_t>(value);
  }
}

template <auto F>
struct Invoker;

// Calls F with one converted argument per parameter.
template <typename R, typename... A, R (*F)(A...)>
struct Invoker<F> {
  static CallReturn Call(const std::vector<CallArg>& args) {
    return Run(args, std::index_sequence_for<A...>{});
  }

 private:
  template <size_t... I>
  static CallReturn Run([[maybe_unused]] const std::vector<CallArg>& args,
                        std::index_sequence<I...>) {
    if constexpr (std::is_void_v<R>) {
      F(ArgAs<A>(args[I])...);
      return {};
    } else {
      return {true, Widen(F(ArgAs<A>(args[I])...))};
    }
  }
};

}  // namespace m8sim
