// The language builtins called directly on hand-built redexes: the cases
// that a program cannot easily observe (sharing, in-place updates, deep
// structures, malformed lists, exact memory extents).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "builtins/language.hpp"
#include "engine_terms.hpp"
#include "eval/constant_parts.hpp"
#include "numbers/number.hpp"
#include "numbers/real.hpp"

namespace quorl {
namespace {

using testing::term;

class LanguageBuiltinsTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::installCombinators(); }
  void TearDown() override { resetGlobalTables(); }
};

NodeRef redex(const char* name, NodeRef a) { return apply(leaf(name), std::move(a)); }
NodeRef redex(const char* name, NodeRef a, NodeRef b) {
  return apply(redex(name, std::move(a)), std::move(b));
}
NodeRef redex(const char* name, NodeRef a, NodeRef b, NodeRef c) {
  return apply(redex(name, std::move(a), std::move(b)), std::move(c));
}

NodeRef num(int64_t v) { return numberFromInt64(v); }

std::string payloadOf(const NodeRef& block) { return std::string(byteBlockPayload(block.get())); }

TEST_F(LanguageBuiltinsTest, CorkChangesAByteBlockInPlaceOnlyWhenTheCallHoldsItAlone) {
  NodeRef block = makeByteBlock("abc");
  Node* original = block.get();
  // The call is the only holder: the same leaf comes back, changed.
  NodeRef alone = corkBuiltin(redex("cork", std::move(block), num(1), num(65)));
  EXPECT_EQ(alone.get(), original);
  EXPECT_EQ(payloadOf(alone), "aAc");
  // Once the dead redex is taken apart, nothing else holds it.
  finishDyingCells();
  EXPECT_EQ(countOf(alone.get()), 1u);

  // Anyone else holding the block (here `alone` itself) sees no change.
  NodeRef copied = corkBuiltin(redex("cork", alone, num(-1), num(0x164)));
  EXPECT_NE(copied.get(), alone.get());
  EXPECT_EQ(payloadOf(copied), "aAd");
  EXPECT_EQ(payloadOf(alone), "aAc");

  // A shared redex (a term that will be reduced again) is not changed either.
  NodeRef shared = redex("cork", makeByteBlock("xyz"), num(0), num(66));
  NodeRef keep = shared;
  NodeRef fromShared = corkBuiltin(std::move(shared));
  EXPECT_EQ(payloadOf(fromShared), "Byz");
  EXPECT_EQ(payloadOf(NodeRef(argumentOf(functionOf(functionOf(keep.get()))))), "xyz");
}

TEST_F(LanguageBuiltinsTest, CorkChangesInPlaceABlockThatOnlyDeadCellsHoldBesides) {
  // A cell that held the block has died but is not taken apart yet: its
  // count on the block is no holder.
  NodeRef block = makeByteBlock("abc");
  Node* original = block.get();
  NodeRef holder = apply(leaf("J"), block);
  holder = leaf("K");
  NodeRef changed = corkBuiltin(redex("cork", std::move(block), num(0), num(66)));
  EXPECT_EQ(changed.get(), original);
  EXPECT_EQ(payloadOf(changed), "Bbc");
}

TEST_F(LanguageBuiltinsTest, CorkOutOfRangeOrWrongValueFails) {
  EXPECT_EQ(corkBuiltin(redex("cork", makeByteBlock("abc"), num(3), num(1))).text(), "Z");
  EXPECT_EQ(corkBuiltin(redex("cork", makeByteBlock("abc"), num(-4), num(1))).text(), "Z");
  EXPECT_EQ(corkBuiltin(redex("cork", makeByteBlock(""), num(0), num(1))).text(), "Z");
  EXPECT_EQ(corkBuiltin(redex("cork", makeByteBlock("abc"), num(0), leaf("K"))).text(), "Z");
  EXPECT_EQ(corkBuiltin(redex("cork", makeReal(1.0), num(-65), leaf("K"))).text(), "Z");
  EXPECT_EQ(corkBuiltin(redex("cork", makeReal(1.0), num(0), num(1))).text(), "Z");
  EXPECT_DOUBLE_EQ(realValue(corkBuiltin(redex("cork", makeReal(1.0), num(-1), leaf("K")))), -1.0);
}

