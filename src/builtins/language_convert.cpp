// Conversions between value kinds: to byte blocks (`init`), to constants
// (`zits`), escaping between the two (`cape`), to bit lists (`lots`) and
// from one byte or a bit list to a number (`lits`).
#include <cstdint>
#include <string>
#include <vector>

#include "builtins/args.hpp"
#include "builtins/language.hpp"
#include "builtins/language_values.hpp"
#include "eval/kinds.hpp"
#include "numbers/number.hpp"
#include "numbers/real.hpp"

namespace quorl {

namespace {

// One byte: J (J (J b0 b1) (J b2 b3)) (J (J b4 b5) (J b6 b7)), every bi a
// leaf, I for a 1 bit.  Requiring leaves keeps a pair of two bytes (which
// has the same shape three levels down) from reading as one byte.
bool treeByte(const Node* n, unsigned char& byte) {
  const Node* halves[2];
  if (!pairParts(n, halves[0], halves[1])) return false;
  unsigned value = 0;
  int bit = 0;
  for (const Node* half : halves) {
    const Node* quarters[2];
    if (!pairParts(half, quarters[0], quarters[1])) return false;
    for (const Node* quarter : quarters) {
      const Node* bits[2];
      if (!pairParts(quarter, bits[0], bits[1])) return false;
      for (const Node* b : bits) {
        if (!isLeaf(b)) return false;
        if (isSingleLeaf(b, 'I')) value |= 1u << bit;
        bit++;
      }
    }
  }
  byte = static_cast<unsigned char>(value);
  return true;
}

// The bytes of a byte tree, left half first; false (and no block) when any
// part has another shape.
bool byteTreeBytes(const Node* root, std::string& out) {
  std::vector<const Node*> pending{root};
  while (!pending.empty()) {
    const Node* n = pending.back();
    pending.pop_back();
    unsigned char byte;
    const Node* l;
    const Node* r;
    if (isSingleLeaf(n, 'K')) continue;
    if (treeByte(n, byte)) {
      out.push_back(static_cast<char>(byte));
    } else if (pairParts(n, l, r)) {
      pending.push_back(r);
      pending.push_back(l);
    } else {
      return false;
    }
  }
  return true;
}

// The constant of a tree payload: K is "[]", J l r is the constant of l
// with the constant of r appended as its last element.  Written out in one
// walk: l without its closing bracket, then r whole, then the bracket.
bool treeConstantText(const Node* payload, std::string& out) {
  struct Task {
    const Node* node;  // null: write a closing bracket
    bool openEnded;
  };
  std::vector<Task> tasks{{payload, false}};
  while (!tasks.empty()) {
    Task task = tasks.back();
    tasks.pop_back();
    const Node* l;
    const Node* r;
    if (task.node == nullptr) {
      out.push_back(']');
    } else if (isSingleLeaf(task.node, 'K')) {
      out.append(task.openEnded ? "[" : "[]");
    } else if (pairParts(task.node, l, r)) {
      if (!task.openEnded) tasks.push_back({nullptr, false});
      tasks.push_back({r, false});
      tasks.push_back({l, true});
    } else {
      return false;
    }
  }
  return true;
}

NodeRef constantOfBytes(std::string_view bytes) {
  if (bytes.find('\n') != std::string_view::npos || !bracketsBalance(bytes))
    return failureValue();
  return constantFromText(bytes);
}

// "[p]", "[q]" and "[r]" back to the bytes they stand for.
bool unescapeText(std::string_view text, std::string& out) {
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); i++) {
    char c = text[i];
    if (c == ']') return false;
    if (c != '[') {
      out.push_back(c);
      continue;
    }
    if (i + 2 >= text.size() || text[i + 2] != ']') return false;
    switch (text[i + 1]) {
      case 'p': out.push_back('\n'); break;
      case 'q': out.push_back('['); break;
      case 'r': out.push_back(']'); break;
      default: return false;
    }
    i += 2;
  }
  return true;
}

NodeRef escapedConstant(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + 2);
  text.push_back('[');
  for (char c : bytes) {
    if (c == '[') text.append("[q]");
    else if (c == ']') text.append("[r]");
    else text.push_back(c);
  }
  text.push_back(']');
  return leaf(text);
}

