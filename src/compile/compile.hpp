// Program compilation: bracket check, cutting into definitions, parsing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "driver/outcome.hpp"
#include "term/node.hpp"

namespace quorl {

// Checks the program text, predefines the builtins, and stores the main
// expression under "" and every definition under its key.
RunOutcome compileProgram(std::string_view text);

// What a builtin of the given arity is defined as before the program's own
// definitions: that many lambdas over a, b, c, ... around Z.
NodeRef builtinPlaceholder(int arity);

// A piece that defines something: name\body, or name()\body.
struct DefinitionPiece {
  std::string name;
  bool nullary;
  NodeRef body;
};

// The definition a parsed piece makes, if any.  Other pieces are inert and
// serve as remarks.
std::optional<DefinitionPiece> readDefinition(const NodeRef& parsed);

// Where a piece's messages point: its first non-blank byte at or after
// `start`.
size_t pieceStart(std::string_view text, size_t start);

}  // namespace quorl