TEST_F(LanguageBuiltinsTest, CorkOnABitListMovesItsEndMarker) {
  // 1 is the list [1, 1]; setting element 4 makes [1, 1, 1, 0] (the old
  // marker becomes an element), i.e. 5; clearing the marker of 5 gives 1.
  EXPECT_EQ(corkBuiltin(redex("cork", num(1), num(4), leaf("K"))).text(), "5");
  EXPECT_EQ(corkBuiltin(redex("cork", num(5), num(4), leaf("H"))).text(), "1");
  EXPECT_EQ(corkBuiltin(redex("cork", leaf("00"), num(1), leaf("H"))).text(), "Z");
  EXPECT_EQ(corkBuiltin(redex("cork", num(5), num(-5), leaf("K"))).text(), "Z");
  EXPECT_EQ(corkBuiltin(redex("cork", num(5), num(-4), leaf("H"))).text(), "005");
  // Far above the list: clearing changes nothing, setting is refused.
  EXPECT_EQ(corkBuiltin(redex("cork", num(5), num(INT64_MAX), leaf("H"))).text(), "5");
  EXPECT_EQ(corkBuiltin(redex("cork", num(5), num(INT64_MAX), leaf("K"))).text(), "Z");
  EXPECT_EQ(corkBuiltin(redex("cork", num(0), num(66), leaf("K"))).text(), "18446744073709551616");
  // An index too large for a machine word never wraps onto a valid one.
  NodeRef huge = leaf("18446744073709551617");
  EXPECT_EQ(lookBuiltin(redex("look", makeByteBlock("abc"), huge)).text(), "Z");
  EXPECT_EQ(trimBuiltin(redex("trim", makeByteBlock("abc"), num(0), huge)).text(), "Z");
}

TEST_F(LanguageBuiltinsTest, MalformedListsAreRefusedNotChecked) {
  // J K I has the shape of an integer but is not a finished list of bits.
  for (const char* name : {"buck", "wave", "rank", "lots", "lits", "init", "zits"})
    EXPECT_EQ(evaluate(redex(name, term("J K (J K I)"))).text(), "Z") << name;
  EXPECT_EQ(lookBuiltin(redex("look", term("J K (J K I)"), num(0))).text(), "Z");
  EXPECT_EQ(lookBuiltin(redex("look", num(1), term("J K (J K I)"))).text(), "Z");
  EXPECT_EQ(refhBuiltin(redex("refh", term("J K (J K I)"))).text(), "Z");
  EXPECT_EQ(refhBuiltin(redex("refh", makeByteBlock("abcdefgh"))).text(), "Z");
}

TEST_F(LanguageBuiltinsTest, HeadAndTailOfNumbersHeldAsLists) {
  // An integer list carries its sign as element 1; for a binary number the
  // head is element 2, or K for a list of two elements, H for fewer.
  EXPECT_EQ(buckBuiltin(redex("buck", term("J K (J H (J K K))"))).text(), "H");
  EXPECT_EQ(buckBuiltin(redex("buck", term("J K (J K K)"))).text(), "K");
  EXPECT_EQ(waveBuiltin(redex("wave", term("J K (J K K)"))).text(), "01");
  EXPECT_EQ(buckBuiltin(redex("buck", term("J H (J K K)"))).text(), "K");
  EXPECT_EQ(buckBuiltin(redex("buck", term("J H (J K (J H K))"))).text(), "H");
  EXPECT_EQ(buckBuiltin(redex("buck", term("J H K"))).text(), "H");
  EXPECT_EQ(waveBuiltin(redex("wave", leaf("00"))).text(), "00");
}

TEST_F(LanguageBuiltinsTest, LookReadsListsRawAndRealsByBit) {
  // 6 is [1, 1, 0, 1]: the end marker is element 4, zeros above it.
  EXPECT_EQ(lookBuiltin(redex("look", num(6), num(2))).text(), "H");
  EXPECT_EQ(lookBuiltin(redex("look", num(6), num(4))).text(), "K");
  EXPECT_EQ(lookBuiltin(redex("look", num(6), num(1000))).text(), "H");
  EXPECT_EQ(lookBuiltin(redex("look", num(6), num(-1))).text(), "K");
  EXPECT_EQ(lookBuiltin(redex("look", makeReal(-0.0), num(63))).text(), "K");
  EXPECT_EQ(lookBuiltin(redex("look", makeReal(-0.0), num(-64))).text(), "H");
  EXPECT_EQ(lookBuiltin(redex("look", makeReal(-0.0), num(-65))).text(), "Z");
}

