// Cells, handles, leaf texts, byte blocks, the structural order and deep terms.
#include <gtest/gtest.h>

#include <string>

#include "term/node.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

NodeRef app(NodeRef g, NodeRef x) { return apply(std::move(g), std::move(x)); }
NodeRef L(std::string_view text) { return leaf(text); }

// A definition chain of n one-parameter lambdas ending in Z.
NodeRef lambdas(int n) {
  NodeRef body = L("Z");
  for (int i = n - 1; i >= 0; i--) {
    std::string v(1, static_cast<char>('a' + i));
    body = apply3(L("\\"), L(v), std::move(body));
  }
  return body;
}

class TermTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetGlobalTables();
    setDefinition("\\", lambdas(3));
    setDefinition("{", lambdas(3));
    setDefinition("K", lambdas(2));
    setDefinition("S", lambdas(3));
    setDefinition("J", lambdas(3));
    setDefinition("I", lambdas(1));
    setDefinition("plus", lambdas(2));
    setDefinition("c", L("1"));  // invalid as a program, fine for annotation
  }
  void TearDown() override { resetGlobalTables(); }
};

TEST_F(TermTest, HeaderFieldsSitWhereTheLayoutSays) {
  NodeRef n = L("g");
  Node* raw = n.get();
  EXPECT_EQ(raw->header & kLeafFlag, kLeafFlag);
  EXPECT_EQ(countOf(raw), 1u);
  {
    NodeRef again = n;
    EXPECT_EQ(countOf(raw), 2u);
  }
  EXPECT_EQ(countOf(raw), 1u);
  setArity(raw, -52);
  EXPECT_EQ((raw->header >> 56) & 0x3F, 0u);
  setArity(raw, 11);
  EXPECT_EQ((raw->header >> 56) & 0x3F, 63u);
  EXPECT_EQ(storedArity(raw), 11);
  setExtent(raw, (1u << 26) - 1);
  EXPECT_EQ((raw->header >> 30) & ((1u << 26) - 1), (1u << 26) - 1);
  EXPECT_EQ(countOf(raw), 1u);  // neighbouring fields untouched
  EXPECT_EQ(storedArity(raw), 11);

  NodeRef a = app(L("f"), L("x"));
  EXPECT_EQ(a.get()->header & kLeafFlag, 0u);
  EXPECT_EQ(a.get()->header, 1u);  // count 1, nothing annotated
}

TEST_F(TermTest, HeaderChecksAbortOnOutOfRangeFields) {
  NodeRef n = L("g");
  EXPECT_DEATH(setArity(n.get(), 12), "ASSERTION FAILED:b:4663");
  EXPECT_DEATH(setArity(n.get(), -53), "ASSERTION FAILED:b:4664");
  EXPECT_DEATH(setExtent(n.get(), uint64_t{1} << 26), "ASSERTION FAILED:b:4674");
}

TEST_F(TermTest, LeafTextsKeepTheirLengthRules) {
  std::string withNul("[ab\0cd]", 7);
  NodeRef text = L(withNul);
  EXPECT_EQ(text.text().size(), 7u);
  EXPECT_EQ(text.payloadLength(), 7u);
  EXPECT_EQ(extentOf(text.get()), 7u);

  NodeRef number = L("12345");
  EXPECT_EQ(extentOf(number.get()), 5u);
  EXPECT_EQ(number.text(), "12345");

  std::string real(" ", 1);
  real.append(8, '\0');
  NodeRef r = L(real);
  EXPECT_EQ(r.payloadLength(), 9u);
  EXPECT_EQ(r.text().size(), 9u);

  EXPECT_EQ(app(L("a"), L("b")).text(), "");
}

TEST_F(TermTest, VeryLongDigitLeafMeasuresItsLength) {
  std::string digits((size_t{1} << 26) + 3, '7');
  NodeRef n = L(digits);
  EXPECT_EQ(extentOf(n.get()), 0u);
  EXPECT_EQ(n.text().size(), digits.size());
}

TEST_F(TermTest, ByteBlocksEncodeTheirLengthInBase64) {
  EXPECT_EQ(makeByteBlock("").text(), "()");
  EXPECT_EQ(makeByteBlock("x").text(), "(a)x");
  std::string sixtyFour(64, 'q');
  NodeRef block = makeByteBlock(sixtyFour);
  EXPECT_EQ(block.text().substr(0, 4), "(a_)");
  EXPECT_EQ(block.payloadLength(), 64u);
  EXPECT_EQ(byteBlockHeaderLength(block.get()), 4u);
  EXPECT_EQ(byteBlockPayload(block.get()), sixtyFour);
  std::string big(64 * 64 * 3 + 5, 'z');
  NodeRef large = makeByteBlock(big);
  EXPECT_EQ(large.payloadLength(), big.size());
  EXPECT_EQ(byteBlockPayload(large.get()), big);
  EXPECT_EQ(large.text(), byteBlockText(big));
  EXPECT_EQ(extentOf(large.get()), big.size());
  EXPECT_DEATH(byteBlockPayloadLength(L("abc").get()), "ASSERTION FAILED:b:2254");
}

