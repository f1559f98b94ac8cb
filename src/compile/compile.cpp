// Program compilation: the source text becomes a main expression and a list
// of definitions, parsed and stored in the definition table as they are.
#include "compile/compile.hpp"

#include <optional>
#include <vector>

#include "builtins/table.hpp"
#include "compile/forms.hpp"
#include "front/brackets.hpp"
#include "front/chars.hpp"
#include "front/parser.hpp"
#include "term/tables.hpp"

namespace quorl {

NodeRef builtinPlaceholder(int arity) {
  NodeRef term = leaf("Z");
  for (int i = arity - 1; i >= 0; i--) {
    char parameter = static_cast<char>('a' + i);
    term = apply3(leaf("\\"), leaf(std::string_view(&parameter, 1)), std::move(term));
  }
  return term;
}

namespace {

// The name a parsed piece defines, if any, and whether in the nullary form.
std::optional<std::pair<std::string, bool>> definedName(const Node* n) {
  if (!isLambdaForm(n)) return std::nullopt;
  const Node* namePart = lambdaParameter(n);
  bool nullary = false;
  std::string name;
  if (isLeaf(namePart)) {
    name = nodeText(namePart);
  } else if (isLeafText(argumentOf(namePart), "}")) {
    name = nodeText(functionOf(namePart));  // empty when not a leaf
    nullary = true;
  } else {
    return std::nullopt;
  }
  if (!isFunctionName(name)) return std::nullopt;
  return std::pair(std::move(name), nullary);
}

// Where a piece's messages point: its first non-blank byte.
size_t pieceStart(std::string_view text, size_t start) {
  while (start < text.size() && text[start] == ' ') start++;
  return start;
}

}  // namespace

SourcePieces cutSource(std::string_view text, FirstPiece first) {
  std::string source = normaliseSource(text);
  std::vector<size_t> commas = findAtDepthZero(source, ",");
  std::string_view all(source);
  SourcePieces pieces;
  // Piece i runs from one past comma i - 1 (from the start, for piece 0).
  for (size_t i = 0; i <= commas.size(); i++) {
    size_t start = i == 0 ? 0 : commas[i - 1] + 1;
    size_t end = i < commas.size() ? commas[i] : all.size();
    NodeRef parsed = parseExpression(all.substr(start, end - start));
    std::optional<std::pair<std::string, bool>> name = definedName(parsed.get());
    if (i == 0 && (first == FirstPiece::main || !name || isLocalName(keyOf(name->first)))) {
      pieces.main = std::move(parsed);
      continue;
    }
    if (!name) continue;
    pieces.definitions.push_back(
        DefinitionPiece{keyOf(name->first), positionCode(static_cast<int64_t>(pieceStart(all, start))),
                        name->second, NodeRef(const_cast<Node*>(lambdaBody(parsed.get())))});
  }
  return pieces;
}

NodeRef storedTerm(const DefinitionPiece& piece) {
  return piece.nullary ? apply(leaf("I"), piece.body) : piece.body;
}

std::optional<RunOutcome> refuseLowercaseKey(const DefinitionPiece& piece) {
  if (!isLocalName(piece.key)) return std::nullopt;
  return failure("lower",
                 "Single lowercase letters (" + piece.key +
                     ") cannot be defined as global variables.",
                 piece.at, shortName(piece.key));
}

namespace {

void predefineBuiltins() {
  for (const auto& [name, entry] : builtinTable())
    setDefinition(name, builtinPlaceholder(entry.arity));
}

bool isReservedKey(std::string_view key) {
  return key == "\\" || key == "{" || findBuiltin(key) != nullptr;
}

void storeDefinition(const DefinitionPiece& piece) {
  setDefinition(piece.key, storedTerm(piece));
  if (piece.nullary) nullaryNames().insert(piece.key);
  else nullaryNames().erase(piece.key);
}

}  // namespace

RunOutcome compileProgram(std::string_view text, FirstPiece first) {
  RunOutcome outcome;
  int64_t position = 0;
  if (!checkBrackets(text, outcome, position)) return outcome;

  predefineBuiltins();

  SourcePieces pieces = cutSource(text, first);
  if (pieces.main) setDefinition("", std::move(*pieces.main));
  for (const DefinitionPiece& piece : pieces.definitions) {
    if (std::optional<RunOutcome> lower = refuseLowercaseKey(piece)) return std::move(*lower);
    if (isReservedKey(piece.key))
      return failure("built", "Built in function [" + piece.key + "] cannot be re-defined.",
                     piece.at, shortName(piece.key));
    storeDefinition(piece);
  }
  return outcome;
}

}  // namespace quorl
