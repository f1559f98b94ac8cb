// The general way of answering a tree of number operations: every number
// the engine computes with, integers beyond the word and failures among
// them, with the identity of a value as it stood kept where a builtin
// would keep it.  The quicker ways (number_trees.cpp) leave a tree here
// when they meet what they do not take.
#include <utility>

#include "eval/machine.hpp"
#include "eval/number_tree_ways.hpp"
#include "eval/real_values.hpp"
#include "eval/why.hpp"
#include "numbers/operands.hpp"

namespace quorl {

namespace {

inline double quickDouble(const Quick& n) { return n.kind == Quick::Real ? n.real : static_cast<double>(n.word); }

// `op` of a and b into a; false when the quick way cannot tell the answer.
inline bool quickStep(WordOp op, Quick& a, const Quick& b) {
  if ((a.kind & b.kind) == Quick::Real) {
    switch (op) {
      case WordOp::Plus: a.real += b.real; return true;
      case WordOp::Dash: a.real -= b.real; return true;
      case WordOp::Mult: a.real *= b.real; return true;
      case WordOp::Over: a.real /= b.real; return true;
      case WordOp::Less: a.truth = a.real < b.real; break;
      case WordOp::Gteq: a.truth = a.real >= b.real; break;
      case WordOp::Same:
      case WordOp::Diff: return false;  // one value is the same as itself, even a NaN
      default: a.real = realArithmetic(op, a.real, b.real); return true;
    }
    a.kind = Quick::Truth;
    return true;
  }
  if ((a.kind | b.kind) == Quick::Word) {
    WordAnswer answer = answerWords(op, a.word, b.word);
    if (answer.kind == WordAnswer::Integer) {
      a.word = answer.value;
      return true;
    }
    if (answer.kind != WordAnswer::True && answer.kind != WordAnswer::False) return false;
    a.truth = answer.kind == WordAnswer::True;
    a.kind = Quick::Truth;
    return true;
  }
  if ((a.kind | b.kind) != Quick::Real) return false;  // a truth value
  // A real and an integer: real comes first and never equals an integer;
  // arithmetic is done on the integer's nearest double.
  bool realFirst = a.kind == Quick::Real;
  switch (op) {
    case WordOp::Less: a.truth = realFirst; break;
    case WordOp::Gteq: a.truth = !realFirst; break;
    case WordOp::Same: a.truth = false; break;
    case WordOp::Diff: a.truth = true; break;
    default:
      a.real = realArithmetic(op, quickDouble(a), quickDouble(b));
      a.kind = Quick::Real;
      return true;
  }
  a.kind = Quick::Truth;
  return true;
}

// A number met in a tree, or the truth of a comparison.  `origin` is the
// value the number is when it is an operand as it stood (borrowed from the
// view or the table; 0 for a number computed in the tree): `same` of one
// value is K even for a NaN, and `real` of a real is that very value.
// Kinds are bits, so that one test tells two reals.
struct Num {
  enum Kind : uint8_t { Word = 0, Real = 1, Truth = 2, Boxed = 4 };
  union {
    int64_t word;
    double real;
    bool truth;
  };
  Value origin;  // Boxed: the value
  Kind kind;
  bool owned;  // Boxed: `origin` holds a count for the tree
};

inline void drop(const Num& n) {
  if (n.owned) releaseValue(n.origin);
}

inline void setBoxed(Num& n, Value v, bool owned) {
  n.kind = Num::Boxed;
  n.owned = owned;
  n.origin = v;
}
inline void setWord(Num& n, int64_t w) {
  n.kind = Num::Word;
  n.owned = false;
  n.word = w;
  n.origin = Value{0};
}
inline void setReal(Num& n, double d) {
  n.kind = Num::Real;
  n.owned = false;
  n.real = d;
  n.origin = Value{0};
}
inline void setTruth(Num& n, bool t) {
  n.kind = Num::Truth;
  n.owned = false;
  n.truth = t;
  n.origin = Value{0};
}

// The number a value is, as the tree reads it.
void numOfValue(Value v, Num& out) {
  out.owned = false;
  out.origin = v;
  if (v.isReal()) {
    out.kind = Num::Real;
    out.real = v.real()->value;
  } else if (v.isWord()) {
    out.kind = Num::Word;
    out.word = v.word()->value;
  } else if (v.isNode() && realLeafValue(v.node(), out.real)) {
    out.kind = Num::Real;
  } else if (v.isNode() && shortIntegerLeaf(v.node(), out.word)) {
    out.kind = Num::Word;
  } else {
    out.kind = Num::Boxed;
  }
}

// A number as a value, borrowed when it is one already (`made` false),
// else new, with one count (`made` true).
Value valueOfNum(const Num& n, bool& made) {
  made = n.origin.bits == 0;
  if (!made) return n.origin;
  switch (n.kind) {
    case Num::Word: return newWord(n.word);
    case Num::Real: return newReal(n.real);
    default: return truthAsValue(n.truth);
  }
}

// `op` of two numbers into `out`; false when the builtin must answer.
bool combine(WordOp op, const Num& a, const Num& b, Num& out) {
  if ((a.kind | b.kind) == Num::Word) {
    WordAnswer answer = answerWords(op, a.word, b.word);
    switch (answer.kind) {
      case WordAnswer::Integer: setWord(out, answer.value); return true;
      case WordAnswer::True: setTruth(out, true); return true;
      case WordAnswer::False: setTruth(out, false); return true;
      case WordAnswer::Failure:
        // While --why watches, the builtin gives this Z where it is watched.
        if (whyWatching()) return false;
        setBoxed(out, Value::ofNode(sharedLeaf('Z').detach()), true);
        return true;
      default: break;  // beyond a word
    }
  } else if ((a.kind & b.kind) == Num::Real && (op == WordOp::Same || op == WordOp::Diff)) {
    bool same = (a.origin.bits != 0 && sameValue(a.origin, b.origin)) || a.real == b.real;
    setTruth(out, same == (op == WordOp::Same));
    return true;
  } else if ((a.kind | b.kind) == Num::Real) {
    Quick x, y;
    x.kind = static_cast<Quick::Kind>(a.kind);
    x.word = a.word;
    y.kind = static_cast<Quick::Kind>(b.kind);
    y.word = b.word;
    quickStep(op, x, y);  // answers every pair of reals and integers but same and diff of two reals
    if (x.kind == Quick::Truth) setTruth(out, x.truth);
    else setReal(out, x.real);
    return true;
  }
  bool madeX, madeY;
  Value x = valueOfNum(a, madeX), y = valueOfNum(b, madeY);
  Value answer;
  bool answered = answerNumberValues(op, x, y, answer);
  if (madeX) releaseValue(x);
  if (madeY) releaseValue(y);
  if (!answered) return false;
  setBoxed(out, answer, true);
  return true;
}

// The builtin `real` of a number, into `out`.
bool convert(const Num& a, Num& out) {
  switch (a.kind) {
    case Num::Real: out = a; out.owned = false; return true;  // the value itself
    case Num::Word: setReal(out, static_cast<double>(a.word)); return true;
    case Num::Truth: return false;
    default: {
      Value answer;
      if (!answerRealConversion(a.origin, answer)) return false;
      setBoxed(out, answer, true);
      return true;
    }
  }
}

// The tree's answer the general way; false, with nothing held, when the
// machine must compute the tree.
bool evaluate(const NumberTree& tree, const TreeLetters& view, Num& out) {
  Num leaves[NumberTree::kMaxLeaves];
  for (int i = 0; i < tree.leafCount; i++) {
    Value v;
    if (!leafValue(*tree.leaves[i], view, v)) return false;
    numOfValue(v, leaves[i]);
  }
  Num stack[NumberTree::kMaxOperations];
  int top = 0;
  const NumberTree::Operation* end = tree.operations + tree.operationCount;
  for (const NumberTree::Operation* o = tree.operations; o != end; o++) {
    // Operands computed before are on the stack, the right one on top.
    Num* b = nullptr;
    if (o->right == NumberTree::kComputed) b = &stack[--top];
    else if (o->right >= 0) b = &leaves[o->right];
    Num* a = o->left == NumberTree::kComputed ? &stack[--top] : &leaves[o->left];
    Num r;
    bool answered = b == nullptr ? convert(*a, r) : combine(o->op, *a, *b, r);
    if (o->left == NumberTree::kComputed) drop(*a);
    if (o->right == NumberTree::kComputed) drop(*b);
    if (!answered) {
      for (int i = 0; i < top; i++) drop(stack[i]);
      return false;
    }
    stack[top++] = r;
  }
  out = stack[0];
  return true;
}

}  // namespace

bool answerTreeGenerally(const NumberTree& tree, const TreeLetters& view, Value& out) {
  Num n;
  if (!evaluate(tree, view, n)) return false;
  if (n.owned) {
    out = n.origin;
    return true;
  }
  bool made;
  out = valueOfNum(n, made);
  if (!made) acquireValue(out);
  return true;
}

bool compareTreeGenerally(const NumberTree& tree, const TreeLetters& view, bool& truth) {
  Num n;
  if (!evaluate(tree, view, n)) return false;
  if (n.kind == Num::Truth) {
    truth = n.truth;
    return true;
  }
  // A comparison the builtins' way gives K or H.
  bool answered = n.kind == Num::Boxed && n.origin.isNode() && isLeaf(n.origin.node()) &&
                  (leafChars(n.origin.node())[0] == 'K' || leafChars(n.origin.node())[0] == 'H');
  if (answered) truth = leafChars(n.origin.node())[0] == 'K';
  drop(n);
  return answered;
}

}  // namespace quorl
