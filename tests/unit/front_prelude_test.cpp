// The Prelude text and what compiling it leaves in the tables.
#include <gtest/gtest.h>

#include <string>

#include "builtins/table.hpp"
#include "front/prelude.hpp"
#include "front_term_text.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

std::string definitionShape(std::string_view key) {
  const NodeRef* term = findDefinition(key);
  return term == nullptr ? "<none>" : termShape(*term);
}

std::string keysOf(const DefinitionMap& table) {
  std::string keys;
  for (const auto& [key, term] : table) keys += key + " ";
  return keys;
}

class FrontPrelude : public ::testing::Test {
 protected:
  void SetUp() override { compilePrelude(); }
  void TearDown() override { resetGlobalTables(); }
};

TEST_F(FrontPrelude, TextIsExactlyTheFixedSource) {
  EXPECT_EQ(kPreludeText.size(), 555u);
  EXPECT_EQ(kPreludeText.front(), ',');
  EXPECT_EQ(kPreludeText.find('\n'), std::string_view::npos);
}

TEST_F(FrontPrelude, DefinesTheCombinatorsAndOperators) {
  EXPECT_EQ(definitionTable().size(), 51u);
  EXPECT_EQ(keysOf(definitionTable()),
            "! \" # $ % & ' * + , - . / : ; < = > ? @ A B C D E F G H I J K L M N O P Q R S T "
            "U V W X Y Z \\ ^ { | ~ ");
  EXPECT_EQ(findDefinition("`"), nullptr);
  EXPECT_EQ(findDefinition(""), nullptr);
}

TEST_F(FrontPrelude, DefinitionsHaveTheirLambdaChains) {
  EXPECT_EQ(definitionShape("+"), "plus");
  EXPECT_EQ(definitionShape(">"), "gteq");
  EXPECT_EQ(definitionShape("."), "T");
  EXPECT_EQ(definitionShape("\""), "I");
  EXPECT_EQ(definitionShape("K"), "(\\ a (\\ b a))");
  EXPECT_EQ(definitionShape("!"), "(\\ p (p H K))");
  EXPECT_EQ(definitionShape("\\"), "(\\ a (\\ b (\\ c Z)))");
  EXPECT_EQ(definitionShape("{"), "(\\ a (\\ b (\\ c Z)))");
  EXPECT_EQ(definitionShape("A"), "(\\ a (a S (B K K)))");
  EXPECT_EQ(definitionShape("G"), "(\\ a (V Z (B W (B C) (D D V) (V (X J)))))");
  EXPECT_EQ(definitionShape("U"), "(\\ a (\\ b (\\ c (\\ d (\\ e (e (V a b) (V c d)))))))");
  EXPECT_EQ(definitionShape("Y"), "(\\ a (\\ b (a (Y a) b)))");
  EXPECT_EQ(definitionShape("X"), "(\\ a (\\ b (\\ c (\\ d (V b (a d c))))))");
  EXPECT_EQ(definitionShape("L"), "(\\ a (a K (K (K H))))");
  EXPECT_EQ(definitionShape("|"), "(\\ q (\\ r (q K r)))");
}

TEST_F(FrontPrelude, SnapshotCopiesTheTableAndBuiltinsAreBack) {
  EXPECT_EQ(keysOf(preludeSnapshot()), keysOf(definitionTable()));
  for (const auto& [key, term] : definitionTable())
    EXPECT_TRUE(preludeSnapshot().at(key) == term) << key;
  EXPECT_NE(findBuiltin("plus"), nullptr);
}

TEST_F(FrontPrelude, CompilingAgainStartsFromEmptyTables) {
  std::string before = keysOf(definitionTable());
  std::string kBefore = definitionShape("K");
  setDefinition("mine", leaf("1"));
  setDefinition("K", leaf("2"));
  nullaryNames().insert("mine");

  compilePrelude();
  EXPECT_EQ(keysOf(definitionTable()), before);
  EXPECT_EQ(definitionShape("K"), kBefore);
  EXPECT_TRUE(nullaryNames().empty());
  EXPECT_EQ(keysOf(preludeSnapshot()), before);
}

}  // namespace
}  // namespace quorl
