// The term printer and the clipped form of long texts in messages.
//
// An application prints from the texts F and X of its parts:
//   1. F begins with "(" and is not "()":   F less its last byte + " " + X + ")"
//   2. X is one bracket group "[...]":       F + X
//   3. X mixes byte classes, or is a run of two or more bytes that are
//      neither name characters nor digits:   "(" + F + " " + X + ")"
//   4. X is a name run after a name character, or a digit run after a
//      digit:                                "(" + F + " " + X + ")"
//   5. otherwise:                            F + X
//
// Terms can be deep (a list of a million elements is printed in full), so
// the printer walks with an explicit stack and writes every byte once into
// one buffer.  Which rule applies is known only after both parts are
// printed, so the "(" before F and the " " between F and X are written
// optimistically and struck out afterwards when the rule does not want
// them; each part's rule-relevant facts travel up a stack of TextFacts.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "compile/rewrite.hpp"

namespace quorl {

namespace {

constexpr uint8_t kNameClass = 1, kDigitClass = 2, kOtherClass = 4;
constexpr int64_t kNoProperPrefix = std::numeric_limits<int64_t>::max() / 4;

uint8_t classOf(unsigned char c) {
  if (c == '_' || (c >= 'a' && c <= 'z')) return kNameClass;
  if (c >= '0' && c <= '9') return kDigitClass;
  return kOtherClass;
}

int squareStep(unsigned char c) { return c == '[' ? 1 : c == ']' ? -1 : 0; }

// What the rules need to know of a printed text, and how to combine it.
// The square-bracket depth figures decide rule 2: a text is one bracket
// group when it begins with "[", ends at depth 0 and stays above 0 before.
struct TextFacts {
  size_t length = 0;
  unsigned char first = 0, last = 0;
  uint8_t classes = 0;
  int64_t depth = 0;                      // after the whole text
  int64_t minPrefix = 0;                  // lowest after any non-empty prefix
  int64_t minProper = kNoProperPrefix;    // lowest after a shorter prefix

  void addByte(unsigned char c) {
    if (length == 0) first = c;
    else minProper = std::min(minProper, minPrefix);
    last = c;
    classes |= classOf(c);
    depth += squareStep(c);
    minPrefix = length == 0 ? depth : std::min(minPrefix, depth);
    length++;
  }

  void addText(const TextFacts& tail) {
    if (tail.length == 0) return;
    if (length == 0) {
      *this = tail;
      return;
    }
    minProper = std::min({minProper, minPrefix, depth + tail.minProper});
    minPrefix = std::min(minPrefix, depth + tail.minPrefix);
    last = tail.last;
    classes |= tail.classes;
    depth += tail.depth;
    length += tail.length;
  }

  bool isOneBracketGroup() const { return first == '[' && depth == 0 && minProper >= 1; }
  bool isEmptyParentheses() const { return length == 2 && first == '(' && last == ')'; }
};

TextFacts factsOf(std::string_view text) {
  TextFacts facts;
  for (unsigned char c : text) facts.addByte(c);
  return facts;
}

TextFacts byteFacts(unsigned char c) {
  TextFacts facts;
  facts.addByte(c);
  return facts;
}

// Rule 1 takes F without its last byte.  Only what combining needs of a
// leading part survives: its depth and lowest prefix.  Its classes keep
// F's; the result holds "(" anyway, so the name and digit run tests,
// the only readers of the classes, come out the same.
TextFacts withoutLastByte(const TextFacts& f) {
  TextFacts facts = f;
  facts.length--;
  facts.depth -= squareStep(f.last);
  facts.minPrefix = f.minProper;
  return facts;
}

bool wantsSpaceInsideParentheses(const TextFacts& f) {
  return f.first == '(' && !f.isEmptyParentheses();
}

// Rules 3 and 4.
bool wantsParentheses(const TextFacts& f, const TextFacts& x) {
  if (x.classes == kOtherClass) return x.length >= 2;
  if (x.classes == kNameClass) return classOf(f.last) == kNameClass;
  if (x.classes == kDigitClass) return classOf(f.last) == kDigitClass;
  return true;  // mixed classes
}

void appendRealText(std::string& out, const Node* n) {
  double value;
  std::memcpy(&value, leafChars(n) + 1, sizeof value);
  char digits[64];
  std::snprintf(digits, sizeof digits, "%e", value);
  out += "real[";
  out += digits;
  out += ']';
}

void appendByteBlockText(std::string& out, const Node* n) {
  out += "cape[";
  for (char c : byteBlockPayload(n)) {
    if (c == '\n') out += "[p]";
    else if (c == '[') out += "[q]";
    else if (c == ']') out += "[r]";
    else out += c;
  }
  out += ']';
}

void appendLeafText(std::string& out, const Node* n) {
  unsigned char first = firstByte(n);
  if (first == 0 || first == ')' || first == ']') out += "()";
  else if (first == ' ') appendRealText(out, n);
  else if (first == '(') appendByteBlockText(out, n);
  else out.append(leafChars(n), leafTextLength(n));
}

class Printer {
 public:
  std::string print(const Node* root) {
    work_.push_back({root, Stage::Enter, 0, 0});
    while (!work_.empty()) step();
    return compacted();
  }

