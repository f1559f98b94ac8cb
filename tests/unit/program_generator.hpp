// Random programs for comparing two ways of running the same program.
//
// The programs are small and mostly meaningless, but they use every form
// the engine treats specially: calls of global functions and builtins,
// constants, lambdas applied at once and passed around, combinators, lists
// taken apart by matching, wings and pair binders, backquotes, texts, and
// the builtins that look at a term's structure or identity.  `tick x`
// records x and returns it, so the order in which work is done shows.
// With lambda shapes, a quarter of the expressions are lambdas as programs
// nest and keep them: inner lambdas that use the letters of lambdas three
// and four levels out, lambdas kept in lists and pairs and applied later,
// matches whose lambdas leave their parameters unused, and partial
// applications of functions and lambdas.  With blocks, a quarter work on
// byte blocks and texts in loops, some held by two holders at once.  With
// stored numbers, numbers computed from machine words and beyond are kept
// in lists and read back as numbers, as text, as terms and by identity, and
// cells are made of computed values, nested or short of arguments.  With
// truth chains, a quarter are choices by `|`, `&` and `!` over comparisons,
// truth values held by letters and values that are no truth value, and
// calls that keep one of their caller's letters for the operand after them.
// With reals, reals meet every other kind in arithmetic and comparisons,
// in trees of operations, wings and loops.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "program_generator_library.hpp"

namespace quorl::testing {

class ProgramGenerator {
 public:
  // With `bigIntegers`, a quarter of the number atoms lie beyond a machine
  // word, or become so when computed; with `lambdaShapes`, a quarter of the
  // expressions are lambdas as programs nest and keep them; with `blocks`,
  // a quarter work on byte blocks and texts, in loops that read, change,
  // cut and join them (some held by two holders at once); with
  // `storedNumbers`, numbers computed are kept in lists and read back; with
  // `truthChains`, a quarter are choices by `|`, `&` and `!`; with
  // `reals`, a quarter of the atoms are reals (negative zero, NaNs,
  // infinities, subnormals among them) and a fifth of the expressions are
  // arithmetic or comparisons of reals with reals and with every other
  // kind.  Without any the programs are those the generator has always
  // made for a seed.
  explicit ProgramGenerator(uint32_t seed, bool bigIntegers = false, bool lambdaShapes = false,
                            bool blocks = false, bool storedNumbers = false, bool truthChains = false,
                            bool reals = false)
      : random_(seed), big_(bigIntegers), lambdas_(lambdaShapes), blocks_(blocks), numbers_(storedNumbers),
        truths_(truthChains), reals_(reals) {}

  std::string program() {
    functions_.clear();
    std::string text = "main,main\\a\\";
    int count = 1 + pick(4);
    std::vector<std::string> definitions;
    for (int i = 0; i < count; i++) definitions.push_back(function(i));
    if (blocks_) {
      // Two functions of blocks b, c and indices i, j, given literals; the
      // value is computed in full (one made of J would leave its parts unread).
      auto probe = [&](const char* name) {
        definitions.push_back(std::string(name) + "\\b\\c\\i\\j\\" + blockExpression(3, {'b', 'c'}, {'i', 'j'}));
        return std::string(name) + "(" + blockAtom(0, {}, {}) + ", " + blockAtom(0, {}, {}) + ", " +
               indexAtom(0, {}) + ", " + indexAtom(0, {}) + ")";
      };
      std::string first = probe("pa"), second = probe("pb");
      text += "both(" + first + ", both(" + second + ", " + expression(4, {}) + "))";
    } else if (reals_) {
      // Every program computes the real operations on operands of its own,
      // their answers to the last bit, before its expression.
      auto x = [&] { return realOperand(2, {}); };
      std::vector<char> vars;
      if (lambdas_) vars.push_back('a');
      auto word = [&] { return std::to_string(pick(9) - 4); };
      std::string same = "rboth(lits(rsame(" + word() + ", " + word() + ")), lits(rsame(" + x() + ", " + word() + ")))";
      text += "rboth(rops(" + x() + ", " + x() + "), rboth(rtree(" + x() + ", " + x() + ", " + x() +
              "), rboth(rcmp(" + x() + ", " + x() + "), rboth(" + same + ", " + expression(4, vars) + "))))";
    } else {
      // Lambda shapes want letters to close over: main's argument then is one.
      std::vector<char> vars;
      if (lambdas_ || truths_) vars.push_back('a');
      std::string value = expression(4, vars);
      // Its list calls beside it, where no failure before them hides
      // what they give.
      if (chance(25)) value = "J (" + callShape(3, vars) + ") (" + value + ")";
      // Before them a number written in the body and a call's value
      // (wordcall).
      int n = pick(9) - 4, w = pick(7);
      text += "J (wordcall(" + std::to_string(n == 0 ? 5 : n) + ", " + std::to_string(w) + ")) (" + value + ")";
    }
    for (const std::string& d : definitions) text += ",\n" + d;
    text += fixedFunctions(lambdas_, reals_, blocks_, truths_, numbers_);
    return text;
  }

