// How the prompt shows a value.
#include "repl/show.hpp"

#include "builtins/args.hpp"
#include "compile/rewrite.hpp"
#include "eval/kinds.hpp"
#include "numbers/number.hpp"
#include "numbers/real.hpp"

namespace quorl {

std::string escapedBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(bytes.size());
  for (char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    switch (byte) {
      case '\\': shown += "\\\\"; continue;
      case '\n': shown += "\\n"; continue;
      case '\t': shown += "\\t"; continue;
      case '\r': shown += "\\r"; continue;
      default: break;
    }
    if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xF];
    }
  }
  return shown;
}

std::string shownValue(const NodeRef& value) {
  switch (kindOf(value)) {
    case 'i': {
      // Negative numbers are written with a leading 0: 05 is -5.
      std::string text;
      if (!tryNumberText(value, text)) break;
      if (text.size() > 1 && text[0] == '0') text[0] = '-';
      return text;
    }
    case 'u':
      return packedConstant(value.get());
    case 'e':
      return realText(value);
    case 'a':
      return escapedBytes(byteBlockPayload(value.get()));
    default:
      break;
  }
  return clipBalanced(termText(value));
}

}  // namespace quorl
