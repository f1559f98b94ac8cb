// Annotation: the cached arity, work flag, free variables and constant flag
// of a term, computed once per Node and kept in its header.
#include <vector>

#include "front/chars.hpp"
#include "term/node.hpp"
#include "term/tables.hpp"

namespace quorl {

namespace {

constexpr uint32_t kNoVariables = 0;

bool isLambdaMarker(const Node* n) {
  return isLeaf(n) && leafChars(n)[0] == '\\' && leafChars(n)[1] == '\0';
}
bool isWingMarker(const Node* n) {
  return isLeaf(n) && leafChars(n)[0] == '{' && leafChars(n)[1] == '\0';
}

// Leading lambda forms of a definition, counted up to the largest arity.
int leadingLambdas(const Node* term) {
  int count = 0;
  while (count < kMaxArity && binderShape(term) == 'u') {
    count++;
    term = argumentOf(term);
  }
  return count;
}

void markConstant(Node* n) { n->header = (n->header & ~kAnnotationMask) | kConstantState; }

void markTerm(Node* n, int arity, bool work, uint32_t variables) {
  setArity(n, arity);
  if (work) n->header |= kWorkFlag;
  setExtent(n, variables);
}

void annotateLeaf(Node* n) {
  const char* text = leafChars(n);
  unsigned char first = static_cast<unsigned char>(text[0]);
  if (first == ')') return markTerm(n, 1, false, kNoVariables);
  if (first == ']') return markTerm(n, 2, false, kNoVariables);
  if (first == '[') return markConstant(n);
  if ((first >= '0' && first <= '9') || first == '(') {
    // Arity 1, written straight: the extent keeps the cached length.
    n->header = (n->header & ~kArityMask) | (uint64_t{1 + kArityBias} << kArityShift);
    return;
  }
  if (first == ' ') return markTerm(n, 1, false, kNoVariables);
  std::string_view name(text);
  if (!isKey(name)) return markTerm(n, 1, false, kNoVariables);
  if (const NodeRef* definition = findDefinition(name))
    return markTerm(n, leadingLambdas(definition->get()), false, kNoVariables);
  // An undefined key can only be a variable, a single lowercase letter.
  if (name.size() > 1) checkFailure(kCoreModule, 7535);
  if (first < 'a') checkFailure(kCoreModule, 7539);
  if (first > 'z') checkFailure(kCoreModule, 7540);
  markTerm(n, kMaxArity, false, uint32_t{1} << (first - 'a'));
}

// The free-variable set of an annotated node, read straight from its header.
uint32_t variablesOf(const Node* n) {
  uint64_t h = n->header;
  if ((h & kAnnotationMask) == kConstantState) return 0;
  if ((h & kLeafFlag) && extentIsLength(static_cast<unsigned char>(leafChars(n)[0]))) return 0;
  return static_cast<uint32_t>((h & kExtentMask) >> kExtentShift);
}

bool valueAnnotated(const Node* n) {
  uint64_t h = n->header;
  if ((h & kAnnotationMask) == kConstantState) return true;
  return !(h & kWorkFlag) && storedArity(n) >= 1;
}

// The free variables a closed-or-not part contributes, from its header.
inline uint32_t variablesOfHeader(const Node* n, uint64_t h) {
  if ((h & kLeafFlag) && extentIsLength(static_cast<unsigned char>(leafChars(n)[0]))) return 0;
  return static_cast<uint32_t>((h & kExtentMask) >> kExtentShift);
}

// The free variables of (g x) when one part has some: binders hide their
// variable.  Clears `work` for a lambda whose parameter occurs in its body,
// which waits for its argument: its body is reduced only after
// substitution.
uint32_t variablesOfPair(const Node* g, uint32_t gv, uint32_t xv, bool& work) {
  if (isLeaf(g)) return gv | xv;
  const Node* gg = functionOf(g);
  if (isLambdaMarker(gg)) {
    if ((xv & gv) != 0) work = false;
    return xv & ~gv;  // ((\ v) body): the body's less the parameter
  }
  if (isWingMarker(gg)) return xv;  // (({ v) e): the bound value's alone
  if (isApplication(gg) && isWingMarker(functionOf(gg))) {
    uint32_t binder = variablesOf(argumentOf(gg));
    return gv | (xv & ~binder);  // ((({ v) e) body)
  }
  return gv | xv;
}

// Both parts are annotated; the header is written in one store.
void annotateApplication(Node* n) {
  Node* g = functionOf(n);
  Node* x = argumentOf(n);
  uint64_t gh = g->header, xh = x->header;
  bool gConstant = (gh & kAnnotationMask) == kConstantState;
  bool xConstant = (xh & kAnnotationMask) == kConstantState;
  if (gConstant && xConstant) {
    markConstant(n);
    uint64_t sum = extentOf(g) + extentOf(x);
    if (extentOf(g) >= 2 && extentOf(x) >= 2 && sum < kExtentLimit) setExtent(n, sum);
    return;
  }
  int arity;
  bool work;
  uint32_t variables = 0;
  if (gConstant) {
    arity = 0;
    work = !valueAnnotated(x);  // x is not a constant here
  } else {
    int ga = static_cast<int>((gh & kArityMask) >> kArityShift) - kArityBias;
    arity = (ga == kMaxArity || ga <= kMinArity + 1) ? ga : ga - 1;
    work = (gh & kWorkFlag) || (!xConstant && !valueAnnotated(x));
    variables = variablesOfHeader(g, gh);
  }
  uint32_t xv = xConstant ? 0 : variablesOfHeader(x, xh);
  // Nearly every cell built during reduction is closed.
  if ((variables | xv) != 0) variables = variablesOfPair(g, variables, xv, work);
  n->header = (n->header & (kCountMask | kLeafFlag)) |
              (static_cast<uint64_t>(arity + kArityBias) << kArityShift) |
              (work ? kWorkFlag : 0) | (static_cast<uint64_t>(variables) << kExtentShift);
}

}  // namespace

void annotateFromParts(Node* n) { annotateApplication(n); }

void annotate(Node* root) {
  if (isAnnotated(root)) return;
  if (isLeaf(root)) return annotateLeaf(root);
  // Nearly every cell built during reduction has annotated parts already.
  Node* g = functionOf(root);
  Node* x = argumentOf(root);
  if (isAnnotated(g) && isAnnotated(x)) return annotateApplication(root);
  // Otherwise a post-order walk with an explicit stack, reused between calls
  // (annotation never re-enters itself).
  static std::vector<Node*> work;
  size_t base = work.size();
  work.push_back(root);
  while (work.size() > base) {
    Node* n = work.back();
    if (isAnnotated(n)) {
      work.pop_back();
      continue;
    }
    if (isLeaf(n)) {
      annotateLeaf(n);
      work.pop_back();
      continue;
    }
    Node* f = functionOf(n);
    Node* a = argumentOf(n);
    bool ready = true;
    if (!isAnnotated(a)) {
      work.push_back(a);
      ready = false;
    }
    if (!isAnnotated(f)) {
      work.push_back(f);
      ready = false;
    }
    if (ready) {
      annotateApplication(n);
      work.pop_back();
    }
  }
}

int arityOf(Node* n) {
  annotate(n);
  return isConstantAnnotated(n) ? 1 : storedArity(n);
}

bool isValue(Node* n) {
  annotate(n);
  if (isConstantAnnotated(n)) return true;
  return !hasWork(n) && storedArity(n) >= 1;
}

bool headIsLinear(Node* n) {
  annotate(n);
  while (isApplication(n) && !isConstantAnnotated(n)) n = functionOf(n);
  return isLinearHeadLeaf(n);
}

char binderShape(const Node* n) {
  if (isLeaf(n)) return 'o';
  const Node* g = functionOf(n);
  if (isLeaf(g)) return 'o';
  const Node* gg = functionOf(g);
  if (isLambdaMarker(gg)) return 'u';
  if (isApplication(gg) && isWingMarker(functionOf(gg))) return 'i';
  return 'o';
}

uint32_t freeVariables(Node* n) {
  annotate(n);
  if (isConstantAnnotated(n)) return 0;
  if (isLeaf(n) && extentIsLength(static_cast<unsigned char>(leafChars(n)[0]))) return 0;
  return static_cast<uint32_t>(extentOf(n));
}

}  // namespace quorl
