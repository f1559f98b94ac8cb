// Substitution of closed values for single-letter variables.
//
// Values are closed, so no capture can happen; the free-variable sets cached
// in the headers say which subterms mention a variable at all, and every
// subterm that does not is shared as it is.  Several variables are replaced
// in one walk (a global function's parameters all at once), with an explicit
// stack so that deep bodies need no native stack.
#include "eval/substitute.hpp"

#include <vector>

#include "driver/check.hpp"
#include "term/cells.hpp"

namespace quorl {

namespace {

bool isMarker(const Node* n, char marker) {
  return isLeaf(n) && leafChars(n)[0] == marker && leafChars(n)[1] == '\0';
}

inline uint32_t variablesOf(Node* n) { return cachedVariables(n); }

uint32_t letterBit(const Node* variable) {
  return uint32_t{1} << (static_cast<unsigned char>(leafChars(variable)[0]) - 'a');
}

// What a node being rebuilt is, and which of its parts comes next.
enum class Step : uint8_t { ApplicationFunction, ApplicationArgument, LambdaBody, WingBound, WingBody };

struct Frame {
  Node* node;
  uint32_t letters;  // the letters still to replace below this node
  Step step;
  Node* done;        // the rebuilt earlier part (owned), if any
};

// The rebuild stack.  Substitution never nests (it calls nothing that
// substitutes), so one stack is kept between calls and its push stays
// inline.
class FrameStack {
 public:
  bool empty() const { return top_ == 0; }
  Frame& top() { return frames_[top_ - 1]; }
  void push(const Frame& frame) {
    if (top_ == frames_.size()) [[unlikely]]
      frames_.resize(frames_.empty() ? 64 : 2 * frames_.size());
    frames_[top_++] = frame;
  }
  void pop() { top_--; }

 private:
  std::vector<Frame> frames_;
  size_t top_ = 0;
};

// Constant-initialised, so a call pays for no start-up guard.
constinit FrameStack stack;

constinit uint64_t rebuilt = 0;

// A new application cell that takes over one count on each part.
Node* cellOf(Node* function, Node* argument) { return ownedCell(function, argument); }

Node* shared(Node* n) {
  acquire(n);
  return n;
}

}  // namespace

uint64_t substitutionsMade() { return rebuilt; }

NodeRef substituteLetters(Node* term, uint32_t letters, Node* const* values) {
  if ((letters & variablesOf(term)) != 0) rebuilt++;
  Node* node = term;
  Node* result;  // the rebuilt form of the part just finished (owned)
  for (;;) {
    // Descend: finish `node` at once when it is shared or a variable,
    // otherwise note it on the stack and go into its first part.
    uint32_t active = letters & variablesOf(node);
    if (active == 0) {
      result = shared(node);
    } else if (isLeaf(node)) {
      // A leaf with a free variable in the set is that variable.
      result = shared(values[static_cast<unsigned char>(leafChars(node)[0]) - 'a']);
    } else {
      Node* g = functionOf(node);
      if (isApplication(g) && isMarker(functionOf(g), '\\')) {
        // ((\ v) body): v is bound in the body.
        stack.push({node, active, Step::LambdaBody, nullptr});
        node = argumentOf(node);
        letters = active & ~letterBit(argumentOf(g));
      } else if (isApplication(g) && isApplication(functionOf(g)) &&
                 isMarker(functionOf(functionOf(g)), '{')) {
        // ((({ v) bound) body): v is bound in the body only.
        stack.push({node, active, Step::WingBound, nullptr});
        node = argumentOf(g);
        letters = active;
      } else {
        stack.push({node, active, Step::ApplicationFunction, nullptr});
        node = g;
        letters = active;
      }
      continue;
    }
    // Ascend: hand the finished part to the nodes waiting for it.
    for (;;) {
      if (stack.empty()) return NodeRef::adopt(result);
      Frame& frame = stack.top();
      Node* n = frame.node;
      if (frame.step == Step::ApplicationFunction) {
        frame.done = result;
        frame.step = Step::ApplicationArgument;
        node = argumentOf(n);
        letters = frame.letters;
        break;
      }
      if (frame.step == Step::WingBound) {
        frame.done = result;
        frame.step = Step::WingBody;
        node = argumentOf(n);
        letters = frame.letters & ~letterBit(argumentOf(functionOf(functionOf(n))));
        break;
      }
      if (frame.step == Step::ApplicationArgument) {
        result = cellOf(frame.done, result);
      } else if (frame.step == Step::LambdaBody) {
        result = cellOf(shared(functionOf(n)), result);
      } else {  // WingBody
        Node* opener = functionOf(functionOf(n));  // ({ v)
        result = cellOf(cellOf(shared(opener), frame.done), result);
      }
      stack.pop();
    }
  }
}

NodeRef substitute(const NodeRef& term, const NodeRef& value, char letter) {
  QUORL_CHECK(letter >= 'a' && letter <= 'z', 7667);
  Node* values[26] = {};
  values[letter - 'a'] = value.get();
  return substituteLetters(term.get(), uint32_t{1} << (letter - 'a'), values);
}

}  // namespace quorl
