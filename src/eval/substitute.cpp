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

namespace quorl {

namespace {

bool isMarker(const Node* n, char marker) {
  return isLeaf(n) && leafChars(n)[0] == marker && leafChars(n)[1] == '\0';
}

uint32_t letterBit(const Node* variable) {
  return uint32_t{1} << (static_cast<unsigned char>(leafChars(variable)[0]) - 'a');
}

enum class Stage : uint8_t { Enter, RebuildApplication, RebuildLambda, RebuildWing };

struct Task {
  Node* node;
  uint32_t letters;
  Stage stage;
};

}  // namespace

NodeRef substituteLetters(Node* term, uint32_t letters, Node* const* values) {
  if ((freeVariables(term) & letters) == 0) return NodeRef(term);
  // Substitution never nests (it calls nothing that substitutes), so the
  // scratch stacks can be kept between calls.
  static std::vector<Task> work;
  static std::vector<NodeRef> done;
  size_t workBase = work.size();
  work.push_back({term, letters, Stage::Enter});
  while (work.size() > workBase) {
    Task task = work.back();
    work.pop_back();
    Node* n = task.node;
    switch (task.stage) {
      case Stage::Enter: {
        uint32_t active = task.letters & freeVariables(n);
        if (active == 0) {
          done.emplace_back(n);
        } else if (isLeaf(n)) {
          // A leaf with a free variable in the set is that variable.
          done.emplace_back(values[static_cast<unsigned char>(leafChars(n)[0]) - 'a']);
        } else {
          Node* g = functionOf(n);
          Node* body = argumentOf(n);
          if (isApplication(g) && isMarker(functionOf(g), '\\')) {
            // ((\ v) body): v is bound in the body.
            work.push_back({n, 0, Stage::RebuildLambda});
            work.push_back({body, active & ~letterBit(argumentOf(g)), Stage::Enter});
          } else if (isApplication(g) && isApplication(functionOf(g)) &&
                     isMarker(functionOf(functionOf(g)), '{')) {
            // ((({ v) bound) body): v is bound in the body only.
            Node* binder = argumentOf(functionOf(g));
            work.push_back({n, 0, Stage::RebuildWing});
            work.push_back({body, active & ~letterBit(binder), Stage::Enter});
            work.push_back({argumentOf(g), active, Stage::Enter});
          } else {
            work.push_back({n, 0, Stage::RebuildApplication});
            work.push_back({body, active, Stage::Enter});
            work.push_back({g, active, Stage::Enter});
          }
        }
        break;
      }
      case Stage::RebuildApplication: {
        NodeRef argument = std::move(done.back());
        done.pop_back();
        done.back() = apply(std::move(done.back()), std::move(argument));
        break;
      }
      case Stage::RebuildLambda: {
        done.back() = apply(NodeRef(functionOf(n)), std::move(done.back()));
        break;
      }
      case Stage::RebuildWing: {
        NodeRef body = std::move(done.back());
        done.pop_back();
        NodeRef bound = std::move(done.back());
        Node* opener = functionOf(functionOf(n));  // ({ v)
        done.back() = apply(apply(NodeRef(opener), std::move(bound)), std::move(body));
        break;
      }
    }
  }
  NodeRef result = std::move(done.back());
  done.pop_back();
  return result;
}

NodeRef substitute(const NodeRef& term, const NodeRef& value, char letter) {
  QUORL_CHECK(letter >= 'a' && letter <= 'z', 7667);
  Node* values[26] = {};
  values[letter - 'a'] = value.get();
  return substituteLetters(term.get(), uint32_t{1} << (letter - 'a'), values);
}

}  // namespace quorl
