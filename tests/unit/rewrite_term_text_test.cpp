// The term printer and the clipping of message texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "compile/rewrite.hpp"
#include "term/node.hpp"

namespace quorl {
namespace {

NodeRef L(std::string_view text) { return leaf(text); }
NodeRef A(NodeRef g, NodeRef x) { return apply(std::move(g), std::move(x)); }
NodeRef A(NodeRef g, NodeRef x, NodeRef y) { return apply3(std::move(g), std::move(x), std::move(y)); }

NodeRef realLeaf(double value) {
  std::string text(1, ' ');
  text.append(reinterpret_cast<const char*>(&value), sizeof value);
  return L(text);
}

TEST(TermText, JuxtapositionFollowsTheByteClassesOfBothParts) {
  EXPECT_EQ(termText(A(L("B"), L("K"))), "BK");
  EXPECT_EQ(termText(A(L("a"), L("S"))), "aS");
  EXPECT_EQ(termText(A(L("g"), L("x"))), "(g x)");
  EXPECT_EQ(termText(A(L("g"), L("x"), L("y"))), "(g x y)");
  EXPECT_EQ(termText(A(L("g"), L("1"))), "g1");
  EXPECT_EQ(termText(A(L("1"), L("2"))), "(1 2)");
  EXPECT_EQ(termText(A(A(L("g"), L("1")), L("2"))), "(g1 2)");
  EXPECT_EQ(termText(A(L("g"), A(L("h"), L("x")))), "(g (h x))");
  EXPECT_EQ(termText(A(L("+"), L("a"), L("b"))), "(+a b)");
  // A run of two operator bytes is set apart; a single one is not.
  EXPECT_EQ(termText(A(L("g"), A(L("+"), L("-")))), "(g +-)");
  EXPECT_EQ(termText(A(L("\\"), L("x"), L("x"))), "(\\x x)");
}

TEST(TermText, LongApplicationChainsPrintAsOneGroup) {
  NodeRef term = L("g");
  for (const char* x : {"x", "y", "z", "1"}) term = A(term, L(x));
  EXPECT_EQ(termText(term), "(g x y z 1)");
  // A group in argument position stays a group of its own.
  EXPECT_EQ(termText(A(A(L("K"), A(L("g"), L("x"))), L("y"))), "(K (g x) y)");
}

TEST(TermText, BracketGroupsAttachUnlessTheyAreSeveral) {
  EXPECT_EQ(termText(A(L("g"), L("[hi there]"))), "g[hi there]");
  EXPECT_EQ(termText(A(L("g"), L("[a[b]c]"))), "g[a[b]c]");
  // "[a][b]" begins with a bracket whose partner is not the last byte.
  EXPECT_EQ(termText(A(L("g"), A(L("[a]"), L("[b]")))), "(g [a][b])");
  EXPECT_EQ(termText(A(L("[a]"), L("x"))), "[a]x");
}

TEST(TermText, ClosuresRealsAndByteBlocksHaveTheirOwnForms) {
  EXPECT_EQ(termText(L(")x")), "()");
  EXPECT_EQ(termText(L("]x")), "()");
  EXPECT_EQ(termText(L("")), "()");
  // "()" is not an open group, so it does not swallow what follows.
  EXPECT_EQ(termText(A(L(")"), L("y"))), "()y");
  EXPECT_EQ(termText(A(A(L(")"), L("y")), L("z"))), "() z)");
  EXPECT_EQ(termText(realLeaf(1.5)), "real[1.500000e+00]");
  EXPECT_EQ(termText(A(L("g"), realLeaf(-2.0))), "(g real[-2.000000e+00])");
  EXPECT_EQ(termText(makeByteBlock(std::string("a\n[b]\0c", 7))),
            std::string("cape[a[p][q]b[r]\0c]", 19));
  EXPECT_EQ(termText(makeByteBlock("")), "cape[]");
}

TEST(TermText, QuotedTextsKeepTheirBytes) {
  std::string text("[a\0b]", 5);
  EXPECT_EQ(termText(L(text)), text);
}

// A list of a million elements, J h t nested to the right, prints in full
// without exhausting the stack or copying the tail at every level.
TEST(TermText, MillionElementListPrintsInFull) {
  constexpr int kCount = 1000000;
  NodeRef list = L("K");
  NodeRef j = L("J");
  for (int i = kCount - 1; i >= 0; i--) list = A(j, L(std::to_string(i)), std::move(list));
  std::string text = termText(list);
  EXPECT_EQ(text.substr(0, 18), "(J0 (J1 (J2 (J3 (J");
  std::string tail = "J" + std::to_string(kCount - 1) + "K" + std::string(kCount - 1, ')');
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  size_t digits = 0;
  for (int i = 0; i < kCount; i++) digits += std::to_string(i).size();
  // "(J" + digits + " " + ")" per element but the last, which is "J" + digits + "K".
  EXPECT_EQ(text.size(), digits + 4 * size_t(kCount - 1) + 2);
}

TEST(TermText, MillionArgumentChainPrintsInFull) {
  constexpr int kCount = 1000000;
  NodeRef term = L("g");
  NodeRef x = L("x");
  for (int i = 0; i < kCount; i++) term = A(std::move(term), x);
  std::string text = termText(term);
  EXPECT_EQ(text.size(), 2 + 2 * size_t(kCount) + 1);
  EXPECT_EQ(text.substr(0, 8), "(g x x x");
  EXPECT_EQ(text.back(), ')');
}

TEST(ClipBalanced, CutsAtSeventyTwoBytesCountingTheClosers) {
  std::string plain(100, 'a');
  EXPECT_EQ(clipBalanced(plain), std::string(72, 'a'));
  EXPECT_EQ(clipBalanced("(abc"), "(abc)");
  EXPECT_EQ(clipBalanced("short"), "short");
  EXPECT_EQ(clipBalanced(""), "");

  // An opening bracket at byte 71 would leave no room for its closer.
  std::string opensLate = std::string(71, 'a') + "(bc)";
  EXPECT_EQ(clipBalanced(opensLate), std::string(71, 'a'));

  // An open group at the cut is closed, within the 72 bytes.
  std::string open = "(" + std::string(99, 'b');
  EXPECT_EQ(clipBalanced(open), "(" + std::string(70, 'b') + ")");
  std::string nested = "{[(" + std::string(99, 'c');
  EXPECT_EQ(clipBalanced(nested), "{[(" + std::string(67, 'c') + "]}");
}

TEST(ClipBalanced, KindsOfBrackets) {
  // Inside a text group only square brackets count.
  EXPECT_EQ(clipBalanced("[a(b"), "[a(b]");
  EXPECT_EQ(clipBalanced("[a[b]c"), "[a[b]c]");
  // Round and curly closers close whatever is innermost.
  EXPECT_EQ(clipBalanced("{a)b"), "{a)b");
  EXPECT_EQ(clipBalanced("({a}"), "({a})");
  // Closers with nothing open are copied as they are.
  EXPECT_EQ(clipBalanced("a)b}c]"), "a)b}c]");
}

}  // namespace
}  // namespace quorl
