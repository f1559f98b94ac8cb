// Program compilation: bracket check, cutting into definitions, parsing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/outcome.hpp"
#include "term/node.hpp"

namespace quorl {

// How a source text begins: a program's always with its main expression;
// an entry typed at the prompt may begin with a definition instead.
enum class FirstPiece { main, mayDefine };

// Checks the program text, predefines the builtins, and stores the main
// expression under "" (when there is one) and every definition under its
// key.
RunOutcome compileProgram(std::string_view text, FirstPiece first = FirstPiece::main);

// What a builtin of the given arity is defined as before the program's own
// definitions: that many lambdas over a, b, c, ... around Z.
NodeRef builtinPlaceholder(int arity);

// A piece of source that defines something, name\body or name()\body:
// the key it defines and the position code of its first byte.
struct DefinitionPiece {
  std::string key;
  std::string at;
  bool nullary;
  NodeRef body;
};

// Normalised source cut at its depth-zero commas: the main expression,
// then the pieces that define something, in source order.  Other pieces
// are inert and serve as remarks.  With FirstPiece::mayDefine a first
// piece that defines a name (one that is not a single lowercase letter,
// which can only be a lambda's parameter) is the first definition, and
// there is no main expression.
struct SourcePieces {
  std::optional<NodeRef> main;
  std::vector<DefinitionPiece> definitions;
};
SourcePieces cutSource(std::string_view text, FirstPiece first = FirstPiece::main);

// What a piece stores: its body, or (I body) in the nullary form.
NodeRef storedTerm(const DefinitionPiece& piece);

// Local variables are single lowercase letters, so no global name is one.
// Nothing when the piece's key is another name.
std::optional<RunOutcome> refuseLowercaseKey(const DefinitionPiece& piece);

}  // namespace quorl