 private:
  struct Function {
    std::string name;
    int parameters;
  };

  static constexpr const char* kOperators[] = {"+", "-", "*", "<", "=", "#", ">", "/", "%"};

  int pick(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }
  bool chance(int percent) { return pick(100) < percent; }

  std::string function(int index) {
    static const char* kNames[] = {"fa", "fb", "fc", "fd", "fe", "ff"};
    Function f{kNames[index], pick(4)};
    std::vector<char> params;
    std::string text = f.name;
    for (int i = 0; i < f.parameters; i++) {
      char p = static_cast<char>('a' + pick(6));
      params.push_back(p);
      text += "\\";
      text += p;
    }
    std::string body;
    if (f.parameters >= 1 && chance(30)) {
      // A recursion bounded by its first parameter.
      std::string n(1, params[0]);
      std::string rest;
      for (int i = 1; i < f.parameters; i++) rest += "(" + expression(2, params) + ")";
      body = "(" + n + "<1)(" + expression(2, params) + ")(" + f.name + "(" + n + "-1)" + rest + ")";
    } else {
      body = expression(3, params);
    }
    text += "\\" + body;  // a constant when there are no parameters
    functions_.push_back(f);
    return text;
  }

  std::string fresh(std::vector<char>& vars) {
    char v = static_cast<char>('f' + pick(8));
    vars.push_back(v);
    return std::string(1, v);
  }

  std::string atom(const std::vector<char>& vars) {
    if (!vars.empty() && chance(55)) return std::string(1, vars[pick(static_cast<int>(vars.size()))]);
    if (big_ && chance(25)) {
      static const char* kBig[] = {"9223372036854775807", "9223372036854775808", "09223372036854775809",
                                   "18446744073709551616", "(2^64)", "(0-(2^70))", "(3^45)",
                                   "340282366920938463463374607431768211457"};
      return kBig[pick(sizeof kBig / sizeof kBig[0])];
    }
    if (lambdas_ && chance(10))
      return std::string(chance(50) ? "first" : "count") + "(upto(" + std::to_string(pick(5)) + "))";
    if (reals_ && chance(25)) return realAtom();
    static const char* kAtoms[] = {"0", "1", "2", "3", "7", "05", "004", "001", "[ab]", "[a[b]c]",
                                   "[]",  "K", "H", "I", "V", "J", "cape[xy]", "loopy"};
    int n = sizeof kAtoms / sizeof kAtoms[0];
    std::string a = kAtoms[pick(n)];
    if (a == "loopy" && !chance(10)) a = "9";
    return a;
  }

  // A lambda of `levels` parameters whose body uses each of them and the
  // letters around it.
  std::string nestedLambda(int depth, const std::vector<char>& vars, int levels) {
    std::vector<char> inner = vars;
    std::string text;
    std::vector<std::string> params;
    for (int i = 0; i < levels; i++) {
      std::string p = fresh(inner);
      // Distinct, so that the body sees every level's letter.
      while (std::find(params.begin(), params.end(), p) != params.end()) p = fresh(inner);
      params.push_back(p);
      text += p + "\\";
    }
    std::string body = expression(depth - 1, inner);
    for (const std::string& p : params) {
      static const char* kJoins[] = {"V", "J", "+", "<"};
      const char* join = kJoins[pick(4)];
      if (join[0] == 'V' || join[0] == 'J') body = std::string(join) + " " + p + " (" + body + ")";
      else body = p + join + "(" + body + ")";
    }
    return "(" + text + body + ")";
  }