TEST_F(TermTest, TextsGrowInTheirCellsAndReadBackWhole) {
  // One byte at a time across the length digits' steps at 64 and 4096:
  // the payload moves up once at each, and the length stays readable.
  NodeRef block = makeByteBlock(std::string(60, 'x'));
  std::string expected(60, 'x');
  int moves = 0;
  for (int i = 0; i < 5000; i++) {
    char c = static_cast<char>('a' + i % 26);
    Node* before = block.get();
    block = appendToText(std::move(block), std::string_view(&c, 1));
    moves += block.get() != before;
    expected.push_back(c);
    ASSERT_EQ(byteBlockPayload(block.get()), expected) << i;
    ASSERT_EQ(extentOf(block.get()), expected.size()) << i;
    // The length digits as written, each one of them: a byte at a time only
    // the last changes, except where it carries.
    ASSERT_EQ(block.text(), byteBlockText(expected)) << i;
  }
  // Each new cell has room for as much again: a handful of moves in all.
  EXPECT_LT(moves, 40);
  // Pieces of several bytes, across the same steps, from a block of one.
  NodeRef pieces = makeByteBlock("p");
  std::string joined = "p";
  for (int i = 0; i < 1500; i++) {
    std::string piece(static_cast<size_t>(1 + i % 5), static_cast<char>('A' + i % 7));
    pieces = appendToText(std::move(pieces), piece);
    joined += piece;
    ASSERT_EQ(byteBlockPayload(pieces.get()), joined) << i;
  }
  EXPECT_EQ(pieces.text(), byteBlockText(joined));
  EXPECT_EQ(extentOf(pieces.get()), joined.size());
  NodeRef text = L("[a[b]]");
  std::string elements = "a[b]";
  for (int i = 0; i < 3000; i++) {
    text = appendToText(std::move(text), "[c]d");
    elements += "[c]d";
  }
  EXPECT_EQ(text.text(), "[" + elements + "]");
  EXPECT_EQ(extentOf(text.get()), elements.size() + 2);
  EXPECT_EQ(compare(text, L("[" + elements + "]")), 0);
  EXPECT_DEATH(appendToText(L("5"), "x"), "ASSERTION FAILED:b:2254");
}

TEST_F(TermTest, AssignmentKeepsCountsRight) {
  NodeRef a = L("a");
  NodeRef b = L("b");
  a = a;  // self-assignment leaves the count alone
  EXPECT_EQ(countOf(a.get()), 1u);
  NodeRef keep = b;
  a = b;
  EXPECT_EQ(countOf(b.get()), 3u);
  EXPECT_EQ(a.text(), "b");
}

TEST_F(TermTest, CompareOrdersLeavesBeforeApplicationsAndTextsBytewise) {
  EXPECT_LT(compare(L("ab"), L("abc")), 0);
  EXPECT_GT(compare(L("abc"), L("ab")), 0);
  EXPECT_EQ(compare(L("abc"), L("abc")), 0);
  EXPECT_LT(compare(L("zzz"), app(L("a"), L("b"))), 0);
  EXPECT_GT(compare(app(L("a"), L("b")), L("zzz")), 0);
  EXPECT_LT(compare(L("\x01"), L("\xff")), 0);  // unsigned bytes
  EXPECT_LT(compare(app(L("a"), L("z")), app(L("b"), L("a"))), 0);
  EXPECT_LT(compare(app(L("a"), L("a")), app(L("a"), L("b"))), 0);
  // Distinct byte blocks of one length are not equal.
  EXPECT_NE(compare(makeByteBlock("xyz"), makeByteBlock("xyw")), 0);
  NodeRef same = app(L("f"), L("x"));
  EXPECT_EQ(compare(same, same), 0);
}

// Two terms that share their subterms within themselves, 2^200 leaves
// each when read as trees: each shared pair is compared once.
TEST_F(TermTest, CompareTakesSharedSubtermsOnce) {
  auto doubled = [](NodeRef bottom) {
    NodeRef t = std::move(bottom);
    for (int i = 0; i < 200; i++) t = app(t, t);
    return t;
  };
  EXPECT_EQ(compare(doubled(L("a")), doubled(L("a"))), 0);
  EXPECT_LT(compare(doubled(L("a")), doubled(L("b"))), 0);
  EXPECT_GT(compare(doubled(app(L("a"), L("b"))), doubled(L("a"))), 0);
  // The first difference from the left decides, whatever was shared on
  // the way to it.
  NodeRef shared = doubled(L("s"));
  EXPECT_LT(compare(app(app(shared, L("a")), L("z")), app(app(shared, L("b")), L("a"))), 0);
}

