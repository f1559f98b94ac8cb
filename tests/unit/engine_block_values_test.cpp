// Builtins on byte blocks and texts answered on the engine's values
// (builtins/block_values.hpp) against their handlers: every answer the
// engine gives without a redex must be the handler's for the same terms,
// across the edges of each builtin (indices out of range and negative,
// beyond a machine word or of the wrong kind, empty blocks, texts with
// nested groups, numbers, reals), and a block is changed in place only when
// nothing but the call holds it.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "builtins/language.hpp"
#include "builtins/table.hpp"
#include "compile/compile.hpp"
#include "compile/link.hpp"
#include "compile/rewrite.hpp"
#include "eval/engine.hpp"
#include "eval/values.hpp"
#include "front/prelude.hpp"
#include "numbers/big_integer.hpp"
#include "numbers/real.hpp"
#include "reference_engine.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

// An operand, made afresh for every call: a Word, a Big or a term.
using Maker = std::function<Value()>;

Maker word(int64_t v) {
  return [v] { return newWord(v); };
}
Maker big(const char* decimal) {
  return [decimal] {
    BigInteger b;
    bigFromText(decimal, b);
    return newBig(std::move(b));
  };
}
Maker node(std::function<NodeRef()> make) {
  return [make] { return Value::ofNode(make().detach()); };
}
Maker text(const char* t) {
  return node([t] { return leaf(t); });
}
Maker block(std::string payload) {
  return node([payload] { return makeByteBlock(payload); });
}

std::vector<Maker> subjects() {
  return {block(""), block("abc"), block(std::string("a\n[]\0z", 6)), block(std::string(70, 'q')),
          text("[]"), text("[abc]"), text("[a[b]c]"), text("[[q]x]"),
          word(0), word(5), word(-6), word(INT64_MIN), text("05"), text("004"),
          big("18446744073709551616"), node([] { return makeReal(-2.5); }), text("K"),
          node([] { return apply(apply(leaf("J"), leaf("K")), leaf("K")); })};
}

std::vector<Maker> indices() {
  return {word(0), word(1), word(2), word(3), word(-1), word(-3), word(-4), word(64), word(65),
          word(69), word(70), word(INT64_MAX), word(INT64_MIN), text("2"), text("07"), text("004"),
          big("9223372036854775808"), text("K"), text("[a]")};
}

std::vector<Maker> bytes() {
  return {word(65), word(0), word(-1), word(0x15B), word('['), word(']'), text("93"), text("K"),
          text("[x]"), big("18446744073709551681")};
}

// The term a value stands for, built afresh for the handler.
NodeRef termFor(const Maker& make) {
  Value v = make();
  NodeRef t(termOf(v));
  releaseValue(v);
  return t;
}

class EngineBlockValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    compilePrelude();
    builtinTable();
  }
  void TearDown() override { resetGlobalTables(); }

  // Every combination of the operands through both paths; returns how many
  // the engine answered itself.  A subject is held twice for the handler as
  // for the engine, so that neither changes it in place.
  int compareAll(const char* name, const std::vector<std::vector<Maker>>& operands) {
    const BuiltinEntry* entry = findBuiltin(name);
    EXPECT_NE(entry->onValues, nullptr);
    int answered = 0;
    std::vector<size_t> at(operands.size(), 0);
    for (;;) {
      NodeRef redex = leaf(name);
      for (size_t k = 0; k < operands.size(); k++) redex = apply(redex, termFor(operands[k][at[k]]));
      std::string expected = termText(entry->handler(redex));
      Value args[3];
      for (size_t k = 0; k < operands.size(); k++) args[k] = operands[k][at[k]]();
      acquireValue(args[0]);
      Value kept = args[0];
      Value out;
      if (entry->onValues(args, out)) {
        answered++;
        EXPECT_EQ(termText(NodeRef(termOf(out))), expected) << describe(name, operands.size(), at);
        releaseValue(out);
      } else {
        for (size_t k = 0; k < operands.size(); k++) releaseValue(args[k]);
      }
      releaseValue(kept);
      size_t k = 0;
      while (k < at.size() && ++at[k] == operands[k].size()) at[k++] = 0;
      if (k == at.size()) return answered;
    }
  }

  static std::string describe(const char* name, size_t count, const std::vector<size_t>& at) {
    std::string s = std::string(name) + " operands";
    for (size_t k = 0; k < count; k++) s += " " + std::to_string(at[k]);
    return s;
  }
};