  std::string lambdaShape(int depth, const std::vector<char>& vars) {
    auto sub = [&]() { return "(" + expression(depth - 1, vars) + ")"; };
    auto unused = [&]() {
      std::vector<char> inner = vars;
      return fresh(inner);
    };
    switch (pick(8)) {
      case 7: {
        // A function of two arguments passed as a value and called through
        // a letter with operands as they stand: a global function, a
        // partial application of one, a lambda, a lambda given one of its
        // three arguments, a lambda taken from a list.
        std::string f;
        const Function* global = nullptr;
        for (const Function& g : functions_)
          if (g.parameters >= 2 && (global == nullptr || chance(50))) global = &g;
        switch (pick(5)) {
          case 0:
            if (global == nullptr || chance(50)) {
              f = chance(50) ? "ordered" : "ordthree(" + expression(depth - 1, vars) + ")";
              break;
            }
            f = global->name;
            if (global->parameters == 3) f += "(" + expression(depth - 1, vars) + ")";
            break;
          case 1: f = nestedLambda(depth, vars, 2); break;
          case 2: f = "(" + nestedLambda(depth, vars, 3) + sub() + ")"; break;
          case 3: f = "hd(J " + nestedLambda(depth, vars, 2) + " K)"; break;
          default: f = "(" + nestedLambda(depth, vars, 1) + sub() + ")"; break;
        }
        if (chance(50)) return "calltwo(" + f + ", " + sub() + ", " + sub() + ")";
        return "sumf(" + f + ", " + sub() + "%4, " + sub() + ")";
      }
      case 0: {
        // Inner lambdas three and four levels deep, given all, some or
        // none of their arguments.
        int levels = 3 + pick(2);
        std::string text = nestedLambda(depth, vars, levels);
        for (int given = pick(levels + 1); given > 0; given--) text += sub();
        return "(" + text + ")";
      }
      case 1: {
        // Lambdas kept in a list, applied later one after the other.
        std::vector<char> inner = vars;
        std::string v = fresh(inner);
        std::string first = "(" + v + "\\" + expression(depth - 1, inner) + ")";
        std::string second = chance(50) ? nestedLambda(depth, vars, 1) : "(" + unused() + "\\" + sub() + ")";
        return "each(J " + first + " (J " + second + " K))" + sub();
      }
      case 2: {
        // A lambda kept in a pair, taken out and applied.
        std::vector<char> inner = vars;
        std::string f = fresh(inner), g = fresh(inner);
        if (f == g) return atom(vars);
        return "(V " + nestedLambda(depth, vars, 1 + pick(3)) + sub() + ")(" + f + "\\" + g + "\\" + f + " " + g +
               " " + sub() + ")";
      }
      case 3: {
        // A list or pair match whose lambdas leave one or both parameters
        // unused.
        std::vector<char> inner = vars;
        std::string p = fresh(inner), q = unused();
        std::string body = expression(depth - 1, chance(50) ? inner : vars);
        if (chance(30)) body = "V " + p + " (" + body + ")";
        else if (chance(50)) body = p + kOperators[pick(9)] + "(" + body + ")";
        std::string lambda = chance(50) ? "(" + p + "\\" + q + "\\" + body + ")" : "(" + q + "\\" + p + "\\" + body + ")";
        std::vector<char> around = vars;
        std::string v = fresh(around);
        switch (pick(7)) {
          case 5:
            return "first(upto(" + std::to_string(pick(5)) + "))";
          case 6:
            return "count(upto(" + std::to_string(pick(5)) + "))";
          case 0:
            return sub() + sub() + lambda;
          case 1:
            return "(V" + sub() + sub() + ")" + lambda;
          case 2:
          {
            static const char* kLists[] = {"upto(", "J", "K", ""};
            std::string list = kLists[pick(4)];
            if (list == "upto(") list += sub() + "%8)";
            else if (list == "J") list += sub() + sub();
            else if (list.empty()) list = expression(depth - 1, vars);
            return v + "{" + list + "}(" + v + sub() + lambda + ")";
          }
          case 3:
            return v + "{V" + sub() + sub() + "}(" + v + " " + lambda + ")";
          default:
            return "(halves(upto(" + sub() + "%8)))" + lambda;
        }
      }
      case 4: {
        // A partial application of a global function, kept and applied to
        // the elements of a list, or twice.
        if (functions_.empty()) return atom(vars);
        const Function& f = functions_[pick(static_cast<int>(functions_.size()))];
        if (f.parameters == 0) return f.name;
        std::string partial = f.name;
        if (f.parameters > 1) {
          partial += "(";
          for (int i = 0; i + 1 < f.parameters; i++) partial += (i ? "," : "") + expression(depth - 1, vars);
          partial += ")";
        }
        if (chance(50)) return "mapf(" + partial + ")(upto(" + sub() + "%8))";
        std::vector<char> inner = vars;
        std::string v = fresh(inner);
        return v + "{" + partial + "}(V (" + v + sub() + ")(" + v + sub() + "))";
      }
      case 5: {
        // A lambda given some of its arguments, kept, then given the rest.
        std::vector<char> inner = vars;
        std::string v = fresh(inner);
        std::string partial = "(" + nestedLambda(depth, vars, 2 + pick(2)) + sub() + ")";
        return v + "{" + partial + "}(J (" + v + sub() + sub() + ")(" + v + sub() + "))";
      }
      default: {
        // A lambda whose parameter goes unused, as a value used twice.
        std::vector<char> inner = vars;
        std::string v = fresh(inner);
        std::string lambda = "(" + unused() + "\\" + expression(depth - 1, vars) + ")";
        return v + "{" + lambda + "}(V (" + v + sub() + ")(" + v + sub() + "))";
      }
    }
  }

  // Something a choice reads as a truth value: mostly a comparison or a
  // letter, sometimes a value of another kind, or a chain itself.
  std::string truth(int depth, const std::vector<char>& vars) {
    // Mostly letters and numbers, and sums of them, as loops compare.
    auto operand = [&]() {
      if (chance(20)) return "(" + expression(depth - 1, vars) + ")";
      if (chance(30)) return "(" + atom(vars) + (chance(50) ? "+" : "-") + atom(vars) + ")";
      return atom(vars);
    };
    static const char* kCompare[] = {"<", "=", "#", ">"};
    switch (pick(8)) {
      case 0: case 1: case 2:
        return "(" + operand() + kCompare[pick(4)] + operand() + ")";
      case 3:
        return vars.empty() ? "K" : std::string(1, vars[pick(static_cast<int>(vars.size()))]);
      case 4:
        return chance(50) ? "K" : "H";
      case 5:
        return "(!" + truth(depth - 1, vars) + ")";
      case 6:
        return depth > 1 ? "(" + chain(depth - 1, vars) + ")" : "H";
      default:
        return atom(vars);  // a number, a text, a combinator...
    }
  }