TEST_F(TermTest, AnnotationOfLeaves) {
  EXPECT_EQ(L("x").arity(), 11);  // an undefined letter is a variable
  EXPECT_EQ(freeVariables(L("x").get()), 1u << ('x' - 'a'));
  EXPECT_EQ(L("K").arity(), 2);
  EXPECT_EQ(L("c").arity(), 0);  // a constant definition
  EXPECT_TRUE(L("[abc]").value());
  NodeRef text = L("[abc]");
  annotate(text.get());
  EXPECT_TRUE(isConstantAnnotated(text.get()));
  EXPECT_EQ(L("42").arity(), 1);
  EXPECT_EQ(extentOf(L("42").get()) , 2u);  // the length stays cached
  EXPECT_EQ(L(")g").arity(), 1);
  EXPECT_EQ(L("]x").arity(), 2);
  EXPECT_EQ(makeByteBlock("ab").arity(), 1);
  // A block's extent caches its payload's length, never free letters: five
  // bytes must not read as the letters a and c.
  NodeRef five = makeByteBlock("abcde");
  EXPECT_EQ(freeVariables(five.get()), 0u);
  EXPECT_EQ(extentOf(five.get()), 5u);
  EXPECT_EQ(freeVariables(apply(L("K"), makeByteBlock(std::string(7, 'q'))).get()), 0u);
  EXPECT_DEATH(L("undefined").arity(), "ASSERTION FAILED:b:7535");
  EXPECT_DEATH(L("Q").arity(), "ASSERTION FAILED:b:7539");
  EXPECT_DEATH(L("}").arity(), "ASSERTION FAILED:b:7540");
}

TEST_F(TermTest, AnnotationOfApplications) {
  // A variable applied keeps arity 11.
  EXPECT_EQ(app(L("x"), L("1")).arity(), 11);
  // K 1 is a partial application and a value; K 1 2 is a redex.
  NodeRef k1 = app(L("K"), L("1"));
  EXPECT_EQ(k1.arity(), 1);
  EXPECT_TRUE(k1.value());
  NodeRef k12 = app(std::move(k1), L("2"));
  EXPECT_EQ(k12.arity(), 0);
  EXPECT_FALSE(k12.value());
  // Work in the argument makes the whole term work.
  NodeRef inner = apply3(L("plus"), L("1"), L("2"));
  NodeRef outer = app(L("K"), std::move(inner));
  EXPECT_EQ(outer.arity(), 1);
  EXPECT_TRUE(hasWork(outer.get()));
  EXPECT_FALSE(outer.value());
  // Constants combine into constants with summed lengths.
  NodeRef both = app(L("[ab]"), L("[cd]"));
  annotate(both.get());
  EXPECT_TRUE(isConstantAnnotated(both.get()));
  EXPECT_EQ(extentOf(both.get()), 8u);
  // A constant applied to a non-constant is a redex.
  EXPECT_EQ(app(L("[ab]"), L("1")).arity(), 0);
  // Arity saturates at the bottom.
  NodeRef deep = L("c");
  for (int i = 0; i < 60; i++) deep = app(std::move(deep), L("1"));
  EXPECT_EQ(deep.arity(), -51);
}

TEST_F(TermTest, FreeVariablesFollowBinders) {
  // \x (plus x y): y stays free, x is bound.
  NodeRef lam = apply3(L("\\"), L("x"), apply3(L("plus"), L("x"), L("y")));
  EXPECT_EQ(freeVariables(lam.get()), 1u << ('y' - 'a'));
  // x{y}(plus x z): the bound value's variables, then the body's less x.
  NodeRef wing = apply4(L("{"), L("x"), L("y"), apply3(L("plus"), L("x"), L("z")));
  EXPECT_EQ(freeVariables(wing.get()), (1u << ('y' - 'a')) | (1u << ('z' - 'a')));
  EXPECT_EQ(wing.shape(), 'i');
  EXPECT_EQ(lam.shape(), 'u');
  EXPECT_EQ(L("x").shape(), 'o');
  EXPECT_EQ(freeVariables(L("[q]").get()), 0u);
  EXPECT_EQ(freeVariables(L("123").get()), 0u);
}

TEST_F(TermTest, LambdaWaitsForItsArgumentWhenItsParameterOccurs) {
  // \x (plus x 1): the body computes only after substitution.
  NodeRef uses = apply3(L("\\"), L("x"), apply3(L("plus"), L("x"), L("1")));
  EXPECT_TRUE(uses.value());
  EXPECT_EQ(uses.arity(), 1);
  // \x (plus 1 2): the parameter does not occur; the body is work.
  NodeRef ignores = apply3(L("\\"), L("x"), apply3(L("plus"), L("1"), L("2")));
  EXPECT_FALSE(ignores.value());
  EXPECT_TRUE(hasWork(ignores.get()));
}

