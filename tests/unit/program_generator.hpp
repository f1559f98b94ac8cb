// Random programs for comparing two ways of running the same program.
//
// The programs are small and mostly meaningless, but they use every form
// the engine treats specially: calls of global functions and builtins,
// constants, lambdas applied at once and passed around, combinators, lists
// taken apart by matching, wings and pair binders, backquotes, texts, and
// the builtins that look at a term's structure or identity.  `tick x`
// records x and returns it, so the order in which work is done shows.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace quorl::testing {

class ProgramGenerator {
 public:
  // With `bigIntegers`, a quarter of the number atoms lie beyond a machine
  // word, or become so when computed; without it the programs are those
  // the generator has always made for a seed.
  explicit ProgramGenerator(uint32_t seed, bool bigIntegers = false) : random_(seed), big_(bigIntegers) {}

  std::string program() {
    functions_.clear();
    std::string text = "main,main\\a\\";
    int count = 1 + pick(4);
    std::vector<std::string> definitions;
    for (int i = 0; i < count; i++) definitions.push_back(function(i));
    text += expression(4, {});
    for (const std::string& d : definitions) text += ",\n" + d;
    // A constant that needs its own value, for the cycle report, and a few
    // list functions written the way programs write them.
    text += ",\nloopy\\I loopy";
    text += ",\nlen\\l\\l 0 (h\\t\\1+len t)";
    text += ",\nmapf\\f\\l\\l K (h\\t\\J (f h) (mapf f t))";
    text += ",\nupto\\n\\(n<1) K (J n (upto(n-1)))";
    text += ",\nhalves\\l\\l (V K K) (x\\r\\(halves r) (p\\q\\V (J x q) p))";
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
    static const char* kAtoms[] = {"0", "1", "2", "3", "7", "05", "004", "001", "[ab]", "[a[b]c]",
                                   "[]",  "K", "H", "I", "V", "J", "cape[xy]", "loopy"};
    int n = sizeof kAtoms / sizeof kAtoms[0];
    std::string a = kAtoms[pick(n)];
    if (a == "loopy" && !chance(10)) a = "9";
    return a;
  }

  std::string expression(int depth, std::vector<char> vars) {
    if (depth <= 0 || chance(15)) return atom(vars);
    auto sub = [&](int d = 1) { return "(" + expression(depth - d, vars) + ")"; };
    if (big_ && chance(20)) return sub() + kOperators[pick(9)] + sub();  // arithmetic on the big atoms
    switch (pick(21)) {
      case 17:
        return "len(upto(" + sub() + "%8))";
      case 18: {
        std::vector<char> inner = vars;
        std::string v = fresh(inner);
        return "mapf(" + v + "\\" + expression(depth - 1, inner) + ")(upto(" + sub() + "%8))";
      }
      case 19: {
        std::vector<char> inner = vars;
        std::string p = fresh(inner), q = fresh(inner);
        return "(halves(upto(" + sub() + "%8)))(" + p + "\\" + q + "\\" + expression(depth - 1, inner) + ")";
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

  std::mt19937 random_;
  bool big_;
  std::vector<Function> functions_;
};

}  // namespace quorl::testing