  // p | q | ... or p & q & ..., grouped to the right as written.
  std::string chain(int depth, const std::vector<char>& vars) {
    std::string text = truth(depth, vars);
    for (int links = 1 + pick(3); links > 0; links--) text += std::string(chance(50) ? " | " : " & ") + truth(depth, vars);
    return text;
  }

  // A choice by a chain of truth values, given its two branches, or one
  // more operand, or none (the chain's value is then the value).
  std::string choice(int depth, const std::vector<char>& vars) {
    auto sub = [&]() { return "(" + expression(depth - 1, vars) + ")"; };
    std::string text = "(" + chain(depth, vars) + ")";
    if (chance(20)) return text;
    text += sub() + sub();
    if (chance(20)) text += sub();
    return text;
  }

  // A block or a text: a literal, a letter, or one made by the builtins.
  std::string blockAtom(int depth, const std::vector<char>& blocks, const std::vector<char>& indices) {
    if (!blocks.empty() && chance(50)) return std::string(1, blocks[pick(static_cast<int>(blocks.size()))]);
    static const char* kTexts[] = {"[abc]", "[a[b]c]", "[]", "[x[q]y]", "(init[abcd])", "(init[])",
                                   "(init(65))", "(init[0123456789]*3)"};
    std::string t = kTexts[pick(sizeof kTexts / sizeof kTexts[0])];
    if (depth > 0 && chance(30)) return "(" + blockExpression(depth - 1, blocks, indices) + ")";
    return t;
  }

  // An index: in range or not, negative, beyond a word, of the wrong kind.
  std::string indexAtom(int depth, const std::vector<char>& indices) {
    static const char* kIndices[] = {"0", "1", "2", "3", "01", "03", "05", "9", "004", "K",
                                     "[a]", "(2^64)", "9223372036854775807"};
    if (!indices.empty() && chance(50)) return std::string(1, indices[pick(static_cast<int>(indices.size()))]);
    if (depth > 0 && chance(20)) return "(" + expression(depth - 1, indices) + ")";
    return kIndices[pick(sizeof kIndices / sizeof kIndices[0])];
  }

  // An expression on blocks and texts, whose blocks may be the letters
  // `blocks` and whose indices the letters `indices`.
  std::string blockExpression(int depth, const std::vector<char>& blocks, const std::vector<char>& indices) {
    auto b = [&] { return blockAtom(depth, blocks, indices); };
    auto i = [&] { return indexAtom(depth, indices); };
    switch (pick(18)) {
      case 17: return "stamp(" + b() + ", " + i() + ", 2)";
      case 16: return "lookw(" + b() + ", 0, rank(" + b() + ")-1, 0)";
      case 15: return "spell(" + b() + ", " + i() + "%4, " + (chance(25) ? b() : i()) + ")";
      case 14: return "clear(" + b() + ", " + i() + ", 3)";
      case 13: {
        std::string t = b();
        return "firstb(" + t + ", " + i() + ", rank(" + t + "))";
      }
      case 12: return "words(" + b() + ", 0, rank(" + b() + "), " + (chance(50) ? "H" : "K") + ", 0)";
      case 0: return "look(" + b() + ", " + i() + ")";
      case 1: return "cork(" + b() + ", " + i() + ", " + i() + ")";
      case 2: return "rank " + b();
      case 3: return "trim(" + b() + ", " + i() + ", " + i() + ")";
      case 4: return "$" + b();
      case 5: return "~" + b();
      case 6: return b() + " + " + (chance(50) ? b() : i());
      case 7: return "sumb(" + b() + ", 0, rank(" + b() + ")-1, 0)";
      case 8: return "fill(" + b() + ", " + i() + ", 3)";
      case 9: return "grow(" + b() + ", " + i() + "%4)";
      case 10: return "heads(" + b() + ", [], 3)";
      default: {
        // One block held by two holders: what changes it must leave the
        // other's unchanged, whichever of the two is computed first.
        static const char* kShared[] = {"shfill", "shgrow", "shcork", "shjoin", "shlate",
                                        "shclos", "shlam",  "shlook", "shspell"};
        return std::string(kShared[pick(9)]) + "(" + b() + ")";
      }
    }
  }