TEST_F(EngineBlockValuesTest, IndexingAndSlicingAnswerAsTheirHandlers) {
  EXPECT_GT(compareAll("look", {subjects(), indices()}), 100);
  EXPECT_GT(compareAll("cork", {subjects(), indices(), bytes()}), 500);
  EXPECT_GT(compareAll("trim", {subjects(), indices(), indices()}), 1000);
  EXPECT_GT(compareAll("rank", {subjects()}), 6);
}

TEST_F(EngineBlockValuesTest, HeadTailConversionAndJoinsAnswerAsTheirHandlers) {
  EXPECT_GT(compareAll("buck", {subjects()}), 10);
  EXPECT_GT(compareAll("wave", {subjects()}), 10);
  EXPECT_GT(compareAll("init", {subjects()}), 8);
  EXPECT_GT(compareAll("plus", {subjects(), subjects()}), 100);
}

// The engine path changes a block in place exactly when the handler would:
// when the operand's count is the only one.
TEST_F(EngineBlockValuesTest, ABlockChangesInPlaceOnlyWhenTheCallHoldsItAlone) {
  const BuiltinEntry* cork = findBuiltin("cork");
  Node* b = makeByteBlock("abc").detach();
  Value args[3] = {Value::ofNode(b), newWord(-1), newWord(0x17A)};
  Value out;
  ASSERT_TRUE(cork->onValues(args, out));
  EXPECT_EQ(out.node(), b);
  EXPECT_EQ(byteBlockPayload(b), "abz");

  // Held elsewhere too: a new block, the held one unchanged.
  acquire(b);
  Value shared[3] = {out, newWord(0), newWord('x')};
  Value copy;
  ASSERT_TRUE(cork->onValues(shared, copy));
  EXPECT_NE(copy.node(), b);
  EXPECT_EQ(byteBlockPayload(copy.node()), "xbz");
  EXPECT_EQ(byteBlockPayload(b), "abz");
  releaseValue(copy);

  // Joins likewise; the left operand alone grows in its own cell.
  const BuiltinEntry* plus = findBuiltin("plus");
  Value join[2] = {Value::ofNode(b), Value::ofNode(makeByteBlock("!").detach())};
  acquire(b);
  Value joined;
  ASSERT_TRUE(plus->onValues(join, joined));
  EXPECT_NE(joined.node(), b);
  EXPECT_EQ(byteBlockPayload(b), "abz");
  releaseValue(joined);
  Value alone[2] = {Value::ofNode(b), Value::ofNode(leaf("[cd]").detach())};
  ASSERT_TRUE(plus->onValues(alone, joined));
  EXPECT_EQ(byteBlockPayload(joined.node()), "abzcd");
  releaseValue(joined);
}

// Answers that are their operand itself stay the very same value, as the
// handler returns the very same node: zero negated, a block made a block.
TEST_F(EngineBlockValuesTest, AnswersThatAreTheirOperandKeepItsIdentity) {
  Value zero = newWord(0);
  acquireValue(zero);
  Value args[1] = {zero};
  Value out;
  ASSERT_TRUE(findBuiltin("wave")->onValues(args, out));
  EXPECT_EQ(out.bits, zero.bits);
  releaseValue(out);
  releaseValue(zero);

  Node* b = makeByteBlock("xy").detach();
  acquire(b);
  Value init[1] = {Value::ofNode(b)};
  ASSERT_TRUE(findBuiltin("init")->onValues(init, out));
  EXPECT_EQ(out.node(), b);
  releaseValue(out);
  release(b);
}

