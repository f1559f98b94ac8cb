// The expression parser: precedence levels over the text itself.
//
// Every level finds its operator characters outside bracket groups, cuts
// its span of the text there and hands the pieces to the next level down.
// Spans are offsets into the one normalised text, and groups are jumped
// over through a partner table built once, so no level copies or rescans
// what a deeper level will look at again.
//
// Source may nest as deep as memory allows, so the parser does not recurse.
// Each construct (the fold of one level, one operand) is read by one walk
// over its span, done twice: once to list the pieces that must be parsed
// first, which go on a work stack, and once, when their terms are ready, to
// build the construct from them.  Both times the same code runs, so the
// pieces come back in the order the building asks for them.
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

// The first walk's stand-in for a term: nothing is built.
struct NoTerm {};

// A piece of a construct: a span to be parsed from a level down.
struct Piece {
  int level;
  Span span;
};

// Builds nothing and notes every piece asked for.
struct PieceLister {
  using Term = NoTerm;
  std::vector<Piece>& pieces;

  Term piece(int level, Span span) {
    pieces.push_back({level, span});
    return {};
  }
  Term leafOf(std::string_view) { return {}; }
  Term operatorLeaf(char) { return {}; }
  Term emptyOperand() { return {}; }
  Term apply(Term, Term) { return {}; }
};

// Builds the terms, taking the pieces' terms in the order they were listed.
struct TermBuilder {
  using Term = NodeRef;
  std::vector<NodeRef>& done;
  size_t next;