  // Numbers kept in a list and read back; cells of computed values.
  std::string storedNumber(int depth, const std::vector<char>& vars) {
    auto sub = [&]() { return "(" + expression(depth - 1, vars) + ")"; };
    // Binary numbers ("001", "0017") and the longest texts that still carry
    // a word, or just do not, among them.
    static const char* kFactors[] = {"3",   "07",   "1000", "99999", "1234567", "0987654321", "100000007",
                                     "001", "0017", "999999999999999999", "0999999999999999999"};
    std::string factor = chance(70) ? kFactors[pick(11)] : sub();
    std::string list = "keep(" + std::to_string(1 + pick(6)) + ")(" + factor + ")";
    std::vector<char> inner = vars;
    std::string l = fresh(inner);
    switch (pick(10)) {
      case 8: {
        // Cells of the values letters hold, nested as a tree's nodes are:
        // read whole, taken apart, or given fewer arguments than a match.
        std::string k = fresh(inner), v = fresh(inner);
        std::string node = "(J (V " + k + " " + v + ") (V " + v + " (J " + k + " K)))";
        std::string bound = k + "{nth(" + list + ")(1)}" + v + "{" + sub() + "}";
        switch (pick(3)) {
          case 0: return bound + "(lisp" + node + ")";
          case 1: return bound + "(" + node + " 0 (p\\q\\p (a\\b\\J b (q (c\\d\\V d c)))))";
          default: return bound + "(" + node + sub() + ")";
        }
      }
      case 9:
        // Cells short of their arguments, their parts work done in order,
        // the part that mentions no letter too.
        if (chance(50)) return "J (tick " + factor + ") (tick(nth(" + list + ")(1)))";
        return "lisp(V (tick(sums(" + list + "))) (J (tick " + sub() + ") (tick " + factor + ")))";
      case 0:
        return "sums(" + list + ")";
      case 1:
        return "shows(" + list + ")";
      case 2:
        return "lisp(" + list + ")";
      case 3:
        // An element against a number written in the program, or another.
        return "(nth(" + list + ")(" + std::to_string(pick(4)) + "))" + kOperators[pick(9)] + "(" +
               (chance(50) ? atom(vars) : expression(depth - 1, vars)) + ")";
      case 4:
        return "cmpr(nth(" + list + ")(0))(" + factor + ")";
      case 5:
        // The same element read twice is one node, and equal to itself;
        // elements of two lists built alike are equal, not one node.
        if (chance(50)) return l + "{" + list + "}(J (raws(nth " + l + " 1)(nth " + l + " 1)) (same(nth " + l + " 1)(nth " + l + " 1)))";
        return "J (raws(nth(" + list + ")(0))(nth(" + list + ")(0))) (same(nth(" + list + ")(0))(nth(" + list + ")(0)))";
      case 6:
        // Taken apart by a match, its element used with the expression.
        return "(" + list + ")(" + sub() + ")(" + l + "\\" + fresh(inner) + "\\" + l + "*" + sub() + ")";
      default:
        return "mapf(" + l + "\\" + l + "+" + sub() + ")(" + list + ")";
    }
  }

  // Calls of list functions as permutations make them (flipn, ins, rot),
  // one list given twice, a function given as a value called at one site
  // with a global function and with a lambda, and calls given fewer or
  // more operands than their functions take.
  std::string callShape(int depth, const std::vector<char>& vars) {
    auto sub = [&]() { return "(" + expression(depth - 1, vars) + ")"; };
    // A count or a size below n, written or computed (then it may be no
    // number, or negative).
    auto num = [&](int n) { return chance(70) ? std::to_string(pick(n)) : sub() + "%" + std::to_string(n); };
    std::vector<char> inner = vars;
    switch (pick(3)) {
      case 0:
        // Flips of a rotated list, onto a list or none; or a rotation of
        // what is no list.
        if (chance(15)) return "rot(" + sub() + "%4, " + atom(vars) + ")";
        return "flipn(" + num(6) + ", rot(" + num(5) + ", upto(" + num(7) + ")), " +
               (chance(50) ? std::string("K") : "J " + sub() + " K") + ")";
      case 1: {
        std::string l = fresh(inner);
        std::string x = fresh(inner), y = fresh(inner);
        std::string f = chance(50) ? std::string("cat") : "(" + x + "\\" + y + "\\cat(" + y + ", " + x + "))";
        return l + "{upto(" + num(5) + ")}(J (dup " + l + ") (J (ins(" + num(4) + ", " + l + ", " + l +
               ")) (app2(" + f + ", " + l + ", rot(" + num(3) + ", " + l + ")))))";
      }
      default: {
        std::string p = fresh(inner);
        switch (pick(3)) {
          case 0:
            return p + "{flipn(" + num(4) + ")}(J (" + p + " (upto(3)) K) (" + p + " (upto(" + num(5) +
                   ")) (J 9 K)))";
          case 1:
            return "app2(ins(" + num(3) + "), upto(" + num(4) + "), " + sub() + ")";
          default: {
            std::string t = fresh(inner);
            return "dup(upto(" + num(4) + ")) " + sub() + " (" + p + "\\" + t + "\\J " + t + " " + p + ")";
          }
        }
      }
    }
  }

