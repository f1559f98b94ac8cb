// Builtins on byte blocks and quoted texts answered on the engine's values.
#include "builtins/block_values.hpp"

#include <string>

#include "builtins/args.hpp"
#include "builtins/block_text.hpp"
#include "eval/kinds.hpp"
#include "numbers/arith_builtins.hpp"
#include "numbers/operands.hpp"

namespace quorl {

namespace {

// The leaf a value is when it is a leaf whose text begins with `first`.
Node* leafStarting(Value v, char first) {
  if (!v.isNode()) return nullptr;
  Node* n = v.node();
  return isLeaf(n) && leafChars(n)[0] == first ? n : nullptr;
}
Node* blockOf(Value v) { return leafStarting(v, '('); }
Node* quotedOf(Value v) { return leafStarting(v, '['); }

// A quoted-text leaf's element text (its text without the outer brackets).
std::string_view elementText(const Node* quoted) {
  return {leafChars(quoted) + 1, leafTextLength(quoted) - 2};
}

// The bytes `look` and `trim` read: a block's payload or a quoted text's
// element text; false for any other value.
bool bytesOf(Value v, std::string_view& out) {
  if (Node* block = blockOf(v)) {
    out = byteBlockPayload(block);
    return true;
  }
  if (Node* quoted = quotedOf(v)) {
    out = elementText(quoted);
    return true;
  }
  return false;
}

void consume(Value* args, int count) {
  for (int i = 0; i < count; i++) releaseValue(args[i]);
}

Value nodeValue(NodeRef answer) { return Value::ofNode(answer.detach()); }

}  // namespace

bool lookOnValues(Value* args, Value& out) {
  std::string_view bytes;
  int64_t i;
  if (!bytesOf(args[0], bytes) || !wordOf(args[1], i)) return false;
  int byte = byteAt(bytes, i);
  out = byte < 0 ? nodeValue(failureValue()) : newWord(byte);
  consume(args, 2);
  return true;
}

int lookedByte(Value text, int64_t index) {
  std::string_view bytes;
  return bytesOf(text, bytes) ? byteAt(bytes, index) : -1;
}

bool corkOnValues(Value* args, Value& out) {
  int64_t i, value;
  if (!wordOf(args[1], i) || !wordOf(args[2], value)) return false;
  if (Node* block = blockOf(args[0])) {
    bool alone = heldOnce(block);
    // The answer takes over the operand's count: the block itself when it
    // is changed in place.
    out = nodeValue(corkedBlock(NodeRef::adopt(block), i, value, alone));
    consume(args + 1, 2);
    return true;
  }
  if (Node* quoted = quotedOf(args[0])) {
    out = nodeValue(corkedText(quoted, i, value));
    consume(args, 3);
    return true;
  }
  return false;
}

bool rankOnValues(Value* args, Value& out) {
  if (Node* block = blockOf(args[0])) {
    out = newWord(static_cast<int64_t>(byteBlockPayloadLength(block)));
  } else if (Node* quoted = quotedOf(args[0])) {
    out = newWord(static_cast<int64_t>(elementText(quoted).size()));
  } else {
    return false;
  }
  consume(args, 1);
  return true;
}

bool trimOnValues(Value* args, Value& out) {
  std::string_view bytes;
  int64_t a, b;
  if (!bytesOf(args[0], bytes) || !wordOf(args[1], a) || !wordOf(args[2], b)) return false;
  out = nodeValue(blockOf(args[0]) ? trimmedBlock(bytes, a, b) : trimmedText(bytes, a, b));
  consume(args, 3);
  return true;
}

bool buckOnValues(Value* args, Value& out) {
  int64_t word;
  if (Node* block = blockOf(args[0])) {
    out = nodeValue(blockHead(byteBlockPayload(block)));
  } else if (Node* quoted = quotedOf(args[0])) {
    out = nodeValue(constantPart(NodeRef(quoted), false));
  } else if (wordOf(args[0], word)) {
    out = nodeValue(truthValue(word >= 0));  // an integer's sign
  } else {
    return false;
  }
  consume(args, 1);
  return true;
}

bool waveOnValues(Value* args, Value& out) {
  int64_t word;
  if (Node* block = blockOf(args[0])) {
    out = nodeValue(blockTail(byteBlockPayload(block)));
  } else if (Node* quoted = quotedOf(args[0])) {
    out = nodeValue(constantPart(NodeRef(quoted), true));
  } else if (wordOf(args[0], word) && word != INT64_MIN) {
    if (word == 0) {
      out = args[0];  // zero is its own negation, the very same value
      return true;
    }
    out = newWord(-word);  // the least word's negation is no word: left to the handler
  } else {
    return false;
  }
  consume(args, 1);
  return true;
}

bool initOnValues(Value* args, Value& out) {
  int64_t word;
  if (blockOf(args[0])) {
    out = args[0];  // a block is its own block
    return true;
  }
  if (Node* quoted = quotedOf(args[0])) {
    out = nodeValue(makeByteBlock(elementText(quoted)));
  } else if (wordOf(args[0], word)) {
    char byte = static_cast<char>(word & 0xFF);
    out = nodeValue(makeByteBlock(std::string_view(&byte, 1)));
  } else {
    return false;
  }
  consume(args, 1);
  return true;
}

bool joinedByteInPlace(Value b, int64_t x, Value& out) {
  Node* block = blockOf(b);
  if (block == nullptr || !heldOnce(block)) return false;
  char byte = static_cast<char>(x & 0xFF);
  out = nodeValue(appendToText(NodeRef::adopt(block), std::string_view(&byte, 1)));
  return true;
}

// What an operand of a join contributes, read as the handler reads it
// (joinText); a block or a quoted-text leaf without classifying it.  False
// when it gives no text (void, a malformed list).
bool textPartOf(Value v, std::string& storage, TextPart& out) {
  if (Node* block = blockOf(v)) {
    out = {'a', byteBlockPayload(block)};
    return true;
  }
  if (Node* quoted = quotedOf(v)) {
    out = {'u', elementText(quoted)};
    return true;
  }
  NodeRef term(termOf(v));
  Operand operand{term, kindOf(term)};
  out.kind = operand.kind;
  return joinText(operand, storage, out.text);
}

// A join: plus where either operand is a block or a quoted-text leaf.  The
// other may be anything; it is read as the handler reads it.
bool plusOnValues(Value* args, Value& out) {
  Value x = args[0], y = args[1];
  // The commonest join, a block or a quoted text that nothing else holds
  // grown by the bytes of another that keeps its kind: in place, read as
  // the join below reads it.
  Node* grows = blockOf(x);
  if (grows == nullptr) grows = quotedOf(x);
  if (grows != nullptr && heldOnce(grows)) {
    std::string_view more;
    if ((leafChars(grows)[0] == '(' || quotedOf(y)) && bytesOf(y, more)) {
      out = nodeValue(appendToText(NodeRef::adopt(grows), more));
      releaseValue(y);
      return true;
    }
  }
  if (!blockOf(x) && !quotedOf(x) && !blockOf(y) && !quotedOf(y)) return false;
  std::string xStorage, yStorage;
  TextPart xs, ys;
  if (!textPartOf(x, xStorage, xs) || !textPartOf(y, yStorage, ys)) {
    out = nodeValue(failureValue());
    consume(args, 2);
    return true;
  }
  if (x.isNode() && heldOnce(x.node())) {
    // The answer takes over the operand's count: x itself when it grows in place.
    out = nodeValue(joinedTexts(NodeRef::adopt(x.node()), xs, ys, true));
    releaseValue(y);
    return true;
  }
  out = nodeValue(joinedTexts(NodeRef(termOf(x)), xs, ys, false));
  consume(args, 2);
  return true;
}

}  // namespace quorl