// --- whole programs --------------------------------------------------------

int& handlerCalls() {
  static int calls = 0;
  return calls;
}

template <NodeRef (*handler)(NodeRef)>
NodeRef counted(NodeRef redex) {
  handlerCalls()++;
  return handler(std::move(redex));
}

// Programs with loops over blocks and texts, in both engines.  The block
// builtins' handlers count their calls: the engine must not need them where
// the operands are blocks, texts and machine integers.
class BlockProgramsTest : public ::testing::Test {
 protected:
  void TearDown() override { resetGlobalTables(); }

  std::string run(const std::string& program, NodeRef (*engine)(NodeRef)) {
    compilePrelude();
    builtinTable();
    BuiltinMap& rows = builtinStorage();
    rows.at("look").handler = counted<lookBuiltin>;
    rows.at("cork").handler = counted<corkBuiltin>;
    rows.at("rank").handler = counted<rankBuiltin>;
    rows.at("trim").handler = counted<trimBuiltin>;
    rows.at("buck").handler = counted<buckBuiltin>;
    rows.at("wave").handler = counted<waveBuiltin>;
    rows.at("init").handler = counted<initBuiltin>;
    EXPECT_TRUE(compileProgram(program).ok());
    RunOutcome linked = linkProgram();
    EXPECT_TRUE(linked.ok()) << linked.message;
    handlerCalls() = 0;
    return termText(engine(apply(*findDefinition(""), leaf("0"))));
  }

  // The program's value in the engine, which must be substitution's and
  // must not have called a block builtin's handler.
  std::string agreed(const std::string& program) {
    std::string expected = run(program, evaluateBySubstitution);
    resetGlobalTables();
    std::string actual = run(program, evaluate);
    EXPECT_EQ(actual, expected) << program;
    EXPECT_EQ(handlerCalls(), 0) << program;
    return actual;
  }
};

const std::string kLoops =
    ",fill\\b\\i\\n\\(n<i) b (fill(cork(b, i, i*3+97), i+1, n))"
    ",sumb\\b\\i\\n\\s\\(n<i) s (sumb(b, i+1, n, s + look(b, i)))"
    ",grow\\t\\n\\(n<1) t (grow(t + init(n%26+97), n-1))"
    ",heads\\b\\t\\(rank b = 0) t (heads(~b, t + $b))"
    ",list\\a\\b\\c\\d\\e\\J a (J b (J c (J d e)))";

TEST_F(BlockProgramsTest, LoopsOverOneBlockRunWithoutTheHandlers) {
  // A sieve: the block is crossed out in place and summed.
  EXPECT_EQ(agreed("main,main\\a\\go(100),go\\n\\count(sieve(cork(cork(init(n-99) * (n+1), 0, 0), 1, 0), 2, n), 0, n, 0),"
                   "sieve\\f\\i\\n\\(n < i * i) f ((look(f, i) = 1) (sieve(cross(f, i * i, i, n), i + 1, n)) (sieve(f, i + 1, n))),"
                   "cross\\f\\j\\s\\n\\(n < j) f (cross(cork(f, j, 0), j + s, s, n)),"
                   "count\\f\\i\\n\\a\\(n < i) a (count(f, i + 1, n, a + look(f, i)))"),
            "25");
  // A text built a byte at a time, read back from the end, cut and taken apart.
  EXPECT_EQ(agreed("main,main\\a\\show(grow([], 30)),"
                   "show\\t\\list(rank t, look(t, 01), sumb(t, 0, 29, 0), trim(t, 3, 020), heads(trim(t, 0, 4), []))" +
                   kLoops),
            "(J30 (J98 (J3245 (J cape[bazyxwv] [edcb]))))");
}