  std::string expression(int depth, std::vector<char> vars) {
    if (depth <= 0 || chance(15)) return atom(vars);
    if (lambdas_ && chance(25)) return lambdaShape(depth, vars);
    if (lambdas_ && chance(5))
      return "addto(scale(" + expression(depth - 1, vars) + ", " + expression(depth - 1, vars) + "), 1)";
    if (numbers_ && chance(30)) return storedNumber(depth, vars);
    if (truths_ && chance(25)) return choice(depth, vars);
    if (truths_ && chance(5))
      return "wloop(" + atom(vars) + ", " + atom(vars) + ", " + std::to_string(pick(5)) + ")";
    if (truths_ && chance(5))
      return "wtree(" + atom(vars) + ", " + atom(vars) + ", " + atom(vars) + ")";
    if (truths_ && chance(5))
      return "wmix(" + atom(vars) + ", " + atom(vars) + ", " + std::to_string(pick(4)) + ")";
    if (truths_ && chance(4)) return "wedge(" + atom(vars) + ", " + atom(vars) + ")";
    if (truths_ && chance(8))
      return "tloop(" + std::to_string(pick(4)) + ", " + atom(vars) + ", " + truth(depth - 1, vars) + ")";
    if (truths_ && chance(5)) return "clashes(" + std::to_string(pick(8)) + ", " + atom(vars) + ")";
    if (truths_ && chance(5)) return "fibs(" + atom(vars) + " % 9)";
    if (truths_ && chance(5)) return "wcall(" + std::to_string(pick(4)) + ", " + atom(vars) + ")";
    if (truths_ && chance(5))
      return "tpicks(" + std::to_string(pick(4)) + ", " + atom(vars) + ", " + atom(vars) + ")";
    if (truths_ && chance(5)) return "wtext(init[], " + std::to_string(pick(4)) + ", " + atom(vars) + ")";
    if (truths_ && chance(5)) return "keepx(" + atom(vars) + ", " + std::to_string(pick(4)) + ")";
    if (truths_ && chance(5))
      return "closed(" + atom(vars) + ", " + (chance(30) ? std::string("K") : "J " + atom(vars) + " K") + ")";
    auto sub = [&](int d = 1) { return "(" + expression(depth - d, vars) + ")"; };
    if (big_ && chance(20)) return sub() + kOperators[pick(9)] + sub();  // arithmetic on the big atoms
    if (blocks_ && chance(25)) return blockExpression(depth - 1, vars, vars);
    if (reals_ && chance(20)) return realExpression(depth, vars);
    switch (pick(21)) {
      case 17:
        switch (pick(14)) {
          case 0:
            return "revonto(upto(" + sub() + "%8), upto(" + sub() + "%4))";
          case 1:
            return "cat(upto(" + sub() + "%8), " + sub() + ")";
          case 2: {
            std::vector<char> inner = vars;
            std::string l = fresh(inner);
            return l + "{upto(" + sub() + "%6)}(V (cat(" + l + ", " + l + ")) (revonto(" + l + ", K)))";
          }
          case 3:
            return "keepl(upto(" + sub() + "%5), " + sub() + ")";
          case 4:
            return "bump(V " + sub() + " " + sub() + ")";
          case 5: {
            std::vector<char> inner = vars;
            std::string v = fresh(inner);
            // Sometimes a failure that ends the run while the list waits.
            std::string end = chance(20) ? std::string("loopy") : expression(depth - 1, inner);
            return "catend(upto(" + std::to_string(1 + pick(6)) + "), " + v + "\\" + end + ")";
          }
          case 6:
            return "cat(upto(" + sub() + "%6), J " + sub() + " (upto(" + sub() + "%6)))";
          case 7: {
            std::vector<char> inner = vars;
            std::string v = fresh(inner);
            std::string end = chance(20) ? std::string("loopy") : expression(depth - 1, inner);
            return "nest(" + std::to_string(1 + pick(6)) + ", " + v + "\\" + end + ")";
          }
          case 8:
          case 9: {
            // Matches taken where the call is made, sometimes given what
            // is no list.
            std::string list = chance(20) ? atom(vars) : "upto(" + sub() + "%6)";
            if (pick(2) == 0) return "takeor(" + sub() + "%5, " + list + ", " + sub() + ")";
            return "lastn(" + list + ", " + sub() + ")";
          }
          case 11:
          case 12:
          case 13:
            return callShape(depth, vars);
          default:
            return "len(upto(" + sub() + "%8))";
        }
      case 18: {
        std::vector<char> inner = vars;
        std::string v = fresh(inner);
        return "mapf(" + v + "\\" + expression(depth - 1, inner) + ")(upto(" + sub() + "%8))";
      }
      case 19: {
        std::vector<char> inner = vars;
        std::string p = fresh(inner), q = fresh(inner);
        // A partition's pairs, their lambdas waiting with the elements; the
        // list held by the partition alone or by a letter too.
        std::string pairs = "(halves(upto(" + sub() + "%8)))";
        switch (pick(4)) {
          case 0: {
            std::string l = fresh(inner);
            return l + "{upto(" + sub() + "%8 + 6)}(J (parts(" + sub() + ", " + l + ")) " + l + ")";
          }
          case 1:
            pairs = "(parts(" + sub() + ", upto(" + sub() + "%8 + 6)))";
            break;
        }
        return pairs + "(" + p + "\\" + q + "\\" + expression(depth - 1, inner) + ")";
      }
      case 20: {
        std::vector<char> inner = vars;
        std::string p = fresh(inner), q = fresh(inner);
        return "(V" + sub() + sub() + ")(" + p + "\\" + q + "\\" + expression(depth - 1, inner) + ")";
      }
      case 0:
        return sub() + kOperators[pick(9)] + sub();
      case 1:
        return "(" + sub() + "<" + sub() + ")" + sub() + sub();
      case 2: {
        if (functions_.empty()) return atom(vars);
        const Function& f = functions_[pick(static_cast<int>(functions_.size()))];
        if (f.parameters == 0) return f.name;
        std::string call = f.name + "(";
        int given = f.parameters + (chance(20) ? -1 : 0) + (chance(10) ? 1 : 0);
        for (int i = 0; i < given; i++) call += (i ? "," : "") + expression(depth - 1, vars);
        if (given <= 0) return f.name;
        return call + ")";
      }
      case 3: {
        std::vector<char> inner = vars;
        std::string v = fresh(inner);
        return "(" + v + "\\" + expression(depth - 1, inner) + ")";
      }
      case 4:
        return sub() + " " + sub();
      case 5:
        return "J" + sub() + sub();
      case 6: {
        std::vector<char> inner = vars;
        std::string h = fresh(inner), t = fresh(inner);
        return sub() + sub() + "(" + h + "\\" + t + "\\" + expression(depth - 1, inner) + ")";
      }
      case 7: {
        std::vector<char> inner = vars;
        std::string v = fresh(inner);
        return v + "{" + expression(depth - 1, vars) + "}(" + expression(depth - 1, inner) + ")";
      }
      case 8: {
        std::vector<char> inner = vars;
        std::string p = fresh(inner), q = fresh(inner);
        if (p == q) return atom(vars);
        return "(" + p + " " + q + "{V" + sub() + sub() + "}(" + expression(depth - 1, inner) + "))";
      }
      case 9: {
        static const char* kTwo[] = {"K", "H", "T", "W"};
        return std::string(kTwo[pick(4)]) + sub() + sub();
      }
      case 10: {
        static const char* kThree[] = {"V", "B", "C", "S"};
        return std::string(kThree[pick(4)]) + sub() + sub() + sub();
      }
      case 11:
        return "I" + sub();
      case 12: {
        static const char* kOne[] = {"type", "lisp", "leaf", "rank", "left", "rght", "tern"};
        return std::string(kOne[pick(7)]) + sub();
      }
      case 13: {
        static const char* kTwo[] = {"raws", "same", "cmpr"};
        return std::string(kTwo[pick(3)]) + sub() + sub();
      }
      case 14:
        return "tick" + sub();
      case 15:
        return "`" + sub();
      default: {
        // A value used twice, as identity tests see it.
        std::vector<char> inner = vars;
        std::string v = fresh(inner);
        return v + "{" + expression(depth - 1, vars) + "}(raws " + v + " " + v + ")" + sub();
      }
    }
  }

