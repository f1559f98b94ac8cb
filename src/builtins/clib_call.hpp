// Calling the C library from a builtin: argument classes, the conversion of
// arguments to native parameters and of native results back to terms.
//
// Every bridge builtin is one library call.  A row names the function, the
// class of each argument and, where the C result type does not say it, how
// the result comes back; `bridgeCall` does the rest:
//
//   'I'  integer: a number, passed as the C parameter type needs (the low
//        bits for int and unsigned, the whole 64 bits for sizes and
//        pointers)
//   'S'  C string or byte buffer: a byte block (its payload), an integer (an
//        address in native memory) or a constant (its quoted text)
//   'R'  real: the double it holds
//
// The first argument that is not of its class makes the builtin answer `Z`
// and the library is not called.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "builtins/args.hpp"
#include "numbers/number.hpp"
#include "numbers/real.hpp"
#include "term/tables.hpp"

namespace quorl {

// One argument in native form.  `text` is set for an 'S' argument given as
// a byte block or constant, and then `extent` is the number of bytes behind
// it (the terminating NUL not counted); for an address it stays unknown.
struct NativeArg {
  int64_t integer = 0;
  double real = 0;
  const char* text = nullptr;
  size_t extent = SIZE_MAX;

  // Whether `count` bytes may be read from the buffer this argument names.
  bool holds(uint64_t count) const { return text == nullptr || count <= extent; }
};

inline constexpr int kMaxBridgeArity = 7;

// Reads the redex's arguments by the classes spelled in `classes` (one
// letter per argument, in order).  False as soon as one is not of its class.
// A constant's packed text stays valid until the next call.
bool readNativeArgs(const Node* redex, const char* classes, NativeArg* out);

// How a native result comes back.  `natural` follows the C type: nothing
// gives the unit "I", a double a real, a pointer its address, a signed
// integer its value and an unsigned one its unsigned value.  `truth` gives
// K for non-zero, H for zero.
enum class Yield { natural, truth };

// The result and parameter types of a function.  Going through a function
// call drops the attributes the C headers put on library functions.
template <typename R, typename... P, bool NoExcept>
constexpr auto plainFunction(R (*f)(P...) noexcept(NoExcept)) -> R (*)(P...) {
  return f;
}
template <typename F>
struct CSignatureOf;
template <typename R, typename... P>
struct CSignatureOf<R (*)(P...)> {
  using Result = R;
  using Params = std::tuple<P...>;
};
template <auto Fn>
using CSignature = CSignatureOf<decltype(plainFunction(Fn))>;

template <typename P>
P nativeParameter(const NativeArg& arg) {
  if constexpr (std::is_floating_point_v<P>) {
    return arg.real;
  } else if constexpr (std::is_pointer_v<P>) {
    if (arg.text != nullptr) return reinterpret_cast<P>(const_cast<char*>(arg.text));
    return reinterpret_cast<P>(static_cast<intptr_t>(arg.integer));
  } else {
    return static_cast<P>(arg.integer);
  }
}

template <Yield Y, typename R>
NodeRef nativeResult(R value) {
  if constexpr (Y == Yield::truth) {
    return truthValue(value != 0);
  } else if constexpr (std::is_floating_point_v<R>) {
    return makeReal(value);
  } else if constexpr (std::is_pointer_v<R>) {
    return numberFromInt64(static_cast<int64_t>(reinterpret_cast<intptr_t>(value)));
  } else if constexpr (std::is_signed_v<R>) {
    return numberFromInt64(static_cast<int64_t>(value));
  } else {
    return numberFromUInt64(static_cast<uint64_t>(value));
  }
}

template <auto Fn, Yield Y, size_t... K>
NodeRef invokeNative(const NativeArg* args, std::index_sequence<K...>) {
  using Signature = CSignature<Fn>;
  using Params = typename Signature::Params;
  if constexpr (std::is_void_v<typename Signature::Result>) {
    Fn(nativeParameter<std::tuple_element_t<K, Params>>(args[K])...);
    return sharedLeaf('I');
  } else {
    return nativeResult<Y>(Fn(nativeParameter<std::tuple_element_t<K, Params>>(args[K])...));
  }
}

// The handler of one bridge row.
template <auto Fn, Yield Y, char... Classes>
NodeRef bridgeCall(NodeRef redex) {
  constexpr size_t count = sizeof...(Classes);
  static_assert(count == std::tuple_size_v<typename CSignature<Fn>::Params>,
                "one class per parameter");
  static constexpr char classes[] = {Classes..., '\0'};
  NativeArg args[count + 1];
  if (!readNativeArgs(redex.get(), classes, args)) return failureValue();
  return invokeNative<Fn, Y>(args, std::make_index_sequence<count>{});
}

// The handler and arity of the bridge builtin `name`; check 7301 when the
// bridge has no such row.
struct BridgeRow {
  const char* name;
  uint8_t arity;
  BuiltinHandler handler;
};
BuiltinHandler bridgeHandler(const char* name);

// Row builders: a library call whose result follows its C type, a test
// answering K or H, and a hand-written handler.
template <auto Fn, char... Classes>
constexpr BridgeRow call(const char* name) {
  return {name, sizeof...(Classes), bridgeCall<Fn, Yield::natural, Classes...>};
}
template <auto Fn, char... Classes>
constexpr BridgeRow test(const char* name) {
  return {name, sizeof...(Classes), bridgeCall<Fn, Yield::truth, Classes...>};
}
constexpr BridgeRow special(const char* name, uint8_t arity, BuiltinHandler handler) {
  return {name, arity, handler};
}

// The record layouts the bridge fills and reads (compile/layouts.hpp is
// their single source): a record's size, and a field's place in it.  Check
// 7303 or 7304 for a name the layouts do not have.
size_t recordSize(std::string_view record);
struct RecordField;
const RecordField& recordField(std::string_view record, std::string_view field);
// A field's value, little-endian at its offset and width (at most 8 bytes
// are read or written; a wider field takes the low bytes).
void storeRecordField(char* at, std::string_view record, std::string_view field, uint64_t value);
uint64_t loadRecordField(const char* at, std::string_view record, std::string_view field);

// The rows of each family, so that the lookup can find them (clib_*.cpp).
struct BridgeRows {
  const BridgeRow* rows;
  size_t count;
};
BridgeRows libraryRows();
BridgeRows structureRows();

}  // namespace quorl