// The list J b0 (J b1 (... K)) of the first `count` elements of `bits`.
NodeRef explicitList(const BitVector& bits, int64_t count) {
  NodeRef j = sharedLeaf('J');
  NodeRef list = sharedLeaf('K');
  for (int64_t i = count - 1; i >= 0; i--)
    list = apply(apply(j, truthValue(bitAt(bits, i) == 1)), std::move(list));
  return list;
}

NodeRef bytesAsList(std::string_view bytes) {
  BitVector bits(bytes);
  bits.push_back('\x01');
  return explicitList(bits, static_cast<int64_t>(bytes.size()) * 8);
}

NodeRef signedByte(unsigned char byte) { return numberFromInt64(static_cast<int8_t>(byte)); }

}  // namespace

NodeRef initBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 1);
  switch (kindOf(x)) {
    case 'a':
      return x;
    case 'e': {
      double value = realValue(x);
      return makeByteBlock(std::string_view(reinterpret_cast<const char*>(&value), sizeof value));
    }
    case 'i': {
      int64_t value;
      if (!tryNumberToInt64(x, value)) return failureValue();
      char byte = static_cast<char>(value & 0xFF);
      return makeByteBlock(std::string_view(&byte, 1));
    }
    case 'o':
      return failureValue();
    case 'u': {
      std::string storage;
      return makeByteBlock(constantText(x.get(), storage));
    }
    default: {
      std::string bytes;
      if (!byteTreeBytes(x.get(), bytes)) return failureValue();
      return makeByteBlock(bytes);
    }
  }
}

NodeRef zitsBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 1);
  switch (kindOf(x)) {
    case 'a':
      return constantOfBytes(byteBlockPayload(x.get()));
    case 'e':
      return realConstant(x);
    case 'i': {
      int64_t value;
      if (!tryNumberToInt64(x, value)) return failureValue();
      return leaf(oneByteConstant(static_cast<unsigned char>(value & 0xFF), false));
    }
    case 'u':
      return x.isLeafNode() ? x : leaf(packedConstant(x.get()));
    default: {
      const Node* payload = treePayload(x.get());
      std::string text;
      if (payload == nullptr || !treeConstantText(payload, text)) return failureValue();
      return leaf(text);
    }
  }
}

NodeRef capeBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 1);
  switch (kindOf(x)) {
    case 'a':
      return escapedConstant(byteBlockPayload(x.get()));
    case 'u': {
      std::string storage;
      std::string bytes;
      if (!unescapeText(constantText(x.get(), storage), bytes)) return failureValue();
      return makeByteBlock(bytes);
    }
    default:
      return failureValue();
  }
}

NodeRef lotsBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 1);
  switch (kindOf(x)) {
    case 'e': {
      uint64_t pattern = realBits(x.get());
      return bytesAsList(std::string_view(reinterpret_cast<const char*>(&pattern), 8));
    }
    case 'i':
    case 'o': {
      BitVector bits;
      if (!numberBits(x, bits)) return failureValue();
      return explicitList(bits, endPosition(bits));
    }
    case 'a':
      return bytesAsList(byteBlockPayload(x.get()));
    case 'u': {
      std::string storage;
      return bytesAsList(constantText(x.get(), storage));
    }
    default:
      if (isSingleLeaf(x.get(), 'K')) return x;
      return failureValue();
  }
}

NodeRef litsBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 1);
  switch (kindOf(x)) {
    case 'a': {
      std::string_view payload = byteBlockPayload(x.get());
      if (payload.size() != 1) return failureValue();
      return signedByte(static_cast<unsigned char>(payload[0]));
    }
    case 'u': {
      std::string storage;
      std::string_view text = constantText(x.get(), storage);
      if (text.size() == 1) return signedByte(static_cast<unsigned char>(text[0]));
      if (text == "[q]") return numberFromInt64('[');
      if (text == "[r]") return numberFromInt64(']');
      return failureValue();
    }
    case 'e':
      return realToBinary(realValue(x));
    case 'i':
    case 'o': {
      if (x.isLeafNode()) return x;
      std::string text;
      if (!tryNumberText(x, text)) return failureValue();
      return leaf(text);
    }
    default:
      return failureValue();
  }
}

}  // namespace quorl