TEST_F(LanguageBuiltinsTest, RightPartOfAByteIsItsCharacterTree) {
  NodeRef right = rghtBuiltin(redex("rght", leaf("[abc]")));
  EXPECT_EQ(right.text(), bracketTree(elementNumber('c')));
  EXPECT_EQ(rghtBuiltin(redex("rght", leaf("[a[bc]]"))).text(), "[bc]");
  EXPECT_EQ(leftBuiltin(redex("left", leaf("[a[bc]]"))).text(), "[a]");
  // A constant application splits into its own parts.
  NodeRef pair = apply(leaf("[a]"), leaf("[b]"));
  EXPECT_EQ(leftBuiltin(redex("left", pair)).text(), "[a]");
  EXPECT_EQ(buckBuiltin(redex("buck", pair)).text(), "[a]");
  EXPECT_EQ(waveBuiltin(redex("wave", pair)).text(), "[b]");
  EXPECT_EQ(rankBuiltin(redex("rank", pair)).text(), "4");
}

TEST_F(LanguageBuiltinsTest, DeepTreesConvertWithoutRecursion) {
  // A spine of a million J cells: as a tree payload and as a byte tree.
  constexpr int kDepth = 1000000;
  NodeRef payload = sharedLeaf('K');
  for (int i = 0; i < kDepth; i++) payload = apply(apply(sharedLeaf('J'), payload), leaf("K"));
  NodeRef tree = apply(apply(leaf("V"), apply(leaf("X"), leaf("J"))), payload);
  NodeRef constant = zitsBuiltin(redex("zits", tree));
  EXPECT_EQ(constant.text().size(), 2u + 2u * kDepth);
  EXPECT_EQ(initBuiltin(redex("init", payload)).text(), "()");
}

TEST_F(LanguageBuiltinsTest, ByteTreesNeedLeafBitsAndReadIAsOne) {
  auto j = [](NodeRef a, NodeRef b) { return apply(apply(sharedLeaf('J'), a), b); };
  auto byte = [&](unsigned value) {
    NodeRef b[8] = {leaf("H"), leaf("H"), leaf("H"), leaf("H"),
                    leaf("H"), leaf("H"), leaf("H"), leaf("H")};
    for (int i = 0; i < 8; i++)
      if (value & (1u << i)) b[i] = leaf("I");
    return j(j(j(b[0], b[1]), j(b[2], b[3])), j(j(b[4], b[5]), j(b[6], b[7])));
  };
  // Two bytes have the depth-three shape too; they must not read as one.
  EXPECT_EQ(payloadOf(initBuiltin(redex("init", j(byte('h'), byte('i'))))), "hi");
  EXPECT_EQ(payloadOf(initBuiltin(redex("init", byte(0xA5)))), "\xA5");
  EXPECT_EQ(initBuiltin(redex("init", j(byte('h'), leaf("I")))).text(), "Z");
}

TEST_F(LanguageBuiltinsTest, BitListsOfRealsAndBytesStartAtBitZero) {
  NodeRef list = lotsBuiltin(redex("lots", makeReal(-0.0)));
  int elements = 0;
  std::string bits;
  for (Node* n = list.get(); isApplication(n); n = argumentOf(n), elements++)
    bits += leafChars(argumentOf(functionOf(n)))[0];
  EXPECT_EQ(elements, 64);
  EXPECT_EQ(bits, std::string(63, 'H') + "K");
  NodeRef bytes = lotsBuiltin(redex("lots", makeByteBlock(std::string("\x01\x00", 2))));
  EXPECT_EQ(listLength(bytes), 16);
  EXPECT_EQ(lookBuiltin(redex("look", bytes, num(0))).text(), "K");
  EXPECT_EQ(lookBuiltin(redex("look", bytes, num(15))).text(), "H");
}