  // A real as written or computed: negative zero, NaNs, infinities,
  // subnormals, a constant's name.
  std::string realAtom() {
    static const char* kReals[] = {"real[1.5]", "real[-0]", "real[0]", "(real(0)/real(0))", "rnan",
                                   "(real(1)/real(0))", "real[-inf]", "real[4.9e-324]", "real[1e308]",
                                   "(real(7)/real(2))", "half", "real[-2.5]", "real(3)", "real[0.1]",
                                   "real[3]", "(real(05))", "real[0.5]", "real(2)", "real[2]"};
    return kReals[pick(sizeof kReals / sizeof kReals[0])];
  }

  // A value of another kind for a real to meet, as the operator tables
  // pair them: integers small, at a machine word's edge and beyond it,
  // binary numbers, texts (some that read as numbers), byte blocks, truth
  // values, functions, lists and the failure value.
  std::string otherKind() {
    static const char* kIntegers[] = {"0", "1", "3", "05", "9223372036854775807", "(0-9223372036854775807)",
                                      "(0-9223372036854775808)", "4611686018427387904", "(2^64)", "(0-(3^45))",
                                      "9007199254740993", "18446744073709551616", "123456789", "(5^40)",
                                      "(0-(5^40))"};
    static const char* kOthers[] = {"004", "001", "0017", "000", "[ab]", "[2.5]", "[]", "(init[2.5])",
                                    "(init[ab])", "(init[])", "K", "H", "I", "(J 1 K)", "(V 1 2)", "(1/0)"};
    if (chance(50)) return kIntegers[pick(sizeof kIntegers / sizeof kIntegers[0])];
    return kOthers[pick(sizeof kOthers / sizeof kOthers[0])];
  }

  // An operand of a real operation: a real, another kind, a letter or any
  // expression.
  std::string realOperand(int depth, const std::vector<char>& vars) {
    if (!vars.empty() && chance(35)) return std::string(1, vars[pick(static_cast<int>(vars.size()))]);
    switch (pick(7)) {
      case 0:
      case 1:
      case 2: return realAtom();
      case 3:
      case 4: return otherKind();
      default: return "(" + expression(depth - 1, vars) + ")";
    }
  }

