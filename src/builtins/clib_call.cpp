// Argument classes of the bridge builtins and the lookup of their rows.
#include "builtins/clib_call.hpp"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "eval/kinds.hpp"

namespace quorl {

namespace {

// Packed constants, one per argument position: a function such as strchr
// answers an address inside its argument, which should stay readable at
// least until the next bridge call.
std::string packedTexts[kMaxBridgeArity];

bool readInteger(const Node* n, NativeArg& out) {
  NodeRef value(const_cast<Node*>(n));
  return isNumber(n) && tryNumberToInt64(value, out.integer);
}

bool readText(const Node* n, int position, NativeArg& out) {
  if (firstByte(n) == '(') {
    std::string_view payload = byteBlockPayload(n);
    out.text = payload.data();
    out.extent = payload.size();
    return true;
  }
  if (isNumber(n)) return readInteger(n, out);
  NodeRef value(const_cast<Node*>(n));
  if (kindOf(value) != 'u') return false;
  if (isLeaf(n)) {
    out.text = leafChars(n);
    out.extent = leafTextLength(n);
  } else {
    std::string& packed = packedTexts[position];
    packed = packedConstant(n);
    out.text = packed.c_str();
    out.extent = packed.size();
  }
  return true;
}

}  // namespace

bool readNativeArgs(const Node* redex, const char* classes, NativeArg* out) {
  int count = static_cast<int>(std::strlen(classes));
  QUORL_CHECK(count <= kMaxBridgeArity, 7300);
  for (int k = 0; k < count; k++) {
    const Node* n = redexArgument(redex, k + 1, count);
    NativeArg& arg = out[k];
    arg = NativeArg{};
    bool accepted = false;
    switch (classes[k]) {
      case 'I': accepted = readInteger(n, arg); break;
      case 'S': accepted = readText(n, k, arg); break;
      case 'R':
        accepted = isRealLeaf(n);
        if (accepted) arg.real = realValue(NodeRef(const_cast<Node*>(n)));
        break;
      default: QUORL_CHECK(false, 7302);
    }
    if (!accepted) return false;
  }
  return true;
}

BuiltinHandler bridgeHandler(const char* name) {
  // Every bridge row of the builtin table asks once, at start-up: an index
  // made on the first call, rather than a scan of all the rows per row.
  static const auto* index = [] {
    auto* handlers = new std::unordered_map<std::string_view, BuiltinHandler>();
    for (BridgeRows family : {libraryRows(), structureRows()})
      for (size_t i = 0; i < family.count; i++) handlers->emplace(family.rows[i].name, family.rows[i].handler);
    return handlers;
  }();
  auto found = index->find(name);
  if (found == index->end()) checkFailure(kCoreModule, 7301);
  return found->second;
}

}  // namespace quorl