TEST_F(TermTest, HeadIsLinearFollowsFunctionParts) {
  EXPECT_TRUE(apply3(L("K"), L("1"), L("2")).linearHead());
  EXPECT_FALSE(apply3(L("S"), L("1"), L("2")).linearHead());
  EXPECT_FALSE(apply3(L("plus"), L("1"), L("2")).linearHead());
  EXPECT_TRUE(L("I").linearHead());
  EXPECT_FALSE(app(L("[a]"), L("[b]")).linearHead());  // a constant head
}

TEST_F(TermTest, SharedLeavesAreOneNode) {
  NodeRef a = sharedLeaf('K');
  NodeRef b = sharedLeaf('K');
  EXPECT_EQ(a.get(), b.get());
  EXPECT_EQ(a.text(), "K");
}

TEST_F(TermTest, TenMillionDeepChainsFreeAnnotateAndCompare) {
  constexpr int kDepth = 10'000'000;
  // Deep in argument position: 1 (1 (1 ... 0)).
  NodeRef right = L("0");
  NodeRef right2 = L("0");
  NodeRef one = L("1");
  for (int i = 0; i < kDepth; i++) {
    right = app(one, std::move(right));
    right2 = app(L("1"), std::move(right2));
  }
  EXPECT_EQ(compare(right, right2), 0);
  right2 = app(L("1"), L("2"));
  EXPECT_EQ(right.arity(), 0);
  EXPECT_FALSE(right.value());

  // Deep in function position: ((((K 1) 1) 1) ...).
  NodeRef left = L("K");
  for (int i = 0; i < kDepth; i++) left = app(std::move(left), one);
  EXPECT_EQ(left.arity(), -51);
  NodeRef left2 = L("K");
  for (int i = 0; i < kDepth - 1; i++) left2 = app(std::move(left2), one);
  left2 = app(std::move(left2), L("2"));
  EXPECT_LT(compare(left, left2), 0);
  // Dropping the handles frees every cell without recursion.
}

TEST_F(TermTest, InternSharesEqualTerms) {
  NodeRef a = intern(app(L("[hi]"), L("[there]")));
  NodeRef b = intern(app(L("[hi]"), L("[there]")));
  EXPECT_EQ(a.get(), b.get());
  EXPECT_EQ(intern(L("[q]")).get(), intern(L("[q]")).get());
  // Parts are interned too: an equal subterm elsewhere becomes the same Node.
  NodeRef whole = intern(app(L("f"), app(L("g"), L("1"))));
  NodeRef part = intern(app(L("g"), L("1")));
  EXPECT_EQ(argumentOf(whole.get()), part.get());
}

TEST_F(TermTest, InternHandlesDeepTerms) {
  NodeRef chain = L("0");
  NodeRef twin = L("0");
  for (int i = 0; i < 1'000'000; i++) {
    chain = app(L("1"), std::move(chain));
    twin = app(L("1"), std::move(twin));
  }
  NodeRef interned = intern(chain);
  EXPECT_EQ(compare(interned, chain), 0);
  EXPECT_EQ(intern(twin).get(), interned.get());
  EXPECT_EQ(intern(interned).get(), interned.get());
}

TEST_F(TermTest, DroppingNonValuesKeepsValuesFindable) {
  NodeRef work = intern(apply3(L("plus"), L("1"), L("2")));
  NodeRef value = intern(app(L("K"), L("1")));
  size_t before = internedCount();
  dropNonValuesFromInternSet();
  EXPECT_LT(internedCount(), before);
  EXPECT_FALSE(isInterned(work.get()));
  EXPECT_TRUE(isInterned(value.get()));
  for (const NodeRef& t : internedTerms()) EXPECT_TRUE(isValue(t.get()));
  // A term equal to a dropped one is stored afresh.
  NodeRef again = intern(apply3(L("plus"), L("1"), L("2")));
  EXPECT_NE(again.get(), work.get());
  EXPECT_EQ(compare(again, work), 0);
}

TEST_F(TermTest, ResetEmptiesEveryTable) {
  setDefinition("g", L("1"));
  nullaryNames().insert("g");
  preludeSnapshot().emplace("g", L("1"));
  EXPECT_NE(findDefinition("g"), nullptr);
  resetGlobalTables();
  EXPECT_EQ(findDefinition("g"), nullptr);
  EXPECT_EQ(findDefinition(""), nullptr);
  EXPECT_TRUE(nullaryNames().empty());
  EXPECT_TRUE(preludeSnapshot().empty());
  EXPECT_TRUE(builtinStorage().empty());
}

}  // namespace
}  // namespace quorl