  // Reals in arithmetic and comparisons with every other kind: trees of
  // operations over letters and atoms, powers, conversions, comparisons
  // choosing a branch, wings that bind reals, and the loops of reals.
  std::string realExpression(int depth, const std::vector<char>& vars) {
    auto x = [&]() { return realOperand(depth, vars); };
    static const char* kRealOperators[] = {"+", "-", "*", "/", "%", "^", "<", ">", "=", "#"};
    auto op = [&]() { return std::string(kRealOperators[pick(10)]); };
    static const char* kComparisons[] = {"<", ">", "=", "#"};
    auto comparison = [&]() { return std::string(kComparisons[pick(4)]); };
    switch (pick(10)) {
      case 0:
        return x() + op() + x();
      case 1:
        // A tree: the engine answers it where it stands, or leaves it.
        return "(" + x() + op() + x() + ")" + op() + "(" + x() + "*" + x() + ")";
      case 2:
        return "real(" + (chance(50) ? x() : otherKind()) + ")";
      case 3:
        // A comparison of trees choosing a branch.
        return "((" + x() + op() + x() + ")" + comparison() + "(" + x() + "-" + x() + "))" + x() + x();
      case 4: {
        // Wings binding reals, read by a tree and a comparison after them.
        std::vector<char> inner = vars;
        std::string v = fresh(inner), w = fresh(inner);
        std::string second = w + "{" + v + op() + realOperand(depth, inner) + "}";
        return v + "{" + x() + "*" + x() + "}" + second + "((" + v + comparison() + w + ")(" + w + op() + v +
               ")(" + realOperand(depth, inner) + "))";
      }
      case 5: {
        // Equal operands, where < and > part: one value twice (the same as
        // itself, even a NaN), or two ways to one number.
        std::vector<char> inner = vars;
        std::string v = fresh(inner);
        std::string bound = v + "{" + x() + "}";
        if (chance(40)) return bound + "(" + v + comparison() + v + ")";
        static const char* kTwoWays[] = {"+", "*", "-", "/", "%"};
        std::string left = "(" + v + kTwoWays[pick(5)] + v + ")", right = "(" + v + "*" + x() + ")";
        return bound + "(" + left + comparison() + right + ")";
      }
      case 6:
        return "rbranch(" + x() + ", " + x() + ", " + std::to_string(pick(4)) + ")";
      case 7:
        return "rloop(" + x() + ", " + std::to_string(pick(4)) + ")";
      case 8:
        // A real's every bit, which its "%e" text would round away: its
        // exact binary number, or the tree of its bits it gives a function.
        return chance(50) ? "lits((" + x() + op() + x() + ")" + op() + x() + ")"
                          : "((" + x() + op() + x() + ")" + op() + x() + ") V";
      default: {
        if (chance(40)) {
          // Sums around calls of functions whose bodies are trees: from the
          // third step on, a call is answered the way the second found.
          static const char* kCalled[] = {"rentry", "rtrans", "rquot", "(p\\q\\real(p) - q*p)", "rfix", "rsame"};
          // Most often numbers, so that the sums run a few steps.
          std::string k = chance(70) ? (chance(50) ? std::to_string(pick(7) - 3) : realAtom()) : x();
          std::string a = chance(70) ? realAtom() : x(), n = std::to_string(3 + pick(3));
          int called = pick(8);
          if (called == 6) return "rsumd(" + n + ", " + k + ", " + a + ")";
          if (called == 7) {
            std::string three;
            for (int i = 0; i < 3; i++) three += std::string(kCalled[pick(6)]) + ", ";
            return "rsumt(" + three + n + ", " + k + ", " + a + ")";
          }
          return "rsumi(" + std::string(kCalled[called]) + ", " + n + ", " + k + ", " + a + ")";
        }
        if (chance(30)) return "rcmp(" + x() + ", " + x() + ")";
        if (chance(30)) return "rops(" + x() + ", " + x() + ")";
        if (chance(30)) return "rtree(" + x() + ", " + x() + ", " + x() + ")";
        if (chance(30)) return "rdeep(" + x() + ", " + x() + ", " + x() + ")";
        if (chance(30)) return "rdot(J " + x() + " (J " + x() + " K), J " + x() + " (J " + x() + " K), " + x() + ")";
        if (chance(30)) return "rcall(" + std::string(chance(50) ? "rtwo" : "(p\\q\\q - p*p)") + ", 3, " + x() + ")";
        if (chance(30)) return "rmixed(J " + x() + " (J " + x() + " (J " + x() + " K)), " + x() + ")";
        std::vector<char> inner = vars;
        std::string v = fresh(inner);
        return v + "{" + (chance(30) ? std::string("rnan") : x()) + "}rcmp(" + v + ", " + v + ")";
      }
    }
  }

  std::mt19937 random_;
  bool big_;
  bool lambdas_;
  bool blocks_;
  bool numbers_;
  bool truths_;
  bool reals_;
  std::vector<Function> functions_;
};

}  // namespace quorl::testing
