// The combinators contracted directly build exactly what substitution
// into the Prelude's definitions builds, and only while those stand.
#include <gtest/gtest.h>

#include <string>

#include "eval/combinators.hpp"
#include "eval/engine.hpp"
#include "eval/substitute.hpp"
#include "front/prelude.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

class CombinatorTest : public ::testing::Test {
 protected:
  void SetUp() override { compilePrelude(); }
  void TearDown() override { resetGlobalTables(); }
};

// What the general path gives: the body with every parameter replaced.
NodeRef bySubstitution(const Node* definition, Node* const* args, int count) {
  Node* values[26] = {};
  uint32_t letters = 0;
  Node* body = const_cast<Node*>(definition);
  for (int i = 0; i < count; i++) {
    int letter = leafChars(argumentOf(functionOf(body)))[0] - 'a';
    values[letter] = args[i];
    letters |= uint32_t{1} << letter;
    body = argumentOf(body);
  }
  return substituteLetters(body, letters, values);
}

int parameters(const Node* definition) {
  int count = 0;
  while (binderShape(definition) == 'u') {
    count++;
    definition = argumentOf(definition);
  }
  return count;
}

TEST_F(CombinatorTest, DirectContractionEqualsSubstitution) {
  NodeRef args[5] = {leaf("10"), leaf("20"), leaf("30"), leaf("40"), leaf("50")};
  Node* raw[5];
  for (int i = 0; i < 5; i++) raw[i] = args[i].get();
  int checked = 0;
  for (const auto& [name, definition] : definitionTable()) {
    char key = directCombinator(name, definition.get());
    if (key == 0) continue;
    checked++;
    annotate(definition.get());
    int count = parameters(definition.get());
    NodeRef direct = contractCombinator(key, definition.get(), raw);
    NodeRef general = bySubstitution(definition.get(), raw, count);
    EXPECT_EQ(compare(direct, general), 0) << name;
    // Leaves of the body are shared, not copied.
    if (direct.isLeafNode()) {
      EXPECT_TRUE(direct == general) << name;
    }
  }
  EXPECT_EQ(checked, 20);
}

TEST_F(CombinatorTest, ARedefinedCombinatorTakesTheGeneralPath) {
  EXPECT_EQ(directCombinator("K", findDefinition("K")->get()), 'K');
  setDefinition("K", apply3(leaf("\\"), leaf("a"), apply3(leaf("\\"), leaf("b"), leaf("b"))));
  EXPECT_EQ(directCombinator("K", findDefinition("K")->get()), 0);
  EXPECT_EQ(directCombinator("A", findDefinition("A")->get()), 0);  // not one of them
  EXPECT_EQ(directCombinator("plus", findDefinition("+")->get()), 0);
}

}  // namespace
}  // namespace quorl