  Term piece(int, Span) { return std::move(done[next++]); }
  Term leafOf(std::string_view token) { return tokenToTerm(token); }
  Term operatorLeaf(char c) { return leaf(std::string_view(&c, 1)); }
  Term emptyOperand() { return leaf("}"); }
  Term apply(Term g, Term x) { return quorl::apply(std::move(g), std::move(x)); }
};

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text), brackets_(text) {}

  NodeRef parse() {
    work_.push_back({Task::Parse, 1, {0, text_.size()}, 0});
    while (!work_.empty()) {
      Task task = work_.back();
      work_.pop_back();
      if (task.kind == Task::Parse) start(task.level, task.span);
      else finish(task);
    }
    return std::move(done_.back());
  }

 private:
  // A piece to parse from a level down, or a construct whose pieces are
  // parsed and whose terms sit on done_ from index `base` on.
  struct Task {
    enum Kind : uint8_t { Parse, FoldLevel, Operand } kind;
    uint8_t level;
    Span span;
    size_t base;
  };

  std::string_view text_;
  BracketIndex brackets_;
  std::vector<Task> work_;
  std::vector<NodeRef> done_;
  std::vector<Piece> pieces_;  // the first walk's list, moved onto work_ at once
  std::vector<size_t> found_;  // operator positions of the walk under way

  size_t behindGroup(size_t open) const { return brackets_.partner(open) + 1; }

  // A level that finds none of its operators hands the span on unchanged,
  // and a span that is one parenthesis group and nothing else stands for
  // its contents read from level 1: neither needs a task.
  void start(int level, Span span) {
    for (;;) {
      level = loosestLevelPresent(span, level);
      if (level < kOperandLevel || !isOneParenthesisGroup(span)) break;
      span = {span.begin + 1, span.end - 1};
      level = 1;
    }
    Task construct{level < kOperandLevel ? Task::FoldLevel : Task::Operand,
                   static_cast<uint8_t>(level), span, done_.size()};
    PieceLister lister{pieces_};
    walk(construct, lister);
    work_.push_back(construct);
    // The first piece is parsed first, so its term lands at `base`.
    for (size_t k = pieces_.size(); k-- > 0;)
      work_.push_back({Task::Parse, static_cast<uint8_t>(pieces_[k].level), pieces_[k].span, 0});
    pieces_.clear();
  }

  void finish(const Task& construct) {
    TermBuilder builder{done_, construct.base};
    NodeRef term = walk(construct, builder);
    done_.erase(done_.begin() + static_cast<std::ptrdiff_t>(construct.base), done_.end());
    done_.push_back(std::move(term));
  }

  template <class Builder>
  typename Builder::Term walk(const Task& construct, Builder& b) {
    if (construct.kind == Task::Operand) return operand(construct.span, b);
    if (construct.level == 1) return foldLevel1(construct.span, b);
    return foldBinary(construct.level, construct.span, b);
  }

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
    found_.clear();
    findAtDepthZero(span, ",");
    std::vector<Span> pieces;
    size_t start = span.begin;
    for (size_t comma : found_) {
      pieces.push_back({start, comma});
      start = comma + 1;
    }
    pieces.push_back({start, span.end});
    return pieces;
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

  // Level 1: ';' and '\' build App(Leaf(c), A, B); a wing "{W}" builds
  // App(Leaf("{"), A, W, B).  The text after a wing starts behind its '}'.
  template <class Builder>
  typename Builder::Term foldLevel1(Span span, Builder& b) {
    using Term = typename Builder::Term;
    found_.clear();
    findAtDepthZero(span, kLevels[0].operators);
    std::vector<size_t> ops = found_;
    auto after = [&](size_t op) { return text_[op] == '{' ? behindGroup(op) : op + 1; };
    Term result = b.piece(2, {after(ops.back()), span.end});
    for (size_t k = ops.size(); k-- > 0;) {
      size_t op = ops[k];
      size_t start = k == 0 ? span.begin : after(ops[k - 1]);
      Term left = b.piece(2, {start, op});
      if (text_[op] == '{') {
        Term wing = wingList({op + 1, brackets_.partner(op)}, b);
        result = b.apply(b.apply(b.apply(b.operatorLeaf('{'), std::move(left)), std::move(wing)),
                         std::move(result));
      } else {
        result = b.apply(b.apply(b.operatorLeaf(text_[op]), std::move(left)), std::move(result));
      }
    }
    return result;
  }

  // Wing contents: elements at depth-zero commas, folded to the right with
  // the comma operator.
  template <class Builder>
  typename Builder::Term wingList(Span span, Builder& b) {
    using Term = typename Builder::Term;
    std::vector<Span> elements = commaSeparated(span);
    Term result = b.piece(1, elements.back());
    for (size_t k = elements.size() - 1; k-- > 0;)
      result = b.apply(b.apply(b.operatorLeaf(','), b.piece(1, elements[k])), std::move(result));
    return result;
  }

  // Blank and newline apply one operand to the other; every other operator
  // is a leaf applied to both.
  template <class Builder>
  typename Builder::Term combine(Builder& b, char op, typename Builder::Term left,
                                 typename Builder::Term right) {
    if (op == ' ' || op == '\n') return b.apply(std::move(left), std::move(right));
    return b.apply(b.apply(b.operatorLeaf(op), std::move(left)), std::move(right));
  }

  // Levels 2 to 8: the operands between the operators are read one level
  // down and folded in the level's direction.
  template <class Builder>
  typename Builder::Term foldBinary(int level, Span span, Builder& b) {
    using Term = typename Builder::Term;
    found_.clear();
    findAtDepthZero(span, kLevels[level - 1].operators);
    std::vector<size_t> ops = found_;
    size_t count = ops.size();
    auto operandBefore = [&](size_t k) {  // k == count: the operand after the last
      size_t start = k == 0 ? span.begin : ops[k - 1] + 1;
      size_t end = k == count ? span.end : ops[k];
      return Span{start, end};
    };
    if (kLevels[level - 1].fold == Fold::Left) {
      Term result = b.piece(level + 1, operandBefore(0));
      for (size_t k = 0; k < count; ++k)
        result = combine(b, text_[ops[k]], std::move(result), b.piece(level + 1, operandBefore(k + 1)));
      return result;
    }
    Term result = b.piece(level + 1, operandBefore(count));
    for (size_t k = count; k-- > 0;)
      result = combine(b, text_[ops[k]], b.piece(level + 1, operandBefore(k)), std::move(result));
    return result;
  }

  // Levels 9 and 10: affix bytes at the end apply to everything before
  // them, the last one outermost; those at the start apply to the rest, the
  // first one outermost.  An empty operand is Leaf("}").
  template <class Builder>
  typename Builder::Term operand(Span span, Builder& b) {
    using Term = typename Builder::Term;
    size_t coreEnd = span.end;
    while (coreEnd > span.begin && isAffix(text_[coreEnd - 1])) --coreEnd;
    size_t coreBegin = span.begin;
    while (coreBegin < coreEnd && isAffix(text_[coreBegin])) ++coreBegin;
    Term result = coreEnd == span.begin
                      ? b.emptyOperand()
                      : prefixed({span.begin, coreBegin}, affixRuns({coreBegin, coreEnd}, b), b);
    for (size_t i = coreEnd; i < span.end; ++i) result = b.apply(b.operatorLeaf(text_[i]), std::move(result));
    return result;
  }

  // A run of affix bytes applied, first byte outermost, to what follows it.
  template <class Builder>
  typename Builder::Term prefixed(Span run, typename Builder::Term operand, Builder& b) {
    for (size_t i = run.end; i-- > run.begin;) operand = b.apply(b.operatorLeaf(text_[i]), std::move(operand));
    return operand;
  }

  // Level 11: the span is cut before every depth-zero run of affix bytes;
  // each later piece is its run applied to the word behind it, and the
  // pieces apply to one another from the left: «g~x» is g (~ x).
  template <class Builder>
  typename Builder::Term affixRuns(Span span, Builder& b) {
    using Term = typename Builder::Term;
    size_t runStart = nextAffix(span.begin, span.end);
    Term result = wordLevel({span.begin, runStart}, b);
    while (runStart < span.end) {
      size_t runEnd = runStart;
      while (runEnd < span.end && isAffix(text_[runEnd])) ++runEnd;
      size_t next = nextAffix(runEnd, span.end);
      Term word = prefixed({runStart, runEnd}, wordLevel({runEnd, next}, b), b);
      result = b.apply(std::move(result), std::move(word));
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
  template <class Builder>
  typename Builder::Term wordLevel(Span span, Builder& b) {
    using Term = typename Builder::Term;
    if (span.empty()) checkFailure(kCoreModule, kCheckEmptyOperand);
    std::string_view word = text_.substr(span.begin, span.end - span.begin);
    std::optional<Term> result;
    forEachToken(
        word, [&](size_t i) { return brackets_.partner(span.begin + i) - span.begin; },
        [&](size_t start, size_t length) {
          Span token{span.begin + start, span.begin + start + length};
          if (text_[token.begin] == '(') {
            Span inside{token.begin + 1, token.end - 1};
            if (!result)
              result = b.piece(1, inside);
            else
              for (Span element : commaSeparated(inside))
                result = b.apply(std::move(*result), b.piece(1, element));
          } else {
            Term term = b.leafOf(text_.substr(token.begin, length));
            result = result ? b.apply(std::move(*result), std::move(term)) : std::move(term);
          }
        });
    return std::move(*result);
  }
};

}  // namespace

NodeRef parseExpression(std::string_view text) { return Parser(text).parse(); }

}  // namespace quorl
