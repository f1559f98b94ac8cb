// Every builtin row called with arguments of every kind: numbers, number
// lists (well formed and not), texts, byte blocks, reals, functions, trees
// and Z.  A wrong kind must be answered with a value (Z, mostly), never by
// an internal check; and whatever comes back must itself be a sound term.
//
// The language's own builtins get every combination of the samples.  The
// bridge rows are thin wrappers around C functions whose integer arguments
// may be addresses, so they get the samples that are not integers in those
// places (texts and blocks are real buffers); rows that would act on the
// process itself (end it, signal it, run a command, read the terminal,
// touch files) are left out.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "builtins/table.hpp"
#include "compile/compile.hpp"
#include "compile/link.hpp"
#include "compile/rewrite.hpp"
#include "eval/kinds.hpp"
#include "front/prelude.hpp"
#include "numbers/number.hpp"
#include "numbers/real.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

struct Sample {
  std::string name;
  NodeRef value;
  bool integer;  // may stand for an address or a count in native code
};

NodeRef A(NodeRef g, NodeRef x) { return apply(std::move(g), std::move(x)); }
NodeRef L(std::string_view text) { return leaf(text); }
NodeRef list(NodeRef head, NodeRef rest) { return A(A(L("J"), std::move(head)), std::move(rest)); }
NodeRef tree(NodeRef payload) { return A(A(L("V"), A(L("X"), L("J"))), std::move(payload)); }
NodeRef bitTree(int byte) {
  auto bit = [byte](int i) { return L((byte >> i) & 1 ? "I" : "H"); };
  auto pair = [](NodeRef a, NodeRef b) { return list(std::move(a), std::move(b)); };
  return pair(pair(pair(bit(0), bit(1)), pair(bit(2), bit(3))), pair(pair(bit(4), bit(5)), pair(bit(6), bit(7))));
}

std::vector<Sample> samples() {
  std::vector<Sample> s;
  auto add = [&](std::string name, NodeRef v, bool integer = false) {
    s.push_back({std::move(name), std::move(v), integer});
  };
  // Integers, as leaves and as lists.
  for (const char* text : {"0", "1", "5", "01", "07", "255", "256", "9223372036854775807",
                           "09223372036854775808", "18446744073709551618",
                           "123456789012345678901234567890", "0123456789012345678901234567890"})
    add(std::string("int ") + text, L(text), true);
  add("list 1", list(L("K"), list(L("K"), L("K"))), true);
  add("list -2", list(L("K"), list(L("H"), list(L("H"), L("K")))), true);
  add("list tail leaf", list(L("K"), list(L("K"), L("5"))), true);
  add("list tail zero", list(L("K"), L("0")), true);
  add("list tail binary", list(L("K"), list(L("H"), L("001"))), true);
  add("empty list K", L("K"), true);
  // Binary numbers.
  for (const char* text : {"00", "000", "001", "004", "0017", "002", "0000000000000000000000000000001"})
    add(std::string("binary ") + text, L(text), true);
  add("binary list", list(L("H"), list(L("K"), L("K"))), true);
  // Lists that are no numbers: a head that is no bit, a rest that is no list.
  add("list bad head", list(L("K"), list(L("I"), L("K"))));
  add("list bad rest", list(L("K"), L("I")));
  add("list Z rest", list(L("K"), list(L("K"), L("Z"))));
  add("list pair rest", list(L("H"), A(A(L("V"), L("1")), L("2"))));
  add("list of numbers", list(L("3"), list(L("4"), L("K"))));
  add("list text head", list(L("[a]"), L("K")));
  add("half a list", A(L("J"), L("K")));
  // Constants.
  for (const char* text : {"[]", "[a]", "[ab]", "[ab[c]d]", "[[]]", "[[p]]", "[[q]]", "[[r]]",
                           "[[a][b]]", "[\xC3\xA9\xFF]", "[x[y[z]]w]", "[[[[]]]]"})
    add(std::string("text ") + text, L(text));
  add("text with NUL", L(std::string_view("[a\0b]", 5)));
  add("text of 300", L("[" + std::string(300, 'x') + "]"));
  add("constant application", A(L("[a]"), L("[bc]")));
  add("constant nested application", A(A(L("[a]"), L("[b]")), L("[]")));
  add("constant deep application", A(A(L("[a]"), L("[[b]]")), A(L("[c]"), L("[]"))));
  // Byte blocks.
  for (std::string payload : {std::string(), std::string("a"), std::string("hello"),
                              std::string("\n[]"), std::string(1, '\0'), std::string("\xFF\x80"),
                              std::string(300, 'q'), std::string("[a"), std::string("0")})
    add("block '" + payload.substr(0, 8) + "'", makeByteBlock(payload));
  // Reals.
  for (double d : {0.0, -0.0, 1.5, -2.25, 1e308, 5e-324, 4.0, 255.0,
                   std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::quiet_NaN()})
    add("real " + std::to_string(d), makeReal(d));
  // Functions, trees and the rest.
  for (const char* name : {"H", "I", "S", "V", "J", "Z", "plus", "buck"})
    add(std::string("leaf ") + name, L(name));
  add("partial plus 1", A(L("plus"), L("1")));
  add("lambda", A(A(L("\\"), L("x")), L("x")));
  add("pair V 1 2", A(A(L("V"), L("1")), L("2")));
  add("empty tree", tree(L("K")));
  add("tree", tree(list(L("K"), list(L("K"), L("K")))));
  add("tree bad", tree(L("I")));
  add("byte tree", bitTree(65));
  add("byte tree pair", list(bitTree(1), bitTree(2)));
  add("black hole", L(")"));
  add("closure leaf", L(")count"));
  return s;
}