// A byte looked up where arithmetic or a comparison needs it is read from
// the block without a value made for it: in range, from the end, out of
// range (look's failure), and before a call that takes the block.
TEST_F(BlockProgramsTest, BytesLookedUpInArithmeticAnswerAsLookDoes) {
  const std::string helpers =
      ",firstb\\b\\i\\n\\(n < i) i ((look(b, i) = 98) i (firstb(b, i+1, n)))"
      ",twice\\t\\look(t, 02) * 2"
      ",blk\\t\\init t"
      ",taken\\v\\look(v, 1) + cork(v, 1, 66)";
  EXPECT_EQ(agreed("main,main\\a\\list(firstb([aabab], 0, 4), firstb([aabab], 03, 4), firstb([xyz], 0, 2),"
                   " twice [abc], taken(blk [abc]))" +
                   helpers + kLoops),
            "(J2 (J03 (J3 (J196 cape[98aBc]))))");
  // Out of range, a byte is look's failure, and so is what is made of it.
  EXPECT_EQ(agreed("main,main\\a\\list(firstb([ab], 5, 7), twice [a], taken(blk [a]), 0, 0)" + helpers + kLoops),
            "(JZ (JZ (JZ (J0 0))))");
}

// A block held by two holders must come out of a loop that changes it as it
// went in, in both engines: the loop works on a copy.
TEST_F(BlockProgramsTest, ABlockWithTwoHoldersIsNotChangedInPlace) {
  EXPECT_EQ(agreed("main,main\\a\\two([abcdef]),"
                   "two\\t\\b{init t}list(fill(b, 1, 3), b, sumb(b, 0, 5, 0), 0, 0)" + kLoops),
            "(J cape[adgjef] (J cape[abcdef] (J597 (J0 0))))");
  // A text joined onto while a second holder keeps it.
  EXPECT_EQ(agreed("main,main\\a\\two([ab]),two\\t\\list(grow(t, 2), t, t + [c], t, 0)" + kLoops),
            "(J cape[abcb] (J[ab] (J[abc] J[ab]0)))");
}

// A byte that a small function computes, joined onto a block (a text built
// as programs build one), is computed before the join and joined in the
// block's cell, without init's handler or a one-byte block; a block with a
// second holder is copied as before, and when the small function is given
// no number the join runs as calls and answers as they do.
TEST_F(BlockProgramsTest, AByteASmallFunctionComputesIsJoinedWhereItStands) {
  const std::string helpers =
      ",letter\\s\\(s % 6 = 0) 32 (97 + s % 26)"
      ",spell\\t\\n\\s\\(n = 0) t (spell(t + init(letter s), n - 1, s * 7 + 3))"
      ",scan\\t\\i\\n\\a\\(n < i) a (scan(t, i + 1, n, a + look(t, i) * (letter(i) + 1)))"
      ",stamp\\b\\i\\n\\(n < i) b (stamp(cork(b, i, letter(i)), i + 1, n))"
      ",blk\\t\\init t";
  EXPECT_EQ(agreed("main,main\\a\\spell(init(a + 100), 6, 1)" + helpers), "cape[dbkvunq]");
  EXPECT_EQ(agreed("main,main\\a\\scan([ab], 0, 1, 0)" + helpers), "12903");
  // A byte a small function computes, written in a block the loop holds alone.
  EXPECT_EQ(agreed("main,main\\a\\stamp(blk [xxxxxx], 0, 4)" + helpers), "cape[ bcdex]");
  EXPECT_EQ(agreed("main,main\\a\\two([ab]),two\\t\\b{init t}list(spell(b, 2, 0), b, 0, 0, 0)" + helpers + kLoops),
            "(J cape[ab d] (J cape[ab] (J0 (J0 0))))");
  std::string program = "main,main\\a\\list(spell(init[], 2, [x]), spell([q], 1, 5), scan([ab], 0, 1, [c]), 0, 0)" +
                        helpers + kLoops;
  std::string expected = run(program, evaluateBySubstitution);
  resetGlobalTables();
  EXPECT_EQ(run(program, evaluate), expected);
}

}  // namespace
}  // namespace quorl
