// Constants taken apart.  A quoted text "[e1 e2 ... en]" is read as a
// left-nested pair: its left part holds e1..e(n-1), its right part en.
#include "eval/constant_parts.hpp"

#include <string_view>
#include <vector>

#include "front/chars.hpp"

namespace quorl {

namespace {

std::string_view quotedText(const Node* leafNode) {
  return {leafChars(leafNode), leafTextLength(leafNode)};
}

// Where the last element of a non-empty quoted text starts: the byte before
// the closing bracket, or the group that ends there.
size_t lastElementStart(std::string_view text) {
  size_t close = text.size() - 1;
  size_t i = close - 1;
  if (text[i] != ']') return i;
  int depth = 0;
  for (;; i--) {
    if (text[i] == ']') depth++;
    else if (text[i] == '[') depth--;
    if (depth == 0) return i;
  }
}

// The combinator leaves, looked up per call: a reset of the tables makes
// new shared leaves.
struct ListLeaves {
  NodeRef j = sharedLeaf('J');
  NodeRef k = sharedLeaf('K');
};

NodeRef pair(const ListLeaves& leaves, NodeRef left, NodeRef right) {
  return apply(apply(leaves.j, std::move(left)), std::move(right));
}

// list of a quoted text in one pass: one accumulator per open group, each
// element folded in as J accumulator element.
NodeRef quotedTextList(std::string_view text, const ListLeaves& leaves,
                       std::vector<NodeRef>& byteLists);

NodeRef byteList(unsigned char byte, const ListLeaves& leaves, std::vector<NodeRef>& byteLists) {
  if (byteLists.empty()) byteLists.resize(256, NodeRef(leaves.k));
  NodeRef& slot = byteLists[byte];
  // A tree's list is never the bare K (trees are non-empty texts), so K
  // marks a slot not filled yet.
  if (slot == leaves.k) {
    std::vector<NodeRef> none;
    slot = quotedTextList(bracketTree(elementNumber(byte)), leaves, none);
  }
  return slot;
}

NodeRef quotedTextList(std::string_view text, const ListLeaves& leaves,
                       std::vector<NodeRef>& byteLists) {
  std::vector<NodeRef> open;
  for (size_t i = 0; i < text.size(); i++) {
    char c = text[i];
    if (c == '[') {
      open.push_back(leaves.k);
    } else if (c == ']') {
      NodeRef group = std::move(open.back());
      open.pop_back();
      if (open.empty()) return group;
      open.back() = pair(leaves, std::move(open.back()), std::move(group));
    } else {
      NodeRef element = byteList(static_cast<unsigned char>(c), leaves, byteLists);
      open.back() = pair(leaves, std::move(open.back()), std::move(element));
    }
  }
  checkFailure(kCoreModule, 7885);  // an unbalanced quoted text
}

}  // namespace

bool isEmptyConstant(const Node* constant) {
  return isLeaf(constant) && leafChars(constant)[0] == '[' && leafChars(constant)[1] == ']';
}

int elementNumber(unsigned char byte) {
  int number = characterNumber(byte);
  // The newline has its place in the byte ordering (its green "," glyph)
  // even though it is not numbered with the printable bytes.
  constexpr int kNewlineNumber = 390;
  if (number < 0 && byte == '\n') return kNewlineNumber;
  return number;
}

std::string bracketTree(int number) {
  if (number <= 0) return "[]";
  int m = number - 1;
  int s = 0;
  while ((s + 1) * (s + 1) <= m) s++;
  int r = m - s * s;
  int a = (r % 2 == 0) ? r / 2 : s;
  int b = (r % 2 == 0) ? s : (r - 1) / 2;
  return "[" + bracketTree(a) + bracketTree(b).substr(1);
}

NodeRef constantLeft(const NodeRef& constant) {
  const Node* c = constant.get();
  if (isApplication(c)) return NodeRef(functionOf(c));
  if (isEmptyConstant(c)) checkFailure(kCoreModule, 7885);
  std::string_view text = quotedText(c);
  size_t start = lastElementStart(text);
  std::string left(text.substr(0, start));
  left.push_back(']');
  return leaf(left);
}

NodeRef constantRight(const NodeRef& constant) {
  const Node* c = constant.get();
  if (isApplication(c)) return NodeRef(argumentOf(c));
  if (isEmptyConstant(c)) checkFailure(kCoreModule, 7949);
  std::string_view text = quotedText(c);
  size_t start = lastElementStart(text);
  if (text[start] == '[') return leaf(text.substr(start, text.size() - 1 - start));
  return leaf(bracketTree(elementNumber(static_cast<unsigned char>(text[start]))));
}

NodeRef constantList(const NodeRef& constant) {
  ListLeaves leaves;
  std::vector<NodeRef> byteLists;
  // Constant applications nest to any depth: walk them with an explicit
  // stack, combining each application's two lists once both are done.
  struct Task {
    Node* node;
    bool combine;
  };
  std::vector<Task> work{{constant.get(), false}};
  std::vector<NodeRef> done;
  while (!work.empty()) {
    Task task = work.back();
    work.pop_back();
    if (task.combine) {
      NodeRef right = std::move(done.back());
      done.pop_back();
      done.back() = pair(leaves, std::move(done.back()), std::move(right));
    } else if (isLeaf(task.node)) {
      done.push_back(quotedTextList(quotedText(task.node), leaves, byteLists));
    } else {
      work.push_back({task.node, true});
      work.push_back({argumentOf(task.node), false});
      work.push_back({functionOf(task.node), false});
    }
  }
  return std::move(done.back());
}

}  // namespace quorl