// One or two samples of each kind, for the later places of the rows of
// three arguments, where every combination of every sample would take long.
const std::set<std::string, std::less<>> kRepresentatives = {
    "int 0", "int 1", "int 5", "int 01", "int 18446744073709551618",
    "int 123456789012345678901234567890", "list 1", "list tail leaf", "empty list K",
    "binary 00", "binary 004", "binary list", "list bad head", "list bad rest", "text []",
    "text [a]", "text [ab[c]d]", "constant application", "block ''", "block 'hello'",
    "real 1.500000", "real nan", "leaf H", "leaf I", "leaf Z", "partial plus 1", "lambda",
    "tree", "byte tree", "black hole"};

const std::set<std::string, std::less<>> kFewKinds = {"text [a]", "block 'hello'", "real 1.500000",
                                                      "leaf H", "list bad head"};

// Rows left out: they end or signal the process, run commands, wait on the
// terminal, or create, open, rename and remove files.  (`assert` H is the
// program's own internal failure and ends the run by design.)
const std::set<std::string> kLeftOut = {
    "abort", "exit", "raise", "system", "assert", "getchar", "fopen", "fdopen", "remove",
    "rename", "tmpfile", "tmpnam", "perror", "puts", "srand"};

// The language's own rows whose arguments at these places are addresses.
bool isAddressPlace(std::string_view name, int place) {
  if (name.size() == 4 && name.substr(0, 3) == "ref") return place == 0;
  if (name == "post") return place == 0;
  if (name == "copy") return place == 1;
  return false;
}

const std::set<std::string, std::less<>> kLanguageRows = {
    "buck", "cape", "cent", "cmpr", "copy", "cork", "dash", "diff", "gteq", "init", "leaf",
    "leak", "left", "less", "lisp", "lits", "load", "look", "lots", "mult", "over", "plus",
    "post", "powa", "rank", "raws", "real", "refh", "refi", "refj", "refk", "refl", "refm",
    "refn", "refo", "rght", "road", "same", "tern", "trim", "type", "wave", "zits"};

bool isLanguageRow(std::string_view name) { return kLanguageRows.count(name) != 0; }

// A term is sound when it can be annotated and printed, and a number leaf
// holds a canonical text.
void expectSound(const NodeRef& result, const std::string& call) {
  (void)kindOf(result);
  (void)termText(result);
  if (result.isLeafNode() && result.firstChar() >= '0' && result.firstChar() <= '9') {
    std::string text(result.text());
    EXPECT_EQ(bitsToText(textToBits(text)), text) << call;
  }
}

