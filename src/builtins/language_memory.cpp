// Native memory: byte blocks read from an address (`post`), values written
// to one (`copy`), and single 8- to 64-bit cells read (`refh`..`refk`) and
// written (`refl`..`refo`).  Addresses are plain integers; whether they
// point anywhere is the program's own responsibility, as in C.  Values
// given as arguments are only ever read within their own bytes.
#include <cstdint>
#include <cstring>
#include <string>

#include "builtins/args.hpp"
#include "builtins/language.hpp"
#include "builtins/language_values.hpp"
#include "eval/kinds.hpp"
#include "numbers/number.hpp"

namespace quorl {

namespace {

// An address: any number, its low 64 bits.  A list is checked for its
// shape first, so a malformed one is refused instead of stopping the run.
bool addressArgument(const NodeRef& a, uint64_t& out) {
  char kind = kindOf(a);
  if (kind != 'i' && kind != 'o') return false;
  if (!a.isLeafNode()) {
    BitVector bits;
    if (!numberBits(a, bits)) return false;
  }
  out = numberToUInt64(a);
  return true;
}

void* pointerAt(uint64_t address) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(address));
}

template <typename Cell>
NodeRef readCell(const NodeRef& redex) {
  uint64_t address;
  if (!addressArgument(takeArgument(redex, 1, 1), address)) return failureValue();
  Cell value;
  std::memcpy(&value, pointerAt(address), sizeof value);
  return numberFromUInt64(value);
}

template <typename Cell>
NodeRef writeCell(const NodeRef& redex) {
  uint64_t address;
  int64_t value;
  NodeRef a = takeArgument(redex, 1, 2);
  if (kindOf(a) != 'i' || !addressArgument(a, address) ||
      !integerArgument(takeArgument(redex, 2, 2), value))
    return failureValue();
  Cell cell = static_cast<Cell>(static_cast<uint64_t>(value));
  std::memcpy(pointerAt(address), &cell, sizeof cell);
  return sharedLeaf('I');
}

// The bytes `copy` writes for x; false for a kind that has none.
bool bytesOf(const NodeRef& x, std::string& storage, std::string_view& out) {
  switch (kindOf(x)) {
    case 'a':
      out = byteBlockPayload(x.get());
      return true;
    case 'e':
      out = std::string_view(leafChars(x.get()) + 1, 8);
      return true;
    case 'u':
      out = constantText(x.get(), storage);
      return true;
    case 'i':
    case 'o':
      out = numberTextView(x, storage);
      return !out.empty();
    default:
      return false;
  }
}

}  // namespace

NodeRef postBuiltin(NodeRef redex) {
  uint64_t address;
  int64_t length;
  NodeRef p = takeArgument(redex, 1, 2);
  if (kindOf(p) != 'i' || !addressArgument(p, address) ||
      !indexArgument(takeArgument(redex, 2, 2), length) || length < 0)
    return failureValue();
  if (length == 0) return makeByteBlock("");
  return makeByteBlock(
      std::string_view(static_cast<const char*>(pointerAt(address)), static_cast<size_t>(length)));
}

NodeRef copyBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 2);
  NodeRef p = takeArgument(redex, 2, 2);
  uint64_t address;
  std::string storage;
  std::string_view bytes;
  if (kindOf(p) != 'i' || !addressArgument(p, address) || !bytesOf(x, storage, bytes))
    return failureValue();
  if (!bytes.empty()) std::memcpy(pointerAt(address), bytes.data(), bytes.size());
  return sharedLeaf('I');
}

NodeRef refhBuiltin(NodeRef redex) { return readCell<uint8_t>(redex); }
NodeRef refiBuiltin(NodeRef redex) { return readCell<uint16_t>(redex); }
NodeRef refjBuiltin(NodeRef redex) { return readCell<uint32_t>(redex); }
NodeRef refkBuiltin(NodeRef redex) { return readCell<uint64_t>(redex); }
NodeRef reflBuiltin(NodeRef redex) { return writeCell<uint8_t>(redex); }
NodeRef refmBuiltin(NodeRef redex) { return writeCell<uint16_t>(redex); }
NodeRef refnBuiltin(NodeRef redex) { return writeCell<uint32_t>(redex); }
NodeRef refoBuiltin(NodeRef redex) { return writeCell<uint64_t>(redex); }

}  // namespace quorl