TEST_F(LanguageBuiltinsTest, CapeRoundTripsEveryByte) {
  std::string all;
  for (int c = 0; c < 256; c++) all.push_back(static_cast<char>(c));
  NodeRef escaped = capeBuiltin(redex("cape", makeByteBlock(all)));
  EXPECT_EQ(escaped.firstChar(), '[');
  EXPECT_EQ(payloadOf(capeBuiltin(redex("cape", escaped))), all);
  EXPECT_EQ(capeBuiltin(redex("cape", leaf("[a[]]"))).text(), "Z");
  EXPECT_EQ(capeBuiltin(redex("cape", leaf("[a[pq]]"))).text(), "Z");
  // zits refuses what cape escapes.
  EXPECT_EQ(zitsBuiltin(redex("zits", makeByteBlock("a]["))).text(), "Z");
  EXPECT_EQ(zitsBuiltin(redex("zits", makeByteBlock("a\n"))).text(), "Z");
}

TEST_F(LanguageBuiltinsTest, MemoryBuiltinsStayWithinTheirBytes) {
  char buffer[16];
  std::memset(buffer, '.', sizeof buffer);
  NodeRef address = numberFromUInt64(reinterpret_cast<uintptr_t>(buffer));
  EXPECT_EQ(copyBuiltin(redex("copy", makeByteBlock("abc"), address)).text(), "I");
  EXPECT_EQ(std::string(buffer, 4), "abc.");
  EXPECT_EQ(copyBuiltin(redex("copy", leaf("[x[y]]"), address)).text(), "I");
  EXPECT_EQ(std::string(buffer, 6), "x[y]..");
  EXPECT_EQ(copyBuiltin(redex("copy", num(-12), address)).text(), "I");
  EXPECT_EQ(std::string(buffer, 4), "012]");
  EXPECT_EQ(copyBuiltin(redex("copy", makeReal(0.0), address)).text(), "I");
  EXPECT_EQ(std::string(buffer, 9), std::string(8, '\0') + ".");

  EXPECT_EQ(reflBuiltin(redex("refl", address, num(-1))).text(), "I");
  EXPECT_EQ(refhBuiltin(redex("refh", address)).text(), "255");
  EXPECT_EQ(refoBuiltin(redex("refo", address, num(-1))).text(), "I");
  EXPECT_EQ(refkBuiltin(redex("refk", address)).text(), "18446744073709551615");
  EXPECT_EQ(buffer[8], '.');
  EXPECT_EQ(payloadOf(postBuiltin(redex("post", address, num(9)))), std::string(8, '\xFF') + ".");
  EXPECT_EQ(postBuiltin(redex("post", num(0), num(0))).text(), "()");
  EXPECT_EQ(postBuiltin(redex("post", address, num(-1))).text(), "Z");
  EXPECT_EQ(reflBuiltin(redex("refl", leaf("004"), num(1))).text(), "Z");
  // The top bit of a 64-bit store survives the trip through an integer.
  EXPECT_EQ(refoBuiltin(redex("refo", address, numberFromUInt64(UINT64_MAX - 1))).text(), "I");
  EXPECT_EQ(refkBuiltin(redex("refk", address)).text(), "18446744073709551614");
}

TEST_F(LanguageBuiltinsTest, IdentityAndOrderAnswerForTheSameNodeAtOnce) {
  NodeRef t = term("J K I");
  EXPECT_EQ(rawsBuiltin(redex("raws", t, t)).text(), "K");
  EXPECT_EQ(rawsBuiltin(redex("raws", t, term("J K I"))).text(), "H");
  EXPECT_EQ(cmprBuiltin(redex("cmpr", t, t)).text(), "0");
  EXPECT_EQ(cmprBuiltin(redex("cmpr", leaf("10"), leaf("9"))).text(), "1");
  EXPECT_EQ(leakBuiltin(redex("leak", t)).text(),
            std::to_string(reinterpret_cast<uintptr_t>(t.get())));
  NodeRef a = ternBuiltin(redex("tern", term("J K I")));
  NodeRef b = ternBuiltin(redex("tern", term("J K I")));
  EXPECT_EQ(a.get(), b.get());
}

}  // namespace
}  // namespace quorl