 private:
  enum class Stage { Enter, FunctionDone, ArgumentDoneInside, ArgumentDone };
  struct Frame {
    const Node* node;
    Stage stage;
    size_t openAt;   // where the optimistic "(" was written
    size_t spaceAt;  // where the optimistic " " was written
  };

  void step() {
    Frame& frame = work_.back();
    switch (frame.stage) {
      case Stage::Enter: return enter(frame);
      case Stage::FunctionDone: return functionDone(frame);
      case Stage::ArgumentDoneInside: return argumentDoneInside();
      case Stage::ArgumentDone: return argumentDone(frame);
    }
  }

  void enter(Frame& frame) {
    const Node* n = frame.node;
    if (isLeaf(n)) {
      size_t start = out_.size();
      appendLeafText(out_, n);
      facts_.push_back(factsOf(std::string_view(out_).substr(start)));
      work_.pop_back();
      return;
    }
    frame.openAt = out_.size();
    out_ += '(';
    frame.stage = Stage::FunctionDone;
    work_.push_back({functionOf(n), Stage::Enter, 0, 0});
  }

  void functionDone(Frame& frame) {
    const Node* argument = argumentOf(frame.node);
    if (wantsSpaceInsideParentheses(facts_.back())) {
      struck_.push_back(frame.openAt);
      out_.pop_back();
      out_ += ' ';
      frame.stage = Stage::ArgumentDoneInside;
    } else {
      frame.spaceAt = out_.size();
      out_ += ' ';
      frame.stage = Stage::ArgumentDone;
    }
    work_.push_back({argument, Stage::Enter, 0, 0});
  }

  // Rule 1: F without its last byte, " ", X, ")".
  void argumentDoneInside() {
    out_ += ')';
    TextFacts x = popFacts(), f = popFacts();
    TextFacts text = withoutLastByte(f);
    text.addText(byteFacts(' '));
    text.addText(x);
    text.addText(byteFacts(')'));
    facts_.push_back(text);
    work_.pop_back();
  }

  void argumentDone(Frame& frame) {
    TextFacts x = popFacts(), f = popFacts();
    TextFacts text;
    if (!x.isOneBracketGroup() && wantsParentheses(f, x)) {
      out_ += ')';
      text = byteFacts('(');
      text.addText(f);
      text.addText(byteFacts(' '));
      text.addText(x);
      text.addText(byteFacts(')'));
    } else {
      struck_.push_back(frame.openAt);
      struck_.push_back(frame.spaceAt);
      text = f;
      text.addText(x);
    }
    facts_.push_back(text);
    work_.pop_back();
  }

  TextFacts popFacts() {
    TextFacts facts = facts_.back();
    facts_.pop_back();
    return facts;
  }

  // The buffer without the struck-out bytes.
  std::string compacted() {
    if (struck_.empty()) return std::move(out_);
    std::sort(struck_.begin(), struck_.end());
    size_t write = 0, next = 0;
    for (size_t read = 0; read < out_.size(); read++) {
      if (next < struck_.size() && struck_[next] == read) {
        next++;
        continue;
      }
      out_[write++] = out_[read];
    }
    out_.resize(write);
    return std::move(out_);
  }

  std::string out_;
  std::vector<Frame> work_;
  std::vector<TextFacts> facts_;
  std::vector<size_t> struck_;
};

}  // namespace

std::string termText(const NodeRef& term) {
  Printer printer;
  return printer.print(term.get());
}

std::string clipBalanced(std::string_view text) {
  constexpr size_t kLimit = 72;
  std::string out;
  std::vector<char> open;  // the opening bytes not yet closed, innermost last
  for (unsigned char c : text) {
    bool inText = !open.empty() && open.back() == '[';
    bool opens = inText ? c == '[' : (c == '(' || c == '{' || c == '[');
    size_t used = out.size() + open.size();
    if (used >= kLimit || (used == kLimit - 1 && opens)) break;
    out += static_cast<char>(c);
    if (opens) open.push_back(static_cast<char>(c));
    else if (inText ? c == ']' : (c == ')' || c == '}')) {
      if (!open.empty()) open.pop_back();  // a stray closer is copied as it is
    }
  }
  while (!open.empty()) {
    char c = open.back();
    out += c == '(' ? ')' : c == '{' ? '}' : ']';
    open.pop_back();
  }
  return out;
}

}  // namespace quorl
