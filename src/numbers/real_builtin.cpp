// The builtin `real`: any number, text or byte structure as a real.
#include <cstdlib>
#include <string>

#include "builtins/args.hpp"
#include "eval/kinds.hpp"
#include "numbers/arith_builtins.hpp"
#include "numbers/operands.hpp"
#include "numbers/real.hpp"

namespace quorl {

NodeRef realBuiltin(NodeRef redex) {
  NodeRef value = takeArgument(redex, 1, 1);
  Operand x{value, kindOf(value)};
  double result;
  switch (x.kind) {
    case 'e':
      return value;
    case 'i':
    case 'o':
      if (!realOf(x, result)) return failureValue();
      return makeReal(result);
    case 'a':
      // A byte block's leaf keeps a NUL after the payload, so the payload
      // reads as a C string up to its first NUL byte.
      return makeReal(std::strtod(byteBlockPayload(value.get()).data(), nullptr));
    case 'u': {
      std::string storage;
      std::string text(constantText(value.get(), storage));
      return makeReal(std::atof(text.c_str()));
    }
    default:
      if (!eightByteStructure(value, result)) return failureValue();
      return makeReal(result);
  }
}

}  // namespace quorl
