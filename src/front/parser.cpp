// The expression parser: recursive descent over the text itself.
//
// Every level finds its operator characters outside bracket groups, cuts
// its span of the text there and hands the pieces to the next level down.
// Spans are offsets into the one normalised text, and groups are jumped
// over through a partner table built once, so no level copies or rescans
// what a deeper level will look at again.  Recursion follows the nesting of
// groups; the driver runs on a thread whose stack allows deep nesting.
//
// Levels, loosest first (level 1 is the entry):
//   1  ; \ {    right fold; '{' opens a wing form
//   2  ? \n     left fold; newline is application
//   3  & |      right fold
//   4  = < > #  right fold
//   5  @ blank  left fold; blank is application
//   6  + - : .  left fold
//   7  * / % '  left fold
//   8  ^        right fold
//   9  postfix affix operators ~ ! " $ `
//   10 prefix affix operators, the same five
//   11 affix runs inside a word
//   12 the word: tokens, grouping and call lists
#include "front/parser.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "front/bracket_index.hpp"
#include "front/chars.hpp"
#include "front/front_checks.hpp"
#include "front/word_split.hpp"

namespace quorl {

namespace {

struct Span {
  size_t begin;
  size_t end;
  bool empty() const { return begin == end; }
};

enum class Fold { Left, Right };

struct Level {
  std::string_view operators;
  Fold fold;
};

// Levels 1 to 8, loosest first.
constexpr Level kLevels[] = {
    {";\\{", Fold::Right}, {"?\n", Fold::Left},  {"&|", Fold::Right},  {"=<>#", Fold::Right},
    {"@ ", Fold::Left},    {"+-:.", Fold::Left}, {"*/%'", Fold::Left}, {"^", Fold::Right},
};
constexpr int kOperandLevel = 9;

// The level of every operator byte; kOperandLevel for all other bytes.
constexpr std::array<uint8_t, 256> kLevelOfByte = [] {
  std::array<uint8_t, 256> table{};
  table.fill(kOperandLevel);
  for (int level = 1; level < kOperandLevel; ++level)
    for (char c : kLevels[level - 1].operators) table[static_cast<unsigned char>(c)] = level;
  return table;
}();

bool isAffix(char c) { return kAffixChars.find(c) != std::string_view::npos; }

NodeRef operatorLeaf(char c) { return leaf(std::string_view(&c, 1)); }
NodeRef emptyOperand() { return leaf("}"); }

// Blank and newline apply one operand to the other; every other operator
// is a leaf applied to both.
NodeRef combine(char op, NodeRef left, NodeRef right) {
  if (op == ' ' || op == '\n') return apply(std::move(left), std::move(right));
  return apply3(operatorLeaf(op), std::move(left), std::move(right));
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text), brackets_(text) {}

  NodeRef parse() { return parseFrom(1, {0, text_.size()}); }

 private:
  std::string_view text_;
  BracketIndex brackets_;
  // Operator positions of all levels in progress, used as a stack: each
  // level appends its own above those of the levels that called it.
  std::vector<size_t> found_;

  size_t behindGroup(size_t open) const { return brackets_.partner(open) + 1; }

  // Appends the positions in span whose byte is in set, skipping groups (an
  // opening bracket is itself tested, so '{' is found as an operator).
  void findAtDepthZero(Span span, std::string_view set) {
    size_t i = span.begin;
    while (i < span.end) {
      char c = text_[i];
      if (set.find(c) != std::string_view::npos) found_.push_back(i);
      i = isOpeningBracket(c) ? behindGroup(i) : i + 1;
    }
  }

  // The spans between the depth-zero commas of span.
  std::vector<Span> commaSeparated(Span span) {
    size_t base = found_.size();
    findAtDepthZero(span, ",");
    std::vector<Span> pieces;
    size_t start = span.begin;
    for (size_t k = base; k < found_.size(); ++k) {
      pieces.push_back({start, found_[k]});
      start = found_[k] + 1;
    }
    pieces.push_back({start, span.end});
    found_.resize(base);
    return pieces;
  }

  // Parses span from the given level down.  A level that finds none of its
  // operators hands the span on unchanged, so those levels are walked in a
  // loop rather than by calls; and a span that is one parenthesis group and
  // nothing else stands for its contents read from level 1, so grouping
  // costs no recursion at all.
  NodeRef parseFrom(int level, Span span) {
    for (;;) {
      level = loosestLevelPresent(span, level);
      if (level < kOperandLevel) {
        size_t base = found_.size();
        findAtDepthZero(span, kLevels[level - 1].operators);
        NodeRef result = level == 1 ? foldLevel1(span, base) : foldBinary(level, span, base);
        found_.resize(base);
        return result;
      }
      if (!isOneParenthesisGroup(span)) return operand(span);
      span = {span.begin + 1, span.end - 1};
      level = 1;
    }
  }

  // The loosest level, from `from` on, with an operator at depth zero in
  // span; kOperandLevel when there is none.  One pass stands in for asking
  // every level in turn.
  int loosestLevelPresent(Span span, int from) const {
    int loosest = kOperandLevel;
    size_t i = span.begin;
    while (i < span.end && loosest > from) {
      unsigned char c = text_[i];
      int level = kLevelOfByte[c];
      if (level >= from && level < loosest) loosest = level;
      i = isOpeningBracket(c) ? behindGroup(i) : i + 1;
    }
    return loosest;
  }

  bool isOneParenthesisGroup(Span span) const {
    return !span.empty() && text_[span.begin] == '(' &&
           brackets_.partner(span.begin) == span.end - 1;
  }