// What is under way, for the signal handler: an internal check aborts, and
// the call that reached it is the one to know.
std::string currentCall;
extern "C" void showCurrentCall(int signal) {
  std::fprintf(stderr, "\nsignal %d during: %s\n", signal, currentCall.c_str());
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

class EveryKindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    compilePrelude();
    ASSERT_TRUE(compileProgram("0,count\\a\\a").ok());
    ASSERT_TRUE(linkProgram().ok());
    scratch_.assign(1 << 16, '\0');
    std::signal(SIGABRT, showCurrentCall);
    std::signal(SIGSEGV, showCurrentCall);
  }
  void TearDown() override {
    std::signal(SIGABRT, SIG_DFL);
    std::signal(SIGSEGV, SIG_DFL);
    resetGlobalTables();
  }

  // The address of a scratch buffer, for the places that read or write
  // native memory.
  NodeRef scratchAddress() {
    std::memset(scratch_.data(), 0, scratch_.size());
    return numberFromInt64(static_cast<int64_t>(reinterpret_cast<intptr_t>(scratch_.data() + 1024)));
  }

  // Calls the row with every combination of the given choices per place.
  void callAll(const std::string& name, const BuiltinEntry& entry,
               const std::vector<std::vector<const Sample*>>& choices) {
    std::vector<size_t> at(entry.arity, 0);
    for (;;) {
      NodeRef redex = leaf(name);
      currentCall = name;
      for (int k = 0; k < entry.arity; k++) {
        const Sample* sample = choices[k][at[k]];
        NodeRef value = sample == nullptr ? scratchAddress() : sample->value;
        redex = apply(std::move(redex), std::move(value));
        currentCall += " (" + (sample == nullptr ? std::string("scratch address") : sample->name) + ")";
      }
      try {
        expectSound(entry.handler(std::move(redex)), currentCall);
      } catch (const std::bad_alloc&) {
        limitsMet_.insert(name);  // a size known to be out of reach
      } catch (const std::length_error&) {
        limitsMet_.insert(name);
      }
      calls_++;
      int k = 0;
      while (k < entry.arity && ++at[k] == choices[k].size()) at[k++] = 0;
      if (k == entry.arity) break;
    }
  }

  std::vector<char> scratch_;
  std::set<std::string> limitsMet_;
  size_t calls_ = 0;
};

TEST_F(EveryKindTest, LanguageBuiltinsAnswerEveryKindWithAValue) {
  std::vector<Sample> all = samples();
  std::vector<std::string> rows;
  for (const auto& [name, entry] : builtinTable())
    if (isLanguageRow(name)) rows.push_back(name);
  ASSERT_EQ(rows.size(), 43u);
  for (const std::string& name : rows) {
    const BuiltinEntry& entry = *findBuiltin(name);
    std::vector<std::vector<const Sample*>> choices(entry.arity);
    for (int k = 0; k < entry.arity; k++) {
      bool address = isAddressPlace(name, k);
      if (address) choices[k].push_back(nullptr);
      for (const Sample& sample : all) {
        if (k > 0 && entry.arity == 3 && kRepresentatives.count(sample.name) == 0) continue;
        // A number in an address place is a pointer the program vouches
        // for; only the scratch buffer's address is one here.  The length
        // of `post` reads that many bytes from it.
        if (address && sample.integer) continue;
        bool shortLength = sample.name == "int 5" || sample.name == "int 0";
        if (name == "post" && k == 1 && sample.integer && !shortLength) continue;
        choices[k].push_back(&sample);
      }
    }
    callAll(name, entry, choices);
  }
  // Only the arithmetic meets a size it refuses to attempt.
  for (const std::string& name : limitsMet_) EXPECT_TRUE(name == "powa" || name == "mult") << name;
  EXPECT_GT(calls_, 50000u);
}

TEST_F(EveryKindTest, BridgeBuiltinsRefuseArgumentsThatAreNotTheirs) {
  std::vector<Sample> all = samples();
  std::vector<const Sample*> notIntegers;
  for (const Sample& sample : all)
    if (!sample.integer) notIntegers.push_back(&sample);
  for (const auto& [name, entry] : builtinTable()) {
    if (isLanguageRow(name) || kLeftOut.count(name) != 0) continue;
    std::vector<std::vector<const Sample*>> choices(entry.arity);
    for (int k = 0; k < entry.arity; k++) {
      // The rows of four to seven arguments get one sample of a few kinds
      // in each place, to stay within reach.
      for (const Sample* sample : notIntegers)
        if (entry.arity <= 3 ? kRepresentatives.count(sample->name) != 0
                             : kFewKinds.count(sample->name) != 0)
          choices[k].push_back(sample);
    }
    callAll(name, entry, choices);
  }
  EXPECT_TRUE(limitsMet_.empty());
}

}  // namespace
}  // namespace quorl
