// The Prelude's combinators contracted directly.
#include "eval/combinators.hpp"

#include <array>
#include <string>
#include <vector>

#include "front/chars.hpp"
#include "front/parser.hpp"
#include "front/prelude.hpp"
#include "term/cells.hpp"

namespace quorl {

namespace {

constexpr std::string_view kDirectKeys = "BCDFHIJKMNOSTVWYZ&|!";

// The Prelude's own definition of each key, parsed once from its text.
const std::array<Node*, 256>& preludeDefinitions() {
  static const std::array<Node*, 256> definitions = [] {
    std::array<Node*, 256> table{};
    std::string text = normaliseSource(kPreludeText);
    std::vector<size_t> commas = findAtDepthZero(text, ",");
    for (size_t k = 0; k < commas.size(); ++k) {
      size_t start = commas[k] + 1;
      size_t end = k + 1 < commas.size() ? commas[k + 1] : text.size();
      NodeRef piece = parseExpression(std::string_view(text).substr(start, end - start));
      std::string key = keyOf(piece.fun().arg().text());
      if (key.size() != 1 || kDirectKeys.find(key[0]) == std::string_view::npos) continue;
      table[static_cast<unsigned char>(key[0])] = piece.arg().detach();  // kept for good
    }
    return table;
  }();
  return definitions;
}

const Node* bodyOf(const Node* definition, int parameters) {
  for (int i = 0; i < parameters; i++) definition = argumentOf(definition);
  return definition;
}

// Raw counted pointers and inline cells: the handle traffic of apply()
// would cost more than the contraction itself.
Node* ref(const Node* n) {
  Node* counted = const_cast<Node*>(n);
  acquire(counted);
  return counted;
}
Node* app(Node* g, Node* x) { return ownedCell(g, x); }

}  // namespace

char directCombinator(std::string_view name, const Node* definition) {
  if (name.size() != 1 || kDirectKeys.find(name[0]) == std::string_view::npos) return 0;
  const Node* prelude = preludeDefinitions()[static_cast<unsigned char>(name[0])];
  if (prelude == nullptr || compareTerms(prelude, definition) != 0) return 0;
  return name[0];
}

namespace {

// The contraction, as a pointer that holds one count.
Node* contracted(char key, const Node* definition, Node* const* a) {
  // Leaves of the body that the substitution would share.
  auto body = [definition](int parameters) { return bodyOf(definition, parameters); };
  switch (key) {
    case 'I':  // I a = a
      return ref(a[0]);
    case 'K':  // K a b = a
      return ref(a[0]);
    case 'H':  // H a = I
    case 'N':  // N a = K
    case 'Z':  // Z a = Z
      return ref(body(1));
    case 'T':  // T a b = b a
      return app(ref(a[1]), ref(a[0]));
    case 'M':  // M a = a a
      return app(ref(a[0]), ref(a[0]));
    case 'V':  // V a b c = c a b
      return app(app(ref(a[2]), ref(a[0])), ref(a[1]));
    case 'J': {  // J a b c = V a b
      const Node* v = functionOf(functionOf(body(3)));
      return app(app(ref(v), ref(a[0])), ref(a[1]));
    }
    case 'F': {  // F a b = V b a
      const Node* v = functionOf(functionOf(body(2)));
      return app(app(ref(v), ref(a[1])), ref(a[0]));
    }
    case 'B':  // B a b c = a (b c)
      return app(ref(a[0]), app(ref(a[1]), ref(a[2])));
    case 'C':  // C a b c = a c b
      return app(app(ref(a[0]), ref(a[2])), ref(a[1]));
    case 'D':  // D a b c d = a b (c d)
      return app(app(ref(a[0]), ref(a[1])), app(ref(a[2]), ref(a[3])));
    case 'O':  // O a b = b (a b)
      return app(ref(a[1]), app(ref(a[0]), ref(a[1])));
    case 'S':  // S a b c = a c (b c)
      return app(app(ref(a[0]), ref(a[2])), app(ref(a[1]), ref(a[2])));
    case 'W':  // W a b = a b b
      return app(app(ref(a[0]), ref(a[1])), ref(a[1]));
    case 'Y': {  // Y a b = a (Y a) b
      const Node* y = functionOf(argumentOf(functionOf(body(2))));
      return app(app(ref(a[0]), app(ref(y), ref(a[0]))), ref(a[1]));
    }
    case '&': {  // & q r = q r H
      const Node* h = argumentOf(body(2));
      return app(app(ref(a[0]), ref(a[1])), ref(h));
    }
    case '|': {  // | q r = q K r
      const Node* k = argumentOf(functionOf(body(2)));
      return app(app(ref(a[0]), ref(k)), ref(a[1]));
    }
    case '!': {  // ! p = p H K
      const Node* b = body(1);
      return app(app(ref(a[0]), ref(argumentOf(functionOf(b)))), ref(argumentOf(b)));
    }
    default:
      checkFailure(kCoreModule, 3340);
  }
}

}  // namespace

NodeRef contractCombinator(char key, const Node* definition, Node* const* a) {
  return NodeRef::adopt(contracted(key, definition, a));
}

}  // namespace quorl
