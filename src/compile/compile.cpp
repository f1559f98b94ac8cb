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

std::optional<DefinitionPiece> readDefinition(const NodeRef& parsed) {
  const Node* n = parsed.get();
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
  return DefinitionPiece{std::move(name), nullary, NodeRef(const_cast<Node*>(lambdaBody(n)))};
}

size_t pieceStart(std::string_view text, size_t start) {
  while (start < text.size() && text[start] == ' ') start++;
  return start;
}

namespace {

void predefineBuiltins() {
  for (const auto& [name, entry] : builtinTable())
    setDefinition(name, builtinPlaceholder(entry.arity));
}

bool isReservedKey(std::string_view key) {
  return key == "\\" || key == "{" || findBuiltin(key) != nullptr;
}

void storeDefinition(const std::string& key, const DefinitionPiece& piece) {
  if (piece.nullary) {
    setDefinition(key, apply(leaf("I"), piece.body));
    nullaryNames().insert(key);
  } else {
    setDefinition(key, piece.body);
    nullaryNames().erase(key);
  }
}

}  // namespace

RunOutcome compileProgram(std::string_view text) {
  RunOutcome outcome;
  int64_t position = 0;
  if (!checkBrackets(text, outcome, position)) return outcome;

  predefineBuiltins();

  std::string source = normaliseSource(text);
  std::vector<size_t> commas = findAtDepthZero(source, ",");
  std::string_view all(source);
  size_t mainEnd = commas.empty() ? all.size() : commas.front();
  setDefinition("", parseExpression(all.substr(0, mainEnd)));

  for (size_t i = 0; i < commas.size(); i++) {
    size_t start = commas[i] + 1;
    size_t end = i + 1 < commas.size() ? commas[i + 1] : all.size();
    std::optional<DefinitionPiece> piece =
        readDefinition(parseExpression(all.substr(start, end - start)));
    if (!piece) continue;
    std::string key = keyOf(piece->name);
    std::string at = positionCode(static_cast<int64_t>(pieceStart(all, start)));
    if (isLocalName(key))
      return failure("lower",
                     "Single lowercase letters (" + key +
                         ") cannot be defined as global variables.",
                     at, shortName(key));
    if (isReservedKey(key))
      return failure("built", "Built in function [" + key + "] cannot be re-defined.", at,
                     shortName(key));
    storeDefinition(key, *piece);
  }
  return outcome;
}

}  // namespace quorl