  // Level 1, operators found[base..]: ';' and '\' build App(Leaf(c), A, B);
  // a wing "{W}" builds App(Leaf("{"), A, W, B).  The text after a wing
  // starts behind its '}'.
  NodeRef foldLevel1(Span span, size_t base) {
    auto after = [&](size_t op) { return text_[op] == '{' ? behindGroup(op) : op + 1; };
    NodeRef result = parseFrom(2, {after(found_.back()), span.end});
    for (size_t k = found_.size(); k-- > base;) {
      size_t op = found_[k];
      size_t start = k == base ? span.begin : after(found_[k - 1]);
      NodeRef left = parseFrom(2, {start, op});
      if (text_[op] == '{') {
        NodeRef wing = wingList({op + 1, brackets_.partner(op)});
        result = apply4(operatorLeaf('{'), std::move(left), std::move(wing), std::move(result));
      } else {
        result = apply3(operatorLeaf(text_[op]), std::move(left), std::move(result));
      }
    }
    return result;
  }

  // Wing contents: elements at depth-zero commas, folded to the right with
  // the comma operator.
  NodeRef wingList(Span span) {
    std::vector<Span> elements = commaSeparated(span);
    NodeRef result = parseFrom(1, elements.back());
    for (size_t k = elements.size() - 1; k-- > 0;)
      result = apply3(operatorLeaf(','), parseFrom(1, elements[k]), std::move(result));
    return result;
  }

  // Levels 2 to 8, operators found[base..]: the operands between them are
  // read one level down and folded in the level's direction.
  NodeRef foldBinary(int level, Span span, size_t base) {
    size_t last = found_.size() - 1;
    auto operandBefore = [&](size_t k) {  // k == last + 1: the operand after the last
      size_t start = k == base ? span.begin : found_[k - 1] + 1;
      size_t end = k > last ? span.end : found_[k];
      return Span{start, end};
    };
    if (kLevels[level - 1].fold == Fold::Left) {
      NodeRef result = parseFrom(level + 1, operandBefore(base));
      for (size_t k = base; k <= last; ++k)
        result = combine(text_[found_[k]], std::move(result),
                         parseFrom(level + 1, operandBefore(k + 1)));
      return result;
    }
    NodeRef result = parseFrom(level + 1, operandBefore(last + 1));
    for (size_t k = last + 1; k-- > base;)
      result = combine(text_[found_[k]], parseFrom(level + 1, operandBefore(k)), std::move(result));
    return result;
  }

  // Levels 9 and 10: affix bytes at the end apply to everything before
  // them, the last one outermost; those at the start apply to the rest, the
  // first one outermost.  An empty operand is Leaf("}").
  NodeRef operand(Span span) {
    size_t coreEnd = span.end;
    while (coreEnd > span.begin && isAffix(text_[coreEnd - 1])) --coreEnd;
    size_t coreBegin = span.begin;
    while (coreBegin < coreEnd && isAffix(text_[coreBegin])) ++coreBegin;
    NodeRef result = coreEnd == span.begin
                         ? emptyOperand()
                         : prefixed({span.begin, coreBegin}, affixRuns({coreBegin, coreEnd}));
    for (size_t i = coreEnd; i < span.end; ++i)
      result = apply(operatorLeaf(text_[i]), std::move(result));
    return result;
  }

  // A run of affix bytes applied, first byte outermost, to what follows it.
  NodeRef prefixed(Span run, NodeRef operand) {
    for (size_t i = run.end; i-- > run.begin;)
      operand = apply(operatorLeaf(text_[i]), std::move(operand));
    return operand;
  }

  // Level 11: the span is cut before every depth-zero run of affix bytes;
  // each later piece is its run applied to the word behind it, and the
  // pieces apply to one another from the left: «g~x» is g (~ x).
  NodeRef affixRuns(Span span) {
    size_t runStart = nextAffix(span.begin, span.end);
    NodeRef result = wordLevel({span.begin, runStart});
    while (runStart < span.end) {
      size_t runEnd = runStart;
      while (runEnd < span.end && isAffix(text_[runEnd])) ++runEnd;
      size_t next = nextAffix(runEnd, span.end);
      NodeRef piece = prefixed({runStart, runEnd}, wordLevel({runEnd, next}));
      result = apply(std::move(result), std::move(piece));
      runStart = next;
    }
    return result;
  }

  // The first affix byte at or after from outside any group, or end.
  size_t nextAffix(size_t from, size_t end) const {
    size_t i = from;
    while (i < end && !isAffix(text_[i])) i = isOpeningBracket(text_[i]) ? behindGroup(i) : i + 1;
    return i;
  }

  // Level 12: the first token is the head (a parenthesis group there is
  // mere grouping); every later token is applied to what came before, a
  // parenthesis group as a call list of its comma-separated elements.
  NodeRef wordLevel(Span span) {
    if (span.empty()) checkFailure(kCoreModule, kCheckEmptyOperand);
    std::string_view word = text_.substr(span.begin, span.end - span.begin);
    std::optional<NodeRef> result;
    forEachToken(
        word, [&](size_t i) { return brackets_.partner(span.begin + i) - span.begin; },
        [&](size_t start, size_t length) {
          Span token{span.begin + start, span.begin + start + length};
          if (text_[token.begin] == '(') {
            Span inside{token.begin + 1, token.end - 1};
            if (!result)
              result = parseFrom(1, inside);
            else
              for (Span element : commaSeparated(inside))
                result = apply(std::move(*result), parseFrom(1, element));
          } else {
            NodeRef term = tokenToTerm(text_.substr(token.begin, length));
            result = result ? apply(std::move(*result), std::move(term)) : std::move(term);
          }
        });
    return std::move(*result);
  }
};

}  // namespace

NodeRef parseExpression(std::string_view text) { return Parser(text).parse(); }

}  // namespace quorl
