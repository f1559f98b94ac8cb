// Argument access and the text conversions shared by builtin handlers.
#include "builtins/args.hpp"

#include <vector>

namespace quorl {

const Node* redexArgument(const Node* redex, int index, int count) {
  const Node* cell = redex;
  for (int steps = count - index; steps > 0; steps--) {
    QUORL_CHECK(isApplication(cell), 7070);
    cell = functionOf(cell);
  }
  QUORL_CHECK(isApplication(cell), 7071);
  return argumentOf(cell);
}

namespace {

bool countsShowOnlyTheCall(const NodeRef& redex, int count, const NodeRef& x) {
  const Node* cell = redex.get();
  for (int level = 0; level < count; level++) {
    if (countOf(cell) != 1) return false;
    cell = functionOf(cell);
  }
  return redexArgument(redex.get(), 1, count) == x.get() && countOf(x.get()) == 2;
}

}  // namespace

// A dead cell not taken apart yet may still hold a count on x.
bool heldOnlyByCall(const NodeRef& redex, int count, const NodeRef& x) {
  return countsShowOnlyTheCall(redex, count, x) ||
         (finishDyingCells() && countsShowOnlyTheCall(redex, count, x));
}

namespace {

std::string_view leafTextOf(const Node* n) { return {leafChars(n), leafTextLength(n)}; }

}  // namespace

// Packing follows the application tree with an explicit stack, since a
// program can build constants of any depth.  (a b) is a's text without its
// closing bracket, then b's packed text, then the closing bracket again.
std::string packedConstant(const Node* constant) {
  if (isLeaf(constant)) return std::string(leafTextOf(constant));
  struct Task {
    const Node* node;  // null: write a closing bracket
    bool openEnded;    // leave off the node's closing bracket
  };
  std::string text;
  if (uint64_t length = extentOf(constant)) text.reserve(length);
  std::vector<Task> tasks{{constant, false}};
  while (!tasks.empty()) {
    Task task = tasks.back();
    tasks.pop_back();
    if (task.node == nullptr) {
      text.push_back(']');
    } else if (isLeaf(task.node)) {
      std::string_view own = leafTextOf(task.node);
      text.append(task.openEnded ? own.substr(0, own.size() - 1) : own);
    } else {
      if (!task.openEnded) tasks.push_back({nullptr, false});
      tasks.push_back({argumentOf(task.node), false});
      tasks.push_back({functionOf(task.node), true});
    }
  }
  return text;
}

std::string_view constantText(const Node* constant, std::string& storage) {
  std::string_view quoted;
  if (isLeaf(constant)) {
    quoted = leafTextOf(constant);
  } else {
    storage = packedConstant(constant);
    quoted = storage;
  }
  return quoted.substr(1, quoted.size() - 2);
}

NodeRef constantFromText(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.push_back('[');
  quoted.append(text);
  quoted.push_back(']');
  return leaf(quoted);
}

}  // namespace quorl
