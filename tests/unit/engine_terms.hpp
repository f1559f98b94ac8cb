// Test support for the engine: a small term reader, the combinators the
// tests use, and two instrumented builtins.
//
// Term notation: blank-separated items applied left to right; "(...)"
// groups; "\x rest..." inside a group is the lambda form binding x over the
// rest of the group; "{x V B}" is the wing form binding x to V in B.  Every
// other item is a leaf with that text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "builtins/table.hpp"
#include "eval/engine.hpp"
#include "eval/failure_record.hpp"
#include "term/node.hpp"
#include "term/tables.hpp"

namespace quorl::testing {

class TermReader {
 public:
  explicit TermReader(std::string_view text) : text_(text) {}

  NodeRef read() {
    NodeRef t = readGroup(0);
    EXPECT_EQ(pos_, text_.size()) << "trailing text in " << text_;
    return t;
  }

 private:
  void skipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') pos_++;
  }

  std::string_view token() {
    size_t start = pos_;
    int depth = 0;  // a quoted text keeps its blanks and brackets
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '[') depth++;
      if (c == ']') depth--;
      if (depth == 0 && (c == ' ' || c == '(' || c == ')' || c == '}')) break;
      pos_++;
    }
    return text_.substr(start, pos_ - start);
  }

  // Items up to the closing character (or the end); applied left to right.
  NodeRef readGroup(char close) {
    std::vector<NodeRef> items;
    for (;;) {
      skipBlanks();
      if (pos_ >= text_.size() || text_[pos_] == close) break;
      if (text_[pos_] == '\\') {
        pos_++;
        std::string_view binder = token();
        NodeRef body = readGroup(close);
        items.push_back(apply3(leaf("\\"), leaf(binder), std::move(body)));
      } else {
        items.push_back(readItem());
      }
    }
    EXPECT_FALSE(items.empty()) << "empty group in " << text_;
    NodeRef t = std::move(items[0]);
    for (size_t i = 1; i < items.size(); i++) t = apply(std::move(t), std::move(items[i]));
    return t;
  }

  // One group, wing or leaf.
  NodeRef readItem() {
    char c = text_[pos_];
    if (c == '(') {
      pos_++;
      NodeRef t = readGroup(')');
      expect(')');
      return t;
    }
    if (c == '{') {
      pos_++;
      std::string_view binder = token();
      skipBlanks();
      NodeRef bound = readItem();
      skipBlanks();
      NodeRef body = readItem();
      skipBlanks();
      expect('}');
      return apply4(leaf("{"), leaf(binder), std::move(bound), std::move(body));
    }
    std::string_view text = token();
    EXPECT_FALSE(text.empty()) << "stray character in " << text_;
    if (text.empty()) pos_++;  // never loop on a stray character
    return leaf(text.empty() ? "Z" : text);
  }

  void expect(char c) {
    EXPECT_TRUE(pos_ < text_.size() && text_[pos_] == c) << "missing " << c << " in " << text_;
    pos_++;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

inline NodeRef term(std::string_view text) { return TermReader(text).read(); }

// Prints a term fully parenthesised, leaves as their text.
inline std::string shown(const NodeRef& t) {
  if (t.isLeafNode()) return std::string(t.text());
  return "(" + shown(t.fun()) + " " + shown(t.arg()) + ")";
}

// How often the builtin `tick` ran; it returns its argument.
inline int& tickCount() {
  static int count = 0;
  return count;
}

inline NodeRef tickHandler(NodeRef redex) {
  tickCount()++;
  return redex.arg();
}

// `fail x` raises a failure record naming nothing but its status.
inline NodeRef failHandler(NodeRef) {
  RunOutcome outcome;
  outcome.message = "Stopped.";
  outcome.status = "stops";
  return failureRecord(outcome);
}

inline void define(std::string_view name, std::string_view body) {
  setDefinition(name, term(body));
}

// Fresh tables holding the combinators as the language defines them, every
// builtin's placeholder, and the two instrumented builtins.
inline void installCombinators() {
  resetGlobalTables();
  define("\\", "\\a \\b \\c Z");
  define("{", "\\a \\b \\c Z");
  define("B", "\\a \\b \\c a (b c)");
  define("C", "\\a \\b \\c a c b");
  define("D", "\\a \\b \\c \\d a b (c d)");
  define("G", "\\a V Z (B W (B C) (D D V) (V (X J)))");
  define("H", "\\a I");
  define("I", "\\a a");
  define("J", "\\a \\b \\c V a b");
  define("K", "\\a \\b a");
  define("M", "\\a a a");
  define("S", "\\a \\b \\c a c (b c)");
  define("T", "\\a \\b b a");
  define("V", "\\a \\b \\c c a b");
  define("W", "\\a \\b a b b");
  define("X", "\\a \\b \\c \\d V b (a d c)");
  define("Y", "\\a \\b a (Y a) b");
  define("Z", "\\a Z");
  for (const auto& [name, entry] : builtinTable()) {
    std::string chain;
    for (int i = 0; i < entry.arity; i++) chain += std::string("\\") + char('a' + i) + " ";
    define(name, chain + "Z");
  }
  builtinStorage().emplace("tick", BuiltinEntry{1, tickHandler});
  builtinStorage().emplace("fail", BuiltinEntry{1, failHandler});
  define("tick", "\\a Z");
  define("fail", "\\a Z");
  tickCount() = 0;
}

// A fixture with the combinators and builtins installed, and a way to see
// what a term reduces to.
class ReductionTest : public ::testing::Test {
 protected:
  void SetUp() override { installCombinators(); }
  void TearDown() override { resetGlobalTables(); }

  std::string reduced(std::string_view text) { return shown(evaluate(term(text))); }
};

}  // namespace quorl::testing
